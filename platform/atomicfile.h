#pragma once

/*
** Whole-file reads and atomic whole-file writes.
**
** writeFileAtomically() writes the new contents to a temporary file in the
** target's own folder, flushes it to disk and renames it over the target, so
** a reader sees either the complete old file or the complete new one and a
** failure at any point leaves the old file untouched. The temporary file is
** removed on failure.
*/

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillon::platform {

// A failed file operation; what() names the path and the system's reason,
// code() is the errno value behind it (0 when there is none).
class FileError : public std::runtime_error
{
public:
    FileError(const std::string &path, const std::string &reason, int code = 0);
    const std::string &path() const { return m_path; }
    int code() const { return m_code; }

private:
    std::string m_path;
    int m_code;
};

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
