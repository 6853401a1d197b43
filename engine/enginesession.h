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

#include "enginelib/quillondbi.h"

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

struct DatabaseHandle
{
    DatabaseHandle(SharedSession s, hDBIDb h) : session(std::move(s)), handle(h) {}
    ~DatabaseHandle();
    DatabaseHandle(const DatabaseHandle &) = delete;
    DatabaseHandle &operator=(const DatabaseHandle &) = delete;

    SharedSession session;
    hDBIDb handle;
};

struct CursorHandle
{
    CursorHandle(SharedSession s, hDBICur h) : session(std::move(s)), handle(h) {}
    ~CursorHandle();
    CursorHandle(const CursorHandle &) = delete;
    CursorHandle &operator=(const CursorHandle &) = delete;

    SharedSession session;
    hDBICur handle;
};

} // namespace quillon::engine
