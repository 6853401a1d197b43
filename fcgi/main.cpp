/*
** quillon-fcgi: serves an ISAPI extension library to a web server over
** FastCGI, from a pool of worker processes (see fcgi/supervisor.h).
**
**   quillon-fcgi [OPTION...] LIBRARY     (the options: kOptions below, or --help)
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
** Started as root it runs the workers, and --check, as the user --user
** names; it refuses to run them as root unless given --allow-root.
**
** Exit status: 0 after a clean stop, 1 when the requests in flight did not
** end in time, 2 for a usage error, a library that cannot be loaded or a
** socket that cannot be opened.
*/

#include "fcgi/privileges.h"
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

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>

namespace {

struct Options
{
    std::string socketPath;
    std::string listen;
    std::string chdir;
    quillon::fcgi::PoolSettings pool;
    bool allowRoot = false;
    bool check = false;
    bool help = false;
    bool version = false;
};

class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The one table of options: the parser reads it, and the usage lines and
// the help (from which the manual page is made) are written from it, so
// they cannot disagree. A numeric option has a range; its default is what
// a fresh Options holds.
struct OptionRow
{
    const char *name;
    const char *value; // the value's placeholder; null for a switch
    const char *help;
    unsigned low = 0, high = 0; // a number's range; both 0 for text
    void (*set)(Options &, const std::string &text, unsigned number) = nullptr;
    unsigned (*current)(const Options &) = nullptr; // a number's value, for the default shown
};

using std::chrono::seconds;
using Pool = quillon::fcgi::PoolSettings;

unsigned inSeconds(std::chrono::milliseconds ms)
{
    return static_cast<unsigned>(ms.count() / 1000);
}

const OptionRow kOptions[] = {
    {"--socket", "PATH", "listen on the Unix socket PATH", 0, 0,
     [](Options &o, const std::string &t, unsigned) { o.socketPath = t; }},
    {"--listen", "HOST:PORT", "listen on a TCP address (neither: serve on the socket handed over as standard input)",
     0, 0, [](Options &o, const std::string &t, unsigned) { o.listen = t; }},
    {"--chdir", "DIR", "change to DIR before loading the library", 0, 0,
     [](Options &o, const std::string &t, unsigned) { o.chdir = t; }},
    {"--min-workers", "N", "worker processes kept running, also when idle", 1, 1024,
     [](Options &o, const std::string &, unsigned n) { o.pool.minWorkers = n; },
     [](const Options &o) { return o.pool.minWorkers; }},
    {"--max-workers", "N", "worker processes at most; the pool grows while connections wait and no worker is free", 1, 1024,
     [](Options &o, const std::string &, unsigned n) { o.pool.maxWorkers = n; },
     [](const Options &o) { return o.pool.maxWorkers; }},
    {"--threads", "N",
     "requests one worker serves at once (only for thread-safe extensions: a crash then fails the worker's other"
     " requests too)",
     1, 1024, [](Options &o, const std::string &, unsigned n) { o.pool.threads = n; },
     [](const Options &o) { return o.pool.threads; }},
    {"--request-timeout", "S",
     "a request still running after S seconds is answered 504 (when nothing was sent yet) and its worker replaced;"
     " a worker that is not ready after S seconds is given up",
     1, 86400, [](Options &o, const std::string &, unsigned n) { o.pool.requestTimeout = seconds(n); },
     [](const Options &o) { return inSeconds(o.pool.requestTimeout); }},
    {"--read-timeout", "S",
     "a connection that has not sent a whole request opening after S seconds, or stops sending its body for S"
     " seconds, is dropped; so is a kept connection that sends no new request",
     1, 3600, [](Options &o, const std::string &, unsigned n) { o.pool.readTimeout = seconds(n); },
     [](const Options &o) { return inSeconds(o.pool.readTimeout); }},
    {"--idle-timeout", "S", "workers beyond the minimum idle this long are retired", 1, 86400,
     [](Options &o, const std::string &, unsigned n) { o.pool.idleTimeout = seconds(n); },
     [](const Options &o) { return inSeconds(o.pool.idleTimeout); }},
    {"--backlog", "N",
     "requests that may wait for a free worker once the pool is at its most and busy (more are answered 503), and"
     " connections that may wait then to send a whole request (with so many, a new one closes the oldest of them"
     " once it has waited half a second)",
     1, 65535, [](Options &o, const std::string &, unsigned n) { o.pool.backlog = n; },
     [](const Options &o) { return o.pool.backlog; }},
    {"--user", "NAME",
     "run the workers (and --check) as the user NAME, with its group and groups; a responder started as root"
     " needs this or --allow-root",
     0, 0, [](Options &o, const std::string &t, unsigned) { o.pool.user = t; }},
    {"--allow-root", nullptr,
     "let the workers run as root, where the extension can read and write anything (refused without it)", 0, 0,
     [](Options &o, const std::string &, unsigned) { o.allowRoot = true; }},
    {"--max-requests", "N", "a worker is replaced after serving N requests (0: never)", 0, 100000000,
     [](Options &o, const std::string &, unsigned n) { o.pool.maxRequests = n; },
     [](const Options &o) { return o.pool.maxRequests; }},
    {"--max-memory", "MIB",
     "a worker whose resident memory exceeds MIB mebibytes after a request is replaced (0: no bound)", 0, 1048576,
     [](Options &o, const std::string &, unsigned n) { o.pool.maxMemoryMiB = n; },
     [](const Options &o) { return o.pool.maxMemoryMiB; }},
    {"--check", nullptr, "load the library (GetExtensionVersion, TerminateExtension), print its description and exit",
     0, 0, [](Options &o, const std::string &, unsigned) { o.check = true; }},
    {"--help", nullptr, "show this help and exit", 0, 0,
     [](Options &o, const std::string &, unsigned) { o.help = true; }},
    {"--version", nullptr, "show the version and exit", 0, 0,
     [](Options &o, const std::string &, unsigned) { o.version = true; }},
};

std::string usage()
{
    std::string line = "usage: quillon-fcgi";
    std::string out;
    for (const OptionRow &o : kOptions) {
        if (o.value == nullptr)
            continue;
        const std::string item = std::string(" [") + o.name + " " + o.value + "]";
        if (line.size() + item.size() > 78) {
            out += line + "\n";
            line = std::string(19, ' ');
        }
        line += item;
    }
    return out + line + " LIBRARY\n       quillon-fcgi --check LIBRARY\n";
}

std::string help()
{
    const Options defaults;
    std::string out = "Serve the ISAPI extension library LIBRARY to a web server over FastCGI, from a pool of\n"
                      "worker processes that each load it.\n\nOptions:\n";
    for (const OptionRow &o : kOptions) {
        std::string head = std::string("  ") + o.name + (o.value != nullptr ? std::string(" ") + o.value : "");
        std::string text = o.help;
        if (o.current != nullptr)
            text += " (" + std::to_string(o.low) + " to " + std::to_string(o.high) + ", default "
                    + std::to_string(o.current(defaults)) + ")";
        // The text in a column of its own at kColumn, wrapped at 79.
        constexpr std::size_t kColumn = 24;
        out += head
               + (head.size() + 2 <= kColumn ? std::string(kColumn - head.size(), ' ')
                                              : "\n" + std::string(kColumn, ' '));
        std::size_t column = kColumn;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t space = text.find(' ', at);
            const std::string word = text.substr(at, space == std::string::npos ? std::string::npos : space - at);
            if (column > kColumn && column + 1 + word.size() > 79) {
                out += "\n" + std::string(kColumn, ' ');
                column = kColumn;
            } else if (column > kColumn) {
                out += ' ';
                ++column;
            }
            out += word;
            column += word.size();
            at = space == std::string::npos ? text.size() : space + 1;
        }
        out += "\n";
    }
    return out + "\nSignals: SIGHUP reloads the library (new workers load it again; the running ones serve\n"
                 "until one is ready, and go on serving when it does not load); SIGTERM or SIGINT stop it\n"
                 "after the requests in flight (each worker calls TerminateExtension).\n\n"
                 "Exit status: 0 after a clean stop, 1 when requests did not end in time, 2 for a usage\n"
                 "error, a library that cannot be loaded or a socket that cannot be opened.\n";
}

