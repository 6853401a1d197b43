#include "platform/profilevalue.h"

namespace quillon::platform {

namespace {

bool isLineBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

} // namespace

bool isProfileBlank(char c)
{
    return isLineBlank(c) || c == '\r';
}

std::string_view trimProfileBlanks(std::string_view s)
{
    while (!s.empty() && isProfileBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isProfileBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view readProfileValue(std::string_view s, ValueLines lines)
{
    const auto blank = lines == ValueLines::One ? isProfileBlank : isLineBlank;
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        s = s.substr(1, s.size() - 2);
    return s;
}

std::string profileValueText(std::string_view value, ValueLines lines)
{
    if (readProfileValue(value, lines).size() == value.size())
        return std::string(value);
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '"';
    quoted += value;
    quoted += '"';
    return quoted;
}

} // namespace quillon::platform
