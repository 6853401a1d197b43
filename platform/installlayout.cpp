#include "platform/installlayout.h"

#include <filesystem>
#include <system_error>

// The folders below the prefix; the build passes the same texts to its
// install rules.
#ifndef QUILLON_INSTALL_LIBDIR
#define QUILLON_INSTALL_LIBDIR "lib/quillon"
#endif
#ifndef QUILLON_INSTALL_DATADIR
#define QUILLON_INSTALL_DATADIR "share/quillon"
#endif

namespace quillon::platform {

namespace fs = std::filesystem;

std::string InstallLayout::dataDir() const
{
    return prefix + "/" QUILLON_INSTALL_DATADIR;
}

std::string InstallLayout::rootDir() const
{
    return dataDir() + "/pascal";
}

std::string InstallLayout::libraryDir() const
{
    return prefix + "/" QUILLON_INSTALL_LIBDIR;
}

std::string InstallLayout::expertLibrary() const
{
    return libraryDir() + "/lib" + kPackagedExpertName + ".so";
}

std::optional<InstallLayout> layoutOfProgram(const std::string &programPath)
{
    std::error_code ec;
    const fs::path program = fs::weakly_canonical(fs::path(programPath), ec);
    if (ec || !program.is_absolute())
        return std::nullopt;
    // The program's folder is PREFIX/bin or PREFIX/<libdir>.
    const fs::path folder = program.parent_path();
    fs::path prefix;
    if (folder.filename() == "bin")
        prefix = folder.parent_path();
    else if (folder == folder.parent_path().parent_path() / QUILLON_INSTALL_LIBDIR)
        prefix = folder.parent_path().parent_path();
    else
        return std::nullopt;
    InstallLayout layout{prefix.string()};
    if (layout.prefix.size() > 1 && layout.prefix.back() == '/')
        layout.prefix.pop_back();
    if (layout.prefix == "/")
        layout.prefix.clear();
    if (!fs::is_regular_file(layout.rootDir() + "/template.dpr", ec))
        return std::nullopt;
    return layout;
}

const std::optional<InstallLayout> &installedLayout()
{
    static const std::optional<InstallLayout> layout = [] {
        std::error_code ec;
        const fs::path self = fs::read_symlink("/proc/self/exe", ec);
        return ec ? std::nullopt : layoutOfProgram(self.string());
    }();
    return layout;
}

} // namespace quillon::platform
