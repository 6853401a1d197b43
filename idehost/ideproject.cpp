/*
** The main window's project: the one source file open in the editor, how
** it is opened, saved, closed and remembered, and the question asked
** before edits not yet saved could be lost. The tool services the experts
** call (close the project, open the project information, open a project)
** land here too.
*/
#include "idehost/idemainwindow.h"

#include "idehost/buildpanel.h"
#include "idehost/findbar.h"
#include "idehost/startpage.h"
#include "platform/atomicfile.h"
#include "platform/registry.h"
#include "project/recentprojects.h"
#include "wizard/dialogservice.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>

namespace quillon::idehost {

/*
** Qt's standard question before the edits could be lost: Save writes the
** file (atomically) and goes on only when that worked, Discard goes on and
** loses them, Cancel (and closing the box) stays.
*/
bool IdeMainWindow::confirmDiscard()
{
    if (m_projectPath.isEmpty() || !editor->isModified())
        return true;
    const QMessageBox::StandardButton answer = dialogs().messageBox(
        this, QMessageBox::Warning, QStringLiteral("Quillon IDE"),
        QStringLiteral("The project %1 has been modified.\nDo you want to save your changes?")
            .arg(QFileInfo(m_projectPath).fileName()),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    if (answer == QMessageBox::Discard)
        return true;
    if (answer != QMessageBox::Save)
        return false;
    const QString error = writeProject();
    if (error.isEmpty())
        return true;
    message(error);
    dialogs().messageBox(this, QMessageBox::Critical, QStringLiteral("Quillon IDE"), error, QMessageBox::Ok);
    return false;
}

void IdeMainWindow::closeEvent(QCloseEvent *event)
{
    if (!confirmDiscard()) {
        event->ignore();
        return;
    }
    event->accept();
}

void IdeMainWindow::closeProject()
{
    record(QStringLiteral("ide closeproject"));
    m_closeRefused = !confirmDiscard();
    if (m_closeRefused) {
        message(QStringLiteral("The project %1 stays open with its changes.").arg(m_projectPath));
        return;
    }
    m_projectPath.clear();
    editor->setReadOnly(false);
    editor->clear();
    editor->setModified(false);
    editor->setReadOnly(true);
    showProject(false);
    rememberProject();
}

// A readable Pascal project source: its first word is "library" or "program".
bool IdeMainWindow::openProjectInfo(const QString &path)
{
    QFile file(path);
    bool ok = false;
    if (file.open(QIODevice::ReadOnly)) {
        static const QRegularExpression head(QStringLiteral("^\\s*(library|program)\\b"),
                                             QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
        ok = head.match(QString::fromLatin1(file.read(64 * 1024))).hasMatch();
    }
    record(QStringLiteral("ide openprojectinfo %1 -> %2").arg(path, ok ? "true" : "false"));
    return ok;
}

void IdeMainWindow::openProject(const QString &path)
{
    record(QStringLiteral("ide openproject ") + path);
    if (m_closeRefused) {
        // The user chose to keep the project the expert asked to close.
        m_closeRefused = false;
        message(QStringLiteral("%1 was not opened; File > Open opens it.").arg(path));
        return;
    }
    if (confirmDiscard())
        loadProject(path);
}

void IdeMainWindow::loadProject(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        message(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
        return;
    }
    m_closeRefused = false;
    // The bytes as they are: the editor shows 8-bit text as Latin-1 and
    // keeps the file's CR LF line ends.
    m_projectPath.clear();
    editor->setReadOnly(false);
    editor->setText(QString::fromLatin1(file.readAll()));
    editor->setModified(false);
    m_projectPath = path;
    editor->setCursorPosition(0, 0);
    showProject(true);
    rememberProject();
}

// The editor tab with the project, or the start page without one.
void IdeMainWindow::showProject(bool open)
{
    const QString name = QFileInfo(m_projectPath).fileName();
    setWindowModified(false);
    setWindowTitle(open ? QStringLiteral("Quillon IDE - %1[*]").arg(name) : QStringLiteral("Quillon IDE"));
    editorTabs->setTabText(0, name);
    editorTabs->setTabToolTip(0, m_projectPath);
    if (!open) {
        m_findBar->hide();
        QStringList recent;
        for (const std::string &path : project::RecentProjects(platform::Registry()).recent())
            recent << QString::fromStdString(path);
        startPage->setRecent(recent);
        updateStartPage();
        caretPosition->clear();
    }
    m_centre->setCurrentIndex(open ? 1 : 0);
    if (open)
        editor->setFocus();
    if (m_compileAction)
        m_compileAction->setEnabled(open);
    if (m_runAction)
        m_runAction->setEnabled(open);
    // The Build panel and the status bar show the open project's build
    // only: another project starts with an empty panel and request.
    const QString shown = open ? m_projectPath : QString();
    if (shown != m_panelProject) {
        m_panelProject = shown;
        buildPanel->clear();
        buildPanel->forgetRequest();
        buildState->clear();
        if (open)
            message(QStringLiteral("Opened %1").arg(m_projectPath));
    }
}

// Load Project is the expert's: there is none until an expert gave it.
void IdeMainWindow::updateStartPage()
{
    startPage->setLoadEnabled(menuBar()->findChild<QAction *>(QStringLiteral("TQNLoad")) != nullptr);
}

void IdeMainWindow::rememberProject()
{
    try {
        project::RecentProjects(platform::Registry()).setLastSource(m_projectPath.toStdString());
    } catch (const std::exception &e) {
        message(QStringLiteral("Cannot remember the project: ") + QString::fromLocal8Bit(e.what()));
    }
}

void IdeMainWindow::reopenLastProject()
{
    const QString last = QString::fromStdString(project::RecentProjects(platform::Registry()).lastSource());
    if (last.isEmpty())
        return;
    if (!QFileInfo::exists(last)) {
        message(QStringLiteral("The last project %1 is no longer there.").arg(last));
        return;
    }
    loadProject(last);
}

// File > Open: a project source chosen in the open dialog.
void IdeMainWindow::openProjectClick()
{
    if (!confirmDiscard())
        return;
    wizard::FileDialogRequest request;
    request.name = "OpenSource";
    request.kind = wizard::FileDialogRequest::Open;
    request.title = QStringLiteral("Open Project");
    request.filter = QStringLiteral("Delphi project (*.dpr)|*.dpr|Pascal source (*.pas)|*.pas|All files (*.*)|*");
    request.defaultExtension = QStringLiteral("dpr");
    if (const std::optional<QString> path = dialogs().fileDialog(this, request))
        loadProject(*path);
}

// The start page's commands are the expert's, when one gave them.
void IdeMainWindow::newWebApplication()
{
    if (QAction *run = menuBar()->findChild<QAction *>(QStringLiteral("TQNRun")))
        run->trigger();
    else
        showGallery();
}

void IdeMainWindow::loadWebProject()
{
    if (QAction *load = menuBar()->findChild<QAction *>(QStringLiteral("TQNLoad")))
        load->trigger();
}

/*
** A recent Quillon project chosen on the start page: the expert's Load
** Project opens it without asking for the file. The expert and the IDE
** meet only in the registry, so the IDE names the file there and runs the
** command; whatever the command did not take is cleared after it, so a
** later Load Project asks as usual.
*/
void IdeMainWindow::openRecentProject(const QString &projectFile)
{
    QAction *load = menuBar()->findChild<QAction *>(QStringLiteral("TQNLoad"));
    if (!load) {
        message(QStringLiteral("%1 is a Quillon project; opening it needs the Quillon expert.").arg(projectFile));
        return;
    }
    const platform::Registry registry;
    project::RecentProjects recent(registry);
    try {
        recent.setOpenNext(projectFile.toStdString());
    } catch (const std::exception &e) {
        message(QStringLiteral("Cannot open %1: %2").arg(projectFile, QString::fromLocal8Bit(e.what())));
        return;
    }
    load->trigger();
    try {
        recent.takeOpenNext();
    } catch (const std::exception &e) {
        message(QStringLiteral("Cannot clear the project to open next: ") + QString::fromLocal8Bit(e.what()));
    }
    if (m_projectPath.isEmpty())
        showProject(false); // the list shows what the wizard used
}

bool IdeMainWindow::saveProject()
{
    if (m_projectPath.isEmpty()) {
        message(QStringLiteral("No project is open."));
        return false;
    }
    const QString error = writeProject();
    if (!error.isEmpty())
        message(error);
    return error.isEmpty();
}

// The editor's text into the project file, replaced atomically: a failure
// leaves the file as it was. Returns the reason it failed, empty when not.
QString IdeMainWindow::writeProject()
{
    if (!editor->isModified())
        return QString();
    try {
        const QByteArray bytes = editor->text().toLatin1();
        platform::writeFileAtomically(QFile::encodeName(m_projectPath).toStdString(),
                                      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    }
    editor->setModified(false);
    return QString();
}

} // namespace quillon::idehost
