#pragma once

/*
** The host's build panel: the compiler's messages (a double click on one
** with a position asks to go there), the request a Run sends, typed as a
** query string, and the page it returned with its status line, rendered
** and as source. While a
** build step runs, a progress window with Cancel appears after a moment.
*/

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressDialog;
class QTabWidget;
class QTextBrowser;

namespace quillon::idehost {

class ProjectBuild;

class BuildPanel : public QWidget
{
    Q_OBJECT
public:
    BuildPanel(ProjectBuild &build, QWidget *parent = nullptr);

    // Clears the messages and the page before a new step.
    void clear();
    // Shows the page of the last run, or why it failed.
    void showRunResult(bool ok);
    // The request typed for Run, as a query string; forgetting it empties the field.
    QString request() const;
    void forgetRequest();

signals:
    void gotoLine(const QString &file, int line, int column);
    // Enter in the request field: run with this request.
    void runRequested();

private:
    QListWidget *buildMessages;
    QLineEdit *edRequest;
    QLabel *runStatus; // the status line of the last run ("200 OK"), over the page
    QTabWidget *resultTabs;
    QTextBrowser *pageView;
    QPlainTextEdit *pageSource;

    void stepStarted(const QString &what);
    void stepFinished();

    ProjectBuild &m_build;
    QProgressDialog *m_progress = nullptr;
};

} // namespace quillon::idehost
