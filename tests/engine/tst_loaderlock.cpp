/*
** The loader lock: recursive, set up under the named mutex, and torn down
** by its holder without stranding the threads that wait for it.
*/

#include "engine/loaderlock.h"
#include "platform/filelock.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <thread>

#include <sys/syscall.h>
#include <unistd.h>

namespace quillon::engine::test {
namespace {

class LoaderLockTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = quillon::test::TempDir::create("tst_loaderlock");
        setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
        LoaderLock::instance().take();
        LoaderLock::instance().tearDown();
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::filesystem::path m_dir;
};

// The scheduler's state of one of this process's threads: 'R' running or
// runnable, 'S' asleep in the kernel (as on a futex or an flock), ...
char threadState(pid_t tid)
{
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    const auto paren = stat.rfind(')');
    return paren == std::string::npos || paren + 2 >= stat.size() ? '?' : stat[paren + 2];
}

/*
** A thread that takes the lock, notes that it has it and releases it. Its
** thread id and "about to take" are published before it calls take(), and
** nothing between the two can sleep, so once it is seen asleep without the
** lock it is blocked inside take(): no sleep in the test decides that.
*/
class Waiter
{
public:
    Waiter()
        : m_thread([this] {
              m_tid = static_cast<pid_t>(::syscall(SYS_gettid));
              m_aboutToTake = true;
              LoaderLock::instance().take();
              m_taken = true;
              LoaderLock::instance().release();
          })
    {}
    ~Waiter()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    // Waits until the thread has the lock or is asleep without it; true if
    // it is blocked.
    bool settlesBlocked() const
    {
        while (!m_aboutToTake)
            std::this_thread::yield();
        while (!m_taken && threadState(m_tid) != 'S')
            std::this_thread::yield();
        return !m_taken;
    }
    bool taken() const { return m_taken; }
    void join() { m_thread.join(); }

private:
    std::atomic<pid_t> m_tid{0};
    std::atomic<bool> m_aboutToTake{false};
    std::atomic<bool> m_taken{false};
    std::thread m_thread;
};

// Whether another thread manages to take and release the lock. A thread
// that stays blocked fails the test instead of hanging it.
bool anotherThreadTakesIt()
{
    auto waiter = std::make_unique<Waiter>();
    if (waiter->settlesBlocked()) {
        (void)waiter.release(); // left blocked: the test has failed anyway
        return false;
    }
    waiter->join();
    return true;
}

TEST_F(LoaderLockTest, SameThreadTakesItAgainAndReleasesLevelByLevel)
{
    LoaderLock &lock = LoaderLock::instance();
    lock.take();
    lock.take();
    Waiter waiter;
    ASSERT_TRUE(waiter.settlesBlocked());
    // Releasing one of two levels keeps the lock: the waiter, woken by any
    // real unlock, would run and take it before it could sleep again.
    lock.release();
    EXPECT_TRUE(lock.heldByThisThread());
    EXPECT_TRUE(waiter.settlesBlocked()) << "the lock is still held once";
    lock.take();
    EXPECT_TRUE(waiter.settlesBlocked()) << "taken again by its holder";
    lock.release();
    lock.release();
    waiter.join();
    EXPECT_TRUE(waiter.taken());
    EXPECT_FALSE(lock.heldByThisThread());
}

TEST_F(LoaderLockTest, SetUpWaitsForTheNamedMutex)
{
    LoaderLock &lock = LoaderLock::instance();
    ASSERT_FALSE(lock.isSetUp());
    std::optional<Waiter> waiter;
    {
        platform::FileLock named(LoaderLock::namedMutexPath());
        EXPECT_EQ(std::filesystem::path(LoaderLock::namedMutexPath()).parent_path(), m_dir);
        waiter.emplace();
        EXPECT_TRUE(waiter->settlesBlocked()) << "set-up must wait while another holder has LIBLDRMUX";
        EXPECT_FALSE(lock.isSetUp());
    }
    waiter->join();
    EXPECT_TRUE(waiter->taken());
    EXPECT_TRUE(lock.isSetUp());
}

TEST_F(LoaderLockTest, TearDownByTheHolderLetsAWaiterIn)
{
    LoaderLock &lock = LoaderLock::instance();
    lock.take();
    lock.take();
    Waiter waiter;
    ASSERT_TRUE(waiter.settlesBlocked());
    lock.tearDown(); // drops both levels
    waiter.join();
    EXPECT_TRUE(waiter.taken());
    lock.release(); // no longer held: does nothing
    EXPECT_FALSE(lock.heldByThisThread());

    EXPECT_TRUE(anotherThreadTakesIt());
    EXPECT_TRUE(lock.isSetUp());
}

TEST_F(LoaderLockTest, TearDownOfALockTakenWhileTornDownStillReleasesIt)
{
    LoaderLock &lock = LoaderLock::instance();
    lock.take();
    lock.tearDown();
    lock.take();
    lock.tearDown();
    EXPECT_FALSE(lock.heldByThisThread());
    EXPECT_TRUE(anotherThreadTakesIt());
}

} // namespace
} // namespace quillon::engine::test
