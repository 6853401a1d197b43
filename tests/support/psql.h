#pragma once

// psql against the test server (tests/support/pgserver.h): for setting up
// and reading back tables with the server's own client, beside the engine
// under test.

#include "tests/support/commandoutput.h"
#include "tests/support/pgserver.h"
#include "tests/support/shellquote.h"

#include <stdexcept>
#include <string>

namespace quillon::test {

// Output of psql for sql, one row a line, fields separated by tabs.
// Throws std::runtime_error with psql's output when it fails.
inline std::string psql(const PgServer &server, const std::string &sql)
{
    const std::string command = "PGPASSWORD=" + shellQuote(server.password) + " PGUSER=" +
                                shellQuote(server.user) + " psql --no-psqlrc -X -q -At -F '\t' -v ON_ERROR_STOP=1 " +
                                "-d " + shellQuote(server.uri) + " -c " + shellQuote(sql);
    const CommandRun run = runCommand(command);
    if (run.status != 0)
        throw std::runtime_error("psql failed on \"" + sql + "\": " + run.out);
    return run.out;
}

} // namespace quillon::test
