/*
** Fuzzes the rule that finds a query's ":Name" parameters: any bytes must
** be scanned without a crash, each mark must stand in the text as ":" and
** its name, the marks must come in text order without overlapping, and
** queryParameters() must name each of them once.
*/

#include "platform/sqlmarks.h"
#include "project/queryparameters.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string sql(reinterpret_cast<const char *>(data), size);
    std::size_t end = 0;
    const auto marks = quillon::platform::sqlParameterMarks(sql);
    for (const auto &mark : marks) {
        if (mark.offset < end || mark.offset + mark.length > sql.size() || mark.name.empty() ||
            sql.compare(mark.offset, mark.length, ":" + mark.name) != 0)
            std::abort();
        end = mark.offset + mark.length;
    }
    const auto parameters = quillon::queryParameters(sql, {"City", "Name"});
    if (parameters.size() > marks.size() || (!marks.empty() && parameters.empty()))
        std::abort();
    return 0;
}
