#include "platform/atomicfile.h"
#include "project/projectfile.h"
#include "project/summary.h"
#include "tests/project/sampleproject.h"
#include "tests/support/shellquote.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace quillon;

namespace {

struct Result
{
    int status = -1;
    std::string out;
    std::string err;
};

using test::shellQuote;

// Each test runs the program with its own registry folder and a fixed
// generation moment.
class Cli : public ::testing::Test
{
protected:
    Result run(const std::vector<std::string> &args, const char *program = QUILLON_BIN) const
    {
        std::string cmd = "QUILLON_REGISTRY_DIR=" + shellQuote(dir.file("registry")) +
                          " QUILLON_ENGINE_CONFIG=" + shellQuote(dir.file("engine.cfg")) +
                          " QUILLON_STATE_DIR=" + shellQuote(dir.file("state")) +
                          " SOURCE_DATE_EPOCH=86400 " + shellQuote(program);
        for (const auto &a : args)
            cmd += " " + shellQuote(a);
        cmd += " >" + shellQuote(dir.file("out.txt")) + " 2>" + shellQuote(dir.file("err.txt"));
        Result r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = platform::readFile(dir.file("out.txt"));
        r.err = platform::readFile(dir.file("err.txt"));
        return r;
    }
    std::string saveProject(const WizardProject &p, const std::string &name) const
    {
        ProjectFile::save(p, dir.file(name));
        return dir.file(name);
    }
    void writeTemplate(const std::string &path) const
    {
        // The page title has its place, or its fragment would go before "library".
        platform::writeFileAtomically(path, "library {*$LibName};\r\n{$DESCRIPTION '{*$LibTitle}'}\r\n"
                                            "{*$Author}\r\nbegin\r\n  {*$PageTitle};\r\nend.\r\n");
    }
    quillon::test::TempDir dir;
};

TEST_F(Cli, HelpListsEveryCommand)
{
    const Result r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char *word : {"generate PROJECT.qnp", "resave IN.qnp OUT.qnp", "summary PROJECT.qnp",
                             "install [--root-dir DIR] [--install-path DIR]"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    EXPECT_EQ(r.err, "");

    const Result one = run({"resave", "--help"});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out.rfind("Usage: quillon resave IN.qnp OUT.qnp\n", 0), 0u) << one.out;
}

struct UsageCase
{
    std::vector<std::string> args;
    const char *message;
};

class CliUsage : public Cli, public ::testing::WithParamInterface<UsageCase>
{};

TEST_P(CliUsage, NamesWhatIsWrong)
{
    const Result r = run(GetParam().args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("quillon --help"), std::string::npos);
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CliUsage,
    ::testing::Values(UsageCase{{}, "no command given"},
                      UsageCase{{"frob"}, "unknown command 'frob'"},
                      UsageCase{{"resave", "a.qnp"}, "resave: missing the project file to write"},
                      UsageCase{{"summary", "a", "b"}, "summary: unexpected argument 'b'"},
                      UsageCase{{"generate"}, "generate: missing the project file"},
                      UsageCase{{"generate", "p.qnp", "--output"}, "option --output needs a value"},
                      UsageCase{{"generate", "p.qnp", "--bogus=1"}, "unknown option '--bogus'"},
                      UsageCase{{"generate", "p", "--output", "a", "--output=b"}, "given twice"},
                      UsageCase{{"generate", "p.qnp", "--output="}, "option --output needs a non-empty value"},
                      UsageCase{{"generate", "p.qnp", "--force", "--merge"}, "--force and --merge exclude each other"},
                      UsageCase{{"generate", "p.qnp", "--force=yes"}, "option --force takes no value"},
                      UsageCase{{"install"}, "install: give --root-dir DIR, --install-path DIR or both"},
                      UsageCase{{"lazarus"}, "lazarus: missing install or uninstall"},
                      UsageCase{{"lazarus", "build"}, "lazarus: unknown subcommand 'build'"},
                      UsageCase{{"lazarus", "uninstall", "--package", "q.lpk"}, "--package goes with install"},
                      UsageCase{{"db"}, "db: no command given"},
                      UsageCase{{"db", "drop", "SHOP"}, "db: unknown command 'drop'"},
                      UsageCase{{"db", "tables"}, "db tables: missing ALIAS"},
                      UsageCase{{"db", "fields", "SHOP"}, "db fields: missing TABLE"},
                      UsageCase{{"db", "query", "SHOP"}, "db query: missing SQL"},
                      UsageCase{{"db", "aliases", "extra"}, "db aliases: unexpected argument 'extra'"},
                      UsageCase{{"db", "aliases", "--verbose"}, "db: unknown option '--verbose'"},
                      UsageCase{{"db", "aliases", "--user="}, "option --user needs a non-empty value"},
                      UsageCase{{"db", "tables", "SHOP", "--user"}, "option --user needs a value"},
                      UsageCase{{"db", "alias", "PG"}, "db alias: missing URI"},
                      UsageCase{{"db", "alias", "PG", "postgresql://h/d", "--remove"}, "db alias: unexpected argument"},
                      UsageCase{{"db", "tables", "SHOP", "--remove"}, "db tables: --remove belongs to 'alias'"}));

TEST_F(Cli, ResaveIsByteExactAndFailuresLoseNothing)
{
    const std::string in = saveProject(quillon::test::awkwardProject(), "in.qnp");
    EXPECT_EQ(run({"resave", in, dir.file("out.qnp")}).status, 0);
    EXPECT_EQ(platform::readFile(dir.file("out.qnp")), platform::readFile(in));

    const Result missing = run({"resave", dir.file("nope.qnp"), dir.file("out.qnp")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Project file not found: " + dir.file("nope.qnp")), std::string::npos);

    const std::string bad = dir.file("no/folder/out.qnp");
    const Result unwritable = run({"resave", in, bad});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err, "quillon: Unable to write to " + bad + ": No such file or directory\n");
}

TEST_F(Cli, SummaryPrintsOneLinePerSummaryLine)
{
    WizardProject p = quillon::test::awkwardProject();
    p.DoInsert = false;
    p.DoBrowse = true;
    const Result r = run({"summary", saveProject(p, "p.qnp")});
    EXPECT_EQ(r.status, 0);
    std::string expected;
    for (const auto &line : summaryLines(p))
        expected += line + "\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_NE(r.out.find("\nSQL Query Text:\nSELECT *\n  FROM T\n"), std::string::npos);
}

TEST_F(Cli, InstallRecordsAnAbsoluteRootDir)
{
    std::filesystem::create_directory(dir.file("root"));
    const Result r = run({"install", "--root-dir", dir.file("root/")});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string hive = platform::readFile(dir.file("registry/HKEY_LOCAL_MACHINE.reg"));
    EXPECT_NE(hive.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\2.0]"), std::string::npos);
    EXPECT_NE(hive.find("\"RootDir\"=\"" + dir.file("root") + "\""), std::string::npos) << hive;

    const Result missing = run({"install", "--root-dir", dir.file("none")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(dir.file("none")), std::string::npos);

    // The wizard's install folder goes to the user's hive.
    const Result help = run({"install", "--install-path", dir.file("root//")});
    EXPECT_EQ(help.status, 0) << help.err;
    const std::string user = platform::readFile(dir.file("registry/HKEY_CURRENT_USER.reg"));
    EXPECT_NE(user.find("[HKEY_CURRENT_USER\\Software\\Tarvik\\Quillon]"), std::string::npos) << user;
    EXPECT_NE(user.find("\"InstallPath\"=\"" + dir.file("root") + "\""), std::string::npos) << user;
}

TEST_F(Cli, GenerateUsesRegistryTemplateAndOutputDll)
{
    std::filesystem::create_directory(dir.file("root"));
    writeTemplate(dir.file("root/template.dpr"));
    ASSERT_EQ(run({"install", "--root-dir", dir.file("root")}).status, 0);
    WizardProject p;
    p.DBOk = false;
    p.ExtName = "It's mine";
    p.OutputDLL = dir.file("Ext.dpr");
    const std::string project = saveProject(p, "p.qnp");

    const Result r = run({"generate", project});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string first = platform::readFile(dir.file("Ext.dpr"));
    EXPECT_NE(first.find("library Ext;\r\n{$DESCRIPTION 'It''s mine'}\r\n"), std::string::npos)
        << first;

    // With --output the library takes the name of the file it goes to.
    ASSERT_EQ(run({"generate", project, "--output", dir.file("Other.dpr")}).status, 0);
    EXPECT_NE(platform::readFile(dir.file("Other.dpr")).find("library Other;"), std::string::npos);

    // The same moment gives the same text.
    ASSERT_EQ(run({"generate", project}).status, 0);
    EXPECT_EQ(platform::readFile(dir.file("Ext.dpr")), first);
}

// A program installed under PREFIX/bin uses the template installed under
// PREFIX/share/quillon/pascal while the registry records no RootDir; a
// recorded RootDir wins. Outside an installation nothing is assumed.
TEST_F(Cli, InstalledProgramDefaultsToTheInstalledTemplate)
{
    namespace fs = std::filesystem;
    const std::string prefix = dir.file("usr");
    fs::create_directories(prefix + "/bin");
    fs::create_directories(prefix + "/share/quillon/pascal");
    fs::create_directories(dir.file("mine"));
    fs::copy_file(QUILLON_BIN, prefix + "/bin/quillon");
    fs::copy_file(QUILLON_BIN, dir.file("quillon")); // a copy outside any installation
    platform::writeFileAtomically(prefix + "/share/quillon/pascal/template.dpr", "library {*$LibName};\r\n// installed\r\nbegin\r\n  {*$PageTitle};\r\nend.\r\n");
    platform::writeFileAtomically(dir.file("mine/template.dpr"), "library {*$LibName};\r\n// mine\r\nbegin\r\n  {*$PageTitle};\r\nend.\r\n");
    WizardProject p;
    p.DBOk = false;
    p.OutputDLL = dir.file("Ext.dpr");
    const std::string project = saveProject(p, "p.qnp");
    const std::string installed = prefix + "/bin/quillon";

    const Result loose = run({"generate", project}, dir.file("quillon").c_str());
    EXPECT_EQ(loose.status, 1);
    EXPECT_NE(loose.err.find("/template.dpr"), std::string::npos) << loose.err;

    const Result byDefault = run({"generate", project}, installed.c_str());
    ASSERT_EQ(byDefault.status, 0) << byDefault.err;
    EXPECT_NE(platform::readFile(dir.file("Ext.dpr")).find("library Ext;\r\n// installed\r\n"), std::string::npos);

    ASSERT_EQ(run({"install", "--root-dir", dir.file("mine")}, installed.c_str()).status, 0);
    const Result recorded = run({"generate", project}, installed.c_str());
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    EXPECT_NE(platform::readFile(dir.file("Ext.dpr")).find("library Ext;\r\n// mine\r\n"), std::string::npos);
}

TEST_F(Cli, GenerateFailuresNameTheFileAndKeepOldOutput)
{
    WizardProject p;
    p.OutputDLL = dir.file("Ext.dpr");
    const std::string project = saveProject(p, "p.qnp");
    const std::string old = "library Old;\r\nbegin\r\nend.\r\n";
    platform::writeFileAtomically(dir.file("Ext.dpr"), old);

    const Result noTemplate = run({"generate", project});
    EXPECT_EQ(noTemplate.status, 1);
    EXPECT_NE(noTemplate.err.find("/template.dpr: File not found"), std::string::npos) << noTemplate.err;
    EXPECT_NE(noTemplate.err.find("quillon install --root-dir"), std::string::npos);

    const Result badTemplate = run({"generate", project, "--template", dir.file("t.dpr")});
    EXPECT_EQ(badTemplate.status, 1);
    EXPECT_NE(badTemplate.err.find(dir.file("t.dpr")), std::string::npos);
    EXPECT_EQ(platform::readFile(dir.file("Ext.dpr")), old);

    writeTemplate(dir.file("t.dpr"));
    const Result badOutput =
        run({"generate", project, "--template", dir.file("t.dpr"), "--output", dir.file("x/y.dpr")});
    EXPECT_EQ(badOutput.status, 1);
    EXPECT_NE(badOutput.err.find(dir.file("x/y.dpr")), std::string::npos) << badOutput.err;

    // A value that would be written into the source as code.
    p.Input = {"x: Integer; begin Halt(7) end; var y"};
    const Result injected = run({"generate", saveProject(p, "i.qnp"), "--template", dir.file("t.dpr")});
    EXPECT_EQ(injected.status, 1);
    EXPECT_NE(injected.err.find(dir.file("i.qnp") + ": Input0 \"x: Integer; begin Halt(7) end; var y\""),
              std::string::npos)
        << injected.err;
    EXPECT_EQ(platform::readFile(dir.file("Ext.dpr")), old);
    p.Input.clear();

    p.OutputDLL.clear();
    const Result noOutput = run({"generate", saveProject(p, "q.qnp"), "--template", dir.file("t.dpr")});
    EXPECT_EQ(noOutput.status, 1);
    EXPECT_NE(noOutput.err.find("names no output file"), std::string::npos);
}

} // namespace

namespace {

// The shipped examples are what a saved project looks like, byte for byte,
// and hold the modes they are there to show.
TEST_F(Cli, ExamplesAreSavedProjects)
{
    for (const char *name : {"demo.qnp", "insert.qnp"}) {
        const std::string path = std::string(QUILLON_EXAMPLES) + "/" + name;
        ASSERT_EQ(run({"resave", path, dir.file(name)}).status, 0) << name;
        EXPECT_EQ(platform::readFile(dir.file(name)), platform::readFile(path)) << name;
    }
    const Result demo = run({"summary", std::string(QUILLON_EXAMPLES) + "/demo.qnp"});
    EXPECT_NE(demo.out.find("Database Alias: QUILLONDEMO\nDatabase browsing details:\nSQL Query Text:\n"),
              std::string::npos)
        << demo.out;
    const Result insert = run({"summary", std::string(QUILLON_EXAMPLES) + "/insert.qnp"});
    EXPECT_NE(insert.out.find("Database insert details:\n"), std::string::npos) << insert.out;
    // The guest book is the SQLite sample's, whose key numbers each entry.
    EXPECT_NE(insert.out.find("Database Alias: QUILLONBOOK\n"), std::string::npos) << insert.out;
}

// The two programs meet only in the engine's stored configuration: an alias
// that aliassetup registers is then listed and browsed by quillon db.
TEST_F(Cli, AliasRegisteredByAliassetupIsBrowsedByDbCommands)
{
    const std::string data = std::string(QUILLON_EXAMPLES) + "/data";
    ASSERT_EQ(run({"DEMO2", data}, ALIASSETUP_BIN).status, 0);

    const Result aliases = run({"db", "aliases"});
    ASSERT_EQ(aliases.status, 0) << aliases.err;
    EXPECT_EQ(aliases.out, "DEMO2\n");

    const Result tables = run({"db", "tables", "DEMO2"});
    ASSERT_EQ(tables.status, 0) << tables.err;
    for (const char *table : {"customer.csv\n", "orders.csv\n", "guestbook.csv\n"})
        EXPECT_NE(tables.out.find(table), std::string::npos) << tables.out;

    const Result query = run({"db", "query", "DEMO2", "SELECT CUSTNO, CITY FROM customer WHERE CUSTNO <= 1002 ORDER BY CUSTNO"});
    ASSERT_EQ(query.status, 0) << query.err;
    EXPECT_EQ(query.out, "CUSTNO\tCITY\n1001\tBilbao\n1002\tLyon\n");

    const Result missing = run({"db", "tables", "NOSUCH"});
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.err.find("NOSUCH"), std::string::npos) << missing.err;
}

// "db alias NAME PATH" registers what PATH is: an SQLite file, a folder of
// CSV tables; anything else is refused by name and nothing is stored.
TEST_F(Cli, DbAliasRegistersLocalDatabasesByWhatThePathIs)
{
    const std::string data = std::string(QUILLON_EXAMPLES) + "/data";
    std::filesystem::copy_file(data + "/demo.sqlite", dir.file("shop.sqlite"));
    platform::writeFileAtomically(dir.file("empty.sqlite"), "");
    platform::writeFileAtomically(dir.file("notes.txt"), "SQLite format 2 is not this");
    platform::writeFileAtomically(dir.file("short.db"), "SQLite");
    struct Row
    {
        std::string path;
        std::string error; // empty: registered, and its customer table answers
    };
    const Row rows[] = {
        {dir.file("shop.sqlite"), ""},
        {data, ""},
        {dir.file("notes.txt"), " is not an SQLite database file"},
        {dir.file("short.db"), " is not an SQLite database file"},
        {dir.file("missing.sqlite"), " is not a server URI"},
    };
    int n = 0;
    for (const Row &row : rows) {
        const std::string name = "LOCAL" + std::to_string(n++);
        const Result added = run({"db", "alias", name, row.path});
        const Result aliases = run({"db", "aliases"});
        if (!row.error.empty()) {
            EXPECT_EQ(added.status, 1) << row.path;
            EXPECT_NE(added.err.find(row.path + row.error), std::string::npos) << added.err;
            EXPECT_EQ(aliases.out.find(name), std::string::npos) << row.path;
            continue;
        }
        ASSERT_EQ(added.status, 0) << row.path << ": " << added.err;
        EXPECT_NE(aliases.out.find(name + "\n"), std::string::npos) << aliases.out;
        const Result query = run({"db", "query", name, "SELECT CUSTNO, CITY FROM customer WHERE CUSTNO <= 1002 ORDER BY CUSTNO"});
        ASSERT_EQ(query.status, 0) << row.path << ": " << query.err;
        EXPECT_EQ(query.out, "CUSTNO\tCITY\n1001\tBilbao\n1002\tLyon\n") << row.path;
    }
    // An empty file is a database with no tables yet: registered, and only
    // SQLite's own catalogue is listed.
    ASSERT_EQ(run({"db", "alias", "FRESH", dir.file("empty.sqlite")}).status, 0);
    const Result tables = run({"db", "tables", "FRESH"});
    EXPECT_EQ(tables.status, 0) << tables.err;
    EXPECT_EQ(tables.out, "sqlite_master\n");
}

} // namespace

namespace {

TEST_F(Cli, SavesWriteThroughLinksAndRefuseWhatIsNotARegularFile)
{
    const std::string in = saveProject(quillon::test::awkwardProject(), "in.qnp");
    writeTemplate(dir.file("t.dpr"));
    platform::writeFileAtomically(dir.file("target.qnp"), "old");
    std::filesystem::create_symlink("target.qnp", dir.file("link.qnp"));
    EXPECT_EQ(run({"resave", in, dir.file("link.qnp")}).status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.qnp")));
    EXPECT_EQ(platform::readFile(dir.file("target.qnp")), platform::readFile(in));

    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Result resave = run({"resave", in, fifo});
    EXPECT_EQ(resave.status, 1);
    EXPECT_EQ(resave.err, "quillon: " + fifo + " is not a regular file\n");
    WizardProject valid;
    valid.Input = {"Town"};
    const Result generate =
        run({"generate", saveProject(valid, "valid.qnp"), "--template", dir.file("t.dpr"), "--output", fifo});
    EXPECT_EQ(generate.status, 1);
    EXPECT_EQ(generate.err, "quillon: " + fifo + " is not a regular file\n");
    const Result read = run({"summary", fifo});
    EXPECT_EQ(read.status, 1);
    EXPECT_EQ(read.err, "quillon: " + fifo + " is not a regular file\n");
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
}

} // namespace

namespace {

TEST_F(Cli, FilesThatAreNotProjectFilesAreRefusedWithoutWriting)
{
    writeTemplate(dir.file("t.dpr"));
    platform::writeFileAtomically(dir.file("notes.txt"), "shopping list\r\nmilk\r\n");
    platform::writeFileAtomically(dir.file("out.qnp"), "precious");
    const std::string expected = "quillon: " + dir.file("notes.txt") + " is not a project file\n";
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"summary", dir.file("notes.txt")},
          {"resave", dir.file("notes.txt"), dir.file("out.qnp")},
          {"generate", dir.file("notes.txt"), "--template", dir.file("t.dpr"), "--output", dir.file("out.qnp")}}) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err, expected) << args[0];
    }
    EXPECT_EQ(platform::readFile(dir.file("out.qnp")), "precious");
}

} // namespace

