#include "fcgi/supervisor.h"

#include "fcgi/privileges.h"
#include "fcgi/records.h"
#include "fcgi/scoreboard.h"
#include "fcgi/wire.h"
#include "fcgi/worker.h"
#include "fcgi/workerlink.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace quillon::fcgi {

namespace {

using Clock = std::chrono::steady_clock;

void log(const std::string &text)
{
    std::cerr << "quillon-fcgi: " << text << std::endl;
}

std::string seconds(std::chrono::milliseconds ms)
{
    const auto count = ms.count();
    return count % 1000 == 0 ? std::to_string(count / 1000) + " s" : std::to_string(count) + " ms";
}

// A connection whose request has not come whole yet.
struct Pending
{
    Clock::time_point since;
};

// A connection with a whole request opening, waiting for a worker.
struct Waiting
{
    int fd;
    int requestId;
    Clock::time_point since;
};

// A request a worker serves (how it goes is in its worker's places on the scoreboard).
struct Job
{
    int fd = -1;
    int requestId = 0;
    Clock::time_point started;
    Clock::time_point deadline;
    // TCP: the web server sent its FIN. That is its half-close after the
    // request (lighttpd) or its close (the client went away): probes tell.
    bool inputClosed = false;
    Clock::time_point nextProbe;
};

// A TCP connection whose web server may have closed it is probed with
// probeRecord() (records.h) this long after its request began, and again
// every kProbeEvery until the worker answers.
constexpr auto kFirstProbeAfter = std::chrono::seconds(1); // requests that end sooner are never probed
constexpr auto kProbeEvery = std::chrono::seconds(1);

// With the backlog of connections that have not sent a whole request full,
// the oldest is closed for a new one once it has waited this long (a web
// server sends its request at once).
constexpr auto kPendingGrace = std::chrono::milliseconds(500);

// Why the supervisor ends a worker: outright (SIGKILL) for the first
// few, and the log line and the answer to its requests come from the
// reason; or by retiring it (it takes no more connections, gives back the
// ones it holds, answers the requests it has and exits by itself).
enum class EndReason {
    None,           // not ended by the supervisor: it runs, or exited or died by itself
    // Killed:
    RequestTimeout, // a request ran past the request timeout: 504
    HangUp,         // the web server closed a running request's connection
    StartTimeout,   // it did not get ready (GetExtensionVersion) in time
    LinkBroken,     // its line to the supervisor broke: 500
    ReloadGivenUp,  // a newer generation that did not load
    // Retired:
    Reload,         // a worker of a newer generation is ready
    Idle,           // idle for the idle timeout, with more workers than the least
    Spent,          // it served its most requests or outgrew its memory bound
    Shutdown,       // SIGTERM or SIGINT
};

bool killsOutright(EndReason reason)
{
    return reason != EndReason::None && reason < EndReason::Reload;
}

struct Worker
{
    pid_t pid = -1;
    int pidfd = -1; // to take a descriptor of a connection the worker serves (pidfd_getfd)
    int link = -1;
    unsigned generation = 0;
    bool ready = false;
    EndReason ended = EndReason::None;
    std::string endedFor; // the log text, for a worker killed
    bool killed() const { return killsOutright(ended); }
    Clock::time_point started = Clock::now();
    // The jobs the supervisor holds a descriptor of: those it passed, and
    // those the worker took itself that ran past kAdoptAfter.
    std::map<std::uint32_t, Job> jobs;
    int row = -1; // its places on the scoreboard
    std::uint32_t nextSlot = 1;
    Clock::time_point idleSince = Clock::now();
};

// A request a worker took itself is watched by the supervisor (for a
// hang-up, the request timeout, an answer if the worker dies) once it has
// run this long: most never do, and cost the supervisor nothing.
constexpr auto kAdoptAfter = std::chrono::milliseconds(100);

// Closes a connection after taking what the web server sent that nobody
// read (as far as it came): closing on unread bytes would reset the
// connection, and the web server could lose the answer written just before.
void closeReadingFirst(int fd)
{
    static char sink[16384];
    for (int i = 0; i < 64 && ::recv(fd, sink, sizeof sink, MSG_DONTWAIT) > 0; ++i) {
    }
    ::close(fd);
}

// Sends a short answer of our own (a response for requestId: nothing
// when it is 0, before a request came) and closes the connection.
void answerAndClose(int fd, int requestId, const std::string &reply)
{
    if (requestId > 0)
        [[maybe_unused]] const ssize_t n = ::send(fd, reply.data(), reply.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    closeReadingFirst(fd);
}

void answerAndClose(int fd, int requestId, const char *status, const std::string &text)
{
    answerAndClose(fd, requestId, shortResponse(requestId, status, text));
}

/*
** The supervisor's lifecycle, in one value (m_state):
**
**   Starting  --a first worker is ready------------------------> Running
**   Starting  --the first workers cannot load the library------> exit 2
**   Running   --SIGHUP: a new generation starts----------------> Reloading
**   Reloading --a worker of the new generation is ready--------> Running
**               (the older ones retire: Reload)
**   Reloading --a new worker fails, or is not ready in time----> Running
**               (the reload is given up: the older ones go on)
**   any       --SIGTERM or SIGINT------------------------------> Stopping
**   Stopping  --every worker gone------------------------------> exit 0
**   Stopping  --requests still running after the grace time---> exit 1
**
** Workers take connections in Running and Reloading; the supervisor itself
** takes them only while no worker thread is free to and the pool cannot
** grow (takeConnections()), and queues them for the workers. Each round
** (run(): the events, then checkTimes(), dispatch(), grow()) reads the
** scoreboard: requests running long are adopted (scan()), ended ones let
** go, timeouts and idle workers acted on.
**
** Every worker the supervisor ends carries an EndReason. Killed outright
** (SIGKILL): the log line and the answer to each request it held (504
** after a request timeout, else 500 when nothing was sent yet) come from
** the reason. Retired (Reload, Idle, Spent, Shutdown): it takes no more
** connections, gives back those it holds, finishes its requests and exits
** by itself. The requests the supervisor holds a descriptor of are in each
** Worker entry; how every request goes, the workers keep on the
** scoreboard (scoreboard.h).
*/
enum class State { Starting, Running, Reloading, Stopping };

class Pool
{
public:
    Pool(const PoolSettings &settings, int listenFd, std::string where)
        : m_settings(settings), m_listenFd(listenFd), m_where(std::move(where)),
          // Every worker may be replaced by a reload while the old ones still
          // serve, and a few more may wait to be reaped.
          m_scoreboard(2 * settings.maxWorkers + 4, std::max(1u, settings.threads))
    {
        m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
        sigset_t signals;
        sigemptyset(&signals);
        for (int s : {SIGTERM, SIGINT, SIGHUP, SIGCHLD})
            sigaddset(&signals, s);
        m_signals = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
        if (m_epoll < 0 || m_signals < 0)
            throw std::runtime_error(std::string("cannot watch for events: ") + std::strerror(errno));
        watch(m_signals, EPOLLIN);
        ::fcntl(m_listenFd, F_SETFL, ::fcntl(m_listenFd, F_GETFL) | O_NONBLOCK);
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        m_tcp = ::getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&address), &length) == 0
                && address.ss_family != AF_UNIX;
    }

