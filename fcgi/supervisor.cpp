#include "fcgi/supervisor.h"

#include "fcgi/records.h"
#include "fcgi/worker.h"
#include "fcgi/workerlink.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
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

// A request a worker serves (how it goes is in the worker's SharedSlots).
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

struct Worker
{
    pid_t pid = -1;
    int link = -1;
    unsigned generation = 0;
    bool ready = false;
    bool retiring = false;
    std::string killedFor; // why the supervisor killed it; empty when it did not
    std::map<std::uint32_t, Job> jobs;
    std::unique_ptr<SharedSlots> slots;
    std::uint32_t nextSlot = 1;
    Clock::time_point idleSince = Clock::now();
};

// Sends a short answer of our own and closes the connection.
void answerAndClose(int fd, int requestId, const char *status, const std::string &text)
{
    if (requestId > 0) {
        const std::string reply = shortResponse(requestId, status, text);
        [[maybe_unused]] const ssize_t n = ::send(fd, reply.data(), reply.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    }
    ::close(fd);
}

class Pool
{
public:
    Pool(const PoolSettings &settings, int listenFd, std::string where)
        : m_settings(settings), m_listenFd(listenFd), m_where(std::move(where))
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
        }
        for (const Waiting &w : m_queue)
            ::close(w.fd);
        for (const auto &[fd, p] : m_pending)
            ::close(fd);
        ::close(m_signals);
        ::close(m_epoll);
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
    void inspect(int fd);
    void queue(int fd, int requestId);
    void onLink(Worker &worker);
    void onHangUp(int fd);
    void reap();
    void workerGone(Worker &worker, int status);
    void kill(Worker &worker, const std::string &why);
    void retire(Worker &worker);
    void checkTimes();
    void probeClosedInputs(Clock::time_point now);
    void dispatch();
    void grow();
    void spawn();
    void stopAccepting();
    bool busy() const;

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
    int m_epoll = -1;
    int m_signals = -1;
    bool m_accepting = false;  // the listening socket is watched
    bool m_listenClosed = false;
    bool m_reloading = false;  // no worker of the newest generation was ready yet
    bool m_stopping = false;
    bool m_everReady = false;
    bool m_tcp = false;        // connections come over TCP (a close after a half-close shows only to a write)
    bool m_loadFailed = false;
    unsigned m_generation = 1;         // of the workers that take requests
    unsigned m_lastGeneration = 1;     // the newest ever started
    Clock::time_point m_stopDeadline;
    Clock::time_point m_noSpawnUntil;         // after a worker that died before it was ready
    Clock::time_point m_lastOverloadLog;
    unsigned m_overloaded = 0;                 // 503 answers not logged yet
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::unordered_map<int, Pending> m_pending;
    std::deque<Waiting> m_queue;
    std::unordered_map<int, std::pair<Worker *, std::uint32_t>> m_busy; // connection -> its worker and slot
};

bool Pool::busy() const
{
    if (!m_queue.empty())
        return true;
    for (const auto &w : m_workers)
        if (!w->jobs.empty())
            return true;
    return false;
}

