#include "enginelib/csvvirtualtable.h"

#include "enginelib/csvtable.h"
#include "enginelib/csvtablereader.h"
#include "enginelib/numbertext.h"
#include "enginelib/sqlidentifier.h"
#include "enginelib/sqliteconnection.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace quillon::enginelib {

namespace {

struct ModuleContext
{
    SqliteConnection *connection;
    CsvTableResolver resolver;
};

struct CsvVtab
{
    sqlite3_vtab base{};
    ModuleContext *context = nullptr;
    std::string path;
    std::vector<std::string> header;
};

struct CsvVtabCursor
{
    sqlite3_vtab_cursor base{};
    std::unique_ptr<CsvTableReader> reader;
    std::vector<bool> numeric;
    std::vector<std::string> row;
    sqlite3_int64 rowid = 0;
    bool eof = true;
};

// Runs body; an error becomes the vtab's message and the pending error.
template <class Body>
int guarded(CsvVtab *vtab, Body &&body)
{
    try {
        body();
        return SQLITE_OK;
    } catch (const EngineError &e) {
        sqlite3_free(vtab->base.zErrMsg);
        vtab->base.zErrMsg = sqlite3_mprintf("%s", e.what());
        vtab->context->connection->pendingError = e;
    } catch (const std::bad_alloc &) {
        return SQLITE_NOMEM;
    } catch (const std::exception &e) {
        sqlite3_free(vtab->base.zErrMsg);
        vtab->base.zErrMsg = sqlite3_mprintf("%s", e.what());
    }
    return SQLITE_ERROR;
}

int xConnect(sqlite3 *db, void *aux, int argc, const char *const *argv, sqlite3_vtab **out, char **err)
{
    auto *context = static_cast<ModuleContext *>(aux);
    auto vtab = std::make_unique<CsvVtab>();
    vtab->context = context;
    try {
        if (argc < 3)
            throw EngineError(QDBIERR_INTERNAL, "quillon_csv needs a table name");
        vtab->path = context->resolver(argv[2]);
        CsvTableReader reader(vtab->path);
        vtab->header = reader.header();
        if (vtab->header.empty())
            throw EngineError(QDBIERR_MALFORMEDCSV, vtab->path + ": the table has no fields");
        std::string declaration = "CREATE TABLE x(";
        for (size_t i = 0; i < vtab->header.size(); ++i)
            declaration += (i ? ", " : "") + quoteIdentifier(vtab->header[i]);
        declaration += ")";
        if (sqlite3_declare_vtab(db, declaration.c_str()) != SQLITE_OK)
            throw EngineError(QDBIERR_MALFORMEDCSV, vtab->path + ": unusable field names: " + sqlite3_errmsg(db));
    } catch (const EngineError &e) {
        context->connection->pendingError = e;
        *err = sqlite3_mprintf("%s", e.what());
        return SQLITE_ERROR;
    } catch (const std::bad_alloc &) {
        return SQLITE_NOMEM;
    }
    *out = &vtab.release()->base;
    return SQLITE_OK;
}

int xDisconnect(sqlite3_vtab *base)
{
    delete reinterpret_cast<CsvVtab *>(base);
    return SQLITE_OK;
}

int xBestIndex(sqlite3_vtab *, sqlite3_index_info *info)
{
    // Every plan is a full scan; the cost only has to be the same for all.
    info->estimatedCost = 1e6;
    info->estimatedRows = 1000000;
    return SQLITE_OK;
}

int xOpen(sqlite3_vtab *, sqlite3_vtab_cursor **out)
{
    auto *cursor = new (std::nothrow) CsvVtabCursor;
    if (!cursor)
        return SQLITE_NOMEM;
    *out = &cursor->base;
    return SQLITE_OK;
}

int xClose(sqlite3_vtab_cursor *base)
{
    delete reinterpret_cast<CsvVtabCursor *>(base);
    return SQLITE_OK;
}

void advance(CsvVtabCursor *cursor)
{
    cursor->eof = !cursor->reader->next(cursor->row);
    ++cursor->rowid;
}

int xFilter(sqlite3_vtab_cursor *base, int, const char *, int, sqlite3_value **)
{
    auto *cursor = reinterpret_cast<CsvVtabCursor *>(base);
    auto *vtab = reinterpret_cast<CsvVtab *>(base->pVtab);
    return guarded(vtab, [&] {
        cursor->reader.reset();
        cursor->eof = true;
        cursor->numeric = CsvTable(vtab->path).numericColumns();
        cursor->reader = std::make_unique<CsvTableReader>(vtab->path);
        if (cursor->reader->header() != vtab->header)
            throw EngineError(QDBIERR_MALFORMEDCSV,
                              vtab->path + ": the field names changed while the database was open; reopen it");
        cursor->rowid = 0;
        advance(cursor);
    });
}

int xNext(sqlite3_vtab_cursor *base)
{
    auto *cursor = reinterpret_cast<CsvVtabCursor *>(base);
    return guarded(reinterpret_cast<CsvVtab *>(base->pVtab), [&] { advance(cursor); });
}

int xEof(sqlite3_vtab_cursor *base)
{
    return reinterpret_cast<CsvVtabCursor *>(base)->eof;
}

int xColumn(sqlite3_vtab_cursor *base, sqlite3_context *ctx, int i)
{
    auto *cursor = reinterpret_cast<CsvVtabCursor *>(base);
    if (i < 0 || size_t(i) >= cursor->row.size()) {
        sqlite3_result_null(ctx);
        return SQLITE_OK;
    }
    const std::string &value = cursor->row[size_t(i)];
    if (!cursor->numeric[size_t(i)]) {
        sqlite3_result_text(ctx, value.data(), int(value.size()), SQLITE_TRANSIENT);
        return SQLITE_OK;
    }
    switch (classifyNumber(value)) {
    case NumberKind::Integer:
        sqlite3_result_int64(ctx, std::strtoll(value.c_str(), nullptr, 10));
        break;
    case NumberKind::Real:
        sqlite3_result_double(ctx, std::strtod(value.c_str(), nullptr));
        break;
    case NumberKind::NotNumber: // only the empty value gets here
        sqlite3_result_null(ctx);
        break;
    }
    return SQLITE_OK;
}

int xRowid(sqlite3_vtab_cursor *base, sqlite3_int64 *rowid)
{
    *rowid = reinterpret_cast<CsvVtabCursor *>(base)->rowid;
    return SQLITE_OK;
}

const sqlite3_module kModule = {
    /* iVersion */ 0,
    /* xCreate */ xConnect,
    /* xConnect */ xConnect,
    /* xBestIndex */ xBestIndex,
    /* xDisconnect */ xDisconnect,
    /* xDestroy */ xDisconnect,
    /* xOpen */ xOpen,
    /* xClose */ xClose,
    /* xFilter */ xFilter,
    /* xNext */ xNext,
    /* xEof */ xEof,
    /* xColumn */ xColumn,
    /* xRowid */ xRowid,
    /* xUpdate */ nullptr,
    /* xBegin */ nullptr,
    /* xSync */ nullptr,
    /* xCommit */ nullptr,
    /* xRollback */ nullptr,
    /* xFindFunction */ nullptr,
    /* xRename */ nullptr,
    /* xSavepoint */ nullptr,
    /* xRelease */ nullptr,
    /* xRollbackTo */ nullptr,
    /* xShadowName */ nullptr,
};

void destroyContext(void *p)
{
    delete static_cast<ModuleContext *>(p);
}

} // namespace

void registerCsvModule(SqliteConnection &connection, CsvTableResolver resolver)
{
    auto *context = new ModuleContext{&connection, std::move(resolver)};
    if (sqlite3_create_module_v2(connection.handle(), "quillon_csv", &kModule, context, destroyContext) !=
        SQLITE_OK)
        connection.throwError();
}

} // namespace quillon::enginelib
