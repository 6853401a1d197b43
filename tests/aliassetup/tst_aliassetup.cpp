/*
** The alias program against the real engine library, with a fresh engine
** configuration, registry and working folder per test. The program's
** effect is checked through the data-access layer: the alias's database
** lists the tables of the directory it points at.
*/

#include "realengine.h"

#include "cli/dbcommands.h"
#include "platform/atomicfile.h"
#include "tests/support/shellquote.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <csignal>
#include <random>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

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
        // A program killed by a signal shows as 128 plus the signal, as in the shell.
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
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
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
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
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_EQ(r.stderrText, "");
    EXPECT_TRUE(hasAlias("NOHOME"));
}

TEST_F(AliasSetupTest, QuotedDirectoryWithBlanksArrivesAsOneArgument)
{
    const fs::path dir = tableDir("my data dir", "orders.csv");
    const Outcome r = run("SPACED \"" + dir.string() + "\"");
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
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
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_EQ(r.stderrText, "");
    EXPECT_EQ(tablesOf("TWICE"), std::vector<std::string>{"b.csv"});
}

TEST_F(AliasSetupTest, NoArgumentsTriesAnEmptyAliasSaysSoAndExitsZero)
{
    const Outcome r = run("");
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_EQ(std::count(r.stderrText.begin(), r.stderrText.end(), '\n'), 1) << r.stderrText;
    EXPECT_NE(r.stderrText.find("could not register alias \"\""), std::string::npos) << r.stderrText;
    const std::vector<std::string> left = aliases();
    EXPECT_TRUE(left.empty()) << "first alias listed: " << (left.empty() ? std::string() : left.front());
}

TEST_F(AliasSetupTest, MissingEngineLibraryIsOneLineOnStderrAndExitZero)
{
    // A copy of the program in a folder without the engine library, run in
    // an empty working folder with an empty registry: nothing to find.
    const fs::path lonely = m_root / "lonely" / "aliassetup";
    fs::create_directories(lonely.parent_path());
    fs::copy_file(QUILLON_ALIASSETUP, lonely);
    const Outcome r = run("NOLIB /somewhere", lonely.string());
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_EQ(std::count(r.stderrText.begin(), r.stderrText.end(), '\n'), 1) << r.stderrText;
    EXPECT_NE(r.stderrText.find("NOLIB"), std::string::npos) << r.stderrText;
    EXPECT_NE(r.stderrText.find("libidapi32.so"), std::string::npos) << r.stderrText;
    EXPECT_FALSE(hasAlias("NOLIB"));
}

TEST_F(AliasSetupTest, AFailedReplaceKeepsTheOldAliasAndSaysWhy)
{
    const fs::path old = tableDir("old", "a.csv");
    ASSERT_EQ(run("KEEPME " + shellQuote(old.string())).exitCode, 0);

    const Outcome lineBreak = run("KEEPME " + shellQuote(old.string() + "x\n[EVIL]"));
    EXPECT_EQ(lineBreak.exitCode, 0);
    EXPECT_NE(lineBreak.stderrText.find("line break"), std::string::npos) << lineBreak.stderrText;
    EXPECT_EQ(tablesOf("KEEPME"), std::vector<std::string>{"a.csv"});

    // A full disk, where this machine lets us mount a small tmpfs for the configuration.
    const fs::path mnt = m_root / "small";
    fs::create_directories(mnt);
    if (::geteuid() != 0 || std::system(("mount -t tmpfs -o size=32k tmpfs " + shellQuote(mnt.string()) +
                                         " 2>/dev/null").c_str()) != 0)
        return;
    struct Unmount // also when an assertion ends the test early
    {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{mnt.string()};
    const std::string config = (mnt / "engine.cfg").string();
    const std::string env = "QUILLON_ENGINE_CONFIG=" + shellQuote(config);
    EXPECT_EQ(run("KEEPME " + shellQuote(old.string()), QUILLON_ALIASSETUP, env).stderrText, "");
    const std::string before = platform::readFile(config);
    EXPECT_NE(std::system(("dd if=/dev/zero of=" + shellQuote((mnt / "filler").string()) +
                           " bs=1k count=64 2>/dev/null").c_str()),
              -1);
    const Outcome full = run("KEEPME " + shellQuote(tableDir("new", "b.csv").string()), QUILLON_ALIASSETUP, env);
    EXPECT_EQ(full.exitCode, 0);
    EXPECT_NE(full.stderrText.find("No space left on device"), std::string::npos) << full.stderrText;
    EXPECT_EQ(platform::readFile(config), before);
}

/*
** The program killed at a random moment while it replaces an alias, with a
** reader looking while it runs: the stored alias is the old one or the new
** one after every run, and the reader never finds it missing.
** QUILLON_KILL_RUNS sets the number of runs (30 by default).
*/
TEST_F(AliasSetupTest, KilledWhileReplacingLeavesTheOldOrTheNewAlias)
{
    const char *runsText = std::getenv("QUILLON_KILL_RUNS");
    const int runs = runsText ? std::atoi(runsText) : 30;
    const fs::path dirs[2] = {tableDir("first", "a.csv"), tableDir("second", "b.csv")};
    const std::vector<std::string> tables[2] = {{"a.csv"}, {"b.csv"}};
    ASSERT_EQ(run("KEEPME " + shellQuote(dirs[0].string())).exitCode, 0);
    std::mt19937 rng(12);
    std::uniform_int_distribution<int> delay(0, 50000); // microseconds; a run takes about 40 ms
    int current = 0, replaced = 0, kept = 0, missingWhileRunning = 0;
    for (int i = 0; i < runs; ++i) {
        const int next = 1 - current;
        const pid_t child = ::fork();
        if (child == 0) {
            ::execl(QUILLON_ALIASSETUP, QUILLON_ALIASSETUP, "KEEPME", dirs[next].c_str(), static_cast<char *>(nullptr));
            std::_Exit(127);
        }
        ASSERT_GT(child, 0);
        ::usleep(static_cast<useconds_t>(delay(rng)));
        if (!hasAlias("KEEPME"))
            ++missingWhileRunning;
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::vector<std::string> now = tablesOf("KEEPME");
        if (now == tables[next]) {
            ++replaced;
            current = next;
        } else {
            ASSERT_EQ(now, tables[current]) << "run " << i << ": neither the old nor the new alias";
            ++kept;
        }
    }
    EXPECT_EQ(missingWhileRunning, 0);
    std::printf("%d runs killed at random: %d left the new alias, %d the old one, 0 neither; "
                "the reader never found it missing\n",
                runs, replaced, kept);
}

} // namespace
} // namespace quillon::aliassetup::test
