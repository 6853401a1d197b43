#pragma once

/*
** Configurations that put quillon-fcgi behind a web server, for
** `quillon serve` and for the tests: lighttpd starting the responder
** itself (mod_fastcgi's bin-path), and nginx passing requests to the
** socket of a responder started beside it. Everything the server writes
** (logs, temporary files, pid file) goes into one folder.
*/

#include <filesystem>
#include <string>

namespace quillon::fcgi {

struct ServerSettings
{
    std::string bind = "127.0.0.1";
    int port = 8080;
    std::filesystem::path folder; // the server's own files
    std::filesystem::path socket; // the responder's FastCGI socket
};

// lighttpd: every URL goes to the responder that the script starter starts.
std::string lighttpdConfig(const ServerSettings &settings, const std::filesystem::path &starter);

// nginx (run as `nginx -p FOLDER -c FILE`, in the foreground): every URL
// goes to the responder's socket.
std::string nginxConfig(const ServerSettings &settings);

// A /bin/sh script that runs the responder for library in workDir, for a
// server that takes a command without arguments.
std::string responderScript(const std::filesystem::path &responder, const std::filesystem::path &library,
                            const std::filesystem::path &workDir);

// text quoted for /bin/sh.
std::string shellQuote(const std::string &text);

} // namespace quillon::fcgi
