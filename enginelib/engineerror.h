#pragma once

/*
** The one way the engine's inner layers fail: an EngineError carrying the
** status the entry returns and the message the caller can show.  The C
** entries catch it and record both for the calling thread.
*/

#include "enginelib/quillondbi.h"

#include <stdexcept>
#include <string>

namespace quillon::enginelib {

class EngineError : public std::runtime_error
{
public:
    EngineError(DBIResult status, const std::string &message)
        : std::runtime_error(message), m_status(status)
    {
    }
    DBIResult status() const { return m_status; }

private:
    DBIResult m_status;
};

} // namespace quillon::enginelib
