#pragma once

/*
** The narrow platform interface for loading shared libraries at run time
** (dlopen, dlsym, dlclose).
**
** Failures never throw: a failed load returns a null handle and records, per
** thread, what went wrong (a coarse kind for callers that translate it into
** status codes, and the system's own text for messages). findLoaded() looks
** for a library already in the process without taking a reference to it.
*/

#include <string>

namespace quillon::platform {

class DynLib
{
public:
    using Handle = void *;

    enum class Failure {
        None,
        NotFound,    // no such file (or a directory on its path is missing)
        OutOfMemory, // the system ran out of memory while mapping it
        Other,       // the file is there but is not a loadable library
    };

    struct Error
    {
        Failure kind = Failure::None;
        std::string message; // the system's text, naming the file
    };

    // Loads the library: a path, or a bare name left to the system's search
    // (the caller's run path, LD_LIBRARY_PATH, the cache, the default
    // folders, and the program's own folder).
    // Each successful load takes one reference. Null on failure.
    static Handle load(const std::string &pathOrName);

    // The library of that name if it is already loaded, else null. No
    // reference is taken: the handle stays valid only while its owners keep it.
    static Handle findLoaded(const std::string &name);

    // The address of an exported symbol, or null if there is none.
    static void *symbol(Handle handle, const char *name);

    // Drops one reference; false if the system refused.
    static bool free(Handle handle);

    // The file the library was loaded from, or empty if unknown.
    static std::string path(Handle handle);

    // What went wrong with this thread's last failed load.
    static const Error &lastError();
};

} // namespace quillon::platform
