#include "enginelib/csvtablereader.h"

#include "enginelib/engineerror.h"

#include <strings.h>

namespace quillon::enginelib {

CsvTableReader::CsvTableReader(const std::string &path) : m_reader(std::make_unique<CsvReader>(path))
{
    readHeader();
}

CsvTableReader::CsvTableReader(std::string_view data, std::string name)
    : m_reader(std::make_unique<CsvReader>(data, std::move(name)))
{
    readHeader();
}

CsvTableReader::CsvTableReader(const std::string &path, size_t fields, uint64_t offset)
    : m_reader(std::make_unique<CsvReader>(path)), m_header(fields), m_dataOffset(offset), m_dataLine(0)
{
    m_reader->seek(offset, 0);
}

void CsvTableReader::readHeader()
{
    if (!m_reader->next(m_header))
        m_header.clear(); // an empty file: a table without fields
    for (size_t i = 0; i < m_header.size(); ++i) {
        if (m_header[i].empty())
            throw EngineError(QDBIERR_MALFORMEDCSV,
                              m_reader->name() + ", line 1: field " + std::to_string(i + 1) + " has no name");
        for (size_t j = 0; j < i; ++j)
            if (strcasecmp(m_header[i].c_str(), m_header[j].c_str()) == 0)
                throw EngineError(QDBIERR_MALFORMEDCSV,
                                  m_reader->name() + ", line 1: field name \"" + m_header[i] + "\" appears twice");
    }
    m_dataOffset = m_reader->position();
    m_dataLine = m_reader->line();
}

bool CsvTableReader::next(std::vector<std::string> &row)
{
    for (;;) {
        if (!m_reader->next(row))
            return false;
        if (row.size() == m_header.size())
            return true;
        if (row.size() == 1 && row[0].empty() && m_header.size() > 1)
            continue; // blank line
        throw EngineError(QDBIERR_MALFORMEDCSV, m_reader->name() + ", line " +
                                                    std::to_string(m_reader->recordLine()) + ": " +
                                                    std::to_string(row.size()) + " fields where the header has " +
                                                    std::to_string(m_header.size()));
    }
}

} // namespace quillon::enginelib
