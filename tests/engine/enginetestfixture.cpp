#include "enginetestfixture.h"

#include "engine/loaderlock.h"
#include "engine/librarysearch.h"
#include "platform/dynlib.h"
#include "platform/registry.h"
#include "tests/support/tempdir.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

TstEngineProbe tst_engine_probe = {}; // declared extern "C" in probe.h

namespace quillon::engine::test {

namespace fs = std::filesystem;

void resetProbe()
{
    TstEngineProbe &p = tst_engine_probe;
    p.initCalls = p.exitCalls = p.dllInitCalls = p.dllExitCalls = p.dllExit2Calls = p.ordinalCalls = 0;
    p.initResult = p.exitResult = 0;
    p.initVersion = 0;
    p.initEnv = nullptr;
    p.initRecordVersion = 0;
    p.initRecordName[0] = '\0';
    p.clientRecord = p.exit2Record = nullptr;
    p.aliasName[0] = p.aliasParams[0] = '\0';
    p.driverTypeNull = false;
    p.persistent = 0;
}

void EngineTest::SetUp()
{
    m_root = quillon::test::TempDir::create("tst_engine");
    m_cwd = m_root / "cwd";
    fs::create_directories(m_cwd);
    fs::create_directories(m_root / "runtime");
    setenv("QUILLON_REGISTRY_DIR", (m_root / "registry").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (m_root / "runtime").c_str(), 1);
    m_oldCwd = fs::current_path();
    fs::current_path(m_cwd);
    resetProbe();
    useEngine(kFullEngine);
}

void EngineTest::TearDown()
{
    EngineLibraryExit();
    for (int i = 0; i < 100 && bindingState().initCount > 0; ++i)
        EngineExit();
    // A load reference the binding took for itself outlives the binding by
    // design; drop it, so that the next test starts with nothing loaded.
    for (int i = 0; i < 100 && loaded(); ++i)
        platform::DynLib::free(platform::DynLib::findLoaded(m_name));
    EXPECT_FALSE(loaded()) << m_name << " is still loaded after the test";
    fs::current_path(m_oldCwd);
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
}

void EngineTest::useEngine(const std::string &name)
{
    m_name = name;
    testing::setEngineLibraryName(name);
}

fs::path EngineTest::built(const std::string &name)
{
    return fs::path(QUILLON_TEST_BIN_DIR) / name;
}

void EngineTest::copyEngine(const std::string &name, const fs::path &target)
{
    fs::create_directories(target.parent_path());
    fs::copy_file(built(name), target, fs::copy_options::overwrite_existing);
}

void EngineTest::writeJunk(const fs::path &target)
{
    fs::create_directories(target.parent_path());
    std::ofstream(target) << "this is not a shared library\n";
}

void EngineTest::setDllPath(const std::string &value)
{
    platform::Registry().createKey(platform::Hive::LocalMachine, kEngineRegistryKey)
        .writeString(kEngineRegistryValue, value);
}

fs::path EngineTest::engineFile()
{
    return platform::DynLib::path(bindingState().engineHandle);
}

fs::path EngineTest::moduleFile()
{
    return platform::DynLib::path(bindingState().moduleHandle);
}

bool EngineTest::loaded() const
{
    return platform::DynLib::findLoaded(m_name) != nullptr;
}

} // namespace quillon::engine::test
