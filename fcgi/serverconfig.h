#pragma once

/*
** Configurations that put quillon-fcgi behind a web server, for
** `quillon serve` and for the tests: lighttpd starting the responder
** itself (mod_fastcgi's bin-path), and nginx passing requests to the
** sockets of responders started beside it. Everything the server writes
** (logs, temporary files, pid file) goes into one folder.
**
** Both hold against clients that are slow or many: a cap on connections
** (in all, set by the descriptors at hand, and from one address for nginx), short timeouts for a client that stops
** sending or reading, request bodies of at most 64 MiB in temporary files
** of the private folder, and responses streamed to the client instead of
** being spooled to disk, so a client that does not read cannot fill it.
*/

#include <filesystem>
#include <string>
#include <vector>

namespace quillon::fcgi {

struct ServerSettings
{
    std::string bind = "127.0.0.1";
    int port = 8080;
    std::filesystem::path folder; // the server's own files
    std::filesystem::path socket; // the responder's FastCGI socket
    std::vector<std::filesystem::path> moreSockets; // nginx: further responders, requests spread over all
    // Descriptors the server may hold. Connections are capped at a third of
    // them (each request also holds one to the responder, and files), so
    // thousands of slow clients do not fill the server; see
    // raiseDescriptorLimit().
    unsigned maxFds = 4096;
};

// Raises this process's limit on open descriptors to its hard limit (the
// servers it starts inherit it) and returns what a server may use of it:
// the new limit, at most 65536 and at least 1024.
unsigned raiseDescriptorLimit();

// lighttpd: every URL goes to the responder that the script starter starts.
std::string lighttpdConfig(const ServerSettings &settings, const std::filesystem::path &starter);

// nginx (run as `nginx -p FOLDER -c FILE`, in the foreground): every URL
// goes to the responders' sockets, the next one taking a request that one
// cannot (a responder stopped or not started).
std::string nginxConfig(const ServerSettings &settings);

// A /bin/sh script that runs the responder for library in workDir (with
// options before the library), for a server that takes a command without
// arguments.
std::string responderScript(const std::filesystem::path &responder, const std::filesystem::path &library,
                            const std::filesystem::path &workDir, const std::vector<std::string> &options = {});

// text quoted for /bin/sh.
std::string shellQuote(const std::string &text);

} // namespace quillon::fcgi
