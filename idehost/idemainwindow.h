#pragma once

/*
** The host's main window: it plays the IDE's part for expert libraries.
** Its menu bar holds the usual top-level menus (Tools is "ToolsItem", so
** an expert menu inserted at index 9 lands between Tools and Help; a menu
** with no items is kept in its place but not shown), a start page while
** no project is open, an editor tab for the current project, and below
** them, in a splitter, the Messages and Build panels. It serves the tool
** services the experts are given and records every call they make as a
** transcript line:
**
**   ide closeproject
**   ide openprojectinfo PATH -> true|false
**   ide openproject PATH
**   ide error MESSAGE
**
** Nothing typed is lost: before the project is closed or replaced, and
** before the window closes, changes not yet saved are offered to be saved
** (Save / Discard / Cancel); Cancel keeps the project and the window.
*/

#include "expert/ideintf.h"

#include <QMainWindow>
#include <QStringList>

#include <vector>

class QAction;
class QLabel;
class QListWidget;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QsciScintilla;

namespace quillon::wizard {
class DialogService;
}

namespace quillon::idehost {

class BuildPanel;
class FindBar;
class IdeHelp;
class ProjectBuild;
class StartPage;

class IdeMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit IdeMainWindow(QWidget *parent = nullptr);
    ~IdeMainWindow() override;

    // Loads an expert library and enters it; false (with the reason in the
    // message area) when it is missing, lacks the entry or fails. A library
    // already entered is reported and not entered again.
    bool loadExpert(const QString &name, const QString &libraryPath);
    // Loads every expert listed under HKEY_CURRENT_USER
    // "Software\Borland\Delphi\2.0\Experts"; without that key, an installed
    // host loads the expert installed with it.
    void loadRegisteredExperts();
    // Opens the project that was open when the IDE last stopped, if any.
    void reopenLastProject();
    // Hands dialogs and help to every expert library entered and to those
    // entered later (null: they show real dialogs and their own help again).
    void offerExpertServices(wizard::DialogService *dialogs, wizard::HelpSystem *help);

    const std::vector<expert::TIExpert *> &experts() const { return m_experts; }
    expert::TIToolServices &toolServices();
    const QStringList &calls() const { return m_calls; }
    QString projectPath() const { return m_projectPath; }

    // The questions and file dialogs of the IDE go through this service;
    // null: real Qt dialogs.
    void setDialogs(wizard::DialogService *dialogs) { m_dialogs = dialogs; }
    IdeHelp &help() { return *m_help; }

    void message(const QString &text);

    // Writes the editor's text back to the project file (replaced
    // atomically); false, with the reason in the message area, on failure.
    bool saveProject();
    // When the editor holds changes not saved, asks Save / Discard /
    // Cancel; true when the project may now be closed or replaced.
    bool confirmDiscard();

    // Project > Compile: saves, then compiles the open project with Free
    // Pascal; Run > Run: saves, compiles when needed and serves one request
    // with the parameters typed in the build panel. Both report in the
    // message area and return whether they succeeded.
    bool compileProject();
    bool runProject();
    ProjectBuild &build() { return *m_build; }

    // The tool-service operations. A close the user cancelled keeps the
    // project, and the open that follows it is then refused.
    void closeProject();
    bool openProjectInfo(const QString &path);
    void openProject(const QString &path);
    void reportError(const QString &text);

public slots:
    // Puts the caret at a line and column of the project (both from 1).
    void goToLine(int line, int column);

signals:
    // Each tool-service call, as its transcript line.
    void called(const QString &line);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void keepToolBarsOffEditor();

    // The window's widgets, each with its objectName for tests and scripts.
    BuildPanel *buildPanel;
    QsciScintilla *editor; // the current project, with Pascal highlighting
    QListWidget *messages;
    StartPage *startPage;
    QTabWidget *editorTabs; // the editor's tab, named after the project file
    QTabWidget *panels;     // Messages and Build
    QSplitter *mainSplitter;
    QLabel *caretPosition;
    QLabel *buildState;

private:
    void record(const QString &line);
    friend bool registerExpert(expert::TIExpert *expert);
    void buildMenus();
    void buildEditMenus(QMenu *edit, QMenu *search);
    void buildPanels();
    void showPanel(QWidget *panel, bool shown);
    bool prepareBuild();
    QString writeProject();
    void showGallery();
    void openProjectClick();
    void newWebApplication();
    void loadWebProject();
    void openRecentProject(const QString &projectFile);
    void showHelpContents();
    void showAbout();
    void loadProject(const QString &path);
    void showProject(bool open);
    void rememberProject();
    void updateStartPage();
    wizard::DialogService &dialogs();

    class Services;
    Services *m_services;
    ProjectBuild *m_build;
    IdeHelp *m_help;
    wizard::DialogService *m_dialogs = nullptr;
    QStackedWidget *m_centre;
    QAction *m_compileAction = nullptr; // enabled while a project is open
    QAction *m_runAction = nullptr;
    QString m_panelProject;             // the project the Build panel shows the state of
    FindBar *m_findBar;
    QAction *m_viewMessages;
    QAction *m_viewBuild;
    std::vector<expert::TIExpert *> m_experts;
    std::vector<void *> m_entered; // library handles whose entry has run
    wizard::DialogService *m_expertDialogs = nullptr; // handed to the expert libraries
    wizard::HelpSystem *m_expertHelp = nullptr;
    std::vector<expert::TExpertTerminateProc> m_terminates;
    QStringList m_calls;
    QString m_projectPath;
    bool m_closeRefused = false; // the user cancelled the last closeproject
};

// The registration procedure handed to every expert.
bool registerExpert(expert::TIExpert *expert);

} // namespace quillon::idehost
