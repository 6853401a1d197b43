#include "platform/windows1252.h"

#include <array>

namespace quillon::platform {

namespace {

// Code points of the bytes 0x80 to 0x9F.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void append(std::string &out, char32_t codePoint)
{
    const int b = windows1252Byte(codePoint);
    out.push_back(b < 0 ? '?' : static_cast<char>(b));
}

} // namespace

char32_t windows1252CodePoint(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : char32_t(byte);
}

int windows1252Byte(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == c)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

std::string utf16ToWindows1252(std::string_view bytes, bool bigEndian)
{
    const std::size_t units = bytes.size() / 2;
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        return static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    std::string out;
    out.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            ++i; // a pair: one character, outside the code page
            out.push_back('?');
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out.push_back('?');
        } else {
            append(out, u);
        }
    }
    return out;
}

Utf8Step nextUtf8(std::string_view bytes, std::size_t i)
{
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char b = at(i);
    if (b < 0x80)
        return {b, 1, true};
    // The length of the sequence, and the range its second byte must be in,
    // which rules out overlong forms, surrogates and code points beyond
    // U+10FFFF.
    std::size_t len = 0;
    unsigned lo = 0x80, hi = 0xBF;
    char32_t cp = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        cp = b & 0x0F;
        lo = b == 0xE0 ? 0xA0 : lo;
        hi = b == 0xED ? 0x9F : hi;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        cp = b & 0x07;
        lo = b == 0xF0 ? 0x90 : lo;
        hi = b == 0xF4 ? 0x8F : hi;
    } else {
        return {0, 1, false};
    }
    std::size_t k = 1;
    for (; k < len && i + k < bytes.size(); ++k) {
        const unsigned char c = at(i + k);
        if (c < (k == 1 ? lo : 0x80u) || c > (k == 1 ? hi : 0xBFu))
            break;
        cp = (cp << 6) | (c & 0x3F);
    }
    return k == len ? Utf8Step{cp, len, true} : Utf8Step{0, k, false};
}

std::string utf8ToWindows1252(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const Utf8Step step = nextUtf8(bytes, i);
        if (step.valid)
            append(out, step.codePoint);
        else
            out.push_back('?'); // one for the bytes that began a malformed sequence
        i += step.length;
    }
    return out;
}

bool isValidUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const Utf8Step step = nextUtf8(bytes, i);
        if (!step.valid)
            return false;
        i += step.length;
    }
    return true;
}

} // namespace quillon::platform
