#include "fcgi/responder.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <limits>
#include <mutex>

namespace quillon::fcgi {

namespace {

// One line on standard error, whole even when threads log at once.
void logLine(const std::string &text)
{
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    std::cerr << "quillon-fcgi: " << text << std::endl;
}

std::string paramOr(const Wire &r, const char *name)
{
    const char *value = r.param(name);
    return value != nullptr ? value : "";
}

bool validStatus(std::string_view status)
{
    return status.size() >= 3 && std::isdigit(static_cast<unsigned char>(status[0]))
           && std::isdigit(static_cast<unsigned char>(status[1]))
           && std::isdigit(static_cast<unsigned char>(status[2])) && status[0] >= '1' && status[0] <= '5'
           && (status.size() == 3 || status[3] == ' ');
}

// One request on the FastCGI stream.
class StreamConnection : public isapi::Connection
{
public:
    StreamConnection(Wire &wire) : m_request(wire) {}

    std::optional<std::string> serverVariable(std::string_view name) const override
    {
        const std::string key(name);
        if (key == "ALL_HTTP") {
            std::string all;
            m_request.forEachParam([&](const char *name, const char *value) {
                if (std::strncmp(name, "HTTP_", 5) == 0)
                    all.append(name).append(":").append(value).append("\n");
            });
            return all;
        }
        if (key == "URL")
            return paramOr(m_request, "SCRIPT_NAME") + paramOr(m_request, "PATH_INFO");
        if (const char *value = m_request.param(key))
            return std::string(value);
        // Headers the client did not send are empty, as servers answer them.
        if (key.starts_with("HTTP_"))
            return std::string();
        return std::nullopt;
    }

    bool write(const char *data, std::size_t size) override
    {
        if (!m_headSent && !sendHead(responseHead("200 OK", "Content-Type: text/html\r\n")))
            return false;
        return put(data, size);
    }

    std::size_t read(char *buffer, std::size_t size) override
    {
        std::size_t got = 0;
        if (m_aheadPos < m_ahead.size()) {
            got = std::min(size, m_ahead.size() - m_aheadPos);
            std::memcpy(buffer, m_ahead.data() + m_aheadPos, got);
            m_aheadPos += got;
            return got;
        }
        return readStream(buffer, size);
    }

    bool sendHeader(std::string_view status, std::string_view headers) override
    {
        if (m_headSent)
            return false;
        return sendHead(responseHead(status, headers));
    }

    // Reads up to size bytes from the stream, fewer only at its end.
    std::size_t readStream(char *buffer, std::size_t size)
    {
        // Fewer bytes than asked: the end of the stream, or (with an error
        // on it) the web server stalled or broke off.
        const std::size_t got = m_request.readBody(buffer, size);
        m_readError = m_request.readError();
        return got;
    }

    // 0 while the body reads well; else the errno value that cut it short
    // (EAGAIN for a read timeout).
    int readError() const override { return m_readError; }

    // The body bytes read before the extension runs; read() hands out what
    // follows the first part.
    void readAhead(std::size_t size, std::size_t firstPart)
    {
        m_ahead.resize(size);
        m_ahead.resize(readStream(m_ahead.data(), size));
        m_aheadPos = std::min(firstPart, m_ahead.size());
    }

    // Reads the body up to its end, at most limit + 1 bytes.
    void readAheadToEnd(std::size_t limit)
    {
        char buffer[8192];
        std::size_t n;
        while (m_ahead.size() <= limit && (n = readStream(buffer, sizeof buffer)) > 0)
            m_ahead.append(buffer, n);
        m_aheadPos = std::min(kFirstPartSize, m_ahead.size());
    }

    const std::string &ahead() const { return m_ahead; }
    bool headSent() const { return m_headSent; }
    bool lost() const { return m_request.lost(); }
    bool wroteBody() const { return m_wroteBody; }

    // An answer of the responder's own.
    void answer(const char *status, const std::string &text)
    {
        if (m_headSent)
            return;
        if (sendHead(responseHead(status, "Content-Type: text/plain\r\n")))
            put(text.data(), text.size());
    }

private:
    bool sendHead(const std::string &head)
    {
        m_headSent = true;
        return m_request.write(head.data(), head.size());
    }

    bool put(const char *data, std::size_t size)
    {
        if (size > 0)
            m_wroteBody = true;
        return m_request.write(data, size);
    }

