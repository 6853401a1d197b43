#pragma once

/*
** The engine's process-wide state behind the C entries: whether it is
** open (a reference count), the aliases of this process, the persistent
** alias store, and every live handle.
**
** Handles are kept in a HandleTable: an entry goes from its handle
** straight to the object, a stale or made-up handle is refused with
** QDBIERR_INVALIDHANDLE instead of being followed, and closing a handle on
** one thread while another is inside a call on it cannot free what that
** call uses.  The engine's mutex covers the aliases and the open count's
** changes; the calls on an open handle do not take it.
**
** A database closed by its user goes to the session pool (SessionPool),
** from which the next open of the same alias takes it instead of
** connecting again; the persistent aliases are read through a cache that
** reads the configuration file again only when it changed.
*/

#include "enginelib/aliasstore.h"
#include "enginelib/cursor.h"
#include "enginelib/database.h"
#include "enginelib/engineerror.h"
#include "enginelib/handletable.h"
#include "enginelib/sessionpool.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quillon::enginelib {

struct DatabaseHandle : HandleObject
{
    static constexpr HandleKind kKind = HandleKind::Database;
    DatabaseHandle() : HandleObject(kKind) {}
    std::shared_ptr<Database> database;
};

struct CursorHandle : HandleObject
{
    static constexpr HandleKind kKind = HandleKind::Cursor;
    CursorHandle() : HandleObject(kKind) {}
    std::shared_ptr<Database> database; // owner, whose mutex covers the cursor
    const void *owner = nullptr;        // the database's handle
    std::unique_ptr<Cursor> cursor;
};

struct ListHandle : HandleObject
{
    static constexpr HandleKind kKind = HandleKind::List;
    ListHandle() : HandleObject(kKind) {}
    std::vector<std::string> names;
};

class Engine
{
public:
    static Engine &instance();

    void open(uint16_t version);
    void close();
    void requireOpen() const;

    enum class Keep { Session, Persistent, ReplacePersistent };
    void addAlias(const std::string &name, const char *driver, const std::string &params, Keep keep);
    void deleteAlias(const std::string &name);
    std::vector<std::string> aliasNames() const;
    // params: the "NAME=value" lines given to open it; drivers with a login
    // take "USER NAME=" and "PASSWORD=" from them, the others ignore them.
    // A database closed before comes back from the session pool when it is
    // still current; the last reference's release gives it back.
    std::shared_ptr<Database> openDatabase(const std::string &alias, const std::string &params = {});

    // Adds an object to the handle table and gives its handle.
    const void *keep(std::shared_ptr<HandleObject> object);
    // Finds a live handle of kind T and holds it for the caller's call.
    // Throws EngineError(QDBIERR_INVALIDHANDLE).
    template <class T>
    HandleTable::Pin<T> find(const void *handle, const char *kind) const;
    // Removes a handle of kind and, for a database, its cursors. False if
    // it is not live or of another kind.
    bool release(const void *handle, HandleKind kind);

private:
    Alias lookUpAlias(const std::string &name) const;
    AliasStore store() const { return AliasStore(AliasStore::defaultPath()); }
    AliasFileCache::Aliases storedAliases() const { return m_storedAliases.load(AliasStore::defaultPath()); }
    // A shared database that goes back to the session pool under key when its last user lets go.
    std::shared_ptr<Database> shareSession(std::unique_ptr<Database> database, const std::string &key,
                                           const std::string &alias);

    mutable std::mutex m_mutex;
    std::atomic<unsigned> m_openCount = 0; // changed under m_mutex, read without it
    std::vector<Alias> m_sessionAliases;
    mutable AliasFileCache m_storedAliases;
    SessionPool m_sessions; // before m_handles: the handles' databases come back to it
    HandleTable m_handles;
};

template <class T>
HandleTable::Pin<T> Engine::find(const void *handle, const char *kind) const
{
    HandleTable::Pin<T> object = m_handles.pin<T>(handle, T::kKind);
    if (!object)
        throw EngineError(QDBIERR_INVALIDHANDLE, std::string("Invalid ") + kind + " handle");
    return object;
}

} // namespace quillon::enginelib
