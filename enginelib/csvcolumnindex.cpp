#include "enginelib/csvcolumnindex.h"

#include "enginelib/csvtablereader.h"

#include <cstdlib>
#include <cstring>

namespace quillon::enginelib {

CsvColumnIndex::CsvColumnIndex(const std::string &path, const struct stat &st, size_t column, bool numeric)
    : m_size(st.st_size), m_mtime(st.st_mtim)
{
    CsvTableReader reader(path);
    std::vector<std::string> row;
    while (reader.next(row)) {
        if (column >= row.size())
            continue;
        std::string key = keyOf(row[column], numeric);
        if (!key.empty())
            m_rows[std::move(key)].push_back({reader.recordOffset(), reader.recordLine()});
    }
}

bool CsvColumnIndex::isCurrent(const struct stat &st) const
{
    return st.st_size == m_size && st.st_mtim.tv_sec == m_mtime.tv_sec && st.st_mtim.tv_nsec == m_mtime.tv_nsec;
}

const std::vector<CsvColumnIndex::Position> &CsvColumnIndex::find(const std::string &key) const
{
    static const std::vector<Position> none;
    auto it = m_rows.find(key);
    return it == m_rows.end() ? none : it->second;
}

std::string CsvColumnIndex::numberKey(double value)
{
    if (value == 0)
        value = 0; // -0.0 and 0.0 are one key
    std::string key(1 + sizeof value, 'n');
    std::memcpy(key.data() + 1, &value, sizeof value);
    return key;
}

std::string CsvColumnIndex::keyOf(std::string_view value, bool numeric)
{
    if (!numeric)
        return textKey(value);
    if (value.empty())
        return {};
    return numberKey(std::strtod(std::string(value).c_str(), nullptr));
}

} // namespace quillon::enginelib