namespace {

// Without --output the project file names the output: the name is completed
// to a .dpr file, and what stands there is replaced only when it is a Pascal
// project source, and, when Quillon did not write it, only with --force.
enum class Outcome { Written, NotPascal, NotOurs };

struct OutputCase
{
    const char *name;
    const char *outputDll;   // OutputDLL, under the test folder
    const char *existing;    // the file's text before, nullptr for none
    const char *written;     // the file generate writes to, under the folder
    Outcome outcome;
};

class CliGenerateOutput : public Cli, public ::testing::WithParamInterface<OutputCase>
{};

TEST_P(CliGenerateOutput, ReplacesOnlyProjectSources)
{
    const OutputCase &c = GetParam();
    writeTemplate(dir.file("t.dpr"));
    const std::string target = dir.file(c.written);
    const std::string untouched = "unit Report;\r\ninterface\r\n";
    platform::writeFileAtomically(dir.file("Report.pas"), untouched);
    std::filesystem::create_directories(std::filesystem::path(target).parent_path());
    if (c.existing)
        platform::writeFileAtomically(target, c.existing);
    WizardProject p;
    p.DBOk = false;
    p.OutputDLL = dir.file(c.outputDll);
    const std::string project = saveProject(p, "p.qnp");
    const Result r = run({"generate", project, "--template", dir.file("t.dpr")});
    const Result forced = run({"generate", project, "--template", dir.file("t.dpr"), "--force"});
    const std::string library = std::filesystem::path(c.written).stem().string();
    switch (c.outcome) {
    case Outcome::Written:
        EXPECT_EQ(r.status, 0) << r.err;
        break;
    case Outcome::NotPascal:
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "quillon: " + target +
                             " is not a Pascal project source (its first word is not library or "
                             "program); it was left as it is and nothing was written\n");
        // --force does not make a project file's OutputDLL overwrite someone's notes.
        EXPECT_EQ(forced.status, 1);
        EXPECT_EQ(platform::readFile(target), c.existing);
        break;
    case Outcome::NotOurs:
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "quillon: " + target +
                             " was not generated here by Quillon (nothing is known of what Quillon last wrote "
                             "there); it was left as it is and nothing was written (--force replaces it)\n");
        EXPECT_EQ(forced.status, 0) << forced.err;
        break;
    }
    if (c.outcome != Outcome::NotPascal) {
        EXPECT_TRUE(platform::readFile(target).starts_with("library " + library + ";\r\n"))
            << platform::readFile(target);
    }
    EXPECT_EQ(platform::readFile(dir.file("Report.pas")), untouched);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CliGenerateOutput,
    ::testing::Values(
        OutputCase{"NewFile", "Ext.dpr", nullptr, "Ext.dpr", Outcome::Written},
        OutputCase{"NoExtensionGetsDpr", "NewFile", nullptr, "NewFile.dpr", Outcome::Written},
        OutputCase{"PasBecomesDpr", "Report.pas", nullptr, "Report.dpr", Outcome::Written},
        OutputCase{"TxtBecomesDpr", "notes.txt", nullptr, "notes.dpr", Outcome::Written},
        OutputCase{"DotInFolderIsNoExtension", "a.b/web", nullptr, "a.b/web.dpr", Outcome::Written},
        OutputCase{"OldLibrary", "Ext.dpr", "library Old;\r\nbegin\r\nend.\r\n", "Ext.dpr", Outcome::NotOurs},
        OutputCase{"OldProgramAfterComments", "Ext.dpr",
                   "\xEF\xBB\xBF{ made by hand }\r\n(* two *) // three\r\n  PROGRAM Old;", "Ext.dpr",
                   Outcome::NotOurs},
        OutputCase{"Unit", "Ext.dpr", "unit Ext;\r\n", "Ext.dpr", Outcome::NotPascal},
        OutputCase{"Notes", "Ext.txt", "my notes: library is closed\r\n", "Ext.dpr", Outcome::NotPascal},
        OutputCase{"Empty", "Ext.dpr", "", "Ext.dpr", Outcome::NotPascal},
        OutputCase{"LibraryInsideAComment", "Ext.dpr", "{ library } unit X;", "Ext.dpr", Outcome::NotPascal},
        OutputCase{"UnclosedComment", "Ext.dpr", "(* library X;", "Ext.dpr", Outcome::NotPascal},
        OutputCase{"LongerWord", "Ext.dpr", "libraryX;", "Ext.dpr", Outcome::NotPascal}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Cli, GenerateWithOutputReplacesAnyFileWithForce)
{
    writeTemplate(dir.file("t.dpr"));
    platform::writeFileAtomically(dir.file("notes.txt"), "my notes");
    WizardProject p;
    p.DBOk = false;
    p.OutputDLL = dir.file("Ext.dpr");
    const std::vector<std::string> args{"generate", saveProject(p, "p.qnp"), "--template", dir.file("t.dpr"),
                                        "--output", dir.file("notes.txt")};
    EXPECT_EQ(run(args).status, 1);
    EXPECT_EQ(platform::readFile(dir.file("notes.txt")), "my notes");
    std::vector<std::string> forced = args;
    forced.push_back("--force");
    const Result r = run(forced);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(platform::readFile(dir.file("notes.txt")).starts_with("library notes;"));
}

