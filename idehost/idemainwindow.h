#pragma once

/*
** The host's main window: it plays the IDE's part for expert libraries.
** Its menu bar holds the usual top-level menus (Tools is "ToolsItem", so
** an expert menu inserted at index 9 lands between Tools and Help), an
** editor pane for the current project, and a message area for what went
** wrong while loading experts. It serves the tool services the experts are
** given and records every call they make as a transcript line:
**
**   ide closeproject
**   ide openprojectinfo PATH -> true|false
**   ide openproject PATH
**   ide error MESSAGE
*/

#include "expert/ideintf.h"

#include <QMainWindow>
#include <QStringList>

#include <vector>

class QListWidget;
class QDockWidget;
class QsciScintilla;

namespace quillon::idehost {

class BuildPanel;
class ProjectBuild;

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

    const std::vector<expert::TIExpert *> &experts() const { return m_experts; }
    expert::TIToolServices &toolServices();
    const QStringList &calls() const { return m_calls; }
    QString projectPath() const { return m_projectPath; }

    void message(const QString &text);

    // Writes the editor's text back to the project file (replaced
    // atomically); false, with the reason in the message area, on failure.
    bool saveProject();

    // Project > Compile: saves, then compiles the open project with Free
    // Pascal; Run > Run: saves, compiles when needed and serves one request
    // with the parameters typed in the build panel. Both report in the
    // message area and return whether they succeeded.
    bool compileProject();
    bool runProject();
    ProjectBuild &build() { return *m_build; }
    BuildPanel *buildPanel;

    // The tool-service operations.
    void closeProject();
    bool openProjectInfo(const QString &path);
    void openProject(const QString &path);
    void reportError(const QString &text);

    QsciScintilla *editor; // the current project, with Pascal highlighting
    QListWidget *messages;

public slots:
    // Puts the caret at a line and column of the project (both from 1).
    void goToLine(int line, int column);

signals:
    // Each tool-service call, as its transcript line.
    void called(const QString &line);

private:
    void record(const QString &line);
    friend bool registerExpert(expert::TIExpert *expert);
    void buildMenus();
    bool prepareBuild();
    void showGallery();

    class Services;
    Services *m_services;
    ProjectBuild *m_build;
    QDockWidget *m_buildDock;
    std::vector<expert::TIExpert *> m_experts;
    std::vector<void *> m_entered; // library handles whose entry has run
    std::vector<expert::TExpertTerminateProc> m_terminates;
    QStringList m_calls;
    QString m_projectPath;
};

// The registration procedure handed to every expert.
bool registerExpert(expert::TIExpert *expert);

} // namespace quillon::idehost
