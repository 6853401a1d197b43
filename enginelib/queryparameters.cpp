#include "enginelib/queryparameters.h"

#include "enginelib/engineerror.h"
#include "platform/asciicase.h"
#include "platform/sqlmarks.h"

#include <unordered_map>

namespace quillon::enginelib {

namespace {

// The given values by name, letter case aside, and which of them a
// statement has used so far.
class ValueIndex
{
public:
    explicit ValueIndex(const QueryParameters &parameters) : m_used(parameters.size())
    {
        for (size_t i = 0; i < parameters.size(); ++i)
            m_byName.try_emplace(platform::foldAsciiCase(parameters[i].first), i);
    }
    // The index of name's value, or -1; marks it used.
    long find(std::string_view name)
    {
        const auto it = m_byName.find(platform::foldAsciiCase(name));
        if (it == m_byName.end())
            return -1;
        m_used[it->second] = true;
        return long(it->second);
    }
    const std::vector<bool> &used() const { return m_used; }

private:
    std::unordered_map<std::string, size_t> m_byName;
    std::vector<bool> m_used;
};

[[noreturn]] void throwNoValue(std::string_view name)
{
    throw EngineError(QDBIERR_INVALIDPARAM, "No value was given for the parameter :" + std::string(name));
}

void checkAllUsed(const QueryParameters &parameters, const std::vector<bool> &used)
{
    for (size_t i = 0; i < parameters.size(); ++i)
        if (!used[i])
            throw EngineError(QDBIERR_INVALIDPARAM,
                              "The statement has no parameter :" + parameters[i].first + " to take a value");
}

void bindAll(sqlite3_stmt *statement, const QueryParameters &parameters)
{
    ValueIndex index(parameters);
    const int count = sqlite3_bind_parameter_count(statement);
    for (int i = 1; i <= count; ++i) {
        const char *name = sqlite3_bind_parameter_name(statement, i);
        if (!name || name[0] != ':')
            throw EngineError(QDBIERR_INVALIDPARAM, "The statement's parameter " +
                                                        (name ? std::string(name) : "?" + std::to_string(i)) +
                                                        " has no name to take a value by; write it as :Name");
        const long at = index.find(name + 1);
        if (at < 0)
            throwNoValue(name + 1);
        const std::string &value = parameters[size_t(at)].second;
        if (sqlite3_bind_text(statement, i, value.data(), int(value.size()), SQLITE_TRANSIENT) != SQLITE_OK)
            throw EngineError(QDBIERR_SQL, "Cannot bind the parameter " + std::string(name) + ": " +
                                               sqlite3_errmsg(sqlite3_db_handle(statement)));
    }
    checkAllUsed(parameters, index.used());
}

} // namespace

void bindSqliteParameters(sqlite3_stmt *statement, const QueryParameters &parameters)
{
    try {
        bindAll(statement, parameters);
    } catch (...) {
        sqlite3_finalize(statement);
        throw;
    }
}

NumberedQuery numberParameters(const std::string &sql, const QueryParameters &parameters)
{
    ValueIndex index(parameters);
    std::vector<long> numberOf(parameters.size(), 0); // by parameter index; 0 = not numbered yet
    NumberedQuery numbered;
    size_t copied = 0;
    for (const platform::SqlMark &mark : platform::sqlParameterMarks(sql)) {
        const long at = index.find(mark.name);
        if (at < 0)
            throwNoValue(mark.name);
        long &number = numberOf[size_t(at)];
        if (number == 0) {
            numbered.values.push_back(parameters[size_t(at)].second);
            number = long(numbered.values.size());
        }
        numbered.sql.append(sql, copied, mark.offset - copied);
        numbered.sql += "$" + std::to_string(number);
        copied = mark.offset + mark.length;
    }
    numbered.sql.append(sql, copied);
    checkAllUsed(parameters, index.used());
    return numbered;
}

} // namespace quillon::enginelib