    ~Pool()
    {
        for (auto &w : m_workers) {
            ::kill(w->pid, SIGKILL);
            ::waitpid(w->pid, nullptr, 0);
            for (auto &[slot, job] : w->jobs)
                ::close(job.fd);
            ::close(w->link);
            ::close(w->pidfd);
        }
        for (const Waiting &w : m_queue)
            ::close(w.fd);
        for (const auto &[fd, p] : m_pending)
            ::close(fd);
        for (const auto &[generation, fd] : m_libraries)
            ::close(fd);
        ::close(m_signals);
        ::close(m_epoll);
        if (!m_listenClosed)
            ::close(m_listenFd);
    }

    int run();

private:
    void watch(int fd, std::uint32_t events, int operation = EPOLL_CTL_ADD)
    {
        epoll_event e{};
        e.events = events;
        e.data.fd = fd;
        ::epoll_ctl(m_epoll, operation, fd, &e);
    }

    void onSignals();
    void acceptAll();
    // Watches fd, a connection the supervisor took, until its request opening comes.
    void awaitRequest(int fd);
    void inspect(int fd);
    void queue(int fd, int requestId);
    void onLink(Worker &worker);
    void onHangUp(int fd);
    void reap();
    void workerGone(Worker &worker, int status);
    // " while serving" and the request line a worker that died was serving.
    std::string serving(const Worker &worker) const;
    void kill(Worker &worker, EndReason reason, const std::string &why);
    int openLibrary() const { return ::open(m_settings.library.c_str(), O_RDONLY | O_CLOEXEC); }
    // Whether another connection may be accepted: fewer than the backlog
    // wait for their request, or the oldest of them has waited longer than
    // kPendingGrace and a new connection waits (the oldest is closed to
    // make room).
    bool roomForAnother();
    void retire(Worker &worker, EndReason reason);
    void checkTimes();
    // Reads the scoreboard: takes a descriptor of each request a worker took
    // itself that has run past kAdoptAfter, and lets go of those that ended.
    void scan(Clock::time_point now);
    void adopt(Worker &worker, Score &place, std::uint32_t job, Clock::time_point now);
    void letGo(Worker &worker, std::map<std::uint32_t, Job>::iterator job);
    void cannotAdopt(const char *call); // logs once why requests cannot be adopted
    void probeClosedInputs(Clock::time_point now);
    void dispatch();
    void grow();
    // Whether the supervisor takes connections itself: no worker thread is
    // free to and no more workers may start now.
    bool takeConnections() const;
    // Threads of worker that may take a job passed to them now.
    unsigned freeThreads(const Worker &worker) const;
    bool connectionWaiting() const;
    void spawn();
    void stopAccepting();
    bool anyServing() const;

    Worker *byLink(int fd)
    {
        for (auto &w : m_workers)
            if (w->link == fd)
                return w.get();
        return nullptr;
    }

