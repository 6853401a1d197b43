#include "engine/librarysearch.h"

#include "platform/atomicfile.h"
#include "platform/registry.h"

#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillon::engine {

using platform::DynLib;

namespace {

// The directory, a "/" unless it is empty or ends in one, and the name.
// A candidate without any "/" gets "./" so that the loader takes it from the
// current directory rather than starting its own search.
std::string candidatePath(const std::string &directory, const std::string &fileName)
{
    std::string path = directory;
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += fileName;
    if (path.find('/') == std::string::npos)
        path = "./" + path;
    return path;
}

bool isFile(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string currentDirectory()
{
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// The "DLLPATH" value, or nothing when the key, the value or the hive file
// cannot be read, or the hive file is open to other users' changes
// (whoever can write it chooses code that this program will run): then this
// step of the search is skipped.
std::optional<std::string> registryLibraryPath()
{
    try {
        const platform::Registry registry;
        if (!registry.untrustedHiveReason(platform::Hive::LocalMachine).empty())
            return std::nullopt;
        const auto key = registry.openKey(platform::Hive::LocalMachine, kEngineRegistryKey);
        if (!key)
            return std::nullopt;
        return key->readString(kEngineRegistryValue);
    } catch (const platform::FileError &) {
        return std::nullopt;
    }
}

// The first directory of the list that holds the file, as a full path.
std::optional<std::string> searchPathList(const std::string &list, const std::string &fileName)
{
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find_first_of(";:", start);
        if (end == std::string::npos)
            end = list.size();
        const std::string directory = list.substr(start, end - start);
        if (!directory.empty()) {
            const std::string path = candidatePath(directory, fileName);
            if (isFile(path))
                return path;
        }
        start = end + 1;
    }
    return std::nullopt;
}

} // namespace

DynLib::Handle FindAndLoadLibrary(const std::optional<std::string> &directory, const std::string &fileName)
{
    const std::string candidate = candidatePath(directory ? *directory : currentDirectory(), fileName);
    if (isFile(candidate))
        if (DynLib::Handle handle = DynLib::load(candidate))
            return handle;

    if (const auto list = registryLibraryPath())
        if (const auto path = searchPathList(*list, fileName))
            if (DynLib::Handle handle = DynLib::load(*path))
                return handle;

    return DynLib::load(fileName);
}

} // namespace quillon::engine
