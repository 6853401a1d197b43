#include "fcgi/wire.h"

#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quillon::fcgi {

Opening peekOpening(int connection, std::string &scratch)
{
    scratch.resize(kEnoughToServe);
    for (;;) {
        const ssize_t n = ::recv(connection, scratch.data(), scratch.size(), MSG_PEEK | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return Opening{};
        const Opening opening = n > 0 ? inspectOpening(std::string_view(scratch.data(), static_cast<std::size_t>(n)))
                                      : Opening{Opening::Invalid, 0, 0};
        if (opening.state != Opening::Ready || opening.management == 0)
            return opening;
        const ssize_t taken = ::recv(connection, scratch.data(), opening.management, MSG_DONTWAIT);
        const Split split = splitRecord(std::string_view(scratch.data(), taken > 0 ? static_cast<std::size_t>(taken) : 0));
        if (split.state != Split::Whole)
            return Opening{Opening::Invalid, 0, 0};
        const std::string answer = managementAnswer(split.record);
        if (::send(connection, answer.data(), answer.size(), MSG_DONTWAIT | MSG_NOSIGNAL)
            != static_cast<ssize_t>(answer.size()))
            return Opening{Opening::Invalid, 0, 0};
    }
}

void limitReads(int connection, std::chrono::milliseconds readTimeout)
{
    const auto ms = readTimeout.count();
    const timeval limit{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>(ms % 1000 * 1000)};
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

namespace {

constexpr std::size_t kNoRecord = std::string::npos;
// Room for the largest record (header, 65,535 bytes, 255 of padding) and
// more, so that a read takes what a web server sends at once.
constexpr std::size_t kInputSize = 128 * 1024;
// The response is written whenever this much has gathered.
constexpr std::size_t kFlushAt = 64 * 1024;

} // namespace

Wire::Wire(int fd, WireBuffers &buffers, Gate &gate) : m_fd(fd), m_buffers(buffers), m_gate(gate)
{
    if (m_buffers.in.size() < kInputSize)
        m_buffers.in.resize(kInputSize);
    m_buffers.out.clear();
    m_recordAt = kNoRecord;
}

bool Wire::fill(std::size_t size)
{
    while (m_inEnd - m_inPos < size) {
        if (m_inPos > 0 && m_inPos + size > m_buffers.in.size()) {
            std::memmove(m_buffers.in.data(), m_buffers.in.data() + m_inPos, m_inEnd - m_inPos);
            m_inEnd -= m_inPos;
            m_inPos = 0;
        }
        const ssize_t n = ::recv(m_fd, m_buffers.in.data() + m_inEnd, m_buffers.in.size() - m_inEnd,
                                 m_dontWait ? MSG_DONTWAIT : 0);
        if (n > 0) {
            m_inEnd += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && m_dontWait && (errno == EAGAIN || errno == EWOULDBLOCK))
            return false; // nothing more has come yet: not an error
        m_readError = n == 0 ? ECONNRESET : errno;
        return false;
    }
    return true;
}

bool Wire::nextRecord(Record &record)
{
    for (;;) {
        if (!fill(kHeaderSize))
            return false;
        if (m_buffers.in[m_inPos] != 1) {
            m_readError = EPROTO; // not FastCGI version 1
            return false;
        }
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(m_buffers.in[m_inPos + i]); };
        if (!fill(kHeaderSize + ((byte(4) << 8) | byte(5)) + byte(6)))
            return false;
        const Split split = splitRecord(std::string_view(m_buffers.in).substr(m_inPos, m_inEnd - m_inPos));
        record = split.record;
        m_inPos += record.size;
        if (record.requestId != 0)
            return true;
        // A management record: answered at once, whatever the request does.
        openOutput();
        send(managementAnswer(record));
    }
}

void Wire::openOutput()
{
    if (!m_opened) {
        m_gate.opening();
        m_opened = true;
    }
}

Wire::Start Wire::refuse(unsigned protocolStatus)
{
    std::string end;
    appendEndRequest(end, m_requestId, protocolStatus);
    openOutput();
    send(end);
    return Start::Refused;
}

Wire::Start Wire::readOpening()
{
    m_requestId = 0;
    m_keep = m_inputEnded = m_aborted = m_lost = m_opened = m_dontWait = false;
    m_readError = 0;
    m_stdinPos = m_stdinEnd = 0;
    m_buffers.params.clear();
    m_buffers.pending.clear();
    m_buffers.index.clear();
    Record record;
    while (nextRecord(record)) {
        if (m_requestId == 0) {
            // Records of requests that ended before are passed over.
            if (record.type != kBeginRequest || record.content.size() < 8)
                continue;
            const unsigned role = (static_cast<unsigned char>(record.content[0]) << 8)
                                  | static_cast<unsigned char>(record.content[1]);
            m_requestId = record.requestId;
            m_keep = (static_cast<unsigned char>(record.content[2]) & kFlagKeepConn) != 0;
            if (role != kRoleResponder) {
                return refuse(kUnknownRole);
            }
            continue;
        }
        if (record.requestId != m_requestId)
            continue;
        if (record.type == kAbortRequest) {
            m_aborted = true;
            return refuse(kRequestComplete);
        }
        if (record.type != kParams)
            continue;
        if (!record.content.empty()) {
            if (m_buffers.pending.size() + record.content.size() > kMaxParamsSize) {
                openOutput();
                send(shortResponse(m_requestId, "400 Bad Request",
                                   "The request's parameters are longer than "
                                       + std::to_string(kMaxParamsSize) + " bytes.\n"));
                return Start::Refused;
            }
            m_buffers.pending.append(record.content);
            continue;
        }
        // The parameters are whole: each as "NAME\0VALUE\0", so that their
        // values can be handed out as C strings.
        forEachPair(m_buffers.pending, [&](std::string_view name, std::string_view value) {
            const std::size_t at = m_buffers.params.size();
            m_buffers.params.append(name).append(1, '\0').append(value).append(1, '\0');
            m_buffers.index.emplace_back(at, at + name.size() + 1);
        });
        return Start::Request;
    }
    return Start::Closed;
}

const char *Wire::param(std::string_view name) const
{
    for (const auto &[at, value] : m_buffers.index)
        if (value - at - 1 == name.size() && std::memcmp(m_buffers.params.data() + at, name.data(), name.size()) == 0)
            return m_buffers.params.data() + value;
    return nullptr;
}

std::size_t Wire::readBody(char *buffer, std::size_t size)
{
    std::size_t got = 0;
    while (got < size) {
        if (m_stdinPos < m_stdinEnd) {
            const std::size_t n = std::min(size - got, m_stdinEnd - m_stdinPos);
            std::memcpy(buffer + got, m_buffers.in.data() + m_stdinPos, n);
            m_stdinPos += n;
            got += n;
            continue;
        }
        if (m_inputEnded || m_aborted || m_readError != 0)
            break;
        Record record;
        if (!nextRecord(record))
            break;
        if (record.requestId != m_requestId)
            continue;
        if (record.type == kAbortRequest) {
            m_aborted = true;
            m_readError = ECONNABORTED;
        } else if (record.type == kStdin) {
            if (record.content.empty())
                m_inputEnded = true;
            m_stdinPos = static_cast<std::size_t>(record.content.data() - m_buffers.in.data());
            m_stdinEnd = m_stdinPos + record.content.size();
        }
    }
    return got;
}

bool Wire::settleInput(bool wait)
{
    m_dontWait = !wait;
    const int error = m_readError;
    m_stdinPos = m_stdinEnd = 0;
    Record record;
    while (!m_inputEnded && !m_aborted && nextRecord(record)) {
        if (record.requestId != m_requestId)
            continue;
        if (record.type == kStdin && record.content.empty())
            m_inputEnded = true;
        else if (record.type == kAbortRequest)
            m_aborted = true;
    }
    m_dontWait = false;
    const bool settled = m_inputEnded && m_readError == 0;
    m_readError = error;
    return settled;
}

bool Wire::write(const char *data, std::size_t size)
{
    if (m_lost || m_aborted)
        return false;
    while (size > 0) {
        if (m_recordAt == kNoRecord) {
            m_recordAt = m_buffers.out.size();
            m_buffers.out.append(kHeaderSize, '\0');
        }
        const std::size_t room = kMaxContent - (m_buffers.out.size() - m_recordAt - kHeaderSize);
        const std::size_t n = std::min(room, size);
        m_buffers.out.append(data, n);
        data += n;
        size -= n;
        if (n == room)
            closeRecord();
        if (m_buffers.out.size() >= kFlushAt && !flush())
            return false;
    }
    return true;
}

void Wire::closeRecord()
{
    if (m_recordAt == kNoRecord)
        return;
    const std::size_t length = m_buffers.out.size() - m_recordAt - kHeaderSize;
    if (length == 0) {
        m_buffers.out.resize(m_recordAt); // an empty stdout record would end the stream
    } else {
        std::string header;
        appendHeader(header, kStdout, m_requestId, length);
        m_buffers.out.replace(m_recordAt, kHeaderSize, header);
    }
    m_recordAt = kNoRecord;
}

bool Wire::flush()
{
    closeRecord();
    if (m_buffers.out.empty() || m_lost)
        return !m_lost;
    openOutput();
    send(m_buffers.out);
    m_buffers.out.clear();
    return !m_lost;
}

bool Wire::send(std::string_view bytes)
{
    while (!m_lost && !bytes.empty()) {
        const ssize_t n = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            m_lost = true;
        else
            bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return !m_lost;
}

bool Wire::finish()
{
    if (m_aborted)
        m_buffers.out.clear(); // the web server wants no more of this response
    closeRecord();
    if (!m_aborted)
        appendHeader(m_buffers.out, kStdout, m_requestId, 0);
    appendEndRequest(m_buffers.out, m_requestId, kRequestComplete);
    openOutput();
    // With the connection kept, the web server sends the next request only
    // after this; the input of this one is read to its end first, so that
    // the supervisor finds the next one at the start of what comes.
    const bool keep = m_keep && !m_aborted && m_readError == 0 && settleInput(true) && m_inPos == m_inEnd;
    m_gate.closing();
    flush();
    if (!keep && !m_lost)
        settleInput(false);
    return keep && !m_lost;
}

} // namespace quillon::fcgi
