#pragma once

/*
** generate PROJECT.qnp [--template FILE] [--output FILE]: loads the project
** onto a fresh record and writes its .dpr source to --output, else to the
** project's OutputDLL, from --template, else from the template that the
** registry's "RootDir" names. --output also names the library, as the
** output page of the wizard does.
*/

#include "cli/commandtable.h"

namespace quillon::cli {

int runGenerate(const Args &args);

} // namespace quillon::cli
