#include "fpcbuild.h"

#include "platform/atomicfile.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string_view>

extern char **environ;

namespace fs = std::filesystem;

namespace quillon::testing {

namespace {

std::string readWhole(const fs::path &path)
{
    return platform::readFileIfExists(path.string()).value_or(std::string());
}

std::vector<std::string> fpcArguments(const fs::path &source, const fs::path &outDir,
                                      const fs::path &unitPath)
{
    return {QUILLON_FPC, "-vew", "-Cg", "-Fu" + unitPath.string(), "-FU" + outDir.string(),
            "-FE" + outDir.string(), source.string()};
}

fs::path logPathFor(const FpcJob &job)
{
    return job.outDir / (job.source.stem().string() + ".fpc.log");
}

// fpc names a library lib<name>.so and a program <name>, after the source.
fs::path outputOf(const FpcJob &job)
{
    const std::string stem = job.source.stem().string();
    for (const fs::path &made : {job.outDir / ("lib" + stem + ".so"), job.outDir / stem})
        if (fs::exists(made))
            return made;
    return {};
}

FpcResult finish(const FpcJob &job, int status)
{
    FpcResult result;
    result.exitCode = status;
    result.log = readWhole(logPathFor(job));
    if (status == 0)
        result.output = outputOf(job);
    return result;
}

} // namespace

int startProcess(const std::vector<std::string> &argv, const fs::path &logPath,
                 const std::vector<std::string> &extraEnv)
{
    const auto overridden = [&](std::string_view entry) {
        for (const auto &e : extraEnv) {
            const std::string_view name = std::string_view(e).substr(0, e.find('=') + 1);
            if (entry.starts_with(name))
                return true;
        }
        return false;
    };
    std::vector<char *> env;
    for (const auto &e : extraEnv)
        env.push_back(const_cast<char *>(e.c_str()));
    for (char **e = environ; *e != nullptr; ++e)
        if (!overridden(*e))
            env.push_back(*e);
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot run " + argv[0] + ": " + std::strerror(rc));
    return pid;
}

int waitProcess(int pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

FpcBuild::FpcBuild(const fs::path &workDir)
    : m_unitDir(workDir / "units")
{
    fs::create_directories(m_unitDir);
    const fs::path sources = QUILLON_PASCAL_DIR;
    // The two top units pull in the others.
    for (const char *unit : {"qnhttp.pas", "dbtables.pas"}) {
        const FpcJob job{sources / unit, m_unitDir};
        const int status = waitProcess(startProcess(fpcArguments(job.source, m_unitDir, sources),
                                                    logPathFor(job)));
        if (status != 0)
            throw std::runtime_error(std::string("the unit ") + unit + " does not compile:\n"
                                     + readWhole(logPathFor(job)));
    }
}

FpcResult FpcBuild::compile(const FpcJob &job) const
{
    return compileAll({job}, 1).front();
}

std::vector<FpcResult> FpcBuild::compileAll(const std::vector<FpcJob> &jobs,
                                            unsigned parallel) const
{
    std::vector<FpcResult> results(jobs.size());
    std::map<int, std::size_t> running; // pid -> job index
    std::size_t next = 0;
    while (next < jobs.size() || !running.empty()) {
        while (next < jobs.size() && running.size() < std::max(1u, parallel)) {
            const FpcJob &job = jobs[next];
            fs::create_directories(job.outDir);
            running[startProcess(fpcArguments(job.source, job.outDir, m_unitDir),
                                 logPathFor(job))] = next;
            ++next;
        }
        int status = 0;
        const pid_t pid = waitpid(-1, &status, 0);
        if (pid < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error(std::string("waiting for fpc: ") + std::strerror(errno));
        }
        const auto it = running.find(pid);
        if (it == running.end())
            continue;
        results[it->second] = finish(jobs[it->second], WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        running.erase(it);
    }
    return results;
}

} // namespace quillon::testing
