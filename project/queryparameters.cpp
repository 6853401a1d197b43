#include "project/queryparameters.h"

#include "platform/asciicase.h"
#include "platform/sqlmarks.h"

#include <unordered_map>
#include <unordered_set>

namespace quillon {

std::vector<QueryParameter> queryParameters(const std::string &sql, const StringList &requestValues)
{
    std::unordered_map<std::string, const std::string *> inputs; // folded name -> the first Input so spelled
    for (const std::string &input : requestValues)
        inputs.try_emplace(platform::foldAsciiCase(input), &input);
    std::unordered_set<std::string> seen;
    std::vector<QueryParameter> parameters;
    for (const platform::SqlMark &mark : platform::sqlParameterMarks(sql)) {
        std::string folded = platform::foldAsciiCase(mark.name);
        const auto input = inputs.find(folded);
        if (!seen.insert(std::move(folded)).second)
            continue;
        parameters.push_back({mark.name, input == inputs.end() ? std::string() : *input->second});
    }
    return parameters;
}

} // namespace quillon
