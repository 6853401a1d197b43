#include "generator/pascalstring.h"

#include <string>

namespace quillon::generator {

std::string literalText(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t') {
            out += "'#";
            out += std::to_string(byte);
            out += '\'';
            continue;
        }
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

} // namespace quillon::generator
