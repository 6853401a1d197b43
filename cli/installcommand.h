#pragma once

/*
** install --root-dir DIR: records DIR as the IDE's root directory in the
** registry (HKEY_LOCAL_MACHINE "SOFTWARE\Borland\Delphi\2.0", value
** "RootDir"), as an IDE installation would, so that generation finds
** DIR/template.dpr without options.
*/

#include "cli/arguments.h"

namespace quillon::cli {

int runInstall(const Args &args);

} // namespace quillon::cli
