#include "generator/pascalstring.h"

namespace quillon::generator {

std::string literalText(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

} // namespace quillon::generator
