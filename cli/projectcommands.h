#pragma once

/*
** The commands that work on a project file: resave and summary. Each loads
** the file onto a fresh record, as a new wizard would show it.
*/

#include "cli/arguments.h"
#include "project/wizardproject.h"

namespace quillon::cli {

// Loads path onto a fresh record. Unlike the wizard's load, a missing file
// is an error here: a typing mistake must not pass for an empty project.
WizardProject loadProjectFile(const std::string &path);

int runResave(const Args &args);
int runSummary(const Args &args);

} // namespace quillon::cli
