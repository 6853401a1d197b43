#pragma once

// Query parameters as every driver must bind them: one table, the same
// rows for the CSV folder, the SQLite file and the PostgreSQL server.

#include "entryapi.h"

#include <string>
#include <utility>
#include <vector>

namespace enginetest {

// The table "city" every driver's test makes.
inline const char *const kCityCsv = "ID,NAME,CITY\n1,Ann,Lyon\n2,Bob,Paris\n3,Cy,Lyon\n4,O'Neil,Nice\n";
inline const char *const kCitySql = "CREATE TABLE city(ID INTEGER, NAME TEXT, CITY TEXT);"
                                    "INSERT INTO city VALUES (1, 'Ann', 'Lyon'), (2, 'Bob', 'Paris'),"
                                    " (3, 'Cy', 'Lyon'), (4, 'O''Neil', 'Nice')";

struct ParameterRow
{
    const char *name;
    const char *sql;
    std::vector<std::pair<std::string, std::string>> parameters;
    // The NAME column of the rows, or "<" and a part of the error message.
    std::vector<std::string> expected;
};

inline void PrintTo(const ParameterRow &row, std::ostream *os)
{
    *os << row.name;
}

inline const std::vector<ParameterRow> &parameterRows()
{
    static const std::vector<ParameterRow> rows = {
        {"ByName", "SELECT NAME FROM city WHERE CITY = :City ORDER BY ID", {{"City", "Lyon"}}, {"Ann", "Cy"}},
        {"InjectionIsAValue",
         "SELECT NAME FROM city WHERE CITY = :City ORDER BY ID",
         {{"City", "Lyon' OR '1'='1"}},
         {}},
        {"QuoteInValue", "SELECT NAME FROM city WHERE NAME = :Name", {{"Name", "O'Neil"}}, {"O'Neil"}},
        {"NameWithColonAndOtherCase",
         "SELECT NAME FROM city WHERE CITY = :city OR NAME = :CITY ORDER BY ID",
         {{":City", "Paris"}},
         {"Bob"}},
        {"MarkInLiteralIsText",
         "SELECT NAME FROM city WHERE NAME <> ':Name' AND CITY = :City ORDER BY ID",
         {{"City", "Nice"}},
         {"O'Neil"}},
        {"NumberComparedAsNumber",
         "SELECT NAME FROM city WHERE ID > :MinId ORDER BY ID",
         {{"MinId", "2"}},
         {"Cy", "O'Neil"}},
        {"TwoParameters",
         "SELECT NAME FROM city WHERE CITY = :City AND ID < :Below ORDER BY ID",
         {{"City", "Lyon"}, {"Below", "3"}},
         {"Ann"}},
        {"MissingValueNamed", "SELECT NAME FROM city WHERE CITY = :City", {}, {"<parameter :City"}},
        {"UnusedValueNamed", "SELECT NAME FROM city", {{"City", "Lyon"}}, {"<no parameter :City"}},
        {"GivenTwice",
         "SELECT NAME FROM city WHERE CITY = :City",
         {{"City", "a"}, {"CITY", "b"}},
         {"<:CITY is given twice"}},
    };
    return rows;
}

// Runs row on db through the parameter entry: the NAME column, or "<" and the error.
inline std::vector<std::string> runParameterRow(hDBIDb db, const ParameterRow &row)
{
    std::vector<const char *> names, values;
    for (const auto &[name, value] : row.parameters) {
        names.push_back(name.c_str());
        values.push_back(value.c_str());
    }
    hDBICur cursor = nullptr;
    if (DbiOpenQueryParams(db, row.sql, uint32_t(names.size()), names.data(), values.data(), &cursor) != 0)
        return {"<" + lastError()};
    std::vector<std::string> found;
    for (const auto &r : takeRows(cursor))
        found.push_back(r.empty() ? "" : r.front());
    return found;
}

// Whether found is what row expects (an error: its text holds the expected part).
inline bool parameterRowMatches(const ParameterRow &row, const std::vector<std::string> &found)
{
    if (!row.expected.empty() && row.expected.front().starts_with("<"))
        return found.size() == 1 && found.front().starts_with("<") &&
               found.front().find(row.expected.front().substr(1)) != std::string::npos;
    return found == row.expected;
}

} // namespace enginetest