    const PoolSettings &m_settings;
    int m_listenFd;
    std::string m_where;
    Scoreboard m_scoreboard;
    int m_epoll = -1;
    int m_signals = -1;
    bool m_accepting = false;  // the listening socket is watched (the supervisor takes connections itself)
    bool m_cannotAdopt = false; // pidfd_getfd failed once (logged)
    bool m_listenClosed = false;
    State m_state = State::Starting;
    bool m_tcp = false;        // connections come over TCP (a close after a half-close shows only to a write)
    bool m_loadFailed = false;
    unsigned m_generation = 1;         // of the workers that take requests
    unsigned m_lastGeneration = 1;     // the newest ever started
    Clock::time_point m_stopDeadline;
    Clock::time_point m_noSpawnUntil;         // after a worker that died before it was ready
    unsigned m_failedStarts = 0;              // in a row, since a worker last got ready
    Clock::time_point m_lastOverloadLog;
    unsigned m_overloaded = 0;                 // 503 answers not logged yet
    std::vector<std::unique_ptr<Worker>> m_workers;
    // Each generation's library, held open from its start: a worker that
    // replaces one of the generation loads this file, even when the path
    // names another one since (a reload that was given up).
    std::map<unsigned, int> m_libraries;
    std::unordered_map<int, Pending> m_pending;
    // The pending connections, oldest first (an entry whose connection has
    // moved on or was replaced by a newer one under the same descriptor is
    // passed over).
    std::deque<std::pair<int, Clock::time_point>> m_pendingOrder;
    unsigned m_dropped = 0; // pending connections dropped for newer ones, not logged yet
    Clock::time_point m_lastDropLog;
    std::deque<Waiting> m_queue;
    std::string m_scratch; // for looking at what came on a connection
    std::unordered_map<int, std::pair<Worker *, std::uint32_t>> m_busy; // connection -> its worker and slot
};

bool Pool::anyServing() const
{
    for (const auto &w : m_workers)
        if (!w->jobs.empty() || m_scoreboard.count(w->row, kStanceServing) > 0)
            return true;
    return false;
}

bool Pool::takeConnections() const
{
    if ((m_state != State::Running && m_state != State::Reloading) || m_scoreboard.head().accepting.load() > 0)
        return false;
    unsigned current = 0;
    for (const auto &w : m_workers)
        if (w->generation == m_generation && w->ended == EndReason::None)
            ++current;
    return current >= m_settings.maxWorkers || Clock::now() < m_noSpawnUntil;
}

bool Pool::connectionWaiting() const
{
    pollfd waiting{m_listenFd, POLLIN, 0};
    return !m_listenClosed && ::poll(&waiting, 1, 0) > 0;
}

unsigned Pool::freeThreads(const Worker &worker) const
{
    const unsigned serving = m_scoreboard.count(worker.row, kStanceServing)
                             + m_scoreboard.count(worker.row, kStanceStarting);
    // Jobs passed that no thread shows yet are on their way to one.
    unsigned passed = 0;
    for (const auto &[slot, job] : worker.jobs)
        passed += (slot & kDirectJob) == 0 && m_scoreboard.view(worker.row, slot).ending;
    return m_settings.threads - std::min(m_settings.threads, serving + passed);
}

int Pool::run()
{
    m_libraries[m_generation] = openLibrary();
    if (m_libraries[m_generation] < 0)
        throw std::runtime_error("cannot load " + m_settings.library.string() + ": " + std::strerror(errno));
    for (unsigned i = 0; i < std::max(1u, m_settings.minWorkers); ++i)
        spawn();
    epoll_event events[64];
    for (;;) {
        // Rounds of the scoreboard every 100 ms (every 10 ms while requests
        // wait for a worker here), or every second when nothing goes on.
        const bool waiting = !m_queue.empty() || m_accepting;
        const bool timed = waiting || !m_pending.empty() || !m_busy.empty() || m_state == State::Stopping
                           || m_workers.size() > m_settings.minWorkers || anyServing()
                           || m_scoreboard.head().accepting.load() == 0
                           || std::any_of(m_workers.begin(), m_workers.end(), [](auto &w) { return !w->ready; });
        const int n = ::epoll_wait(m_epoll, events, 64, waiting ? 10 : timed ? 100 : 1000);
        for (int i = 0; i < n; ++i) {
            const int fd = events[i].data.fd;
            if (fd == m_signals)
                onSignals();
            else if (fd == m_listenFd)
                acceptAll();
            else if (m_pending.contains(fd))
                inspect(fd);
            else if (m_busy.contains(fd))
                onHangUp(fd);
            else if (Worker *w = byLink(fd))
                onLink(*w);
        }
        if (m_state == State::Starting && m_loadFailed)
            return 2; // the first workers could not load the library; they said why
        checkTimes();
        dispatch();
        grow();
        const bool take = takeConnections();
        if (take && !m_accepting && roomForAnother()) {
            watch(m_listenFd, EPOLLIN);
            m_accepting = true;
        } else if (!take && m_accepting) {
            ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, m_listenFd, nullptr);
            m_accepting = false;
        }
        if (m_state == State::Stopping) {
            // The workers take no more connections; those that waited here
            // are served first.
            if (m_queue.empty())
                for (auto &w : m_workers)
                    retire(*w, EndReason::Shutdown);
            if (m_workers.empty())
                return 0;
            if (Clock::now() > m_stopDeadline) {
                log("requests still running after " + seconds(m_settings.grace) + "; stopping their workers");
                return 1;
            }
        }
    }
}

