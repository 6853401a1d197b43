#include "engine/loaderlock.h"

#include "platform/atomicfile.h"
#include "platform/filelock.h"

#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace quillon::engine {

LoaderLock &LoaderLock::instance()
{
    static LoaderLock *lock = new LoaderLock;
    return *lock;
}

std::string LoaderLock::namedMutexPath()
{
    // A private runtime folder when there is one, else a per-user name in
    // /tmp, so that users never share (or block) each other's lock file.
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return std::string(runtime) + "/LIBLDRMUX.lock";
    return "/tmp/LIBLDRMUX-" + std::to_string(::getuid()) + ".lock";
}

void LoaderLock::setUp()
{
    // Take the named mutex while setting up. If the lock file cannot be
    // opened the in-process mutex alone orders the set-up: taking the lock
    // must always succeed. Each taker opens and closes its own descriptor,
    // so none stays open after set-up.
    std::optional<platform::FileLock> named;
    try {
        named.emplace(namedMutexPath());
    } catch (const platform::FileError &) {
    }
    std::lock_guard<std::mutex> guard(m_setUpMutex);
    if (!m_setUp.load(std::memory_order_relaxed))
        m_setUp.store(true, std::memory_order_release);
}

void LoaderLock::take()
{
    if (!isSetUp())
        setUp();
    m_mutex.lock();
    m_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    ++m_depth;
}

bool LoaderLock::heldByThisThread() const
{
    return m_owner.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

void LoaderLock::release()
{
    if (!heldByThisThread())
        return;
    if (--m_depth == 0)
        m_owner.store(std::thread::id(), std::memory_order_relaxed);
    m_mutex.unlock();
}

void LoaderLock::tearDown()
{
    m_setUp.store(false, std::memory_order_release);
    if (!heldByThisThread())
        return;
    const unsigned depth = m_depth;
    m_depth = 0;
    m_owner.store(std::thread::id(), std::memory_order_relaxed);
    for (unsigned i = 0; i < depth; ++i)
        m_mutex.unlock();
}

} // namespace quillon::engine
