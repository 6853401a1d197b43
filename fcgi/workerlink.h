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
** slot when it is through with its connection (Kept when the web server
** asked to keep it and it may take another request: the supervisor
** watches it for the next one), and Spent with a reason once it has
** served its most requests or grown past its memory bound: the supervisor
** retires it and starts another. How a request is going (its request
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

enum class WorkerEvent : std::uint32_t { Ready = 1, Done, Kept, Spent };

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
    // Who writes to the connection: nobody yet, the worker (response bytes
    // went out: too late for an answer of our own), or for a moment the
    // supervisor, probing whether the web server is still there.
    std::atomic<std::uint32_t> output{0};
    std::atomic<bool> ending{false};           // the response is complete; the connection closes next
    std::atomic<std::uint32_t> lineLength{0};  // of line, once it is written
    char line[400];                            // the request line
};

enum OutputOwner : std::uint32_t { kOutputNobody = 0, kOutputWorker = 1, kOutputProbe = 2 };

// The worker takes the connection for its response, waiting out a probe
// that is being written.
void claimOutput(SlotState &state);

// The supervisor writes record on the connection of slot's job, unless the
// worker has begun its response or the job has ended; true if written.
bool probeOutput(SlotState &state, std::uint32_t slot, int connection, const std::string &record);

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
        bool sent = false; // the worker has begun its response
        bool ending = true; // a slot no thread holds any more has ended
        std::string line = "a request";
    };
    // How the job of slot is going.
    View view(std::uint32_t slot) const;
    // The state of the thread serving slot, or null.
    SlotState *serving(std::uint32_t slot);

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
