#pragma once

/*
** The expert's start: what INITEXPERT0016 does once the IDE has loaded the
** library. Kept apart from the export so tests run it without loading
** the library.
*/

#include "expert/ideintf.h"

namespace quillon::expert {

// Always true; a failing step is passed to the IDE's error report.
bool initExpert(TIToolServices *toolServices, TExpertRegisterProc registerProc, TExpertTerminateProc *terminate);

} // namespace quillon::expert
