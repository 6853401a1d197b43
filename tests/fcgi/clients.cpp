#include "clients.h"

#include "fpcbuild.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <stdexcept>

namespace quillon::testing {

std::vector<std::string> rootAllowed()
{
    return ::geteuid() == 0 ? std::vector<std::string>{"--allow-root"} : std::vector<std::string>{};
}

std::vector<std::string> withRootAllowed(std::vector<std::string> argv)
{
    for (std::string &option : rootAllowed())
        argv.push_back(std::move(option));
    return argv;
}

namespace {

constexpr unsigned char kBeginRequest = 1;
constexpr unsigned char kEndRequest = 3;
constexpr unsigned char kParams = 4;
constexpr unsigned char kStdin = 5;
constexpr unsigned char kStdout = 6;
constexpr unsigned char kStderr = 7;

bool sendAllOn(int fd, const std::string &data)
{
    for (std::size_t done = 0; done < data.size();) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool receiveExactly(int fd, char *buffer, std::size_t size)
{
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::recv(fd, buffer + done, size - done, 0);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

class Socket
{
public:
    explicit Socket(int fd, std::chrono::milliseconds limit = std::chrono::seconds(20)) : m_fd(fd)
    {
        if (fd < 0)
            throw std::runtime_error(std::string("cannot make a socket: ") + std::strerror(errno));
        const timeval timeout{static_cast<time_t>(limit.count() / 1000),
                              static_cast<suseconds_t>(limit.count() % 1000 * 1000)};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;

    void connect(const sockaddr *address, socklen_t size, const std::string &name)
    {
        if (::connect(m_fd, address, size) != 0)
            throw std::runtime_error("cannot connect to " + name + ": " + std::strerror(errno));
    }
    // False when the peer is gone.
    bool sendAll(const std::string &data) { return sendAllOn(m_fd, data); }
    // Exactly size bytes, or false at the end of the stream or a timeout.
    bool receive(char *buffer, std::size_t size) { return receiveExactly(m_fd, buffer, size); }
    int fd() const { return m_fd; }

private:
    int m_fd;
};

std::string record(unsigned char type, std::string_view content)
{
    std::string r;
    r += static_cast<char>(1);
    r += static_cast<char>(type);
    r += static_cast<char>(0);
    r += static_cast<char>(1); // request id 1
    r += static_cast<char>(content.size() >> 8);
    r += static_cast<char>(content.size() & 0xff);
    r += static_cast<char>(0);
    r += static_cast<char>(0);
    r += content;
    return r;
}

// A stream's records, at most 65535 bytes each, then the empty record that ends it.
std::string stream(unsigned char type, const std::string &data)
{
    std::string out;
    for (std::size_t pos = 0; pos < data.size(); pos += 65535)
        out += record(type, std::string_view(data).substr(pos, 65535));
    return out + record(type, {});
}

void appendLength(std::string &out, std::size_t n)
{
    if (n < 128) {
        out += static_cast<char>(n);
        return;
    }
    out += static_cast<char>(0x80 | ((n >> 24) & 0x7f));
    out += static_cast<char>((n >> 16) & 0xff);
    out += static_cast<char>((n >> 8) & 0xff);
    out += static_cast<char>(n & 0xff);
}

} // namespace

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

std::string FcgiReply::status() const
{
    const auto at = out.find("Status: ");
    if (at == std::string::npos)
        return {};
    return out.substr(at + 8, out.find("\r\n", at) - at - 8);
}

std::string FcgiReply::body() const
{
    const auto end = out.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : out.substr(end + 4);
}

namespace {

void connectUnix(Socket &socket, const std::filesystem::path &socketPath)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    socket.connect(reinterpret_cast<sockaddr *>(&address), sizeof address, socketPath.string());
}

void connectTcp(Socket &socket, int port)
{
    const sockaddr_in address = loopback(port);
    socket.connect(reinterpret_cast<const sockaddr *>(&address), sizeof address, "127.0.0.1:" + std::to_string(port));
}

FcgiReply exchange(Socket &socket, const Params &params, const std::string &body, const FcgiOptions &options)
{
    // The reply is read while the body is still being sent from a thread of
    // its own, as a web server streams a large upload.
    std::string request = fcgiOpening(params);
    request += stream(kStdin, body.substr(0, std::min(options.bodyStallsAfter, body.size())));
    if (options.bodyStallsAfter < body.size())
        request.resize(request.size() - 8); // part of the body, and no record that ends it
    std::thread sender([&socket, request = std::move(request), halfClose = options.halfClose]() mutable {
        if (socket.sendAll(request) && halfClose)
            ::shutdown(socket.fd(), SHUT_WR);
    });
    FcgiReply reply;
    char head[8];
    while (socket.receive(head, 8)) {
        const std::size_t length = (static_cast<unsigned char>(head[4]) << 8) | static_cast<unsigned char>(head[5]);
        std::string content(length + static_cast<unsigned char>(head[6]), '\0');
        if (!socket.receive(content.data(), content.size()))
            break;
        content.resize(length);
        if (head[1] == kStdout)
            reply.out += content;
        else if (head[1] == kStderr)
            reply.err += content;
        else if (head[1] == kEndRequest) {
            reply.ended = true;
            reply.appStatus = (static_cast<unsigned char>(content[0]) << 24)
                              | (static_cast<unsigned char>(content[1]) << 16)
                              | (static_cast<unsigned char>(content[2]) << 8) | static_cast<unsigned char>(content[3]);
            break;
        }
        if (reply.out.size() >= options.stopReadingAfter)
            break;
    }
    ::shutdown(socket.fd(), SHUT_RDWR);
    sender.join();
    return reply;
}

} // namespace

std::string fcgiOpening(const Params &params)
{
    std::string pairs;
    for (const auto &[name, value] : params) {
        appendLength(pairs, name.size());
        appendLength(pairs, value.size());
        pairs += name;
        pairs += value;
    }
    const char begin[8] = {0, 1, 0, 0, 0, 0, 0, 0}; // the responder role, connection not kept
    return record(kBeginRequest, std::string_view(begin, 8)) + stream(kParams, pairs);
}

FcgiReply fcgiRequest(const std::filesystem::path &socketPath, const Params &params, const std::string &body,
                      const FcgiOptions &options)
{
    Socket socket(::socket(AF_UNIX, SOCK_STREAM, 0), options.giveUpAfter);
    connectUnix(socket, socketPath);
    return exchange(socket, params, body, options);
}

FcgiReply fcgiRequest(int port, const Params &params, const std::string &body, const FcgiOptions &options)
{
    Socket socket(::socket(AF_INET, SOCK_STREAM, 0), options.giveUpAfter);
    connectTcp(socket, port);
    return exchange(socket, params, body, options);
}

std::string fcgiRecord(unsigned type, int requestId, std::string_view content)
{
    std::string r = record(static_cast<unsigned char>(type), content);
    r[2] = static_cast<char>((requestId >> 8) & 0xff);
    r[3] = static_cast<char>(requestId & 0xff);
    return r;
}

std::string fcgiRequestBytes(const Params &params, const std::string &body, int requestId, bool keep)
{
    std::string bytes = fcgiOpening(params) + stream(kStdin, body);
    bytes[8 + 2] = keep ? 1 : 0; // the flags of the begin-request record
    // Every record's request id.
    for (std::size_t at = 0; at + 8 <= bytes.size();) {
        bytes[at + 2] = static_cast<char>((requestId >> 8) & 0xff);
        bytes[at + 3] = static_cast<char>(requestId & 0xff);
        at += 8 + ((static_cast<unsigned char>(bytes[at + 4]) << 8) | static_cast<unsigned char>(bytes[at + 5]))
              + static_cast<unsigned char>(bytes[at + 6]);
    }
    return bytes;
}

FcgiConnection::FcgiConnection(const std::filesystem::path &socketPath, int port)
{
    Socket socket(::socket(port == 0 ? AF_UNIX : AF_INET, SOCK_STREAM, 0));
    if (port == 0)
        connectUnix(socket, socketPath);
    else
        connectTcp(socket, port);
    m_fd = socket.release();
}

FcgiConnection::~FcgiConnection()
{
    ::close(m_fd);
}

bool FcgiConnection::send(const std::string &bytes)
{
    return sendAllOn(m_fd, bytes);
}

bool FcgiConnection::receive(FcgiRecord &r, std::chrono::milliseconds limit)
{
    const timeval timeout{static_cast<time_t>(limit.count() / 1000),
                          static_cast<suseconds_t>(limit.count() % 1000 * 1000)};
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char head[8];
    if (!receiveExactly(m_fd, head, 8))
        return false;
    const std::size_t length = (static_cast<unsigned char>(head[4]) << 8) | static_cast<unsigned char>(head[5]);
    r.type = static_cast<unsigned char>(head[1]);
    r.requestId = (static_cast<unsigned char>(head[2]) << 8) | static_cast<unsigned char>(head[3]);
    r.content.assign(length + static_cast<unsigned char>(head[6]), '\0');
    if (!receiveExactly(m_fd, r.content.data(), r.content.size()))
        return false;
    r.content.resize(length);
    return true;
}

FcgiReply FcgiConnection::receiveReply(std::chrono::milliseconds limit)
{
    FcgiReply reply;
    FcgiRecord r;
    while (receive(r, limit)) {
        if (r.type == kStdout)
            reply.out += r.content;
        else if (r.type == kStderr)
            reply.err += r.content;
        else if (r.type == kEndRequest) {
            reply.ended = true;
            break;
        }
    }
    return reply;
}

bool FcgiConnection::closedWithin(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const timeval timeout{0, 200000};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        char byte;
        const ssize_t n = ::recv(m_fd, &byte, 1, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK))
            return true;
    }
    return false;
}

StalledClient::StalledClient(const std::filesystem::path &socketPath, int port, const std::string &sent)
{
    Socket socket(::socket(port == 0 ? AF_UNIX : AF_INET, SOCK_STREAM, 0));
    if (port == 0)
        connectUnix(socket, socketPath);
    else
        connectTcp(socket, port);
    socket.sendAll(sent);
    m_fd = socket.release();
}

StalledClient::~StalledClient()
{
    ::close(m_fd);
}

bool StalledClient::droppedWithin(std::chrono::milliseconds limit)
{
    const timeval timeout{static_cast<time_t>(limit.count() / 1000),
                          static_cast<suseconds_t>(limit.count() % 1000 * 1000)};
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char byte;
    const ssize_t n = ::recv(m_fd, &byte, 1, 0);
    if (n < 0)
        return errno != EAGAIN && errno != EWOULDBLOCK;
    return n == 0;
}

HttpReply httpRequest(int port, const std::string &method, const std::string &target, const std::string &body,
                      const std::string &extraHeaders)
{
    Socket socket(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in address = loopback(port);
    socket.connect(reinterpret_cast<const sockaddr *>(&address), sizeof address, "127.0.0.1:" + std::to_string(port));
    std::string request = method + " " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" + extraHeaders;
    if (!body.empty() || method == "POST")
        request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    request += "\r\n" + body;
    socket.sendAll(request);
    std::string all;
    char buffer[65536];
    ssize_t n;
    while ((n = ::recv(socket.fd(), buffer, sizeof buffer, 0)) > 0)
        all.append(buffer, static_cast<std::size_t>(n));
    HttpReply reply;
    const auto end = all.find("\r\n\r\n");
    reply.head = all.substr(0, end);
    if (end != std::string::npos)
        reply.body = all.substr(end + 4);
    if (all.starts_with("HTTP/1.") && all.size() > 12)
        reply.status = std::atoi(all.c_str() + 9);
    return reply;
}

int freePort()
{
    // Each process starts at a place of its own in the range, so that two
    // test programs looking at once seldom pick the same port (ctest also
    // keeps the web server tests apart).
    const int start = static_cast<int>(::getpid() % 20);
    for (int i = 0; i < 20; ++i) {
        const int port = 18080 + (start + i) % 20;
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        // Servers bind with SO_REUSEADDR, so closed connections waiting out
        // their time on a port do not keep it from them.
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        const sockaddr_in address = loopback(port);
        const bool free = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
        ::close(fd);
        if (free)
            return port;
    }
    throw std::runtime_error("no free port in 18080-18099 on 127.0.0.1");
}

ChildProcess::ChildProcess(const std::vector<std::string> &argv, const std::filesystem::path &log,
                           const std::vector<std::string> &extraEnv)
    : m_pid(startProcess(argv, log, extraEnv))
{
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0)
        stop(SIGTERM);
}

int ChildProcess::stop(int signal, std::chrono::milliseconds limit)
{
    if (m_pid <= 0)
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    ::kill(m_pid, signal);
    return wait(limit);
}

bool ChildProcess::alive()
{
    if (m_pid > 0 && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
        m_pid = -1;
    return m_pid > 0;
}

int ChildProcess::wait(std::chrono::milliseconds limit)
{
    if (m_pid <= 0)
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    int status = 0;
    const auto ends = [&](std::chrono::milliseconds within) {
        return waitFor([&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; }, within);
    };
    const bool ended = ends(limit);
    // Late: asked to stop first, so that it can stop what it started.
    if (!ended) {
        ::kill(m_pid, SIGTERM);
        if (!ends(std::chrono::seconds(5))) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
        }
    }
    m_pid = -1;
    m_status = status;
    if (!ended)
        return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace quillon::testing
