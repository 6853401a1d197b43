#include "enginelib/csvtablenames.h"

#include "enginelib/sqlidentifier.h"

#include <strings.h>

namespace quillon::enginelib {

namespace {

bool identifierStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool identifierChar(unsigned char c)
{
    return identifierStart(c) || (c >= '0' && c <= '9') || c == '$';
}

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// The end of the quoted text that starts at pos (quote character q; a
// doubled closing quote stands for itself), or the end of the text.
size_t skipQuoted(const std::string &sql, size_t pos, char close)
{
    for (size_t i = pos + 1; i < sql.size(); ++i) {
        if (sql[i] != close)
            continue;
        if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return sql.size();
}

size_t skipBlanks(const std::string &sql, size_t pos)
{
    while (pos < sql.size() && blank(sql[pos]))
        ++pos;
    return pos;
}

} // namespace

std::string quoteCsvTableNames(const std::string &sql, const std::function<bool(const std::string &)> &isTable)
{
    std::string out;
    out.reserve(sql.size() + 8);
    bool afterDot = false; // the last token was "."
    size_t pos = 0;
    while (pos < sql.size()) {
        const char c = sql[pos];
        size_t end = pos + 1;
        if (blank(c)) {
            out += c;
            ++pos;
            continue;
        }
        if (c == '-' && pos + 1 < sql.size() && sql[pos + 1] == '-') {
            end = sql.find('\n', pos);
            end = end == std::string::npos ? sql.size() : end;
        } else if (c == '/' && pos + 1 < sql.size() && sql[pos + 1] == '*') {
            end = sql.find("*/", pos + 2);
            end = end == std::string::npos ? sql.size() : end + 2;
        } else if (c == '\'' || c == '"' || c == '`') {
            end = skipQuoted(sql, pos, c);
        } else if (c == '[') {
            end = skipQuoted(sql, pos, ']');
        } else if (identifierStart(static_cast<unsigned char>(c))) {
            while (end < sql.size() && identifierChar(static_cast<unsigned char>(sql[end])))
                ++end;
            const std::string name = sql.substr(pos, end - pos);
            const size_t dot = skipBlanks(sql, end);
            const size_t extStart = dot < sql.size() && sql[dot] == '.' ? skipBlanks(sql, dot + 1) : std::string::npos;
            if (!afterDot && extStart != std::string::npos && extStart + 3 <= sql.size() &&
                strncasecmp(sql.c_str() + extStart, "csv", 3) == 0 &&
                (extStart + 3 == sql.size() || !identifierChar(static_cast<unsigned char>(sql[extStart + 3]))) &&
                strcasecmp(name.c_str(), "main") != 0 && strcasecmp(name.c_str(), "temp") != 0) {
                const std::string table = name + "." + sql.substr(extStart, 3);
                if (isTable(table)) {
                    out += quoteIdentifier(table);
                    pos = extStart + 3;
                    afterDot = false;
                    continue;
                }
            }
        }
        out.append(sql, pos, end - pos);
        afterDot = c == '.';
        pos = end;
    }
    return out;
}

} // namespace quillon::enginelib
