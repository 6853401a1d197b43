#pragma once

/*
** IsapiHost: a small web-server stand-in that runs an ISAPI extension
** library in this process.
**
** It loads the library, asks GetExtensionVersion for its description, and
** for each request fills an extension control block as a server would: the
** method and query string, and for a POST the body, of which only the first
** part (as much as the request says) is handed over in the block itself;
** the rest the extension must fetch with ReadClient. Everything the
** extension sends with WriteClient is collected, and the response header it
** sends through ServerSupportFunction is kept apart from the body.
**
** The control block itself is built by the shared ISAPI host code
** (isapi/extension.h), as for the FastCGI responder.
*/

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace quillon::isapi {
class Extension;
}

namespace quillon::testing {

class IsapiHost
{
public:
    struct Request
    {
        std::string method = "GET";
        std::string queryString;
        std::string body;
        std::string contentType = "application/x-www-form-urlencoded";
        std::size_t firstChunk = SIZE_MAX; // body bytes handed over in the control block
        std::size_t writesBeforeFailure = SIZE_MAX; // then WriteClient fails, as for a lost client
    };

    struct Response
    {
        std::uint32_t result = 0;   // what HttpExtensionProc returned
        std::string status;         // from the response header request, e.g. "200 OK"
        std::string headers;        // the header lines sent with it
        std::string body;           // everything written with WriteClient
        std::size_t writeCalls = 0;
    };

    // Throws std::runtime_error naming the library or the missing entry.
    explicit IsapiHost(const std::filesystem::path &library);
    ~IsapiHost();
    IsapiHost(const IsapiHost &) = delete;
    IsapiHost &operator=(const IsapiHost &) = delete;

    const std::string &description() const;
    std::uint32_t version() const;

    Response run(const Request &request) const;

private:
    std::unique_ptr<isapi::Extension> m_extension;
};

} // namespace quillon::testing
