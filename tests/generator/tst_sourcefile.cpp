#include "generator/sourcegenerator.h"

#include "platform/atomicfile.h"
#include "platform/registry.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace quillon;
using namespace quillon::generator;
namespace fs = std::filesystem;

namespace {

const GenerationMoment kMoment{"12/08/26", "19:20:09"};

class SourceFile : public testing::Test
{
protected:
    void SetUp() override
    {
        m_project.DBOk = false;
        m_project.PageTitle = "Shop";
        setenv("QUILLON_STATE_DIR", m_state.path().c_str(), 1);
    }
    void TearDown() override
    {
        platform::faults::failNthWrite(0);
        unsetenv("QUILLON_STATE_DIR");
    }

    std::string path(const std::string &name) const { return (m_dir / name).string(); }

    void write(const std::string &name, std::string_view data)
    {
        platform::writeFileAtomically(path(name), data);
    }

    // Runs the file step (replacing what stands at out) and returns the failure's message and path.
    std::pair<std::string, std::string> failure(const std::string &templ, const std::string &out)
    {
        try {
            generateSourceFile(m_project, templ, out, kMoment, EditedSource::Replace);
        } catch (const GenerationError &e) {
            return {e.what(), e.path()};
        }
        ADD_FAILURE() << "generation succeeded";
        return {};
    }

    // The names in the folder, to show that nothing was left behind.
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(m_dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    quillon::test::TempDir m_scratch{"quillon-gen"};
    quillon::test::TempDir m_state{"quillon-state"}; // the last generated texts
    const fs::path m_dir = m_scratch.path();
    WizardProject m_project;
};

} // namespace

TEST_F(SourceFile, WritesTheExpandedTemplate)
{
    m_project.OutputDLL = path("Shop.dpr");
    write("template.dpr", "library {*$LibName};\nbegin\n  X := {*$PageTitle};\nend.");
    generateSourceFile(m_project, path("template.dpr"), path("Shop.dpr"), kMoment);
    EXPECT_EQ(platform::readFile(path("Shop.dpr")),
              "library Shop;\r\nbegin\r\n  X := PrepareString('Shop');\r\nend.\r\n");
}

TEST_F(SourceFile, TemplateFileEndsAtItsFirstNul)
{
    write("template.dpr", std::string("{*$PageTitle}\n\0junk\xff", 20));
    generateSourceFile(m_project, path("template.dpr"), path("Shop.dpr"), kMoment);
    EXPECT_EQ(platform::readFile(path("Shop.dpr")), "PrepareString('Shop')\r\n");
}

TEST_F(SourceFile, ReplacesAnExistingOutput)
{
    write("template.dpr", "{*$PageTitle}");
    write("Shop.dpr", "old contents that are longer than the new ones");
    // Not written by Quillon: replaced only when asked.
    EXPECT_THROW(generateSourceFile(m_project, path("template.dpr"), path("Shop.dpr"), kMoment), EditedSourceError);
    EXPECT_EQ(platform::readFile(path("Shop.dpr")), "old contents that are longer than the new ones");
    generateSourceFile(m_project, path("template.dpr"), path("Shop.dpr"), kMoment, EditedSource::Replace);
    EXPECT_EQ(platform::readFile(path("Shop.dpr")), "PrepareString('Shop')\r\n");
    // Written by Quillon and untouched since: replaced without being asked.
    m_project.PageTitle = "Store";
    generateSourceFile(m_project, path("template.dpr"), path("Shop.dpr"), kMoment);
    EXPECT_EQ(platform::readFile(path("Shop.dpr")), "PrepareString('Store')\r\n");
}

TEST_F(SourceFile, MissingTemplateFailsBeforeAnyOutput)
{
    EXPECT_EQ(failure(path("template.dpr"), path("Shop.dpr")),
              std::pair(std::string("File not found"), path("template.dpr")));
    EXPECT_TRUE(entries().empty());

    write("Shop.dpr", "keep me");
    EXPECT_EQ(failure(path("nowhere/template.dpr"), path("Shop.dpr")).first, "File not found");
    EXPECT_EQ(platform::readFile(path("Shop.dpr")), "keep me");
}

TEST_F(SourceFile, TemplateThatIsAFolderIsDenied)
{
    fs::create_directory(path("template.dpr"));
    EXPECT_EQ(failure(path("template.dpr"), path("Shop.dpr")),
              std::pair(std::string("File access denied"), path("template.dpr")));
}

TEST_F(SourceFile, OutputFailuresLoseNothing)
{
    write("template.dpr", "{*$PageTitle}");
    write("Shop.dpr", "the previous output");

    // The disk fills up during the write.
    platform::faults::failNthWrite(1);
    EXPECT_EQ(failure(path("template.dpr"), path("Shop.dpr")),
              std::pair(std::string("Disk full"), path("Shop.dpr")));
    EXPECT_EQ(platform::readFile(path("Shop.dpr")), "the previous output");
    EXPECT_EQ(entries(), (std::vector<std::string>{"Shop.dpr", "template.dpr"}));

    // The folder of the output does not exist.
    EXPECT_EQ(failure(path("template.dpr"), path("missing/Shop.dpr")).first, "File not found");

    // The output path names a folder.
    fs::create_directory(path("Folder.dpr"));
    EXPECT_EQ(failure(path("template.dpr"), path("Folder.dpr")),
              std::pair(std::string("File access denied"), path("Folder.dpr")));
    EXPECT_TRUE(fs::is_directory(path("Folder.dpr")));

    // No output path at all, and a file name longer than any the system allows.
    EXPECT_EQ(failure(path("template.dpr"), ""), std::pair(std::string("Invalid filename"), std::string()));
    EXPECT_EQ(failure(path("template.dpr"), path(std::string(300, 'n') + ".dpr")).first,
              "Invalid filename");
    EXPECT_EQ(entries(), (std::vector<std::string>{"Folder.dpr", "Shop.dpr", "template.dpr"}));
    EXPECT_EQ(platform::readFile(path("Shop.dpr")), "the previous output");
}

class TemplateLocation : public SourceFile
{
protected:
    platform::Registry registry() const { return platform::Registry(path("registry")); }

