#pragma once

/*
** Inside the generator: a platform file failure as the GenerationError the
** callers see, carrying the run-time library's text for its errno and the
** path (a refusal of ours, such as "PATH is not a regular file", keeps its
** own message).
*/

#include "platform/atomicfile.h"

namespace quillon::generator {

[[noreturn]] void rethrowFileError(const platform::FileError &e);

} // namespace quillon::generator
