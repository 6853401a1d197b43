#include "engine/database.h"

#include "engine/enginefunctions.h"
#include "engine/engineerror.h"
#include "engine/namelist.h"

namespace quillon::engine {

Database::Database(hDBIDb handle, std::string alias)
    : m_handle(handle)
    , m_alias(std::move(alias))
{}

Database::Database(Database &&other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr))
    , m_alias(std::move(other.m_alias))
{}

Database::~Database()
{
    if (m_handle)
        DbiCloseDatabase(m_handle);
}

std::string Database::where(const std::string &what) const
{
    return what + " of alias \"" + m_alias + "\"";
}

std::vector<std::string> Database::tables(const std::string &pattern) const
{
    const std::string context = where("listing the tables");
    hDBIList list = nullptr;
    check(DbiListTables(m_handle, pattern.c_str(), 1, 1, &list), context);
    return takeNameList(list, context);
}

std::vector<std::string> Database::fields(const std::string &table) const
{
    const std::string context = where("listing the fields of table \"" + table + "\"");
    hDBIList list = nullptr;
    check(DbiListFields(m_handle, table.c_str(), &list), context);
    return takeNameList(list, context);
}

Cursor Database::openTable(const std::string &table) const
{
    const std::string context = where("table \"" + table + "\"");
    hDBICur cursor = nullptr;
    check(DbiOpenTable(m_handle, table.c_str(), &cursor), context);
    return Cursor(cursor, context);
}

Cursor Database::openQuery(const std::string &sql) const
{
    const std::string context = where("query");
    hDBICur cursor = nullptr;
    check(DbiOpenQuery(m_handle, sql.c_str(), &cursor), context);
    return Cursor(cursor, context);
}

std::vector<std::string> Database::queryColumns(const std::string &sql) const
{
    return openQuery(sql).columnNames();
}

void Database::insertRow(const std::string &table, const std::vector<std::pair<std::string, std::string>> &values)
{
    std::vector<const char *> names, texts;
    for (const auto &[name, text] : values) {
        names.push_back(name.c_str());
        texts.push_back(text.c_str());
    }
    check(DbiInsertRow(m_handle, table.c_str(), static_cast<uint32_t>(values.size()), names.data(), texts.data()),
          where("inserting into table \"" + table + "\""));
}

} // namespace quillon::engine
