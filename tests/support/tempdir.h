#pragma once

/*
** A fresh folder under /tmp for one test, removed with everything in it when
** the test ends. Unique per process and test, so tests may run in parallel.
*/

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace quillon::test {

class TempDir
{
public:
    TempDir()
    {
        char tmpl[] = "/tmp/quillon-test-XXXXXX";
        if (const char *made = ::mkdtemp(tmpl))
            m_path = made;
        else
            throw std::runtime_error("cannot create a temporary folder");
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return m_path; }
    std::string file(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

} // namespace quillon::test
