/*
** Context-sensitive help.  The wizard asks for the topic of a page or a
** button by its context number; the help file is a Qt compressed help file
** in which the keyword with the id "context-" and the number names that
** topic, so the numbers are kept in one table: the help project.
*/
#ifndef QUILLON_WIZARD_HELPSYSTEM_H
#define QUILLON_WIZARD_HELPSYSTEM_H

#include "wizard/helpfile.h"

#include <QString>

#include <memory>

class QWidget;

namespace quillon::platform {
class Registry;
}

namespace quillon::wizard {

class HelpSystem {
public:
    virtual ~HelpSystem() = default;
    // Shows the topic of context number `context` from the compressed help file helpFile.
    // Throws HelpError with a message naming the file when it is missing, unreadable,
    // not a help file, or has no topic for that context.
    virtual void showContext(const QString &helpFile, int context, QWidget *parent) = 0;
};

/* The real one: a help window over Qt's help engine, opened on the first
** request and reused (and raised) for later ones on the same file. */
std::unique_ptr<HelpSystem> createQtHelpSystem();

/* The installed help file: QUILLON.HLP in the install folder the set-up
** recorded (HKEY_CURRENT_USER "Software\Tarvik\Quillon", value
** "InstallPath"); with nothing recorded, the one in an installed program's
** data folder (platform/installlayout.h); else the bare file name, also when
** the registry cannot be read, so that asking for help names the file it
** looked for. */
QString installedHelpFile(const platform::Registry &registry);

} // namespace quillon::wizard

#endif
