#include "enginelib/csvvirtualtable.h"

#include "enginelib/csvcolumnindex.h"
#include "enginelib/csvprefetcher.h"
#include "enginelib/csvtable.h"
#include "enginelib/csvtablereader.h"
#include "enginelib/numbertext.h"
#include "enginelib/sqlidentifier.h"
#include "enginelib/sqliteconnection.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <thread>
#include <sys/stat.h>
#include <memory>
#include <new>
#include <vector>

namespace quillon::enginelib {

namespace {

// Rows read to guess a table's column types when they are not known yet.
constexpr size_t kGuessRows = 1000;

struct CsvVtab;

} // namespace

struct CsvModule
{
    SqliteConnection *connection;
    CsvTableResolver resolver;
    std::vector<CsvVtab *> guessed; // tables whose declared types are still a guess
};

namespace {

using ModuleContext = CsvModule;

struct CsvVtab
{
    sqlite3_vtab base{};
    ModuleContext *context = nullptr;
    std::string name; // as the statement that connected it named it
    std::string path;
    std::vector<std::string> header;
    std::vector<bool> declaredNumeric; // the columns declared NUMERIC when the table was connected
    bool guessed = false;              // declaredNumeric is a guess from the first rows
    std::map<int, std::shared_ptr<CsvColumnIndex>> indexes; // by column, made on demand
};

// The guess of vtab is now known to be right: it stops being one.
void confirmGuess(CsvVtab *vtab)
{
    vtab->guessed = false;
    std::erase(vtab->context->guessed, vtab);
}

struct CsvVtabCursor
{
    sqlite3_vtab_cursor base{};
    std::unique_ptr<CsvTableReader> reader;
    std::unique_ptr<CsvPrefetcher> prefetcher; // a full scan of a large file: the reader, on its own thread
    std::vector<bool> numeric;
    // While the table's types are a guess, a scan from the top learns them
    // from the rows it reads (and as of which state of the file).
    std::optional<CsvColumnKinds> learning;
    struct stat learningFrom{};
    std::vector<std::string> row;
    sqlite3_int64 rowid = 0;
    bool eof = true;
    // A lookup through an index: the rows to visit, in file order.
    std::shared_ptr<CsvColumnIndex> index;
    const std::vector<CsvColumnIndex::Position> *matches = nullptr;
    size_t nextMatch = 0;
};

// Files from this size on are scanned with the reader on a thread of its own.
constexpr off_t kPrefetchAt = 1 << 20;

bool worthPrefetching(const std::string &path)
{
    static const bool twoCores = std::thread::hardware_concurrency() > 1;
    struct stat st{};
    return twoCores && ::stat(path.c_str(), &st) == 0 && st.st_size >= kPrefetchAt;
}

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
        vtab->name = argv[2];
        vtab->path = context->resolver(argv[2]);
        // The header and the types come from one read, so they agree even
        // while the file is being rewritten.
        CsvTable::Shape shape = CsvTable(vtab->path).shape(kGuessRows);
        vtab->header = std::move(shape.header);
        if (vtab->header.empty())
            throw EngineError(QDBIERR_MALFORMEDCSV, vtab->path + ": the table has no fields");
        // Numeric columns have numeric affinity, so that a comparison with a
        // text literal ("CUSTNO = '1001'") converts the literal, as it does
        // against a typed column of a SQLite file.  Types not known yet are
        // guessed from the first rows, so that the statement's own scan can
        // learn them; the statement is checked against the truth before it
        // hands out a row (settleCsvTypes).
        vtab->declaredNumeric = std::move(shape.numeric);
        vtab->guessed = shape.guessed;
        std::string declaration = "CREATE TABLE x(";
        for (size_t i = 0; i < vtab->header.size(); ++i)
            declaration += (i ? ", " : "") + quoteIdentifier(vtab->header[i]) +
                           (vtab->declaredNumeric[i] ? " NUMERIC" : "");
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
    if (vtab->guessed)
        context->guessed.push_back(vtab.get());
    *out = &vtab.release()->base;
    return SQLITE_OK;
}

int xDisconnect(sqlite3_vtab *base)
{
    auto *vtab = reinterpret_cast<CsvVtab *>(base);
    std::erase(vtab->context->guessed, vtab);
    delete vtab;
    return SQLITE_OK;
}

// A plan is a full scan (idxNum 0), or, for an equality on a column with
// plain binary comparison, a lookup through that column's index (idxNum =
// column + 1, the value as argument 1).  SQLite still checks the condition
// on every row returned, so the lookup may be generous.
int xBestIndex(sqlite3_vtab *, sqlite3_index_info *info)
{
    info->idxNum = 0;
    info->estimatedCost = 1e6;
    info->estimatedRows = 1000000;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto &c = info->aConstraint[i];
        if (!c.usable || c.op != SQLITE_INDEX_CONSTRAINT_EQ || c.iColumn < 0)
            continue;
        const char *collation = sqlite3_vtab_collation(info, i);
        if (collation && sqlite3_stricmp(collation, "BINARY") != 0)
            continue;
        info->aConstraintUsage[i].argvIndex = 1;
        info->aConstraintUsage[i].omit = 0;
        info->idxNum = c.iColumn + 1;
        info->estimatedCost = 10;
        info->estimatedRows = 10;
        break;
    }
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

// A scan over a table whose types are a guess learns them.  A column
// guessed numeric that meets text proves the guess wrong: the scan stops
// and the statement is prepared again (settleCsvTypes).  At the end of the
// file the types are known; when they are the guess, the guess is right.
void learn(CsvVtab *vtab, CsvVtabCursor *cursor)
{
    if (cursor->eof) {
        const std::vector<bool> numeric = cursor->learning->numeric();
        CsvTable(vtab->path).rememberNumericColumns(cursor->learningFrom, numeric);
        cursor->learning.reset();
        if (numeric == vtab->declaredNumeric)
            confirmGuess(vtab);
        return;
    }
    if (!cursor->learning->take(cursor->row))
        return;
    for (size_t i = 0; i < vtab->declaredNumeric.size(); ++i)
        if (vtab->declaredNumeric[i] && !cursor->learning->mayBeNumeric(i))
            throw EngineError(QDBIERR_MALFORMEDCSV, vtab->path + ": field \"" + vtab->header[i] +
                                                        "\" holds text after numbers; the query starts again");
}

// The next row; its rowid is its line in the file, the same whichever way
// it was reached, as SQLite expects when it merges several lookups.
void advance(CsvVtab *vtab, CsvVtabCursor *cursor)
{
    if (cursor->prefetcher) {
        uint64_t line = 0;
        cursor->eof = !cursor->prefetcher->next(cursor->row, line);
        if (cursor->learning && vtab->guessed)
            learn(vtab, cursor);
        cursor->rowid = sqlite3_int64(line);
        return;
    }
    if (!cursor->matches) {
        cursor->eof = !cursor->reader->next(cursor->row);
        if (cursor->learning && vtab->guessed)
            learn(vtab, cursor);
    } else {
        cursor->eof = true;
        if (cursor->nextMatch < cursor->matches->size()) {
            const CsvColumnIndex::Position &at = (*cursor->matches)[cursor->nextMatch++];
            cursor->reader->seek(at.offset, at.line);
            cursor->eof = !cursor->reader->next(cursor->row);
        }
    }
    if (!cursor->eof)
        cursor->rowid = sqlite3_int64(cursor->reader->recordLine());
}

// The index key of a value a statement compares column with; nothing when
// the index cannot answer (then the cursor scans the whole file).
std::optional<std::string> lookupKey(sqlite3_value *value, bool numeric)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        return std::string(); // equal to nothing
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        if (numeric)
            return CsvColumnIndex::numberKey(sqlite3_value_double(value));
        return std::nullopt;
    default:
        if (numeric)
            return std::nullopt;
        return CsvColumnIndex::textKey(std::string_view(reinterpret_cast<const char *>(sqlite3_value_text(value)),
                                                        size_t(sqlite3_value_bytes(value))));
    }
}

