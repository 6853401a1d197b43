#pragma once

/*
** What the responder's tests talk to it with: a FastCGI client (as a web
** server would speak to the responder over its socket), a plain HTTP/1.0
** client (as a browser would speak to the web server in front of it), and
** a child process that is stopped, also when a test fails.
*/

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <netinet/in.h>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon::testing {

// quillon-fcgi and quillon serve refuse to run an extension as root unless
// told; tests that run as root (as CI does) tell them.
std::vector<std::string> rootAllowed();
// argv with rootAllowed() after it.
std::vector<std::string> withRootAllowed(std::vector<std::string> argv);

using Params = std::vector<std::pair<std::string, std::string>>;

struct FcgiReply
{
    std::string out;         // the FastCGI stdout stream: response head and body
    std::string err;         // the stderr stream
    bool ended = false;      // an end-request record came
    std::uint32_t appStatus = 0;

    std::string status() const;  // the "Status:" value of the head
    std::string body() const;    // what follows the head's blank line
};

struct FcgiOptions
{
    std::size_t stopReadingAfter = SIZE_MAX; // close the connection after this much stdout
    std::chrono::milliseconds giveUpAfter{20000}; // close it when no answer came for this long
    std::size_t bodyStallsAfter = SIZE_MAX; // send this much of the body, then nothing (the stream never ends)
    bool halfClose = false; // shut the sending side once the request is sent, as lighttpd does
};

// One request over the Unix socket at socketPath. Throws std::runtime_error
// when the socket cannot be reached; a receive timeout of 20 s keeps a
// responder that hangs from hanging the test.
FcgiReply fcgiRequest(const std::filesystem::path &socketPath, const Params &params, const std::string &body = {},
                      const FcgiOptions &options = {});

// The same over TCP to 127.0.0.1:port.
FcgiReply fcgiRequest(int port, const Params &params, const std::string &body = {}, const FcgiOptions &options = {});

// A connection to a responder's Unix socket (port 0) or 127.0.0.1:port
// that sends `sent` and then nothing; closed when destroyed.
class StalledClient
{
public:
    StalledClient(const std::filesystem::path &socketPath, int port, const std::string &sent);
    ~StalledClient();
    StalledClient(const StalledClient &) = delete;
    StalledClient &operator=(const StalledClient &) = delete;
    // Whether the responder closed the connection (waits at most limit).
    bool droppedWithin(std::chrono::milliseconds limit);

private:
    int m_fd = -1;
};

// The opening records of a request for params, without its end of stdin.
std::string fcgiOpening(const Params &params);

// One record, and a whole request (opening, body, end of stdin) under
// requestId, asking to keep the connection when keep is set.
std::string fcgiRecord(unsigned type, int requestId, std::string_view content);
std::string fcgiRequestBytes(const Params &params, const std::string &body, int requestId, bool keep);

struct FcgiRecord
{
    unsigned type = 0;
    int requestId = 0;
    std::string content;
};

// A connection to a responder's Unix socket (port 0) or 127.0.0.1:port on
// which a test writes bytes of its own and reads the records that come.
class FcgiConnection
{
public:
    FcgiConnection(const std::filesystem::path &socketPath, int port = 0);
    ~FcgiConnection();
    FcgiConnection(const FcgiConnection &) = delete;
    FcgiConnection &operator=(const FcgiConnection &) = delete;

    bool send(const std::string &bytes);
    // The next record; false when the connection closed or nothing came
    // within limit.
    bool receive(FcgiRecord &record, std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Records up to and with the end-request record (reply.ended) or until
    // the connection closes or stalls.
    FcgiReply receiveReply(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Whether the responder closed the connection (waits at most limit).
    bool closedWithin(std::chrono::milliseconds limit);

private:
    int m_fd = -1;
};

struct HttpReply
{
    int status = 0;     // 0 when no status line came
    std::string head;   // status line and header lines
    std::string body;
};

// One HTTP/1.0 request to 127.0.0.1:port; extraHeaders are whole lines
// ending in CR LF. Times out after 20 s.
HttpReply httpRequest(int port, const std::string &method, const std::string &target, const std::string &body = {},
                      const std::string &extraHeaders = {});

// 127.0.0.1:port.
sockaddr_in loopback(int port);

// A port in 18080-18099 that nothing on 127.0.0.1 listens on now.
int freePort();

class ChildProcess
{
public:
    // Starts argv with standard output and error in log.
    ChildProcess(const std::vector<std::string> &argv, const std::filesystem::path &log,
                 const std::vector<std::string> &extraEnv = {});
    ~ChildProcess(); // SIGTERM, then SIGTERM again and SIGKILL if it does not end
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    int pid() const { return m_pid; }
    // Sends signal and waits at most limit; returns the exit status, -1 if it
    // died by a signal, -2 if it did not end in time (it is then stopped: SIGTERM, and
    // SIGKILL five seconds later).
    int stop(int signal, std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Waits at most limit for the process to end on its own; same results.
    int wait(std::chrono::milliseconds limit);
    // Whether it still runs (collecting its exit status when it has ended).
    bool alive();

private:
    int m_pid = -1;
    int m_status = -1; // once it has ended
};

// Waits at most limit for condition; returns whether it came true.
template <typename F>
bool waitFor(F condition, std::chrono::milliseconds limit = std::chrono::seconds(10));

} // namespace quillon::testing

#include <thread>

template <typename F>
bool quillon::testing::waitFor(F condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
