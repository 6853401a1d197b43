#pragma once

/*
** Runs part of a test as an unprivileged user, so that file permissions
** apply even when the tests run as root (as CI does): root ignores a
** read-only folder, and a test that skipped itself there would never run.
**
** As root, the body runs in a forked child that hands the given folders to
** the user (by default "nobody", uid and gid 65534), drops its groups, group and user
** (setgroups, setgid, setuid, in that order, so none can be taken back) and
** checks that it can no longer write to a root-only folder. Otherwise it
** runs in this process, which is unprivileged already. The body returns a
** failure text, empty when all its checks held; the child passes it back
** through a pipe, since a gtest assertion in the child would be lost.
*/

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillon::test {

inline constexpr uid_t kNobody = 65534;

inline void chownTree(const std::string &folder, uid_t uid, gid_t gid)
{
    namespace fs = std::filesystem;
    ::chown(folder.c_str(), uid, gid);
    std::error_code ec;
    for (const auto &entry : fs::recursive_directory_iterator(folder, ec))
        ::lchown(entry.path().c_str(), uid, gid);
}

inline std::string runUnprivileged(const std::vector<std::string> &folders,
                                   const std::function<std::string()> &body, uid_t user = kNobody)
{
    if (::geteuid() != 0)
        return body();
    int fds[2];
    if (::pipe(fds) != 0)
        return "cannot make a pipe";
    for (const auto &folder : folders)
        chownTree(folder, user, user);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string result;
        if (::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0)
            result = "cannot drop privileges";
        else if (::geteuid() == 0 || ::access("/", W_OK) == 0)
            result = "privileges were not dropped";
        else
            result = body();
        if (!result.empty() && ::write(fds[1], result.data(), result.size()) < 0)
            ::_exit(3);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    for (const auto &folder : folders)
        chownTree(folder, 0, 0);
    if (pid < 0)
        return "cannot fork";
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the unprivileged child failed (status " + std::to_string(status) + ") " + result;
    return result;
}

} // namespace quillon::test
