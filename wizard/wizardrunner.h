#pragma once

/*
** The wizard as a program of its own ("quillon wizard"): the window shown
** to the user, or driven offscreen by a script with its transcript on
** standard output. Both return the exit status. A QApplication must exist.
*/

#include "wizard/frmwiz.h"

#include <QString>

#include <optional>
#include <string>

namespace quillon::wizard {

// What a run came to, for a caller that reports it to another program.
struct WizardOutcome
{
    std::string source;      // the source file Finish wrote (its bytes); empty when none
    std::string projectFile; // the project file last opened or saved; empty when none
    std::string failure;     // why Finish wrote nothing (UTF-8); empty when it did or was never pressed
};

// Shows the wizard, loading the project file first when one is given.
// With an outcome, it is filled in when the window closes.
int runWizard(const std::optional<QString> &projectFile, WizardServices::TextView textView,
              WizardOutcome *outcome = nullptr);

// Performs the script on the real window offscreen; writes one PNG per
// page reached into screenshotDir when it is not empty.
int runWizardScript(const QString &scriptFile, const QString &screenshotDir, WizardServices::TextView textView,
                    WizardOutcome *outcome = nullptr);

} // namespace quillon::wizard
