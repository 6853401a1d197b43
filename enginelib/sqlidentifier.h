#pragma once

/* An SQL identifier in double quotes, inner quotes doubled, so that any
** table or field name can be put into generated SQL text safely. */

#include <string>

namespace quillon::enginelib {

inline std::string quoteIdentifier(const std::string &name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

} // namespace quillon::enginelib
