/*
** The one export of libKestrel.so, found by name and called once by the IDE.
*/

#include "expert/entry.h"

extern "C" __attribute__((visibility("default"))) bool INITEXPERT0016(quillon::expert::TIToolServices *toolServices,
                                                                    quillon::expert::TExpertRegisterProc registerProc,
                                                                    quillon::expert::TExpertTerminateProc *terminate)
{
    return quillon::expert::initExpert(toolServices, registerProc, terminate);
}
