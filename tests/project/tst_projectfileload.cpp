#include "project/mapping.h"
#include "platform/atomicfile.h"
#include "project/projectfile.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace quillon;

namespace {

// ---- flags -------------------------------------------------------------

struct FlagCase
{
    const char *value; // the text after "DoGenDate=" in the file
    bool fromFalse;    // result when the current value is false
    bool fromTrue;     // result when the current value is true
};

class ProjectFileFlag : public ::testing::TestWithParam<FlagCase>
{};

// The value goes through the file, so the blanks and quotes around it are
// taken off as for every value before the flag rule sees it.
TEST_P(ProjectFileFlag, Parses)
{
    const auto &c = GetParam();
    for (const bool current : {false, true}) {
        WizardProject p;
        p.DoGenDate = current;
        ProjectFile::loadText(std::string("[OtherData]\r\nDoGenDate=") + c.value + "\r\n", p);
        EXPECT_EQ(p.DoGenDate, current ? c.fromTrue : c.fromFalse) << '"' << c.value << '"';
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProjectFileFlag,
    ::testing::Values(FlagCase{"1", true, true}, FlagCase{"0", false, false},
                      FlagCase{"  \t2", true, true}, FlagCase{"-1", true, true},
                      FlagCase{"+0", false, false}, FlagCase{"-0", false, false},
                      FlagCase{"0x10", true, true}, FlagCase{"0XfF", true, true},
                      FlagCase{"0x0", false, false}, FlagCase{"0x", false, true},
                      FlagCase{"0xg", false, true}, FlagCase{"12abc", false, true},
                      FlagCase{"99999999999999999999999", true, true},
                      FlagCase{"000000000000000000000", false, false},
                      FlagCase{"yes", false, true}, FlagCase{"", false, true},
                      FlagCase{"-", false, true}, FlagCase{" ", false, true},
                      FlagCase{"x1", false, true},
                      // trailing text is no number: the default, as Windows reads it
                      FlagCase{"0 ; off", false, true}, FlagCase{"1 ; on", false, true},
                      FlagCase{"1abc", false, true}, FlagCase{"0x1g", false, true},
                      FlagCase{"1.0", false, true}, FlagCase{"0b1", false, true},
                      FlagCase{"-0x1", false, true}, FlagCase{"+0x1", false, true},
                      FlagCase{"0x-1", false, true}, FlagCase{"1 0", false, true},
                      // blanks and one pair of quotes around are no part of it
                      FlagCase{"\"1\"", true, true}, FlagCase{"'0'", false, false},
                      FlagCase{" \"0x1\" ", true, true}, FlagCase{"\"1", false, true},
                      FlagCase{"\"1'", false, true}, FlagCase{"\" 1 \"", false, true},
                      FlagCase{"\v\f1\t", true, true}, FlagCase{"\"\"1\"\"", false, true}));

// ---- radio groups ----------------------------------------------------------

struct GroupCase
{
    const char *stored; // the DBCheck lines of the file
    bool wasBrowse, wasInsert;
    bool doBrowse, doInsert;
};

class ProjectFileRadioGroup : public ::testing::TestWithParam<GroupCase>
{};

TEST_P(ProjectFileRadioGroup, SettingAChoiceClearsItsPartner)
{
    const auto &c = GetParam();
    WizardProject p;
    p.DoBrowse = c.wasBrowse;
    p.DoInsert = c.wasInsert;
    // The browse group is read in the same order: TbBrowse first, then QrBrowse.
    p.TbBrowse = c.wasInsert;
    p.QrBrowse = c.wasBrowse;
    std::string table = c.stored;
    for (auto [from, to] : {std::pair{"DoInsert", "TbBrowse"}, std::pair{"DoBrowse", "QrBrowse"}}) {
        for (auto at = table.find(from); at != std::string::npos; at = table.find(from))
            table.replace(at, std::string(from).size(), to);
    }
    ProjectFile::loadText(std::string("[DBCheck]\r\n") + c.stored + "[DatabaseBR]\r\n" + table, p);
    EXPECT_EQ(p.DoBrowse, c.doBrowse);
    EXPECT_EQ(p.DoInsert, c.doInsert);
    EXPECT_EQ(p.TbBrowse, c.doInsert) << "TbBrowse/QrBrowse follow the same rule";
    EXPECT_EQ(p.QrBrowse, c.doBrowse);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProjectFileRadioGroup,
    ::testing::Values(GroupCase{"DoInsert=1\r\nDoBrowse=0\r\n", true, false, false, true},
                      GroupCase{"DoInsert=0\r\nDoBrowse=1\r\n", false, true, true, false},
                      GroupCase{"DoInsert=1\r\nDoBrowse=1\r\n", false, true, true, false},
                      GroupCase{"DoInsert=0\r\nDoBrowse=0\r\n", true, false, false, false},
                      GroupCase{"DoInsert=1\r\n", true, false, false, true},
                      GroupCase{"DoBrowse=0\r\n", true, false, false, false},
                      GroupCase{"DoInsert=0\r\n", true, false, true, false},
                      GroupCase{"DoInsert=yes\r\nDoBrowse=1\r\n", false, true, true, false},
                      GroupCase{"", false, true, false, true}));

// ---- keys that are missing, combo values, lists ----------------------------

TEST(ProjectFileLoad, MissingKeysKeepValuesAndListsAreCleared)
{
    WizardProject p;
    p.PageTitle = "kept";
    p.HasHeaderFile = true;
    p.DBName = "ALIAS";
    p.TbInsData = "INS";
    p.TbToBrowse = "BR";
    p.QrToBrowse = "SQL";
    p.Input = {"a"};
    p.RetChosenFields = {"F"};
    ProjectFile::loadText("[OtherData]\r\nExtName=E\r\n", p);
    EXPECT_EQ(p.PageTitle, "kept");
    EXPECT_TRUE(p.HasHeaderFile);
    EXPECT_EQ(p.QrToBrowse, "SQL");
    EXPECT_EQ(p.ExtName, "E");
    EXPECT_TRUE(p.Input.empty());
    EXPECT_TRUE(p.RetChosenFields.empty());
    EXPECT_EQ(p.DBName, "") << "with DBOk set the alias is read with an empty default";
    EXPECT_EQ(p.TbInsData, "");
    EXPECT_EQ(p.TbToBrowse, "");
}

TEST(ProjectFileLoad, AliasIsReadOnlyWithDatabaseSupport)
{
    WizardProject p;
    p.DBName = "KEPT";
    ProjectFile::loadText("[DBCheck]\r\nDBOk=0\r\nDBName=OTHER\r\n", p);
    EXPECT_FALSE(p.DBOk);
    EXPECT_EQ(p.DBName, "KEPT");
    ProjectFile::loadText("[dbcheck]\r\ndbok=1\r\nDBNAME=OTHER\r\n", p);
    EXPECT_TRUE(p.DBOk);
    EXPECT_EQ(p.DBName, "OTHER") << "section and key names match in any case";
}

TEST(ProjectFileLoad, ListsTakeKeysInFileOrderSortedListsSort)
{
    WizardProject p;
    ProjectFile::loadText("[Input]\r\nInput5=b\r\nInput0=a\r\nX=\r\nanything=c\r\n"
                          "[DatabaseUP3]\r\nUpdFields0=b=1\r\nUpdFields1=CITY=Town\r\n"
                          "UpdFields2=a=2\r\nUpdFields3=B=1\r\n"
                          "[FieldSelect1]\r\nRetAvailFields0=Z\r\nRetAvailFields1=_x\r\n"
                          "RetAvailFields2=a\r\n",
                          p);
    EXPECT_EQ(p.Input, (StringList{"b", "a", "c"})) << "numbers ignored, empty values skipped";
    EXPECT_EQ(p.UpdFields, (StringList{"a=2", "b=1", "B=1", "CITY=Town"}));
    EXPECT_EQ(p.RetAvailFields, (StringList{"_x", "a", "Z"}));
}

TEST(ProjectFileLoad, MissingFileKeepsScalarsAndEmptiesLists)
{
    const quillon::test::TempDir dir;
    WizardProject p;
    p.PageTitle = "kept";
    p.DBName = "ALIAS";
    p.Input = {"a"};
    ProjectFile::load(dir.file("none.qnp"), p);
    EXPECT_EQ(p.PageTitle, "kept");
    EXPECT_EQ(p.DBName, "");
    EXPECT_TRUE(p.Input.empty());
}

TEST(ProjectFileLoad, UnreadableFileFailsAndChangesNothing)
{
    const quillon::test::TempDir dir;
    const WizardProject before = [] {
        WizardProject p;
        p.Input = {"a"};
        return p;
    }();
    WizardProject p = before;
    std::filesystem::create_directory(dir.file("folder.qnp"));
    try {
        ProjectFile::load(dir.file("folder.qnp"), p);
        FAIL() << "a folder cannot be loaded";
    } catch (const ProjectFileError &e) {
        EXPECT_NE(std::string(e.what()).find("Unable to read " + dir.file("folder.qnp")),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(p, before);
}

// ---- the observer seam -------------------------------------------------------

class Recorder : public ProjectLoadObserver
{
public:
    explicit Recorder(const WizardProject &p) : project(p) {}
    void loadStarted() override { calls.push_back("started"); }
    void aliasLoaded(const std::string &a) override { calls.push_back("alias " + a); }
    void insertTableLoaded(const std::string &t) override
    {
        // The alias and both modes are set when the insert table arrives.
        calls.push_back("insert " + t + (project.DoInsert ? " (insert mode)" : ""));
    }
    void browseTableLoaded(const std::string &t) override
    {
        calls.push_back("browse " + t + (project.TbBrowse ? " (table)" : ""));
    }
    void fieldListsLoaded() override
    {
        calls.push_back("fields " + std::to_string(project.RetChosenFields.size()) +
                        (project.PageTitle.empty() ? "" : " late"));
    }
    void loadFinished() override { calls.push_back("finished " + project.OutputDLL); }
    const WizardProject &project;
    std::vector<std::string> calls;
};

TEST(ProjectFileLoad, ObserverHooksFireInStepOrder)
{
    WizardProject p;
    Recorder r(p);
    ProjectFile::loadText("[DBCheck]\r\nDBName=A\r\nDoInsert=1\r\n[DatabaseUP]\r\nTbInsData=T\r\n"
                          "[DatabaseBR]\r\nTbToBrowse=B\r\n[FieldSelect2]\r\nRetChosenFields0=F\r\n"
                          "[OtherData]\r\nPageTitle=P\r\n[DLLOutput]\r\nOutputDLL=o.dpr\r\n",
                          p, &r);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"started", "alias A", "insert T (insert mode)",
                                                  "browse B (table)", "fields 1",
                                                  "finished o.dpr"}));

    WizardProject q;
    Recorder s(q);
    ProjectFile::loadText("[DBCheck]\r\nDBOk=0\r\n", q, &s);
    EXPECT_EQ(s.calls, (std::vector<std::string>{"started", "insert ", "browse  (table)",
                                                  "fields 0", "finished "}))
        << "no alias step without database support";
}

} // namespace

