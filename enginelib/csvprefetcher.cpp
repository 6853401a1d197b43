#include "enginelib/csvprefetcher.h"

namespace quillon::enginelib {

CsvPrefetcher::CsvPrefetcher(std::unique_ptr<CsvTableReader> reader)
    : m_reader(std::move(reader)), m_thread([this] { produce(); })
{
}

CsvPrefetcher::~CsvPrefetcher()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CsvPrefetcher::produce()
{
    for (;;) {
        Batch batch;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stop || m_full.size() < kBatches; });
            if (m_stop)
                return;
            if (!m_free.empty()) {
                batch = std::move(m_free.back());
                m_free.pop_back();
            }
        }
        batch.rows.resize(kBatchRows);
        batch.lines.resize(kBatchRows);
        batch.count = 0;
        batch.last = false;
        batch.error = nullptr;
        try {
            while (batch.count < kBatchRows && m_reader->next(batch.rows[batch.count]))
                batch.lines[batch.count++] = m_reader->recordLine();
            batch.last = batch.count < kBatchRows;
        } catch (...) {
            batch.error = std::current_exception();
            batch.last = true;
        }
        const bool last = batch.last;
        {
            std::lock_guard lock(m_mutex);
            m_full.push_back(std::move(batch));
        }
        m_changed.notify_all();
        if (last)
            return;
    }
}

bool CsvPrefetcher::next(std::vector<std::string> &row, uint64_t &line)
{
    while (m_next >= m_current.count) {
        if (m_current.error)
            std::rethrow_exception(m_current.error);
        if (m_ended || m_current.last) {
            m_ended = true;
            return false;
        }
        std::unique_lock lock(m_mutex);
        if (m_current.rows.size() == kBatchRows)
            m_free.push_back(std::move(m_current));
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return !m_full.empty(); });
        m_current = std::move(m_full.front());
        m_full.pop_front();
        m_next = 0;
    }
    std::swap(row, m_current.rows[m_next]);
    line = m_current.lines[m_next++];
    return true;
}

} // namespace quillon::enginelib
