#include "wizard/wizardrunner.h"

#include "wizard/frmwiz.h"
#include "wizard/helpsystem.h"
#include "wizard/scriptdriver.h"
#include "wizard/scripteddialogs.h"
#include "wizard/wizardhost.h"

#include <QFile>
#include <QFileInfo>

#include <iostream>

namespace quillon::wizard {

namespace {


// Without an IDE, Finish only reports the file it wrote.
class StandaloneHost : public WizardHost
{
public:
    explicit StandaloneHost(bool report)
        : m_report(report)
    {}
    void closeProject() override {}
    bool openProjectInfo(const std::string &path) override { return QFileInfo::exists(QString::fromStdString(path)); }
    void openProject(const std::string &path) override
    {
        if (m_report)
            std::cout << path << std::endl;
    }

private:
    bool m_report;
};

// Help asked for in a script: reported, then shown by the real help when
// there is one.
class ReportedHelp : public HelpSystem
{
public:
    ReportedHelp(ScriptedDialogs::Sink sink, std::unique_ptr<HelpSystem> real)
        : m_sink(std::move(sink))
        , m_real(std::move(real))
    {}
    void showContext(const QString &helpFile, int context, QWidget *parent) override
    {
        m_sink(QStringLiteral("help %1 %2").arg(escapeTranscript(helpFile)).arg(context));
        if (m_real)
            m_real->showContext(helpFile, context, parent);
    }

private:
    ScriptedDialogs::Sink m_sink;
    std::unique_ptr<HelpSystem> m_real;
};

// Follows Finish on window into outcome; the project file is read when
// the run ends, since saving and opening change it along the way.
void follow(TfrmWiz &window, WizardOutcome *outcome)
{
    if (!outcome)
        return;
    QObject::connect(&window, &TfrmWiz::generated, &window, [&window, outcome](const QString &) {
        outcome->source = window.project().OutputDLL;
        outcome->failure.clear();
    });
    QObject::connect(&window, &TfrmWiz::finishFailed, &window,
                     [outcome](const QString &message) { outcome->failure = message.toStdString(); });
}

void conclude(const TfrmWiz &window, WizardOutcome *outcome)
{
    if (outcome)
        outcome->projectFile = QFile::encodeName(window.projectFileName()).toStdString();
}

} // namespace

int runWizard(const std::optional<QString> &projectFile, WizardServices::TextView textView,
              WizardOutcome *outcome)
{
    QtDialogs dialogs;
    StandaloneHost host(true);
    const std::unique_ptr<HelpSystem> help = createQtHelpSystem();
    WizardServices services;
    services.dialogs = &dialogs;
    services.help = help.get();
    services.host = &host;
    services.textView = textView;
    TfrmWiz window(std::move(services));
    follow(window, outcome);
    if (projectFile) {
        if (!window.openProjectFile(*projectFile))
            return 1;
    }
    window.exec();
    conclude(window, outcome);
    // Ending without the source written (Cancel, the close box) is no success.
    return window.wroteSource() ? 0 : 1;
}

int runWizardScript(const QString &scriptFile, const QString &screenshotDir, WizardServices::TextView textView,
                    WizardOutcome *outcome)
{
    QString error;
    std::optional<QStringList> lines = readScriptFile(scriptFile, error);
    if (!lines) {
        std::cerr << "quillon wizard: " << error.toStdString() << std::endl;
        return 1;
    }
    ScriptedDialogs dialogs(printTranscriptLine);
    StandaloneHost host(false);
    ReportedHelp help(printTranscriptLine, createQtHelpSystem());
    WizardServices services;
    services.dialogs = &dialogs;
    services.help = &help;
    services.host = &host;
    services.textView = textView;
    TfrmWiz window(std::move(services));
    follow(window, outcome);
    ScriptDriver driver(std::move(*lines), window, dialogs, printTranscriptLine, screenshotDir);
    const int status = driver.run();
    conclude(window, outcome);
    return status;
}

} // namespace quillon::wizard
