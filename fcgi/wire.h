#pragma once

/*
** One FastCGI connection as a worker thread serves it: reading a request's
** records (its opening, then its body as the extension asks for it) and
** writing its response as records.
**
** The buffers belong to the worker thread and are made once; a request
** reuses them. The response is gathered in the output buffer and goes out
** in as few writes as its size allows: a page of up to 64 KiB leaves in one
** write together with the end of the stream and the end-request record.
** Nothing is written before the first flush, so a worker that dies before
** it leaves the supervisor free to answer for it.
**
** Management records that come between a request's records are answered
** on the spot; an FCGI_ABORT_REQUEST for the request being served ends its
** input and drops the rest of its output. A request that asked to keep
** the connection (FCGI_KEEP_CONN) leaves it open for the next one, when its
** input was read to its end and no byte beyond it came.
*/

#include "fcgi/records.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon::fcgi {

// What a worker thread keeps from one request to the next.
struct WireBuffers
{
    std::string in;                                          // bytes read, not yet taken
    std::string out;                                         // response records not yet written
    std::string params;                                      // "NAME\0VALUE\0" for each parameter
    std::string pending;                                     // parameter record contents until they end
    std::vector<std::pair<std::size_t, std::size_t>> index;  // offsets of each name and value in params
};

// Looks at what has come on connection so far without taking a
// request's bytes (MSG_PEEK): whether a whole request opening is there
// (records.h). Management records that come first (FCGI_GET_VALUES) are
// taken and answered on the spot, so that they hold nothing. scratch is
// the caller's, reused. Never waits.
Opening peekOpening(int connection, std::string &scratch);

// Makes every read of connection fail after readTimeout without a byte
// (SO_RCVTIMEO): a web server that stalls holds whoever reads no longer.
void limitReads(int connection, std::chrono::milliseconds readTimeout);

// The parameters a request may state at most, all together.
constexpr std::size_t kMaxParamsSize = 16 * 1024 * 1024;

class Wire
{
public:
    // Observer of the first bytes written: called before anything goes out.
    class Gate
    {
    public:
        virtual ~Gate() = default;
        virtual void opening() = 0; // the first response bytes are about to be written
        virtual void closing() = 0; // the last ones are about to be written
    };

    Wire(int fd, WireBuffers &buffers, Gate &gate);

    enum class Start { Request, Closed, Refused };
    // Reads a request's opening (the begin-request record and the whole
    // parameters). Closed: the connection ended (or timed out, or was not
    // FastCGI) before one came; Refused: a role other than responder, or
    // parameters past kMaxParamsSize, answered with an end-request record.
    Start readOpening();

    int requestId() const { return m_requestId; }
    bool keepConnection() const { return m_keep; }

    // The parameter name's value, or null.
    const char *param(std::string_view name) const;
    template <typename F>
    void forEachParam(F f) const
    {
        for (const auto &[name, value] : m_buffers.index)
            f(m_buffers.params.data() + name, m_buffers.params.data() + value);
    }

    // Reads up to size body bytes; fewer only at the end of the body, or
    // after an error (then readError() says which).
    std::size_t readBody(char *buffer, std::size_t size);
    // 0 while the body reads well; else the errno value that cut it short
    // (EAGAIN for the read timeout), or ECONNABORTED after an abort record.
    int readError() const { return m_readError; }
    bool aborted() const { return m_aborted; }

    // Adds bytes to the response's stdout stream; false once the connection
    // is lost (the rest is then dropped).
    bool write(const char *data, std::size_t size);
    // Ends the response (stdout's end and the end-request record) and writes
    // what is left. Returns whether the connection may serve another request.
    bool finish();

    bool lost() const { return m_lost; }
    bool anythingWritten() const { return m_opened; }

private:
    // Makes sure the input holds `size` bytes at its start; false at the end
    // or on an error (m_readError).
    bool fill(std::size_t size);
    // Reads the rest of the request's input up to its end: waiting for it
    // (keeping the connection), or only what has come (before a close, so
    // that no unread byte turns the close into a reset).
    bool settleInput(bool wait);
    // The next record for this request, answering management records on
    // the way; false when the connection ended.
    bool nextRecord(Record &record);
    void closeRecord();
    // Tells the gate, once, that output begins.
    void openOutput();
    // Ends the request with an end-request record of protocolStatus alone.
    Start refuse(unsigned protocolStatus);
    bool flush();
    bool send(std::string_view bytes);

    int m_fd;
    WireBuffers &m_buffers;
    Gate &m_gate;
    std::size_t m_inPos = 0;       // where unread input starts in m_buffers.in
    std::size_t m_inEnd = 0;       // where it ends
    std::size_t m_recordAt = 0;    // the open stdout record's header in m_buffers.out (npos: none)
    int m_requestId = 0;
    bool m_keep = false;
    bool m_inputEnded = false;     // the empty stdin record came
    bool m_aborted = false;
    bool m_lost = false;
    bool m_opened = false;
    int m_readError = 0;
    bool m_dontWait = false;       // reads take only what has come
    std::size_t m_stdinPos = 0;    // what is left of the current stdin record in m_buffers.in
    std::size_t m_stdinEnd = 0;
};

} // namespace quillon::fcgi
