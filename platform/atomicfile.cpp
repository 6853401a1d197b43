#include "platform/atomicfile.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::platform {

namespace {

int g_failWriteCountdown = 0;

bool injectedWriteFault()
{
    if (g_failWriteCountdown <= 0)
        return false;
    return --g_failWriteCountdown == 0;
}

std::string folderOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[noreturn]] void throwErrno(const std::string &path, int err)
{
    throw FileError(path, std::strerror(err), err);
}

// Closes a descriptor on scope exit unless released.
struct Fd
{
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

/*
** The file a write to path lands on: path itself, or the end of its chain
** of symbolic links (relative targets taken from the link's own folder).
** A link whose target does not exist yet resolves to that target, so the
** write creates it, as writing through the link would.
*/
std::string resolveLinks(const std::string &path)
{
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(current.c_str(), buf, sizeof buf);
        if (n <= 0)
            return current; // not a link (EINVAL), or missing: the later steps report it
        if (static_cast<std::size_t>(n) >= sizeof buf)
            throwErrno(path, ENAMETOOLONG);
        const std::string target(buf, static_cast<std::size_t>(n));
        current = target.front() == '/' ? target : folderOf(current) + "/" + target;
    }
    throwErrno(path, ELOOP);
}

// The prefix of the temporary files of one target: ".~" and a 64-bit FNV-1a
// hash of its name in hex, then ".".
std::string temporaryPrefix(const std::string &target)
{
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : baseNameOf(target)) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char buf[24];
    std::snprintf(buf, sizeof buf, ".~%016llx.", static_cast<unsigned long long>(h));
    return buf;
}

bool processAlive(long pid)
{
    if (pid <= 0 || pid > INT_MAX)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

/*
** Removes the temporary files that earlier writers of the same target left
** behind when they were killed: the name must be prefix, a process id and
** six characters; the process must be gone, and nobody may hold the lock
** its writer takes, which also covers a writer whose id means nothing here
** (another process namespace on a shared folder).
*/
void reclaimStaleTemporaries(const std::string &folder, const std::string &prefix)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return; // the write itself reports a folder it cannot use
    const int dirFd = ::dirfd(dir);
    while (const dirent *e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name.size() <= prefix.size() + 8 || name.substr(0, prefix.size()) != prefix)
            continue;
        const std::string_view rest = name.substr(prefix.size());
        const auto dot = rest.find('.');
        if (dot == std::string_view::npos || dot == 0 || rest.size() - dot - 1 != 6)
            continue;
        long pid = 0;
        bool digits = true;
        for (char c : rest.substr(0, dot)) {
            digits = digits && c >= '0' && c <= '9' && pid < INT_MAX;
            pid = pid * 10 + (c - '0');
        }
        if (!digits || pid == ::getpid() || processAlive(pid))
            continue;
        Fd tmp;
        tmp.fd = ::openat(dirFd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat st {};
        if (tmp.fd < 0 || ::fstat(tmp.fd, &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (::flock(tmp.fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dirFd, e->d_name, 0);
    }
    ::closedir(dir);
}

} // namespace

FileError::FileError(const std::string &path, const std::string &reason, int code)
    : std::runtime_error(path.empty() ? reason : path + ": " + reason), m_path(path), m_reason(reason), m_code(code)
{}

FileError::FileError(Whole, const std::string &message, const std::string &path, const std::string &reason)
    : std::runtime_error(message), m_path(path), m_reason(reason), m_code(0)
{}

FileError FileError::notRegular(const std::string &path)
{
    return FileError(Whole{}, path + " is not a regular file", path, "not a regular file");
}

FileError FileError::refused(const std::string &path, const std::string &message)
{
    return FileError(Whole{}, message, path, message);
}

std::optional<std::string> readFileIfExists(const std::string &path)
{
    // Look before opening: opening a FIFO blocks, opening a device may act.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throwErrno(path, errno);
    }
    if (S_ISDIR(st.st_mode))
        throw FileError(path, "is a directory", EISDIR);
    if (!S_ISREG(st.st_mode))
        throw FileError::notRegular(path);

    Fd in;
    in.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (in.fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throwErrno(path, errno);
    }
    if (::fstat(in.fd, &st) != 0)
        throwErrno(path, errno);
    if (!S_ISREG(st.st_mode))
        throw FileError::notRegular(path);
    const auto tooLarge = [&path] { return FileError(path, "larger than the 2 GB limit", EFBIG); };
    if (static_cast<std::uintmax_t>(st.st_size) > kMaxReadSize)
        throw tooLarge();
    std::string data;
    if (st.st_size > 0)
        data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in.fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwErrno(path, errno);
        }
        if (n == 0)
            break;
        if (data.size() + static_cast<std::size_t>(n) > kMaxReadSize)
            throw tooLarge();
        data.append(buf, static_cast<std::size_t>(n));
    }
    return data;
}

std::string readFile(const std::string &path)
{
    auto data = readFileIfExists(path);
    if (!data)
        throwErrno(path, ENOENT);
    return std::move(*data);
}

void writeFileAtomically(const std::string &path, std::string_view data)
{
    const std::string target = resolveLinks(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        throwErrno(path, errno);
    if (exists && S_ISDIR(st.st_mode))
        throwErrno(path, EISDIR);
    if (exists && !S_ISREG(st.st_mode))
        throw FileError::notRegular(path);

    const std::string folder = folderOf(target);
    const std::string prefix = temporaryPrefix(target);
    reclaimStaleTemporaries(folder, prefix);

    std::string tmp = folder + "/" + prefix + std::to_string(::getpid()) + ".XXXXXX";
    Fd out;
    out.fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (out.fd < 0)
        throwErrno(path, errno);
    // Marks the file as in use, for reclaimStaleTemporaries() of other writers.
    ::flock(out.fd, LOCK_EX | LOCK_NB);

    auto fail = [&](int err) {
        ::close(out.fd);
        out.fd = -1;
        ::unlink(tmp.c_str());
        throwErrno(path, err);
    };

    // Keep the owner, group and permissions of the file being replaced, else
    // the usual 0666 & ~umask. Only root can give a file away; for anyone
    // else a file of another owner is replaced by one of their own, as before.
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
            ::fchown(out.fd, st.st_uid, st.st_gid) != 0 && ::geteuid() == 0)
            fail(errno);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(out.fd, mode) != 0)
        fail(errno);

    const char *p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        if (injectedWriteFault())
            fail(ENOSPC);
        const ssize_t n = ::write(out.fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (data.empty() && injectedWriteFault())
        fail(ENOSPC);
    if (::fsync(out.fd) != 0)
        fail(errno);
    if (::rename(tmp.c_str(), target.c_str()) != 0)
        fail(errno);
    if (::close(out.fd) != 0) {
        out.fd = -1;
        throwErrno(path, errno);
    }
    out.fd = -1;
    // Make the rename itself durable.
    Fd dir;
    dir.fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir.fd >= 0)
        ::fsync(dir.fd);
}

void faults::failNthWrite(int n)
{
    g_failWriteCountdown = n;
}

} // namespace quillon::platform
