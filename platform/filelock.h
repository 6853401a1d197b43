#pragma once

/*
** An exclusive advisory lock between processes, held on a lock file beside
** the protected file (flock). The kernel releases it when the holder exits or
** crashes, so a dead holder never leaves it taken. Used around every
** read-modify-replace of a shared file, so that two writers lose nothing.
*/

#include <string>

namespace quillon::platform {

class FileLock
{
public:
    // Blocks until the lock on lockPath is held. Creates the file if needed.
    // Throws FileError if the lock file cannot be opened.
    explicit FileLock(const std::string &lockPath);
    ~FileLock();

    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

private:
    int m_fd = -1;
};

} // namespace quillon::platform
