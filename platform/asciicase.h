#pragma once

/*
** Case-insensitive text as the file formats use it: only the ASCII letters
** A-Z fold to lower case and every other byte compares as itself, unsigned,
** as strcasecmp does in the C locale. Registry key and value names, profile
** section and key names and the sorted project lists all follow this rule.
*/

#include <string>
#include <string_view>

namespace quillon::platform {

inline char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// text with A-Z folded to a-z.
std::string foldAsciiCase(std::string_view text);

bool equalsNoCase(std::string_view a, std::string_view b);

// <0, 0 or >0, as strcasecmp.
int compareNoCase(std::string_view a, std::string_view b);

} // namespace quillon::platform
