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
** complete) each worker thread keeps in its place on the scoreboard
** (scoreboard.h); so a request costs two messages, the job and Done.
*/

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
