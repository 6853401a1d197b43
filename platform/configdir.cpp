#include "platform/configdir.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace quillon::platform {

std::string userConfigHome()
{
    if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return xdg;
    if (const char *home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config";
    if (const passwd *pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir)
        return std::string(pw->pw_dir) + "/.config";
    return {};
}

} // namespace quillon::platform
