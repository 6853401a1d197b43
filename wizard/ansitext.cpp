#include "wizard/ansitext.h"

#include "platform/windows1252.h"

namespace quillon::wizard {

DecodedText decodeAnsi(std::string_view bytes)
{
    if (isValidUtf8(bytes))
        return {QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())), TextEncoding::Utf8};
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        text.append(QChar(static_cast<char16_t>(platform::windows1252CodePoint(b))));
    }
    return {text, TextEncoding::Windows1252};
}

std::string encodeAnsi(const QString &text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Windows1252) {
        std::string out;
        out.reserve(static_cast<std::size_t>(text.size()));
        for (QChar c : text) {
            const int b = platform::windows1252Byte(c.unicode());
            if (b < 0)
                return text.toUtf8().toStdString();
            out.push_back(static_cast<char>(b));
        }
        return out;
    }
    return text.toUtf8().toStdString();
}

} // namespace quillon::wizard
