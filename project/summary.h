#pragma once

/*
** The project summary shown on the wizard's last page and printed by
** "quillon summary": a plain-text review of the answers, built from the
** record alone, one string per line. Labels and values are joined with
** nothing but the label's own trailing space; values are used untrimmed.
** Fields of pages that the options skip do not appear, and neither do the
** page title and the extension name. There is no trailing blank line.
*/

#include "project/wizardproject.h"

namespace quillon {

StringList summaryLines(const WizardProject &project);

} // namespace quillon
