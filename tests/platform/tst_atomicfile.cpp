#include "platform/atomicfile.h"
#include "platform/filelock.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillon::platform;
namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/quillon-atomic-XXXXXX";
        dir = ::mkdtemp(tmpl);
    }
    void TearDown() override
    {
        ::chmod(dir.c_str(), 0700);
        fs::remove_all(dir);
        faults::failNthWrite(0);
    }
    int fileCount() const
    {
        return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }
    std::string dir;
};

TEST_F(AtomicFileTest, WritesAndReadsBytesExactly)
{
    const std::string path = dir + "/a.bin";
    std::string data("x\0y\r\n\xff\x80", 7);
    writeFileAtomically(path, data);
    EXPECT_EQ(readFile(path), data);
    writeFileAtomically(path, "");
    EXPECT_EQ(readFile(path), "");
    EXPECT_EQ(fileCount(), 1);
}

TEST_F(AtomicFileTest, MissingFileIsNulloptButOtherFailuresThrow)
{
    EXPECT_FALSE(readFileIfExists(dir + "/none").has_value());
    EXPECT_THROW(readFile(dir + "/none"), FileError);
    EXPECT_THROW(readFile(dir), FileError);
}

TEST_F(AtomicFileTest, FailedWriteKeepsOldFileAndLeavesNoTemporary)
{
    const std::string path = dir + "/p.qnp";
    writeFileAtomically(path, "old contents");
    faults::failNthWrite(1);
    try {
        writeFileAtomically(path, std::string(100000, 'n'));
        FAIL() << "write should have failed";
    } catch (const FileError &e) {
        EXPECT_EQ(e.path(), path);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
    EXPECT_EQ(readFile(path), "old contents");
    EXPECT_EQ(fileCount(), 1);
}

// Root ignores folder permissions, so the writer runs as an unprivileged user.
TEST_F(AtomicFileTest, ReadOnlyFolderFailsWithoutTouchingTheFile)
{
    const std::string path = dir + "/p.qnp";
    writeFileAtomically(path, "old");
    const std::string failure = quillon::test::runUnprivileged({dir}, [&]() -> std::string {
        ::chmod(dir.c_str(), 0500);
        std::string result;
        try {
            writeFileAtomically(path, "new");
            result = "the write into a read-only folder succeeded";
        } catch (const FileError &) {
        }
        ::chmod(dir.c_str(), 0700);
        return result;
    });
    EXPECT_EQ(failure, "");
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(fileCount(), 1);
}

TEST_F(AtomicFileTest, MissingFolderFails)
{
    EXPECT_THROW(writeFileAtomically(dir + "/no/such/file", "x"), FileError);
}

TEST_F(AtomicFileTest, KeepsPermissionsOfReplacedFile)
{
    const std::string path = dir + "/perm";
    writeFileAtomically(path, "a");
    ::chmod(path.c_str(), 0640);
    writeFileAtomically(path, "b");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(AtomicFileTest, LockSerialisesProcesses)
{
    // Each child appends its digit under the lock by read-modify-replace;
    // without the lock some updates would be lost.
    const std::string path = dir + "/counter";
    writeFileAtomically(path, "");
    constexpr int kChildren = 4, kRounds = 50;
    for (int c = 0; c < kChildren; ++c) {
        if (::fork() == 0) {
            for (int i = 0; i < kRounds; ++i) {
                FileLock lock(path + ".lock");
                std::string s = readFile(path);
                s += static_cast<char>('0' + c);
                writeFileAtomically(path, s);
            }
            std::_Exit(0);
        }
    }
    for (int c = 0; c < kChildren; ++c) {
        int status = 0;
        ::wait(&status);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(readFile(path).size(), static_cast<std::size_t>(kChildren * kRounds));
}

} // namespace
