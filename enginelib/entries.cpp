/*
** The C entries of the engine library.  Each one runs its body through
** run(), which turns an EngineError (or any other failure) into the status
** it returns and records status and message for the calling thread, so no
** exception ever crosses the C boundary.
**
** The way from a handle to its object takes no lock (see HandleTable);
** calls on one database and its cursors are serialised by the database's
** own mutex, as the interface promises.
*/

#include "enginelib/quillondbi.h"

#include "enginelib/engine.h"
#include "enginelib/engineerror.h"
#include "platform/asciicase.h"

#include <cstring>
#include <new>
#include <unordered_set>

using namespace quillon::enginelib;

namespace {

/*
** The calling thread's last outcome.  The status is a plain thread-local
** number, so a successful call costs one store; the message is kept only
** for a failure and is read only while the status says there was one.
**
** An entry may still be called after the thread's own objects are
** destroyed (DbiExit from an exit handler, after the main thread's
** thread_local destructors ran); the message then is gone and must not be
** touched.  The flag and the status are trivially destructible, so they can
** still be used at that point.
*/
thread_local DBIResult t_lastStatus = QDBIERR_NONE;
thread_local bool t_lastErrorGone = false;

struct LastErrorText
{
    std::string text;
    ~LastErrorText() { t_lastErrorGone = true; }
};

thread_local LastErrorText t_lastError;

DBIResult failed(DBIResult status, std::string text)
{
    t_lastStatus = status;
    if (!t_lastErrorGone)
        t_lastError.text = std::move(text);
    return status;
}

template <class Body>
DBIResult run(Body &&body)
{
    try {
        body();
        t_lastStatus = QDBIERR_NONE;
        return QDBIERR_NONE;
    } catch (const EngineError &e) {
        return failed(e.status(), e.what());
    } catch (const std::bad_alloc &) {
        return failed(QDBIERR_OUTOFMEMORY, "Out of memory");
    } catch (const std::exception &e) {
        return failed(QDBIERR_INTERNAL, std::string("Internal engine error: ") + e.what());
    } catch (...) {
        return failed(QDBIERR_INTERNAL, "Internal engine error");
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

// count (name, value) pairs from two parallel arrays; what names the names
// in the message about a null one ("Field name 2 is a null pointer").
FieldValues namedValues(uint32_t count, const char *const *names, const char *const *values, const char *what)
{
    if (count) {
        need(names, "name array");
        need(values, "value array");
    }
    FieldValues pairs;
    for (uint32_t i = 0; i < count; ++i) {
        if (!names[i])
            throw EngineError(QDBIERR_INVALIDPARAM, std::string(what) + " " + std::to_string(i) + " is a null pointer");
        pairs.emplace_back(names[i], text(values[i]));
    }
    return pairs;
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

HandleTable::Pin<DatabaseHandle> findDb(hDBIDb db)
{
    return Engine::instance().find<DatabaseHandle>(db, "database");
}

HandleTable::Pin<CursorHandle> findCursor(hDBICur cursor)
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
        if (list && !Engine::instance().release(list, HandleKind::List))
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
        if (db && !Engine::instance().release(db, HandleKind::Database))
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
        *cursor = keepCursor(db, handle->database, handle->database->openQuery(sql, nullptr));
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1122)(hDBIDb db, const char *sql, uint32_t count, const char *const *names,
                                                const char *const *values, hDBICur *cursor)
{
    return runOpen([&] {
        need(cursor, "cursor pointer");
        need(sql, "SQL text");
        QueryParameters parameters = namedValues(count, names, values, "Parameter name");
        std::unordered_set<std::string> seen;
        for (auto &[name, value] : parameters) {
            if (name.starts_with(":"))
                name.erase(0, 1);
            if (!seen.insert(quillon::platform::foldAsciiCase(name)).second)
                throw EngineError(QDBIERR_INVALIDPARAM, "The parameter :" + name + " is given twice");
        }
        auto handle = findDb(db);
        std::lock_guard lock(handle->database->mutex);
        *cursor = keepCursor(db, handle->database, handle->database->openQuery(sql, &parameters));
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1110)(hDBICur cursor)
{
    return runOpen([&] {
        if (cursor && !Engine::instance().release(cursor, HandleKind::Cursor))
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

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1121)(hDBICur cursor, uint32_t count, const char **texts,
                                                DBIBool *isNull)
{
    return moveCursor(cursor, [&](Cursor &c) {
        if (count)
            need(texts, "text array");
        const Row &row = c.current();
        if (count > row.values.size())
            throw EngineError(QDBIERR_INVALIDPARAM, "A record of " + std::to_string(count) +
                                                        " fields was asked for; the row has " +
                                                        std::to_string(row.values.size()));
        for (uint32_t i = 0; i < count; ++i)
            texts[i] = row.values[i].c_str();
        if (isNull)
            for (uint32_t i = 0; i < count; ++i)
                isNull[i] = row.isNull[i] != 0;
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1119)(hDBIDb db, const char *tableName, uint32_t count,
                                                const char *const *names, const char *const *values)
{
    return runOpen([&] {
        const FieldValues pairs = namedValues(count, names, values, "Field name");
        auto handle = findDb(db);
        std::lock_guard lock(handle->database->mutex);
        handle->database->insertRow(text(tableName), pairs);
    });
}

QDBI_EXPORT DBIResult QDBI_ORDINAL_SYMBOL(1120)(DBIResult *status, char *buffer, uint32_t bufferSize)
{
    static const std::string kNone;
    const std::string &text = t_lastStatus == QDBIERR_NONE || t_lastErrorGone ? kNone : t_lastError.text;
    if (status)
        *status = t_lastStatus;
    if (buffer && bufferSize > 0) {
        const size_t n = std::min<size_t>(text.size(), bufferSize - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return QDBIERR_NONE;
}