// Points the cursor at the rows whose column may equal value.
void useIndex(CsvVtab *vtab, CsvVtabCursor *cursor, int column, sqlite3_value *value)
{
    const std::optional<std::string> key = lookupKey(value, cursor->numeric[size_t(column)]);
    if (!key)
        return;
    static const std::vector<CsvColumnIndex::Position> none;
    cursor->matches = &none;
    if (key->empty())
        return;
    struct stat st{};
    if (::stat(vtab->path.c_str(), &st) != 0)
        throw EngineError(QDBIERR_IO, "Cannot read \"" + vtab->path + "\"");
    std::shared_ptr<CsvColumnIndex> &index = vtab->indexes[column];
    if (!index || !index->isCurrent(st))
        index = std::make_shared<CsvColumnIndex>(vtab->path, st, size_t(column), cursor->numeric[size_t(column)]);
    cursor->index = index;
    cursor->matches = &index->find(*key);
}

int xFilter(sqlite3_vtab_cursor *base, int idxNum, const char *, int argc, sqlite3_value **argv)
{
    auto *cursor = reinterpret_cast<CsvVtabCursor *>(base);
    auto *vtab = reinterpret_cast<CsvVtab *>(base->pVtab);
    return guarded(vtab, [&] {
        cursor->prefetcher.reset();
        cursor->reader.reset();
        cursor->eof = true;
        cursor->index.reset();
        cursor->matches = nullptr;
        cursor->nextMatch = 0;
        cursor->learning.reset();
        const CsvTable table(vtab->path);
        if (!vtab->guessed) {
            cursor->numeric = table.numericColumns();
        } else if (std::optional<std::vector<bool>> known = table.knownNumericColumns(); known || idxNum > 0) {
            // Known by now, or needed before the index can be used.
            cursor->numeric = known ? *known : table.numericColumns();
            if (cursor->numeric != vtab->declaredNumeric)
                throw EngineError(QDBIERR_MALFORMEDCSV, vtab->path + ": the column types differ from the guess; "
                                                                     "the query starts again");
            confirmGuess(vtab);
        } else {
            cursor->numeric = vtab->declaredNumeric;
            if (::stat(vtab->path.c_str(), &cursor->learningFrom) != 0)
                throw EngineError(QDBIERR_IO, "Cannot read \"" + vtab->path + "\"");
            cursor->learning.emplace(vtab->header.size());
        }
        cursor->reader = std::make_unique<CsvTableReader>(vtab->path);
        if (cursor->reader->header() != vtab->header)
            throw EngineError(QDBIERR_MALFORMEDCSV,
                              vtab->path + ": the field names changed while the database was open; reopen it");
        // The types were learned from another read than the rows': a file
        // rewritten in between may have another number of fields.
        if (cursor->numeric.size() != vtab->header.size())
            throw EngineError(QDBIERR_MALFORMEDCSV,
                              vtab->path + ": the file changed while it was being read; run the query again");
        if (idxNum > 0 && argc == 1 && size_t(idxNum) <= vtab->header.size())
            useIndex(vtab, cursor, idxNum - 1, argv[0]);
        else if (worthPrefetching(vtab->path))
            cursor->prefetcher = std::make_unique<CsvPrefetcher>(std::move(cursor->reader));
        advance(vtab, cursor);
    });
}

