#pragma once

/*
** Makes a folder read-only for the rest of the test process, also when the
** tests run as root (as CI does), whom a folder's mode does not stop: as
** root a read-only tmpfs is mounted over the folder in a mount namespace of
** the test's own (nothing outside the process sees it); where root may not
** mount (a container), the calling thread gives up the capabilities that
** pass over a file's mode and the folder's mode becomes 0555; otherwise the
** mode alone does it. Returns why it could not, empty on success.
*/

#include <cerrno>
#include <cstring>
#include <string>

#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::test {

// Sets whether the calling thread's effective capabilities include the two
// that let root write and search where a file's mode forbids it (they stay
// permitted, so they can come back).
inline bool overrideFileModes(bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    const unsigned mask = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    data[0].effective = on ? data[0].effective | (data[0].permitted & mask) : data[0].effective & ~mask;
    return ::syscall(SYS_capset, &header, data) == 0;
}

inline std::string makeFolderReadOnly(const std::string &folder)
{
    const auto failed = [](const char *what) { return std::string(what) + ": " + std::strerror(errno); };
    if (::geteuid() != 0)
        return ::chmod(folder.c_str(), 0555) == 0 ? std::string() : failed("chmod");
    if (::unshare(CLONE_NEWNS) != 0) {
        if (!overrideFileModes(false))
            return failed("capset");
        return ::chmod(folder.c_str(), 0555) == 0 ? std::string() : failed("chmod");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return failed("mount --make-rprivate /");
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_RDONLY, nullptr) != 0)
        return failed("mount -o ro tmpfs");
    return {};
}

// Undoes makeFolderReadOnly, so that the folder can be removed.
inline void makeFolderWritable(const std::string &folder)
{
    if (::geteuid() == 0 && ::umount2(folder.c_str(), MNT_DETACH) == 0)
        return;
    overrideFileModes(true);
    ::chmod(folder.c_str(), 0755);
}

} // namespace quillon::test
