#include "project/textlines.h"
#include "project/wizardproject.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace {

struct LinesCase
{
    const char *text;
    StringList lines;
};

class TextLines : public ::testing::TestWithParam<LinesCase>
{};

TEST_P(TextLines, SplitsAtTypedBreaksOnly)
{
    const auto lines = splitTypedLines(GetParam().text);
    EXPECT_EQ(StringList(lines.begin(), lines.end()), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextLines,
    ::testing::Values(LinesCase{"", {}}, LinesCase{"a", {"a"}}, LinesCase{"a\r\n", {"a"}},
                      LinesCase{"\r\n", {""}}, LinesCase{"a\r\n\r\n", {"a", ""}},
                      LinesCase{"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
                      LinesCase{"a\n\rb", {"a", "", "b"}},
                      LinesCase{"WHERE NAME = 'Smith and Jones'   ", {"WHERE NAME = 'Smith and Jones'   "}}));

TEST(TextLines, LongLinesAreNotWrapped)
{
    const std::string line(10000, 'x');
    const std::string text = line + "\r\n" + line;
    const auto lines = splitTypedLines(text);
    EXPECT_EQ(StringList(lines.begin(), lines.end()), (StringList{line, line}));
}

} // namespace
