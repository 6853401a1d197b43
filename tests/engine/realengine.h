#pragma once

/*
** A fresh engine configuration and registry for tests that use the real
** engine library, with helpers to make directory databases and aliases.
*/

#include "engine/dataaccess.h"
#include "engine/enginefunctions.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace quillon::engine::test {

class RealEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = quillon::test::TempDir::create("tst_realengine");
        setenv("QUILLON_ENGINE_CONFIG", (m_root / "engine.cfg").c_str(), 1);
        setenv("QUILLON_REGISTRY_DIR", (m_root / "registry").c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }

    // Writes a CSV table into a directory database under the test folder.
    std::filesystem::path writeTable(const std::string &dir, const std::string &file, const std::string &text)
    {
        const std::filesystem::path path = m_root / dir;
        std::filesystem::create_directories(path);
        std::ofstream(path / file, std::ios::binary) << text;
        return path;
    }

    // Registers a persistent alias for a directory of the test folder.
    void addAlias(const std::string &alias, const std::string &dir)
    {
        DataAccess access;
        const std::string params = "PATH:" + (m_root / dir).string();
        ASSERT_EQ(DbiAddAlias(nullptr, alias.c_str(), nullptr, params.c_str(), 1), 0);
    }

    std::filesystem::path m_root;
};

} // namespace quillon::engine::test
