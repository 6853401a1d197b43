#include "enginelib/numbertext.h"

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

} // namespace quillon::enginelib
