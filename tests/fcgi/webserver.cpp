#include "webserver.h"

#include "fcgi/serverconfig.h"
#include "platform/atomicfile.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace quillon::testing {

const char *serverName(ServerKind kind)
{
    return kind == ServerKind::Lighttpd ? "lighttpd" : "nginx";
}

bool portAnswers(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(port);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

int processesMentioning(const std::string &text)
{
    int found = 0;
    for (const auto &entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos || name == std::to_string(::getpid()))
            continue;
        std::ifstream in(entry.path() / "cmdline", std::ios::binary);
        const std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (cmdline.find(text) != std::string::npos)
            ++found;
    }
    return found;
}

WebServer::WebServer(ServerKind kind, const fs::path &library, const fs::path &folder, const ServeOptions &options)
    : m_kind(kind), m_library(library), m_folder(folder), m_options(options)
{
    const std::vector<std::string> root = rootAllowed();
    m_options.responderOptions.insert(m_options.responderOptions.begin(), root.begin(), root.end());
    fs::create_directories(folder);
    // Another test may take the port between the look and the start: try again on another.
    for (int attempt = 0;; ++attempt) {
        try {
            start();
            return;
        } catch (const std::runtime_error &) {
            stop();
            if (attempt == 2)
                throw;
        }
    }
}

WebServer::~WebServer()
{
    stop();
}

void WebServer::start()
{
    fcgi::ServerSettings settings;
    settings.port = m_port = freePort();
    settings.folder = m_folder;
    settings.socket = m_folder / "fcgi.sock";
    const fs::path config = m_folder / (std::string(serverName(m_kind)) + ".conf");
    const fs::path serverLog = m_folder / "server.log";
    if (m_kind == ServerKind::Lighttpd) {
        const fs::path starter = m_folder / "responder.sh";
        platform::writeFileAtomically(starter.string(), fcgi::responderScript(QUILLON_FCGI, m_library, m_folder,
                                                                              m_options.responderOptions));
        fs::permissions(starter, fs::perms::owner_all);
        platform::writeFileAtomically(config.string(), fcgi::lighttpdConfig(settings, starter));
        m_server = std::make_unique<ChildProcess>(
            std::vector<std::string>{QUILLON_LIGHTTPD, "-D", "-f", config.string()}, serverLog);
    } else {
        for (int i = 0; i < m_options.responders; ++i) {
            const fs::path socket = i == 0 ? settings.socket : m_folder / ("fcgi" + std::to_string(i) + ".sock");
            if (i > 0)
                settings.moreSockets.push_back(socket);
            std::vector<std::string> argv = {QUILLON_FCGI, "--socket", socket.string(), "--chdir", m_folder.string()};
            argv.insert(argv.end(), m_options.responderOptions.begin(), m_options.responderOptions.end());
            argv.push_back(m_library.string());
            m_responders.push_back(std::make_unique<ChildProcess>(
                argv, m_folder / (i == 0 ? std::string("responder.log") : "responder" + std::to_string(i) + ".log")));
            if (!waitFor([&] { return fs::exists(socket); }))
                throw std::runtime_error("the responder did not start:\n" + log());
        }
        platform::writeFileAtomically(config.string(), fcgi::nginxConfig(settings));
        m_server = std::make_unique<ChildProcess>(
            std::vector<std::string>{QUILLON_NGINX, "-p", m_folder.string(), "-c", config.string()}, serverLog);
    }
    if (!waitFor([&] { return portAnswers(m_port) || !m_server->alive(); }))
        throw std::runtime_error(std::string(serverName(m_kind)) + " did not start:\n" + log());
    if (!m_server->alive())
        throw std::runtime_error(std::string(serverName(m_kind)) + " ended at once:\n" + log());
}

bool WebServer::stop()
{
    bool clean = true;
    if (m_server)
        clean = m_server->stop(SIGTERM) == 0 && clean;
    for (auto &responder : m_responders)
        clean = responder->stop(SIGTERM) == 0 && clean;
    m_server.reset();
    m_responders.clear();
    return clean;
}

void WebServer::kill()
{
    if (m_server)
        m_server->stop(SIGKILL);
    m_server.reset();
}

std::string WebServer::log() const
{
    std::string text;
    for (const char *name : {"server.log", "error.log", "responder.log", "responder1.log"})
        if (fs::exists(m_folder / name))
            text += std::string("== ") + name + "\n" + platform::readFile((m_folder / name).string());
    return text;
}

int WebServer::responderPid(int i) const
{
    if (m_kind == ServerKind::Nginx)
        return i < static_cast<int>(m_responders.size()) ? m_responders[i]->pid() : -1;
    // lighttpd's child that runs the library (the script execs it).
    if (!m_server)
        return -1;
    for (const auto &entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string pid, command, state;
        int parent = 0;
        stat >> pid >> command >> state >> parent;
        std::ifstream in(entry.path() / "cmdline", std::ios::binary);
        const std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (parent == m_server->pid() && cmdline.find(m_library.string()) != std::string::npos)
            return std::stoi(name);
    }
    return -1;
}

int WebServer::stopResponder(int i, int signal)
{
    return m_responders.at(i)->stop(signal);
}

} // namespace quillon::testing
