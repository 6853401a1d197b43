#include "platform/profilevalue.h"

namespace quillon::platform {

namespace {

bool isLineBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view trimWith(std::string_view s, bool (*blank)(char))
{
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

bool isProfileBlank(char c)
{
    return isLineBlank(c) || c == '\r';
}

std::string_view trimProfileBlanks(std::string_view s)
{
    return trimWith(s, isProfileBlank);
}

std::string_view readProfileValue(std::string_view s, ValueLines lines)
{
    s = trimWith(s, lines == ValueLines::One ? isProfileBlank : isLineBlank);
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
