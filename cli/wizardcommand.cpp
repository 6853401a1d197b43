#include "cli/wizardcommand.h"

#include "cli/arguments.h"
#include "cli/lpifile.h"
#include "cli/wizardresult.h"
#include "expert/ViewAsText.h"
#include "generator/sourcegenerator.h"
#include "platform/registry.h"
#include "wizard/wizardrunner.h"

#include <QApplication>

#include <cstdlib>
#include <filesystem>

namespace quillon::cli {

namespace {

std::string absolutePath(const std::string &path)
{
    return path.empty() ? path : std::filesystem::absolute(path).lexically_normal().string();
}

// What the run came to, with the .lpi written beside a new source when asked.
// The window ends with status 1 when it wrote no source, which a user's
// Cancel is; a script's status 1 is an error line (see runWizardScript).
WizardResult conclude(const wizard::WizardOutcome &outcome, int status, bool scripted, bool lpi)
{
    WizardResult result;
    result.dpr = absolutePath(outcome.source);
    result.qnp = absolutePath(outcome.projectFile);
    if (!outcome.failure.empty()) {
        result.status = WizardResult::Status::Failed;
        result.message = outcome.failure;
    } else if (!outcome.source.empty()) {
        result.status = WizardResult::Status::Finished;
    } else if (scripted && status != 0) {
        result.status = WizardResult::Status::Failed;
        result.message = "the wizard stopped with exit status " + std::to_string(status);
    }
    if (lpi && result.status == WizardResult::Status::Finished) {
        try {
            const LpiWritten written =
                writeLpiBeside(result.dpr, generator::templatePathFromRegistry(platform::Registry()));
            result.lpi = written.path;
            result.lpiKept = !written.written;
        } catch (const std::exception &e) {
            result.status = WizardResult::Status::Failed;
            result.message = e.what();
        }
    }
    return result;
}

} // namespace

int runWizardCommand(const Args &args)
{
    const Arguments a("wizard", args, {"--script", "--screenshots", "--result"}, {"--lpi"});
    const auto script = a.option("--script");
    const auto resultFile = a.option("--result");
    if (script) {
        a.expectPositionals({});
        // A script runs the real window offscreen unless a display is chosen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (a.option("--screenshots")) {
        throw UsageError("wizard: --screenshots goes with --script");
    } else if (a.positionals().size() > 1) {
        throw UsageError("wizard: at most one project file");
    }
    if (a.flag("--lpi") && !resultFile)
        throw UsageError("wizard: --lpi goes with --result");
    static int argc = 1;
    static char name[] = "quillon";
    static char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    wizard::WizardOutcome outcome;
    wizard::WizardOutcome *followed = resultFile ? &outcome : nullptr;
    int status = 0;
    if (script) {
        status = wizard::runWizardScript(QString::fromStdString(*script),
                                         QString::fromStdString(a.option("--screenshots").value_or("")),
                                         &expert::showProjectTextView, followed);
    } else {
        std::optional<QString> project;
        if (!a.positionals().empty())
            project = QString::fromStdString(a.positionals().front());
        status = wizard::runWizard(project, &expert::showProjectTextView, followed);
        // A project file that cannot be opened ends the run before the
        // window shows (and before it names any project file).
        if (status != 0 && project && outcome.projectFile.empty() && outcome.failure.empty())
            outcome.failure = "could not open the project file " + a.positionals().front();
    }
    if (resultFile) {
        const WizardResult result = conclude(outcome, status, script.has_value(), a.flag("--lpi"));
        writeWizardResult(*resultFile, result);
        if (result.status == WizardResult::Status::Failed && status == 0)
            status = 1;
    }
    return status;
}

} // namespace quillon::cli
