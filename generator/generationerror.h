#pragma once

#include <stdexcept>
#include <string>

namespace quillon::generator {

// A generation failure. what() is the user-visible message: for a file the
// run-time library's text ("File not found", "Invalid filename", "Too many
// open files", "File access denied", "Read beyond end of file", "Disk full"
// or "I/O error N"); path() names the file at fault, empty when none is.
class GenerationError : public std::runtime_error
{
public:
    explicit GenerationError(const std::string &message, std::string path = {})
        : std::runtime_error(message), m_path(std::move(path))
    {}
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace quillon::generator
