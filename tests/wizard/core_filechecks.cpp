#include "wizard/filechecks.h"

#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace quillon::wizard;

namespace {

struct HtmlRow
{
    const char *name;
    const char *file;     // the name given, under the folder ("" for none)
    std::string problem;  // after "The header file PATH", empty: accepted
};

class HtmlFiles : public testing::TestWithParam<HtmlRow>
{
protected:
    void SetUp() override
    {
        std::ofstream(dir.file("page.htm")) << "<p>caf\xe9</p>\r\n";
        std::ofstream(dir.file("empty.htm"));
        std::ofstream(dir.file("logo.png"), std::ios::binary) << std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        // A NUL only past the part looked at: text as far as anyone can tell.
        std::ofstream(dir.file("long.htm"), std::ios::binary) << std::string(64 * 1024, 'x') << '\0';
        std::filesystem::create_directory(dir.file("folder.htm"));
    }
    quillon::test::TempDir dir;
};

TEST_P(HtmlFiles, RefusedUnlessAnExistingTextFile)
{
    const HtmlRow &row = GetParam();
    const std::string path = *row.file ? dir.file(row.file) : std::string(" ");
    const std::string expected = row.problem.empty() ? std::string()
                                 : !*row.file      ? row.problem
                                                   : "The header file " + path + row.problem;
    EXPECT_EQ(htmlFileProblem("header", path), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HtmlFiles,
    testing::Values(HtmlRow{"Text", "page.htm", ""}, HtmlRow{"EmptyIsText", "empty.htm", ""},
                    HtmlRow{"NulPastTheProbe", "long.htm", ""},
                    HtmlRow{"Missing", "nope.htm", " does not exist."},
                    HtmlRow{"Binary", "logo.png", " is not a text file."},
                    HtmlRow{"Folder", "folder.htm", " is not a file."},
                    HtmlRow{"ThroughAFile", "page.htm/x.htm", " does not exist."},
                    HtmlRow{"NoName", "", "Please enter the name of the header file."}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(OutputPath, AFolderIsRefusedAsTyped)
{
    quillon::test::TempDir dir;
    std::filesystem::create_directory(dir.file("web"));
    EXPECT_EQ(outputPathProblem("web", dir.path()), "web is a folder: enter the name of the project source file to write.");
    EXPECT_EQ(outputPathProblem(dir.file("web") + "/", "/"),
              dir.file("web") + "/ is a folder: enter the name of the project source file to write.");
    EXPECT_EQ(outputPathProblem("web/Ext", dir.path()), "");
    EXPECT_EQ(outputPathProblem("Ext", dir.path()), "");
    EXPECT_EQ(outputPathProblem("", dir.path()), "");
}

} // namespace