int Pool::run()
{
    for (unsigned i = 0; i < std::max(1u, m_settings.minWorkers); ++i)
        spawn();
    epoll_event events[64];
    for (;;) {
        const bool timed = !m_pending.empty() || !m_queue.empty() || !m_busy.empty() || m_stopping
                           || m_workers.size() > m_settings.minWorkers;
        const int n = ::epoll_wait(m_epoll, events, 64, timed ? 100 : 1000);
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
        if (!m_everReady && m_loadFailed)
            return 2; // the first workers could not load the library; they said why
        if (m_everReady && !m_listenClosed && !m_accepting && m_pending.size() < m_settings.backlog) {
            watch(m_listenFd, EPOLLIN);
            m_accepting = true;
        }
        checkTimes();
        dispatch();
        grow();
        if (m_stopping) {
            if (!busy())
                for (auto &w : m_workers)
                    if (!w->retiring)
                        retire(*w);
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
            if (m_stopping)
                continue;
            m_generation = ++m_lastGeneration;
            m_reloading = true;
            log("reloading " + m_settings.library.string() + " (" + ::strsignal(signal) + ")");
            for (unsigned i = 0; i < std::max(1u, m_settings.minWorkers); ++i)
                spawn();
        } else if (!m_stopping) {
            log(std::string("stopping (") + ::strsignal(signal) + ")");
            m_stopping = true;
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
        if (m_pending.size() >= m_settings.backlog) {
            // The rest wait in the kernel's backlog until some of these came whole.
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
        m_pending.emplace(fd, Pending{Clock::now()});
        // Edge-triggered: each arrival of bytes wakes us once, although
        // the bytes stay in the socket for the worker to read.
        watch(fd, EPOLLIN | EPOLLRDHUP | EPOLLET);
        inspect(fd);
    }
}

void Pool::inspect(int fd)
{
    static char buffer[kEnoughToServe];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    const Opening opening =
        n > 0 ? inspectOpening(std::string_view(buffer, static_cast<std::size_t>(n))) : Opening{Opening::Invalid, 0};
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
        for (auto &w : m_workers) {
            if (!w->ready || w->retiring || !w->killedFor.empty() || w->jobs.size() >= m_settings.threads)
                continue;
            const bool current = w->generation == m_generation;
            const bool bestCurrent = best != nullptr && best->generation == m_generation;
            if (best == nullptr || (current && !bestCurrent)
                || (current == bestCurrent && w->jobs.size() < best->jobs.size()))
                best = w.get();
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
            kill(*best, "its line to the supervisor broke");
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
            worker.idleSince = Clock::now();
            if (!m_everReady) {
                m_everReady = true;
                log("serving " + m_settings.library.string() + " on " + m_where + " with "
                    + std::to_string(m_settings.minWorkers) + " to " + std::to_string(m_settings.maxWorkers)
                    + " workers of " + std::to_string(m_settings.threads) + " thread"
                    + (m_settings.threads == 1 ? "" : "s"));
                if (!m_stopping) {
                    watch(m_listenFd, EPOLLIN);
                    m_accepting = true;
                }
            }
            if (worker.generation == m_generation) {
                m_reloading = false; // the library loads: the reload holds
                for (auto &w : m_workers)
                    if (w->generation != m_generation && w->jobs.empty() && !w->retiring)
                        retire(*w);
            }
            continue;
        }
        const auto found = worker.jobs.find(message.slot);
        if (message.event != WorkerEvent::Done || found == worker.jobs.end())
            continue;
        m_busy.erase(found->second.fd);
        ::close(found->second.fd);
        worker.jobs.erase(found);
        if (worker.jobs.empty()) {
            worker.idleSince = Clock::now();
            if (worker.generation != m_generation && !worker.retiring && !m_reloading)
                retire(worker); // a newer worker is ready to take over
        }
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
    const SharedSlots::View job = worker->slots->view(slot);
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
    kill(*worker, "the web server closed the connection of " + job.line + " (the client went away)");
}

void Pool::probeClosedInputs(Clock::time_point now)
{
    for (auto &w : m_workers) {
        if (!w->killedFor.empty())
            continue;
        for (auto &[slot, job] : w->jobs) {
            if (!job.inputClosed || now < job.nextProbe)
                continue;
            job.nextProbe = now + kProbeEvery;
            // Once the worker writes, its own writes meet a closed peer.
            if (SlotState *state = w->slots->serving(slot))
                probeOutput(*state, slot, job.fd, probeRecord(job.requestId));
        }
    }
}

void Pool::kill(Worker &worker, const std::string &why)
{
    if (!worker.killedFor.empty())
        return;
    worker.killedFor = why;
    ::kill(worker.pid, SIGKILL);
}

void Pool::retire(Worker &worker)
{
    worker.retiring = true;
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
        m_workers.erase(it);
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
        if (worker.killedFor.empty()) {
            m_loadFailed = true;
            m_noSpawnUntil = Clock::now() + std::chrono::seconds(1);
            if (m_everReady && worker.generation == m_generation && m_reloading) {
                log(who + " " + cause + " before it was ready: the reload is given up, the running workers"
                    " go on serving");
                // Back to the newest workers that did load it.
                const unsigned failed = m_generation;
                m_reloading = false;
                for (auto &w : m_workers)
                    if (w->ready && w->killedFor.empty() && w->generation != failed
                        && (m_generation == failed || w->generation > m_generation))
                        m_generation = w->generation;
                for (auto &w : m_workers)
                    if (w->generation == failed)
                        kill(*w, "its reload was given up");
            } else if (m_everReady) {
                log(who + " " + cause + " before it was ready");
            }
        }
        return;
    }
    const bool timedOut = worker.killedFor.starts_with("no answer");
    if (worker.killedFor.empty() && !(worker.retiring && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        && !(worker.jobs.empty() && WIFEXITED(status) && WEXITSTATUS(status) == 0))
        log(who + " " + cause
            + (worker.jobs.empty() ? std::string(" while idle")
                                   : " while serving " + worker.slots->view(worker.jobs.begin()->first).line));
    else if (!worker.killedFor.empty())
        log(who + " stopped: " + worker.killedFor);
    for (auto &[slot, job] : worker.jobs) {
        m_busy.erase(job.fd);
        const SharedSlots::View state = worker.slots->view(slot);
        if (state.ending || state.sent)
            ::close(job.fd);
        else if (timedOut)
            answerAndClose(job.fd, job.requestId, "504 Gateway Timeout",
                           "The extension did not answer within " + seconds(m_settings.requestTimeout) + ".\n");
        else
            answerAndClose(job.fd, job.requestId, "500 Internal Server Error",
                           "The extension failed while serving the request.\n");
    }
    worker.jobs.clear();
}

void Pool::checkTimes()
{
    const auto now = Clock::now();
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (now - it->second.since > m_settings.readTimeout) {
            ::close(it->first);
            it = m_pending.erase(it);
        } else {
            ++it;
        }
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
    if (m_tcp)
        probeClosedInputs(now);
    unsigned current = 0;
    for (auto &w : m_workers)
        if (w->generation == m_generation && !w->retiring && w->killedFor.empty())
            ++current;
    for (auto &w : m_workers) {
        for (auto &[slot, job] : w->jobs)
            if (now > job.deadline) {
                const SharedSlots::View state = w->slots->view(slot);
                if (!state.ending)
                    kill(*w, "no answer to " + state.line + " within " + seconds(m_settings.requestTimeout));
            }
        if (w->ready && w->jobs.empty() && !w->retiring && current > m_settings.minWorkers
            && now - w->idleSince > m_settings.idleTimeout) {
            retire(*w);
            --current;
        }
    }
}

void Pool::grow()
{
    // While stopping, only the requests already queued still need workers.
    if ((m_stopping && m_queue.empty()) || Clock::now() < m_noSpawnUntil)
        return;
    unsigned current = 0, freeSlots = 0;
    for (auto &w : m_workers)
        if (w->generation == m_generation && !w->retiring && w->killedFor.empty()) {
            ++current;
            // A request whose answer is complete frees its slot in a moment.
            unsigned busy = 0;
            for (const auto &[slot, job] : w->jobs)
                busy += !w->slots->view(slot).ending;
            freeSlots += m_settings.threads - std::min(m_settings.threads, busy);
        }
    const unsigned minimum = std::max(1u, m_settings.minWorkers);
    while (current < minimum || (m_queue.size() > freeSlots && current < m_settings.maxWorkers)) {
        spawn();
        ++current;
        freeSlots += m_settings.threads;
    }
}

void Pool::spawn()
{
    std::unique_ptr<SharedSlots> slots;
    try {
        slots = std::make_unique<SharedSlots>(std::max(1u, m_settings.threads));
    } catch (const std::exception &e) {
        log(std::string("cannot start a worker: ") + e.what());
        return;
    }
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        log(std::string("cannot start a worker: ") + std::strerror(errno));
        return;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        log(std::string("cannot start a worker: ") + std::strerror(errno));
        ::close(pair[0]);
        ::close(pair[1]);
        return;
    }
    if (pid == 0) {
        // Nothing of the supervisor's stays open here (connections
        // included, so that closing one there closes it): only the line,
        // as descriptor 3, and the standard output and error.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            std::_Exit(0);
        ::dup2(pair[1], 3);
        ::close_range(4, ~0u, 0);
        const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::dup2(null, 0);
        sigset_t child;
        sigemptyset(&child);
        sigaddset(&child, SIGCHLD);
        ::sigprocmask(SIG_UNBLOCK, &child, nullptr); // the extension may wait for processes of its own
        runWorker(WorkerSettings{m_settings.library, std::max(1u, m_settings.threads),
                                 static_cast<int>(m_settings.readTimeout.count())},
                  3, *slots);
    }
    ::close(pair[1]);
    ::fcntl(pair[0], F_SETFL, O_NONBLOCK);
    auto worker = std::make_unique<Worker>();
    worker->pid = pid;
    worker->link = pair[0];
    worker->generation = m_generation;
    worker->slots = std::move(slots);
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
