#include "platform/atomicfile.h"
#include "platform/filelock.h"
#include "tests/support/tempdir.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/sysmacros.h>
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
    void TearDown() override
    {
        // A test may have made the folder read-only; it must still go.
        ::chmod(dir.c_str(), 0700);
        faults::failNthWrite(0);
    }
    int fileCount() const
    {
        return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }
    quillon::test::TempDir scratch{"quillon-atomic"};
    const std::string dir = scratch.path();
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

namespace {

// The temporary files of writeFileAtomically() in a folder (its names begin with ".~").
std::vector<std::string> temporaries(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir))
        if (e.path().filename().string().rfind(".~", 0) == 0)
            names.push_back(e.path().filename().string());
    return names;
}

std::string messageOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const FileError &e) {
        return e.what();
    }
    return "(no error)";
}

TEST_F(AtomicFileTest, SymbolicLinksAreWrittenThroughAndStayLinks)
{
    // A relative link, a chain of two links, and a link whose target does not exist yet.
    fs::create_directory(dir + "/real");
    writeFileAtomically(dir + "/real/demo.qnp", "old");
    fs::create_symlink("real/demo.qnp", dir + "/link.qnp");
    fs::create_symlink(dir + "/link.qnp", dir + "/chain.qnp");
    fs::create_symlink("real/new.qnp", dir + "/dangling.qnp");

    writeFileAtomically(dir + "/link.qnp", "via link");
    EXPECT_EQ(readFile(dir + "/real/demo.qnp"), "via link");
    writeFileAtomically(dir + "/chain.qnp", "via chain");
    EXPECT_EQ(readFile(dir + "/real/demo.qnp"), "via chain");
    writeFileAtomically(dir + "/dangling.qnp", "created");
    EXPECT_EQ(readFile(dir + "/real/new.qnp"), "created");
    for (const char *link : {"/link.qnp", "/chain.qnp", "/dangling.qnp"})
        EXPECT_TRUE(fs::is_symlink(dir + link)) << link;
    EXPECT_TRUE(temporaries(dir).empty());
    EXPECT_TRUE(temporaries(dir + "/real").empty());
}

TEST_F(AtomicFileTest, AnythingButARegularFileIsRefusedAndLeftAlone)
{
    const std::string fifo = dir + "/pipe", device = dir + "/full", folder = dir + "/folder";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(folder);
    std::vector<std::string> targets{fifo, folder};
    if (::mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 7)) == 0) // a /dev/full of our own
        targets.push_back(device);
    fs::create_symlink(fifo, dir + "/to-pipe");
    targets.push_back(dir + "/to-pipe");
    for (const std::string &target : targets) {
        const struct stat before = [&] { struct stat st {}; ::stat(target.c_str(), &st); return st; }();
        EXPECT_EQ(messageOf([&] { writeFileAtomically(target, "x"); }),
                  target == folder ? target + ": Is a directory" : target + " is not a regular file");
        EXPECT_EQ(messageOf([&] { readFile(target); }),
                  target == folder ? target + ": is a directory" : target + " is not a regular file");
        struct stat after {};
        ASSERT_EQ(::stat(target.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << target;
        EXPECT_EQ(after.st_mode, before.st_mode) << target;
    }
    EXPECT_TRUE(temporaries(dir).empty());
}

TEST_F(AtomicFileTest, RootKeepsTheOwnerAndGroupOfAnotherUsersFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file away";
    const std::string path = dir + "/owned.qnp";
    writeFileAtomically(path, "old");
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0); // nobody:nogroup
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    writeFileAtomically(path, "new");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(readFile(path), "new");
}

TEST_F(AtomicFileTest, FailuresSayWhy)
{
    faults::failNthWrite(1);
    EXPECT_EQ(messageOf([&] { writeFileAtomically(dir + "/p.qnp", "x"); }),
              dir + "/p.qnp: No space left on device");
    EXPECT_EQ(messageOf([&] { writeFileAtomically(dir + "/no/such/p.qnp", "x"); }),
              dir + "/no/such/p.qnp: No such file or directory");

    // A real full disk, where this machine lets us mount a small tmpfs.
    const std::string mnt = dir + "/small";
    fs::create_directory(mnt);
    if (::geteuid() != 0 || std::system(("mount -t tmpfs -o size=64k tmpfs " + mnt + " 2>/dev/null").c_str()) != 0)
        return;
    struct Unmount // also when an assertion ends the test early
    {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{mnt};
    const std::string path = mnt + "/big.qnp";
    writeFileAtomically(path, "old");
    EXPECT_EQ(messageOf([&] { writeFileAtomically(path, std::string(1 << 20, 'x')); }),
              path + ": No space left on device");
    EXPECT_EQ(readFile(path), "old");
    EXPECT_TRUE(temporaries(mnt).empty());
}

TEST_F(AtomicFileTest, LongestNamesWork)
{
    for (std::size_t length : {249u, 252u, 255u}) {
        const std::string path = dir + "/" + std::string(length - 4, 'n') + ".qnp";
        writeFileAtomically(path, "one");
        writeFileAtomically(path, "two");
        EXPECT_EQ(readFile(path), "two") << length;
    }
    EXPECT_TRUE(temporaries(dir).empty());
}

TEST_F(AtomicFileTest, NextSaveReclaimsTemporariesOfKilledWritersOnly)
{
    const std::string path = dir + "/out.qnp", other = dir + "/other.qnp";
    // Each child is killed in the middle of its write by the file size limit (SIGXFSZ).
    auto killedWriter = [](const std::string &target) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const struct rlimit limit{4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            writeFileAtomically(target, std::string(1 << 20, 'x'));
            std::_Exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
    };
    ASSERT_TRUE(killedWriter(path));
    ASSERT_TRUE(killedWriter(path)); // finds the first one's file stale and removes it
    ASSERT_EQ(temporaries(dir).size(), 1u);
    const std::string stale = temporaries(dir).front();
    ASSERT_TRUE(killedWriter(other));
    ASSERT_EQ(temporaries(dir).size(), 2u);

    // A temporary of the same target whose writer still runs: a child that
    // holds the writer's lock on it, under its own process id.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t live = ::fork();
    if (live == 0) {
        const std::string prefix = stale.substr(0, stale.find('.', 2) + 1);
        const std::string name = dir + "/" + prefix + std::to_string(::getpid()) + ".abcdef";
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT, 0600);
        ::flock(fd, LOCK_EX);
        (void)!::write(ready[1], "r", 1);
        ::pause();
        std::_Exit(0);
    }
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(temporaries(dir).size(), 3u);

    writeFileAtomically(path, "saved");
    EXPECT_EQ(readFile(path), "saved");
    // Left: the other target's one, and the live writer's one.
    EXPECT_EQ(temporaries(dir).size(), 2u);
    ::kill(live, SIGKILL);
    ::waitpid(live, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    writeFileAtomically(other, "saved");
    EXPECT_EQ(temporaries(dir).size(), 1u) << "the dead writer's file belongs to out.qnp, not other.qnp";
    writeFileAtomically(path, "again");
    EXPECT_TRUE(temporaries(dir).empty());
}

TEST_F(AtomicFileTest, ReadsAreBoundedToTwoGigabytes)
{
    const std::string path = dir + "/huge.qnp";
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kMaxReadSize) + 1), 0); // sparse
        ::close(fd);
    }
    EXPECT_EQ(messageOf([&] { readFile(path); }), path + ": larger than the 2 GB limit");
}

} // namespace
