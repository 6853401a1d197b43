#include "fcgi/records.h"

#include <algorithm>

namespace quillon::fcgi {

namespace {

constexpr unsigned char kBeginRequest = 1;
constexpr unsigned char kEndRequest = 3;
constexpr unsigned char kParams = 4;
constexpr unsigned char kStdout = 6;
constexpr unsigned char kStderr = 7;
constexpr std::size_t kHeaderSize = 8;

unsigned byteAt(std::string_view bytes, std::size_t i)
{
    return static_cast<unsigned char>(bytes[i]);
}

std::string record(unsigned char type, int requestId, std::string_view content)
{
    std::string r(kHeaderSize, '\0');
    r[0] = 1;
    r[1] = static_cast<char>(type);
    r[2] = static_cast<char>((requestId >> 8) & 0xff);
    r[3] = static_cast<char>(requestId & 0xff);
    r[4] = static_cast<char>((content.size() >> 8) & 0xff);
    r[5] = static_cast<char>(content.size() & 0xff);
    return r.append(content);
}

} // namespace

Opening inspectOpening(std::string_view bytes)
{
    Opening opening;
    std::size_t at = 0;
    // Only headers within the first kEnoughToServe bytes are judged, so
    // that more bytes never change a judgement made.
    while (at + kHeaderSize <= std::min(bytes.size(), kEnoughToServe)) {
        if (byteAt(bytes, at) != 1) {
            opening.state = Opening::Invalid;
            return opening;
        }
        const unsigned type = byteAt(bytes, at + 1);
        const int id = static_cast<int>((byteAt(bytes, at + 2) << 8) | byteAt(bytes, at + 3));
        const std::size_t length = (byteAt(bytes, at + 4) << 8) | byteAt(bytes, at + 5);
        const std::size_t next = at + kHeaderSize + length + byteAt(bytes, at + 6);
        if (type == kBeginRequest && opening.requestId == 0)
            opening.requestId = id;
        if (type == kParams && length == 0) {
            opening.state = Opening::Ready;
            return opening;
        }
        if (id == 0 && next <= bytes.size()) {
            opening.state = Opening::Ready; // a management record: libfcgi answers it
            return opening;
        }
        at = next;
    }
    if (bytes.size() >= kEnoughToServe)
        opening.state = Opening::Ready;
    return opening;
}

std::string shortResponse(int requestId, std::string_view status, std::string_view text)
{
    std::string out = "Status: ";
    out.append(status).append("\r\nContent-Type: text/plain\r\n\r\n").append(text);
    const char end[8] = {0, 0, 0, 0, 0, 0, 0, 0}; // application status 0, request complete
    return record(kStdout, requestId, out) + record(kStdout, requestId, {})
           + record(kEndRequest, requestId, std::string_view(end, sizeof end));
}

std::string probeRecord(int requestId)
{
    return record(kStderr, requestId, {});
}

} // namespace quillon::fcgi
