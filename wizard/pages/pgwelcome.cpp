#include "wizard/pages/pgwelcome.h"

#include "widgets/LblEffct.h"

namespace quillon::wizard {

PgWelcome::PgWelcome(WizardContext &context, QWidget *parent)
    : WizardPage("pgWelcome", context, parent)
{
    LabelEffect1 = new TLabelEffect(this);
    LabelEffect1->setObjectName(QStringLiteral("LabelEffect1"));
    LabelEffect1->setText(QStringLiteral("Welcome!"));
    QFont big(QStringLiteral("Arial"), 24, QFont::Bold);
    LabelEffect1->setFont(big);
    LabelEffect1->setFontColour(QColor(0, 0, 128));
    LabelEffect1->setGeometry(12, 10, 300, 50);
    label("Label1",
          QStringLiteral("This expert will guide you through all the necessary steps so that you can create your "
                         "own ISAPI Extension DLL with Delphi 2.0."),
          QRect(12, 72, 305, 45));
    label("Label2",
          QStringLiteral("Included are thread-safe database capabilities, standard extensions responses, login "
                         "management and much more."),
          QRect(12, 124, 305, 45));
    label("Lbl", QStringLiteral("Please press the 'Next' button to continue."), QRect(12, 200, 305, 16));
}

} // namespace quillon::wizard
