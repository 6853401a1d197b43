#pragma once

/*
** ScratchDir: the tests' temporary folder (TempDir) under the name and with
** the path type the compiler tests join paths with. Set QUILLON_KEEP_SCRATCH
** to keep it for a look at the generated sources and fpc logs.
*/

#include "tests/support/tempdir.h"

#include <filesystem>

namespace quillon::testing {

class ScratchDir : public quillon::test::TempDir
{
public:
    ScratchDir()
        : TempDir("quillon-pascal")
    {}

    std::filesystem::path path() const { return TempDir::path(); }
};

} // namespace quillon::testing
