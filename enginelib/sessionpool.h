#pragma once

/*
** Idle databases kept for the next open of the same alias, so that a
** program opening its alias, querying and closing on every request (as a
** web server extension does) pays for connecting, and for SQLite's reading
** of the schema, once per process instead of once per request.
**
** A database comes back here when the last reference to it goes (its
** handle closed, its cursors with it), and only when its driver says it
** holds no state of that use: no open statement or cursor, no open
** transaction, no temporary objects (Database::settleForReuse).  It is
** handed out again only to an open of the same alias with the same
** definition and the same login, to one caller at a time, and only after
** the driver has checked that it still stands for what the alias names now
** (Database::stillCurrent): the same file, a live connection.  So two
** handles open at once never share a connection, and a replaced file, a
** changed alias or a dropped connection is seen at the next open.
**
** At most kCapacity databases are idle at a time, the least recently
** used going first.  A process forked while databases were idle finds
** none: a connection belongs to the process that made it (SQLite's file
** locks are per process, and a server session must not be talked to or
** ended from two), so the child leaves them alone, neither using nor
** closing them.  close() drops them all and keeps none until open():
** nothing stays connected after the engine is closed.  Databases are
** destroyed outside the pool's lock.
*/

#include "enginelib/database.h"

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace quillon::enginelib {

class SessionPool
{
public:
    static constexpr size_t kCapacity = 4;

    // Accepts databases again.
    void open();
    // Drops every idle database and accepts none until open().
    void close();

    // An idle database of key that is still current, else nothing.
    // Stale ones met on the way are dropped.
    std::unique_ptr<Database> take(const std::string &key);
    // Keeps database for key when its driver can settle it for reuse and
    // the pool is open; otherwise it is destroyed. Never throws.
    void giveBack(const std::string &key, const std::string &alias, std::unique_ptr<Database> database) noexcept;
    // Drops idle databases of alias (letter case ignored) not kept under key:
    // those of an earlier definition of the alias.
    void dropOthers(const std::string &alias, const std::string &key);

    size_t idleCount() const;

private:
    struct Idle
    {
        std::string key;
        std::string alias;
        std::unique_ptr<Database> database;
    };

    // After a fork: forgets the parent's databases without closing them. Under m_mutex.
    void leaveParentsDatabases();

    mutable std::mutex m_mutex;
    bool m_open = false;
    unsigned m_forks = 0;   // forks counted when m_idle was filled: its databases are this process's
    std::list<Idle> m_idle; // most recently given back first
};

} // namespace quillon::enginelib
