#include "enginelib/pgrowsource.h"

#include <algorithm>

namespace quillon::enginelib {

std::vector<std::string> pgColumns(const PGresult *result)
{
    std::vector<std::string> columns;
    for (int i = 0; i < PQnfields(result); ++i)
        columns.emplace_back(PQfname(result, i));
    return columns;
}

void pgRow(const PGresult *result, int index, Row &row)
{
    const int fields = PQnfields(result);
    row.values.resize(size_t(fields));
    row.isNull.resize(size_t(fields));
    for (int i = 0; i < fields; ++i) {
        const bool null = PQgetisnull(result, index, i) != 0;
        row.isNull[size_t(i)] = null;
        if (null)
            row.values[size_t(i)].clear();
        else
            row.values[size_t(i)].assign(PQgetvalue(result, index, i), size_t(PQgetlength(result, index, i)));
    }
}

PgCursorRowSource::PgCursorRowSource(std::shared_ptr<PgConnection> connection, std::string query)
    : m_connection(std::move(connection)), m_query(std::move(query)), m_name(m_connection->newCursorName())
{
    m_generation = m_connection->declareCursor(m_name, m_query, kFirstBatch, m_batch);
    took(kFirstBatch);
    askAhead();
    m_columns = pgColumns(m_batch.get());
}

PgCursorRowSource::~PgCursorRowSource()
{
    m_connection->closeCursor(m_name, m_generation);
}

void PgCursorRowSource::fetchBatch()
{
    m_batch.reset();
    m_batch = m_connection->fetch(m_name, m_batchSize, m_generation);
    took(m_batchSize);
    askAhead();
}

void PgCursorRowSource::askAhead()
{
    if (!m_done)
        m_connection->requestFetch(m_name, m_batchSize, m_generation);
}

void PgCursorRowSource::took(int asked)
{
    m_nextRow = 0;
    m_done = PQntuples(m_batch.get()) < asked;
    m_batchSize = std::min(asked * 4, kMaxBatch);
}

bool PgCursorRowSource::next(Row &row)
{
    if (m_nextRow >= PQntuples(m_batch.get())) {
        if (m_done)
            return false;
        fetchBatch();
        if (PQntuples(m_batch.get()) == 0)
            return false;
    }
    pgRow(m_batch.get(), m_nextRow++, row);
    return true;
}

void PgCursorRowSource::rewind()
{
    m_connection->redeclareCursor(m_name, m_query, m_generation);
    m_batchSize = kFirstBatch;
    fetchBatch();
}

PgResultRowSource::PgResultRowSource(PgResult result)
    : m_result(std::move(result)), m_columns(pgColumns(m_result.get()))
{
}

bool PgResultRowSource::next(Row &row)
{
    if (m_nextRow >= PQntuples(m_result.get()))
        return false;
    pgRow(m_result.get(), m_nextRow++, row);
    return true;
}

} // namespace quillon::enginelib
