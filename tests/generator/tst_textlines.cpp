#include "generator/textlines.h"

#include <gtest/gtest.h>

#include <random>

using namespace quillon::generator;
using Lines = std::vector<std::string_view>;

TEST(TextLines, SplitsAtEveryKindOfBreak)
{
    EXPECT_EQ(splitLines(""), Lines{});
    EXPECT_EQ(splitLines("a"), Lines{"a"});
    EXPECT_EQ(splitLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\r\n"), Lines{"a"}) << "no empty last line after a final break";
    EXPECT_EQ(splitLines("a\n\n"), (Lines{"a", ""}));
    EXPECT_EQ(splitLines("\r\n"), Lines{""});
    EXPECT_EQ(splitLines("a\n\rb"), (Lines{"a", "", "b"})) << "LF CR is two breaks";
    EXPECT_EQ(splitLines("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(splitLines("\r"), Lines{""});
}

TEST(TextLines, KeepsLongLinesWhole)
{
    // A typed line is one line however long it is and whatever spaces it holds.
    std::string sql = "SELECT * FROM T WHERE ";
    while (sql.size() < 10000)
        sql += "NAME = 'x y' OR ";
    const std::string text = sql + "\r\nORDER BY NAME";
    const auto lines = splitLines(text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], sql);
}

TEST(TextLines, BlankMeansOnlyBytesUpTo32)
{
    EXPECT_TRUE(isBlankLine(""));
    EXPECT_TRUE(isBlankLine(" \t\x01\x1f "));
    EXPECT_FALSE(isBlankLine(" x "));
    EXPECT_FALSE(isBlankLine("\xa0")) << "a byte above 127 is text, not a control character";
    EXPECT_FALSE(isBlankLine("\x7f"));
}

struct TidyRow
{
    const char *name;
    std::string in;
    std::string out;
};

class TidyLines : public testing::TestWithParam<TidyRow>
{};

TEST_P(TidyLines, Tidies)
{
    EXPECT_EQ(tidyLines(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TidyLines,
    testing::Values(
        TidyRow{"Empty", "", ""},
        TidyRow{"AddsFinalBreak", "end.", "end.\r\n"},
        TidyRow{"LoneLineFeeds", "a\nb\n", "a\r\nb\r\n"},
        TidyRow{"LoneCarriageReturns", "a\rb\r", "a\r\nb\r\n"},
        TidyRow{"MixedBreaks", "a\r\nb\rc\nd", "a\r\nb\r\nc\r\nd\r\n"},
        TidyRow{"SingleBlankLineStays", "a\n\nb", "a\r\n\r\nb\r\n"},
        TidyRow{"ThreeBlanksBecomeOne", "a\n\n  \n\nb", "a\r\n\r\nb\r\n"},
        TidyRow{"LastBlankKeepsItsSpaces", "a\n\n \n\t  \nb", "a\r\n\t  \r\nb\r\n"},
        TidyRow{"LeadingBlankRun", "\n\n\na", "\r\na\r\n"},
        TidyRow{"TrailingBlankRun", "a\n \n \n", "a\r\n \r\n"},
        TidyRow{"OnlyBlanks", "\n\n\n", "\r\n"},
        TidyRow{"HighBytesAreNotBlank", "a\n\xa0\n\xa0\nb", "a\r\n\xa0\r\n\xa0\r\nb\r\n"},
        TidyRow{"ControlCharactersAreBlank", "a\n\x01\n\x02\nb", "a\r\n\x02\r\nb\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TextLines, TidyMatchesBackwardDeletionOnRandomText)
{
    // The rule as stated: from the second-to-last line back to the first,
    // delete a line when it and the line after it are both blank.
    auto reference = [](std::string_view text) {
        std::vector<std::string> lines;
        for (const auto line : splitLines(text))
            lines.emplace_back(line);
        for (std::size_t i = lines.size() < 2 ? 0 : lines.size() - 1; i-- > 0;)
            if (isBlankLine(lines[i]) && isBlankLine(lines[i + 1]))
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
        std::string out;
        for (const auto &line : lines)
            out += line + "\r\n";
        return out;
    };
    const char atoms[] = {' ', '\t', '\r', '\n', 'x', '\xa0', '\x01'};
    std::mt19937 rng(42);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int n = std::uniform_int_distribution<int>(0, 20)(rng); n > 0; --n)
            text += atoms[std::uniform_int_distribution<std::size_t>(0, sizeof atoms - 1)(rng)];
        ASSERT_EQ(tidyLines(text), reference(text)) << "round " << round;
    }
}
