#include "enginelib/pgrowsource.h"

#include <algorithm>

namespace quillon::enginelib {

PgCursorRowSource::PgCursorRowSource(std::shared_ptr<PgConnection> connection, std::string query,
                                     std::vector<std::string> parameters)
    : m_connection(std::move(connection)), m_query(std::move(query)), m_parameters(std::move(parameters)),
      m_name(m_connection->newCursorName())
{
    m_generation = m_connection->declareCursor(m_name, m_query, m_parameters, kFirstBatch, m_first);
    m_columns = pgColumns(m_first.get());
    try {
        // The next batch streams in while the first one is read.
        if (PQntuples(m_first.get()) < kFirstBatch)
            m_done = true;
        else
            ask(std::min(kFirstBatch * 4, kMaxBatch));
    } catch (...) {
        m_connection->closeCursor(m_name, m_generation);
        throw;
    }
}

PgCursorRowSource::~PgCursorRowSource()
{
    m_connection->closeCursor(m_name, m_generation);
}

void PgCursorRowSource::ask(int count)
{
    m_asked = count;
    m_arrived = 0;
    m_connection->sendFetch(m_name, count, m_generation);
}

bool PgCursorRowSource::next(Row &row)
{
    if (m_first) {
        if (m_nextRow < PQntuples(m_first.get())) {
            pgRow(m_first.get(), m_nextRow++, row);
            return true;
        }
        m_first.reset();
    }
    if (m_failure)
        throw *m_failure;
    try {
        while (!m_done) {
            if (m_connection->nextRow(m_name, m_generation, row)) {
                ++m_arrived;
                return true;
            }
            // That FETCH has ended; fewer rows than asked means the result has.
            if (m_arrived < m_asked)
                m_done = true;
            else
                ask(std::min(m_asked * 4, kMaxBatch));
        }
    } catch (const EngineError &e) {
        m_failure = e;
        throw;
    }
    return false;
}

void PgCursorRowSource::rewind()
{
    m_first.reset();
    m_failure.reset();
    m_done = false;
    try {
        m_connection->redeclareCursor(m_name, m_query, m_parameters, m_generation);
        ask(kFirstBatch);
    } catch (const EngineError &e) {
        m_failure = e;
        throw;
    }
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
