#pragma once

// Helpers for the engine library's tests: temporary folders, files, and
// readable C++ wrappers around the C entries the tests call.

#include "enginelib/quillondbi.h"
#include "tests/support/tempdir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace enginetest {

using TempDir = quillon::test::TempDir;

inline void writeText(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string readText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace enginetest
