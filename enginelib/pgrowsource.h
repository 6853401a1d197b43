#pragma once

/*
** Rows from a PostgreSQL server.
**
** PgCursorRowSource reads a query through a server-side cursor, FETCHing
** in batches that grow from kFirstBatch to kMaxBatch rows, so the first
** rows come after one short round trip and memory stays at two batches
** whatever the size of the result.  Each next batch is asked for as soon
** as one arrives, so the server makes it while this one is read.
** Rewinding declares the cursor again.
**
** PgResultRowSource holds the rows of a statement that has already run
** (one that changes data runs exactly once; rewinding goes back to the
** start of what it returned).
*/

#include "enginelib/rowsource.h"

#include "enginelib/pgconnection.h"

#include <memory>

namespace quillon::enginelib {

// The column names and the text of row index of a result.
std::vector<std::string> pgColumns(const PGresult *result);
void pgRow(const PGresult *result, int index, Row &row);

class PgCursorRowSource : public RowSource
{
public:
    static constexpr int kFirstBatch = 100;
    static constexpr int kMaxBatch = 8192;

    // Declares the cursor and fetches the first batch. Throws EngineError
    // with the server's message.
    PgCursorRowSource(std::shared_ptr<PgConnection> connection, std::string query);
    ~PgCursorRowSource() override;

    const std::vector<std::string> &columns() const override { return m_columns; }
    bool next(Row &row) override;
    void rewind() override;

private:
    void fetchBatch();
    void took(int asked); // a batch of up to asked rows has arrived in m_batch
    void askAhead();      // asks for the next batch while this one is read

    std::shared_ptr<PgConnection> m_connection;
    std::string m_query;
    std::string m_name;
    uint64_t m_generation = 0;
    std::vector<std::string> m_columns;
    PgResult m_batch;
    int m_batchSize = kFirstBatch; // rows asked for by the next FETCH
    int m_nextRow = 0;             // in m_batch
    bool m_done = false;           // the last FETCH returned fewer rows than asked
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
