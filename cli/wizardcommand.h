#pragma once

#include "cli/arguments.h"

namespace quillon::cli {

// quillon wizard [PROJECT.qnp] | --script FILE [--screenshots DIR], each with [--result FILE [--lpi]]
int runWizardCommand(const Args &args);

} // namespace quillon::cli
