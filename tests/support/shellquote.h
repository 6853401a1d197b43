#pragma once

// Quotes text for /bin/sh, so end-to-end tests can pass any path or value
// to a program through std::system.

#include <string>

namespace quillon::test {

inline std::string shellQuote(const std::string &text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace quillon::test
