#pragma once

/*
** The supervisor: one process that owns the listening socket and a pool
** of worker processes (worker.h) that each load the extension once.
**
** How a request travels. Each worker thread that holds no connection
** waits on the listening socket itself; the kernel wakes one of them for
** each new connection, which reads the request and answers it, with no
** word to the supervisor. The supervisor forks, reaps and reads the
** scoreboard (scoreboard.h), where every thread shows what it does and
** since when. On its rounds (every 100 ms while anything runs) it takes a
** descriptor of each request that has run past 100 ms (pidfd_getfd), so
** that it can watch it for a hang-up, end it at the request timeout and
** answer for it when its worker dies; most requests end before it looks.
**
** A thread that holds a connection (one whose request opening has not come
** whole, or one the web server keeps, FCGI_KEEP_CONN) takes no new ones:
** it serves the next request that comes on it, or closes it after the read
** timeout. So a connection that sends nothing or part of a request holds
** one thread, and only until the read timeout, while the pool grows. When
** no thread is free to accept and the pool may not grow, the supervisor
** takes connections itself: it watches them (epoll, MSG_PEEK) until the
** request's opening has come whole, queues at most `backlog` of them and
** passes each (SCM_RIGHTS) to a worker thread that is free to serve it;
** those beyond answer 503 at once. Management records that come first are
** answered on the spot, by worker or supervisor. A retiring worker gives
** the connections it holds back to the supervisor, for another worker.
**
** Faults. A worker that dies (a signal, abort, exit) fails only the
** requests it was serving: the thread the fault or exit() happened in
** marks its place on the scoreboard and answers with 500 every request
** of the process that has sent nothing yet (worker.h, scoreboard.h); the
** supervisor answers those it holds that are still unanswered, logs the
** cause with the request line of the one that failed, and starts a
** replacement at once. A request younger than 100 ms whose worker is
** killed from outside (the OOM killer) is not answered: the web server
** sees the connection close. A request that runs past the request timeout gets
** its worker killed and a 504 answer (when nothing was sent yet); a web
** server that closes a connection on a Unix socket while its request runs
** (the client went away) frees the worker the same way, when workers run
** one request at a time. Ready requests the supervisor took while every
** thread was busy wait in a queue of at most `backlog`; more are answered
** 503 at once, as are requests that waited a whole request timeout for a
** worker.
**
** The pool stays between minWorkers and maxWorkers: it grows while
** connections wait and no thread is free to take them (the thread that
** takes the last free place says so at once) and shrinks back when workers
** have been idle for the idle timeout, and a worker that served
** maxRequests requests or grew past maxMemoryMiB is retired after its
** request and replaced. SIGHUP starts a new generation of workers that
** load the library again; the old ones take requests only until a new one
** is ready, then finish those they have and end. A new generation
** that cannot load the library is given up and the old one goes on
** serving. SIGTERM or SIGINT stop accepting, let the requests in flight
** and queued end, and retire every worker (TerminateExtension runs in
** each).
**
** The supervisor is one thread and never loads the library itself; it
** holds each generation's library file open, and each worker it forks
** loads that file. Its lifecycle (Starting, Running, Reloading, Stopping)
** is set out at the head of the Pool class in supervisor.cpp.
*/

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace quillon::fcgi {

struct PoolSettings
{
    std::filesystem::path library;
    unsigned minWorkers = 2;
    unsigned maxWorkers = 64;
    unsigned threads = 1;    // requests a worker serves at once
    unsigned backlog = 1024; // ready requests that may wait for a worker
    std::chrono::milliseconds requestTimeout{30000};
    std::chrono::milliseconds readTimeout{10000};
    std::chrono::milliseconds idleTimeout{10000};
    std::chrono::milliseconds grace{10000}; // for the requests in flight at a stop
    // The user the workers run as (set when started as root with --user):
    // each worker takes its groups, group and user before loading the library.
    std::string user;
    unsigned uid = 0, gid = 0;
    unsigned maxRequests = 0;  // a worker is replaced after this many requests; 0: never
    unsigned maxMemoryMiB = 0; // ... or once its resident memory exceeds this after a request; 0: no bound
};

// Serves listenFd (a listening socket, non-blocking or not) until SIGTERM
// or SIGINT, which with SIGHUP and SIGCHLD the caller must have blocked.
// Returns the exit status: 0 after a clean stop, 1 when requests still ran
// after the grace time, 2 when the library does not load. `where` names
// the socket in the log.
int supervise(const PoolSettings &settings, int listenFd, const std::string &where);

} // namespace quillon::fcgi
