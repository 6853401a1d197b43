#pragma once

/*
** A web server with quillon-fcgi behind it, serving one extension library
** on a free port of 127.0.0.1, for end-to-end tests and benchmarks:
** lighttpd starting the responder itself, or nginx passing requests to a
** responder started beside it. Everything it writes goes into its folder;
** destroying it stops what it started.
*/

#include "clients.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace quillon::testing {

enum class ServerKind { Lighttpd, Nginx };

struct ServeOptions
{
    std::vector<std::string> responderOptions; // before the library
    int responders = 1;                        // nginx: requests spread over this many
};

const char *serverName(ServerKind kind);

class WebServer
{
public:
    // Throws std::runtime_error with the server's log when it does not start.
    WebServer(ServerKind kind, const std::filesystem::path &library, const std::filesystem::path &folder,
              const ServeOptions &options = {});
    ~WebServer();
    WebServer(const WebServer &) = delete;
    WebServer &operator=(const WebServer &) = delete;

    int port() const { return m_port; }
    // Stops the server and the responder; true when both exited with 0 in time.
    bool stop();
    // Ends the server at once, as a crash would (SIGKILL); the responder is left alone.
    void kill();
    // The logs of the server and the responders.
    std::string log() const;
    // The process id of responder i (the supervisor), -1 when none runs.
    int responderPid(int i = 0) const;
    // Stops nginx's responder i with signal; returns its exit status as ChildProcess::stop.
    int stopResponder(int i, int signal);

private:
    void start();

    ServerKind m_kind;
    std::filesystem::path m_library;
    std::filesystem::path m_folder;
    ServeOptions m_options;
    int m_port = 0;
    std::vector<std::unique_ptr<ChildProcess>> m_responders; // nginx only
    std::unique_ptr<ChildProcess> m_server;
};

// Whether something accepts connections on 127.0.0.1:port.
bool portAnswers(int port);

// Processes whose command line holds text (to see that nothing is left running).
int processesMentioning(const std::string &text);

} // namespace quillon::testing
