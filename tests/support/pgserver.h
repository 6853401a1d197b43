#pragma once

// The PostgreSQL server the tests run against, from the environment that
// scripts/pgcluster prints: QUILLON_TEST_PG_URI (no password in it),
// QUILLON_TEST_PG_USER and QUILLON_TEST_PG_PASSWORD. Tests skip when the
// URI is not set.

#include <cstdlib>
#include <string>

namespace quillon::test {

struct PgServer
{
    std::string uri;
    std::string user;
    std::string password;

    bool known() const { return !uri.empty(); }
    // The open parameters of the login, as the generated code passes them.
    std::string login() const { return "USER NAME=" + user + "\r\nPASSWORD=" + password; }
    // The URI with extra query settings ("options=..."), joined with ? or &.
    std::string uriWith(const std::string &query) const
    {
        return uri + (uri.find('?') == std::string::npos ? "?" : "&") + query;
    }

    static PgServer fromEnvironment()
    {
        auto get = [](const char *name) {
            const char *value = std::getenv(name);
            return std::string(value ? value : "");
        };
        return {get("QUILLON_TEST_PG_URI"), get("QUILLON_TEST_PG_USER"), get("QUILLON_TEST_PG_PASSWORD")};
    }
};

#define QUILLON_SKIP_WITHOUT_PG(server)                                                                       \
    if (!(server).known())                                                                                     \
    GTEST_SKIP() << "QUILLON_TEST_PG_URI is not set: start a server with eval \"$(scripts/pgcluster start)\""

} // namespace quillon::test
