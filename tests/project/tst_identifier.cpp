#include "project/identifier.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NameRow
{
    std::string text;
    bool identifier; // the syntax alone
    bool usable;     // what "+" and the generator accept
};

class IdentifierRule : public testing::TestWithParam<NameRow>
{};

TEST_P(IdentifierRule, SyntaxAndClashes)
{
    const NameRow &row = GetParam();
    EXPECT_EQ(quillon::isIdentifier(row.text), row.identifier) << row.text;
    EXPECT_EQ(quillon::isUsableName(row.text), row.usable) << row.text;
}

INSTANTIATE_TEST_SUITE_P(
    Names, IdentifierRule,
    testing::Values(NameRow{"Town", true, true}, NameRow{"_x1", true, true}, NameRow{"_", true, true},
                    NameRow{"", false, false}, NameRow{"2nd", false, false}, NameRow{"my value", false, false},
                    NameRow{" Town", false, false}, NameRow{"Town ", false, false},
                    NameRow{"a=b", false, false}, NameRow{"x: Integer; begin Halt(7) end; var y", false, false},
                    NameRow{"caf\xc3\xa9", false, false}, NameRow{"\xe9t\xe9", false, false},
                    // reserved words, in any letter case
                    NameRow{"begin", true, false}, NameRow{"BEGIN", true, false}, NameRow{"Xor", true, false},
                    NameRow{"string", true, false}, NameRow{"while", true, false},
                    // names the generated source declares or calls
                    NameRow{"F", true, false}, NameRow{"ecb", true, false}, NameRow{"Key", true, false},
                    NameRow{"VAL", true, false}, NameRow{"PostData", true, false}, NameRow{"GetVars", true, false},
                    NameRow{"SS", true, false}, NameRow{"DB", true, false}, NameRow{"TB", true, false},
                    NameRow{"QR", true, false}, NameRow{"B", true, false}, NameRow{"S", true, false},
                    NameRow{"sz", true, false}, NameRow{"Res", true, false}, NameRow{"Result", true, false},
                    NameRow{"Writeln", true, false}, NameRow{"SysUtils", true, false},
                    // the compiler takes at most 127 characters
                    NameRow{std::string(127, 'n'), true, true}, NameRow{std::string(128, 'n'), false, false},
                    NameRow{"_" + std::string(126, '9'), true, true}, NameRow{std::string(300, 'x'), false, false},
                    // near misses stay usable
                    NameRow{"Fx", true, true}, NameRow{"Keys", true, true}, NameRow{"DBName2", true, true}));

TEST(IdentifierRule, ReasonNamesTheLengthLimit)
{
    EXPECT_EQ(quillon::unusableNameReason(std::string(127, 'n')), "");
    EXPECT_NE(quillon::unusableNameReason(std::string(128, 'n')).find("127"), std::string_view::npos);
}

} // namespace
