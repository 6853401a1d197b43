#include "fcgi/workerlink.h"

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <thread>

namespace quillon::fcgi {

namespace {

constexpr std::size_t kHead = 8;
constexpr std::size_t kMaxText = 500;

void putU32(char *at, std::uint32_t v)
{
    std::memcpy(at, &v, sizeof v);
}

std::uint32_t getU32(const char *at)
{
    std::uint32_t v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

} // namespace

bool sendMessage(int link, const WorkerMessage &message)
{
    char buffer[kHead + kMaxText];
    putU32(buffer, static_cast<std::uint32_t>(message.event));
    putU32(buffer + 4, message.slot);
    const std::size_t text = std::min(message.text.size(), kMaxText);
    std::memcpy(buffer + kHead, message.text.data(), text);
    ssize_t n;
    while ((n = ::send(link, buffer, kHead + text, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
    }
    return n == static_cast<ssize_t>(kHead + text);
}

bool receiveMessage(int link, WorkerMessage &message, bool &wouldBlock)
{
    char buffer[kHead + kMaxText];
    ssize_t n;
    while ((n = ::recv(link, buffer, sizeof buffer, MSG_DONTWAIT)) < 0 && errno == EINTR) {
    }
    wouldBlock = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    if (n < static_cast<ssize_t>(kHead))
        return false;
    message.event = static_cast<WorkerEvent>(getU32(buffer));
    message.slot = getU32(buffer + 4);
    message.text.assign(buffer + kHead, static_cast<std::size_t>(n) - kHead);
    return true;
}

namespace {

// A job message: the slot number as data, room for one descriptor.
struct JobMessage
{
    char data[4] = {};
    iovec io{data, sizeof data};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr msg{};

    JobMessage()
    {
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
    }
    JobMessage(const JobMessage &) = delete;
    JobMessage &operator=(const JobMessage &) = delete;
};

} // namespace

bool sendJob(int link, int connection, std::uint32_t slot)
{
    JobMessage job;
    putU32(job.data, slot);
    cmsghdr *c = CMSG_FIRSTHDR(&job.msg);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(c), &connection, sizeof(int));
    ssize_t n;
    while ((n = ::sendmsg(link, &job.msg, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
    }
    return n == static_cast<ssize_t>(sizeof job.data);
}

int receiveJob(int link, std::uint32_t &slot)
{
    for (;;) {
        JobMessage job;
        const ssize_t n = ::recvmsg(link, &job.msg, MSG_CMSG_CLOEXEC);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        int fd = -1;
        for (cmsghdr *c = CMSG_FIRSTHDR(&job.msg); c != nullptr; c = CMSG_NXTHDR(&job.msg, c))
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS)
                std::memcpy(&fd, CMSG_DATA(c), sizeof(int));
        if (n != static_cast<ssize_t>(sizeof job.data) || fd < 0) {
            if (fd >= 0)
                ::close(fd);
            continue; // not a job: nothing else is ever sent this way
        }
        slot = getU32(job.data);
        return fd;
    }
}

SharedSlots::SharedSlots(unsigned count) : m_count(count)
{
    void *memory = ::mmap(nullptr, sizeof(SlotState) * count, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw std::runtime_error(std::string("cannot share memory with a worker: ") + std::strerror(errno));
    m_states = static_cast<SlotState *>(memory);
    for (unsigned i = 0; i < count; ++i)
        new (&m_states[i]) SlotState;
}

SharedSlots::~SharedSlots()
{
    ::munmap(m_states, sizeof(SlotState) * m_count);
}

void claimOutput(SlotState &state)
{
    std::uint32_t owner = state.output.load(std::memory_order_acquire);
    while (owner != kOutputWorker) {
        if (owner == kOutputProbe) { // eight bytes on their way: a moment
            std::this_thread::yield();
            owner = state.output.load(std::memory_order_acquire);
            continue;
        }
        if (state.output.compare_exchange_weak(owner, kOutputWorker, std::memory_order_acq_rel))
            return;
    }
}

bool probeOutput(SlotState &state, std::uint32_t slot, int connection, const std::string &record)
{
    std::uint32_t nobody = kOutputNobody;
    if (state.slot.load(std::memory_order_acquire) != slot || state.ending.load(std::memory_order_acquire)
        || !state.output.compare_exchange_strong(nobody, kOutputProbe, std::memory_order_acq_rel))
        return false;
    // The thread may have moved on to another job just before the exchange;
    // then this job has ended and its connection needs no probe.
    bool written = false;
    if (state.slot.load(std::memory_order_acquire) == slot && !state.ending.load(std::memory_order_acquire))
        written = ::send(connection, record.data(), record.size(), MSG_DONTWAIT | MSG_NOSIGNAL)
                  == static_cast<ssize_t>(record.size());
    std::uint32_t probing = kOutputProbe;
    state.output.compare_exchange_strong(probing, kOutputNobody, std::memory_order_acq_rel);
    return written;
}

SlotState *SharedSlots::serving(std::uint32_t slot)
{
    for (unsigned i = 0; i < m_count; ++i)
        if (m_states[i].slot.load(std::memory_order_acquire) == slot)
            return &m_states[i];
    return nullptr;
}

SharedSlots::View SharedSlots::view(std::uint32_t slot) const
{
    View view;
    for (unsigned i = 0; i < m_count; ++i) {
        const SlotState &state = m_states[i];
        if (state.slot.load(std::memory_order_acquire) != slot)
            continue;
        view.sent = state.output.load(std::memory_order_acquire) == kOutputWorker;
        view.ending = state.ending;
        const std::uint32_t length = state.lineLength.load(std::memory_order_acquire);
        if (length > 0)
            view.line.assign(state.line, std::min<std::size_t>(length, sizeof state.line));
        // Taken over by the thread's next job meanwhile: this one ended.
        if (state.slot.load(std::memory_order_acquire) != slot)
            return View{};
        return view;
    }
    return view;
}

} // namespace quillon::fcgi
