#pragma once

/*
** The wizard's database help, with no window: its connection "DBTest" to
** the alias chosen on the database page, with the parameter lines of the
** login, and what the pages ask of it (aliases, tables, fields of a table,
** columns of an SQL text, an open query for the preview).
**
** The engine itself sits behind DatabaseEngine, so the page logic runs
** against a test double as well as against the real engine library, which
** is loaded on first use: a wizard whose engine library is missing opens
** and works, and the first database command reports the failure.
**
** Every failure is an exception whose what() is the message to show.
*/

#include "wizard/queryrows.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quillon::wizard {

// Values of a query's ":Name" parameters: each name (without ":") and its value.
using QueryValues = std::vector<std::pair<std::string, std::string>>;

// An open database of an alias.
class OpenDatabase
{
public:
    virtual ~OpenDatabase() = default;
    virtual std::vector<std::string> tables() = 0;
    virtual std::vector<std::string> fields(const std::string &table) = 0;
    // Runs the SQL text and returns its result's column names.
    virtual std::vector<std::string> queryColumns(const std::string &sql) = 0;
    // Runs the SQL text with values bound to its parameters, as text.
    virtual std::unique_ptr<QueryRows> openQuery(const std::string &sql, const QueryValues &values) = 0;
};

class DatabaseEngine
{
public:
    virtual ~DatabaseEngine() = default;
    virtual std::vector<std::string> aliases() = 0;
    // Opens the alias with parameter lines ("USER NAME=...", "PASSWORD=...").
    virtual std::unique_ptr<OpenDatabase> open(const std::string &alias, const std::vector<std::string> &params) = 0;
};

// The real engine library, bound and opened on first use.
std::unique_ptr<DatabaseEngine> createEngineLibrary();

// The wizard's connection "DBTest". It opens when a command needs it and
// stays open only after connect() (the login test); disconnect() closes it.
class WizardDatabase
{
public:
    static constexpr const char *kConnectionName = "DBTest";

    explicit WizardDatabase(std::unique_ptr<DatabaseEngine> engine);
    ~WizardDatabase();

    // The engine's aliases and this wizard's own connection name, sorted
    // as the engine compares names, without duplicates.
    std::vector<std::string> databaseNames();

    const std::string &alias() const { return m_alias; }
    void setAlias(const std::string &alias) { m_alias = alias; }
    const std::vector<std::string> &params() const { return m_params; }
    void clearParams() { m_params.clear(); }
    void addParam(const std::string &line) { m_params.push_back(line); }
    // The login lines: "USER NAME=" user, then "PASSWORD=" password.
    void setLogin(const std::string &user, const std::string &password);

    void connect();
    void disconnect();
    bool connected() const { return m_open != nullptr; }

    std::vector<std::string> tables();
    std::vector<std::string> tableFields(const std::string &table);
    std::vector<std::string> queryColumns(const std::string &sql);
    std::unique_ptr<QueryRows> openQuery(const std::string &sql, const QueryValues &values = {});

private:
    template <typename Fn>
    auto withDatabase(Fn fn);

    std::unique_ptr<DatabaseEngine> m_engine;
    std::unique_ptr<OpenDatabase> m_open; // set while connected
    std::string m_alias;
    std::vector<std::string> m_params;
};

// The SQL skeletons and the rewriting of the field pop-up.
std::vector<std::string> selectSkeleton();
std::vector<std::string> insertSkeleton();
std::vector<std::string> updateSkeleton();

// The text whose result columns the field pop-up offers: everything from
// "WHERE" on removed, the select list replaced by " * ". Searches ignore
// the case of a-z. Empty when the text holds no "SELECT".
std::string fieldPopupQuery(const std::string &sql);

} // namespace quillon::wizard
