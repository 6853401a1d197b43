#include "engine/database.h"

#include "engine/enginefunctions.h"
#include "engine/engineerror.h"
#include "engine/enginesession.h"
#include "engine/namelist.h"

namespace quillon::engine {

Database::Database(std::unique_ptr<DatabaseHandle> handle, std::string alias)
    : m_handle(std::move(handle))
    , m_alias(std::move(alias))
{}

Database::~Database() = default;
Database::Database(Database &&other) noexcept = default;
Database &Database::operator=(Database &&other) noexcept = default;

const DatabaseHandle &Database::handle(const std::string &context) const
{
    if (!m_handle)
        throw EngineError(QDBIERR_INVALIDHANDLE, context + ": the database has been moved from");
    return *m_handle;
}

std::string Database::where(const std::string &what) const
{
    return what + " of alias \"" + m_alias + "\"";
}

std::vector<std::string> Database::tables(const std::string &pattern) const
{
    const std::string context = where("listing the tables");
    hDBIList list = nullptr;
    check(DbiListTables(handle(context).handle, pattern.c_str(), 1, 1, &list), context);
    return takeNameList(list, context);
}

std::vector<std::string> Database::fields(const std::string &table) const
{
    const std::string context = where("listing the fields of table \"" + table + "\"");
    hDBIList list = nullptr;
    check(DbiListFields(handle(context).handle, table.c_str(), &list), context);
    return takeNameList(list, context);
}

Cursor Database::openTable(const std::string &table) const
{
    const std::string context = where("table \"" + table + "\"");
    const DatabaseHandle &db = handle(context);
    hDBICur cursor = nullptr;
    check(DbiOpenTable(db.handle, table.c_str(), &cursor), context);
    return Cursor(std::make_unique<CursorHandle>(db.session, cursor), context);
}

Cursor Database::openQuery(const std::string &sql) const
{
    const std::string context = where("query");
    const DatabaseHandle &db = handle(context);
    hDBICur cursor = nullptr;
    check(DbiOpenQuery(db.handle, sql.c_str(), &cursor), context);
    return Cursor(std::make_unique<CursorHandle>(db.session, cursor), context);
}

Cursor Database::openQuery(const std::string &sql,
                           const std::vector<std::pair<std::string, std::string>> &parameters) const
{
    const std::string context = where("query");
    const DatabaseHandle &db = handle(context);
    std::vector<const char *> names, values;
    for (const auto &[name, value] : parameters) {
        names.push_back(name.c_str());
        values.push_back(value.c_str());
    }
    hDBICur cursor = nullptr;
    check(DbiOpenQueryParams(db.handle, sql.c_str(), uint32_t(names.size()), names.data(), values.data(), &cursor),
          context);
    return Cursor(std::make_unique<CursorHandle>(db.session, cursor), context);
}

std::vector<std::string> Database::queryColumns(const std::string &sql) const
{
    return openQuery(sql).columnNames();
}

void Database::insertRow(const std::string &table, const std::vector<std::pair<std::string, std::string>> &values)
{
    const std::string context = where("inserting into table \"" + table + "\"");
    const hDBIDb db = handle(context).handle;
    std::vector<const char *> names, texts;
    for (const auto &[name, text] : values) {
        names.push_back(name.c_str());
        texts.push_back(text.c_str());
    }
    check(DbiInsertRow(db, table.c_str(), static_cast<uint32_t>(values.size()), names.data(), texts.data()),
          context);
}

} // namespace quillon::engine
