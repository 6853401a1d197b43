#include "fcgi/serverconfig.h"

#include <sys/resource.h>

#include <algorithm>
#include <stdexcept>

namespace quillon::fcgi {

namespace {

// A value for a lighttpd or nginx string: both take double quotes with
// backslash escapes; a line break cannot be written at all.
std::string quoted(const std::string &text)
{
    if (text.find_first_of("\r\n") != std::string::npos)
        throw std::runtime_error("a line break cannot stand in a web server configuration: " + text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\' || c == '$')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string in(const ServerSettings &s, const char *name)
{
    return quoted((s.folder / name).string());
}

} // namespace

std::string lighttpdConfig(const ServerSettings &s, const std::filesystem::path &starter)
{
    return "server.modules = (\"mod_fastcgi\")\n"
           "server.bind = " + quoted(s.bind) + "\n"
           "server.port = " + std::to_string(s.port) + "\n"
           "server.document-root = " + quoted(s.folder.string()) + "\n"
           "server.errorlog = " + in(s, "error.log") + "\n"
           "server.pid-file = " + in(s, "lighttpd.pid") + "\n"
           "server.upload-dirs = (" + quoted(s.folder.string()) + ")\n"
           "server.max-request-size = 65536\n" // KiB
           "server.max-fds = " + std::to_string(s.maxFds) + "\n"
           "server.max-connections = " + std::to_string(s.maxFds / 3) + "\n"
           "server.max-read-idle = 15\n"
           "server.max-write-idle = 60\n"
           "server.max-keep-alive-idle = 5\n"
           "server.stream-response-body = 2\n"
           "fastcgi.server = (\"/\" => ((\n"
           "    \"socket\" => " + quoted(s.socket.string()) + ",\n"
           "    \"bin-path\" => " + quoted(starter.string()) + ",\n"
           "    \"check-local\" => \"disable\",\n"
           "    \"fix-root-scriptname\" => \"enable\",\n"
           "    \"max-procs\" => 1,\n"
           ")))\n";
}

std::string nginxConfig(const ServerSettings &s)
{
    // A responder that refuses a connection is passed over for ten seconds.
    std::string upstream = "    upstream quillon {\n        server " + quoted("unix:" + s.socket.string()) + ";\n";
    for (const auto &socket : s.moreSockets)
        upstream += "        server " + quoted("unix:" + socket.string()) + ";\n";
    // Connections to the responders are kept for the next request
    // (FCGI_KEEP_CONN): a few idle ones per nginx worker, let go well before
    // the responder's read timeout (10 s) would close them itself.
    upstream += "        keepalive 16;\n        keepalive_timeout 5s;\n    }\n";
    return "user root;\n" // ignored unless nginx starts as root; then the workers may use the socket
           "worker_processes 1;\n"
           "daemon off;\n"
           "pid " + in(s, "nginx.pid") + ";\n"
           "error_log " + in(s, "error.log") + ";\n"
           "worker_rlimit_nofile " + std::to_string(s.maxFds) + ";\n"
           "events { worker_connections " + std::to_string(s.maxFds / 2) + "; }\n"
           "http {\n"
           "    access_log off;\n"
           "    limit_conn_zone $binary_remote_addr zone=perclient:1m;\n"
           "    limit_conn perclient 512;\n"
           "    client_header_timeout 15s;\n"
           "    client_body_timeout 15s;\n"
           "    send_timeout 60s;\n"
           "    keepalive_timeout 5s;\n"
           "    client_body_temp_path " + in(s, "body") + ";\n"
           "    fastcgi_temp_path " + in(s, "fastcgi") + ";\n"
           "    proxy_temp_path " + in(s, "proxy") + ";\n"
           "    uwsgi_temp_path " + in(s, "uwsgi") + ";\n"
           "    scgi_temp_path " + in(s, "scgi") + ";\n"
           "    client_max_body_size 64m;\n"
           "    fastcgi_max_temp_file_size 0;\n" // a client that does not read slows its responder, fills no disk
           "    fastcgi_read_timeout 300s;\n"    // the responder's own request timeout answers first
           "    fastcgi_next_upstream error timeout;\n"
           + upstream +
           "    server {\n"
           "        listen " + s.bind + ":" + std::to_string(s.port) + ";\n"
           "        location / {\n"
           "            include /etc/nginx/fastcgi_params;\n"
           "            fastcgi_param PATH_INFO $fastcgi_path_info;\n"
           "            fastcgi_keep_conn on;\n"
           "            fastcgi_pass quillon;\n"
           "        }\n"
           "    }\n"
           "}\n";
}

unsigned raiseDescriptorLimit()
{
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0)
        return 1024;
    if (files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &files) != 0)
            ::getrlimit(RLIMIT_NOFILE, &files);
    }
    return static_cast<unsigned>(std::clamp<rlim_t>(files.rlim_cur, 1024, 65536));
}

std::string shellQuote(const std::string &text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string responderScript(const std::filesystem::path &responder, const std::filesystem::path &library,
                            const std::filesystem::path &workDir, const std::vector<std::string> &options)
{
    std::string command = "#!/bin/sh\nexec " + shellQuote(responder.string()) + " --chdir " + shellQuote(workDir.string());
    for (const std::string &option : options)
        command += " " + shellQuote(option);
    return command + " " + shellQuote(library.string()) + "\n";
}

} // namespace quillon::fcgi
