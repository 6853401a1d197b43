#pragma once

/*
** What Finish asks of the program that runs the wizard once the source is
** written: the IDE closes its current project and opens the new one. The
** wizard run on its own has a host that only reports the file.
*/

#include <string>

namespace quillon::wizard {

class WizardHost
{
public:
    virtual ~WizardHost() = default;
    virtual void closeProject() = 0;
    // Opens the project information of a file; false when that fails.
    virtual bool openProjectInfo(const std::string &path) = 0;
    virtual void openProject(const std::string &path) = 0;
};

} // namespace quillon::wizard
