#include "fcgi/worker.h"

#include "fcgi/records.h"
#include "fcgi/responder.h"
#include "fcgi/scoreboard.h"
#include "fcgi/workerlink.h"
#include "isapi/extension.h"

#include <fcntl.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif
#include <sys/stat.h>
#include <signal.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <thread>
#include <vector>

namespace quillon::fcgi {

namespace {

// What the fault handler and the exit hook need of each thread of the
// worker: its place on the scoreboard and the answer for a request that
// fails, made before it can be needed (nothing may be allocated there).
// Plain pointers published once, so that a handler reads them safely.
struct ThreadFailure
{
    std::atomic<Score *> place{nullptr};
    std::atomic<const std::string *> failure{nullptr};
};
ThreadFailure *g_threads = nullptr; // one for each thread of the worker
unsigned g_threadCount = 0;
thread_local Score *t_place = nullptr;

class JobObserver : public RequestObserver
{
public:
    JobObserver(Score &place, std::uint32_t job, int connection, std::string &failure)
        : m_place(place), m_failure(failure)
    {
        m_place.output.store(kOutputNobody, std::memory_order_release);
        m_place.ending = false;
        m_place.requestId.store(0, std::memory_order_release);
        m_place.lineLength.store(0, std::memory_order_release);
        m_place.connection.store(connection, std::memory_order_release);
        m_place.started.store(std::chrono::steady_clock::now().time_since_epoch().count(), std::memory_order_release);
        m_place.job.store(job, std::memory_order_release);
    }
    void began(int requestId, const std::string &requestLine) override
    {
        const std::size_t length = std::min(requestLine.size(), sizeof m_place.line);
        std::memcpy(m_place.line, requestLine.data(), length);
        m_place.lineLength.store(static_cast<std::uint32_t>(length), std::memory_order_release);
        setRequestId(m_failure, requestId);
        m_place.requestId.store(requestId, std::memory_order_release); // the failure answer fits it now
    }
    void sent() override { claimOutput(m_place); }
    void ending() override
    {
        claimOutput(m_place);
        m_place.ending = true;
    }
    // The job is over for this thread (answered, refused or lost).
    void served() { m_place.job.store(0, std::memory_order_release); }

private:
    Score &m_place;
    std::string &m_failure;
};

// Answers place's request with failure when it has sent nothing yet.
// Async-signal-safe: atomics, send() and nothing else.
void answerFailure(Score &place, const std::string &failure)
{
    std::uint32_t nobody = kOutputNobody;
    if (place.job.load(std::memory_order_acquire) == 0 || place.ending.load(std::memory_order_acquire)
        || place.requestId.load(std::memory_order_acquire) <= 0
        || !place.output.compare_exchange_strong(nobody, kOutputFailed, std::memory_order_acq_rel))
        return; // no request read yet, or its response began: nothing to answer
    // Complete before it is written: the web server may close the
    // connection as soon as it has the answer, and that is no hang-up.
    place.ending.store(true, std::memory_order_release);
    const int connection = place.connection.load(std::memory_order_acquire);
    const char *bytes = failure.data();
    std::size_t left = failure.size();
    while (left > 0) {
        const ssize_t n = ::send(connection, bytes, left, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        bytes += n;
        left -= static_cast<std::size_t>(n);
    }
}

// The process is ending in the calling thread (a fault signal, or exit()
// called by the extension): its place is marked with why, so that the
// supervisor logs the right request, and every request of the process
// that has sent nothing yet is answered 500 here, the connections being
// this process's. Async-signal-safe.
void failInThisThread(int why)
{
    Score *own = t_place;
    if (own != nullptr && own->job.load(std::memory_order_acquire) != 0
        && !own->ending.load(std::memory_order_acquire))
        own->fault.store(why, std::memory_order_release);
    for (unsigned i = 0; i < g_threadCount; ++i) {
        Score *place = g_threads[i].place.load(std::memory_order_acquire);
        const std::string *failure = g_threads[i].failure.load(std::memory_order_acquire);
        if (place != nullptr && failure != nullptr)
            answerFailure(*place, *failure);
    }
}

void onFault(int signal)
{
    const int saved = errno;
    failInThisThread(signal);
    errno = saved;
    // SA_RESETHAND put the default action back: raised again, the signal
    // ends the process as it would have, with its own cause.
    ::raise(signal);
}

void onExit()
{
    failInThisThread(kFaultExit);
}

// The faults that end a worker in one of its requests are answered by the
// thread they happen in (on a stack of its own: the fault may be a stack
// overflow). Installed before the extension loads, so that an extension
// that handles these signals itself (a language runtime turning them into
// exceptions) keeps its handlers.
void answerFaults()
{
    struct sigaction action{};
    action.sa_handler = onFault;
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        ::sigaction(s, &action, nullptr);
    std::atexit(onExit); // the worker itself ends with _Exit: only the extension's exit() runs this
#if defined(__SANITIZE_ADDRESS__)
    // An error AddressSanitizer finds itself ends the process its own way,
    // in the thread it happened in; it calls this first.
    __sanitizer_set_death_callback(onExit);
#endif
}

// The stack a thread's fault handler runs on, for as long as it lives.
class FaultStack
{
public:
    FaultStack() : m_stack(std::max<std::size_t>(64 * 1024, static_cast<std::size_t>(SIGSTKSZ)))
    {
        stack_t stack{};
        stack.ss_sp = m_stack.data();
        stack.ss_size = m_stack.size();
        ::sigaltstack(&stack, nullptr);
    }
    ~FaultStack()
    {
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        ::sigaltstack(&off, nullptr);
    }
    FaultStack(const FaultStack &) = delete;
    FaultStack &operator=(const FaultStack &) = delete;

private:
    std::vector<char> m_stack;
};

// A connection that lands on descriptor 0, 1 or 2 (the extension closed
// one of them) moves above them, and /dev/null takes its place: what the
// extension prints must not go into a FastCGI connection.
int aboveStandardDescriptors(int fd)
{
    if (fd > 2)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, fd);
        ::close(null);
    } else {
        ::close(fd);
    }
    return moved;
}

// The library path, or the file the generation started with when the
// path names another one now (replaced after a reload that was given up).
std::filesystem::path libraryToLoad(const WorkerSettings &settings)
{
    struct stat held{}, named{};
    if (settings.libraryFd < 0 || ::fstat(settings.libraryFd, &held) != 0)
        return settings.library;
    if (::stat(settings.library.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
        return settings.library;
    std::cerr << "quillon-fcgi: " << settings.library.string()
              << " was replaced since these workers started; loading the library they started with" << std::endl;
    return "/proc/self/fd/" + std::to_string(settings.libraryFd);
}

// The resident memory of this process in MiB (0 when it cannot be read).
unsigned residentMiB()
{
    unsigned long pages = 0, resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lu %lu", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<unsigned>(resident * static_cast<unsigned long>(::sysconf(_SC_PAGESIZE)) >> 20);
}

// Counts the requests served and says once when the worker is spent.
class Wear
{
public:
    Wear(const WorkerSettings &settings, int link) : m_settings(settings), m_link(link) {}
    // Counts a request; true once the worker should take no more.
    bool served()
    {
        const unsigned count = ++m_served;
        std::string why;
        if (m_settings.maxRequests > 0 && count >= m_settings.maxRequests)
            why = "served " + std::to_string(count) + " requests (--max-requests " + std::to_string(m_settings.maxRequests) + ")";
        else if (m_settings.maxMemoryMiB > 0) {
            const unsigned mib = residentMiB();
            if (mib > m_settings.maxMemoryMiB)
                why = "uses " + std::to_string(mib) + " MiB (--max-memory " + std::to_string(m_settings.maxMemoryMiB) + ")";
        }
        if (!why.empty() && !m_told.exchange(true))
            sendMessage(m_link, WorkerMessage{WorkerEvent::Spent, 0, why, -1});
        return m_told.load();
    }

private:
    const WorkerSettings &m_settings;
    int m_link;
    std::atomic<unsigned> m_served{0};
    std::atomic<bool> m_told{false};
};

void doNothing(int) {}

// The supervisor blocks SIGHUP, SIGINT and SIGTERM, and a worker must not
// end on them either (the supervisor ends it). They are caught here instead,
// by a handler that does nothing: a program the extension starts gets them
// back as they should be (a handler is reset by exec, a blocked signal
// stays blocked), so it can be stopped. SIGPIPE likewise: a write to a
// closed pipe or connection fails here, and a program started gets the
// signal's default back, not the supervisor's "ignore".
void catchStopSignals()
{
    struct sigaction action{};
    action.sa_handler = doNothing;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGHUP, SIGINT, SIGTERM, SIGPIPE}) {
        ::sigaction(s, &action, nullptr);
        sigaddset(&signals, s);
    }
    ::sigprocmask(SIG_UNBLOCK, &signals, nullptr);
}

// How long a thread waits for the first bytes of a connection it took
// before it holds it and waits for others too (milliseconds).
constexpr int kFirstBytesWithin = 2;

// What the threads of a worker share.
struct Shared
{
    const WorkerSettings &settings;
    const isapi::Extension &extension;
    int link;
    Scoreboard &scoreboard;
    int row;
    Wear wear;
    int retireEvent; // readable once the worker retires: every thread wakes
    std::atomic<bool> retiring{false};
    std::atomic<std::uint32_t> nextJob{0};

