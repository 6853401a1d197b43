/*
** The alias program against the real engine library, with a fresh engine
** configuration, registry and working folder per test. The program's
** effect is checked through the data-access layer: the alias's database
** lists the tables of the directory it points at.
*/

#include "realengine.h"

#include "cli/dbcommands.h"
#include "tests/support/shellquote.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace quillon::aliassetup::test {
namespace {

namespace fs = std::filesystem;

struct Outcome
{
    int exitCode;
    std::string stderrText;
};

using quillon::test::shellQuote;

class AliasSetupTest : public engine::test::RealEngineTest
{
protected:
    void SetUp() override
    {
        RealEngineTest::SetUp();
        std::filesystem::create_directories(m_root / "cwd");
    }

    // A directory database holding one table of that name.
    fs::path tableDir(const std::string &dir, const std::string &table)
    {
        return writeTable(dir, table, "ID,NAME\n1,one\n");
    }

    // Runs the program with the arguments as the shell would pass them
    // (argumentText is shell syntax: quotes group words).
    // environment: shell assignments put before the program, if any.
    Outcome run(const std::string &argumentText, const std::string &program = QUILLON_ALIASSETUP,
                const std::string &environment = "")
    {
        const std::string command = "cd " + shellQuote((m_root / "cwd").string()) + " && " + environment + " " +
                                    shellQuote(program) + " " + argumentText + " 2>&1 >/dev/null";
        FILE *pipe = popen(command.c_str(), "r");
        Outcome result{-1, {}};
        if (!pipe)
            return result;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            result.stderrText += buffer;
        const int status = pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    static std::vector<std::string> aliases()
    {
        engine::DataAccess access;
        return access.aliases();
    }

    static std::vector<std::string> tablesOf(const std::string &alias)
    {
        engine::DataAccess access;
        return access.open(alias).tables();
    }

    static bool hasAlias(const std::string &alias)
    {
        const auto names = aliases();
        return std::find(names.begin(), names.end(), alias) != names.end();
    }

};

TEST_F(AliasSetupTest, FirstRunCreatesTheAliasSilently)
{
    const fs::path dir = tableDir("data", "customer.csv");
    ASSERT_FALSE(hasAlias("DEMO2"));
    const Outcome r = run("DEMO2 " + shellQuote(dir.string()));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.stderrText, "") << "a run that succeeds says nothing";
    EXPECT_TRUE(hasAlias("DEMO2"));
    EXPECT_EQ(tablesOf("DEMO2"), std::vector<std::string>{"customer.csv"});
}

TEST_F(AliasSetupTest, QuillonDbThenListsTheAliasAndTheFoldersTables)
{
    const fs::path dir = tableDir("demo", "parts.csv");
    tableDir("demo", "vendors.csv");
    ASSERT_EQ(run("DEMO2 " + shellQuote(dir.string())).exitCode, 0);
    std::ostringstream out, err;
    EXPECT_EQ(cli::runDbCommand({"db", "aliases"}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "DEMO2\n");
    out.str("");
    EXPECT_EQ(cli::runDbCommand({"db", "tables", "DEMO2"}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "parts.csv\nvendors.csv\n");
}

TEST_F(AliasSetupTest, FindsTheEngineWithoutAnyHomeOrSettings)
{
    // Only the engine's own configuration file is named; no HOME, no
    // XDG folders, no library path: the program's run path finds the library.
    const fs::path dir = tableDir("data", "t.csv");
    const Outcome r = run("NOHOME " + shellQuote(dir.string()), QUILLON_ALIASSETUP,
                          "env -u XDG_CONFIG_HOME -u XDG_RUNTIME_DIR -u LD_LIBRARY_PATH HOME=");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.stderrText, "");
    EXPECT_TRUE(hasAlias("NOHOME"));
}

TEST_F(AliasSetupTest, QuotedDirectoryWithBlanksArrivesAsOneArgument)
{
    const fs::path dir = tableDir("my data dir", "orders.csv");
    const Outcome r = run("SPACED \"" + dir.string() + "\"");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.stderrText, "");
    EXPECT_EQ(tablesOf("SPACED"), std::vector<std::string>{"orders.csv"});
}

TEST_F(AliasSetupTest, SecondRunWithAnotherDirectoryWins)
{
    const fs::path first = tableDir("first", "a.csv");
    const fs::path second = tableDir("second", "b.csv");
    ASSERT_EQ(run("TWICE " + shellQuote(first.string())).exitCode, 0);
    ASSERT_EQ(tablesOf("TWICE"), std::vector<std::string>{"a.csv"});
    const Outcome r = run("TWICE " + shellQuote(second.string()) + " ignored extra words");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.stderrText, "");
    EXPECT_EQ(tablesOf("TWICE"), std::vector<std::string>{"b.csv"});
}

TEST_F(AliasSetupTest, NoArgumentsTriesAnEmptyAliasSaysSoAndExitsZero)
{
    const Outcome r = run("");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(std::count(r.stderrText.begin(), r.stderrText.end(), '\n'), 1) << r.stderrText;
    EXPECT_NE(r.stderrText.find("could not register alias \"\""), std::string::npos) << r.stderrText;
    EXPECT_TRUE(aliases().empty());
}

TEST_F(AliasSetupTest, MissingEngineLibraryIsOneLineOnStderrAndExitZero)
{
    // A copy of the program in a folder without the engine library, run in
    // an empty working folder with an empty registry: nothing to find.
    const fs::path lonely = m_root / "lonely" / "aliassetup";
    fs::create_directories(lonely.parent_path());
    fs::copy_file(QUILLON_ALIASSETUP, lonely);
    const Outcome r = run("NOLIB /somewhere", lonely.string());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(std::count(r.stderrText.begin(), r.stderrText.end(), '\n'), 1) << r.stderrText;
    EXPECT_NE(r.stderrText.find("NOLIB"), std::string::npos) << r.stderrText;
    EXPECT_NE(r.stderrText.find("libidapi32.so"), std::string::npos) << r.stderrText;
    EXPECT_FALSE(hasAlias("NOLIB"));
}

} // namespace
} // namespace quillon::aliassetup::test
