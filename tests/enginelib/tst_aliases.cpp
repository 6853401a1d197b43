// Alias entries: add and delete, persistence across processes, concurrent
// writers, and the statuses of bad input.

#include "enginefixture.h"
#include "tests/support/unprivileged.h"

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace enginetest;

namespace {

using Aliases = EngineTest;

std::vector<std::string> aliases()
{
    hDBIList list = nullptr;
    if (DbiListAliases(&list) != 0)
        return {"<" + lastError() + ">"};
    return takeNames(list);
}

// Runs body in a child process with its own engine; returns its pid. The
// child first closes the engine state that fork copied from this process.
template <class Body>
pid_t spawn(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        while (DbiExit() == 0) {
        }
        int code = DbiInitFn(QDBI_INTERFACE_VERSION, nullptr) == 0 ? body() : 90;
        DbiExit();
        ::_exit(code);
    }
    return pid;
}

int waitFor(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

// A program may close the engine from an exit handler (aliassetup does): by
// then the thread's own objects are destroyed, and the entries must neither
// touch them nor fail.
TEST_F(Aliases, EngineClosesFromAnExitHandler)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        while (DbiExit() == 0) {
        }
        if (DbiInitFn(QDBI_INTERFACE_VERSION, nullptr) != 0)
            ::_exit(2);
        DbiDeleteAlias(nullptr, ""); // leaves an error record behind
        std::atexit(+[] {
            if (DbiExit() != 0)
                ::_exit(3);
            if (DbiDeleteAlias(nullptr, "X") != QDBIERR_NOTINITIALIZED)
                ::_exit(4);
        });
        std::exit(0);
    }
    EXPECT_EQ(waitFor(pid), 0);
}

TEST_F(Aliases, PersistentAliasIsSeenByAnotherProcessAndDeleteRemovesIt)
{
    const pid_t child = spawn([] { return DbiAddAlias(nullptr, "Shop", nullptr, "PATH:/srv/shop", 1) ? 1 : 0; });
    ASSERT_EQ(waitFor(child), 0);
    EXPECT_EQ(aliases(), std::vector<std::string>{"Shop"});
    EXPECT_NE(readText(config()).find("PATH:/srv/shop"), std::string::npos);

    EXPECT_EQ(DbiDeleteAlias(nullptr, "SHOP"), 0) << "names ignore case";
    const pid_t checker = spawn([] { return DbiDeleteAlias(nullptr, "Shop") == QDBIERR_UNKNOWNALIAS ? 0 : 1; });
    EXPECT_EQ(waitFor(checker), 0) << "the other process no longer finds it";
    EXPECT_TRUE(aliases().empty());
}

TEST_F(Aliases, ConcurrentAddsFromTwoProcessesLoseNothing)
{
    auto adder = [](char prefix) {
        return [prefix] {
            for (int i = 0; i < 40; ++i) {
                const std::string name = std::string(1, prefix) + std::to_string(i);
                if (DbiAddAlias(nullptr, name.c_str(), nullptr, "PATH:/tmp", 1) != 0)
                    return 1;
            }
            return 0;
        };
    };
    const pid_t a = spawn(adder('A'));
    const pid_t b = spawn(adder('B'));
    EXPECT_EQ(waitFor(a), 0);
    EXPECT_EQ(waitFor(b), 0);
    EXPECT_EQ(aliases().size(), 80u);
}

TEST_F(Aliases, SessionAliasStaysInTheProcessAndEndsWithTheEngine)
{
    ASSERT_EQ(DbiAddAlias(nullptr, "temp", "SQLITE", "PATH:/x.db", 0), 0);
    EXPECT_EQ(aliases(), std::vector<std::string>{"temp"});
    EXPECT_EQ(readText(config()), "");
    const pid_t other = spawn([] { return DbiDeleteAlias(nullptr, "temp") == QDBIERR_UNKNOWNALIAS ? 0 : 1; });
    EXPECT_EQ(waitFor(other), 0) << "another process does not see it";
    // Reopening the engine after its last close forgets it.
    ASSERT_EQ(DbiExit(), 0);
    ASSERT_EQ(DbiInitFn(QDBI_INTERFACE_VERSION, nullptr), 0);
    EXPECT_TRUE(aliases().empty());
}

TEST_F(Aliases, ListIsSortedWithoutRegardToCase)
{
    for (const char *name : {"beta", "Alpha", "gamma"})
        ASSERT_EQ(DbiAddAlias(nullptr, name, nullptr, "PATH:/d", 1), 0);
    ASSERT_EQ(DbiAddAlias(nullptr, "Delta", nullptr, "PATH:/d", 0), 0);
    EXPECT_EQ(aliases(), (std::vector<std::string>{"Alpha", "beta", "Delta", "gamma"}));
}

TEST_F(Aliases, ReplacingAnAliasAsTheSetupProgramDoes)
{
    for (const char *dir : {"PATH:/first", "PATH:/second dir"}) {
        DbiDeleteAlias(nullptr, "DEMO");
        ASSERT_EQ(DbiAddAlias(nullptr, "DEMO", nullptr, dir, 1), 0) << lastError();
    }
    const std::string text = readText(config());
    EXPECT_EQ(text.find("/first"), std::string::npos);
    EXPECT_NE(text.find("PATH:/second dir"), std::string::npos);
}

TEST_F(Aliases, RelativePathIsStoredAbsolute)
{
    const std::string here = std::filesystem::current_path().string();
    ASSERT_EQ(DbiAddAlias(nullptr, "REL", nullptr, "PATH:data/../csv", 1), 0);
    ASSERT_EQ(DbiAddAlias(nullptr, "EMPTY", nullptr, "PATH:", 1), 0);
    const std::string text = readText(config());
    EXPECT_NE(text.find("PATH:" + here + "/csv\n"), std::string::npos) << text;
    EXPECT_NE(text.find("PATH:\n"), std::string::npos) << "an empty path stays empty";
}

