#include "fcgi/workerlink.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

// A message of up to Size bytes, with room for one descriptor.
template <std::size_t Size>
struct Message
{
    char data[Size] = {};
    iovec io{data, sizeof data};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr msg{};

    Message()
    {
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
    }
    Message(const Message &) = delete;
    Message &operator=(const Message &) = delete;

    // Room for a descriptor that may come with the message received.
    void expectDescriptor()
    {
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
    }
    // Passes connection along with the message sent.
    void attach(int connection)
    {
        expectDescriptor();
        cmsghdr *c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &connection, sizeof(int));
    }
    // The descriptor that came with the message received, or -1.
    int attached()
    {
        int fd = -1;
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c))
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS)
                std::memcpy(&fd, CMSG_DATA(c), sizeof(int));
        return fd;
    }
};

using TextMessage = Message<kHead + kMaxText>; // an event, a slot and a text
using JobMessage = Message<4>;                 // a slot

} // namespace

bool sendMessage(int link, const WorkerMessage &message)
{
    TextMessage m;
    putU32(m.data, static_cast<std::uint32_t>(message.event));
    putU32(m.data + 4, message.slot);
    const std::size_t text = std::min(message.text.size(), kMaxText);
    std::memcpy(m.data + kHead, message.text.data(), text);
    m.io.iov_len = kHead + text;
    if (message.connection >= 0)
        m.attach(message.connection);
    ssize_t n;
    while ((n = ::sendmsg(link, &m.msg, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
    }
    return n == static_cast<ssize_t>(kHead + text);
}

bool receiveMessage(int link, WorkerMessage &message, bool &wouldBlock)
{
    TextMessage m;
    m.expectDescriptor();
    ssize_t n;
    while ((n = ::recvmsg(link, &m.msg, MSG_DONTWAIT | MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
    }
    wouldBlock = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    const int fd = n >= 0 ? m.attached() : -1;
    if (n < static_cast<ssize_t>(kHead)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    message.event = static_cast<WorkerEvent>(getU32(m.data));
    message.slot = getU32(m.data + 4);
    message.text.assign(m.data + kHead, static_cast<std::size_t>(n) - kHead);
    message.connection = fd;
    return true;
}

bool sendJob(int link, int connection, std::uint32_t slot)
{
    JobMessage job;
    putU32(job.data, slot);
    job.attach(connection);
    ssize_t n;
    while ((n = ::sendmsg(link, &job.msg, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
    }
    return n == static_cast<ssize_t>(sizeof job.data);
}

int receiveJob(int link, std::uint32_t &slot, bool &wouldBlock)
{
    for (;;) {
        JobMessage job;
        job.expectDescriptor();
        const ssize_t n = ::recvmsg(link, &job.msg, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
        if (n < 0 && errno == EINTR)
            continue;
        wouldBlock = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        if (n <= 0)
            return -1;
        const int fd = job.attached();
        if (n != static_cast<ssize_t>(sizeof job.data) || fd < 0) {
            if (fd >= 0)
                ::close(fd);
            continue; // not a job: nothing else is ever sent this way
        }
        slot = getU32(job.data);
        return fd;
    }
}

} // namespace quillon::fcgi