void Pool::onSignals()
{
    signalfd_siginfo info;
    while (::read(m_signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        const int signal = static_cast<int>(info.ssi_signo);
        if (signal == SIGCHLD) {
            reap();
        } else if (signal == SIGHUP) {
            if (m_state == State::Stopping)
                continue;
            const int library = openLibrary();
            if (library < 0) {
                log("cannot reload " + m_settings.library.string() + ": " + std::strerror(errno)
                    + "; the running workers go on serving");
                continue;
            }
            m_generation = ++m_lastGeneration;
            m_libraries[m_generation] = library;
            m_state = State::Reloading;
            log("reloading " + m_settings.library.string() + " (" + ::strsignal(signal) + ")");
            for (unsigned i = 0; i < std::max(1u, m_settings.minWorkers); ++i)
                spawn();
        } else if (m_state != State::Stopping) {
            log(std::string("stopping (") + ::strsignal(signal) + ")");
            m_state = State::Stopping;
            m_stopDeadline = Clock::now() + m_settings.grace;
            stopAccepting();
        }
    }
    reap(); // SIGCHLDs that came together arrive as one
}

void Pool::stopAccepting()
{
    if (m_accepting)
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, m_listenFd, nullptr);
    m_accepting = false;
    m_listenClosed = true;
    ::close(m_listenFd);
    for (const auto &[fd, p] : m_pending)
        ::close(fd);
    m_pending.clear();
}

void Pool::acceptAll()
{
    for (;;) {
        // Connections that send nothing or part of a request must not stop
        // the others from being taken for long: the oldest of them makes
        // room once it has had a moment; until then the rest wait in the
        // kernel's backlog.
        if (!roomForAnother()) {
            ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, m_listenFd, nullptr);
            m_accepting = false;
            return;
        }
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO)
                continue;
            if (errno == EMFILE || errno == ENFILE)
                log(std::string("cannot accept a connection: ") + std::strerror(errno));
            return;
        }
        limitReads(fd, m_settings.readTimeout); // for the worker that reads it
        awaitRequest(fd);
    }
}

void Pool::awaitRequest(int fd)
{
    m_pending.emplace(fd, Pending{Clock::now()});
    m_pendingOrder.emplace_back(fd, m_pending.at(fd).since);
    // Edge-triggered: each arrival of bytes wakes us once, although the
    // bytes stay in the socket for the worker to read.
    watch(fd, EPOLLIN | EPOLLRDHUP | EPOLLET);
    inspect(fd);
}

bool Pool::roomForAnother()
{
    if (m_pending.size() < m_settings.backlog)
        return true;
    while (!m_pendingOrder.empty()) {
        const auto [fd, since] = m_pendingOrder.front();
        const auto found = m_pending.find(fd);
        if (found == m_pending.end() || found->second.since != since) {
            m_pendingOrder.pop_front(); // moved on: not pending any more
            continue;
        }
        if (Clock::now() - since < kPendingGrace)
            return false;
        pollfd waiting{m_listenFd, POLLIN, 0};
        if (::poll(&waiting, 1, 0) <= 0)
            return false; // nobody is waiting to be taken: no need to make room
        m_pendingOrder.pop_front();
        m_pending.erase(found);
        ::close(fd);
        ++m_dropped;
        return true;
    }
    return true;
}

void Pool::inspect(int fd)
{
    const Opening opening = peekOpening(fd, m_scratch);
    if (opening.state == Opening::Incomplete)
        return;
    m_pending.erase(fd);
    // A queued connection stays watched (closing it unwatches it): its
    // events are ignored until dispatch() turns the watch to hang-ups.
    if (opening.state == Opening::Invalid)
        ::close(fd); // closed before a request came, or not FastCGI
    else
        queue(fd, opening.requestId);
}

void Pool::queue(int fd, int requestId)
{
    if (m_queue.size() >= m_settings.backlog) {
        answerAndClose(fd, requestId, "503 Service Unavailable",
                       "The server is busy: every worker is serving and " + std::to_string(m_settings.backlog)
                           + " requests wait. Try again later.\n");
        ++m_overloaded;
        return;
    }
    m_queue.push_back(Waiting{fd, requestId, Clock::now()});
}