// A whole number from low to high, as an option's value.
unsigned number(const std::string &option, const std::string &text, unsigned low, unsigned high)
{
    const bool digits = !text.empty() && text.size() <= 9 && text.find_first_not_of("0123456789") == std::string::npos;
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
        const auto option = std::find_if(std::begin(kOptions), std::end(kOptions),
                                       [&](const OptionRow &s) { return a == s.name; });
        if (option != std::end(kOptions)) {
            std::string text;
            if (option->value != nullptr) {
                if (i + 1 >= argc)
                    throw UsageError(a + " needs a value");
                text = argv[++i];
            }
            const bool numeric = option->current != nullptr;
            option->set(o, text, numeric ? number(a, text, option->low, option->high) : 0);
            if (o.help || o.version)
                return o;
        } else if (a.starts_with("-")) {
            throw UsageError("unknown option " + a);
        } else if (pool.library.empty()) {
            pool.library = a;
        } else {
            throw UsageError("more than one library given: " + a);
        }
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
        std::cerr << "quillon-fcgi: " << e.what() << "\n" << usage();
        return 2;
    }
    if (options.help) {
        std::cout << usage() << '\n' << help();
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
        quillon::fcgi::RunAs runAs;
        try {
            runAs = quillon::fcgi::chooseRunAs(options.pool.user, options.allowRoot);
        } catch (const std::invalid_argument &e) {
            throw UsageError(e.what());
        }
        if (options.check) {
            // The check runs the extension's code too: as the workers' user.
            quillon::fcgi::becomeUser(runAs);
            const quillon::isapi::Extension extension(options.pool.library);
            std::cout << options.pool.library.string() << ": " << extension.description() << std::endl;
            return 0;
        }
        options.pool.user = runAs.user;
        options.pool.uid = runAs.uid;
        options.pool.gid = runAs.gid;
        if (::geteuid() == 0 && runAs.user.empty())
            std::cerr << "quillon-fcgi: warning: the workers run as root (--allow-root), and so does the extension"
                         " in them"
                      << std::endl;
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
        std::cerr << "quillon-fcgi: " << e.what() << "\n" << usage();
        return 2;
    } catch (const std::exception &e) {
        std::cerr << "quillon-fcgi: " << e.what() << std::endl;
        return 2;
    }
}
