#include "platform/atomicfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

} // namespace

FileError::FileError(const std::string &path, const std::string &reason, int code)
    : std::runtime_error(path.empty() ? reason : path + ": " + reason), m_path(path), m_code(code)
{}

std::optional<std::string> readFileIfExists(const std::string &path)
{
    Fd in;
    in.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throwErrno(path, errno);
    }
    struct stat st {};
    if (::fstat(in.fd, &st) == 0 && S_ISDIR(st.st_mode))
        throw FileError(path, "is a directory", EISDIR);
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
    std::string tmp = path + ".XXXXXX";
    Fd out;
    out.fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (out.fd < 0)
        throwErrno(path, errno);

    auto fail = [&](int err) {
        ::close(out.fd);
        out.fd = -1;
        ::unlink(tmp.c_str());
        throwErrno(path, err);
    };

    // Keep the permissions of the file being replaced, else the usual 0666 & ~umask.
    struct stat st {};
    mode_t mode;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
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
    if (::close(out.fd) != 0) {
        out.fd = -1;
        const int err = errno;
        ::unlink(tmp.c_str());
        throwErrno(path, err);
    }
    out.fd = -1;
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        throwErrno(path, err);
    }
    // Make the rename itself durable.
    Fd dir;
    dir.fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir.fd >= 0)
        ::fsync(dir.fd);
}

void faults::failNthWrite(int n)
{
    g_failWriteCountdown = n;
}

} // namespace quillon::platform
