#pragma once

/*
** ProjectLoadObserver: the seam through which a window follows a project
** load step by step.
**
** Loading a project file sets the record's fields in a fixed order; a wizard
** window also has to update things that are not in the record at certain
** steps (its combo box choices, its own database connection, its field-list
** change mark, its loading flag and enabled states). The loader calls these
** hooks at those steps. Every hook does nothing by default, so the command
** line loads with no observer at all.
**
** Order of calls: loadStarted; aliasLoaded (only when DBOk is set after
** reading it); insertTableLoaded; browseTableLoaded; fieldListsLoaded;
** loadFinished. loadFinished is called even when the load stops by an
** exception, so a loading flag set in loadStarted is always cleared. A hook
** may throw to stop the load (the fields set before it keep their new
** values, and the exception reaches the caller); loadFinished must not.
*/

#include <string>

namespace quillon {

class ProjectLoadObserver
{
public:
    virtual ~ProjectLoadObserver() = default;

    // Before the first field is set.
    virtual void loadStarted() {}
    // DBName has been read; the alias choices become this one value.
    virtual void aliasLoaded(const std::string &alias) { (void)alias; }
    // TbInsData has been read; the insert table choices become this one value.
    virtual void insertTableLoaded(const std::string &table) { (void)table; }
    // TbToBrowse has been read; the browse table choices become this one value.
    virtual void browseTableLoaded(const std::string &table) { (void)table; }
    // RetAvailFields and RetChosenFields are loaded: the field lists are
    // current, and the buttons that move fields between them can be updated.
    virtual void fieldListsLoaded() {}
    // After the last field, or when the load stops by an exception.
    virtual void loadFinished() {}
};

} // namespace quillon
