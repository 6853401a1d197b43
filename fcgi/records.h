#pragma once

/*
** The little of the FastCGI record format that the supervisor needs
** itself, before a worker's libfcgi takes a connection over: telling from
** the bytes that arrived so far (looked at, not taken) whether a whole
** request opening is there, writing a short answer of its own (503
** when the queue is full, 504 after a request timeout, 500 when a worker
** died) to a request no worker answered, and the record it probes a
** connection with.
*/

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon::fcgi {

// A connection's first bytes are handed to a worker at the latest once
// this many have come, even when the parameters go on beyond them.
constexpr std::size_t kEnoughToServe = 64 * 1024;

struct Opening
{
    enum State { Incomplete, Ready, Invalid };
    State state = Incomplete;
    int requestId = 0; // from the begin-request record; 0 before it came
};

// Ready once the parameters of the request are complete (the empty
// parameters record), a whole management record came, or kEnoughToServe
// bytes did; Invalid when the bytes are not FastCGI version 1 records.
Opening inspectOpening(std::string_view bytes);

// A whole response for requestId: one stdout record with "Status: ",
// a plain-text head and text, the empty stdout record and the end of the
// request. text is at most a few hundred bytes.
std::string shortResponse(int requestId, std::string_view status, std::string_view text);

// An empty stderr record for requestId: it ends a stream the response never
// uses, and web servers take it without a word, so it can be written to see
// whether the peer is still there (a closed one answers with a reset).
std::string probeRecord(int requestId);

} // namespace quillon::fcgi
