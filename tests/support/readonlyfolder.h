#pragma once

/*
** Makes a folder read-only for the rest of the test process, also when the
** tests run as root (as CI does), whom a folder's mode does not stop: as
** root a read-only tmpfs is mounted over the folder in a mount namespace of
** the test's own (nothing outside the process sees it), otherwise the
** folder's mode becomes 0555. Returns why it could not, empty on success.
*/

#include <cerrno>
#include <cstring>
#include <string>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::test {

inline std::string makeFolderReadOnly(const std::string &folder)
{
    const auto failed = [](const char *what) { return std::string(what) + ": " + std::strerror(errno); };
    if (::geteuid() != 0)
        return ::chmod(folder.c_str(), 0555) == 0 ? std::string() : failed("chmod");
    if (::unshare(CLONE_NEWNS) != 0)
        return failed("unshare(CLONE_NEWNS)");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return failed("mount --make-rprivate /");
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_RDONLY, nullptr) != 0)
        return failed("mount -o ro tmpfs");
    return {};
}

// Undoes makeFolderReadOnly, so that the folder can be removed.
inline void makeFolderWritable(const std::string &folder)
{
    if (::geteuid() != 0)
        ::chmod(folder.c_str(), 0755);
    else
        ::umount2(folder.c_str(), MNT_DETACH);
}

} // namespace quillon::test
