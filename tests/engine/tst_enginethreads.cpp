/*
** Sixteen threads make their first engine calls at the same moment: every
** call must reach the library with its own arguments, the module must be
** bound exactly once, and the lock's set-up must hold up. Built into its own
** program, labelled for the ThreadSanitizer run.
*/

#include "enginetestfixture.h"

#include "engine/enginefunctions.h"
#include "engine/loaderlock.h"

#include <barrier>
#include <thread>
#include <vector>

namespace quillon::engine::test {
namespace {

using EngineThreadsTest = EngineTest;

constexpr int kThreads = 16;

TEST_F(EngineThreadsTest, SixteenThreadsMakeTheirFirstCallsAtOnce)
{
    std::barrier start(kThreads);
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            uint32_t count = 0;
            if (DbiListCount(nullptr, &count) != 0 || count != 7)
                ++failures[t];
            if (DbiGetColumnCount(nullptr, &count) != 0 || count != 3)
                ++failures[t];
            if (DbiMoveFirst(reinterpret_cast<hDBICur>(0x1234)) != 0)
                ++failures[t];
            if (DbiMoveFirst(nullptr) != QDBIERR_INVALIDHANDLE)
                ++failures[t];
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_EQ(tst_engine_probe.ordinalCalls, 4 * kThreads);
    EXPECT_EQ(tst_engine_probe.dllInitCalls, 1) << "the module is bound once";
    EXPECT_FALSE(slotOnStub(slotOfOrdinal(QDBI_ORD_LISTCOUNT)));
}

TEST_F(EngineThreadsTest, ThreadsOpenAndCloseTheEngineWithoutLosingACount)
{
    std::barrier start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            start.arrive_and_wait();
            EXPECT_EQ(EngineInit(nullptr), 0);
        });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(bindingState().initCount, kThreads);
    threads.clear();
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            start.arrive_and_wait();
            EXPECT_EQ(EngineExit(), 0);
        });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(bindingState().initCount, 0);
    EXPECT_FALSE(loaded()) << "one load reference, freed once";
}

TEST_F(EngineThreadsTest, CallsRacingLibraryExitEitherSucceedOrRebind)
{
    std::barrier start(kThreads + 1);
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int i = 0; i < 20; ++i) {
                uint32_t count = 0;
                if (DbiListCount(nullptr, &count) != 0 || count != 7)
                    ++failures[t];
            }
        });
    ASSERT_EQ(EngineInit(nullptr), 0); // keeps the library mapped throughout
    start.arrive_and_wait();
    for (int i = 0; i < 20; ++i)
        EngineLibraryExit();
    for (std::thread &thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
}

} // namespace
} // namespace quillon::engine::test
