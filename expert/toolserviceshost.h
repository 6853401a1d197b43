#pragma once

/*
** Finish's last step over the IDE's tool services: close the current
** project, open the project information of the new file, open it.
*/

#include "wizard/wizardhost.h"

namespace quillon::expert {

class TIToolServices;

class ToolServicesHost : public wizard::WizardHost
{
public:
    explicit ToolServicesHost(TIToolServices &services)
        : m_services(services)
    {}
    void closeProject() override;
    bool openProjectInfo(const std::string &path) override;
    void openProject(const std::string &path) override;

private:
    TIToolServices &m_services;
};

} // namespace quillon::expert
