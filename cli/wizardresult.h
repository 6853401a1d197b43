#pragma once

/*
** The result file of "quillon wizard --result FILE": what a wizard run
** wrote, for the program that started it (the Lazarus package). It is
** plain text, one "key=value" line each, replaced atomically, so the
** reader sees the whole result or none (none: the wizard died):
**
**   status=finished | cancelled | failed
**   dpr=PATH          the source Finish wrote (also after a later failure)
**   qnp=PATH          the project file last opened or saved, when there is one
**   lpi=PATH          the Lazarus project beside the source, when asked for
**   lpikept=1         that .lpi stood there already and was kept
**   message=TEXT      why it failed (failed only)
**
** Paths are absolute. A value cannot hold a line break: a path with one
** is refused, and a message's line breaks become blanks.
*/

#include <string>

namespace quillon::cli {

struct WizardResult
{
    enum class Status { Finished, Cancelled, Failed };
    Status status = Status::Cancelled;
    std::string dpr;
    std::string qnp;
    std::string lpi;
    bool lpiKept = false;
    std::string message;
};

// The file's text. A path with a line break makes the result a failure
// that names it.
std::string wizardResultText(const WizardResult &result);

// Writes the text to path atomically; throws std::runtime_error naming it.
void writeWizardResult(const std::string &path, const WizardResult &result);

} // namespace quillon::cli
