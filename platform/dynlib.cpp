#include "platform/dynlib.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <link.h>
#include <sys/stat.h>

namespace quillon::platform {

namespace {

thread_local DynLib::Error t_lastError;

bool endsWith(const std::string &text, const char *tail)
{
    const std::size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// dlerror() appends the system's error text for the failing system call, in
// the current locale; strerror() of the same code gives the same text.
DynLib::Failure classify(const std::string &message)
{
    if (endsWith(message, std::strerror(ENOENT)) || endsWith(message, std::strerror(ENOTDIR)))
        return DynLib::Failure::NotFound;
    if (endsWith(message, std::strerror(ENOMEM)))
        return DynLib::Failure::OutOfMemory;
    return DynLib::Failure::Other;
}

const std::string &programDirectory()
{
    static const std::string directory = [] {
        std::error_code error;
        const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? std::string() : exe.parent_path().string();
    }();
    return directory;
}

void recordFailure(const std::string &pathOrName)
{
    const char *text = dlerror();
    t_lastError.message = text ? text : pathOrName + ": cannot be loaded";
    t_lastError.kind = classify(t_lastError.message);
}

} // namespace

DynLib::Handle DynLib::load(const std::string &pathOrName)
{
    if (pathOrName.empty()) {
        t_lastError = {Failure::NotFound, "empty library name"};
        return nullptr;
    }
    Handle handle = dlopen(pathOrName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle)
        return handle;
    recordFailure(pathOrName);
    if (pathOrName.find('/') != std::string::npos)
        return nullptr;
    // The program's own folder is part of the system's search (our programs
    // carry the run path $ORIGIN). Try it by full path as well: when a
    // sanitizer's interceptor stands between the caller and dlopen, the
    // loader takes the interceptor's run path instead of the program's.
    const std::string own = programDirectory() + "/" + pathOrName;
    struct stat st {};
    if (programDirectory().empty() || ::stat(own.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    handle = dlopen(own.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        recordFailure(own);
    return handle;
}

// The full path of a loaded object whose file name (the part after the last
// "/") is name, or empty.
static std::string loadedPathByFileName(const std::string &name)
{
    struct Search
    {
        const std::string *name;
        std::string path;
    } search{&name, {}};
    dl_iterate_phdr(
        [](dl_phdr_info *info, std::size_t, void *data) -> int {
            auto *s = static_cast<Search *>(data);
            const char *path = info->dlpi_name;
            if (!path || !*path)
                return 0;
            const char *slash = std::strrchr(path, '/');
            if (*s->name == (slash ? slash + 1 : path)) {
                s->path = path;
                return 1;
            }
            return 0;
        },
        &search);
    return search.path;
}

DynLib::Handle DynLib::findLoaded(const std::string &name)
{
    if (name.empty())
        return nullptr;
    // By the name as the loader knows it (the name it was opened under, or
    // its soname), else by the file name of any loaded object, wherever it
    // was loaded from.
    Handle handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (!handle && name.find('/') == std::string::npos) {
        dlerror();
        const std::string path = loadedPathByFileName(name);
        if (!path.empty())
            handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    }
    if (!handle) {
        dlerror(); // leave no stale text behind for the next failure
        return nullptr;
    }
    // RTLD_NOLOAD still counts a reference; give it back at once.
    dlclose(handle);
    return handle;
}

void *DynLib::symbol(Handle handle, const char *name)
{
    if (!handle || !name)
        return nullptr;
    void *address = dlsym(handle, name);
    if (!address)
        dlerror();
    return address;
}

bool DynLib::free(Handle handle)
{
    return handle && dlclose(handle) == 0;
}

std::string DynLib::path(Handle handle)
{
    link_map *map = nullptr;
    if (!handle || dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name)
        return {};
    return map->l_name;
}

const DynLib::Error &DynLib::lastError()
{
    return t_lastError;
}

} // namespace quillon::platform
