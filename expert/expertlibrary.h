#pragma once

/*
** What the expert library keeps from its start until it is unloaded: the
** IDE's tool services, the expert object, the WebBar and the current wizard
** window, and the environment its windows run in (the dialog service and
** the services each new wizard window gets). Everything runs on the IDE's
** user-interface thread, so these need no lock.
*/

#include "wizard/frmwiz.h"

#include <functional>

class QWidget;

namespace quillon::expert {

class TIToolServices;
class TKestrel;
class TfrmWebBar;

struct ExpertLibrary
{
    TIToolServices *toolServices = nullptr;
    TKestrel *expert = nullptr;
    TfrmWebBar *webBar = nullptr;
    wizard::TfrmWiz *currentWizard = nullptr; // the wizard window of the command now running
    QWidget *parentWindow = nullptr;          // the IDE's main window, parent of the library's windows

    wizard::DialogService *dialogs = nullptr; // null: real Qt dialogs; a scripting host hands its own over
    wizard::HelpSystem *help = nullptr;       // null: the library's own help; a scripting host hands its own over
    // Fills the services of a new wizard window beyond the dialogs and the
    // IDE host; empty: the wizard's defaults.
    std::function<void(wizard::WizardServices &)> prepareWizard;
};

ExpertLibrary &library();

// The dialog service of the library's windows.
wizard::DialogService &expertDialogs();

// The help system of the library's wizards: the host's when it offers one,
// else the library's own, the same as the wizard's on its own.
wizard::HelpSystem &expertHelp();

// Shows or hides the WebBar's window, when there is one (toolform.cpp).
void showWebBarWindow(bool shown);

// A plain message box with an OK button, as the menu building shows its messages.
void showPlainMessage(const QString &text);

// Creates a wizard window, makes it the current one, loads a project first
// when asked (and shows nothing when that is cancelled or fails), shows it
// modally and frees it afterwards, also when an error passes.
void runWizard(bool loadFirst);

} // namespace quillon::expert
