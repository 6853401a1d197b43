/*
** Where the binding finds the engine library: the current directory first,
** then the directories of the registry value "DLLPATH", then the system's
** own search (here: the test program's run path, build/bin). A candidate
** that is missing or fails to load falls through to the next.
*/

#include "enginetestfixture.h"

#include "engine/enginestatus.h"
#include "engine/librarysearch.h"
#include "platform/dynlib.h"
#include "platform/registry.h"

namespace quillon::engine::test {
namespace {

namespace fs = std::filesystem;

using LibrarySearchTest = EngineTest;

TEST_F(LibrarySearchTest, CurrentDirectoryComesBeforeDllPathAndSystem)
{
    copyEngine(kFullEngine, m_cwd / kFullEngine);
    copyEngine(kFullEngine, m_root / "engine" / kFullEngine);
    setDllPath((m_root / "engine").string());
    ASSERT_EQ(EngineInit(nullptr), 0);
    EXPECT_EQ(engineFile(), m_cwd / kFullEngine);
}

TEST_F(LibrarySearchTest, BrokenFileInCurrentDirectoryFallsThroughToDllPath)
{
    writeJunk(m_cwd / kFullEngine);
    copyEngine(kFullEngine, m_root / "engine" / kFullEngine);
    setDllPath((m_root / "empty") .string() + ";" + (m_root / "engine").string());
    ASSERT_EQ(EngineInit(nullptr), 0);
    EXPECT_EQ(engineFile(), m_root / "engine" / kFullEngine);
}

TEST_F(LibrarySearchTest, DllPathAcceptsColonSeparatedDirectories)
{
    copyEngine(kFullEngine, m_root / "b" / kFullEngine);
    setDllPath((m_root / "a").string() + ":" + (m_root / "b").string() + "/");
    ASSERT_EQ(EngineInit(nullptr), 0);
    EXPECT_EQ(engineFile(), m_root / "b" / kFullEngine);
}

TEST_F(LibrarySearchTest, BrokenFilesInCurrentDirectoryAndDllPathFallThroughToSystemSearch)
{
    writeJunk(m_cwd / kFullEngine);
    writeJunk(m_root / "engine" / kFullEngine);
    setDllPath((m_root / "engine").string());
    ASSERT_EQ(EngineInit(nullptr), 0);
    EXPECT_EQ(fs::canonical(engineFile()), fs::canonical(built(kFullEngine)));
}

TEST_F(LibrarySearchTest, MissingRegistryKeyOrValueGoesStraightToSystemSearch)
{
    ASSERT_EQ(EngineInit(nullptr), 0);
    EXPECT_EQ(fs::canonical(engineFile()), fs::canonical(built(kFullEngine)));
    ASSERT_EQ(EngineExit(), 0);

    platform::Registry().createKey(platform::Hive::LocalMachine, kEngineRegistryKey).writeString("OTHER", "x");
    ASSERT_EQ(EngineInit(nullptr), 0);
    EXPECT_EQ(fs::canonical(engineFile()), fs::canonical(built(kFullEngine)));
}

TEST_F(LibrarySearchTest, DllPathInAHiveOthersCanWriteIsIgnored)
{
    copyEngine(kFullEngine, m_root / "engine" / kFullEngine);
    setDllPath((m_root / "engine").string());
    const fs::path hive = platform::Registry().hiveFile(platform::Hive::LocalMachine);
    fs::permissions(hive, fs::perms::others_write, fs::perm_options::add);
    ASSERT_EQ(EngineInit(nullptr), 0);
    EXPECT_EQ(fs::canonical(engineFile()), fs::canonical(built(kFullEngine)));
}

TEST_F(LibrarySearchTest, NoLibraryAnywhereIsNotFound)
{
    useEngine(kNoEngine);
    writeJunk(m_root / "engine" / "unrelated.so");
    setDllPath((m_root / "engine").string());
    EXPECT_EQ(EngineInit(nullptr), kStatusLibraryNotFound);
    EXPECT_EQ(bindingState().initCount, 0);
    EXPECT_EQ(bindingState().engineHandle, nullptr);
}

TEST_F(LibrarySearchTest, LibraryFoundBySystemSearchThatDoesNotLoadFailsToLoad)
{
    useEngine(kUnresolvedEngine);
    EXPECT_EQ(EngineInit(nullptr), kStatusLibraryLoadFailed);
    EXPECT_EQ(tst_engine_probe.initCalls, 0);
}

TEST_F(LibrarySearchTest, ExplicitDirectoryIsSearchedFirst)
{
    copyEngine(kFullEngine, m_root / "given" / kFullEngine);
    const platform::DynLib::Handle handle = FindAndLoadLibrary((m_root / "given").string(), kFullEngine);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(platform::DynLib::path(handle), m_root / "given" / kFullEngine);
    EXPECT_TRUE(platform::DynLib::free(handle));
}

} // namespace
} // namespace quillon::engine::test