void Pool::dispatch()
{
    while (!m_queue.empty()) {
        // A worker of the current generation, else (while it starts) one
        // of the one before; the least busy.
        Worker *best = nullptr;
        unsigned bestFree = 0;
        for (auto &w : m_workers) {
            if (!w->ready || w->ended != EndReason::None)
                continue;
            const unsigned free = freeThreads(*w);
            if (free == 0)
                continue;
            const bool current = w->generation == m_generation;
            const bool bestCurrent = best != nullptr && best->generation == m_generation;
            if (best == nullptr || (current && !bestCurrent) || (current == bestCurrent && free > bestFree)) {
                best = w.get();
                bestFree = free;
            }
        }
        if (best == nullptr)
            return;
        if (best->generation != m_generation) {
            bool newOnesStarting = false;
            for (auto &w : m_workers)
                newOnesStarting = newOnesStarting || w->generation == m_generation;
            if (!newOnesStarting)
                best->generation = m_generation; // nothing to wait for (a reload that failed)
        }
        const Waiting waiting = m_queue.front();
        m_queue.pop_front();
        const std::uint32_t slot = best->nextSlot++;
        if (!sendJob(best->link, waiting.fd, slot)) {
            m_queue.push_front(waiting);
            kill(*best, EndReason::LinkBroken, "its line to the supervisor broke");
            continue;
        }
        Job job;
        job.fd = waiting.fd;
        job.requestId = waiting.requestId;
        job.started = Clock::now();
        job.deadline = job.started + m_settings.requestTimeout;
        best->jobs.emplace(slot, job);
        m_busy[waiting.fd] = {best, slot};
        // Only a hang-up is of interest now: the bytes are the worker's.
        watch(waiting.fd, EPOLLRDHUP | EPOLLET, EPOLL_CTL_MOD);
    }
}

void Pool::onLink(Worker &worker)
{
    WorkerMessage message;
    bool wouldBlock = false;
    while (receiveMessage(worker.link, message, wouldBlock)) {
        if (message.event == WorkerEvent::Ready) {
            worker.ready = true;
            m_failedStarts = 0;
            worker.idleSince = Clock::now();
            if (m_state == State::Starting) {
                m_state = State::Running;
                log("serving " + m_settings.library.string() + " on " + m_where + " with "
                    + std::to_string(m_settings.minWorkers) + " to " + std::to_string(m_settings.maxWorkers)
                    + " workers of " + std::to_string(m_settings.threads) + " thread"
                    + (m_settings.threads == 1 ? "" : "s"));
            }
            if (worker.generation == m_generation) {
                if (m_state == State::Reloading)
                    m_state = State::Running; // the library loads: the reload holds
                // The older workers take no more connections and end once
                // their requests are answered.
                for (auto &w : m_workers)
                    if (w->generation != m_generation)
                        retire(*w, EndReason::Reload);
            }
            continue;
        }
        if (message.event == WorkerEvent::Spent) {
            if (worker.ended == EndReason::None) {
                log("worker " + std::to_string(worker.pid) + " is replaced: it " + message.text);
                retire(worker, EndReason::Spent);
            }
            continue;
        }
        if (message.event == WorkerEvent::Grow) {
            m_scoreboard.head().growAsked.store(false); // grow() below looks
            continue;
        }
        if (message.event == WorkerEvent::Returned) {
            // A retiring worker gives back a connection it held (kept by the
            // web server, or with its request not whole yet): watched here
            // like a new one, for another worker.
            if (message.connection < 0)
                continue;
            if (m_listenClosed) {
                ::close(message.connection);
                continue;
            }
            awaitRequest(message.connection);
            continue;
        }
        const auto found = worker.jobs.find(message.slot);
        if (message.event != WorkerEvent::Done || found == worker.jobs.end())
            continue;
        letGo(worker, found); // the worker took what had come of the request, and may keep the connection
    }
    if (!wouldBlock) {
        // The worker's end closed: it is on its way out; SIGCHLD tells the rest.
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, worker.link, nullptr);
    }
}

void Pool::onHangUp(int fd)
{
    const auto [worker, slot] = m_busy.at(fd);
    onLink(*worker); // a request that ended just now is not a hang-up
    const Scoreboard::View job = m_scoreboard.view(worker->row, slot);
    if (!worker->jobs.contains(slot) || job.ending)
        return;
    // Only a whole close (not a half-close after the request) is a hang-up,
    // and a worker serving others too is left to finish.
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
    pollfd p{fd, POLLIN | POLLRDHUP, 0};
    ::poll(&p, 1, 0);
    if ((p.revents & (POLLHUP | POLLERR)) == 0 && error == 0) {
        // Over TCP a FIN alone may be either; a probe written later tells.
        Job &running = worker->jobs.at(slot);
        if (m_tcp && (p.revents & POLLRDHUP) != 0 && !running.inputClosed) {
            running.inputClosed = true;
            running.nextProbe = running.started + kFirstProbeAfter;
        }
        return;
    }
    if (m_settings.threads > 1)
        return;
    kill(*worker, EndReason::HangUp, "the web server closed the connection of " + job.line + " (the client went away)");
}

void Pool::scan(Clock::time_point now)
{
    for (auto &w : m_workers) {
        if (w->killed() || !w->ready)
            continue;
        for (auto it = w->jobs.begin(); it != w->jobs.end();) {
            const auto next = std::next(it);
            if ((it->first & kDirectJob) != 0 && m_scoreboard.serving(w->row, it->first) == nullptr)
                letGo(*w, it); // answered: the worker closed or keeps the connection
            it = next;
        }
        for (unsigned t = 0; t < m_scoreboard.threads(); ++t) {
            Score &place = m_scoreboard.place(w->row, t);
            const std::uint32_t job = place.job.load(std::memory_order_acquire);
            const Clock::time_point started{Clock::duration(place.started.load(std::memory_order_acquire))};
            // Idle since its last request began, or now while one runs.
            w->idleSince = std::max(w->idleSince, job == 0 ? started : now);
            if (job == 0)
                continue;
            if ((job & kDirectJob) != 0 && !w->jobs.contains(job) && now - started >= kAdoptAfter
                && !place.ending.load(std::memory_order_acquire))
                adopt(*w, place, job, started);
        }
    }
}

