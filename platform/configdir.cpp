#include "platform/configdir.h"
#include "platform/statedir.h"

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

namespace {

// $XDG_variable, else the user's home followed by fallback; empty if neither is known.
std::string xdgFolder(const char *variable, const char *fallback)
{
    if (const char *xdg = std::getenv(variable); xdg && *xdg)
        return xdg;
    const std::string home = userHome();
    return home.empty() ? home : home + fallback;
}

} // namespace

std::string userConfigHome()
{
    return xdgFolder("XDG_CONFIG_HOME", "/.config");
}

std::string userStateFolder()
{
    if (const char *own = std::getenv("QUILLON_STATE_DIR"); own && *own)
        return own;
    const std::string state = xdgFolder("XDG_STATE_HOME", "/.local/state");
    return state.empty() ? state : state + "/quillon";
}

} // namespace quillon::platform
