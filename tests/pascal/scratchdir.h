#pragma once

/*
** ScratchDir: a fresh temporary folder for one test, removed with
** everything in it when the test ends. Set QUILLON_KEEP_SCRATCH to keep it
** for a look at the generated sources and fpc logs.
*/

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace quillon::testing {

class ScratchDir
{
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillon-pascal-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary folder from " + pattern);
        m_path = pattern;
    }
    ~ScratchDir()
    {
        if (std::getenv("QUILLON_KEEP_SCRATCH") == nullptr) {
            std::error_code ignored;
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace quillon::testing