void Pool::adopt(Worker &worker, Score &place, std::uint32_t job, Clock::time_point started)
{
    if (m_cannotAdopt)
        return;
    const int fd = static_cast<int>(::syscall(SYS_pidfd_getfd, worker.pidfd, place.connection.load(), 0));
    if (fd < 0) {
        if (worker.pidfd >= 0 && (errno == EBADF || errno == ESRCH))
            return; // the request ended meanwhile
        cannotAdopt("pidfd_getfd");
        return;
    }
    if (place.job.load(std::memory_order_acquire) != job) {
        ::close(fd); // ended meanwhile: the descriptor may be another connection's
        return;
    }
    Job adopted;
    adopted.fd = fd;
    adopted.requestId = place.requestId.load(std::memory_order_acquire);
    adopted.started = started;
    adopted.deadline = started + m_settings.requestTimeout;
    worker.jobs.emplace(job, adopted);
    m_busy[fd] = {&worker, job};
    watch(fd, EPOLLRDHUP | EPOLLET);
}

void Pool::cannotAdopt(const char *call)
{
    if (m_cannotAdopt)
        return;
    m_cannotAdopt = true;
    log(std::string("cannot watch the requests the workers take (") + call + ": " + std::strerror(errno)
        + "): a request past the request timeout is ended without an answer, and a client that goes away"
          " does not end its request");
}

void Pool::letGo(Worker &worker, std::map<std::uint32_t, Job>::iterator job)
{
    // The worker may keep the connection open: unwatched first, or its
    // events would go on coming under a descriptor number closed here.
    ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, job->second.fd, nullptr);
    ::close(job->second.fd);
    m_busy.erase(job->second.fd);
    worker.jobs.erase(job);
}

void Pool::probeClosedInputs(Clock::time_point now)
{
    for (auto &w : m_workers) {
        if (w->killed())
            continue;
        for (auto &[slot, job] : w->jobs) {
            if (!job.inputClosed || now < job.nextProbe)
                continue;
            job.nextProbe = now + kProbeEvery;
            // Once the worker writes, its own writes meet a closed peer.
            if (Score *score = m_scoreboard.serving(w->row, slot))
                probeOutput(*score, slot, job.fd, probeRecord(job.requestId));
        }
    }
}

void Pool::kill(Worker &worker, EndReason reason, const std::string &why)
{
    if (worker.killed())
        return; // a worker retiring may still be killed
    worker.ended = reason;
    worker.endedFor = why;
    ::kill(worker.pid, SIGKILL);
}

void Pool::retire(Worker &worker, EndReason reason)
{
    if (worker.ended != EndReason::None)
        return;
    worker.ended = reason;
    ::shutdown(worker.link, SHUT_WR);
}

void Pool::reap()
{
    int status = 0;
    pid_t pid;
    while ((pid = ::waitpid(-1, &status, WNOHANG)) > 0) {
        const auto it = std::find_if(m_workers.begin(), m_workers.end(), [&](auto &w) { return w->pid == pid; });
        if (it == m_workers.end())
            continue;
        workerGone(**it, status);
        ::close((*it)->link);
        ::close((*it)->pidfd);
        m_scoreboard.giveBack((*it)->row);
        m_workers.erase(it);
    }
    // The library of a generation that has no worker left is let go.
    for (auto it = m_libraries.begin(); it != m_libraries.end();) {
        const unsigned generation = it->first;
        if (generation != m_generation
            && std::none_of(m_workers.begin(), m_workers.end(), [&](auto &w) { return w->generation == generation; })) {
            ::close(it->second);
            it = m_libraries.erase(it);
        } else {
            ++it;
        }
    }
}

