#pragma once

/*
** Whole-file reads and atomic whole-file writes.
**
** writeFileAtomically() writes the new contents to a temporary file in the
** target's own folder, flushes it to disk and renames it over the target, so
** a reader sees either the complete old file or the complete new one and a
** failure at any point leaves the old file untouched. The temporary file is
** removed on failure.
**
** Only regular files are replaced. A symbolic link is written through: its
** final target is replaced atomically and the link stays a link. Anything
** else that is not a regular file (a device, a FIFO, a socket; a folder
** fails with EISDIR) is refused, so that saving over /dev/full or a named pipe never swaps it for
** a file. The new file keeps the mode, owner and group of the one it
** replaces.
**
** Temporary files are named ".~H.PID.XXXXXX" beside the target, where H is
** a hash of the target's name and PID the writer's process id: short, so a
** target name of up to 255 bytes still works, and recognisable, so that the
** next save of the same file removes the ones a killed writer left behind.
** A writer holds an flock on its temporary file while it exists; one is
** reclaimed only when its writer is gone and nobody holds that lock.
**
** Reads refuse anything that is not a regular file (opening a FIFO would
** block, a device may never end) and files above kMaxReadSize.
*/

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillon::platform {

// A failed file operation. what() names the path and the reason, as in
// "PATH: No space left on device" or "PATH is not a regular file"; reason()
// is the reason alone; code() is the errno value behind it (0 when the
// refusal is ours, such as a file that is not a regular file).
class FileError : public std::runtime_error
{
public:
    FileError(const std::string &path, const std::string &reason, int code = 0);
    const std::string &path() const { return m_path; }
    const std::string &reason() const { return m_reason; }
    int code() const { return m_code; }

    // The refusal of a path that is not a regular file.
    static FileError notRegular(const std::string &path);
    // A refusal of path whose message is the whole of message.
    static FileError refused(const std::string &path, const std::string &message);

private:
    struct Whole {};
    FileError(Whole, const std::string &message, const std::string &path, const std::string &reason);

    std::string m_path;
    std::string m_reason;
    int m_code;
};

// The largest file readFile() reads: 2 GB.
inline constexpr std::size_t kMaxReadSize = std::size_t(2) << 30;

// Reads the whole file as bytes. Throws FileError if it cannot be read.
std::string readFile(const std::string &path);

// Reads the whole file, or nothing if it does not exist. Other failures throw.
std::optional<std::string> readFileIfExists(const std::string &path);

// Replaces the file at path with data, atomically. Throws FileError.
void writeFileAtomically(const std::string &path, std::string_view data);

namespace faults {
// Makes the n-th following write (1 = the next one) of writeFileAtomically()
// fail as if the disk were full; 0 turns the fault off. For failure-path tests.
void failNthWrite(int n);
} // namespace faults

} // namespace quillon::platform
