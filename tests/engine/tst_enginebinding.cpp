/*
** The binding's life cycle against a test engine library: opening and
** closing the engine with its count, binding the module on the first engine
** call, resolving slots, unbinding, and the status codes of each failure.
*/

#include "enginetestfixture.h"

#include "engine/enginefunctions.h"
#include "engine/enginestatus.h"
#include "engine/loaderlock.h"
#include "platform/dynlib.h"

#include <cstring>

namespace quillon::engine::test {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kDeleteSlot = slotOfOrdinal(QDBI_ORD_DELETEALIAS);
constexpr std::size_t kAddSlot = slotOfOrdinal(QDBI_ORD_ADDALIAS);
constexpr std::size_t kLastErrorSlot = slotOfOrdinal(QDBI_ORD_GETLASTERROR);

using EngineBindingTest = EngineTest;

TEST_F(EngineBindingTest, InitPassesVersionAndEnvironmentAndExitClosesAndFrees)
{
    int env = 0;
    ASSERT_EQ(EngineInit(&env), 0);
    EXPECT_EQ(tst_engine_probe.initVersion, 300u);
    EXPECT_EQ(tst_engine_probe.initEnv, &env);
    EXPECT_TRUE(loaded());
    EXPECT_TRUE(bindingState().lockSetUp);
    EXPECT_EQ(bindingState().moduleHandle, nullptr) << "opening the engine binds no module";

    ASSERT_EQ(EngineExit(), 0);
    EXPECT_EQ(tst_engine_probe.exitCalls, 1);
    EXPECT_FALSE(loaded());
    EXPECT_EQ(bindingState().engineHandle, nullptr);
}

TEST_F(EngineBindingTest, TwoInitsNeedTwoExitsAndTheHandleIsStoredAtTheFirst)
{
    ASSERT_EQ(EngineInit(nullptr), 0);
    void *first = bindingState().engineHandle;
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(EngineInit(nullptr), 0);
    EXPECT_EQ(bindingState().engineHandle, first);
    EXPECT_EQ(bindingState().initCount, 2);

    ASSERT_EQ(EngineExit(), 0);
    EXPECT_TRUE(loaded());
    EXPECT_EQ(bindingState().initCount, 1);
    ASSERT_EQ(EngineExit(), 0);
    EXPECT_FALSE(loaded());
    EXPECT_EQ(tst_engine_probe.initCalls, 2);
    EXPECT_EQ(tst_engine_probe.exitCalls, 2);
}

TEST_F(EngineBindingTest, ExitWithoutInitIsEntryNotFound)
{
    EXPECT_EQ(EngineExit(), kStatusEntryNotFound);
    EXPECT_EQ(tst_engine_probe.exitCalls, 0);
}

TEST_F(EngineBindingTest, FailingDbiExitKeepsTheCountAndTheLibrary)
{
    ASSERT_EQ(EngineInit(nullptr), 0);
    tst_engine_probe.exitResult = QDBIERR_INTERNAL;
    EXPECT_EQ(EngineExit(), QDBIERR_INTERNAL);
    EXPECT_EQ(bindingState().initCount, 1);
    EXPECT_TRUE(loaded());
    tst_engine_probe.exitResult = 0;
}

TEST_F(EngineBindingTest, FailingDbiInitFnAfterLoadingFreesTheLibraryAndTearsTheLockDown)
{
    tst_engine_probe.initResult = QDBIERR_VERSIONMISMATCH;
    EXPECT_EQ(EngineInit(nullptr), QDBIERR_VERSIONMISMATCH);
    EXPECT_EQ(tst_engine_probe.initCalls, 1);
    EXPECT_FALSE(loaded());
    const BindingState state = bindingState(); // takes the lock: sets it up again
    EXPECT_EQ(state.initCount, 0);
    EXPECT_EQ(state.engineHandle, nullptr);
}

TEST_F(EngineBindingTest, FailingDbiInitFnOnAnOpenEngineKeepsEverything)
{
    ASSERT_EQ(EngineInit(nullptr), 0);
    tst_engine_probe.initResult = QDBIERR_INTERNAL;
    EXPECT_EQ(EngineInit(nullptr), QDBIERR_INTERNAL);
    EXPECT_EQ(bindingState().initCount, 1);
    EXPECT_TRUE(loaded());
    EXPECT_TRUE(bindingState().lockSetUp);
}

TEST_F(EngineBindingTest, LibraryWithoutDbiInitFnIsRefusedAndFreed)
{
    useEngine(kBareEngine);
    EXPECT_EQ(EngineInit(nullptr), kStatusNoInitEntry);
    EXPECT_FALSE(loaded());
    EXPECT_EQ(bindingState().initCount, 0);
}

TEST_F(EngineBindingTest, FirstCallBindsLoadsAndCallsDllInitWithTheRecords)
{
    EXPECT_TRUE(slotOnStub(kDeleteSlot));
    EXPECT_EQ(DbiDeleteAlias(nullptr, "OLD"), 0);
    EXPECT_STREQ(tst_engine_probe.aliasName, "OLD");
    EXPECT_FALSE(slotOnStub(kDeleteSlot));
    EXPECT_TRUE(slotOnStub(kAddSlot)) << "each slot resolves on its own first call";

    const BindingState state = bindingState();
    EXPECT_NE(state.moduleHandle, nullptr);
    EXPECT_EQ(state.moduleFlags, kModuleOwnsReference);
    EXPECT_EQ(tst_engine_probe.dllInitCalls, 1);
    EXPECT_EQ(tst_engine_probe.initRecordVersion, 1u);
    EXPECT_STREQ(tst_engine_probe.initRecordName, kFullEngine);
    EXPECT_EQ(tst_engine_probe.clientRecord, &loaderClientRecord());

    const LoaderClientRecord &client = loaderClientRecord();
    EXPECT_EQ(std::memcmp(client.signature, "VQX", 4), 0);
    EXPECT_EQ(client.version, 1);
    EXPECT_EQ(client.unloadNotify, &UnloadNotify);

    EXPECT_EQ(DbiAddAlias(nullptr, "NEW", nullptr, "PATH:/x", 1), 0);
    EXPECT_STREQ(tst_engine_probe.aliasParams, "PATH:/x");
    EXPECT_TRUE(tst_engine_probe.driverTypeNull);
    EXPECT_EQ(tst_engine_probe.persistent, 1u);
    EXPECT_EQ(tst_engine_probe.dllInitCalls, 1) << "a bound module is not bound again";
}

TEST_F(EngineBindingTest, EngineStatusPassesThroughTheSlot)
{
    EXPECT_EQ(DbiDeleteAlias(nullptr, "NOSUCHALIAS"), QDBIERR_UNKNOWNALIAS);
    EXPECT_EQ(DbiDeleteAlias(nullptr, "NOSUCHALIAS"), QDBIERR_UNKNOWNALIAS);
    EXPECT_EQ(tst_engine_probe.ordinalCalls, 2);
}

TEST_F(EngineBindingTest, CallAfterInitBindsToTheOpenLibraryWithoutAReference)
{
    ASSERT_EQ(EngineInit(nullptr), 0);
    EXPECT_EQ(DbiDeleteAlias(nullptr, "A"), 0);
    const BindingState state = bindingState();
    EXPECT_EQ(state.moduleHandle, state.engineHandle);
    EXPECT_EQ(state.moduleFlags, 0);
    EXPECT_EQ(tst_engine_probe.dllInitCalls, 1);

    EXPECT_EQ(EngineLibraryExit(), 0);
    ASSERT_EQ(EngineExit(), 0);
    EXPECT_FALSE(loaded()) << "the module took no reference of its own";
}

TEST_F(EngineBindingTest, NoLibraryAnywhereLeavesTheSlotOnItsStubAndTheNextCallSearchesAgain)
{
    useEngine(kNoEngine);
    EXPECT_EQ(DbiDeleteAlias(nullptr, "A"), kStatusLibraryUnavailable);
    EXPECT_TRUE(slotOnStub(kDeleteSlot));
    EXPECT_EQ(bindingState().moduleHandle, nullptr);

    copyEngine(kFullEngine, m_cwd / kNoEngine);
    EXPECT_EQ(DbiDeleteAlias(nullptr, "A"), 0);
    EXPECT_FALSE(slotOnStub(kDeleteSlot));
    EXPECT_EQ(moduleFile(), m_cwd / kNoEngine);
}

TEST_F(EngineBindingTest, MissingOrdinalIsEntryNotFoundAndStaysOnTheStub)
{
    DBIResult status = 0;
    EXPECT_EQ(DbiGetLastError(&status, nullptr, 0), kStatusEntryNotFound);
    EXPECT_TRUE(slotOnStub(kLastErrorSlot));
    EXPECT_NE(bindingState().moduleHandle, nullptr) << "the module is bound even so";
}

TEST_F(EngineBindingTest, LibraryExitCallsExitEntryPutsSlotsBackAndNextCallRebinds)
{
    ASSERT_EQ(DbiDeleteAlias(nullptr, "A"), 0);
    ASSERT_EQ(DbiAddAlias(nullptr, "A", nullptr, "PATH:", 1), 0);
    EXPECT_EQ(EngineLibraryExit(), 0);
    EXPECT_EQ(tst_engine_probe.dllExitCalls, 1);
    EXPECT_EQ(tst_engine_probe.dllExit2Calls, 0) << "the second exit entry only stands in for a missing first";
    for (std::size_t slot = 0; slot < kFunctionCount; ++slot)
        ASSERT_TRUE(slotOnStub(slot)) << "slot " << slot;
    const BindingState state = bindingState();
    EXPECT_EQ(state.moduleHandle, nullptr);
    EXPECT_EQ(state.moduleFlags, 0);
    EXPECT_TRUE(loaded()) << "unbinding frees nothing";

    EXPECT_EQ(DbiDeleteAlias(nullptr, "B"), 0);
    EXPECT_EQ(tst_engine_probe.dllInitCalls, 2);
    EXPECT_EQ(bindingState().moduleFlags, 0) << "found loaded: no further reference";
}

TEST_F(EngineBindingTest, SecondExitEntryGetsTheClientRecord)
{
    useEngine(kExit2Engine);
    ASSERT_EQ(DbiDeleteAlias(nullptr, "A"), 0);
    EXPECT_EQ(EngineLibraryExit(), 0);
    EXPECT_EQ(tst_engine_probe.dllExit2Calls, 1);
    EXPECT_EQ(tst_engine_probe.exit2Record, &loaderClientRecord());
}

TEST_F(EngineBindingTest, LastExitUnbindsAModuleThatHasNoReferenceOfItsOwn)
{
    // Without this, the slot would keep pointing into an unmapped library.
    ASSERT_EQ(EngineInit(nullptr), 0);
    ASSERT_EQ(DbiDeleteAlias(nullptr, "A"), 0);
    ASSERT_EQ(EngineExit(), 0);
    EXPECT_FALSE(loaded());
    EXPECT_TRUE(slotOnStub(kDeleteSlot));
    EXPECT_EQ(bindingState().moduleHandle, nullptr);

    EXPECT_EQ(DbiDeleteAlias(nullptr, "B"), 0) << "the next call binds afresh";
    EXPECT_STREQ(tst_engine_probe.aliasName, "B");
}

TEST_F(EngineBindingTest, UnloadNotifyTearsTheLockDownAndTheNextTakeSetsItUp)
{
    ASSERT_EQ(DbiDeleteAlias(nullptr, "A"), 0);
    EXPECT_TRUE(LoaderLock::instance().isSetUp());
    const auto *client = static_cast<const LoaderClientRecord *>(tst_engine_probe.clientRecord);
    ASSERT_NE(client, nullptr);
    client->unloadNotify(bindingState().moduleHandle);
    EXPECT_FALSE(LoaderLock::instance().isSetUp());
    EXPECT_EQ(DbiAddAlias(nullptr, "A", nullptr, "PATH:", 1), 0);
    EXPECT_TRUE(LoaderLock::instance().isSetUp());
}

} // namespace
} // namespace quillon::engine::test
