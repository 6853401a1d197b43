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

} // namespace quillon::fcgi
