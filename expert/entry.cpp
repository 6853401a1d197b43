#include "expert/entry.h"

#include "expert/expertlibrary.h"
#include "expert/kestrel.h"
#include "expert/toolform.h"

#include <QWidget>

#include <exception>

namespace quillon::expert {

/*
** The steps in order: keep the tool services, parent the library's windows
** to the IDE's main window, create the expert (which builds its menu),
** register it, create and show the WebBar. The terminate place is left as
** the IDE gave it.
*/
bool initExpert(TIToolServices *toolServices, TExpertRegisterProc registerProc, TExpertTerminateProc *)
{
    ExpertLibrary &lib = library();
    lib.toolServices = toolServices;
    try {
        if (!toolServices)
            throw std::runtime_error("The IDE gave no tool services");
        lib.parentWindow = static_cast<QWidget *>(toolServices->GetParentHandle());
        lib.expert = new TKestrel(toolServices);
        if (registerProc)
            registerProc(lib.expert);
        lib.webBar = new TfrmWebBar(lib.parentWindow);
        lib.webBar->show();
    } catch (const std::exception &e) {
        if (toolServices)
            toolServices->RaiseException(e.what());
    }
    return true;
}

} // namespace quillon::expert