    void retire()
    {
        if (!retiring.exchange(true)) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = ::write(retireEvent, &one, sizeof one);
        }
    }
};

// One thread of the worker: waits for connections and serves them.
class ThreadLoop
{
public:
    ThreadLoop(Shared &shared, unsigned thread)
        : m_shared(shared), m_thread(thread), m_place(shared.scoreboard.place(shared.row, thread))
    {
    }
    void run();

private:
    struct Held
    {
        int fd;
        std::chrono::steady_clock::time_point since;
    };
    void watch(int fd, std::uint32_t events) const
    {
        epoll_event e{};
        e.events = events;
        e.data.fd = fd;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &e);
    }
    void unwatch(int fd) const { ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr); }
    // The thread that stops accepting last asks the supervisor for another worker.
    void setStance(std::uint32_t stance)
    {
        BoardHead &head = m_shared.scoreboard.head();
        if (m_shared.scoreboard.setStance(m_shared.row, m_thread, stance) == kStanceAccepting
            && stance != kStanceAccepting && head.accepting.load(std::memory_order_acquire) == 0
            && !head.growAsked.exchange(true))
            sendMessage(m_shared.link, WorkerMessage{WorkerEvent::Grow, 0, {}, -1});
    }
    void accept();
    void takeJob();
    // Serves connection when its request has come whole (at once, for a
    // job the supervisor passed: slot), else holds it until it has.
    void take(int connection, std::uint32_t slot, bool watched,
              std::chrono::steady_clock::time_point since = std::chrono::steady_clock::now());
    void serve(int connection, std::uint32_t slot, bool watched);
    void hold(int connection, bool watched, std::chrono::steady_clock::time_point since);
    void giveBack(int connection);
    int timeout() const;
    void dropExpired();

    Shared &m_shared;
    unsigned m_thread;
    Score &m_place;
    int m_epoll = -1;
    int m_listen = -1; // the thread's own descriptor of the listening socket
    bool m_listening = false;
    std::vector<Held> m_held;
    WireBuffers m_buffers; // made once, for every request of this thread
    std::string m_scratch; // for looking at what came
    std::string m_failure = failedResponse(1);
};

