#pragma once

/*
** Whom the extension runs as. An extension runs with every right of its
** process, so a responder started as root hands the workers (and the
** library check) to an unprivileged user: --user NAME, or root itself only
** when told so with --allow-root.
*/

#include <string>

namespace quillon::fcgi {

struct RunAs
{
    std::string user; // empty: the user the responder runs as
    unsigned uid = 0, gid = 0;
};

// What --user and --allow-root ask for, checked against who we are; throws
// std::invalid_argument naming the option at fault.
RunAs chooseRunAs(const std::string &user, bool allowRoot);

// Takes the user's groups, group and user for this process; throws
// std::runtime_error naming the user and the cause.
void becomeUser(const RunAs &who);

} // namespace quillon::fcgi
