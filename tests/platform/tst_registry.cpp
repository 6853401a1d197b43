#include "platform/atomicfile.h"
#include "platform/configdir.h"
#include "platform/registry.h"
#include "tests/support/tempdir.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillon::platform;
namespace fs = std::filesystem;

namespace {

class RegistryTest : public ::testing::Test
{
protected:
    quillon::test::TempDir scratch{"quillon-reg"};
    const std::string dir = scratch.path();
};

TEST_F(RegistryTest, MissingKeyOrHiveOpensAsNothing)
{
    Registry reg(dir + "/not-yet");
    EXPECT_FALSE(reg.openKey(Hive::LocalMachine, "SOFTWARE\\Borland\\Delphi\\2.0").has_value());
}

TEST_F(RegistryTest, WrittenValuesReadBackInAnyCase)
{
    Registry reg(dir + "/sub/dir");
    {
        RegistryKey key = reg.createKey(Hive::CurrentUser, "Software\\Tarvik\\WinSaver\\WebBar");
        key.writeDword("Left", 62);
        key.writeDword("Top", 0xffffffffu);
        key.writeString("Name", "a \"quoted\" C:\\path\r\nnext \xe9");
        EXPECT_EQ(key.readDword("Left"), 62u); // the snapshot follows writes
    }
    auto key = reg.openKey(Hive::CurrentUser, "software\\TARVIK\\winsaver\\webbar\\");
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->readDword("left"), 62u);
    EXPECT_EQ(key->readDword("Top"), 0xffffffffu);
    EXPECT_EQ(key->readString("NAME"), "a \"quoted\" C:\\path\r\nnext \xe9");
    EXPECT_FALSE(key->readString("Left").has_value()) << "a DWORD is not a string";
    EXPECT_FALSE(key->readDword("Name").has_value()) << "a string is not a DWORD";
    EXPECT_FALSE(key->readString("Missing").has_value());
    EXPECT_EQ(key->valueNames(), (std::vector<std::string>{"Left", "Top", "Name"})) << "in file order";
    // The hives are separate.
    EXPECT_FALSE(reg.openKey(Hive::LocalMachine, "Software\\Tarvik\\WinSaver\\WebBar").has_value());
}

TEST_F(RegistryTest, FileIsRegedit4Text)
{
    Registry reg(dir);
    reg.createKey(Hive::LocalMachine, "SOFTWARE\\Borland\\Delphi\\2.0").writeString("RootDir", "/opt/q");
    reg.createKey(Hive::CurrentUser, "Software\\Tarvik\\Quillon").writeDword("OnTop", 0x3e);
    EXPECT_EQ(readFile(dir + "/HKEY_LOCAL_MACHINE.reg"),
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\2.0]\r\n"
              "\"RootDir\"=\"/opt/q\"\r\n");
    EXPECT_EQ(readFile(dir + "/HKEY_CURRENT_USER.reg"),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tarvik\\Quillon]\r\n"
              "\"OnTop\"=dword:0000003e\r\n");
}

TEST_F(RegistryTest, HandWrittenFileWithJunkIsReadAndKept)
{
    writeFileAtomically(dir + "/HKEY_LOCAL_MACHINE.reg",
                        "REGEDIT4\n\n; a comment\n[HKEY_LOCAL_MACHINE\\Software\\Borland\\Database Engine]\n"
                        "\"DLLPATH\"=\"/usr/lib/quillon\"\n\"Bin\"=hex:01,02\ngarbage line\n"
                        "\"Broken=\"\n\"Bad\"=dword:xyz\n\"Long\"=dword:123456789\n");
    Registry reg(dir);
    auto key = reg.openKey(Hive::LocalMachine, "Software\\Borland\\Database Engine");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readString("DLLPATH"), "/usr/lib/quillon");
    EXPECT_FALSE(key->readDword("Bad"));
    EXPECT_FALSE(key->readDword("Long"));
    EXPECT_FALSE(key->readString("Bin"));
    key->writeString("DLLPATH", "/elsewhere");
    const std::string text = readFile(dir + "/HKEY_LOCAL_MACHINE.reg");
    EXPECT_NE(text.find("; a comment"), std::string::npos);
    EXPECT_NE(text.find("\"Bin\"=hex:01,02"), std::string::npos);
    EXPECT_NE(text.find("garbage line"), std::string::npos);
    EXPECT_EQ(reg.openKey(Hive::LocalMachine, "Software\\Borland\\Database Engine")->readString("DLLPATH"),
              "/elsewhere");
}

TEST_F(RegistryTest, DefaultValueHasEmptyName)
{
    Registry reg(dir);
    reg.createKey(Hive::CurrentUser, "A").writeString("", "default");
    EXPECT_EQ(reg.openKey(Hive::CurrentUser, "A")->readString(""), "default");
}

TEST_F(RegistryTest, EnvironmentNamesTheFolder)
{
    ::setenv("QUILLON_REGISTRY_DIR", dir.c_str(), 1);
    EXPECT_EQ(Registry::defaultDirectory(), dir);
    ::unsetenv("QUILLON_REGISTRY_DIR");
    ::setenv("XDG_CONFIG_HOME", "/x/cfg", 1);
    EXPECT_EQ(Registry::defaultDirectory(), "/x/cfg/quillon/registry");
    ::unsetenv("XDG_CONFIG_HOME");
}

