#pragma once

/*
** The data-access layer's one way to fail: an EngineError carrying the
** engine's status and the engine's own message (or, for the binding's
** codes, the binding's sentence), prefixed with what was being done.
*/

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillon::engine {

// The engine's status codes (DBIResult), without the engine's C interface.
using StatusCode = std::uint16_t;

class EngineError : public std::runtime_error
{
public:
    EngineError(StatusCode status, const std::string &message);
    StatusCode status() const { return m_status; }

private:
    StatusCode m_status;
};

// The engine's message for the status the calling thread just got.
std::string engineMessage(StatusCode status);

// Throws EngineError("<context>: <engine message>") unless status is 0.
void check(StatusCode status, const std::string &context);

} // namespace quillon::engine
