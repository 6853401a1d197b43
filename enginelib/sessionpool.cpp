#include "enginelib/sessionpool.h"

#include <strings.h>
#include <unistd.h>
#include <vector>

namespace quillon::enginelib {

void SessionPool::leaveParentsDatabases()
{
    const pid_t self = ::getpid();
    if (self == m_owner)
        return;
    for (Idle &idle : m_idle)
        [[maybe_unused]] Database *left = idle.database.release();
    m_idle.clear();
    m_owner = self;
}

void SessionPool::open()
{
    std::lock_guard lock(m_mutex);
    m_open = true;
}

void SessionPool::close()
{
    std::list<Idle> dropped;
    {
        std::lock_guard lock(m_mutex);
        m_open = false;
        leaveParentsDatabases();
        dropped.swap(m_idle);
    }
}

std::unique_ptr<Database> SessionPool::take(const std::string &key)
{
    for (;;) {
        std::unique_ptr<Database> database;
        {
            std::lock_guard lock(m_mutex);
            leaveParentsDatabases();
            for (auto it = m_idle.begin(); it != m_idle.end(); ++it) {
                if (it->key == key) {
                    database = std::move(it->database);
                    m_idle.erase(it);
                    break;
                }
            }
        }
        if (!database)
            return nullptr;
        bool current = false;
        try {
            current = database->stillCurrent();
        } catch (...) {
            current = false;
        }
        if (current)
            return database;
        // A stale one is destroyed here, outside the lock; look for another.
    }
}

void SessionPool::giveBack(const std::string &key, const std::string &alias, std::unique_ptr<Database> database) noexcept
{
    bool settled = false;
    try {
        settled = database->settleForReuse();
    } catch (...) {
        settled = false;
    }
    if (!settled)
        return;
    std::unique_ptr<Database> evicted;
    std::lock_guard lock(m_mutex);
    leaveParentsDatabases();
    if (!m_open) {
        evicted = std::move(database);
        return;
    }
    try {
        m_idle.push_front(Idle{key, alias, std::move(database)});
    } catch (...) {
        return; // out of memory: the database is destroyed with the failed entry
    }
    if (m_idle.size() > kCapacity) {
        evicted = std::move(m_idle.back().database);
        m_idle.pop_back();
    }
}

void SessionPool::dropOthers(const std::string &alias, const std::string &key)
{
    std::list<Idle> dropped;
    std::lock_guard lock(m_mutex);
    leaveParentsDatabases();
    for (auto it = m_idle.begin(); it != m_idle.end();) {
        auto next = std::next(it);
        if (it->key != key && strcasecmp(it->alias.c_str(), alias.c_str()) == 0)
            dropped.splice(dropped.end(), m_idle, it);
        it = next;
    }
}

size_t SessionPool::idleCount() const
{
    std::lock_guard lock(m_mutex);
    return m_idle.size();
}

} // namespace quillon::enginelib
