#include "fcgi/worker.h"

#include "fcgi/records.h"
#include "fcgi/responder.h"
#include "fcgi/scoreboard.h"
#include "fcgi/workerlink.h"
#include "isapi/extension.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
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

// What the fault handler and the exit hook of a worker thread need: its
// place on the scoreboard and the answer for a request that fails, made
// before it can be needed (nothing may be allocated there). Plain
// pointers, so that a handler reads them safely.
thread_local Score *t_place = nullptr;
thread_local const std::string *t_failure = nullptr;

class LinkObserver : public RequestObserver
{
public:
    LinkObserver(int link, Score &place, std::uint32_t slot, int connection, std::string &failure)
        : m_link(link), m_place(place), m_slot(slot), m_failure(failure)
    {
        m_place.output.store(kOutputNobody, std::memory_order_release);
        m_place.ending = false;
        m_place.requestId.store(0, std::memory_order_release);
        m_place.lineLength.store(0, std::memory_order_release);
        m_place.connection.store(connection, std::memory_order_release);
        m_place.job.store(slot, std::memory_order_release);
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
    void done(bool kept)
    {
        sendMessage(m_link, WorkerMessage{kept ? WorkerEvent::Kept : WorkerEvent::Done, m_slot, {}});
    }

private:
    int m_link;
    Score &m_place;
    std::uint32_t m_slot;
    std::string &m_failure;
};

// The process is ending in the calling thread (a fault signal, or exit()
// called by the extension): its place is marked with why, so that the
// supervisor logs the right request, and a request that has sent nothing
// yet is answered 500 here, the connection being this process's.
// Async-signal-safe: atomics, send() and nothing else.
void failInThisThread(int why)
{
    Score *place = t_place;
    if (place == nullptr || place->job.load(std::memory_order_acquire) == 0
        || place->ending.load(std::memory_order_acquire))
        return;
    place->fault.store(why, std::memory_order_release);
    std::uint32_t nobody = kOutputNobody;
    if (place->requestId.load(std::memory_order_acquire) <= 0
        || !place->output.compare_exchange_strong(nobody, kOutputWorker, std::memory_order_acq_rel))
        return; // no request read yet, or its response began: nothing to answer
    // Complete before it is written: the web server may close the
    // connection as soon as it has the answer, and that is no hang-up.
    place->ending.store(true, std::memory_order_release);
    const int connection = place->connection.load(std::memory_order_acquire);
    const char *bytes = t_failure->data();
    std::size_t left = t_failure->size();
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
    void served()
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
            sendMessage(m_link, WorkerMessage{WorkerEvent::Spent, 0, why});
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
        sendMessage(link, WorkerMessage{WorkerEvent::Ready, 0, {}});
        Wear wear(settings, link);
        auto serve = [&](unsigned thread) {
            std::uint32_t slot = 0;
            WireBuffers buffers; // made once, for every request of this thread
            FaultStack faultStack;
            std::string failure = failedResponse(1);
            t_failure = &failure;
            t_place = &scoreboard.place(row, thread);
            struct Leave
            {
                ~Leave() { t_place = nullptr; }
            } leave; // failure and the stack go with the thread's loop
            for (int fd; (fd = receiveJob(link, slot)) >= 0;) {
                fd = aboveStandardDescriptors(fd);
                LinkObserver observer(link, *t_place, slot, fd, failure);
                const bool kept = fd >= 0 && serveConnection(*extension, fd, observer, buffers);
                observer.served(); // before the descriptor closes: a fault after it has nothing to answer
                if (fd >= 0)
                    ::close(fd); // the supervisor keeps its own descriptor of it
                wear.served(); // before Done, so that no request comes after its last
                observer.done(kept);
            }
        };
        std::vector<std::thread> more;
        for (unsigned i = 1; i < settings.threads; ++i)
            more.emplace_back(serve, i);
        serve(0);
        for (std::thread &t : more)
            t.join();
    } // TerminateExtension
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace quillon::fcgi
