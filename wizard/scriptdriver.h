#pragma once

/*
** The script driver: performs the lines of a script on a real wizard
** window, one after another from the event loop, and writes a transcript
** of what happened, one event a line. A line that opens a modal window of
** ours (the query results, the About box) hands the following lines to the
** event loop of that window, so a later line can act in it and close it.
**
** Script lines: type, check, uncheck, click, choose, select, select+,
** answer, file, popup, close, show, screenshot (blank lines and "#"
** comments are skipped; \n, \r, \t and \\ are escapes in TEXT). Transcript
** lines: page, focus, box, dialog, popup, show, caption, help, window,
** finish, closed, error. README.md describes both.
*/

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QWidget;

namespace quillon::wizard {

class ScriptedDialogs;
class TfrmWiz;

class ScriptDriver : public QObject
{
    Q_OBJECT
public:
    using Sink = std::function<void(const QString &line)>;

    ScriptDriver(QStringList script, TfrmWiz &window, ScriptedDialogs &dialogs, Sink sink,
                 QString screenshotDir = QString());

    // Runs the script to its end; returns 0, or 1 after an error line.
    int run();

    // The state of a control as a one-line JSON object.
    static QString controlState(QObject *control);

private:
    void step();
    void perform(int index);
    void afterLine(int index);
    void fail(int index, const QString &message);
    QObject *find(const QString &name) const;
    void pageShot(int page);
    bool eventFilter(QObject *watched, QEvent *event) override;

    QStringList m_script;
    QPointer<TfrmWiz> m_window;
    ScriptedDialogs &m_dialogs;
    Sink m_sink;
    QString m_shots;
    int m_next = 0;
    int m_status = 0;
    bool m_done = false;
    std::vector<int> m_running;      // lines being performed, innermost last
    std::vector<bool> m_handedOver;  // per line: a modal window took over the next lines
    QPointer<QWidget> m_focus;
    int m_shotCount = 0;
    int m_pendingShot = -1; // a page reached whose screenshot is still to take
};

} // namespace quillon::wizard
