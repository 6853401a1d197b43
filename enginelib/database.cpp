#include "enginelib/database.h"

#include "enginelib/engineerror.h"
#include "enginelib/sqlidentifier.h"

#include <cctype>
#include <strings.h>

namespace quillon::enginelib {

void Database::checkTableName(const std::string &table)
{
    if (table.empty())
        throw EngineError(QDBIERR_INVALIDTABLENAME, "No table name given");
    if (table.find_first_of("/\\") != std::string::npos || table.find("..") != std::string::npos)
        throw EngineError(QDBIERR_INVALIDTABLENAME,
                          "Invalid table name \"" + table + "\": it must not contain \"/\", \"\\\" or \"..\"");
}

static bool globMatch(const char *name, const char *pattern)
{
    // Iterative matcher with one backtrack point: linear for patterns
    // with a single "*", never exponential.
    const char *starPattern = nullptr;
    const char *starName = nullptr;
    while (*name) {
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern == '?' ||
                   std::toupper(static_cast<unsigned char>(*pattern)) == std::toupper(static_cast<unsigned char>(*name))) {
            ++pattern;
            ++name;
        } else if (starPattern) {
            pattern = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

bool Database::matchesPattern(const std::string &name, const std::string &pattern)
{
    if (pattern.empty() || pattern == "*" || pattern == "*.*")
        return true;
    return globMatch(name.c_str(), pattern.c_str());
}

std::vector<size_t> Database::fieldPositions(const std::vector<std::string> &fields, const FieldValues &values,
                                             const std::string &table)
{
    std::vector<size_t> positions;
    for (const auto &[name, value] : values) {
        size_t found = fields.size();
        for (size_t i = 0; i < fields.size(); ++i)
            if (strcasecmp(fields[i].c_str(), name.c_str()) == 0)
                found = i;
        if (found == fields.size())
            throw EngineError(QDBIERR_NOSUCHFIELD, "Table \"" + table + "\" has no field \"" + name + "\"");
        for (size_t p : positions)
            if (p == found)
                throw EngineError(QDBIERR_INVALIDPARAM, "Field \"" + name + "\" is given twice");
        positions.push_back(found);
    }
    return positions;
}

InsertStatement Database::insertStatement(const std::string &sqlTable, const std::vector<std::string> &fields,
                                          const FieldValues &values, const std::string &table, const char *markPrefix)
{
    const std::vector<size_t> positions = fieldPositions(fields, values, table);
    InsertStatement insert{"INSERT INTO " + sqlTable, {}};
    if (positions.empty()) {
        insert.sql += " DEFAULT VALUES";
        return insert;
    }
    std::string columns, marks;
    for (size_t i = 0; i < positions.size(); ++i) {
        columns += (i ? ", " : "") + quoteIdentifier(fields[positions[i]]);
        marks += (i ? ", " : "") + std::string(markPrefix) + std::to_string(i + 1);
        insert.parameters.push_back(values[i].second);
    }
    insert.sql += " (" + columns + ") VALUES (" + marks + ")";
    return insert;
}

} // namespace quillon::enginelib
