#include "fcgi/records.h"

#include <algorithm>

namespace quillon::fcgi {

namespace {

unsigned byteAt(std::string_view bytes, std::size_t i)
{
    return static_cast<unsigned char>(bytes[i]);
}

std::string record(unsigned type, int requestId, std::string_view content)
{
    std::string r;
    appendHeader(r, type, requestId, content.size());
    return r.append(content);
}

} // namespace

Split splitRecord(std::string_view bytes)
{
    Split split;
    if (bytes.empty())
        return split;
    if (byteAt(bytes, 0) != 1) {
        split.state = Split::Invalid;
        return split;
    }
    if (bytes.size() < kHeaderSize)
        return split;
    const std::size_t length = (byteAt(bytes, 4) << 8) | byteAt(bytes, 5);
    const std::size_t size = kHeaderSize + length + byteAt(bytes, 6);
    if (bytes.size() < size)
        return split;
    split.state = Split::Whole;
    split.record.type = byteAt(bytes, 1);
    split.record.requestId = static_cast<int>((byteAt(bytes, 2) << 8) | byteAt(bytes, 3));
    split.record.content = bytes.substr(kHeaderSize, length);
    split.record.size = size;
    return split;
}

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
        // The parameters are whole, or the web server gave the request up
        // before they were: either way a worker answers it now.
        if ((type == kParams && length == 0) || (type == kAbortRequest && id != 0 && id == opening.requestId)) {
            opening.state = Opening::Ready;
            return opening;
        }
        if (id == 0 && at == 0) {
            // A management record first: the supervisor answers it once whole.
            if (next <= bytes.size()) {
                opening.state = Opening::Ready;
                opening.management = next;
            }
            return opening;
        }
        at = next;
    }
    if (bytes.size() >= kEnoughToServe)
        opening.state = Opening::Ready;
    return opening;
}

void appendPair(std::string &out, std::string_view name, std::string_view value)
{
    for (const std::size_t length : {name.size(), value.size()}) {
        if (length < 0x80) {
            out += static_cast<char>(length);
        } else {
            out += static_cast<char>(((length >> 24) & 0x7f) | 0x80);
            out += static_cast<char>((length >> 16) & 0xff);
            out += static_cast<char>((length >> 8) & 0xff);
            out += static_cast<char>(length & 0xff);
        }
    }
    out.append(name).append(value);
}

void appendHeader(std::string &out, unsigned type, int requestId, std::size_t length)
{
    const char header[kHeaderSize] = {1,
                                      static_cast<char>(type),
                                      static_cast<char>((requestId >> 8) & 0xff),
                                      static_cast<char>(requestId & 0xff),
                                      static_cast<char>((length >> 8) & 0xff),
                                      static_cast<char>(length & 0xff),
                                      0,
                                      0};
    out.append(header, kHeaderSize);
}

void appendEndRequest(std::string &out, int requestId, unsigned protocolStatus, std::uint32_t appStatus)
{
    appendHeader(out, kEndRequest, requestId, 8);
    const char body[8] = {static_cast<char>(appStatus >> 24),
                          static_cast<char>((appStatus >> 16) & 0xff),
                          static_cast<char>((appStatus >> 8) & 0xff),
                          static_cast<char>(appStatus & 0xff),
                          static_cast<char>(protocolStatus),
                          0,
                          0,
                          0};
    out.append(body, sizeof body);
}

std::string managementAnswer(const Record &r)
{
    if (r.type != kGetValues) {
        std::string body(8, '\0');
        body[0] = static_cast<char>(r.type);
        return record(kUnknownType, 0, body);
    }
    // One request a connection at a time: a web server must not multiplex.
    // Unknown names are left out, as the protocol asks.
    std::string values;
    forEachPair(r.content, [&](std::string_view name, std::string_view) {
        if (name == "FCGI_MPXS_CONNS")
            appendPair(values, name, "0");
        else if (name == "FCGI_MAX_REQS")
            appendPair(values, name, "1");
    });
    return record(kGetValuesResult, 0, values.substr(0, kMaxContent));
}

std::string shortResponse(int requestId, std::string_view status, std::string_view text)
{
    std::string out = "Status: ";
    out.append(status).append("\r\nContent-Type: text/plain\r\n\r\n").append(text);
    std::string reply = record(kStdout, requestId, out) + record(kStdout, requestId, {});
    appendEndRequest(reply, requestId, kRequestComplete);
    return reply;
}

std::string failedResponse(int requestId)
{
    return shortResponse(requestId, "500 Internal Server Error", "The extension failed while serving the request.\n");
}

void setRequestId(std::string &records, int requestId)
{
    for (std::size_t at = 0; at < records.size();) {
        const Split split = splitRecord(std::string_view(records).substr(at));
        if (split.state != Split::Whole)
            return;
        records[at + 2] = static_cast<char>((requestId >> 8) & 0xff);
        records[at + 3] = static_cast<char>(requestId & 0xff);
        at += split.record.size;
    }
}

std::string probeRecord(int requestId)
{
    return record(kStderr, requestId, {});
}

} // namespace quillon::fcgi