namespace {

// Loading a sorted list gives the order that inserting its entries one by
// one gives, for lists in any order, with equal and case-different entries.
TEST(ProjectFileLoad, SortedListsMatchOneByOneInsertion)
{
    std::mt19937 rng(7);
    const char *words[] = {"a", "A", "b", "B=1", "b=1", "_", "a_", "\xe9", "Z", "z=Z"};
    for (int round = 0; round < 50; ++round) {
        std::string text = "[FieldSelect1]\r\n";
        StringList expected;
        for (int i = 0; i < 40; ++i) {
            const std::string w = words[rng() % std::size(words)];
            text += "RetAvailFields" + std::to_string(i) + "=" + w + "\r\n";
            sortedInsert(expected, w);
        }
        WizardProject p;
        ProjectFile::loadText(text, p);
        ASSERT_EQ(p.RetAvailFields, expected) << text;
    }
}

} // namespace

namespace {

class Stopper : public ProjectLoadObserver
{
public:
    void aliasLoaded(const std::string &) override { throw std::runtime_error("no such alias"); }
    void loadFinished() override { finished = true; }
    bool finished = false;
};

TEST(ProjectFileLoad, AHookThatThrowsStopsTheLoadAndStillFinishes)
{
    WizardProject p;
    Stopper s;
    EXPECT_THROW(ProjectFile::loadText("[HeaderFooter]\r\nHeaderFile=h\r\n[DBCheck]\r\nDBName=X\r\n"
                                       "[Login]\r\nUserName=u\r\n",
                                       p, &s),
                 std::runtime_error);
    EXPECT_TRUE(s.finished);
    EXPECT_EQ(p.HeaderFile, "h");
    EXPECT_EQ(p.UserName, "") << "steps after the failing hook are not run";
}

} // namespace

