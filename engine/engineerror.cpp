#include "engine/engineerror.h"

#include "engine/enginefunctions.h"
#include "engine/enginestatus.h"

#include <array>
#include <type_traits>

namespace quillon::engine {

static_assert(std::is_same_v<StatusCode, DBIResult>);

EngineError::EngineError(StatusCode status, const std::string &message)
    : std::runtime_error(message)
    , m_status(status)
{}

std::string engineMessage(StatusCode status)
{
    if (isBindingStatus(status))
        return bindingStatusText(status);
    std::array<char, 1024> buffer{};
    DBIResult recorded = 0;
    if (DbiGetLastError(&recorded, buffer.data(), buffer.size()) == 0 && recorded == status && buffer[0])
        return buffer.data();
    return "database engine error " + std::to_string(status);
}

void check(StatusCode status, const std::string &context)
{
    if (status != 0)
        throw EngineError(status, context + ": " + engineMessage(status));
}

} // namespace quillon::engine
