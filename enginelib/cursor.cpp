#include "enginelib/cursor.h"

#include "enginelib/engineerror.h"

namespace quillon::enginelib {

Cursor::Cursor(std::unique_ptr<RowSource> source) : m_source(std::move(source))
{
    moveFirst();
}

void Cursor::readOne()
{
    Row row;
    if (!m_window.empty() && m_window.size() >= kWindow) {
        row = std::move(m_window.front()); // reuse its storage
        m_window.pop_front();
        ++m_windowStart;
    }
    if (!m_source->next(row)) {
        m_sourceDone = true;
        return;
    }
    m_window.push_back(std::move(row));
    ++m_sourcePos;
}

bool Cursor::fetch(uint64_t index)
{
    if (index < m_windowStart) {
        const uint64_t target = index > kWindow / 2 ? index - kWindow / 2 : 0;
        m_source->rewind();
        m_window.clear();
        m_windowStart = m_sourcePos = 0;
        m_sourceDone = false;
        Row skipped;
        while (m_sourcePos < target) {
            if (!m_source->next(skipped)) {
                m_sourceDone = true;
                break;
            }
            m_windowStart = ++m_sourcePos;
        }
    }
    while (index >= m_sourcePos && !m_sourceDone)
        readOne();
    return index < m_sourcePos;
}

const Row &Cursor::current() const
{
    if (!m_hasRow)
        throw EngineError(QDBIERR_NOCURRENTROW, "The cursor has no rows");
    if (m_index < m_windowStart || m_index - m_windowStart >= m_window.size())
        throw EngineError(QDBIERR_INTERNAL, "The cursor lost its current row");
    return m_window[m_index - m_windowStart];
}

void Cursor::moveFirst()
{
    m_hasRow = fetch(0);
    m_index = 0;
    m_bof = true;
    m_eof = !m_hasRow;
}

void Cursor::moveNext()
{
    if (!m_hasRow) {
        m_eof = true;
        return;
    }
    if (fetch(m_index + 1)) {
        ++m_index;
        m_eof = false;
    } else {
        fetch(m_index);
        m_eof = true;
    }
    m_bof = false;
}

void Cursor::movePrior()
{
    if (!m_hasRow || m_index == 0) {
        m_bof = true;
        m_eof = !m_hasRow;
        return;
    }
    fetch(m_index - 1);
    --m_index;
    m_bof = false;
    m_eof = false;
}

void Cursor::moveLast()
{
    try {
        while (!m_sourceDone)
            readOne();
    } catch (...) {
        // Reading on may have slid the current row out of the window.
        if (m_hasRow)
            fetch(m_index);
        throw;
    }
    m_hasRow = m_sourcePos > 0;
    if (m_hasRow) {
        m_index = m_sourcePos - 1;
        fetch(m_index);
    }
    m_eof = true;
    m_bof = !m_hasRow;
}

} // namespace quillon::enginelib