// A program started with an empty environment (as by an installer) still
// finds the user's own folder, not a shared one in /tmp.
TEST_F(RegistryTest, EmptyHomeFallsBackToThePasswordDatabase)
{
    const char *oldHome = std::getenv("HOME");
    const std::string saved = oldHome ? oldHome : "";
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "", 1);
    const passwd *pw = ::getpwuid(::getuid());
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(userConfigHome(), std::string(pw->pw_dir) + "/.config");
    EXPECT_EQ(Registry::defaultDirectory(), std::string(pw->pw_dir) + "/.config/quillon/registry");
    ::setenv("HOME", "/h", 1);
    EXPECT_EQ(userConfigHome(), "/h/.config");
    ::setenv("HOME", saved.c_str(), 1);
}

// With no configuration folder at all there is no registry: a shared
// fallback folder could be created first by any other local user.
TEST_F(RegistryTest, NoConfigurationHomeIsRefusedNotShared)
{
    constexpr uid_t kUnlisted = 54321; // a user the password database does not know
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to become a user without a password entry";
    ASSERT_EQ(::getpwuid(kUnlisted), nullptr);
    const std::string failure = quillon::test::runUnprivileged(
        {},
        []() -> std::string {
            for (const char *name : {"QUILLON_REGISTRY_DIR", "XDG_CONFIG_HOME", "HOME"})
                ::unsetenv(name);
            try {
                return "registry folder " + Registry::defaultDirectory();
            } catch (const FileError &e) {
                const std::string expected =
                    "No place for the registry: set QUILLON_REGISTRY_DIR, XDG_CONFIG_HOME or HOME";
                return e.what() == expected ? std::string() : std::string("message: ") + e.what();
            }
        },
        kUnlisted);
    EXPECT_EQ(failure, "");
}

// Only a hive that no other user can change may choose code to run.
TEST_F(RegistryTest, HiveOthersCanChangeIsNotTrusted)
{
    const Registry registry(dir);
    EXPECT_EQ(registry.untrustedHiveReason(Hive::LocalMachine), "") << "no hive file";
    registry.createKey(Hive::LocalMachine, "K").writeString("V", "x");
    const std::string hive = registry.hiveFile(Hive::LocalMachine);
    ::chmod(hive.c_str(), 0664);
    EXPECT_EQ(registry.untrustedHiveReason(Hive::LocalMachine), "") << "group write is the user's umask";
    ::chmod(hive.c_str(), 0646);
    EXPECT_EQ(registry.untrustedHiveReason(Hive::LocalMachine), "every user may write to it");
    ::chmod(hive.c_str(), 0644);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(hive.c_str(), quillon::test::kNobody, quillon::test::kNobody), 0);
        EXPECT_EQ(registry.untrustedHiveReason(Hive::LocalMachine),
                  "it belongs to another user (uid " + std::to_string(quillon::test::kNobody) + ")");
    }
    EXPECT_EQ(registry.untrustedHiveReason(Hive::CurrentUser), "");
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing)
{
    constexpr int kChildren = 4, kValues = 25;
    for (int c = 0; c < kChildren; ++c) {
        if (::fork() == 0) {
            Registry reg(dir);
            for (int i = 0; i < kValues; ++i)
                reg.createKey(Hive::CurrentUser, "Software\\K" + std::to_string(c % 2))
                    .writeDword("V" + std::to_string(c) + "_" + std::to_string(i), static_cast<unsigned>(i));
            std::_Exit(0);
        }
    }
    for (int c = 0; c < kChildren; ++c) {
        int status = 0;
        ::wait(&status);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Registry reg(dir);
    for (int c = 0; c < kChildren; ++c) {
        auto key = reg.openKey(Hive::CurrentUser, "Software\\K" + std::to_string(c % 2));
        ASSERT_TRUE(key);
        for (int i = 0; i < kValues; ++i)
            EXPECT_EQ(key->readDword("V" + std::to_string(c) + "_" + std::to_string(i)), static_cast<unsigned>(i));
    }
}

} // namespace

namespace {

TEST_F(RegistryTest, LargeHiveFindsEveryKeyAndMergesARepeatedKeyInAnyCase)
{
    std::string text = "REGEDIT4\r\n";
    for (int i = 0; i < 5000; ++i)
        text += "\r\n[HKEY_LOCAL_MACHINE\\Software\\K" + std::to_string(i) + "]\r\n\"V\"=\"" + std::to_string(i) + "\"\r\n";
    text += "\r\n[hkey_local_machine\\SOFTWARE\\k17\\]\r\n\"W\"=\"late\"\r\n";
    writeFileAtomically(dir + "/HKEY_LOCAL_MACHINE.reg", text);
    Registry reg(dir);
    for (int i : {0, 17, 2500, 4999})
        EXPECT_EQ(reg.openKey(Hive::LocalMachine, "Software\\K" + std::to_string(i))->readString("V"),
                  std::to_string(i));
    auto k17 = reg.openKey(Hive::LocalMachine, "software\\k17");
    EXPECT_EQ(k17->readString("W"), "late");
    k17->writeString("V", "changed");
    const std::string after = readFile(dir + "/HKEY_LOCAL_MACHINE.reg");
    EXPECT_EQ(after.find("[hkey_local_machine"), std::string::npos) << "the repeat joins the first";
    EXPECT_EQ(reg.openKey(Hive::LocalMachine, "Software\\K17")->readString("V"), "changed");
    EXPECT_EQ(reg.openKey(Hive::LocalMachine, "Software\\K4999")->readString("V"), "4999");
}

} // namespace
