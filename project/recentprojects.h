#pragma once

/*
** The Quillon projects used most recently, and the source the IDE had
** open, kept in the registry under HKEY_CURRENT_USER
** "Software\Tarvik\Quillon":
**
**   "RecentProject1" to "RecentProject6"  project files (.qnp) the wizard
**        opened or saved, newest first, each path once; the IDE's start
**        page lists them.
**   "OpenProject"  the project file the next Load Project opens without
**        its dialog: the IDE names it when one of the recent projects is
**        chosen, and the wizard takes it (reads and clears it).
**   "LastProject"  the Pascal source open in the IDE when it last stopped
**        (empty when none was); the IDE opens it again at its start.
**
** The wizard and the IDE each run their own copy of this code and meet
** only in the registry. Reading never fails: a registry that cannot be read
** is an empty list; writing throws std::exception with the registry's
** message.
*/

#include "platform/registry.h"

#include <string>
#include <vector>

namespace quillon::project {

class RecentProjects
{
public:
    static constexpr int kMaxRecent = 6;

    explicit RecentProjects(const platform::Registry &registry);

    std::vector<std::string> recent() const;
    // Puts projectFile first among the recent projects.
    void add(const std::string &projectFile);

    // The project file Load Project is to open next; empty for the dialog.
    void setOpenNext(const std::string &projectFile);
    // Returns the project file named by setOpenNext, once.
    std::string takeOpenNext();

    std::string lastSource() const;
    void setLastSource(const std::string &path);

private:
    std::string read(const char *value) const;
    void write(const char *value, const std::string &text);

    const platform::Registry &m_registry;
};

} // namespace quillon::project
