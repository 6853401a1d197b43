#include "platform/installlayout.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace quillon::platform;
namespace fs = std::filesystem;

namespace {

// A program belongs to an installation only from the installation's bin/ or
// private library folder, and only where the template is installed.
TEST(InstallLayout, FoundFromTheProgramsOwnFolderOnlyWhereTheTemplateIs)
{
    const quillon::test::TempDir dir;
    const std::string prefix = fs::canonical(dir.path()).string() + "/usr";
    const auto touch = [](const std::string &path) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << "x";
    };
    touch(prefix + "/share/quillon/pascal/template.dpr");
    touch(prefix + "/bin/quillon");
    touch(prefix + "/lib/quillon/helper");
    touch(prefix + "/libexec/quillon/helper");
    touch(dir.path() + "/build/bin/quillon");        // a build folder: no share/ beside it
    touch(dir.path() + "/other/bin/quillon");
    touch(dir.path() + "/other/share/quillon/QUILLON.HLP"); // installed data, but no template
    fs::create_directories(dir.path() + "/links");
    fs::create_symlink(prefix + "/bin/quillon", dir.path() + "/links/quillon");

    struct Row
    {
        std::string program;
        bool installed;
    };
    const Row rows[] = {
        {prefix + "/bin/quillon", true},
        {prefix + "/lib/quillon/helper", true},
        {dir.path() + "/links/quillon", true}, // a link is followed to the program
        {prefix + "/libexec/quillon/helper", false},
        {dir.path() + "/build/bin/quillon", false},
        {dir.path() + "/other/bin/quillon", false},
        {"", false},
    };
    for (const Row &row : rows) {
        const auto layout = layoutOfProgram(row.program);
        ASSERT_EQ(layout.has_value(), row.installed) << row.program;
        if (!layout)
            continue;
        EXPECT_EQ(layout->prefix, prefix) << row.program;
        EXPECT_EQ(layout->rootDir(), prefix + "/share/quillon/pascal");
        EXPECT_EQ(layout->dataDir(), prefix + "/share/quillon");
        EXPECT_EQ(layout->expertLibrary(), prefix + "/lib/quillon/libKestrel.so");
    }
}

// The test program itself runs from a build folder, which is no installation.
TEST(InstallLayout, BuildFolderProgramsHaveNone)
{
    EXPECT_FALSE(installedLayout().has_value());
}

} // namespace
