#include "platform/filelock.h"

#include "platform/atomicfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillon::platform {

FileLock::FileLock(const std::string &lockPath)
{
    m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw FileError(lockPath, std::strerror(errno));
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const int err = errno;
            ::close(m_fd);
            m_fd = -1;
            throw FileError(lockPath, std::strerror(err));
        }
    }
}

FileLock::~FileLock()
{
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}

} // namespace quillon::platform
