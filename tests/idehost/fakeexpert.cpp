/*
** An expert library for the host's tests of what Kestrel never does: its
** entry fails when QUILLON_FAKE_EXPERT_FAIL is set, and otherwise leaves a
** termination procedure that appends "terminated" to the file named by
** QUILLON_FAKE_EXPERT_LOG.
*/
#include "expert/ideintf.h"

#include <cstdio>
#include <cstdlib>

namespace {

void terminated()
{
    if (const char *log = std::getenv("QUILLON_FAKE_EXPERT_LOG")) {
        if (std::FILE *f = std::fopen(log, "a")) {
            std::fputs("terminated\n", f);
            std::fclose(f);
        }
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) bool INITEXPERT0016(quillon::expert::TIToolServices *,
                                                                      quillon::expert::TExpertRegisterProc,
                                                                      quillon::expert::TExpertTerminateProc *terminate)
{
    if (std::getenv("QUILLON_FAKE_EXPERT_FAIL"))
        return false;
    *terminate = &terminated;
    return true;
}
