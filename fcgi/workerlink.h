#pragma once

/*
** The line between the supervisor and one worker process: a Unix
** SOCK_SEQPACKET socket pair, so every message arrives whole and several
** worker threads may wait on it at once (each message goes to one).
**
** Workers take their connections from the listening socket themselves;
** the line carries only what goes past that.
**
** Supervisor to worker: a job, the connection's descriptor passed along
** (SCM_RIGHTS) with the slot number the supervisor keeps it under: a
** request the supervisor took while no worker thread was free, or a
** connection a retiring worker gave back. Shutting the supervisor's side
** for writing retires the worker: its threads see the end, give back the
** connections they keep, and it exits after TerminateExtension.
**
** Worker to supervisor: Ready once the extension loaded; Done with a slot
** when it is through with a job's connection (the worker keeps it, when
** the web server asked so); Spent with a reason once it has served its
** most requests or grown past its memory bound (it takes no more, and the
** supervisor starts another); Grow when its thread took the last one that
** was accepting; Returned with a connection it gives back on retiring (a
** kept one, or one whose request has not come whole), for another worker.
** How a request is going each worker thread keeps in its place on the
** scoreboard (scoreboard.h).
*/

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::fcgi {

enum class WorkerEvent : std::uint32_t { Ready = 1, Done, Spent, Grow, Returned };

struct WorkerMessage
{
    WorkerEvent event = WorkerEvent::Ready;
    std::uint32_t slot = 0;
    std::string text;
    int connection = -1; // Returned: the descriptor that came with it (the receiver's to close)
};

// Sends a message (and message.connection with it, which stays open here);
// false when the other side is gone.
bool sendMessage(int link, const WorkerMessage &message);

// Receives one message without waiting: true with a message, false when
// none is there (wouldBlock set) or the other side is gone.
bool receiveMessage(int link, WorkerMessage &message, bool &wouldBlock);

// Passes connection (the descriptor stays open here) as the job of slot.
bool sendJob(int link, int connection, std::uint32_t slot);

// Takes a job without waiting: the connection's descriptor, or -1 when
// none is there (wouldBlock set) or once the supervisor retired the worker
// (or is gone).
int receiveJob(int link, std::uint32_t &slot, bool &wouldBlock);

} // namespace quillon::fcgi
