/*
** quillon-fcgi: serves an ISAPI extension library to a web server over
** FastCGI, from a pool of worker processes (see fcgi/supervisor.h).
**
**   quillon-fcgi [--socket PATH | --listen HOST:PORT] [--chdir DIR]
**                [--min-workers N] [--max-workers N] [--threads N]
**                [--request-timeout S] [--read-timeout S]
**                [--idle-timeout S] [--backlog N] LIBRARY
**   quillon-fcgi --check LIBRARY
**
** Without --socket or --listen it serves on the socket the web server
** handed over as standard input (lighttpd's "bin-path", spawn-fcgi).
** SIGTERM or SIGINT stop it: it lets the requests in flight end, retires
** the workers (each calls the extension's TerminateExtension) and exits
** with 0. SIGHUP replaces the workers with ones that load the library
** again. Started by a web server, it also stops when that server goes
** away; its workers end with it however it ends.
**
** --check loads the library as for serving (GetExtensionVersion, then
** TerminateExtension), prints its description and exits.
**
** Exit status: 0 after a clean stop, 1 when the requests in flight did not
** end in time, 2 for a usage error, a library that cannot be loaded or a
** socket that cannot be opened.
*/

#include "fcgi/serverconfig.h"
#include "fcgi/supervisor.h"
#include "isapi/extension.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>

namespace {

constexpr const char *kUsage =
    "usage: quillon-fcgi [--socket PATH | --listen HOST:PORT] [--chdir DIR]\n"
    "                    [--min-workers N] [--max-workers N] [--threads N]\n"
    "                    [--request-timeout S] [--read-timeout S] [--idle-timeout S]\n"
    "                    [--backlog N] LIBRARY\n"
    "       quillon-fcgi --check LIBRARY\n";

constexpr const char *kHelp =
    "Serve the ISAPI extension library LIBRARY to a web server over FastCGI.\n\n"
    "  --socket PATH       listen on the Unix socket PATH\n"
    "  --listen HOST:PORT  listen on a TCP address\n"
    "                      (neither: serve on the socket handed over as standard input)\n"
    "  --threads N         serve up to N requests at once (1 to 9999, default 16)\n"
    "  --chdir DIR         change to DIR before loading the library\n"
    "  --check             load the library, print its description and exit\n"
    "  --help              show this help\n"
    "  --version           show the version\n\n"
    "SIGTERM, SIGINT or SIGHUP stop it after the requests in flight. Exit status: 0 after a\n"
    "clean stop, 1 when requests did not end in time, 2 for a usage error, a library that\n"
    "cannot be loaded or a socket that cannot be opened.\n";

struct Options
{
    std::string socketPath;
    std::string listen;
    std::string chdir;
    quillon::fcgi::PoolSettings pool;
    bool check = false;
    bool help = false;
    bool version = false;
};

class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A whole number from low to high, as an option's value.
unsigned number(const std::string &option, const std::string &text, unsigned low, unsigned high)
{
    const bool digits = !text.empty() && text.size() <= 6 && text.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stoul(text) < low || std::stoul(text) > high)
        throw UsageError(option + " wants a number from " + std::to_string(low) + " to " + std::to_string(high)
                         + ", not '" + text + "'");
    return static_cast<unsigned>(std::stoul(text));
}

Options parse(int argc, char **argv)
{
    Options o;
    auto &pool = o.pool;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw UsageError(a + " needs a value");
            return argv[++i];
        };
        if (a == "--help" || a == "--version") {
            (a == "--help" ? o.help : o.version) = true;
            return o;
        }
        if (a == "--socket")
            o.socketPath = value();
        else if (a == "--listen")
            o.listen = value();
        else if (a == "--check")
            o.check = true;
        else if (a == "--chdir")
            o.chdir = value();
        else if (a == "--threads")
            pool.threads = number(a, value(), 1, 1024);
        else if (a == "--min-workers")
            pool.minWorkers = number(a, value(), 1, 1024);
        else if (a == "--max-workers")
            pool.maxWorkers = number(a, value(), 1, 1024);
        else if (a == "--backlog")
            pool.backlog = number(a, value(), 1, 65535);
        else if (a == "--request-timeout")
            pool.requestTimeout = std::chrono::seconds(number(a, value(), 1, 86400));
        else if (a == "--read-timeout")
            pool.readTimeout = std::chrono::seconds(number(a, value(), 1, 3600));
        else if (a == "--idle-timeout")
            pool.idleTimeout = std::chrono::seconds(number(a, value(), 1, 86400));
        else if (a.starts_with("-"))
            throw UsageError("unknown option " + a);
        else if (pool.library.empty())
            pool.library = a;
        else
            throw UsageError("more than one library given: " + a);
    }
    if (pool.library.empty())
        throw UsageError("no extension library given");
    if (!o.socketPath.empty() && !o.listen.empty())
        throw UsageError("give --socket or --listen, not both");
    if (pool.minWorkers > pool.maxWorkers)
        throw UsageError("--min-workers " + std::to_string(pool.minWorkers) + " is more than --max-workers "
                         + std::to_string(pool.maxWorkers));
    return o;
}

