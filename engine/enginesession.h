#pragma once

/*
** Internal to the data-access layer: the open engine and the handles of
** its open databases and cursors.
**
** EngineSession opens the engine when made and unbinds and closes it when
** the last owner lets it go. There is at most one per process, made on
** first use by acquire(): DataAccess, each Database and each Cursor hold a
** share of it (two DataAccess objects share one, so one of them closing
** cannot unbind the library under the other), so the engine stays open and the library mapped for as
** long as any of them can still call into it, in whatever order they die.
** A DatabaseHandle or CursorHandle closes its engine object on destruction,
** before its share of the session is dropped.
*/

#include "engine/enginefunctions.h"

#include <memory>

namespace quillon::engine {

class EngineSession
{
public:
    // The open engine, opened now if no one holds it. Throws EngineError if
    // the engine cannot be opened. Safe to call from several threads.
    static std::shared_ptr<const EngineSession> acquire();

    EngineSession(); // throws EngineError if the engine cannot be opened
    ~EngineSession();
    EngineSession(const EngineSession &) = delete;
    EngineSession &operator=(const EngineSession &) = delete;
};

using SharedSession = std::shared_ptr<const EngineSession>;

// An engine object closed by Close when the owner goes, and the share of
// the session that keeps the engine open until then.
template <class Handle, DBIResult (*Close)(Handle)>
struct OwnedHandle
{
    OwnedHandle(SharedSession s, Handle h) : session(std::move(s)), handle(h) {}
    ~OwnedHandle()
    {
        if (handle)
            Close(handle);
    }
    OwnedHandle(const OwnedHandle &) = delete;
    OwnedHandle &operator=(const OwnedHandle &) = delete;

    SharedSession session;
    Handle handle;
};

struct DatabaseHandle : OwnedHandle<hDBIDb, DbiCloseDatabase>
{
    using OwnedHandle::OwnedHandle;
};

struct CursorHandle : OwnedHandle<hDBICur, DbiCloseCursor>
{
    using OwnedHandle::OwnedHandle;
};

} // namespace quillon::engine
