#include "enginelib/sessionpool.h"

#include "enginelib/aliasstore.h"

#include <atomic>
#include <pthread.h>
#include <vector>

namespace quillon::enginelib {

namespace {

// Counts the forks this process came out of, so that noticing one costs no
// system call per open. (glibc drops the handler when the library is unloaded.)
std::atomic<unsigned> g_forks{0};
[[maybe_unused]] const int g_forksCounted = ::pthread_atfork(nullptr, nullptr, [] { g_forks.fetch_add(1); });

} // namespace

void SessionPool::leaveParentsDatabases()
{
    const unsigned forks = g_forks.load();
    if (forks == m_forks)
        return;
    for (Idle &idle : m_idle)
        [[maybe_unused]] Database *left = idle.database.release();
    m_idle.clear();
    m_forks = forks;
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
        if (it->key != key && sameName(it->alias, alias))
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