    void setRoot(std::string_view key, std::string_view root)
    {
        registry().createKey(platform::Hive::LocalMachine, key).writeString("RootDir", root);
    }
};

TEST_F(TemplateLocation, IsRootDirFollowedByTemplateName)
{
    setRoot("SOFTWARE\\Borland\\Delphi\\2.0", "/opt/delphi");
    EXPECT_EQ(templatePathFromRegistry(registry()), "/opt/delphi/template.dpr");
}

TEST_F(TemplateLocation, KeyPathMatchesWithoutCase)
{
    setRoot("Software\\borland\\DELPHI\\2.0", "/opt/d2");
    EXPECT_EQ(templatePathFromRegistry(registry()), "/opt/d2/template.dpr");
}

TEST_F(TemplateLocation, MissingKeyOrValueGivesBareName)
{
    EXPECT_EQ(templatePathFromRegistry(registry()), "/template.dpr");
    registry().createKey(platform::Hive::LocalMachine, "SOFTWARE\\Borland\\Delphi\\2.0")
        .writeString("Other", "x");
    EXPECT_EQ(templatePathFromRegistry(registry()), "/template.dpr");
}

TEST_F(TemplateLocation, LongRootIsKeptWhole)
{
    // Well past 255 bytes: cutting it would silently name another file.
    const std::string root = "/srv/" + std::string(400, 'd');
    setRoot("SOFTWARE\\Borland\\Delphi\\2.0", root);
    EXPECT_EQ(templatePathFromRegistry(registry()), root + "/template.dpr");
}

TEST_F(TemplateLocation, FindsTheTemplateForGeneration)
{
    setRoot("SOFTWARE\\Borland\\Delphi\\2.0", m_dir.string());
    write("template.dpr", "T {*$PageTitle}");
    generateSourceFile(m_project, templatePathFromRegistry(registry()), path("Shop.dpr"), kMoment);
    EXPECT_EQ(platform::readFile(path("Shop.dpr")), "T PrepareString('Shop')\r\n");
}

// The template decides the code of every extension: a hive that every user
// may write is not trusted to name it.
TEST_F(TemplateLocation, HiveOthersCanWriteIsRefusedWithTheReason)
{
    setRoot("SOFTWARE\\Borland\\Delphi\\2.0", "/opt/delphi");
    const auto hive = registry().hiveFile(platform::Hive::LocalMachine);
    ::chmod(hive.c_str(), 0666);
    try {
        templatePathFromRegistry(registry());
        ADD_FAILURE() << "a RootDir that anyone may change was used";
    } catch (const GenerationError &e) {
        EXPECT_STREQ(e.what(), "its RootDir is not trusted to choose the template, since every user may write to it");
        EXPECT_EQ(e.path(), hive);
    }
    ::chmod(hive.c_str(), 0644);
    EXPECT_EQ(templatePathFromRegistry(registry()), "/opt/delphi/template.dpr");
}

TEST_F(TemplateLocation, UnreadableHiveNamesItsFile)
{
    const auto hive = registry().hiveFile(platform::Hive::LocalMachine);
    fs::create_directories(hive); // a folder where the hive file should be
    try {
        templatePathFromRegistry(registry());
        ADD_FAILURE() << "an unreadable hive was taken as empty";
    } catch (const GenerationError &e) {
        EXPECT_STREQ(e.what(), "File access denied");
        EXPECT_EQ(e.path(), hive);
    }
}
