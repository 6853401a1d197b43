#pragma once

/*
** generate PROJECT.qnp [--template FILE] [--output FILE]: loads the project
** onto a fresh record and writes its .dpr source to --output, else to the
** project's OutputDLL, from --template, else from the template that the
** registry's "RootDir" names. --output also names the library, as the
** output page of the wizard does. Without --output, OutputDLL is completed
** as the output page completes it (its extension becomes ".dpr", a relative
** path is taken from the current folder), and a file already there is
** replaced only when it is a Pascal project source.
*/

#include "cli/arguments.h"

namespace quillon::cli {

int runGenerate(const Args &args);

} // namespace quillon::cli
