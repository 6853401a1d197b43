/*
** The C entries of the engine library.  Each one runs its body through
** run(), which turns an EngineError (or any other failure) into the status
** it returns and records status and message for the calling thread, so no
** exception ever crosses the C boundary.
*/

#include "enginelib/quillondbi.h"

#include "enginelib/engine.h"
#include "enginelib/engineerror.h"

#include <cstring>
#include <new>

using namespace quillon::enginelib;

namespace {

struct LastError
{
    DBIResult status = 0;
    std::string text;
};

/*
** The calling thread's last error. An entry may still be called after the
** thread's own objects are destroyed (DbiExit from an exit handler, after
** the main thread's thread_local destructors ran); the record then is gone
** and must not be touched. The flag is trivially destructible, so it can
** still be read at that point.
*/
thread_local bool t_lastErrorGone = false;

struct LastErrorSlot
{
    LastError value;
    ~LastErrorSlot() { t_lastErrorGone = true; }
};

thread_local LastErrorSlot t_lastError;

DBIResult record(DBIResult status, std::string text)
{
    if (!t_lastErrorGone)
        t_lastError.value = {status, std::move(text)};
    return status;
}

template <class Body>
DBIResult run(Body &&body)
{
    try {
        body();
        return record(QDBIERR_NONE, {});
    } catch (const EngineError &e) {
        return record(e.status(), e.what());
    } catch (const std::bad_alloc &) {
        return record(QDBIERR_OUTOFMEMORY, "Out of memory");
    } catch (const std::exception &e) {
        return record(QDBIERR_INTERNAL, std::string("Internal engine error: ") + e.what());
    } catch (...) {
        return record(QDBIERR_INTERNAL, "Internal engine error");
    }
}

// run() for entries that need the open engine.
template <class Body>
DBIResult runOpen(Body &&body)
{
    return run([&] {
        Engine::instance().requireOpen();
        body();
    });
}

void need(const void *pointer, const char *what)
{
    if (!pointer)
        throw EngineError(QDBIERR_INVALIDPARAM, std::string("No ") + what + " given (null pointer)");
}

std::string text(const char *s)
{
    return s ? s : "";
}

hDBIList keepList(std::vector<std::string> names)
{
    auto list = std::make_shared<ListHandle>();
    list->names = std::move(names);
    return static_cast<hDBIList>(const_cast<void *>(Engine::instance().keep(list)));
}

// names[index], or an error naming what the names are.
const std::string &nameAt(const std::vector<std::string> &names, uint32_t index, const char *what)
{
    if (index >= names.size())
        throw EngineError(QDBIERR_INVALIDPARAM, std::string(what) + " index " + std::to_string(index) +
                                                    " is beyond the " + std::to_string(names.size()) + " there are");
    return names[index];
}

std::shared_ptr<DatabaseHandle> findDb(hDBIDb db)
{
    return Engine::instance().find<DatabaseHandle>(db, "database");
}

std::shared_ptr<CursorHandle> findCursor(hDBICur cursor)
{
    return Engine::instance().find<CursorHandle>(cursor, "cursor");
}

hDBICur keepCursor(hDBIDb db, const std::shared_ptr<Database> &database, std::unique_ptr<Cursor> cursor)
{
    auto handle = std::make_shared<CursorHandle>();
    handle->database = database;
    handle->owner = db;
    handle->cursor = std::move(cursor);
    return static_cast<hDBICur>(const_cast<void *>(Engine::instance().keep(handle)));
}

// Runs a move on a cursor under its database's lock.
template <class Move>
DBIResult moveCursor(hDBICur cursor, Move &&move)
{
    return runOpen([&] {
        auto handle = findCursor(cursor);
        std::lock_guard lock(handle->database->mutex);
        move(*handle->cursor);
    });
}

} // namespace

QDBI_EXPORT DBIResult DbiInitFn(uint16_t version, void *)
{
    return run([&] { Engine::instance().open(version); });
}

QDBI_EXPORT DBIResult DbiExit(void)
{
    return run([] { Engine::instance().close(); });
}

QDBI_EXPORT DBIResult DLLINITFUNCTION(const void *)
{
    return QDBIERR_NONE;
}

QDBI_EXPORT DBIResult DLLEXITFUNCTION(void)
{
    return QDBIERR_NONE;
}

