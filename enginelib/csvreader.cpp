#include "enginelib/csvreader.h"

#include "enginelib/engineerror.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quillon::enginelib {

namespace {
constexpr size_t kChunk = 256 * 1024;
}

CsvReader::CsvReader(const std::string &path) : m_name(path)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        throw EngineError(QDBIERR_IO, "Cannot open \"" + path + "\": " + std::strerror(errno));
    m_buffer.resize(kChunk);
}

CsvReader::CsvReader(std::string_view data, std::string name) : m_name(std::move(name)), m_memory(data)
{
    m_end = data.size();
    m_eof = true;
}

CsvReader::~CsvReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

const char *CsvReader::data() const
{
    return m_fd >= 0 ? m_buffer.data() : m_memory.data();
}

bool CsvReader::fill()
{
    if (m_pos < m_end)
        return true;
    if (m_eof)
        return false;
    m_bufferOffset += m_end;
    m_pos = m_end = 0;
    for (;;) {
        ssize_t n = ::read(m_fd, m_buffer.data(), m_buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EngineError(QDBIERR_IO, "Cannot read \"" + m_name + "\": " + std::strerror(errno));
        if (n == 0) {
            m_eof = true;
            return false;
        }
        m_end = size_t(n);
        return true;
    }
}

void CsvReader::seek(uint64_t offset, uint64_t line)
{
    m_line = line;
    m_missingLineEnd = false;
    if (m_fd < 0) {
        m_pos = offset < m_memory.size() ? size_t(offset) : m_memory.size();
        return;
    }
    if (::lseek(m_fd, off_t(offset), SEEK_SET) < 0)
        throw EngineError(QDBIERR_IO, "Cannot seek in \"" + m_name + "\": " + std::strerror(errno));
    m_bufferOffset = offset;
    m_pos = m_end = 0;
    m_eof = false;
}

void CsvReader::fail(const std::string &reason) const
{
    throw EngineError(QDBIERR_MALFORMEDCSV, m_name + ", line " + std::to_string(m_line) + ": " + reason);
}

static void append(std::string &field, const char *from, size_t count, size_t &recordBytes, const CsvReader &r)
{
    recordBytes += count;
    if (recordBytes > CsvReader::kMaxRecordBytes)
        throw EngineError(QDBIERR_MALFORMEDCSV, r.name() + ", line " + std::to_string(r.recordLine()) +
                                                    ": record longer than " +
                                                    std::to_string(CsvReader::kMaxRecordBytes) + " bytes");
    field.append(from, count);
}

CsvReader::FieldEnd CsvReader::afterField(bool quoted)
{
    if (!fill())
        return FieldEnd::End;
    char c = data()[m_pos];
    if (c == ',') {
        ++m_pos;
        return FieldEnd::Comma;
    }
    if (c == '\n') {
        ++m_pos;
        ++m_line;
        m_lfOnly = true;
        return FieldEnd::Line;
    }
    if (c == '\r') {
        ++m_pos;
        if (!fill())
            return FieldEnd::End; // a CR LF cut after its CR
        if (data()[m_pos] != '\n')
            fail("carriage return without line feed");
        ++m_pos;
        ++m_line;
        m_lfOnly = false;
        return FieldEnd::Line;
    }
    if (quoted)
        fail("text after the closing quote of a field");
    fail("unexpected character");
}

// The bytes that end an unquoted field (or make it malformed).
struct PlainStops
{
    bool stop[256] = {};
    constexpr PlainStops()
    {
        for (unsigned char c : {',', '\n', '\r', '"', '\0'})
            stop[c] = true;
    }
};
constexpr PlainStops kPlainStops;

bool CsvReader::takePlain(std::string &field, size_t &recordBytes)
{
    // A line feed ends the field, so no line is counted here.
    const char *d = data();
    const size_t start = m_pos;
    size_t i = start;
    while (i < m_end && !kPlainStops.stop[static_cast<unsigned char>(d[i])])
        ++i;
    append(field, d + start, i - start, recordBytes, *this);
    m_pos = i;
    return i < m_end;
}

bool CsvReader::takeQuoted(std::string &field, size_t &recordBytes)
{
    // Up to the next quote, found with memchr; the span is then checked for
    // NUL bytes and its line feeds counted, both vectorised scans.
    const char *d = data();
    const size_t start = m_pos;
    const void *quote = std::memchr(d + start, '"', m_end - start);
    const size_t stop = quote ? size_t(static_cast<const char *>(quote) - d) : m_end;
    const void *nul = std::memchr(d + start, '\0', stop - start);
    const size_t i = nul ? size_t(static_cast<const char *>(nul) - d) : stop;
    m_line += uint64_t(std::count(d + start, d + i, '\n'));
    append(field, d + start, i - start, recordBytes, *this);
    m_pos = i;
    return i < m_end;
}

CsvReader::FieldEnd CsvReader::readPlain(std::string &field, size_t &recordBytes)
{
    for (;;) {
        if (!fill())
            return FieldEnd::End;
        if (!takePlain(field, recordBytes))
            continue;
        const char c = data()[m_pos];
        if (c == '"')
            fail("double quote inside an unquoted field");
        if (c == '\0')
            fail("binary data (NUL byte)");
        return afterField(false);
    }
}

CsvReader::FieldEnd CsvReader::readQuoted(std::string &field, size_t &recordBytes)
{
    const uint64_t openLine = m_line;
    for (;;) {
        if (!fill()) {
            m_line = openLine;
            fail("the double quote that opens this field is never closed");
        }
        if (!takeQuoted(field, recordBytes))
            continue;
        if (data()[m_pos] == '\0')
            fail("binary data (NUL byte)");
        ++m_pos; // the quote
        if (!fill())
            return FieldEnd::End;
        if (data()[m_pos] == '"') {
            ++m_pos;
            append(field, "\"", 1, recordBytes, *this);
            continue;
        }
        return afterField(true);
    }
}

bool CsvReader::next(std::vector<std::string> &fields)
{
    if (!fill())
        return false; // missingLineEnd() still tells of the last record
    m_missingLineEnd = false;
    if (position() == 0 && m_end - m_pos >= 3 && std::memcmp(data() + m_pos, "\xEF\xBB\xBF", 3) == 0)
        m_pos += 3; // a UTF-8 byte order mark, no part of the first field
    if (!fill())
        return false;
    m_recordOffset = position();
    m_recordLine = m_line;
    size_t count = 0;
    size_t recordBytes = 0;
    for (;;) {
        if (fields.size() <= count)
            fields.emplace_back();
        std::string &field = fields[count++];
        field.clear();
        FieldEnd end;
        if (fill() && data()[m_pos] == '"') {
            ++m_pos;
            end = readQuoted(field, recordBytes);
        } else {
            end = readPlain(field, recordBytes);
        }
        if (end == FieldEnd::End) {
            fields.resize(count);
            m_missingLineEnd = true;
            return true;
        }
        if (end == FieldEnd::Line) {
            fields.resize(count);
            return true;
        }
    }
}

} // namespace quillon::enginelib
