#pragma once

/*
** The data-access layer's one way to fail: an EngineError carrying the
** engine's status and the engine's own message (or, for the binding's
** codes, the binding's sentence), prefixed with what was being done.
*/

#include "enginelib/quillondbi.h"

#include <stdexcept>
#include <string>

namespace quillon::engine {

class EngineError : public std::runtime_error
{
public:
    EngineError(DBIResult status, const std::string &message);
    DBIResult status() const { return m_status; }

private:
    DBIResult m_status;
};

// The engine's message for the status the calling thread just got.
std::string engineMessage(DBIResult status);

// Throws EngineError("<context>: <engine message>") unless status is 0.
void check(DBIResult status, const std::string &context);

} // namespace quillon::engine
