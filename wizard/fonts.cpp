#include "wizard/fonts.h"

#include <QFont>
#include <QString>
#include <QStringList>

namespace quillon::wizard {

void installFontSubstitutions()
{
    static const struct {
        const char *family;
        const char *substitute;
    } substitutions[] = {
        {"Arial", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"},
        {"Courier New", "Liberation Mono"},
    };
    for (const auto &s : substitutions) {
        const QString family = QString::fromLatin1(s.family);
        const QString substitute = QString::fromLatin1(s.substitute);
        if (!QFont::substitutes(family).contains(substitute, Qt::CaseInsensitive))
            QFont::insertSubstitution(family, substitute);
    }
}

} // namespace quillon::wizard
