#pragma once

/*
** The line between the supervisor and one worker process: a Unix
** SOCK_SEQPACKET socket pair, so every message arrives whole and several
** worker threads may wait on it at once (each message goes to one).
**
** Supervisor to worker: a job, the connection's descriptor passed along
** (SCM_RIGHTS) with the slot number the supervisor keeps it under.
** Shutting the supervisor's side for writing retires the worker: its
** threads see the end and it exits after TerminateExtension.
**
** Worker to supervisor: Ready once the extension loaded, and Done with a
** slot when its connection is closed. How a request is going (its request
** line, whether response bytes were sent, whether the response is
** complete) each worker thread keeps in a SlotState in memory it shares
** with the supervisor, which reads it only when it must decide something
** (a death, a timeout, a hang-up); so a request costs two messages, the
** job and Done.
*/

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::fcgi {

enum class WorkerEvent : std::uint32_t { Ready = 1, Done };

struct WorkerMessage
{
    WorkerEvent event = WorkerEvent::Ready;
    std::uint32_t slot = 0;
    std::string text;
};

// One worker thread's request; written by the worker, read by the supervisor.
struct SlotState
{
    std::atomic<std::uint32_t> slot{0};        // the job being served; 0 for none
    std::atomic<bool> sent{false};             // response bytes went out: too late for an answer of our own
    std::atomic<bool> ending{false};           // the response is complete; the connection closes next
    std::atomic<std::uint32_t> lineLength{0};  // of line, once it is written
    char line[400];                            // the request line
};

// States for `count` threads in memory shared with the worker forked after
// it is made.
class SharedSlots
{
public:
    explicit SharedSlots(unsigned count);
    ~SharedSlots();
    SharedSlots(const SharedSlots &) = delete;
    SharedSlots &operator=(const SharedSlots &) = delete;

    SlotState &operator[](unsigned i) { return m_states[i]; }

    struct View
    {
        bool sent = false;
        bool ending = true; // a slot no thread holds any more has ended
        std::string line = "a request";
    };
    // How the job of slot is going.
    View view(std::uint32_t slot) const;

private:
    SlotState *m_states;
    unsigned m_count;
};

// Sends a message; false when the other side is gone.
bool sendMessage(int link, const WorkerMessage &message);

// Receives one message without waiting: true with a message, false when
// none is there (wouldBlock set) or the other side is gone.
bool receiveMessage(int link, WorkerMessage &message, bool &wouldBlock);

// Passes connection (the descriptor stays open here) as the job of slot.
bool sendJob(int link, int connection, std::uint32_t slot);

// Waits for a job; returns the connection's descriptor, -1 once the
// supervisor retired the worker (or is gone).
int receiveJob(int link, std::uint32_t &slot);

} // namespace quillon::fcgi
