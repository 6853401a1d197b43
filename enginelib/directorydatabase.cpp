#include "enginelib/directorydatabase.h"

#include "enginelib/csvrowsource.h"
#include "enginelib/csvtable.h"
#include "enginelib/csvtablenames.h"
#include "enginelib/csvtablereader.h"
#include "enginelib/csvvirtualtable.h"
#include "enginelib/engineerror.h"
#include "enginelib/queryparameters.h"
#include "enginelib/sqlidentifier.h"
#include "enginelib/sqliteconnection.h"
#include "enginelib/sqlrowsource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <optional>
#include <strings.h>
#include <sys/stat.h>

namespace quillon::enginelib {

namespace {

bool hasCsvExtension(const std::string &name)
{
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".csv") == 0;
}

bool isRegularFile(const std::string &path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

DirectoryDatabase::DirectoryDatabase(std::string directory, const std::string &alias)
    : m_directory(std::move(directory))
{
    struct stat st{};
    if (m_directory.empty() || ::stat(m_directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw EngineError(QDBIERR_DIRNOTFOUND,
                          "The directory \"" + m_directory + "\" of alias \"" + alias + "\" does not exist");
    if (m_directory.back() != '/')
        m_directory += '/';
}

std::vector<std::string> DirectoryDatabase::csvFiles() const
{
    DIR *dir = ::opendir(m_directory.c_str());
    if (!dir)
        throw EngineError(QDBIERR_IO, "Cannot list the directory \"" + m_directory + "\": " + std::strerror(errno));
    std::vector<std::string> names;
    while (const dirent *entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (hasCsvExtension(name) && isRegularFile(m_directory + name))
            names.push_back(std::move(name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string DirectoryDatabase::resolve(const std::string &table) const
{
    checkTableName(table);
    const std::string file = hasCsvExtension(table) ? table : table + ".csv";
    if (isRegularFile(m_directory + file))
        return m_directory + file;
    for (const std::string &name : csvFiles())
        if (strcasecmp(name.c_str(), file.c_str()) == 0)
            return m_directory + name;
    throw EngineError(QDBIERR_NOSUCHTABLE, "Table \"" + table + "\" not found: there is no file \"" + file +
                                               "\" in \"" + m_directory + "\"");
}

std::vector<std::string> DirectoryDatabase::listTables(const std::string &pattern, bool withExtensions, bool)
{
    std::vector<std::string> tables;
    for (std::string name : csvFiles()) {
        if (!withExtensions)
            name.resize(name.size() - 4);
        if (matchesPattern(name, pattern))
            tables.push_back(std::move(name));
    }
    return tables;
}

std::vector<std::string> DirectoryDatabase::listFields(const std::string &table)
{
    return CsvTableReader(resolve(table)).header();
}

std::unique_ptr<Cursor> DirectoryDatabase::openTable(const std::string &table)
{
    return std::make_unique<Cursor>(std::make_unique<CsvRowSource>(resolve(table)));
}

std::shared_ptr<SqliteConnection> DirectoryDatabase::connection()
{
    if (!m_connection) {
        auto connection = std::make_shared<SqliteConnection>(
            ":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX);
        m_csv = registerCsvModule(*connection, [this](const std::string &table) { return resolve(table); });
        m_connection = connection;
    }
    return m_connection;
}

std::unique_ptr<Cursor> DirectoryDatabase::openQuery(const std::string &sql, const QueryParameters *parameters)
{
    auto conn = connection();
    conn->pendingError.reset();
    auto attach = [conn](const std::string &table) {
        const std::string create = "CREATE VIRTUAL TABLE " + quoteIdentifier(table) + " USING quillon_csv";
        if (sqlite3_exec(conn->handle(), create.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK)
            return true;
        // Not a table of ours (or a bad name): report the statement's own error,
        // unless the file itself was at fault.
        if (conn->pendingError && conn->pendingError->status() == QDBIERR_NOSUCHTABLE)
            conn->pendingError.reset();
        if (conn->pendingError && conn->pendingError->status() == QDBIERR_INVALIDTABLENAME)
            conn->pendingError.reset();
        return false;
    };
    // customer.csv, unquoted as the tables are listed, names the file too.
    const std::string text = quoteCsvTableNames(sql, [this](const std::string &table) {
        try {
            resolve(table);
            return true;
        } catch (const EngineError &) {
            return false;
        }
    });
    std::optional<QueryParameters> values;
    if (parameters)
        values = *parameters;
    const auto prepare = [this, conn, text, attach, values] {
        sqlite3_stmt *statement = nullptr;
        try {
            statement = SqlRowSource::prepare(*conn, text, attach);
        } catch (const EngineError &e) {
            if (std::strstr(e.what(), "may not be modified"))
                throw EngineError(QDBIERR_READONLY, std::string("CSV tables cannot be changed by SQL (") +
                                                        e.what() + "); add rows through the insert entry");
            throw;
        }
        if (!sqlite3_stmt_readonly(statement)) {
            sqlite3_finalize(statement);
            throw EngineError(QDBIERR_READONLY, "Only statements that read data can run on the CSV tables of \"" +
                                                    m_directory + "\"");
        }
        if (values)
            bindSqliteParameters(statement, *values);
        return statement;
    };
    // Tables connected on a guess of their column types are made certain
    // after the first step; those guessed wrong are connected again.
    auto stale = std::make_shared<std::vector<std::string>>();
    SqlRowSource::FirstStepCheck check{
        [module = m_csv, stale] {
            *stale = settleCsvTypes(*module);
            return !stale->empty();
        },
        [conn, stale, prepare] {
            for (const std::string &table : *stale) {
                const std::string drop = "DROP TABLE " + quoteIdentifier(table);
                // Refused only while another statement prepared on this
                // database still uses the table.
                if (sqlite3_exec(conn->handle(), drop.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
                    throw EngineError(QDBIERR_SQL, "Table \"" + table +
                                                       "\" has other column types than its first rows suggested, "
                                                       "and another query on this database still uses it (" +
                                                       sqlite3_errmsg(conn->handle()) + "); run the query again");
            }
            return prepare();
        },
        [this, stale] {
            std::string files;
            for (const std::string &table : *stale) {
                std::string file;
                try {
                    file = resolve(table);
                } catch (const EngineError &) {
                    file = table;
                }
                files += (files.empty() ? "\"" : ", \"") + file + "\"";
            }
            return files;
        }};
    return std::make_unique<Cursor>(std::make_unique<SqlRowSource>(conn, prepare(), std::move(check)));
}

void DirectoryDatabase::insertRow(const std::string &table, const FieldValues &values)
{
    const std::string path = resolve(table);
    const std::vector<std::string> fields = CsvTableReader(path).header();
    if (fields.empty())
        throw EngineError(QDBIERR_MALFORMEDCSV, "Table \"" + table + "\" has no fields to insert into");
    const std::vector<size_t> positions = fieldPositions(fields, values, table);
    std::vector<std::string> row(fields.size());
    for (size_t i = 0; i < positions.size(); ++i)
        row[positions[i]] = values[i].second;
    CsvTable(path).append(row);
}

} // namespace quillon::enginelib
