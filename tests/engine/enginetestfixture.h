#pragma once

/*
** A fresh world for each binding test: a temporary folder holding the
** current directory, the registry and the runtime folder (where the named
** mutex's lock file goes), the probe reset, and the binding pointed at the
** test engine library of the test's choice. Tear-down returns the binding
** to unbound and closed, and checks that no test engine is left loaded.
*/

#include "probe.h"

#include "engine/enginebinding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace quillon::engine::test {

inline constexpr const char *kFullEngine = "libtstidapi.so";
inline constexpr const char *kExit2Engine = "libtstidapi_exit2.so";
inline constexpr const char *kBareEngine = "libtstidapi_bare.so";
inline constexpr const char *kUnresolvedEngine = "libtstidapi_unresolved.so";
inline constexpr const char *kNoEngine = "libtstidapi_nowhere.so";

class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Points the binding at another library name.
    void useEngine(const std::string &name);

    // Path of a built test engine library.
    static std::filesystem::path built(const std::string &name);

    // A copy of a built library, or a file that is no library, at target.
    static void copyEngine(const std::string &name, const std::filesystem::path &target);
    static void writeJunk(const std::filesystem::path &target);

    // Sets the registry's "DLLPATH" value for the engine.
    void setDllPath(const std::string &value);

    // The file the engine handle (or module handle) was loaded from.
    static std::filesystem::path engineFile();
    static std::filesystem::path moduleFile();

    bool loaded() const; // the current library is in the process

    std::filesystem::path m_root;
    std::filesystem::path m_cwd;
    std::string m_name = kFullEngine;

private:
    std::filesystem::path m_oldCwd;
};

} // namespace quillon::engine::test
