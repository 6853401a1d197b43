#include "wizard/ansitext.h"

#include <array>

namespace quillon::wizard {

namespace {

// Code points of the bytes 0x80 to 0x9F in Windows-1252; the undefined
// ones map to themselves so that decoding never loses a byte.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The Windows-1252 byte of a code point; -1 when there is none.
int windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == c)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t len;
        unsigned lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            if (b == 0xE0)
                lo = 0xA0; // no overlong forms
            if (b == 0xED)
                hi = 0x9F; // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            if (b == 0xF0)
                lo = 0x90;
            if (b == 0xF4)
                hi = 0x8F; // nothing above U+10FFFF
        } else {
            return false;
        }
        if (n - i < len)
            return false;
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        if (second < lo || second > hi)
            return false;
        for (std::size_t k = 2; k < len; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if (c < 0x80 || c > 0xBF)
                return false;
        }
        i += len;
    }
    return true;
}

DecodedText decodeAnsi(std::string_view bytes)
{
    if (isValidUtf8(bytes))
        return {QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())), TextEncoding::Utf8};
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        text.append(QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b)));
    }
    return {text, TextEncoding::Windows1252};
}

std::string encodeAnsi(const QString &text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Windows1252) {
        std::string out;
        out.reserve(static_cast<std::size_t>(text.size()));
        for (QChar c : text) {
            const int b = windows1252Byte(c.unicode());
            if (b < 0)
                return text.toUtf8().toStdString();
            out.push_back(static_cast<char>(b));
        }
        return out;
    }
    return text.toUtf8().toStdString();
}

} // namespace quillon::wizard
