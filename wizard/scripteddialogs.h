#pragma once

/*
** A DialogService that shows nothing: it takes answers given in advance
** and reports every dialog as one transcript line, so tests and the script
** driver can check the exact caption and text of each box:
**
**   box CAPTION | TEXT -> ANSWER
**   message TEXT
**   dialog TITLE | FILTER | DEFAULT-EXTENSION -> PATH
**   dialog TITLE | FILTER | DEFAULT-EXTENSION | starts on FILE -> PATH
**        (the second when the dialog starts on a file of its own)
**   popup NAME | ITEM, ITEM -> CHOSEN
**   ask CAPTION | LABEL -> TEXT (or cancel)
**
** A box whose only button is OK is answered OK when nothing is queued. A
** dialog that opens with no answer queued is answered with Cancel (no
** file, no item) and remembered as a failure for the caller to report.
*/

#include "wizard/dialogservice.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace quillon::wizard {

// Escapes a transcript field: backslash, CR, LF and TAB as \\, \r, \n, \t.
QString escapeTranscript(const QString &text);
// The reverse, for script lines.
QString unescapeScript(const QString &text);

class ScriptedDialogs : public DialogService
{
public:
    using Sink = std::function<void(const QString &line)>;
    explicit ScriptedDialogs(Sink sink);

    // "yes", "no", "ok", "cancel", "save" or "discard" for a message box,
    // or the text of a button of a question with buttons of its own
    // ("replace", "merge"); false for anything else.
    bool queueAnswer(const QString &answer);
    void queueFile(std::optional<QString> path); // nullopt: cancel
    void queuePopup(const QString &item);
    void queueText(std::optional<QString> text); // nullopt: cancel

    // The first dialog that found no answer queued since the last call.
    std::optional<QString> takeFailure();
    bool queueEmpty() const { return m_answers.empty() && m_files.empty() && m_popups.empty() && m_texts.empty(); }

    QMessageBox::StandardButton messageBox(QWidget *owner, QMessageBox::Icon icon, const QString &caption,
                                           const QString &text, QMessageBox::StandardButtons buttons) override;
    void showMessage(QWidget *owner, const QString &text) override;
    int choose(QWidget *owner, QMessageBox::Icon icon, const QString &caption, const QString &text,
               const QStringList &buttons) override;
    std::optional<QString> fileDialog(QWidget *owner, const FileDialogRequest &request) override;
    QAction *popupMenu(QMenu *menu, const QPoint &screenPos) override;
    std::optional<QString> askText(QWidget *owner, const QString &caption, const QString &label) override;

private:
    void fail(const QString &what);

    Sink m_sink;
    std::deque<QString> m_answers; // lower case, as queued
    std::deque<std::optional<QString>> m_files;
    std::deque<QString> m_popups;
    std::deque<std::optional<QString>> m_texts;
    std::optional<QString> m_failure;
};

} // namespace quillon::wizard
