#pragma once

/*
** One worker process of the pool: loads the extension (GetExtensionVersion
** once), says Ready, then serves the connections the supervisor passes it,
** on `threads` threads (one by default, so a request that brings the
** process down takes no other request with it). When the supervisor
** retires it, the threads finish their requests, TerminateExtension runs
** and the process exits with 0; when the library does not load it prints
** why and exits with 2.
**
** A fault signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) or exit() in
** the extension ends the process as before, but first the thread it
** happened in answers its own request with 500 when nothing was sent yet,
** and marks its place on the scoreboard (scoreboard.h), so that the
** supervisor logs the request that failed even among its threads' others.
*/

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
};

class Scoreboard;

// Runs in the child after fork(); link is the worker's end of the line,
// row its row of places on the scoreboard, one for each of its threads.
[[noreturn]] void runWorker(const WorkerSettings &settings, int link, Scoreboard &scoreboard, int row);

} // namespace quillon::fcgi