    Wire &m_request;
    std::string m_ahead;
    std::size_t m_aheadPos = 0;
    bool m_headSent = false;
    bool m_wroteBody = false;
    int m_readError = 0;
};

std::string describe(const Wire &r)
{
    return paramOr(r, "REQUEST_METHOD") + " " + paramOr(r, "SCRIPT_NAME") + paramOr(r, "PATH_INFO");
}

// The request line for the log: method, path and query (cut short).
std::string requestLine(const Wire &r)
{
    std::string line = describe(r);
    const std::string query = paramOr(r, "QUERY_STRING");
    if (!query.empty())
        line += "?" + query;
    if (line.size() > 300)
        line = line.substr(0, 300) + "...";
    return line;
}

// A body the web server stopped sending (it stalled past the read timeout,
// or broke the connection) is not handed to the extension cut short: the
// request is answered 408 and logged. A body that ends cleanly before its
// stated length is the web server's to decide, and is served as it came.
bool bodyBrokeOff(const Wire &fcgx, StreamConnection &connection, std::optional<std::uint32_t> stated)
{
    const int error = connection.readError();
    if (error == 0)
        return false;
    const std::string reason = error == EAGAIN || error == EWOULDBLOCK ? "no more bytes within the read timeout"
                               : error > 0                              ? std::strerror(error)
                                                                        : "the connection broke";
    logLine(describe(fcgx) + ": the web server stopped sending the body after "
            + std::to_string(connection.ahead().size()) + (stated ? " of " + std::to_string(*stated) : std::string())
            + " bytes (" + reason + "); answered 408");
    connection.answer("408 Request Timeout", "The request body did not arrive whole.\n");
    return true;
}

void handle(const isapi::Extension &extension, Wire &fcgx)
{
    StreamConnection connection(fcgx);
    isapi::Request request;
    request.method = paramOr(fcgx, "REQUEST_METHOD");
    if (request.method.empty())
        request.method = "GET";
    request.queryString = paramOr(fcgx, "QUERY_STRING");
    request.pathInfo = paramOr(fcgx, "PATH_INFO");
    request.pathTranslated = paramOr(fcgx, "PATH_TRANSLATED");
    request.contentType = paramOr(fcgx, "CONTENT_TYPE");

    const std::optional<std::int64_t> length = parseContentLength(fcgx.param("CONTENT_LENGTH"));
    if (length && *length < 0) {
        logLine(describe(fcgx) + ": CONTENT_LENGTH '" + paramOr(fcgx, "CONTENT_LENGTH") + "' is not a number");
        connection.answer("400 Bad Request", "CONTENT_LENGTH is not a number.\n");
        return;
    }
    if (length) {
        if (*length > std::numeric_limits<std::uint32_t>::max()) {
            logLine(describe(fcgx) + ": body of " + std::to_string(*length) + " bytes is too large");
            connection.answer("413 Payload Too Large", "The request body is too large.\n");
            return;
        }
        request.totalBytes = static_cast<std::uint32_t>(*length);
        connection.readAhead(std::min<std::size_t>(request.totalBytes, kBodyReadAhead), kFirstPartSize);
        if (bodyBrokeOff(fcgx, connection, request.totalBytes))
            return;
        if (connection.ahead().size() < std::min<std::size_t>(request.totalBytes, kFirstPartSize))
            request.totalBytes = static_cast<std::uint32_t>(connection.ahead().size()); // the body ended early
    } else {
        connection.readAheadToEnd(kMaxUnsizedBody);
        if (bodyBrokeOff(fcgx, connection, std::nullopt))
            return;
        if (connection.ahead().size() > kMaxUnsizedBody) {
            logLine(describe(fcgx) + ": body without CONTENT_LENGTH is longer than "
                    + std::to_string(kMaxUnsizedBody) + " bytes");
            connection.answer("413 Payload Too Large", "The request body is too large.\n");
            return;
        }
        request.totalBytes = static_cast<std::uint32_t>(connection.ahead().size());
    }
    request.firstPart = std::string_view(connection.ahead()).substr(0, kFirstPartSize);

    const isapi::Outcome outcome = extension.run(request, connection);
    const bool success = outcome.result == isapi::kStatusSuccess
                         || outcome.result == isapi::kStatusSuccessAndKeepConn;
    if (!success) {
        if (!connection.lost())
            logLine(describe(fcgx) + ": the extension returned status " + std::to_string(outcome.result));
        if (!connection.wroteBody() && !connection.headSent())
            connection.answer("500 Internal Server Error", "The extension reported an error.\n");
    } else if (!connection.headSent()) {
        // Nothing sent: the status the extension put into the control block.
        const std::uint32_t code = outcome.httpStatus >= 100 && outcome.httpStatus <= 599 ? outcome.httpStatus : 200;
        connection.sendHeader(std::to_string(code), "");
    }
}

} // namespace

std::string responseHead(std::string_view status, std::string_view headers)
{
    status = status.substr(0, status.find_first_of("\r\n"));
    std::string head = "Status: ";
    head += validStatus(status) ? status : std::string_view("500 Internal Server Error");
    head += "\r\n";
    // Header lines as sent, then exactly one blank line; text after the
    // extension's own blank line would be body, and is kept as such.
    std::string lines(headers);
    if (lines.empty() || lines == "\r\n")
        return head + "\r\n";
    if (lines.find("\r\n\r\n") != std::string::npos || lines.find("\n\n") != std::string::npos)
        return head + lines;
    if (!lines.ends_with("\n"))
        lines += "\r\n";
    lines += "\r\n";
    return head + lines;
}

std::optional<std::int64_t> parseContentLength(const char *value)
{
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    std::int64_t n = 0;
    for (const char *p = value; *p != '\0'; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p)))
            return -1;
        if (n > (std::numeric_limits<std::int64_t>::max() - 9) / 10)
            return std::numeric_limits<std::int64_t>::max(); // too large to serve, in any case
        n = n * 10 + (*p - '0');
    }
    return n;
}

bool serveConnection(const isapi::Extension &extension, int connection, RequestObserver &observer,
                     WireBuffers &buffers)
{
    class Gate : public Wire::Gate
    {
    public:
        explicit Gate(RequestObserver &observer) : m_observer(observer) {}
        void opening() override { m_observer.sent(); }
        void closing() override { m_observer.ending(); }

    private:
        RequestObserver &m_observer;
    } gate(observer);
    Wire request(connection, buffers, gate);
    if (request.readOpening() != Wire::Start::Request)
        return false;
    observer.began(request.requestId(), requestLine(request));
    try {
        handle(extension, request);
    } catch (const std::exception &e) {
        logLine(describe(request) + ": " + e.what());
    }
    return request.finish();
}

} // namespace quillon::fcgi
