#pragma once

/*
** Rows from a PostgreSQL server.
**
** PgCursorRowSource reads a query through a server-side cursor.  Declaring
** it fetches a first batch of kFirstBatch rows whole, so the first rows
** (and an error on them) come after one short round trip.  The following
** FETCHes, growing to kMaxBatch rows, stream one row at a time
** (PgConnection::sendFetch), each asked for as soon as the one before has
** ended, so memory holds a row, not a batch, whatever the size of the
** result.  An error part-way through (a failing expression on a later row,
** a dropped connection) is thrown by the read that meets it, and by every
** read after it: a failed result never looks like a short one.
** Rewinding declares the cursor again.
**
** PgResultRowSource holds the rows of a statement that has already run
** (one that changes data runs exactly once; rewinding goes back to the
** start of what it returned).
*/

#include "enginelib/rowsource.h"

#include "enginelib/pgconnection.h"

#include <memory>
#include <optional>

namespace quillon::enginelib {

class PgCursorRowSource : public RowSource
{
public:
    static constexpr int kFirstBatch = 100;
    static constexpr int kMaxBatch = 8192;

    // Declares the cursor and fetches the first batch. Throws EngineError
    // with the server's message.
    // parameters: the values of the query's "$1", "$2"...
    PgCursorRowSource(std::shared_ptr<PgConnection> connection, std::string query,
                      std::vector<std::string> parameters = {});
    ~PgCursorRowSource() override;

    const std::vector<std::string> &columns() const override { return m_columns; }
    bool next(Row &row) override;
    void rewind() override;

private:
    void ask(int count); // streams the next count rows

    std::shared_ptr<PgConnection> m_connection;
    std::string m_query;
    std::vector<std::string> m_parameters;
    std::string m_name;
    uint64_t m_generation = 0;
    std::vector<std::string> m_columns;
    PgResult m_first;  // the first batch, fetched whole when the cursor was declared
    int m_nextRow = 0; // in m_first
    int m_asked = 0;   // rows asked for by the FETCH under way
    int m_arrived = 0; // rows it has given so far
    bool m_done = false; // no FETCH under way and no rows to come
    std::optional<EngineError> m_failure; // what the stream ended with
};

class PgResultRowSource : public RowSource
{
public:
    explicit PgResultRowSource(PgResult result);

    const std::vector<std::string> &columns() const override { return m_columns; }
    bool next(Row &row) override;
    void rewind() override { m_nextRow = 0; }

private:
    PgResult m_result;
    std::vector<std::string> m_columns;
    int m_nextRow = 0;
};

} // namespace quillon::enginelib