void ThreadLoop::run()
{
    FaultStack faultStack;
    t_place = &m_place;
    g_threads[m_thread].failure.store(&m_failure, std::memory_order_release);
    g_threads[m_thread].place.store(&m_place, std::memory_order_release);
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    // Without a listening socket (workers started while stopping), only
    // jobs the supervisor passes come.
    if (m_shared.settings.listenFd >= 0)
        m_listen = ::fcntl(m_shared.settings.listenFd, F_DUPFD_CLOEXEC, 3);
    if (m_epoll < 0 || (m_shared.settings.listenFd >= 0 && m_listen < 0)) {
        // Told as a spent worker is: the supervisor replaces it.
        sendMessage(m_shared.link, WorkerMessage{WorkerEvent::Spent, 0,
                                                 std::string("cannot wait for connections: ") + std::strerror(errno), -1});
        m_shared.retire();
    }
    // One thread wakes for each job on the line; all of them at retiring.
    watch(m_shared.link, EPOLLIN | EPOLLEXCLUSIVE);
    watch(m_shared.retireEvent, EPOLLIN);
    epoll_event events[8];
    while (!m_shared.retiring.load(std::memory_order_acquire)) {
        const bool listen = m_held.empty() && m_listen >= 0;
        if (listen != m_listening) {
            if (listen)
                watch(m_listen, EPOLLIN | EPOLLEXCLUSIVE);
            else
                unwatch(m_listen);
            m_listening = listen;
        }
        setStance(m_listening ? kStanceAccepting : kStanceWaiting);
        const int n = ::epoll_wait(m_epoll, events, 8, timeout());
        for (int i = 0; i < n && !m_shared.retiring.load(std::memory_order_acquire); ++i) {
            const int fd = events[i].data.fd;
            if (fd == m_listen) {
                if (m_held.empty())
                    accept();
            } else if (fd == m_shared.link) {
                takeJob();
            } else if (fd != m_shared.retireEvent) {
                const auto held = std::find_if(m_held.begin(), m_held.end(), [&](const Held &h) { return h.fd == fd; });
                if (held != m_held.end()) {
                    const Held taken = *held;
                    m_held.erase(held);
                    take(fd, 0, true, taken.since);
                }
            }
        }
        dropExpired();
    }
    // Jobs the supervisor passed before it knew of the retirement (a worker
    // that is spent retires itself) are served; the end of the line, which
    // comes once the supervisor retired the worker, says no more come.
    for (pollfd line{m_shared.link, POLLIN, 0};;) {
        std::uint32_t slot = 0;
        bool wouldBlock = false;
        const int connection = receiveJob(m_shared.link, slot, wouldBlock);
        if (connection >= 0)
            take(aboveStandardDescriptors(connection), slot, false);
        else if (!wouldBlock || (::poll(&line, 1, -1) < 0 && errno != EINTR))
            break;
    }
    setStance(kStanceStarting);
    for (const Held &h : m_held)
        giveBack(h.fd);
    m_held.clear();
    if (m_listen >= 0)
        ::close(m_listen);
    ::close(m_epoll);
    t_place = nullptr;
}

