#include "cli/servecommand.h"

#include "cli/arguments.h"
#include "cli/programsearch.h"
#include "fcgi/serverconfig.h"
#include "platform/atomicfile.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace quillon::cli {

namespace {

constexpr int kDefaultPort = 8080;

int parsePort(const std::string &text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos
        || std::stoi(text) < 1 || std::stoi(text) > 65535)
        throw UsageError("serve: --port wants a number from 1 to 65535, not '" + text + "'");
    return std::stoi(text);
}

constexpr const char *kRunFolderPrefix = "quillon-serve-";

// Removes the temporary folders that runs killed before they could clean
// up left behind: quillon-serve-PID-XXXXXX whose process PID is gone.
void removeAbandonedRunFolders()
{
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(fs::temp_directory_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(kRunFolderPrefix))
            continue;
        const std::string rest = name.substr(std::strlen(kRunFolderPrefix));
        const auto dash = rest.find('-');
        if (dash == 0 || dash == std::string::npos || dash > 9
            || rest.find_first_not_of("0123456789") != dash)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(rest.substr(0, dash)));
        if (::kill(pid, 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

// The temporary folder of one run, removed with what is in it; its name
// holds our process id, so a later run can tell when it was abandoned.
class RunFolder
{
public:
    RunFolder()
    {
        std::string pattern =
            (fs::temp_directory_path() / (kRunFolderPrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary folder from " + pattern + ": " + std::strerror(errno));
        m_path = pattern;
    }
    ~RunFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    RunFolder(const RunFolder &) = delete;
    RunFolder &operator=(const RunFolder &) = delete;
    const fs::path &path() const { return m_path; }

private:
    fs::path m_path;
};

// A program of ours in the foreground (the web server, and with nginx the
// responder), its output in a log; stopped when this ends. They run in a
// process group of their own (the first one's), with the responder's
// workers, all stopped together; and each gets SIGTERM when this process
// dies, however it dies (lighttpd then stops the responder it started, the
// responder its workers).
class Server
{
public:
    Server(const std::vector<std::string> &argv, const fs::path &log, pid_t group = 0)
    {
        const int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (logFd < 0)
            throw std::runtime_error("cannot write " + log.string() + ": " + std::strerror(errno));
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        const pid_t parent = ::getpid();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::setpgid(0, group);
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent)
                std::_Exit(0);
            const int null = ::open("/dev/null", O_RDONLY);
            ::dup2(null, STDIN_FILENO);
            ::dup2(logFd, STDOUT_FILENO);
            ::dup2(logFd, STDERR_FILENO);
            // The child takes the stop signals that this process holds back.
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::execv(args[0], args.data());
            std::_Exit(127);
        }
        const int error = errno;
        ::close(logFd);
        if (m_pid < 0)
            throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
        m_group = group == 0 ? m_pid : group;
        ::setpgid(m_pid, m_group); // also here, so that stop() finds the group at once
    }
    ~Server() { stop(SIGTERM); }
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    pid_t group() const { return m_group; }

    bool exited()
    {
        if (m_pid <= 0)
            return true;
        const pid_t found = ::waitpid(m_pid, nullptr, WNOHANG);
        if (found == m_pid || (found < 0 && errno == ECHILD)) // ECHILD: collected with the group below
            m_pid = -1;
        return m_pid <= 0;
    }

    // Asks the process to stop with signal, without waiting.
    void signal(int signal)
    {
        if (m_pid > 0)
            ::kill(m_pid, signal);
    }

    // signal, and SIGKILL to the whole group after ten seconds; then
    // whatever of the group is left is ended too.
    void stop(int signal)
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, signal);
        for (int i = 0; i < 500 && !exited(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (m_pid > 0) {
            ::kill(-m_group, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        // The responder stops by itself when lighttpd goes; give it the
        // grace time it gives its requests, then end what remains.
        // Our children in the group that have ended are collected, or they
        // would count as running.
        for (int i = 0; i < 600 && ::kill(-m_group, 0) == 0; ++i) {
            while (::waitpid(-m_group, nullptr, WNOHANG) > 0) {
            }
            if (::kill(-m_group, 0) != 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(-m_group, SIGKILL);
    }

private:
    pid_t m_pid = -1;
    pid_t m_group = -1;
};

bool answers(const std::string &bind, int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, bind == "0.0.0.0" ? "127.0.0.1" : bind.c_str(), &address.sin_addr);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

/*
** Whom the extension runs as, as quillon-fcgi options. quillon-fcgi itself
** refuses to run it as root unless told; started as root without --user or
** --allow-root, serve runs it as the owner of the library (whoever built
** it), and refuses a library that root owns.
*/
std::vector<std::string> runAsOptions(const Arguments &a, const fs::path &library)
{
    std::vector<std::string> options;
    if (const auto user = a.option("--user"))
        options = {"--user", *user};
    if (a.flag("--allow-root"))
        options.push_back("--allow-root");
    if (!options.empty() || ::geteuid() != 0)
        return options;
    struct stat st{};
    if (::stat(library.c_str(), &st) == 0 && st.st_uid != 0) {
        if (const passwd *owner = ::getpwuid(st.st_uid)) {
            std::cout << "The extension runs as " << owner->pw_name << ", the owner of " << library.string()
                      << " (--user chooses another user)" << std::endl;
            return {"--user", owner->pw_name};
        }
    }
    throw UsageError("serve: started as root, and " + library.string()
                     + " belongs to root: give --user NAME to run the extension as an unprivileged user, or"
                       " --allow-root to run it as root all the same");
}

std::string logText(const fs::path &folder)
{
    std::string text;
    for (const char *name : {"lighttpd.log", "nginx.log", "responder.log", "error.log"})
        if (fs::exists(folder / name))
            text += platform::readFile((folder / name).string());
    return text;
}

} // namespace

int runServe(const Args &args)
{
    const Arguments a("serve", args, {"--port", "--bind", "--web-server", "--user"}, {"--allow-root"});
    a.expectPositionals({"the extension library (EXT.so)"});
    const int port = a.option("--port") ? parsePort(*a.option("--port")) : kDefaultPort;
    const std::string bind = a.option("--bind").value_or("127.0.0.1");
    in_addr ignored{};
    if (::inet_pton(AF_INET, bind.c_str(), &ignored) != 1)
        throw UsageError("serve: --bind wants an IPv4 address such as 127.0.0.1, not '" + bind + "'");
    const fs::path library = fs::absolute(a.positionals()[0]).lexically_normal();
    if (!fs::is_regular_file(library))
        throw std::runtime_error(library.string() + ": no such extension library");

    const std::string kind = a.option("--web-server").value_or("lighttpd");
    if (kind != "lighttpd" && kind != "nginx")
        throw UsageError("serve: --web-server wants lighttpd or nginx, not '" + kind + "'");
    const fs::path webServer = findProgram(kind, {"/usr/sbin", "/usr/local/sbin"});
    if (webServer.empty())
        throw std::runtime_error(kind + " not found: install the Debian package "
                                 + (kind == "nginx" ? "nginx-light" : "lighttpd"));
    const fs::path self = fs::read_symlink("/proc/self/exe");
    fs::path responderProgram = self.parent_path() / "quillon-fcgi";
    if (::access(responderProgram.c_str(), X_OK) != 0)
        responderProgram = findProgram("quillon-fcgi", {});
    if (responderProgram.empty())
        throw std::runtime_error("quillon-fcgi not found beside " + self.string() + " or in PATH");
    if (answers(bind, port))
        throw std::runtime_error("something already listens on " + bind + ":" + std::to_string(port)
                                 + "; choose another port with --port");
    const std::vector<std::string> runAs = runAsOptions(a, library);
    std::string runAsText;
    for (const std::string &option : runAs)
        runAsText += " " + fcgi::shellQuote(option);

    // The library must load before a server is put in front of it: lighttpd
    // would keep restarting a responder that cannot serve.
    {
        RunFolder checkFolder;
        const fs::path log = checkFolder.path() / "check.log";
        const std::string command = fcgi::shellQuote(responderProgram.string()) + runAsText + " --check "
                                    + fcgi::shellQuote(library.string()) + " > " + fcgi::shellQuote(log.string())
                                    + " 2>&1";
        if (std::system(command.c_str()) != 0) {
            std::string why = platform::readFile(log.string());
            while (!why.empty() && why.back() == '\n')
                why.pop_back();
            throw std::runtime_error(why.empty() ? "cannot run " + responderProgram.string() : why);
        }
    }

    // Stop signals are waited for below, not taken by surprise.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stopSignals, s);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);

    removeAbandonedRunFolders();
    RunFolder folder;
    fcgi::ServerSettings settings;
    settings.bind = bind;
    settings.port = port;
    settings.folder = folder.path();
    settings.socket = folder.path() / "fcgi.sock";
    settings.maxFds = fcgi::raiseDescriptorLimit();
    std::unique_ptr<Server> responder; // nginx does not start it
    std::unique_ptr<Server> server;
    if (kind == "lighttpd") {
        const fs::path starter = folder.path() / "responder.sh";
        platform::writeFileAtomically(starter.string(),
                                      fcgi::responderScript(responderProgram, library, fs::current_path(), runAs));
        fs::permissions(starter, fs::perms::owner_all);
        const fs::path config = folder.path() / "lighttpd.conf";
        platform::writeFileAtomically(config.string(), fcgi::lighttpdConfig(settings, starter));
        server = std::make_unique<Server>(std::vector<std::string>{webServer.string(), "-D", "-f", config.string()},
                                          folder.path() / "lighttpd.log");
    } else {
        std::vector<std::string> argv{responderProgram.string(), "--socket", settings.socket.string(), "--chdir",
                                      fs::current_path().string()};
        argv.insert(argv.end(), runAs.begin(), runAs.end());
        argv.push_back(library.string());
        responder = std::make_unique<Server>(std::move(argv), folder.path() / "responder.log");
        const auto started = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (!fs::exists(settings.socket)) {
            if (responder->exited() || std::chrono::steady_clock::now() > started)
                throw std::runtime_error("quillon-fcgi did not start serving " + library.string() + ":\n"
                                         + logText(folder.path()));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        const fs::path config = folder.path() / "nginx.conf";
        platform::writeFileAtomically(config.string(), fcgi::nginxConfig(settings));
        server = std::make_unique<Server>(std::vector<std::string>{webServer.string(), "-e", (folder.path() / "error.log").string(),
                                                                   "-p", folder.path().string(), "-c", config.string()},
                                          folder.path() / "nginx.log", responder->group());
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!answers(bind, port)) {
        if (server->exited() || std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error(kind + " did not start serving " + library.string() + ":\n"
                                     + logText(folder.path()));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::cout << "Serving " << library.string() << " at http://" << bind << ":" << port
              << "/ (press Ctrl+C to stop)" << std::endl;

    const timespec tick{0, 200 * 1000 * 1000};
    for (;;) {
        const int signal = ::sigtimedwait(&stopSignals, nullptr, &tick);
        if (signal > 0)
            break;
        if (server->exited())
            throw std::runtime_error(kind + " stopped by itself:\n" + logText(folder.path()));
        if (responder && responder->exited())
            throw std::runtime_error("quillon-fcgi stopped by itself:\n" + logText(folder.path()));
    }
    // nginx stops gracefully on SIGQUIT (the requests in flight end), the
    // responder on SIGTERM (likewise); lighttpd stops the responder itself.
    if (responder) {
        server->signal(SIGQUIT);
        responder->signal(SIGTERM);
        server->stop(SIGQUIT);
        responder->stop(SIGTERM);
    } else {
        server->stop(SIGTERM);
    }
    std::cout << "Stopped." << std::endl;
    return 0;
}

} // namespace quillon::cli
