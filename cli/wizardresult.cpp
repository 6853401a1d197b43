#include "cli/wizardresult.h"

#include "platform/atomicfile.h"

namespace quillon::cli {

namespace {

bool hasLineBreak(const std::string &text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

std::string oneLine(std::string text)
{
    for (char &c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

} // namespace

std::string wizardResultText(const WizardResult &result)
{
    WizardResult r = result;
    for (std::string *path : {&r.dpr, &r.qnp, &r.lpi}) {
        if (hasLineBreak(*path)) {
            r.status = WizardResult::Status::Failed;
            r.message = "the path \"" + oneLine(*path) + "\" holds a line break";
            path->clear();
        }
    }
    std::string text = "status=";
    switch (r.status) {
    case WizardResult::Status::Finished: text += "finished"; break;
    case WizardResult::Status::Cancelled: text += "cancelled"; break;
    case WizardResult::Status::Failed: text += "failed"; break;
    }
    text += '\n';
    if (!r.dpr.empty())
        text += "dpr=" + r.dpr + '\n';
    if (!r.qnp.empty())
        text += "qnp=" + r.qnp + '\n';
    if (!r.lpi.empty())
        text += "lpi=" + r.lpi + '\n';
    if (!r.lpi.empty() && r.lpiKept)
        text += "lpikept=1\n";
    if (r.status == WizardResult::Status::Failed)
        text += "message=" + oneLine(r.message.empty() ? std::string("the wizard failed") : r.message) + '\n';
    return text;
}

void writeWizardResult(const std::string &path, const WizardResult &result)
{
    // FileError is a std::runtime_error whose message names the file.
    platform::writeFileAtomically(path, wizardResultText(result));
}

} // namespace quillon::cli
