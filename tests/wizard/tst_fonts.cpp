// The font families the wizard's windows name resolve to the metric-
// compatible Liberation fonts on a machine without them.
#include "wizard/fonts.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

using namespace quillon::wizard;

namespace {

struct FontRow {
    const char *family;
    const char *resolved;
    bool fixedPitch;
};

void PrintTo(const FontRow &row, std::ostream *os)
{
    *os << row.family;
}

class FontSubstitutionTest : public testing::TestWithParam<FontRow> {
protected:
    static void SetUpTestSuite()
    {
        installFontSubstitutions();
        installFontSubstitutions(); /* a second call adds nothing */
    }
};

TEST_P(FontSubstitutionTest, ResolvesToItsLiberationFont)
{
    const FontRow row = GetParam();
    const QString family = QString::fromLatin1(row.family);
    if (QFontDatabase::families().contains(family))
        GTEST_SKIP() << row.family << " itself is installed";
    QFont font(family);
    font.setPointSize(8);
    const QFontInfo info(font);
    EXPECT_EQ(info.family().toStdString(), row.resolved);
    EXPECT_EQ(info.fixedPitch(), row.fixedPitch);
    const QStringList substitutes = QFont::substitutes(family);
    EXPECT_EQ(std::count_if(substitutes.begin(), substitutes.end(),
                            [&](const QString &s) { return s.compare(QLatin1String(row.resolved), Qt::CaseInsensitive) == 0; }),
              1);
}

INSTANTIATE_TEST_SUITE_P(WindowFonts, FontSubstitutionTest,
                         testing::Values(FontRow{"Arial", "Liberation Sans", false},
                                         FontRow{"MS Sans Serif", "Liberation Sans", false},
                                         FontRow{"Courier New", "Liberation Mono", true}));

} // namespace
