/*
** The wizard window's commands that belong to no page: saving and opening
** the project file, Finish, help, the About box, the project text view and
** the query preview.
*/

#include "wizard/frmwiz.h"

#include "generator/sourcegenerator.h"
#include "platform/registry.h"
#include "project/projectfile.h"
#include "project/queryparameters.h"
#include "wizard/aboutbox.h"
#include "wizard/ansitext.h"
#include "wizard/frmview.h"
#include "wizard/helpsystem.h"
#include "wizard/pages/pgdatabasebr.h"
#include "wizard/pages/pginfo.h"
#include "wizard/vendor.h"
#include "wizard/wizardhost.h"

namespace quillon::wizard {

namespace {

FileDialogRequest projectDialog(FileDialogRequest::Kind kind)
{
    FileDialogRequest request;
    request.kind = kind;
    request.name = kind == FileDialogRequest::Save ? "SD" : "OpenProject";
    request.title = kind == FileDialogRequest::Save ? QStringLiteral("Save Quillon Project File")
                                              : QStringLiteral("Open Quillon Project File");
    request.filter = QStringLiteral("Quillon Project (*.qnp)|*.qnp");
    request.defaultExtension = QStringLiteral("qnp");
    request.overwritePrompt = kind == FileDialogRequest::Save;
    return request;
}

} // namespace

void WizardContext::failure(const std::exception &e) const
{
    dialogs.messageBox(owner, QMessageBox::Critical, QStringLiteral("Quillon"), displayText(e.what()),
                       QMessageBox::Ok);
}

bool TfrmWiz::saveProject()
{
    const auto path = m_dialogs.fileDialog(this, projectDialog(FileDialogRequest::Save));
    if (!path)
        return false;
    bool saved = m_ctx.guarded([&] { ProjectFile::save(project(), path->toStdString()); });
    if (saved)
        m_projectFileName = *path;
    return saved;
}

bool TfrmWiz::openProject()
{
    const auto path = m_dialogs.fileDialog(this, projectDialog(FileDialogRequest::Open));
    return path && openProjectFile(*path);
}

bool TfrmWiz::openProjectFile(const QString &path)
{
    if (!m_ctx.guarded([&] { loadProjectFile(path); }))
        return false;
    m_projectFileName = path;
    setWindowTitle(QString::fromLatin1(kWizardCaption) + QStringLiteral(" - [") + path + QLatin1Char(']'));
    return true;
}

void TfrmWiz::btnFinishClick()
{
    if (pgInfo->saveRequested() && !saveProject())
        return;
    const WizardProject p = project();
    const QString output = displayText(p.OutputDLL);
    try {
        std::string templatePath;
        readRegistry([&](const platform::Registry &registry) {
            templatePath = generator::templatePathFromRegistry(registry);
        });
        generator::generateSourceFile(p, templatePath, p.OutputDLL, generator::currentGenerationMoment());
        emit generated(output);
        if (m_host) {
            m_host->closeProject();
            if (m_host->openProjectInfo(p.OutputDLL))
                m_host->openProject(p.OutputDLL);
            else
                m_ctx.error(QStringLiteral("Could not open ") + output);
        }
    } catch (const std::exception &e) {
        QString message = displayText(e.what());
        if (const auto *g = dynamic_cast<const generator::GenerationError *>(&e); g && !g->path().empty())
            message = displayText(g->path()) + QStringLiteral(": ") + message;
        m_ctx.error(QStringLiteral("Internal error. Please contact Tarvik I.T. through ") +
                    QString::fromLatin1(kVendorSupportAddress) + QStringLiteral("\n\r") + message);
    }
    reject();
}

void TfrmWiz::btnHelpClick()
{
    showHelp(helpContext(currentPage()));
}

void TfrmWiz::showHelp(int context)
{
    if (!m_help) {
        m_ctx.error(QStringLiteral("No help is available: ") + m_helpFile);
        return;
    }
    try {
        m_help->showContext(m_helpFile, context, this);
    } catch (const std::exception &e) {
        m_ctx.error(displayText(e.what()));
    }
}

void TfrmWiz::rdbAboutClick()
{
    TAboutBox about(this);
    about.exec();
}

void TfrmWiz::ViewasText1Click()
{
    if (m_projectFileName.isEmpty()) {
        m_ctx.error(QStringLiteral("No current project file! Please save current project or open an existing one."));
        return;
    }
    if (!m_textView) {
        m_ctx.error(QStringLiteral("Viewing the project as text is not available in this window."));
        return;
    }
    m_textView(*this);
}

// Each parameter of the query gets a sample value asked of the user, in
// the order of its first mark; a cancelled question runs nothing.
std::optional<QueryValues> TfrmWiz::sampleValues(const std::string &sql)
{
    QueryValues values;
    for (const QueryParameter &parameter : queryParameters(sql, project().Input)) {
        const QString name = displayText(parameter.name);
        const QString label = parameter.requestValue.empty()
                                  ? QStringLiteral("A sample value for :%1:").arg(name)
                                  : QStringLiteral("A sample value for :%1 (the request value %2):")
                                        .arg(name, displayText(parameter.requestValue));
        const std::optional<QString> value = m_ctx.dialogs.askText(this, QStringLiteral("Execute Now!"), label);
        if (!value)
            return std::nullopt;
        values.emplace_back(parameter.name, encodeAnsi(*value, TextEncoding::Utf8));
    }
    return values;
}

void TfrmWiz::previewQuery()
{
    const std::string sql = pgDatabaseBR->sql();
    if (!sqlReturnsRows(sql))
        return;
    const std::optional<QueryValues> values = sampleValues(sql);
    if (!values)
        return;
    // The preview's connection stays open only if the login test opened it.
    const bool wasConnected = m_ctx.db.connected();
    std::unique_ptr<QueryRows> rows;
    if (m_ctx.guarded([&] { rows = m_ctx.db.openQuery(sql, *values); })) {
        TfrmView view(std::move(rows), this);
        connect(view.model(), &QueryModel::fetchFailed, this, [this](const QString &message) {
            m_ctx.failure(std::runtime_error(message.toStdString()));
        });
        view.exec();
    }
    if (!wasConnected)
        m_ctx.db.disconnect();
}

} // namespace quillon::wizard
