#include "platform/configdir.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace quillon::platform {

std::string userHome()
{
    if (const char *home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd *pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir)
        return pw->pw_dir;
    return {};
}

std::string userConfigHome()
{
    if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return xdg;
    const std::string home = userHome();
    return home.empty() ? home : home + "/.config";
}

} // namespace quillon::platform