struct BadAdd
{
    const char *name;
    const char *alias;
    const char *driver;
    const char *params;
    DBIResult status;
    const char *messagePart;
};

class AliasBadInput : public EngineTest, public ::testing::WithParamInterface<BadAdd>
{
};

TEST_P(AliasBadInput, IsRefusedWithAMessage)
{
    const BadAdd &c = GetParam();
    ASSERT_EQ(DbiAddAlias(nullptr, "TAKEN", nullptr, "PATH:/t", 1), 0);
    EXPECT_EQ(DbiAddAlias(nullptr, c.alias, c.driver, c.params, 1), c.status);
    EXPECT_NE(lastError().find(c.messagePart), std::string::npos) << lastError();
    DBIResult status = 0;
    DbiGetLastError(&status, nullptr, 0);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(aliases(), std::vector<std::string>{"TAKEN"}) << "nothing changed";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AliasBadInput,
    ::testing::Values(BadAdd{"Empty", "", nullptr, "PATH:/d", QDBIERR_INVALIDALIASNAME, "empty"},
                      BadAdd{"NullName", nullptr, nullptr, "PATH:/d", QDBIERR_INVALIDALIASNAME, "empty"},
                      BadAdd{"Brackets", "a]b", nullptr, "PATH:/d", QDBIERR_INVALIDALIASNAME, "a]b"},
                      BadAdd{"LineBreak", "a\nb", nullptr, "PATH:/d", QDBIERR_INVALIDALIASNAME, "line break"},
                      BadAdd{"Exists", "taken", nullptr, "PATH:/d", QDBIERR_ALIASEXISTS, "\"taken\""},
                      BadAdd{"Driver", "X", "PARADOX", "PATH:/d", QDBIERR_UNKNOWNDRIVER, "PARADOX"},
                      BadAdd{"NoPath", "X", nullptr, "USER NAME=a", QDBIERR_INVALIDPARAMTEXT, "PATH:"},
                      BadAdd{"NullParams", "X", nullptr, nullptr, QDBIERR_INVALIDPARAMTEXT, "PATH:"},
                      BadAdd{"SectionInParams", "X", nullptr, "PATH:/d\n[Y]", QDBIERR_INVALIDPARAMTEXT, "[Y]"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Aliases, DeleteOfUnknownOrEmptyNameFails)
{
    EXPECT_EQ(DbiDeleteAlias(nullptr, "nope"), QDBIERR_UNKNOWNALIAS);
    EXPECT_EQ(lastError(), "Unknown alias \"nope\"");
    EXPECT_EQ(DbiDeleteAlias(nullptr, ""), QDBIERR_INVALIDALIASNAME);
    EXPECT_EQ(DbiDeleteAlias(reinterpret_cast<hDBICfg>(8), "x"), QDBIERR_INVALIDHANDLE);
}

TEST_F(Aliases, DamagedConfigurationIsReportedNotOverwritten)
{
    writeText(config(), "junk before any alias\n[A]\nPATH:/a\n");
    EXPECT_EQ(DbiAddAlias(nullptr, "B", nullptr, "PATH:/b", 1), QDBIERR_CONFIGIO);
    EXPECT_NE(lastError().find("line 1"), std::string::npos) << lastError();
    EXPECT_EQ(readText(config()), "junk before any alias\n[A]\nPATH:/a\n");
}

// Root ignores permissions, so the writer runs as an unprivileged user.
TEST_F(Aliases, UnwritableConfigurationKeepsTheOldFile)
{
    ASSERT_EQ(DbiAddAlias(nullptr, "A", nullptr, "PATH:/a", 1), 0);
    const std::string before = readText(config());
    const std::string folder = m_configDir.path();
    const std::string failure = quillon::test::runUnprivileged({folder}, [&]() -> std::string {
        ::chmod(folder.c_str(), 0500);
        const int status = DbiAddAlias(nullptr, "B", nullptr, "PATH:/b", 1);
        ::chmod(folder.c_str(), 0700);
        if (status != QDBIERR_CONFIGIO)
            return "adding to an unwritable configuration gave status " + std::to_string(status);
        if (lastError().find("engine configuration") == std::string::npos)
            return "message: " + lastError();
        return {};
    });
    EXPECT_EQ(failure, "");
    EXPECT_EQ(readText(config()), before);
}

TEST(EngineOpen, EntriesNeedTheOpenEngineAndTheRightVersion)
{
    hDBIList list = nullptr;
    EXPECT_EQ(DbiListAliases(&list), QDBIERR_NOTINITIALIZED);
    EXPECT_EQ(DbiExit(), QDBIERR_NOTINITIALIZED);
    EXPECT_EQ(DbiInitFn(200, nullptr), QDBIERR_VERSIONMISMATCH);
    EXPECT_NE(lastError().find("300"), std::string::npos);
    EXPECT_EQ(DLLINITFUNCTION(nullptr), 0);
    EXPECT_EQ(DLLEXITFUNCTION(), 0);
    EXPECT_EQ(DLLEXITFUNCTION2(nullptr), 0);
    // Reference counted: two inits need two exits.
    ASSERT_EQ(DbiInitFn(QDBI_INTERFACE_VERSION, nullptr), 0);
    ASSERT_EQ(DbiInitFn(QDBI_INTERFACE_VERSION, nullptr), 0);
    EXPECT_EQ(DbiExit(), 0);
    EXPECT_EQ(DbiExit(), 0);
    EXPECT_EQ(DbiExit(), QDBIERR_NOTINITIALIZED);
}

} // namespace
