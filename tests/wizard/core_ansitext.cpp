#include "wizard/ansitext.h"

#include <gtest/gtest.h>

#include <string>

using namespace quillon::wizard;

namespace {

struct TextRow
{
    std::string bytes;
    TextEncoding encoding;
    QString shown;
};

class AnsiText : public testing::TestWithParam<TextRow>
{};

TEST_P(AnsiText, DecodesAndEncodesBackToTheSameBytes)
{
    const TextRow &row = GetParam();
    const DecodedText decoded = decodeAnsi(row.bytes);
    EXPECT_EQ(decoded.encoding, row.encoding);
    EXPECT_EQ(decoded.text, row.shown);
    EXPECT_EQ(encodeAnsi(decoded.text, decoded.encoding), row.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, AnsiText,
    testing::Values(TextRow{"", TextEncoding::Utf8, QString()},
                    TextRow{"Caf\xc3\xa9", TextEncoding::Utf8, QString::fromUtf8("Caf\xc3\xa9")},
                    TextRow{"\xe2\x82\xac 5", TextEncoding::Utf8, QString::fromUtf8("\xe2\x82\xac 5")},
                    TextRow{"Caf\xe9", TextEncoding::Windows1252, QString::fromUtf8("Caf\xc3\xa9")},
                    TextRow{"\x80 5", TextEncoding::Windows1252, QString::fromUtf8("\xe2\x82\xac 5")},
                    // undefined Windows-1252 bytes survive as C1 controls
                    TextRow{"a\x81\x8d\x8f\x90\x9d", TextEncoding::Windows1252,
                            QString::fromUtf16(u"a\u0081\u008d\u008f\u0090\u009d")},
                    // not UTF-8: overlong, surrogate, truncated, above U+10FFFF
                    TextRow{"\xc0\xaf", TextEncoding::Windows1252, QString::fromUtf16(u"\u00c0\u00af")},
                    TextRow{"\xed\xa0\x80", TextEncoding::Windows1252, QString::fromUtf16(u"\u00ed\u00a0\u20ac")},
                    TextRow{"x\xe2\x82", TextEncoding::Windows1252, QString::fromUtf16(u"x\u00e2\u201a")},
                    TextRow{"\xf4\x90\x80\x80", TextEncoding::Windows1252,
                            QString::fromUtf16(u"\u00f4\u0090\u20ac\u20ac")}));

TEST(AnsiTextEncode, TypedTextOutsideWindows1252FallsBackToUtf8)
{
    const QString typed = QString::fromUtf16(u"caf\u00e9 \u4e2d");
    EXPECT_EQ(encodeAnsi(typed, TextEncoding::Windows1252), typed.toUtf8().toStdString());
    EXPECT_EQ(encodeAnsi(QString::fromUtf16(u"caf\u00e9"), TextEncoding::Windows1252), "caf\xe9");
}

TEST(AnsiTextEncode, EveryByteStringRoundTrips)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const DecodedText decoded = decodeAnsi(all);
    EXPECT_EQ(decoded.encoding, TextEncoding::Windows1252);
    EXPECT_EQ(decoded.text.size(), 255);
    EXPECT_EQ(encodeAnsi(decoded.text, decoded.encoding), all);
}

} // namespace
