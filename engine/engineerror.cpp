#include "engine/engineerror.h"

#include "engine/enginefunctions.h"
#include "engine/enginestatus.h"

#include <array>

namespace quillon::engine {

EngineError::EngineError(DBIResult status, const std::string &message)
    : std::runtime_error(message)
    , m_status(status)
{}

std::string engineMessage(DBIResult status)
{
    if (isBindingStatus(status))
        return bindingStatusText(status);
    std::array<char, 1024> buffer{};
    DBIResult recorded = 0;
    if (DbiGetLastError(&recorded, buffer.data(), buffer.size()) == 0 && recorded == status && buffer[0])
        return buffer.data();
    return "database engine error " + std::to_string(status);
}

void check(DBIResult status, const std::string &context)
{
    if (status != 0)
        throw EngineError(status, context + ": " + engineMessage(status));
}

} // namespace quillon::engine