QDBI_EXPORT DBIResult DLLEXITFUNCTION2(const void *)
{
    return QDBIERR_NONE;
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1207)(hDBICfg cfg, const char *aliasName, const char *driverType,
                                                const char *params, DBIBool persistent)
{
    return runOpen([&] {
        if (cfg)
            throw EngineError(QDBIERR_INVALIDHANDLE, "Only the engine's own configuration (a null handle) is supported");
        const Engine::Keep keep = persistent == QDBI_PERSIST_REPLACE ? Engine::Keep::ReplacePersistent
                                  : persistent != 0                  ? Engine::Keep::Persistent
                                                                     : Engine::Keep::Session;
        Engine::instance().addAlias(text(aliasName), driverType, text(params), keep);
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1211)(hDBICfg cfg, const char *aliasName)
{
    return runOpen([&] {
        if (cfg)
            throw EngineError(QDBIERR_INVALIDHANDLE, "Only the engine's own configuration (a null handle) is supported");
        Engine::instance().deleteAlias(text(aliasName));
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1100)(hDBIList *list)
{
    return runOpen([&] {
        need(list, "list pointer");
        *list = keepList(Engine::instance().aliasNames());
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1101)(hDBIList list, uint32_t *count)
{
    return runOpen([&] {
        need(count, "count pointer");
        *count = uint32_t(Engine::instance().find<ListHandle>(list, "list")->names.size());
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1102)(hDBIList list, uint32_t index, const char **name)
{
    return runOpen([&] {
        need(name, "name pointer");
        auto handle = Engine::instance().find<ListHandle>(list, "list");
        *name = nameAt(handle->names, index, "List").c_str();
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1103)(hDBIList list)
{
    return runOpen([&] {
        if (list && !Engine::instance().release(Engine::instance().find<ListHandle>(list, "list").get()))
            throw EngineError(QDBIERR_INVALIDHANDLE, "Invalid list handle");
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1104)(const char *aliasName, const char *params, hDBIDb *db)
{
    return runOpen([&] {
        need(db, "database pointer");
        auto handle = std::make_shared<DatabaseHandle>();
        handle->database = Engine::instance().openDatabase(text(aliasName), text(params));
        *db = static_cast<hDBIDb>(const_cast<void *>(Engine::instance().keep(handle)));
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1105)(hDBIDb db)
{
    return runOpen([&] {
        if (db && !Engine::instance().release(findDb(db).get()))
            throw EngineError(QDBIERR_INVALIDHANDLE, "Invalid database handle");
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1106)(hDBIDb db, const char *pattern, DBIBool withExtensions,
                                                DBIBool systemTables, hDBIList *list)
{
    return runOpen([&] {
        need(list, "list pointer");
        auto handle = findDb(db);
        std::lock_guard lock(handle->database->mutex);
        *list = keepList(handle->database->listTables(text(pattern), withExtensions != 0, systemTables != 0));
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1107)(hDBIDb db, const char *tableName, hDBIList *list)
{
    return runOpen([&] {
        need(list, "list pointer");
        auto handle = findDb(db);
        std::lock_guard lock(handle->database->mutex);
        *list = keepList(handle->database->listFields(text(tableName)));
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1108)(hDBIDb db, const char *tableName, hDBICur *cursor)
{
    return runOpen([&] {
        need(cursor, "cursor pointer");
        auto handle = findDb(db);
        std::lock_guard lock(handle->database->mutex);
        *cursor = keepCursor(db, handle->database, handle->database->openTable(text(tableName)));
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1109)(hDBIDb db, const char *sql, hDBICur *cursor)
{
    return runOpen([&] {
        need(cursor, "cursor pointer");
        need(sql, "SQL text");
        auto handle = findDb(db);
        std::lock_guard lock(handle->database->mutex);
        *cursor = keepCursor(db, handle->database, handle->database->openQuery(sql));
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1110)(hDBICur cursor)
{
    return runOpen([&] {
        if (cursor && !Engine::instance().release(findCursor(cursor).get()))
            throw EngineError(QDBIERR_INVALIDHANDLE, "Invalid cursor handle");
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1111)(hDBICur cursor, uint32_t *count)
{
    return runOpen([&] {
        need(count, "count pointer");
        *count = uint32_t(findCursor(cursor)->cursor->columns().size());
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1112)(hDBICur cursor, uint32_t index, const char **name)
{
    return runOpen([&] {
        need(name, "name pointer");
        *name = nameAt(findCursor(cursor)->cursor->columns(), index, "Column").c_str();
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1113)(hDBICur cursor)
{
    return moveCursor(cursor, [](Cursor &c) { c.moveFirst(); });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1114)(hDBICur cursor)
{
    return moveCursor(cursor, [](Cursor &c) { c.moveNext(); });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1115)(hDBICur cursor)
{
    return moveCursor(cursor, [](Cursor &c) { c.movePrior(); });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1116)(hDBICur cursor)
{
    return moveCursor(cursor, [](Cursor &c) { c.moveLast(); });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1117)(hDBICur cursor, DBIBool *bof, DBIBool *eof)
{
    return moveCursor(cursor, [&](Cursor &c) {
        if (bof)
            *bof = c.bof();
        if (eof)
            *eof = c.eof();
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1118)(hDBICur cursor, uint32_t index, const char **value,
                                                DBIBool *isNull)
{
    return moveCursor(cursor, [&](Cursor &c) {
        need(value, "text pointer");
        const Row &row = c.current();
        *value = nameAt(row.values, index, "Field").c_str();
        if (isNull)
            *isNull = row.isNull[index] != 0;
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1119)(hDBIDb db, const char *tableName, uint32_t count,
                                                const char *const *names, const char *const *values)
{
    return runOpen([&] {
        if (count) {
            need(names, "field name array");
            need(values, "value array");
        }
        FieldValues pairs;
        for (uint32_t i = 0; i < count; ++i) {
            if (!names[i])
                throw EngineError(QDBIERR_INVALIDPARAM, "Field name " + std::to_string(i) + " is a null pointer");
            pairs.emplace_back(names[i], text(values[i]));
        }
        auto handle = findDb(db);
        std::lock_guard lock(handle->database->mutex);
        handle->database->insertRow(text(tableName), pairs);
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1120)(DBIResult *status, char *buffer, uint32_t bufferSize)
{
    static const LastError kNone;
    const LastError &last = t_lastErrorGone ? kNone : t_lastError.value;
    if (status)
        *status = last.status;
    if (buffer && bufferSize > 0) {
        const size_t n = std::min<size_t>(last.text.size(), bufferSize - 1);
        std::memcpy(buffer, last.text.data(), n);
        buffer[n] = '\0';
    }
    return QDBIERR_NONE;
}
