#include "platform/sqlmarks.h"

namespace quillon::platform {

namespace {

bool isNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9');
}

// The end of a quoted run that opened just before at, closed by quote
// (doubled, it stands for itself); with backslashes, "\x" escapes x.
std::size_t skipQuoted(std::string_view sql, std::size_t at, char quote, bool backslashes)
{
    while (at < sql.size()) {
        const char c = sql[at++];
        if (backslashes && c == '\\') {
            ++at;
        } else if (c == quote) {
            if (at < sql.size() && sql[at] == quote)
                ++at;
            else
                return at;
        }
    }
    return sql.size();
}

// At a "$": the end of a dollar-quoted string starting there, or at itself
// when the "$" opens none ("$1", a "$" inside a name).
std::size_t skipDollarQuoted(std::string_view sql, std::size_t at)
{
    std::size_t tagEnd = at + 1;
    while (tagEnd < sql.size() && sql[tagEnd] != '$') {
        if (!isNameChar(sql[tagEnd]) || (tagEnd == at + 1 && !isNameStart(sql[tagEnd])))
            return at;
        ++tagEnd;
    }
    if (tagEnd >= sql.size())
        return at;
    const std::string_view tag = sql.substr(at, tagEnd - at + 1);
    const std::size_t close = sql.find(tag, tagEnd + 1);
    return close == std::string_view::npos ? sql.size() : close + tag.size();
}

std::size_t skipBlockComment(std::string_view sql, std::size_t at)
{
    int depth = 1;
    at += 2;
    while (at < sql.size() && depth > 0) {
        if (sql.compare(at, 2, "/*") == 0) {
            ++depth;
            at += 2;
        } else if (sql.compare(at, 2, "*/") == 0) {
            --depth;
            at += 2;
        } else {
            ++at;
        }
    }
    return at;
}

} // namespace

std::vector<SqlMark> sqlParameterMarks(std::string_view sql)
{
    std::vector<SqlMark> marks;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'') {
            // E'...' (PostgreSQL) takes backslash escapes.
            const bool escapes = i > 0 && (sql[i - 1] == 'E' || sql[i - 1] == 'e') &&
                                 (i == 1 || !isNameChar(sql[i - 2]));
            i = skipQuoted(sql, i + 1, '\'', escapes);
        } else if (c == '"') {
            i = skipQuoted(sql, i + 1, '"', false);
        } else if (c == '-' && sql.compare(i, 2, "--") == 0) {
            const std::size_t eol = sql.find('\n', i);
            i = eol == std::string_view::npos ? sql.size() : eol + 1;
        } else if (c == '/' && sql.compare(i, 2, "/*") == 0) {
            i = skipBlockComment(sql, i);
        } else if (c == '$' && (i == 0 || !isNameChar(sql[i - 1]))) {
            const std::size_t end = skipDollarQuoted(sql, i);
            i = end > i ? end : i + 1;
        } else if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
            // A cast: the type name after it is no mark either.
            i += 2;
            while (i < sql.size() && isNameChar(sql[i]))
                ++i;
        } else if (c == ':' && i + 1 < sql.size() && isNameStart(sql[i + 1])) {
            std::size_t end = i + 2;
            while (end < sql.size() && isNameChar(sql[end]))
                ++end;
            marks.push_back({i, end - i, std::string(sql.substr(i + 1, end - i - 1))});
            i = end;
        } else if (isNameChar(c)) {
            // A whole word at once, so "x$y" or "E" before a quote are seen as part of it.
            while (i < sql.size() && isNameChar(sql[i]) && sql[i] != '$')
                ++i;
            if (i < sql.size() && sql[i] == '$')
                ++i;
        } else {
            ++i;
        }
    }
    return marks;
}

} // namespace quillon::platform
