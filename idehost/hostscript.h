#pragma once

/*
** Drives the host and the experts it loaded from a script, offscreen or
** not: the wizard driver's language, plus
**
**   menu PATH              triggers a menu item by its captions joined with
**                          "/" ("Qu&illon/&New Web Application")
**   gallery NAME           File > New, then chooses NAME on "Projects"
**   desktop FILE [PATH]    a picture of every visible window of the host
**                          where it stands, with the menu PATH open
**   type editor TEXT       types TEXT into the editor at its caret
**   close ide              closes the main window as its close box does
**
** and the transcript lines of the host: "ide closeproject", "ide
** openprojectinfo PATH -> true|false", "ide openproject PATH", "ide error
** MESSAGE" for the tool-service calls, "message TEXT" for a plain message
** box, and the build's lines ("compile PATH -> ok", "run LIBRARY QUERY ->
** STATUS", ...).
**
** The host's dialog service is offered to the experts before they load, so
** the messages they show while starting already land in the transcript;
** the IDE's own questions ("box Quillon IDE | ... -> save") go through it
** too, answered by queued "answer" lines (save, discard, cancel). Its help
** is offered as well, so help asked for in a wizard is a "help FILE
** CONTEXT" line, and Help > Contents a "help FILE contents" line.
*/

#include "wizard/scripteddialogs.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace quillon::idehost {

class IdeMainWindow;

class HostScript
{
public:
    // Offers the scripted dialogs to the experts and follows the window's
    // tool-service calls; call before the experts load.
    HostScript(IdeMainWindow &window, wizard::ScriptedDialogs::Sink sink);
    ~HostScript();
    HostScript(const HostScript &) = delete;
    HostScript &operator=(const HostScript &) = delete;

    // Runs the lines; 0, or 1 after an error line.
    int run(QStringList lines, const QString &screenshotDir = QString());

private:
    QString typeInEditor(const QString &text);

    IdeMainWindow &m_window;
    wizard::ScriptedDialogs::Sink m_sink;
    wizard::ScriptedDialogs m_dialogs;
    QMetaObject::Connection m_calls;
    QMetaObject::Connection m_reports;
};

// Saves a picture of the visible top-level windows of the application at
// their places on the screen (and an open menu over them).
bool saveDesktopPicture(const QString &file);

} // namespace quillon::idehost
