#pragma once

// A test with the engine open, its configuration file in a fresh folder
// (QUILLON_ENGINE_CONFIG) and an empty data folder.

#include "entryapi.h"
#include "enginetestsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace enginetest {

class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("QUILLON_ENGINE_CONFIG", config().c_str(), 1);
        ASSERT_EQ(DbiInitFn(QDBI_INTERFACE_VERSION, nullptr), 0);
    }
    void TearDown() override
    {
        EXPECT_EQ(DbiExit(), 0);
        ::unsetenv("QUILLON_ENGINE_CONFIG");
    }

    std::string config() const { return m_configDir.file("engine.cfg"); }
    std::string data(const std::string &name) const { return m_dataDir.file(name); }

    // Registers alias over the data folder (or a SQLite file) and opens it.
    hDBIDb openData(const char *driver = nullptr, const std::string &path = {})
    {
        const std::string params = "PATH:" + (path.empty() ? m_dataDir.path() : path);
        EXPECT_EQ(DbiAddAlias(nullptr, "DATA", driver, params.c_str(), 0), 0) << lastError();
        hDBIDb db = nullptr;
        EXPECT_EQ(DbiOpenDatabase("DATA", "USER NAME=someone\nPASSWORD=secret", &db), 0) << lastError();
        return db;
    }

    std::vector<std::vector<std::string>> query(hDBIDb db, const std::string &sql)
    {
        hDBICur cursor = nullptr;
        if (DBIResult rc = DbiOpenQuery(db, sql.c_str(), &cursor))
            return {{"<" + std::to_string(rc) + ": " + lastError() + ">"}};
        return takeRows(cursor);
    }

    TempDir m_configDir;
    TempDir m_dataDir;
};

} // namespace enginetest
