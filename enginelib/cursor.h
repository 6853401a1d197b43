#pragma once

/*
** A cursor: a current row over a RowSource, moved first, prior, next and
** last, with beginning- and end-of-data flags.
**
** Rows are fetched as the cursor reaches them.  The cursor keeps a window
** of at most kWindow rows around the newest ones fetched; moving back past
** its start rewinds the source and reads forward to a point half a window
** before the wanted row, so stepping backwards costs amortised O(1) rows
** per step and memory never grows with the table.
**
** A move that fails (a malformed row) throws and leaves the position as it
** was.
*/

#include "enginelib/rowsource.h"

#include <cstdint>
#include <deque>
#include <memory>

namespace quillon::enginelib {

class Cursor
{
public:
    static constexpr uint64_t kWindow = 256;

    explicit Cursor(std::unique_ptr<RowSource> source); // moves to the first row

    const std::vector<std::string> &columns() const { return m_source->columns(); }
    void moveFirst();
    void moveNext();
    void movePrior();
    void moveLast();
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    // The current row; throws EngineError(QDBIERR_NOCURRENTROW) if there is none.
    const Row &current() const;

private:
    bool fetch(uint64_t index); // makes row index available; false if there are fewer rows
    void readOne();             // one more row from the source into the window

    std::unique_ptr<RowSource> m_source;
    std::deque<Row> m_window;   // rows [m_windowStart, m_sourcePos)
    uint64_t m_windowStart = 0;
    uint64_t m_sourcePos = 0;   // rows delivered by the source since its last rewind
    bool m_sourceDone = false;  // the source has no more rows after m_sourcePos
    bool m_hasRow = false;
    uint64_t m_index = 0;
    bool m_bof = true;
    bool m_eof = true;
};

} // namespace quillon::enginelib
