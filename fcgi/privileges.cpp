#include "fcgi/privileges.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace quillon::fcgi {

RunAs chooseRunAs(const std::string &user, bool allowRoot)
{
    const bool root = ::geteuid() == 0;
    if (user.empty()) {
        if (root && !allowRoot)
            throw std::invalid_argument("started as root, the workers would run the extension as root, free to read"
                                        " and write anything: give --user NAME to run them as an unprivileged user,"
                                        " or --allow-root to run them as root all the same");
        return {};
    }
    const passwd *entry = ::getpwnam(user.c_str());
    if (entry == nullptr)
        throw std::invalid_argument("--user: there is no user " + user);
    if (!root && entry->pw_uid != ::geteuid())
        throw std::invalid_argument("--user " + user + ": only a responder started as root can run its workers as"
                                    " another user");
    if (entry->pw_uid == 0 && !allowRoot)
        throw std::invalid_argument("--user " + user + " is root: give --allow-root to run the workers as root");
    if (!root)
        return {}; // already that user
    return RunAs{user, entry->pw_uid, entry->pw_gid};
}

void becomeUser(const RunAs &who)
{
    if (who.user.empty())
        return;
    if (::initgroups(who.user.c_str(), who.gid) != 0 || ::setgid(who.gid) != 0 || ::setuid(who.uid) != 0)
        throw std::runtime_error("cannot run as " + who.user + ": " + std::strerror(errno));
}

} // namespace quillon::fcgi