int xNext(sqlite3_vtab_cursor *base)
{
    auto *cursor = reinterpret_cast<CsvVtabCursor *>(base);
    auto *vtab = reinterpret_cast<CsvVtab *>(base->pVtab);
    return guarded(vtab, [&] { advance(vtab, cursor); });
}

int xEof(sqlite3_vtab_cursor *base)
{
    return reinterpret_cast<CsvVtabCursor *>(base)->eof;
}

int xColumn(sqlite3_vtab_cursor *base, sqlite3_context *ctx, int i)
{
    auto *cursor = reinterpret_cast<CsvVtabCursor *>(base);
    if (i < 0 || size_t(i) >= cursor->row.size() || size_t(i) >= cursor->numeric.size()) {
        sqlite3_result_null(ctx);
        return SQLITE_OK;
    }
    const std::string &value = cursor->row[size_t(i)];
    // A column declared NUMERIC that has since taken text (the table stays
    // connected while the file changes) answers as a NUMERIC column of
    // SQLite's own: numbers where the text is one, text elsewhere.
    const bool numeric = cursor->numeric[size_t(i)];
    const bool declared = reinterpret_cast<CsvVtab *>(base->pVtab)->declaredNumeric[size_t(i)];
    const NumberKind kind = numeric || declared ? classifyNumber(value) : NumberKind::NotNumber;
    if (kind == NumberKind::NotNumber && !numeric) {
        sqlite3_result_text(ctx, value.data(), int(value.size()), SQLITE_TRANSIENT);
        return SQLITE_OK;
    }
    switch (kind) {
    case NumberKind::Integer:
        sqlite3_result_int64(ctx, integerOfText(value));
        break;
    case NumberKind::Real:
        sqlite3_result_double(ctx, realOfText(value));
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

CsvModule *registerCsvModule(SqliteConnection &connection, CsvTableResolver resolver)
{
    auto *context = new ModuleContext{&connection, std::move(resolver), {}};
    if (sqlite3_create_module_v2(connection.handle(), "quillon_csv", &kModule, context, destroyContext) !=
        SQLITE_OK)
        connection.throwError();
    return context;
}

std::vector<std::string> settleCsvTypes(CsvModule &module)
{
    sqlite3_mutex *mutex = sqlite3_db_mutex(module.connection->handle());
    sqlite3_mutex_enter(mutex);
    std::vector<std::string> wrong;
    try {
        for (CsvVtab *vtab : std::vector<CsvVtab *>(module.guessed)) {
            if (CsvTable(vtab->path).numericColumns() == vtab->declaredNumeric)
                confirmGuess(vtab);
            else
                wrong.push_back(vtab->name);
        }
    } catch (...) {
        sqlite3_mutex_leave(mutex);
        throw;
    }
    sqlite3_mutex_leave(mutex);
    return wrong;
}

} // namespace quillon::enginelib