void ThreadLoop::accept()
{
    const int connection = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) {
        if (errno == EMFILE || errno == ENFILE)
            std::cerr << "quillon-fcgi: cannot accept a connection: " << std::strerror(errno) << std::endl;
        return; // another thread took it, or it went away
    }
    limitReads(connection, m_shared.settings.readTimeout);
    take(aboveStandardDescriptors(connection), 0, false);
}

void ThreadLoop::takeJob()
{
    std::uint32_t slot = 0;
    bool wouldBlock = false;
    const int connection = receiveJob(m_shared.link, slot, wouldBlock);
    if (connection >= 0)
        take(aboveStandardDescriptors(connection), slot, false);
    else if (!wouldBlock)
        m_shared.retire(); // the supervisor retired the worker, or is gone
}

void ThreadLoop::take(int connection, std::uint32_t slot, bool watched, std::chrono::steady_clock::time_point since)
{
    if (connection < 0)
        return;
    if (slot == 0) {
        Opening opening = peekOpening(connection, m_scratch);
        // A web server's connection is often taken before its request comes,
        // a moment later: waited for here, rather than held and watched.
        pollfd first{connection, POLLIN, 0};
        if (opening.state == Opening::Incomplete && !watched && ::poll(&first, 1, kFirstBytesWithin) > 0)
            opening = peekOpening(connection, m_scratch);
        if (opening.state == Opening::Incomplete) {
            hold(connection, watched, since); // the read timeout runs from its first moment
            return;
        }
        if (opening.state == Opening::Invalid) { // closed before a request came, or not FastCGI
            if (watched)
                unwatch(connection);
            ::close(connection);
            return;
        }
    }
    serve(connection, slot, watched);
}

