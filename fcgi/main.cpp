/*
** quillon-fcgi: serves an ISAPI extension library to a web server over
** FastCGI.
**
**   quillon-fcgi [--socket PATH | --listen HOST:PORT] [--threads N]
**                [--chdir DIR] LIBRARY
**   quillon-fcgi --check LIBRARY
**
** Without --socket or --listen it serves on the socket the web server
** handed over as standard input (lighttpd's "bin-path", spawn-fcgi).
** SIGTERM, SIGINT or SIGHUP stop it: it lets the requests in flight end,
** calls the extension's TerminateExtension and exits with 0. Started by a
** web server, it also stops when that server goes away.
**
** --check loads the library as for serving (GetExtensionVersion, then
** TerminateExtension), prints its description and exits.
**
** Exit status: 0 after a clean stop, 1 when the requests in flight did not
** end in time, 2 for a usage error, a library that cannot be loaded or a
** socket that cannot be opened.
*/

#include "fcgi/responder.h"
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
#include <thread>

namespace {

constexpr const char *kUsage =
    "usage: quillon-fcgi [--socket PATH | --listen HOST:PORT] [--threads N] [--chdir DIR] LIBRARY\n"
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
    std::string library;
    std::string socketPath;
    std::string listen;
    std::string chdir;
    unsigned threads = 16;
    bool check = false;
    bool help = false;
    bool version = false;
};

class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

Options parse(int argc, char **argv)
{
    Options o;
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
        else if (a == "--threads") {
            const std::string n = value();
            if (n.empty() || n.size() > 4 || n.find_first_not_of("0123456789") != std::string::npos
                || std::stoi(n) < 1)
                throw UsageError("--threads wants a number from 1 to 9999, not '" + n + "'");
            o.threads = static_cast<unsigned>(std::stoi(n));
        } else if (a.starts_with("-"))
            throw UsageError("unknown option " + a);
        else if (o.library.empty())
            o.library = a;
        else
            throw UsageError("more than one library given: " + a);
    }
    if (o.library.empty())
        throw UsageError("no extension library given");
    if (!o.socketPath.empty() && !o.listen.empty())
        throw UsageError("give --socket or --listen, not both");
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
    if (::listen(fd, 128) != 0 || ::rename(bound.c_str(), path.c_str()) != 0) {
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
        || ::bind(fd, found->ai_addr, found->ai_addrlen) != 0 || ::listen(fd, 128) != 0) {
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

    // Stop signals are taken by one thread; a lost client is an error of a
    // write, not a signal.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    int listenFd = 0;
    std::string where;
    try {
        if (!options.chdir.empty())
            std::filesystem::current_path(options.chdir);
        const std::filesystem::path library = std::filesystem::absolute(options.library).lexically_normal();
        quillon::isapi::Extension extension(library);
        if (options.check) {
            std::cout << library.string() << ": " << extension.description() << std::endl;
            return 0;
        }

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

        quillon::fcgi::Responder responder(extension, listenFd, options.threads);
        std::thread signalThread([&] {
            int signal = 0;
            sigwait(&stopSignals, &signal);
            std::cerr << "quillon-fcgi: stopping (" << ::strsignal(signal) << ")" << std::endl;
            responder.stop();
        });
        std::cerr << "quillon-fcgi: serving " << library.string() << " (" << extension.description()
                  << ") on " << where << " with " << options.threads << " threads" << std::endl;
        const bool ended = responder.serve();
        signalThread.join();
        if (!options.socketPath.empty())
            ::unlink(options.socketPath.c_str());
        if (!ended) {
            std::cerr << "quillon-fcgi: requests still running; exiting without TerminateExtension" << std::endl;
            std::_Exit(1);
        }
        return 0; // the extension's TerminateExtension runs as it goes out of scope
    } catch (const UsageError &e) {
        std::cerr << "quillon-fcgi: " << e.what() << "\n" << kUsage;
        return 2;
    } catch (const std::exception &e) {
        std::cerr << "quillon-fcgi: " << e.what() << std::endl;
        return 2;
    }
}
