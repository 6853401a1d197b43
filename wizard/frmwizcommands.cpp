/*
** The wizard window's commands that belong to no page: saving and opening
** the project file, Finish, help, the About box, the project text view and
** the query preview.
*/

#include "wizard/frmwiz.h"

#include "generator/editedsource.h"
#include "generator/sourcegenerator.h"
#include "platform/registry.h"
#include "project/projectfile.h"
#include "project/queryparameters.h"
#include "project/recentprojects.h"
#include "wizard/aboutbox.h"
#include "wizard/ansitext.h"
#include "wizard/frmview.h"
#include "wizard/helpsystem.h"
#include "wizard/pages/pgdatabasebr.h"
#include "wizard/pages/pginfo.h"
#include "wizard/vendor.h"
#include "wizard/wizardhost.h"

#include <QDebug>
#include <QFileInfo>

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
    // The dialog starts on the project's own file, else beside the source
    // it generates, named after it.
    FileDialogRequest request = projectDialog(FileDialogRequest::Save);
    request.initialPath = m_projectFileName;
    if (request.initialPath.isEmpty()) {
        const QString output = displayText(project().OutputDLL);
        if (!output.isEmpty()) {
            const QFileInfo source(output);
            request.initialPath = source.absolutePath() + QLatin1Char('/') + source.completeBaseName() +
                                  QStringLiteral(".qnp");
        }
    }
    const auto path = m_dialogs.fileDialog(this, request);
    if (!path)
        return false;
    bool saved = m_ctx.guarded([&] { ProjectFile::save(project(), path->toStdString()); });
    if (saved) {
        m_projectFileName = *path;
        rememberProjectFile();
    }
    return saved;
}

/*
** Load Project: the file the IDE named when a recent project was chosen
** there, else the one chosen in the dialog, which starts on the project
** used last.
*/
bool TfrmWiz::openProject()
{
    std::string named;
    std::string latest;
    try {
        readRegistry([&](const platform::Registry &registry) {
            project::RecentProjects recent(registry);
            named = recent.takeOpenNext();
            if (const std::vector<std::string> paths = recent.recent(); !paths.empty())
                latest = paths.front();
        });
    } catch (const std::exception &e) {
        qWarning().noquote() << QStringLiteral("Quillon: cannot read the recent projects:") << e.what();
    }
    if (!named.empty())
        return openProjectFile(QString::fromStdString(named));
    FileDialogRequest request = projectDialog(FileDialogRequest::Open);
    request.initialPath = QString::fromStdString(latest);
    const auto path = m_dialogs.fileDialog(this, request);
    return path && openProjectFile(*path);
}

// The project file opened or saved goes first among the recent projects
// the IDE's start page lists. Failing to note it costs the user nothing
// but the list entry, so it is reported without stopping the command.
void TfrmWiz::rememberProjectFile() const
{
    try {
        readRegistry([&](const platform::Registry &registry) {
            project::RecentProjects(registry).add(QFileInfo(m_projectFileName).absoluteFilePath().toStdString());
        });
    } catch (const std::exception &e) {
        qWarning().noquote() << QStringLiteral("Quillon: cannot add %1 to the recent projects:").arg(m_projectFileName)
                             << e.what();
    }
}

bool TfrmWiz::openProjectFile(const QString &path)
{
    if (!m_ctx.guarded([&] {
            ProjectFile::requireExists(path.toStdString());
            loadProjectFile(path);
        }))
        return false;
    m_projectFileName = path;
    setWindowTitle(QString::fromLatin1(kWizardCaption) + QStringLiteral(" - [") + path + QLatin1Char(']'));
    rememberProjectFile();
    return true;
}

/*
** Finish: saves the project when asked, generates the source and has the
** host open it. The source is generated to text first, so that a file the
** user edited since Quillon last wrote it is found before anything is
** written: the user chooses to replace it, to merge the project's changes
** into it, or to cancel (the file and the wizard stay as they were). A
** failure shows the internal error box naming the file and the cause and
** leaves the wizard open on its page with every answer, so nothing typed
** is lost; the window closes only once the source is written.
*/
void TfrmWiz::btnFinishClick()
{
    if (pgInfo->saveRequested() && !saveProject())
        return;
    const WizardProject p = project();
    const QString output = displayText(p.OutputDLL);
    generator::SourceWrite written;
    try {
        std::string templatePath;
        readRegistry([&](const platform::Registry &registry) {
            templatePath = generator::templatePathFromRegistry(registry);
        });
        const std::string text =
            generator::generateSourceText(p, templatePath, generator::currentGenerationMoment());
        if (p.OutputDLL.empty())
            throw generator::GenerationError("Invalid filename");
        const std::optional<generator::EditedSource> how = askAboutEditedSource(p.OutputDLL, text);
        if (!how)
            return;
        written = generator::writeGeneratedSource(p.OutputDLL, text, *how);
    } catch (const std::exception &e) {
        QString message = displayText(e.what());
        if (const auto *g = dynamic_cast<const generator::GenerationError *>(&e);
            g && !g->path().empty() && !std::string_view(e.what()).starts_with(g->path()))
            message = displayText(g->path()) + QStringLiteral(": ") + message;
        m_ctx.error(QStringLiteral("Internal error. Please contact Tarvik I.T. through ") +
                    QString::fromLatin1(kVendorSupportAddress) + QStringLiteral("\n\r") + message);
        emit finishFailed(message);
        return;
    }
    m_wroteSource = true;
    emit generated(output);
    if (!written.warning.empty())
        m_dialogs.showMessage(this, displayText(written.warning));
    if (written.conflicts)
        m_dialogs.messageBox(this, QMessageBox::Warning, QStringLiteral("Quillon"),
                             output + QStringLiteral(": your edits and the project's changes meet on the same "
                                                     "lines; both are in the file between <<<<<<< and >>>>>>> "
                                                     "markers."),
                             QMessageBox::Ok);
    if (m_host) {
        m_host->closeProject();
        if (m_host->openProjectInfo(p.OutputDLL))
            m_host->openProject(p.OutputDLL);
        else
            m_ctx.error(QStringLiteral("Could not open ") + output);
    }
    reject();
}

std::optional<generator::EditedSource> TfrmWiz::askAboutEditedSource(const std::string &path, const std::string &text)
{
    const generator::SourceState state = generator::examineSource(path, text);
    const QString file = displayText(path);
    const QString cancel = QStringLiteral("Cancel: leave the file and the wizard as they are.");
    if (state == generator::SourceState::Edited) {
        const int chosen = m_dialogs.choose(
            this, QMessageBox::Question, QStringLiteral("Quillon"),
            file + QStringLiteral(" has been changed since Quillon generated it.\n\n"
                                  "Replace: write the new source over your changes.\n"
                                  "Merge: keep your changes and bring in the project's; lines both changed are "
                                  "marked.\n") + cancel,
            {QStringLiteral("&Replace"), QStringLiteral("&Merge"), QStringLiteral("Cancel")});
        if (chosen == 0)
            return generator::EditedSource::Replace;
        if (chosen == 1)
            return generator::EditedSource::Merge;
        return std::nullopt;
    }
    if (state == generator::SourceState::Unknown) {
        const int chosen = m_dialogs.choose(
            this, QMessageBox::Question, QStringLiteral("Quillon"),
            file + QStringLiteral(" was not generated here by Quillon.\n\n"
                                  "Replace: write the new source over it.\n") + cancel,
            {QStringLiteral("&Replace"), QStringLiteral("Cancel")});
        if (chosen == 0)
            return generator::EditedSource::Replace;
        return std::nullopt;
    }
    return generator::EditedSource::Refuse;
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
