#include "expert/toolserviceshost.h"

#include "expert/ideintf.h"

namespace quillon::expert {

void ToolServicesHost::closeProject()
{
    m_services.CloseProject();
}

bool ToolServicesHost::openProjectInfo(const std::string &path)
{
    return m_services.OpenProjectInfo(path.c_str());
}

void ToolServicesHost::openProject(const std::string &path)
{
    m_services.OpenProject(path.c_str());
}

} // namespace quillon::expert
