#pragma once

/*
** The rows of a CSV table read on a thread of its own, a few batches ahead
** of the caller, so that parsing the file and using its rows (SQLite's
** work on a query) run on two cores at once.
**
** The caller sees exactly what the reader gives, in the same order, each
** row with the line it began on; an error the reader meets is thrown after
** the rows before it, where a sequential reader would have thrown it.
** Rows are handed over by swapping, so their strings' storage goes back
** and forth between the threads instead of being allocated anew.  At most
** kBatches batches of kBatchRows rows are held.  Destroying the prefetcher
** stops the thread, also when the caller has not read to the end.
*/

#include "enginelib/csvtablereader.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillon::enginelib {

class CsvPrefetcher
{
public:
    static constexpr size_t kBatchRows = 4096;
    static constexpr size_t kBatches = 4;

    // Reads the rows of reader (its header already read) on a new thread.
    explicit CsvPrefetcher(std::unique_ptr<CsvTableReader> reader);
    ~CsvPrefetcher();
    CsvPrefetcher(const CsvPrefetcher &) = delete;
    CsvPrefetcher &operator=(const CsvPrefetcher &) = delete;

    // The next row and the line it began on; false at the end. Throws the
    // reader's error.
    bool next(std::vector<std::string> &row, uint64_t &line);

private:
    struct Batch
    {
        std::vector<std::vector<std::string>> rows;
        std::vector<uint64_t> lines;
        size_t count = 0;
        bool last = false;           // nothing follows this batch
        std::exception_ptr error;    // thrown after its rows
    };
    void produce();

    std::unique_ptr<CsvTableReader> m_reader;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_full;  // read, waiting for the caller
    std::vector<Batch> m_free; // given back, for their storage
    bool m_stop = false;
    Batch m_current; // the caller's
    size_t m_next = 0;
    bool m_ended = false;
    std::thread m_thread; // last, so it starts after everything it uses
};

} // namespace quillon::enginelib
