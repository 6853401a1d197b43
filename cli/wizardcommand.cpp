#include "cli/wizardcommand.h"

#include "cli/arguments.h"
#include "expert/ViewAsText.h"
#include "wizard/wizardrunner.h"

#include <QApplication>

#include <cstdlib>

namespace quillon::cli {

int runWizardCommand(const Args &args)
{
    const Arguments a("wizard", args, {"--script", "--screenshots"});
    const auto script = a.option("--script");
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
    static int argc = 1;
    static char name[] = "quillon";
    static char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    if (script)
        return wizard::runWizardScript(QString::fromStdString(*script),
                                       QString::fromStdString(a.option("--screenshots").value_or("")),
                                       &expert::showProjectTextView);
    std::optional<QString> project;
    if (!a.positionals().empty())
        project = QString::fromStdString(a.positionals().front());
    return wizard::runWizard(project, &expert::showProjectTextView);
}

} // namespace quillon::cli
