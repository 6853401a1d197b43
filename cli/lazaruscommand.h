#pragma once

#include "cli/arguments.h"

namespace quillon::cli {

// quillon lazarus install|uninstall [--pcp DIR] [--package FILE.lpk] [--lazbuild PROGRAM]
int runLazarusCommand(const Args &args);

} // namespace quillon::cli