namespace {

// ---- hand-edited files ---------------------------------------------------------

struct HandEditCase
{
    const char *name;
    const char *text;
    const char *qrToBrowse, *otherInfo, *outputDll;
    bool tbBrowse, qrBrowse;
};

class ProjectFileHandEdited : public ::testing::TestWithParam<HandEditCase>
{};

TEST_P(ProjectFileHandEdited, MultiLineValuesStopWhereTheFileGoesOn)
{
    const HandEditCase &c = GetParam();
    WizardProject p;
    p.TbBrowse = p.QrBrowse = false;
    ProjectFile::loadText(c.text, p);
    EXPECT_EQ(p.QrToBrowse, c.qrToBrowse);
    EXPECT_EQ(p.OtherInfo, c.otherInfo);
    EXPECT_EQ(p.OutputDLL, c.outputDll);
    EXPECT_EQ(p.TbBrowse, c.tbBrowse);
    EXPECT_EQ(p.QrBrowse, c.qrBrowse);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProjectFileHandEdited,
    ::testing::Values(
        HandEditCase{"LowerCaseHeader", "[OtherData]\r\nOtherInfo=a\r\nb\r\n[dlloutput]\r\nOutputDLL=x.dpr\r\n", "",
                     "a\r\nb", "x.dpr", false, false},
        HandEditCase{"BlanksAroundHeader", "[OtherData]\r\nOtherInfo=a\r\n\t[ DLLOutput ] \r\nOutputDLL=x.dpr\r\n", "",
                     "a", "x.dpr", false, false},
        HandEditCase{"QueryMovedToTheTop",
                     "[DatabaseBR]\r\nQrToBrowse=select *\r\nfrom t\r\nTbBrowse=0\r\ntbtobrowse=\r\n QrBrowse =1\r\n", "select *\r\nfrom t", "", "",
                     false, true},
        HandEditCase{"KeysAlreadyReadStayInTheText",
                     "[DatabaseBR]\r\nTbBrowse=0\r\nQrBrowse=1\r\nQrToBrowse=a\r\nTbBrowse=1\r\n[OtherData]\r\nOtherInfo=[Unknown]\r\nPageTitle=t\r\n",
                     "a\r\nTbBrowse=1", "[Unknown]", "", false, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ProjectFileLoad, FilesWithoutAnyProjectSectionAreRefusedAndChangeNothing)
{
    const quillon::test::TempDir dir;
    WizardProject before;
    before.Input = {"a"};
    before.PageTitle = "kept";
    for (const std::string &text : {std::string(), std::string("just some text\n"),
                                   std::string("[Unrelated]\r\nInput0=x\r\n"), std::string("\0\x01[", 3)}) {
        platform::writeFileAtomically(dir.file("other.txt"), text);
        WizardProject p = before;
        try {
            ProjectFile::load(dir.file("other.txt"), p);
            ADD_FAILURE() << "loaded: " << text;
        } catch (const ProjectFileError &e) {
            EXPECT_EQ(std::string(e.what()), dir.file("other.txt") + " is not a project file");
        }
        EXPECT_EQ(p, before);
    }
    // One known section in any letter case is a project file.
    platform::writeFileAtomically(dir.file("min.qnp"), "[input]\r\ninput0=x\r\n");
    WizardProject p = before;
    ProjectFile::load(dir.file("min.qnp"), p);
    EXPECT_EQ(p.Input, StringList{"x"});
}

} // namespace
