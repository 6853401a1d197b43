#pragma once

/*
** The .lpi that "generate --lpi" and a wizard run for Lazarus write beside
** the .dpr (see generator/lazarusproject.h). The unit path is the folder
** of the template the source came from, which holds the Quillon units; Run
** starts the isapihost program that stands beside this program.
*/

#include <string>

namespace quillon::cli {

struct LpiWritten
{
    std::string path; // absolute
    bool written;     // false: a file stood there and was kept
};

// Throws std::runtime_error naming the file or value at fault.
LpiWritten writeLpiBeside(const std::string &dprPath, const std::string &templatePath);

} // namespace quillon::cli