// A source generated, then edited by its user, then generated again after
// the project changed: the edit is refused, merged or replaced as asked.
struct EditCase
{
    const char *name;
    const char *edit;   // the user's edit of the title line, nullptr: an edit elsewhere
    const char *option; // nullptr: none
    int status;
    const char *err;    // the message after "quillon: PATH", empty: none
    bool editKept;
    bool changeTaken;
};

class CliGenerateEdited : public Cli, public ::testing::WithParamInterface<EditCase>
{};

TEST_P(CliGenerateEdited, KeepsTheUsersEdits)
{
    const EditCase &c = GetParam();
    writeTemplate(dir.file("t.dpr"));
    WizardProject p;
    p.DBOk = false;
    p.PageTitle = "Old";
    p.OutputDLL = dir.file("Ext.dpr");
    ASSERT_EQ(run({"generate", saveProject(p, "p.qnp"), "--template", dir.file("t.dpr")}).status, 0);
    std::string text = platform::readFile(dir.file("Ext.dpr"));
    const std::string title = "PrepareString('Old')";
    const std::string edit = c.edit ? c.edit : "// mine\r\nbegin";
    text.replace(text.find(c.edit ? title : "begin"), c.edit ? title.size() : 5, edit);
    platform::writeFileAtomically(dir.file("Ext.dpr"), text);

    p.PageTitle = "New";
    std::vector<std::string> args{"generate", saveProject(p, "p.qnp"), "--template", dir.file("t.dpr")};
    if (c.option)
        args.push_back(c.option);
    const Result r = run(args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, *c.err ? "quillon: " + dir.file("Ext.dpr") + c.err + "\n" : std::string()) << r.err;
    const std::string after = platform::readFile(dir.file("Ext.dpr"));
    EXPECT_EQ(after.find(edit) != std::string::npos, c.editKept) << after;
    EXPECT_EQ(after.find("PrepareString('New')") != std::string::npos, c.changeTaken) << after;
    EXPECT_EQ(after.find("<<<<<<< Ext.dpr (your edits)\r\n") != std::string::npos, c.status == 1 && c.option)
        << after;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CliGenerateEdited,
    ::testing::Values(
        EditCase{"RefusedNamingTheFile", nullptr, nullptr, 1,
                 " has been changed since Quillon generated it; it was left as it is and nothing was written "
                 "(--merge keeps your edits and brings in the project's changes; --force replaces the file)",
                 true, false},
        EditCase{"MergeKeepsTheEditAndTakesTheChange", nullptr, "--merge", 0, "", true, true},
        EditCase{"MergeMarksAConflict", "PrepareString('Mine')", "--merge", 1,
                 ": your edits and the project's changes meet on the same lines; both are in the file between "
                 "<<<<<<< and >>>>>>> markers",
                 true, true},
        EditCase{"ForceReplaces", nullptr, "--force", 0, "", false, true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
