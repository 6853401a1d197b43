#include "wizard/databasehelp.h"

#include "engine/dataaccess.h"
#include "platform/asciicase.h"

#include <algorithm>

namespace quillon::wizard {

namespace {

class EngineOpenDatabase : public OpenDatabase
{
public:
    explicit EngineOpenDatabase(engine::Database db)
        : m_db(std::move(db))
    {}

    std::vector<std::string> tables() override { return m_db.tables("*.*"); }
    std::vector<std::string> fields(const std::string &table) override { return m_db.fields(table); }
    std::vector<std::string> queryColumns(const std::string &sql) override { return m_db.queryColumns(sql); }
    std::unique_ptr<QueryRows> openQuery(const std::string &sql, const QueryValues &values) override
    {
        return cursorRows(values.empty() ? m_db.openQuery(sql) : m_db.openQuery(sql, values));
    }

private:
    engine::Database m_db;
};

class EngineLibrary : public DatabaseEngine
{
public:
    std::vector<std::string> aliases() override { return access().aliases(); }

    std::unique_ptr<OpenDatabase> open(const std::string &alias, const std::vector<std::string> &params) override
    {
        return std::make_unique<EngineOpenDatabase>(access().open(alias, params));
    }

private:
    // The engine library is bound when it is first needed, so a missing
    // library only fails the database commands.
    engine::DataAccess &access()
    {
        if (!m_access)
            m_access = std::make_unique<engine::DataAccess>();
        return *m_access;
    }

    std::unique_ptr<engine::DataAccess> m_access;
};

// Case-insensitive search for an ASCII word; npos when absent.
std::size_t findNoCase(const std::string &text, std::string_view word)
{
    const std::string folded = platform::foldAsciiCase(text);
    return folded.find(platform::foldAsciiCase(word));
}

} // namespace

std::unique_ptr<DatabaseEngine> createEngineLibrary()
{
    return std::make_unique<EngineLibrary>();
}

WizardDatabase::WizardDatabase(std::unique_ptr<DatabaseEngine> engine)
    : m_engine(std::move(engine))
{}

WizardDatabase::~WizardDatabase()
{
    // The open database goes before the engine that opened it.
    m_open.reset();
}

std::vector<std::string> WizardDatabase::databaseNames()
{
    std::vector<std::string> names = m_engine->aliases();
    names.emplace_back(kConnectionName);
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string &a, const std::string &b) { return platform::compareNoCase(a, b) < 0; });
    names.erase(std::unique(names.begin(), names.end(),
                            [](const std::string &a, const std::string &b) { return platform::equalsNoCase(a, b); }),
                names.end());
    return names;
}

void WizardDatabase::setLogin(const std::string &user, const std::string &password)
{
    m_params = {"USER NAME=" + user, "PASSWORD=" + password};
}

void WizardDatabase::connect()
{
    if (!m_open)
        m_open = m_engine->open(m_alias, m_params);
}

void WizardDatabase::disconnect()
{
    m_open.reset();
}

template <typename Fn>
auto WizardDatabase::withDatabase(Fn fn)
{
    if (m_open)
        return fn(*m_open);
    // Opened for this one command: nothing keeps it open afterwards.
    const std::unique_ptr<OpenDatabase> once = m_engine->open(m_alias, m_params);
    return fn(*once);
}

std::vector<std::string> WizardDatabase::tables()
{
    return withDatabase([](OpenDatabase &db) { return db.tables(); });
}

std::vector<std::string> WizardDatabase::tableFields(const std::string &table)
{
    return withDatabase([&](OpenDatabase &db) { return db.fields(table); });
}

std::vector<std::string> WizardDatabase::queryColumns(const std::string &sql)
{
    return withDatabase([&](OpenDatabase &db) { return db.queryColumns(sql); });
}

std::unique_ptr<QueryRows> WizardDatabase::openQuery(const std::string &sql, const QueryValues &values)
{
    // The preview's rows keep their database open as long as they live.
    connect();
    return m_open->openQuery(sql, values);
}

std::vector<std::string> selectSkeleton()
{
    return {"SELECT * FROM tablelist"};
}

std::vector<std::string> insertSkeleton()
{
    return {"INSERT INTO table", "  (columnlist)", "VALUES", "  (valuelist)"};
}

std::vector<std::string> updateSkeleton()
{
    return {"UPDATE table", "  SET column = value", "  WHERE condition"};
}

std::string fieldPopupQuery(const std::string &sql)
{
    std::string text = sql;
    if (const std::size_t where = findNoCase(text, "WHERE"); where != std::string::npos)
        text.erase(where);
    const std::size_t select = findNoCase(text, "SELECT");
    if (select == std::string::npos)
        return {};
    // The select list and the blank before it go; " * " stands after the
    // blank that remains before FROM. Without FROM after the select list
    // nothing is removed.
    const std::size_t from = findNoCase(text, "FROM");
    if (from != std::string::npos && from > select + 7)
        text.erase(select + 6, from - select - 7);
    text.insert(std::min(select + 7, text.size()), " * ");
    return text;
}

} // namespace quillon::wizard
