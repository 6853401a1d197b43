#pragma once

/*
** The binding's one process-wide recursive lock.
**
** It covers binding the module, resolving ordinals and storing slots, and
** opening and closing the engine. It is "set up" on first use and "torn
** down" when the library unbinds or tells the binding it is unloading; the
** next take sets it up again. Set-up is serialised, between threads and
** between processes, under the named mutex "LIBLDRMUX": an flock on a lock
** file, which the kernel releases if its holder dies.
**
** Tearing down is always done by the thread that holds the lock (each
** caller takes it first), and it drops every level that thread holds, so
** threads waiting to take it are never left blocked on a lock that no
** longer exists. A release by a thread that no longer holds the lock
** (because it tore it down in between) does nothing.
*/

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace quillon::engine {

class LoaderLock
{
public:
    // The process's one instance; never destroyed, so end-of-program
    // actions may still use it.
    static LoaderLock &instance();

    void take();
    void release();
    void tearDown();

    bool isSetUp() const { return m_setUp.load(std::memory_order_acquire); }
    bool heldByThisThread() const;

    // The lock file that stands for the named mutex "LIBLDRMUX".
    static std::string namedMutexPath();

    // Takes the lock for a scope; releases it at the end unless it was torn
    // down meanwhile.
    class Guard
    {
    public:
        Guard() { LoaderLock::instance().take(); }
        ~Guard() { LoaderLock::instance().release(); }
        Guard(const Guard &) = delete;
        Guard &operator=(const Guard &) = delete;
    };

private:
    LoaderLock() = default;
    void setUp();

    std::recursive_mutex m_mutex;
    std::mutex m_setUpMutex; // orders set-up within the process
    std::atomic<std::thread::id> m_owner{};
    unsigned m_depth = 0; // changed only by the owner
    std::atomic<bool> m_setUp{false};
};

} // namespace quillon::engine
