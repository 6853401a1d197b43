#pragma once

/*
** The wizard as a program of its own ("quillon wizard"): the window shown
** to the user, or driven offscreen by a script with its transcript on
** standard output. Both return the exit status. A QApplication must exist.
*/

#include "wizard/frmwiz.h"

#include <QString>

#include <optional>

namespace quillon::wizard {

// Shows the wizard, loading the project file first when one is given.
int runWizard(const std::optional<QString> &projectFile, WizardServices::TextView textView);

// Performs the script on the real window offscreen; writes one PNG per
// page reached into screenshotDir when it is not empty.
int runWizardScript(const QString &scriptFile, const QString &screenshotDir, WizardServices::TextView textView);

} // namespace quillon::wizard
