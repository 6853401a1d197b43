#pragma once

// Readable names for the engine library's ordinal entries, and helpers
// that turn their lists and cursors into C++ values for assertions.

#include "enginelib/quillondbi.h"

#include <string>
#include <vector>

#define DbiAddAlias QDBI_ORDINAL_SYMBOL(1207)
#define DbiDeleteAlias QDBI_ORDINAL_SYMBOL(1211)
#define DbiListAliases QDBI_ORDINAL_SYMBOL(1100)
#define DbiListCount QDBI_ORDINAL_SYMBOL(1101)
#define DbiListItem QDBI_ORDINAL_SYMBOL(1102)
#define DbiListFree QDBI_ORDINAL_SYMBOL(1103)
#define DbiOpenDatabase QDBI_ORDINAL_SYMBOL(1104)
#define DbiCloseDatabase QDBI_ORDINAL_SYMBOL(1105)
#define DbiListTables QDBI_ORDINAL_SYMBOL(1106)
#define DbiListFields QDBI_ORDINAL_SYMBOL(1107)
#define DbiOpenTable QDBI_ORDINAL_SYMBOL(1108)
#define DbiOpenQuery QDBI_ORDINAL_SYMBOL(1109)
#define DbiCloseCursor QDBI_ORDINAL_SYMBOL(1110)
#define DbiGetColumnCount QDBI_ORDINAL_SYMBOL(1111)
#define DbiGetColumnName QDBI_ORDINAL_SYMBOL(1112)
#define DbiMoveFirst QDBI_ORDINAL_SYMBOL(1113)
#define DbiMoveNext QDBI_ORDINAL_SYMBOL(1114)
#define DbiMovePrior QDBI_ORDINAL_SYMBOL(1115)
#define DbiMoveLast QDBI_ORDINAL_SYMBOL(1116)
#define DbiGetCursorState QDBI_ORDINAL_SYMBOL(1117)
#define DbiGetFieldText QDBI_ORDINAL_SYMBOL(1118)
#define DbiInsertRow QDBI_ORDINAL_SYMBOL(1119)
#define DbiGetLastError QDBI_ORDINAL_SYMBOL(1120)
#define DbiGetRecord QDBI_ORDINAL_SYMBOL(1121)
#define DbiOpenQueryParams QDBI_ORDINAL_SYMBOL(1122)

namespace enginetest {

inline std::string lastError()
{
    char buffer[1024];
    DbiGetLastError(nullptr, buffer, sizeof buffer);
    return buffer;
}

// The names of a list, which is freed. An invalid list gives {"<status>"}.
inline std::vector<std::string> takeNames(hDBIList list)
{
    uint32_t count = 0;
    if (DBIResult rc = DbiListCount(list, &count))
        return {"<" + std::to_string(rc) + ">"};
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count; ++i) {
        const char *name = nullptr;
        DbiListItem(list, i, &name);
        names.emplace_back(name ? name : "<null>");
    }
    DbiListFree(list);
    return names;
}

// The current row, read field by field; every test that reads rows also
// holds the one-call record read to the same texts and NULL flags.
inline std::vector<std::string> currentRow(hDBICur cursor)
{
    uint32_t columns = 0;
    DbiGetColumnCount(cursor, &columns);
    std::vector<std::string> row;
    for (uint32_t i = 0; i < columns; ++i) {
        const char *text = nullptr;
        DBIBool isNull = 0;
        if (DbiGetFieldText(cursor, i, &text, &isNull) != 0)
            return {"<" + lastError() + ">"};
        row.emplace_back(isNull ? "NULL" : text);
    }
    std::vector<const char *> texts(columns);
    std::vector<DBIBool> nulls(columns, 7);
    if (DbiGetRecord(cursor, columns, texts.data(), nulls.data()) != 0)
        return {"<record: " + lastError() + ">"};
    for (uint32_t i = 0; i < columns; ++i)
        if (row[i] != (nulls[i] ? "NULL" : texts[i]) || nulls[i] > 1)
            return {"<record read differs at field " + std::to_string(i) + ">"};
    return row;
}

// Every row from the cursor's position on, read forwards; the cursor is closed.
inline std::vector<std::vector<std::string>> takeRows(hDBICur cursor)
{
    std::vector<std::vector<std::string>> rows;
    DBIBool eof = 0;
    DbiGetCursorState(cursor, nullptr, &eof);
    while (!eof) {
        rows.push_back(currentRow(cursor));
        if (DbiMoveNext(cursor) != 0) {
            rows.push_back({"<" + lastError() + ">"});
            break;
        }
        DbiGetCursorState(cursor, nullptr, &eof);
    }
    DbiCloseCursor(cursor);
    return rows;
}

} // namespace enginetest
