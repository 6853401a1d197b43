#include "generator/projectsource.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SourceRow
{
    const char *name;
    std::string text;
    bool projectSource;
};

class ProjectSource : public ::testing::TestWithParam<SourceRow>
{};

TEST_P(ProjectSource, FirstWordAfterCommentsAndBlanks)
{
    EXPECT_EQ(quillon::generator::isPascalProjectSource(GetParam().text), GetParam().projectSource);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProjectSource,
    ::testing::Values(
        SourceRow{"Library", "library Ext;\r\n", true}, SourceRow{"Program", "program P;", true},
        SourceRow{"AnyCase", "LiBrArY x;", true}, SourceRow{"WordAtTheEnd", "program", true},
        SourceRow{"SemicolonRightAfter", "library;", true},
        SourceRow{"AllCommentKinds", "{ a }\t(* b\r\n*) // c\r\n\r\n  library x;", true},
        SourceRow{"Directive", "{$MODE DELPHI}program x;", true},
        SourceRow{"CommentRunsToItsOwnEnd", "{ (* }library x;", true},
        SourceRow{"Utf8Bom", "\xEF\xBB\xBFlibrary x;", true},
        SourceRow{"ControlBlanks", "\x01\x1f library x;", true},
        SourceRow{"Unit", "unit Report;", false}, SourceRow{"Empty", "", false},
        SourceRow{"OnlyComments", "{ library }", false}, SourceRow{"LongerWord", "libraryX;", false},
        SourceRow{"Underscore", "program_;", false}, SourceRow{"DigitFirst", "1library", false},
        SourceRow{"UnclosedBrace", "{ library", false}, SourceRow{"UnclosedParenStar", "(*) library x;", false},
        SourceRow{"LineCommentToTheEnd", "// library x;", false},
        SourceRow{"Notes", "my notes: library closed", false},
        SourceRow{"NulBefore", std::string("\0library", 8), true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
