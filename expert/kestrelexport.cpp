/*
** The exports of libKestrel.so, found by name: the entry the IDE calls once,
** and the services a scripting host hands over.
*/

#include "expert/entry.h"
#include "expert/expertlibrary.h"
#include "expert/kestrel.h"

extern "C" __attribute__((visibility("default"))) bool INITEXPERT0016(quillon::expert::TIToolServices *toolServices,
                                                                    quillon::expert::TExpertRegisterProc registerProc,
                                                                    quillon::expert::TExpertTerminateProc *terminate)
{
    return quillon::expert::initExpert(toolServices, registerProc, terminate);
}

extern "C" __attribute__((visibility("default"))) void QUILLONHOSTSERVICES(quillon::wizard::DialogService *dialogs,
                                                                          quillon::wizard::HelpSystem *help)
{
    quillon::expert::library().dialogs = dialogs;
    quillon::expert::library().help = help;
}

namespace {

// When the library is unloaded, the expert drops the library's own
// reference, releasing its menu items once the IDE has let it go too.
struct LibraryUnload
{
    ~LibraryUnload()
    {
        quillon::expert::ExpertLibrary &lib = quillon::expert::library();
        if (lib.expert)
            lib.expert->Release();
        lib.expert = nullptr;
    }
} g_unload;

} // namespace
