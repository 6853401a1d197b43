#pragma once

/*
** One worker process of the pool: loads the extension (GetExtensionVersion
** once), says Ready, then serves on `threads` threads (one by default, so
** a request that brings the process down takes no other request with it).
**
** Each thread waits (epoll) on three things: the listening socket, while
** it holds no connection (so that the kernel wakes one free thread for
** each new connection, EPOLLEXCLUSIVE); the line to the supervisor, for
** jobs the supervisor passes; and the connections it holds: one whose
** request opening has not come whole yet, or one the web server keeps
** (FCGI_KEEP_CONN) for its next request. A held connection that sends
** nothing within the read timeout is closed. A thread that holds a
** connection takes no new ones, so a crash loses no connection but the
** thread's own.
**
** When the supervisor retires the worker, or it has served its most
** requests, the threads take no more connections, give the ones they hold
** back to the supervisor, finish their requests, TerminateExtension runs
** and the process exits with 0; when the library does not load it prints
** why and exits with 2.
**
** A fault signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) or exit() in
** the extension ends the process as before, but first the thread it
** happened in marks its place on the scoreboard (scoreboard.h), so that
** the supervisor logs the request that failed even among its threads'
** others, and answers with 500 every request of the process that has
** sent nothing yet.
*/

#include <chrono>
#include <filesystem>

namespace quillon::fcgi {

struct WorkerSettings
{
    std::filesystem::path library;
    unsigned threads = 1;
    // The library file as the supervisor opened it for this generation:
    // loaded instead of the path when the path names another file now.
    int libraryFd = -1;
    unsigned maxRequests = 0;  // after so many requests the worker asks to be replaced; 0: never
    unsigned maxMemoryMiB = 0; // ... or once its resident memory exceeds this; 0: no bound
    int listenFd = -1;         // the listening socket (non-blocking)
    std::chrono::milliseconds readTimeout{10000};
};

class Scoreboard;

// Runs in the child after fork(); link is the worker's end of the line,
// row its row of places on the scoreboard, one for each of its threads.
[[noreturn]] void runWorker(const WorkerSettings &settings, int link, Scoreboard &scoreboard, int row);

} // namespace quillon::fcgi
