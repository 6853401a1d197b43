#pragma once

/*
** The FastCGI responder: serves the requests a web server sends over a
** FastCGI socket through one ISAPI extension.
**
** serveConnection() serves a request of a connection that a worker
** process was handed (see supervisor.h for the pool), over the record
** layer of wire.h. Each request's
** FastCGI parameters become the extension control block (isapi::Request);
** the first part of the body (up to kFirstPartSize bytes) is handed over
** in the block and the rest is read from the FastCGI stdin stream through
** ReadClient. What the extension writes goes out on the same stream, after
** the response header it sends (a default "200 OK" text/html header when it
** writes without one). An extension that reports an error before sending
** anything gets a "500 Internal Server Error" answer.
**
** Requests the responder cannot hand over are answered by it: a
** non-numeric CONTENT_LENGTH with 400, a body longer than the control
** block can describe with 413, a body the web server stopped sending
** (no more bytes within the read timeout, or the connection broken) with 408
** when it happens before the extension runs, and as a failing ReadClient
** (error 1460, a timeout) when the extension reads past kBodyReadAhead. The responder writes nowhere but to its
** socket and to standard error (one line per problem), and opens no path a
** request names.
*/

#include "fcgi/wire.h"
#include "isapi/extension.h"

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
// So much of a body is read before the extension runs (the extension still
// sees only the first part in the block and reads the rest through
// ReadClient): a web server that stops sending an upload of up to this size
// is answered 408 and the extension never sees a cut body.
constexpr std::size_t kBodyReadAhead = 1024 * 1024;

// The head of a FastCGI response: "Status: " and the status line, then the
// extension's header lines, ending in the blank line. A status that is not
// three digits and a reason becomes "500 Internal Server Error"; anything
// after a line break in it is dropped, so it cannot add header lines.
std::string responseHead(std::string_view status, std::string_view headers);

// The body length a CONTENT_LENGTH parameter states: nullopt for a missing
// or empty one, -1 for one that is not a decimal number.
std::optional<std::int64_t> parseContentLength(const char *value);

// What the supervisor hears of a request while a worker serves it.
class RequestObserver
{
public:
    virtual ~RequestObserver() = default;
    virtual void began(int requestId, const std::string &requestLine) = 0;
    virtual void sent() = 0;   // the first response bytes are on their way
    virtual void ending() = 0; // the response is whole; the connection closes or goes back next
};

// Serves the next request on connection, an accepted FastCGI connection
// (left open) whose receive timeout (SO_RCVTIMEO) is the read timeout, with
// the calling thread's buffers: a web server that sends nothing or stops
// sending for so long gets no more of it. Returns
// whether the connection may serve another request: the web server asked
// to keep it (FCGI_KEEP_CONN), the response went out whole and the
// request's input was read to its end.
bool serveConnection(const isapi::Extension &extension, int connection, RequestObserver &observer,
                     WireBuffers &buffers);

} // namespace quillon::fcgi
