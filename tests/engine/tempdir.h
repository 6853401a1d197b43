#pragma once

// A fresh folder under /tmp for one test; the caller removes it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quillon::engine::test {

inline std::filesystem::path makeTempDir(const std::string &prefix)
{
    std::string pattern = "/tmp/" + prefix + "_XXXXXX";
    if (!mkdtemp(pattern.data()))
        ADD_FAILURE() << "cannot create a temporary folder " << pattern;
    return pattern;
}

} // namespace quillon::engine::test
