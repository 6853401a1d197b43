#pragma once

#include "cli/arguments.h"

namespace quillon::cli {

// quillon serve EXT.so [--port N] [--bind ADDR]: serves the extension
// through lighttpd and quillon-fcgi until interrupted.
int runServe(const Args &args);

} // namespace quillon::cli