void ThreadLoop::serve(int connection, std::uint32_t slot, bool watched)
{
    setStance(kStanceServing);
    std::uint32_t job = slot;
    while (job == 0)
        job = kDirectJob | (m_shared.nextJob.fetch_add(1, std::memory_order_relaxed) & ~kDirectJob);
    JobObserver observer(m_place, job, connection, m_failure);
    const bool kept = serveConnection(m_shared.extension, connection, observer, m_buffers);
    observer.served(); // before the descriptor closes: a fault after it has nothing to answer
    const bool spent = m_shared.wear.served();
    if (kept && !spent) {
        hold(connection, watched, std::chrono::steady_clock::now());
    } else {
        if (watched)
            unwatch(connection);
        if (kept)
            giveBack(connection); // kept for the web server: another worker serves its next request
        else
            ::close(connection);
    }
    if (slot != 0)
        sendMessage(m_shared.link, WorkerMessage{WorkerEvent::Done, slot, {}, -1});
    if (spent)
        m_shared.retire();
}

void ThreadLoop::hold(int connection, bool watched, std::chrono::steady_clock::time_point since)
{
    if (!watched)
        watch(connection, EPOLLIN);
    m_held.push_back(Held{connection, since});
}

void ThreadLoop::giveBack(int connection)
{
    sendMessage(m_shared.link, WorkerMessage{WorkerEvent::Returned, 0, {}, connection});
    ::close(connection);
}

int ThreadLoop::timeout() const
{
    if (m_held.empty())
        return -1;
    auto oldest = m_held.front().since;
    for (const Held &h : m_held)
        oldest = std::min(oldest, h.since);
    const auto deadline = oldest + m_shared.settings.readTimeout;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::int64_t>(0, left.count()) + 1);
}

void ThreadLoop::dropExpired()
{
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(m_held, [&](const Held &h) {
        if (now - h.since <= m_shared.settings.readTimeout)
            return false;
        unwatch(h.fd); // no whole request within the read timeout
        ::close(h.fd);
        return true;
    });
}

} // namespace

void runWorker(const WorkerSettings &settings, int link, Scoreboard &scoreboard, int row)
{
    answerFaults();
    {
        std::optional<isapi::Extension> extension;
        try {
            extension.emplace(libraryToLoad(settings));
        } catch (const std::exception &e) {
            std::cerr << "quillon-fcgi: " << e.what() << std::endl;
            std::_Exit(2);
        }
        catchStopSignals();
        std::vector<ThreadFailure> failures(settings.threads);
        g_threads = failures.data();
        g_threadCount = settings.threads;
        Shared shared{settings, *extension, link, scoreboard, row, Wear(settings, link),
                      ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
        sendMessage(link, WorkerMessage{WorkerEvent::Ready, 0, {}, -1});
        std::vector<std::thread> more;
        for (unsigned i = 1; i < settings.threads; ++i)
            more.emplace_back([&shared, i] { ThreadLoop(shared, i).run(); });
        ThreadLoop(shared, 0).run();
        for (std::thread &t : more)
            t.join();
        g_threadCount = 0;
        if (settings.listenFd >= 0)
            ::close(settings.listenFd);
    } // TerminateExtension
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace quillon::fcgi