void Pool::workerGone(Worker &worker, int status)
{
    onLink(worker); // what it said before it went
    const std::string who = "worker " + std::to_string(worker.pid);
    std::string cause;
    if (WIFSIGNALED(status))
        cause = "died of " + std::string(::strsignal(WTERMSIG(status))) + " (signal "
                + std::to_string(WTERMSIG(status)) + ")";
    else
        cause = "exited with status " + std::to_string(WEXITSTATUS(status));

    if (!worker.ready) {
        if (!worker.killed() || worker.ended == EndReason::StartTimeout) {
            m_loadFailed = true;
            // Starts of the generation that serves, failing again and
            // again, come back ever more slowly (1 s, 2 s, ... 32 s) until a
            // worker gets ready.
            if (worker.generation == m_generation) {
                m_noSpawnUntil = Clock::now() + std::chrono::seconds(1u << std::min(m_failedStarts, 5u));
                ++m_failedStarts;
            }
            const std::string how = worker.ended == EndReason::StartTimeout ? worker.endedFor : cause;
            if (m_state == State::Reloading && worker.generation == m_generation) {
                log(who + " " + how + " before it was ready: the reload is given up, the running workers"
                    " go on serving");
                // Back to the newest workers that did load it.
                const unsigned failed = m_generation;
                m_state = State::Running;
                for (auto &w : m_workers)
                    if (w->ready && !w->killed() && w->generation != failed
                        && (m_generation == failed || w->generation > m_generation))
                        m_generation = w->generation;
                for (auto &w : m_workers)
                    if (w->generation == failed && w.get() != &worker)
                        kill(*w, EndReason::ReloadGivenUp, "its reload was given up");
                // The generation back in service loaded its library before.
                m_failedStarts = 0;
                m_noSpawnUntil = {};
            } else if (m_state != State::Starting) {
                log(who + " " + how + " before it was ready");
            } else if (worker.ended == EndReason::StartTimeout) {
                log(who + " " + how);
            }
        }
        return;
    }
    bool held = false; // a request of one of its threads
    for (unsigned t = 0; t < m_scoreboard.threads(); ++t)
        held = held || m_scoreboard.place(worker.row, t).job.load(std::memory_order_acquire) != 0;
    if (worker.killed()) {
        log(who + " stopped: " + worker.endedFor);
    } else if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0 && (worker.ended != EndReason::None || !held))) {
        log(who + " " + cause + serving(worker));
    }
    for (auto &[slot, job] : worker.jobs) {
        m_busy.erase(job.fd);
        const Scoreboard::View state = m_scoreboard.view(worker.row, slot);
        if (job.requestId == 0)
            job.requestId = state.requestId; // taken before the worker had read it
        if (state.ending || state.sent)
            closeReadingFirst(job.fd); // answered (by the worker itself, when it failed in this request)
        else if (worker.ended == EndReason::RequestTimeout)
            answerAndClose(job.fd, job.requestId, "504 Gateway Timeout",
                           "The extension did not answer within " + seconds(m_settings.requestTimeout) + ".\n");
        else
            answerAndClose(job.fd, job.requestId, failedResponse(job.requestId));
    }
    worker.jobs.clear();
}

std::string Pool::serving(const Worker &worker) const
{
    // The requests its threads held as it ended: the one the worker ended
    // in, as its thread marked it, and the others that end with it (those
    // whose answer was complete do not).
    std::vector<std::string> lines;
    std::string failed, others;
    unsigned otherCount = 0;
    for (unsigned t = 0; t < m_scoreboard.threads(); ++t) {
        const Score &place = m_scoreboard.place(worker.row, t);
        const std::uint32_t job = place.job.load(std::memory_order_acquire);
        if (job == 0)
            continue;
        const Scoreboard::View state = m_scoreboard.view(worker.row, job);
        lines.push_back(state.line);
        if (state.fault != 0 && failed.empty())
            failed = state.line;
        else if (!state.ending || state.failed)
            others += (otherCount++ == 0 ? " " : "; ") + state.line;
    }
    if (lines.empty())
        return " while idle";
    if (!failed.empty())
        return " while serving " + failed
               + (otherCount == 0 ? ""
                                  : "; with it " + std::to_string(otherCount) + " other request"
                                        + (otherCount == 1 ? "" : "s") + " failed:" + others);
    if (lines.size() == 1)
        return " while serving " + lines.front();
    // Ended outside a request's thread (a thread of the extension's own,
    // or _exit): which request brought it down is not known.
    std::string all = " while serving " + std::to_string(lines.size()) + " requests, one of which failed:";
    for (const std::string &line : lines)
        all += " " + line + ";";
    all.pop_back();
    return all;
}

void Pool::checkTimes()
{
    const auto now = Clock::now();
    while (!m_pendingOrder.empty() && now - m_pendingOrder.front().second > m_settings.readTimeout) {
        const auto [fd, since] = m_pendingOrder.front();
        m_pendingOrder.pop_front();
        const auto found = m_pending.find(fd);
        if (found != m_pending.end() && found->second.since == since) {
            m_pending.erase(found);
            ::close(fd);
        }
    }
    if (m_dropped > 0 && now - m_lastDropLog > std::chrono::seconds(1)) {
        log("closed " + std::to_string(m_dropped) + " connection" + (m_dropped == 1 ? "" : "s")
            + " that had not sent a whole request, for newer ones: " + std::to_string(m_settings.backlog)
            + " wait already");
        m_dropped = 0;
        m_lastDropLog = now;
    }
    while (!m_queue.empty() && now - m_queue.front().since > m_settings.requestTimeout) {
        const Waiting w = m_queue.front();
        m_queue.pop_front();
        answerAndClose(w.fd, w.requestId, "503 Service Unavailable",
                       "No worker became free within " + seconds(m_settings.requestTimeout) + ".\n");
        ++m_overloaded;
    }
    if (m_overloaded > 0 && now - m_lastOverloadLog > std::chrono::seconds(1)) {
        log("answered " + std::to_string(m_overloaded) + " request" + (m_overloaded == 1 ? "" : "s")
            + " with 503: every worker busy");
        m_overloaded = 0;
        m_lastOverloadLog = now;
    }
    scan(now);
    if (m_tcp)
        probeClosedInputs(now);
    // Only ready workers count: one still starting may never get ready.
    unsigned current = 0;
    for (auto &w : m_workers)
        if (w->generation == m_generation && w->ready && w->ended == EndReason::None)
            ++current;
    for (auto &w : m_workers) {
        for (auto &[slot, job] : w->jobs)
            if (now > job.deadline) {
                const Scoreboard::View state = m_scoreboard.view(w->row, slot);
                if (!state.ending)
                    kill(*w, EndReason::RequestTimeout,
                         "no answer to " + state.line + " within " + seconds(m_settings.requestTimeout));
            }
        // A library whose GetExtensionVersion does not return has as long as
        // a request to get ready.
        if (!w->ready && now - w->started > m_settings.requestTimeout)
            kill(*w, EndReason::StartTimeout,
                 "did not get ready within " + seconds(m_settings.requestTimeout)
                     + " (GetExtensionVersion did not return)");
        if (w->ready && w->jobs.empty() && w->ended == EndReason::None && current > m_settings.minWorkers
            && m_scoreboard.count(w->row, kStanceServing) == 0 && now - w->idleSince > m_settings.idleTimeout) {
            retire(*w, EndReason::Idle);
            --current;
        }
    }
}

