#include "platform/atomicfile.h"
#include "project/projectfile.h"
#include "tests/project/sampleproject.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillon;
using quillon::test::TempDir;

namespace {

TEST(ProjectFileText, IsByteExactForAKnownProject)
{
    WizardProject p;
    p.Input = {"Town", "Name"};
    p.DBName = "DEMO";
    p.UpdFields = {"CITY=Town"};
    p.QrToBrowse = "SELECT A\r\nFROM T";
    p.RetChosenFields = {"A"};
    p.PageTitle = "Title";
    p.OtherInfo = "x\r\n";
    p.OutputDLL = "/o/E.dpr";
    const std::string expected = "[HeaderFooter]\r\n"
                                 "HasHeaderFile=0\r\n"
                                 "HeaderFile=\r\n"
                                 "HasFooterFile=0\r\n"
                                 "FooterFile=\r\n"
                                 "[Input]\r\n"
                                 "Input0=Town\r\n"
                                 "Input1=Name\r\n"
                                 "[DBCheck]\r\n"
                                 "DBOk=1\r\n"
                                 "DBName=DEMO\r\n"
                                 "DoInsert=0\r\n"
                                 "DoBrowse=1\r\n"
                                 "[Login]\r\n"
                                 "DoLogin=1\r\n"
                                 "UserName=\r\n"
                                 "Password=\r\n"
                                 "[DatabaseUP]\r\n"
                                 "TbInsData=\r\n"
                                 "[DatabaseUP3]\r\n"
                                 "UpdFields0=CITY=Town\r\n"
                                 "[DatabaseBR]\r\n"
                                 "TbBrowse=1\r\n"
                                 "TbToBrowse=\r\n"
                                 "QrBrowse=0\r\n"
                                 "QrToBrowse=SELECT A\r\nFROM T\r\n"
                                 "[FieldSelect2]\r\n"
                                 "RetChosenFields0=A\r\n"
                                 "[OtherData]\r\n"
                                 "PageTitle=Title\r\n"
                                 "ExtName=\r\n"
                                 "Copyright=\r\n"
                                 "Version=\r\n"
                                 "Author=\r\n"
                                 "Email=\r\n"
                                 "Company=\r\n"
                                 "DoGenDate=0\r\n"
                                 "DoGenTime=0\r\n"
                                 "OtherInfo=x\r\n\r\n"
                                 "[DLLOutput]\r\n"
                                 "OutputDLL=/o/E.dpr\r\n";
    EXPECT_EQ(ProjectFile::toText(p), expected);
}

TEST(ProjectFileText, ListKeysAreNumberedFromZero)
{
    WizardProject p;
    for (int i = 0; i < 11; ++i)
        p.Input.push_back("v" + std::to_string(i));
    const std::string text = ProjectFile::toText(p);
    EXPECT_NE(text.find("Input0=v0\r\n"), std::string::npos);
    EXPECT_NE(text.find("Input10=v10\r\n[DBCheck]"), std::string::npos);
    WizardProject back;
    ProjectFile::loadText(text, back);
    EXPECT_EQ(back.Input, p.Input);
}

// Round trips onto a fresh record and onto a record holding other values,
// so that no field passes by keeping its default.
TEST(ProjectFileRoundTrip, EveryFieldExactly)
{
    const WizardProject p = quillon::test::awkwardProject();
    WizardProject fresh;
    ProjectFile::loadText(ProjectFile::toText(p), fresh);
    EXPECT_EQ(fresh, p);

    WizardProject other = p;
    other.PageTitle = "something else";
    other.Input = {"old"};
    other.QrToBrowse = "old";
    ProjectFile::loadText(ProjectFile::toText(p), other);
    EXPECT_EQ(other, p);

    // A fresh record is also written and read back unchanged.
    WizardProject defaults, back;
    back.DBOk = false;
    ProjectFile::loadText(ProjectFile::toText(defaults), back);
    EXPECT_EQ(back, defaults);
}

TEST(ProjectFileRoundTrip, MultiLineTexts)
{
    for (const std::string text :
         {"", "\r\n", "\r\n\r\n", "one", "one\r\n", "a\r\n\r\nb\r\n\r\n\r\n", " lead\r\n=eq\r\n",
          "[Input]x\r\n[Inputs]\r\n[ ]", "Author=me\r\nQrBrowse=1", "\t\r\n", " x ",
          "\"q\"", "'a\r\nb'", "\"", "\"\r\n\"", ";not a comment\r\n;x", "\r\n;c\r\n"}) {
        WizardProject p;
        p.QrToBrowse = text;
        p.OtherInfo = text;
        p.Input = {"after"};
        WizardProject back;
        ProjectFile::loadText(ProjectFile::toText(p), back);
        EXPECT_EQ(back.QrToBrowse, text);
        EXPECT_EQ(back.OtherInfo, text);
        EXPECT_EQ(back.Input, p.Input);
    }
}

TEST(ProjectFileRoundTrip, LongTextsAndManyEntriesAreNotCut)
{
    WizardProject p;
    p.PageTitle = std::string(5000, 't');
    for (int i = 0; i < 3000; ++i)
        p.RetChosenFields.push_back("FIELD_WITH_A_LONG_NAME_" + std::to_string(i));
    WizardProject back;
    ProjectFile::loadText(ProjectFile::toText(p), back);
    EXPECT_EQ(back.PageTitle, p.PageTitle);
    EXPECT_EQ(back.RetChosenFields, p.RetChosenFields);
}

class ProjectFileSave : public ::testing::Test
{
protected:
    void TearDown() override { platform::faults::failNthWrite(0); }
    int fileCount() const
    {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir.path()),
                                              std::filesystem::directory_iterator()));
    }
    TempDir dir;
};

TEST_F(ProjectFileSave, WritesFileAndReplacesOldOneWhole)
{
    const std::string path = dir.file("p.qnp");
    platform::writeFileAtomically(path, "[Old]\r\nStale=1\r\n" + std::string(100000, 'x'));
    const WizardProject p = quillon::test::awkwardProject();
    ProjectFile::save(p, path);
    EXPECT_EQ(platform::readFile(path), ProjectFile::toText(p));
    WizardProject back;
    ProjectFile::load(path, back);
    EXPECT_EQ(back, p);
}

TEST_F(ProjectFileSave, FailureKeepsOldFileAndNamesThePath)
{
    const std::string path = dir.file("p.qnp");
    const std::string old = ProjectFile::toText(WizardProject());
    platform::writeFileAtomically(path, old);
    platform::faults::failNthWrite(1);
    try {
        ProjectFile::save(quillon::test::awkwardProject(), path);
        FAIL() << "save should fail";
    } catch (const ProjectFileError &e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path + ": No space left on device");
    }
    EXPECT_EQ(platform::readFile(path), old);
    EXPECT_EQ(fileCount(), 1) << "the temporary file is removed";
}

TEST_F(ProjectFileSave, MissingFolderFails)
{
    const std::string path = dir.file("no/such/folder/p.qnp");
    EXPECT_THROW(ProjectFile::save(WizardProject(), path), ProjectFileError);
}

} // namespace
