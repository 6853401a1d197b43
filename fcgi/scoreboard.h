#pragma once

/*
** The scoreboard: how each worker thread's request is going, in one
** region of memory that the supervisor and every worker share (mmap
** MAP_SHARED | MAP_ANONYMOUS, made before the first worker is forked, so
** each worker inherits it). A worker takes a row of places when it is
** started, one place a thread, and the supervisor gives the row back once
** it has reaped the worker and read what the row said of its end.
**
** A worker thread writes its own place: what it is doing (its stance),
** the job it serves and when that began, the request's id, line and
** connection, whether response bytes went out, whether the response is
** complete, and, from a fault handler or the exit hook, that the process
** is ending in this thread's request. Workers take most connections
** themselves, so the places are how the supervisor learns of them: it
** reads them on its rounds (a request running long, a death, a hang-up,
** whether any thread is free to accept) and writes only to claim a
** connection for a probe. The board's head counts the threads accepting
** now, so that the thread that takes the last of them asks for another
** worker at once.
**
** Every field is a lock-free atomic or bytes published by one: a signal
** handler may read and write them.
*/

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon::fcgi {

// Who writes to a place's connection: nobody yet, the worker (response
// bytes went out: too late for an answer of the supervisor's own), for a
// moment the supervisor, probing whether the web server is still there, or
// a thread of the worker answering 500 as the process ends (the thread
// that serves the request must not write after it).
enum OutputOwner : std::uint32_t { kOutputNobody = 0, kOutputWorker = 1, kOutputProbe = 2, kOutputFailed = 3 };

// A place's fault when the extension called exit() in its request (a
// signal's number otherwise).
constexpr std::int32_t kFaultExit = 256;

// What a worker thread is doing.
enum Stance : std::uint32_t {
    kStanceStarting = 0, // not in its loop yet, or out of it
    kStanceAccepting,    // waiting, and taking new connections from the listening socket
    kStanceWaiting,      // waiting on connections it holds (kept ones) and its line only
    kStanceServing,      // serving a request
};

// Jobs a worker thread took itself from the listening socket carry this
// bit; jobs the supervisor passed carry its own numbers, below it.
constexpr std::uint32_t kDirectJob = 0x80000000u;

struct Score
{
    std::atomic<std::uint32_t> job{0};          // the number of the job served; 0 for none
    std::atomic<std::uint32_t> stance{kStanceStarting};
    std::atomic<std::int64_t> started{0};       // when the job began (steady clock, nanoseconds)
    std::atomic<std::int32_t> requestId{0};     // the FastCGI request id, once its opening was read
    std::atomic<std::int32_t> connection{-1};   // the job's descriptor in the worker
    std::atomic<std::uint32_t> output{kOutputNobody};
    std::atomic<bool> ending{false};            // the response is complete; the connection closes next
    std::atomic<std::int32_t> fault{0};         // the signal (or kFaultExit) that ended the worker in this job
    std::atomic<std::uint32_t> lineLength{0};   // of line, once it is written
    char line[400];                             // the request line
};
static_assert(std::atomic<std::uint32_t>::is_always_lock_free && std::atomic<std::int32_t>::is_always_lock_free
              && std::atomic<std::int64_t>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

// The head of the board.
struct BoardHead
{
    std::atomic<std::int32_t> accepting{0}; // threads in kStanceAccepting, all workers together
    std::atomic<bool> growAsked{false};     // a worker asked for another; the supervisor clears it
};

// The worker takes the connection for its response, waiting out a probe
// that is being written.
void claimOutput(Score &score);

// The supervisor writes record on the connection of job, unless the worker
// has begun its response or the job has ended; true if written.
bool probeOutput(Score &score, std::uint32_t job, int connection, const std::string &record);

class Scoreboard
{
public:
    // Room for `rows` workers of `threads` threads each.
    Scoreboard(unsigned rows, unsigned threads);
    ~Scoreboard();
    Scoreboard(const Scoreboard &) = delete;
    Scoreboard &operator=(const Scoreboard &) = delete;

    // A free row, its places cleared, for a worker about to be forked; -1
    // when every row is taken.
    int takeRow();
    void giveBack(int row);

    Score &place(int row, unsigned thread) { return m_places[static_cast<std::size_t>(row) * m_threads + thread]; }
    const Score &place(int row, unsigned thread) const
    {
        return m_places[static_cast<std::size_t>(row) * m_threads + thread];
    }
    unsigned threads() const { return m_threads; }
    BoardHead &head() const { return *m_head; }

    // A thread of row moves to stance (kept in the head's count too); the
    // previous stance is returned.
    std::uint32_t setStance(int row, unsigned thread, std::uint32_t stance);
    // The places of row in each stance.
    unsigned count(int row, std::uint32_t stance) const;

    struct View
    {
        bool sent = false;   // the worker has begun its response
        bool ending = true;  // a job no thread holds any more has ended
        int fault = 0;       // the worker ended in this job: the signal, or kFaultExit
        int requestId = 0;   // the FastCGI request id, once the worker read it
        bool failed = false; // answered 500 by the thread the worker ended in
        std::string line = "a request";
    };
    // How job, served by a thread of row, is going.
    View view(int row, std::uint32_t job) const;
    // The place of the thread of row serving job, or null.
    Score *serving(int row, std::uint32_t job);

private:
    void *m_memory;
    std::size_t m_size;
    BoardHead *m_head;
    Score *m_places;
    unsigned m_rows;
    unsigned m_threads;
    std::vector<bool> m_taken; // the supervisor's own record of the rows in use
};

} // namespace quillon::fcgi
