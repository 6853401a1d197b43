/*
** The generation moment: the date and time written into the trailer.
**
** They are formatted as the user's locale writes a short date (%x) and a
** time (%X), taken from the environment (LC_ALL, LC_TIME, LANG) without
** changing the process's global locale; an unknown locale name falls back
** to the classic "C" one. When SOURCE_DATE_EPOCH is set the moment is that
** instant in UTC, so that two runs give the same output.
*/

#include "generator/generationmoment.h"

#include "generator/generationerror.h"

#include <charconv>
#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>

namespace quillon::generator {

namespace {

std::locale userLocale()
{
    try {
        return std::locale("");
    } catch (const std::exception &) {
        return std::locale::classic();
    }
}

std::string format(const std::tm &tm, const std::locale &locale, const char *pattern)
{
    std::ostringstream out;
    out.imbue(locale);
    out << std::put_time(&tm, pattern);
    return out.str();
}

// The SOURCE_DATE_EPOCH value as seconds; throws if it is not a whole number.
std::time_t epochFrom(std::string_view value)
{
    long long seconds = 0;
    const auto *end = value.data() + value.size();
    const auto [ptr, ec] = std::from_chars(value.data(), end, seconds);
    if (value.empty() || value.front() == '-' || ec != std::errc() || ptr != end
        || static_cast<long long>(static_cast<std::time_t>(seconds)) != seconds)
        throw GenerationError("SOURCE_DATE_EPOCH is not a number of seconds: \""
                              + std::string(value) + "\"");
    return static_cast<std::time_t>(seconds);
}

} // namespace

GenerationMoment currentGenerationMoment()
{
    std::tm tm{};
    if (const char *epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        const std::time_t t = epochFrom(epoch);
        if (!gmtime_r(&t, &tm))
            throw GenerationError("SOURCE_DATE_EPOCH is out of range: \"" + std::string(epoch)
                                  + "\"");
    } else {
        const std::time_t t = std::time(nullptr);
        localtime_r(&t, &tm);
    }
    const auto locale = userLocale();
    return {format(tm, locale, "%x"), format(tm, locale, "%X")};
}

} // namespace quillon::generator
