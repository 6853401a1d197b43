#include "expert/expertlibrary.h"

#include "expert/ideintf.h"
#include "expert/ViewAsText.h"
#include "expert/toolserviceshost.h"
#include "wizard/helpsystem.h"
#include "wizard/wizardhost.h"

#include <memory>
#include <optional>

namespace quillon::expert {

ExpertLibrary &library()
{
    static ExpertLibrary instance;
    return instance;
}

wizard::DialogService &expertDialogs()
{
    static wizard::QtDialogs qtDialogs;
    if (library().dialogs)
        return *library().dialogs;
    return qtDialogs;
}

wizard::HelpSystem &expertHelp()
{
    if (library().help)
        return *library().help;
    // Made on first use, after the application object exists; its window
    // belongs to the wizard window that asked, and goes with it.
    static const std::unique_ptr<wizard::HelpSystem> own = wizard::createQtHelpSystem();
    return *own;
}

void showPlainMessage(const QString &text)
{
    expertDialogs().showMessage(library().parentWindow, text);
}

void runWizard(bool loadFirst)
{
    ExpertLibrary &lib = library();
    std::optional<ToolServicesHost> host;
    if (lib.toolServices)
        host.emplace(*lib.toolServices);
    wizard::WizardServices services;
    services.dialogs = &expertDialogs();
    services.help = &expertHelp();
    services.host = host ? &*host : nullptr;
    services.textView = &showProjectTextView;
    if (lib.prepareWizard)
        lib.prepareWizard(services);

    auto window = std::make_unique<wizard::TfrmWiz>(std::move(services), lib.parentWindow);
    lib.currentWizard = window.get();
    struct Forget
    {
        ~Forget() { library().currentWizard = nullptr; }
    } forget;
    if (loadFirst && !window->openProject())
        return;
    window->exec();
}

} // namespace quillon::expert
