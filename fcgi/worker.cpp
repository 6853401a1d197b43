#include "fcgi/worker.h"

#include "fcgi/responder.h"
#include "fcgi/workerlink.h"
#include "isapi/extension.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <thread>
#include <vector>

namespace quillon::fcgi {

namespace {

class LinkObserver : public RequestObserver
{
public:
    LinkObserver(int link, SlotState &state, std::uint32_t slot) : m_link(link), m_state(state), m_slot(slot)
    {
        m_state.output.store(kOutputNobody, std::memory_order_release);
        m_state.ending = false;
        m_state.lineLength.store(0, std::memory_order_release);
        m_state.slot.store(slot, std::memory_order_release);
    }
    void began(const std::string &requestLine) override
    {
        const std::size_t length = std::min(requestLine.size(), sizeof m_state.line);
        std::memcpy(m_state.line, requestLine.data(), length);
        m_state.lineLength.store(static_cast<std::uint32_t>(length), std::memory_order_release);
    }
    void sent() override { claimOutput(m_state); }
    void ending() override
    {
        claimOutput(m_state);
        m_state.ending = true;
    }
    void done(bool kept)
    {
        sendMessage(m_link, WorkerMessage{kept ? WorkerEvent::Kept : WorkerEvent::Done, m_slot, {}});
    }

private:
    int m_link;
    SlotState &m_state;
    std::uint32_t m_slot;
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

void runWorker(const WorkerSettings &settings, int link, SharedSlots &slots)
{
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
            for (int fd; (fd = receiveJob(link, slot)) >= 0;) {
                LinkObserver observer(link, slots[thread], slot);
                fd = aboveStandardDescriptors(fd);
                const bool kept = fd >= 0 && serveConnection(*extension, fd, observer, buffers);
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
