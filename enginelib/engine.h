#pragma once

/*
** The engine's process-wide state behind the C entries: whether it is
** open (a reference count), the aliases of this process, the persistent
** alias store, and every live handle.
**
** Handles are the addresses of objects kept in a table; an entry looks its
** handle up there first, so a stale or made-up handle is refused with
** QDBIERR_INVALIDHANDLE instead of being followed.  A lookup returns a
** shared reference, so closing a handle on one thread while another is
** inside a call on it cannot free what that call uses.
*/

#include "enginelib/aliasstore.h"
#include "enginelib/cursor.h"
#include "enginelib/database.h"
#include "enginelib/engineerror.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quillon::enginelib {

struct HandleObject
{
    virtual ~HandleObject() = default;
};

struct DatabaseHandle : HandleObject
{
    std::shared_ptr<Database> database;
};

struct CursorHandle : HandleObject
{
    std::shared_ptr<Database> database; // owner, whose mutex covers the cursor
    const void *owner = nullptr;        // the database's handle
    std::unique_ptr<Cursor> cursor;
};

struct ListHandle : HandleObject
{
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
    std::shared_ptr<Database> openDatabase(const std::string &alias, const std::string &params = {});

    // Adds an object to the handle table; its address is the handle.
    const void *keep(std::shared_ptr<HandleObject> object);
    // Finds a live handle of kind T. Throws EngineError(QDBIERR_INVALIDHANDLE).
    template <class T>
    std::shared_ptr<T> find(const void *handle, const char *kind) const;
    // Removes a handle and, for a database, its cursors. False if not live.
    bool release(const void *handle);

private:
    Alias lookUpAlias(const std::string &name) const;
    AliasStore store() const { return AliasStore(AliasStore::defaultPath()); }

    mutable std::mutex m_mutex;
    unsigned m_openCount = 0;
    std::vector<Alias> m_sessionAliases;
    std::map<const void *, std::shared_ptr<HandleObject>> m_handles;
};

template <class T>
std::shared_ptr<T> Engine::find(const void *handle, const char *kind) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_handles.find(handle);
    std::shared_ptr<T> object = it == m_handles.end() ? nullptr : std::dynamic_pointer_cast<T>(it->second);
    if (!object)
        throw EngineError(QDBIERR_INVALIDHANDLE, std::string("Invalid ") + kind + " handle");
    return object;
}

} // namespace quillon::enginelib
