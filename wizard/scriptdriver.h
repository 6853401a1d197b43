#pragma once

/*
** The script driver: performs the lines of a script on a real wizard
** window, one after another from the event loop, and writes a transcript
** of what happened, one event a line. A line that opens a modal window of
** ours (the query results, the About box) hands the following lines to the
** event loop of that window, so a later line can act in it and close it.
**
** The script starts on a root window: a wizard window, or a host's main
** window in which wizard windows open later; each wizard window is followed
** (page, caption, finish, closed) from the moment it shows.
**
** Script lines: type, check, uncheck, click, key, doubleclick, choose,
** select, select+,
** answer, file, popup, close, show, screenshot, and the commands a host
** adds (blank lines and "#" comments are skipped; \n, \r, \t and \\ are
** escapes in TEXT). Every command is a verb of one table: its name, what
** follows the name, and what it does; a host adds its verbs to the same
** table. Transcript lines: page, focus, box, message, dialog,
** popup, show, caption, help, window, finish, closed, error. README.md
** describes both.
*/

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QDialog;
class QWidget;

namespace quillon::wizard {

class ScriptedDialogs;

// Reads a script file as its lines; nullopt with error set when it cannot
// be read ("cannot read the script PATH: REASON").
std::optional<QStringList> readScriptFile(const QString &path, QString &error);

// Writes a transcript line to standard output at once.
void printTranscriptLine(const QString &line);

class ScriptDriver : public QObject
{
    Q_OBJECT
public:
    using Sink = std::function<void(const QString &line)>;

    // A command a host adds: performs TEXT (everything after the command's
    // name) and returns an error message, empty when it worked. A name of
    // two words, a verb and a control ("type editor"), takes that verb for
    // that control before the driver's own verbs do; TEXT is then what
    // follows both words, kept exactly.
    using Command = std::function<QString(const QString &text)>;

    // What follows a verb's name on its line.
    enum class Operands {
        NameThenText, // the objectName of a control (which must exist), then TEXT
        Text,         // TEXT at once, from after the one space that ends the name
        TrimmedText,  // TEXT at once, without blanks at either end
    };
    struct Arguments
    {
        QObject *target = nullptr; // NameThenText: the control named
        QString name;
        QString text;
    };
    // Performs one line; returns an error message, empty when it worked.
    using Action = std::function<QString(const Arguments &arguments)>;

    ScriptDriver(QStringList script, QWidget &root, ScriptedDialogs &dialogs, Sink sink,
                 QString screenshotDir = QString());

    // Adds a verb; a name already in the table keeps its first meaning.
    void addVerb(const QString &name, Operands operands, Action action);
    // A host's verb, taking its TEXT without blanks at either end (a verb
    // for one control of the host's own: TEXT as written).
    void addCommand(const QString &name, Command command);

    // Runs the script to its end; returns 0, or 1 after an error line. A
    // root that is a dialog runs modally; another root is shown and the
    // script runs in an event loop of its own.
    int run();

    // Fails the line now running (a host command's later part found a fault).
    void failCurrent(const QString &message);

    // Windows shown while this is set take no lines of the script: a host
    // command answers them itself.
    void setHandoverBlocked(bool blocked) { m_handoverBlocked = blocked; }

    // The state of a control as a one-line JSON object.
    static QString controlState(QObject *control);

signals:
    void ended(); // the last line has run, or a line failed

private slots:
    void reportGenerated(const QString &path);

private:
    struct Verb
    {
        QString name;
        Operands operands;
        Action action;
    };

    void addBuiltInVerbs();
    void step();
    void perform(int index);
    void afterLine(int index);
    void fail(int index, const QString &message);
    QObject *find(const QString &name) const;
    void pageShot(int page);
    void attachWizard(QDialog *window);
    QWidget *activeRoot() const;
    bool eventFilter(QObject *watched, QEvent *event) override;

    QStringList m_script;
    QPointer<QWidget> m_root;
    QPointer<QDialog> m_wizard; // the wizard window followed now
    std::vector<Verb> m_verbs;
    bool m_handoverBlocked = false;
    ScriptedDialogs &m_dialogs;
    Sink m_sink;
    QString m_shots;
    int m_next = 0;
    int m_status = 0;
    bool m_done = false;
    std::vector<int> m_running;      // lines being performed, innermost last
    std::vector<bool> m_handedOver;  // per line: a modal window took over the next lines
    QPointer<QWidget> m_focus;
    std::vector<QPointer<QWidget>> m_focusTrail; // focus changes while the line ran
    int m_shotCount = 0;
    int m_pendingShot = -1; // a page reached whose screenshot is still to take
};

} // namespace quillon::wizard
