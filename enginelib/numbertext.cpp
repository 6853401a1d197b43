#include "enginelib/numbertext.h"

#include <charconv>
#include <cstdlib>
#include <string>

namespace quillon::enginelib {

static bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

NumberKind classifyNumber(std::string_view t)
{
    size_t i = 0;
    const size_t n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < n && isDigit(t[i]))
        ++i, ++digits;
    bool real = false;
    if (i < n && t[i] == '.') {
        real = true;
        ++i;
        while (i < n && isDigit(t[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return NumberKind::NotNumber;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        real = true;
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-'))
            ++i;
        size_t expDigits = 0;
        while (i < n && isDigit(t[i]))
            ++i, ++expDigits;
        if (expDigits == 0)
            return NumberKind::NotNumber;
    }
    if (i != n)
        return NumberKind::NotNumber;
    // Integers beyond 18 digits may not fit 64 bits: SQLite reads them as reals.
    if (!real && digits > 18)
        return NumberKind::Real;
    return real ? NumberKind::Real : NumberKind::Integer;
}

// from_chars takes no leading "+".
static std::string_view withoutPlus(std::string_view text)
{
    return !text.empty() && text[0] == '+' ? text.substr(1) : text;
}

int64_t integerOfText(std::string_view text)
{
    text = withoutPlus(text);
    int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

double realOfText(std::string_view text)
{
    const std::string_view digits = withoutPlus(text);
    double value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    // Beyond the range of a double from_chars gives no value; strtod gives
    // infinity or the nearest tiny one, which SQLite's own reading matches.
    if (ec != std::errc() || end != digits.data() + digits.size())
        return std::strtod(std::string(text).c_str(), nullptr);
    return value;
}

} // namespace quillon::enginelib
