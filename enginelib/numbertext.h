#pragma once

/*
** What "looks like a number" means for a CSV value: an optional sign,
** digits with an optional decimal point (at least one digit), and an
** optional exponent.  No blanks, no thousands separators, no hex: a value
** such as "1,000" or " 5" stays text, so a column is numeric only when
** every value can be read back exactly as a number.
*/

#include <cstdint>
#include <string_view>

namespace quillon::enginelib {

enum class NumberKind { NotNumber, Integer, Real };

NumberKind classifyNumber(std::string_view text);

// The value of a text that classifyNumber() found Integer or Real, read as
// strtoll and strtod read it (both round correctly), without their
// locale lookups and without a NUL-terminated copy.
int64_t integerOfText(std::string_view text);
double realOfText(std::string_view text);

} // namespace quillon::enginelib
