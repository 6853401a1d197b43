#pragma once

/*
** The FastCGI record format (version 1), as the supervisor and the
** workers speak it: splitting a byte stream into records, the name-value
** pairs of parameter and management records, the answers to management
** records (FCGI_GET_VALUES), and the records of a response.
**
** The supervisor also tells from the bytes that arrived so far (looked at,
** not taken) whether a whole request opening is there, writes short
** answers of its own (503 when the queue is full, 504 after a request
** timeout, 500 when a worker died) to a request no worker answered, and
** probes a connection with an empty stderr record.
**
** Everything here is pure: no descriptor is read or written.
*/

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::fcgi {

// Record types and the values of their bodies.
enum RecordType : unsigned {
    kBeginRequest = 1,
    kAbortRequest = 2,
    kEndRequest = 3,
    kParams = 4,
    kStdin = 5,
    kStdout = 6,
    kStderr = 7,
    kData = 8,
    kGetValues = 9,
    kGetValuesResult = 10,
    kUnknownType = 11,
};
constexpr unsigned kRoleResponder = 1;
constexpr unsigned kFlagKeepConn = 1;
constexpr unsigned kRequestComplete = 0; // protocol status of an end-request record
constexpr unsigned kUnknownRole = 3;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kMaxContent = 65535;

// A connection's first bytes are handed to a worker at the latest once
// this many have come, even when the parameters go on beyond them.
constexpr std::size_t kEnoughToServe = 64 * 1024;

struct Record
{
    unsigned type = 0;
    int requestId = 0;
    std::string_view content;
    std::size_t size = 0; // of the whole record: header, content and padding
};

struct Split
{
    enum State { Incomplete, Whole, Invalid };
    State state = Incomplete;
    Record record; // when Whole
};

// The record at the start of bytes: Whole, Incomplete while bytes are
// missing, Invalid when they are not a FastCGI version 1 record.
Split splitRecord(std::string_view bytes);

struct Opening
{
    enum State { Incomplete, Ready, Invalid };
    State state = Incomplete;
    int requestId = 0; // from the begin-request record; 0 before it came
    // The size of a whole management record (request id 0) standing first:
    // the supervisor takes and answers it itself, then looks again.
    std::size_t management = 0;
};

// Ready once the parameters of the request are complete (the empty
// parameters record) or it was aborted, a whole management record came first, or
// kEnoughToServe bytes did; Invalid when the bytes are not FastCGI version
// 1 records.
Opening inspectOpening(std::string_view bytes);

// Name-value pairs (the content of parameter and management records).
// Calls add(name, value) for each; false when a length runs past the end.
template <typename Add>
bool forEachPair(std::string_view content, Add add);

// Appends one name-value pair in the record encoding.
void appendPair(std::string &out, std::string_view name, std::string_view value);

// Appends the header of a record whose content (length bytes, no padding)
// follows.
void appendHeader(std::string &out, unsigned type, int requestId, std::size_t length);

// Appends an end-request record.
void appendEndRequest(std::string &out, int requestId, unsigned protocolStatus, std::uint32_t appStatus = 0);

// The answer to a management record: FCGI_GET_VALUES_RESULT with the
// values asked for that we know (one request a connection, FCGI_MPXS_CONNS
// 0), FCGI_UNKNOWN_TYPE for any other type.
std::string managementAnswer(const Record &record);

// A whole response for requestId: one stdout record with "Status: ",
// a plain-text head and text, the empty stdout record and the end of the
// request. text is at most a few hundred bytes.
std::string shortResponse(int requestId, std::string_view status, std::string_view text);

// The short response to a request the extension failed (it crashed,
// aborted or exited while serving it): 500.
std::string failedResponse(int requestId);

// Sets the request id in the header of each whole record of records (a
// response made once for request id 1 serves any request so).
void setRequestId(std::string &records, int requestId);

// An empty stderr record for requestId: it ends a stream the response never
// uses, and web servers take it without a word, so it can be written to see
// whether the peer is still there (a closed one answers with a reset).
std::string probeRecord(int requestId);

} // namespace quillon::fcgi

template <typename Add>
bool quillon::fcgi::forEachPair(std::string_view content, Add add)
{
    std::size_t at = 0;
    const auto length = [&](std::size_t &out) {
        if (at >= content.size())
            return false;
        const auto b = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(content[i])); };
        if ((b(at) & 0x80) == 0) {
            out = b(at);
            at += 1;
            return true;
        }
        if (at + 4 > content.size())
            return false;
        out = ((b(at) & 0x7f) << 24) | (b(at + 1) << 16) | (b(at + 2) << 8) | b(at + 3);
        at += 4;
        return true;
    };
    while (at < content.size()) {
        std::size_t nameLength = 0, valueLength = 0;
        if (!length(nameLength) || !length(valueLength))
            return false;
        if (nameLength > content.size() - at || valueLength > content.size() - at - nameLength)
            return false;
        add(content.substr(at, nameLength), content.substr(at + nameLength, valueLength));
        at += nameLength + valueLength;
    }
    return true;
}
