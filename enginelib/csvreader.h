#pragma once

/*
** A streaming reader of RFC 4180 records: fields separated by commas,
** records ended by LF or CR LF, fields optionally in double quotes with ""
** standing for one quote; quoted fields may hold commas and line breaks.
**
** It reads through a fixed buffer, so memory stays bounded by the longest
** record, never by the file.  A last record without a line end is a record
** like any other (editors and other programs often write files that way);
** missingLineEnd() says so, so that an append can add the line break first.
** A UTF-8 byte order mark at the start of the data is skipped.  Malformed
** input (a quote that is never closed, a quote inside an unquoted field,
** text after a closing quote, a lone CR, a NUL byte, a record longer than
** the limit) throws EngineError(QDBIERR_MALFORMEDCSV) naming the source and
** the line.
**
** Byte offsets of records let a caller come back to a record later with
** seek(), which is how cursors move backwards without keeping rows.
*/

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::enginelib {

class CsvReader
{
public:
    // Reads the file at path; throws EngineError(QDBIERR_IO) if it cannot be opened.
    explicit CsvReader(const std::string &path);
    // Reads a copy of text held in memory; name is used in messages.
    CsvReader(std::string_view data, std::string name);
    ~CsvReader();
    CsvReader(const CsvReader &) = delete;
    CsvReader &operator=(const CsvReader &) = delete;

    // Reads the next record into fields. False at the end of the data.
    bool next(std::vector<std::string> &fields);

    uint64_t recordOffset() const { return m_recordOffset; } // where the last record began
    uint64_t recordLine() const { return m_recordLine; }     // its 1-based line number
    uint64_t position() const { return m_bufferOffset + m_pos; }
    uint64_t line() const { return m_line; }
    // Whether the last record read ended at the end of the data without a line end.
    bool missingLineEnd() const { return m_missingLineEnd; }
    // The line end the data uses, as far as read: "\n" after an LF-ended
    // line, else "\r\n".
    const char *lineEnd() const { return m_lfOnly ? "\n" : "\r\n"; }
    const std::string &name() const { return m_name; }

    // Continues reading at a record start previously seen (offset, line).
    void seek(uint64_t offset, uint64_t line);

    static constexpr size_t kMaxRecordBytes = 16u << 20;

private:
    const char *data() const;
    bool fill();                       // more bytes into the buffer; false at end of file
    [[noreturn]] void fail(const std::string &reason) const;
    enum class FieldEnd { Comma, Line, End };
    // Append the bytes of an unquoted (quoted) field up to the first byte
    // that ends it, counting line feeds; false if the buffer ran out first.
    bool takePlain(std::string &field, size_t &recordBytes);
    bool takeQuoted(std::string &field, size_t &recordBytes);
    FieldEnd readQuoted(std::string &field, size_t &recordBytes);
    FieldEnd readPlain(std::string &field, size_t &recordBytes);
    FieldEnd afterField(bool quoted);

    std::string m_name;
    int m_fd = -1;
    std::vector<char> m_buffer;
    std::string m_memory;        // the data when reading from memory
    size_t m_pos = 0;            // next unread byte in the buffer
    size_t m_end = 0;            // bytes held in the buffer
    uint64_t m_bufferOffset = 0; // file offset of the buffer's first byte
    bool m_eof = false;
    bool m_missingLineEnd = false;
    bool m_lfOnly = false;
    uint64_t m_line = 1;
    uint64_t m_recordOffset = 0;
    uint64_t m_recordLine = 1;
};

} // namespace quillon::enginelib
