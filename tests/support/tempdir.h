#pragma once

/*
** The one way a test makes a temporary folder: a fresh folder in the
** system's temporary folder (TMPDIR, else /tmp), unique per process and
** call, so tests may run in parallel. TempDir removes it with everything in
** it when the test ends, unless QUILLON_KEEP_SCRATCH is set (to look at
** what a test left, such as generated sources and compiler logs); a caller
** that removes the folder itself takes a bare one from TempDir::create().
*/

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace quillon::test {

class TempDir
{
public:
    explicit TempDir(std::string_view prefix = "quillon-test")
        : m_path(create(prefix))
    {}
    ~TempDir()
    {
        if (std::getenv("QUILLON_KEEP_SCRATCH") == nullptr) {
            std::error_code ignored;
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return m_path; }
    std::string file(const std::string &name) const { return m_path + "/" + name; }

    // Makes a fresh folder named prefix and six random characters; throws
    // naming the pattern when it cannot.
    static std::string create(std::string_view prefix)
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary folder from " + pattern);
        return pattern;
    }

private:
    std::string m_path;
};

} // namespace quillon::test