void Pool::grow()
{
    // While stopping, only the requests already queued still need workers.
    if ((m_state == State::Stopping && m_queue.empty()) || Clock::now() < m_noSpawnUntil)
        return;
    unsigned current = 0, starting = 0, freeSlots = 0;
    for (auto &w : m_workers)
        if (w->generation == m_generation && w->ended == EndReason::None) {
            ++current;
            starting += !w->ready;
            freeSlots += w->ready ? freeThreads(*w) : m_settings.threads;
        }
    const unsigned minimum = std::max(1u, m_settings.minWorkers);
    while (current < minimum || (m_queue.size() > freeSlots && current < m_settings.maxWorkers)) {
        spawn();
        ++current;
        ++starting;
        freeSlots += m_settings.threads;
    }
    // A connection waits and no thread is free to take it: one more worker
    // (one at a time: it may find them all taken by then).
    if (current < m_settings.maxWorkers && starting == 0 && m_state != State::Stopping
        && m_scoreboard.head().accepting.load() == 0 && connectionWaiting())
        spawn();
}

void Pool::spawn()
{
    const int row = m_scoreboard.takeRow();
    if (row < 0) {
        log("cannot start a worker: every place on the scoreboard is taken (" + std::to_string(m_workers.size())
            + " workers have not ended yet)");
        return;
    }
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        log(std::string("cannot start a worker: ") + std::strerror(errno));
        m_scoreboard.giveBack(row);
        return;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        log(std::string("cannot start a worker: ") + std::strerror(errno));
        ::close(pair[0]);
        ::close(pair[1]);
        m_scoreboard.giveBack(row);
        return;
    }
    if (pid == 0) {
        // Nothing of the supervisor's stays open here (connections
        // included, so that closing one there closes it): only the line
        // (descriptor 3), the library (4), the listening socket (5), and
        // the standard output and error.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            std::_Exit(0);
        const int line = ::fcntl(pair[1], F_DUPFD, 16);
        const int library = ::fcntl(m_libraries.at(m_generation), F_DUPFD_CLOEXEC, 16);
        // The listening socket, as descriptor 5 (none once stopping: a
        // worker started then serves only requests that waited here).
        const int listening = m_listenClosed ? -1 : ::fcntl(m_listenFd, F_DUPFD_CLOEXEC, 16);
        ::dup2(line, 3);
        ::dup2(library, 4);
        ::fcntl(4, F_SETFD, FD_CLOEXEC);
        if (listening >= 0) {
            ::dup2(listening, 5);
            ::fcntl(5, F_SETFD, FD_CLOEXEC);
        }
        ::close_range(listening >= 0 ? 6 : 5, ~0u, 0);
        const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::dup2(null, 0);
        sigset_t child;
        sigemptyset(&child);
        sigaddset(&child, SIGCHLD);
        ::sigprocmask(SIG_UNBLOCK, &child, nullptr); // the extension may wait for processes of its own
        if (!m_settings.user.empty()) {
            try {
                becomeUser(RunAs{m_settings.user, m_settings.uid, m_settings.gid});
            } catch (const std::exception &e) {
                log("a worker " + std::string(e.what()));
                std::_Exit(2);
            }
            // A change of user clears the parent-death signal: set again.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent)
                std::_Exit(0);
        }
        runWorker(WorkerSettings{m_settings.library, std::max(1u, m_settings.threads), 4, m_settings.maxRequests,
                                 m_settings.maxMemoryMiB, listening >= 0 ? 5 : -1, m_settings.readTimeout},
                  3, m_scoreboard, row);
    }
    ::close(pair[1]);
    ::fcntl(pair[0], F_SETFL, O_NONBLOCK);
    auto worker = std::make_unique<Worker>();
    worker->pid = pid;
    worker->pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (worker->pidfd < 0)
        cannotAdopt("pidfd_open");
    worker->link = pair[0];
    worker->generation = m_generation;
    worker->row = row;
    watch(pair[0], EPOLLIN);
    m_workers.push_back(std::move(worker));
}

} // namespace

int supervise(const PoolSettings &settings, int listenFd, const std::string &where)
{
    Pool pool(settings, listenFd, where);
    return pool.run();
}

} // namespace quillon::fcgi
