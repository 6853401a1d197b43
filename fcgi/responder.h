#pragma once

/*
** The FastCGI responder: serves the requests a web server sends over a
** FastCGI socket through one ISAPI extension.
**
** A pool of threads accepts connections, one request a thread at a time,
** as the extension's one-session-per-thread design expects. Each request's
** FastCGI parameters become the extension control block (isapi::Request);
** the first part of the body (up to kFirstPartSize bytes) is handed over
** in the block and the rest is read from the FastCGI stream through
** ReadClient. What the extension writes goes out on the same stream, after
** the response header it sends (a default "200 OK" text/html header when it
** writes without one). An extension that reports an error before sending
** anything gets a "500 Internal Server Error" answer.
**
** Requests the responder cannot hand over are answered by it: a
** non-numeric CONTENT_LENGTH with 400, a body longer than the control
** block can describe with 413. The responder writes nowhere but to its
** socket and to standard error (one line per problem), and opens no path a
** request names.
*/

#include "isapi/extension.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::fcgi {

constexpr std::size_t kFirstPartSize = 48 * 1024;
// A body without a stated length is read whole before the extension runs;
// longer than this, it is refused.
constexpr std::size_t kMaxUnsizedBody = 16 * 1024 * 1024;

// The head of a FastCGI response: "Status: " and the status line, then the
// extension's header lines, ending in the blank line. A status that is not
// three digits and a reason becomes "500 Internal Server Error"; anything
// after a line break in it is dropped, so it cannot add header lines.
std::string responseHead(std::string_view status, std::string_view headers);

// The body length a CONTENT_LENGTH parameter states: nullopt for a missing
// or empty one, -1 for one that is not a decimal number.
std::optional<std::int64_t> parseContentLength(const char *value);

class Responder
{
public:
    // listenFd: a listening socket, 0 when the web server started us on one.
    Responder(const isapi::Extension &extension, int listenFd, unsigned threads);
    ~Responder();
    Responder(const Responder &) = delete;
    Responder &operator=(const Responder &) = delete;

    // Serves until stop(); returns once every request in flight has ended,
    // or false when some are still running after graceMs.
    bool serve(int graceMs = 10000);

    // Stops accepting; callable from any thread.
    void stop();

private:
    void work();

    const isapi::Extension &m_extension;
    int m_listenFd;
    unsigned m_threads;
    int m_stopPipe[2] = {-1, -1};
    std::atomic<unsigned> m_running{0};
    std::mutex m_acceptMutex;
    std::mutex m_doneMutex;
    std::condition_variable m_doneChanged;
};

} // namespace quillon::fcgi
