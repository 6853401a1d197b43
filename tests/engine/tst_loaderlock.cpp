/*
** The loader lock: recursive, set up under the named mutex, and torn down
** by its holder without stranding the threads that wait for it.
*/

#include "engine/loaderlock.h"
#include "platform/filelock.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

namespace quillon::engine::test {
namespace {

using namespace std::chrono_literals;

class LoaderLockTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = makeTempDir("tst_loaderlock");
        setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
        LoaderLock::instance().take();
        LoaderLock::instance().tearDown();
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::filesystem::path m_dir;
};

// Whether another thread manages to take and release the lock within a
// second. A thread that cannot is left behind, blocked, and the test fails.
bool anotherThreadTakesIt()
{
    auto taken = std::make_shared<std::atomic<bool>>(false);
    std::thread t([taken] {
        LoaderLock::instance().take();
        *taken = true;
        LoaderLock::instance().release();
    });
    for (int i = 0; i < 100 && !*taken; ++i)
        std::this_thread::sleep_for(10ms);
    if (*taken)
        t.join();
    else
        t.detach();
    return *taken;
}

TEST_F(LoaderLockTest, SameThreadTakesItAgainAndReleasesLevelByLevel)
{
    LoaderLock &lock = LoaderLock::instance();
    lock.take();
    lock.take();
    lock.release();
    EXPECT_TRUE(lock.heldByThisThread());
    std::atomic<bool> other{false};
    std::thread t([&] {
        lock.take();
        other = true;
        lock.release();
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(other) << "the lock is still held once";
    lock.release();
    t.join();
    EXPECT_TRUE(other);
}

TEST_F(LoaderLockTest, SetUpWaitsForTheNamedMutex)
{
    LoaderLock &lock = LoaderLock::instance();
    ASSERT_FALSE(lock.isSetUp());
    std::atomic<bool> taken{false};
    std::thread t;
    {
        platform::FileLock named(LoaderLock::namedMutexPath());
        EXPECT_EQ(std::filesystem::path(LoaderLock::namedMutexPath()).parent_path(), m_dir);
        t = std::thread([&] {
            lock.take();
            taken = true;
            lock.release();
        });
        std::this_thread::sleep_for(50ms);
        EXPECT_FALSE(taken) << "set-up must wait while another holder has LIBLDRMUX";
    }
    t.join();
    EXPECT_TRUE(taken);
    EXPECT_TRUE(lock.isSetUp());
}

TEST_F(LoaderLockTest, TearDownByTheHolderLetsAWaiterIn)
{
    LoaderLock &lock = LoaderLock::instance();
    lock.take();
    lock.take();
    std::atomic<bool> taken{false};
    std::thread t([&] {
        lock.take();
        taken = true;
        lock.release();
    });
    std::this_thread::sleep_for(20ms);
    lock.tearDown(); // drops both levels
    t.join();
    EXPECT_TRUE(taken);
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