[[noreturn]] void failed(const std::string &what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// The socket appears at path only once it listens (it is bound under a
// name of its own and renamed), so a server that sees it can connect.
int openUnixSocket(const std::string &path)
{
    const std::string bound = path + "." + std::to_string(::getpid());
    sockaddr_un address{};
    if (bound.size() >= sizeof address.sun_path)
        throw std::runtime_error("socket path " + path + " is too long");
    struct stat st{};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISSOCK(st.st_mode))
        throw std::runtime_error(path + " exists and is not a socket");
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        failed("cannot make a socket");
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, bound.c_str(), bound.size() + 1);
    ::unlink(bound.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        failed("cannot bind " + bound);
    // An earlier run's socket at path is replaced.
    if (::listen(fd, SOMAXCONN) != 0 || ::rename(bound.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(bound.c_str());
        errno = error;
        failed("cannot listen on " + path);
    }
    return fd;
}

int openTcpSocket(const std::string &hostPort, std::string &bound)
{
    const auto colon = hostPort.rfind(':');
    if (colon == std::string::npos || colon + 1 == hostPort.size())
        throw UsageError("--listen wants HOST:PORT, not '" + hostPort + "'");
    const std::string host = colon == 0 ? "127.0.0.1" : hostPort.substr(0, colon);
    const std::string port = hostPort.substr(colon + 1);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *found = nullptr;
    if (const int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); rc != 0)
        throw std::runtime_error("cannot listen on " + hostPort + ": " + ::gai_strerror(rc));
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0
        || ::bind(fd, found->ai_addr, found->ai_addrlen) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        ::freeaddrinfo(found);
        failed("cannot listen on " + hostPort);
    }
    ::freeaddrinfo(found);
    sockaddr_in actual{};
    socklen_t len = sizeof actual;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&actual), &len);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &actual.sin_addr, text, sizeof text);
    bound = std::string(text) + ":" + std::to_string(ntohs(actual.sin_port));
    return fd;
}

bool isListeningSocket(int fd)
{
    int listening = 0;
    socklen_t len = sizeof listening;
    return ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &len) == 0 && listening != 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    try {
        options = parse(argc, argv);
    } catch (const UsageError &e) {
        std::cerr << "quillon-fcgi: " << e.what() << "\n" << kUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kUsage << '\n' << kHelp;
        return 0;
    }
    if (options.version) {
        std::cout << "quillon-fcgi " QUILLON_VERSION "\n";
        return 0;
    }

    // The supervisor takes these signals through a descriptor of its own.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGCHLD})
        sigaddset(&signals, s);
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    // Every connection waiting for its request holds a descriptor.
    quillon::fcgi::raiseDescriptorLimit();

    int listenFd = 0;
    std::string where;
    try {
        if (!options.chdir.empty())
            std::filesystem::current_path(options.chdir);
        options.pool.library = std::filesystem::absolute(options.pool.library).lexically_normal();
        if (options.check) {
            const quillon::isapi::Extension extension(options.pool.library);
            std::cout << options.pool.library.string() << ": " << extension.description() << std::endl;
            return 0;
        }
        if (!std::filesystem::is_regular_file(options.pool.library))
            throw std::runtime_error("cannot load " + options.pool.library.string() + ": no such file");

        if (!options.socketPath.empty()) {
            listenFd = openUnixSocket(options.socketPath);
            where = options.socketPath;
        } else if (!options.listen.empty()) {
            listenFd = openTcpSocket(options.listen, where);
        } else if (isListeningSocket(0)) {
            where = "the socket from the web server";
            // The web server that started us owns our lifetime.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() == 1)
                return 0;
        } else {
            throw UsageError("standard input is not a listening socket: give --socket or --listen,"
                             " or let the web server start quillon-fcgi");
        }

        const int status = quillon::fcgi::supervise(options.pool, listenFd, where);
        if (!options.socketPath.empty())
            ::unlink(options.socketPath.c_str());
        return status;
    } catch (const UsageError &e) {
        std::cerr << "quillon-fcgi: " << e.what() << "\n" << kUsage;
        return 2;
    } catch (const std::exception &e) {
        std::cerr << "quillon-fcgi: " << e.what() << std::endl;
        return 2;
    }
}
