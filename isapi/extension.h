#pragma once

/*
** The server side of the ISAPI extension interface: loading an extension
** library and running requests through it.
**
** Extension loads the library, calls GetExtensionVersion once and
** TerminateExtension once when it is destroyed. run() fills an extension
** control block from a Request and calls HttpExtensionProc; the server
** callbacks the extension makes (GetServerVariable, WriteClient,
** ReadClient, ServerSupportFunction) go to the Connection the caller
** passes, which is where a host decides what a request reads and where its
** response goes. The control block's C layout and the handling of the
** callbacks' buffers live here once, for every host.
**
** Errors of the callbacks are reported as ISAPI does: the callback returns
** FALSE and the Windows error code (errorInvalidIndex for an unknown
** server variable, errorInsufficientBuffer with the needed size for a
** buffer too small, errorInvalidParameter for a bad argument) is left in
** errno, where a Linux extension reads its "last error".
*/

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::isapi {

// Return values of HttpExtensionProc.
constexpr std::uint32_t kStatusSuccess = 1;
constexpr std::uint32_t kStatusSuccessAndKeepConn = 2;
constexpr std::uint32_t kStatusPending = 3;
constexpr std::uint32_t kStatusError = 4;

// The Windows error codes the callbacks leave in errno.
constexpr int kErrorInvalidParameter = 87;
constexpr int kErrorInsufficientBuffer = 122;
constexpr int kErrorInvalidIndex = 1413;
constexpr int kErrorTimeout = 1460; // ReadClient: the body stopped arriving

// What the control block tells the extension about one request.
struct Request
{
    std::string method = "GET";
    std::string queryString;
    std::string pathInfo;
    std::string pathTranslated;
    std::string contentType;
    std::uint32_t totalBytes = 0;  // length of the whole body
    std::string_view firstPart;    // the body's first bytes, handed over in the block
};

// The host's side of one request in flight.
class Connection
{
public:
    virtual ~Connection() = default;

    // A server variable other than those the Request answers (REQUEST_METHOD,
    // QUERY_STRING, PATH_INFO, PATH_TRANSLATED, CONTENT_TYPE,
    // CONTENT_LENGTH); nullopt for one the host does not know.
    virtual std::optional<std::string> serverVariable(std::string_view name) const = 0;

    // Sends response bytes; false when the client is gone.
    virtual bool write(const char *data, std::size_t size) = 0;

    // Reads up to size body bytes that follow the first part; returns how
    // many, 0 at the end of the body. Never called for more than the body's
    // stated length.
    virtual std::size_t read(char *buffer, std::size_t size) = 0;

    // 0 while the body reads well; otherwise why the last read() ended
    // before the body did (the host's own error code): ReadClient then fails.
    virtual int readError() const { return 0; }

    // The extension sends its response header: status ("200 OK") and
    // header lines (each ending in CR LF, perhaps with the blank line that
    // ends them). Returns false when it cannot be sent (again).
    virtual bool sendHeader(std::string_view status, std::string_view headers) = 0;
};

struct Outcome
{
    std::uint32_t result = 0;     // what HttpExtensionProc returned
    std::uint32_t httpStatus = 0; // the control block's dwHttpStatusCode afterwards
};

class Extension
{
public:
    // Throws std::runtime_error naming the library and what is wrong with it:
    // not loadable, an entry missing, GetExtensionVersion refusing.
    explicit Extension(const std::filesystem::path &library);
    ~Extension(); // calls TerminateExtension, if the library has it
    Extension(const Extension &) = delete;
    Extension &operator=(const Extension &) = delete;

    const std::filesystem::path &library() const { return m_library; }
    const std::string &description() const { return m_description; }
    std::uint32_t version() const { return m_version; }

    // Runs one request; safe to call from several threads at once. An
    // extension that answers kStatusPending is waited for until it reports
    // "done with session", at most pendingLimit; after that the outcome is
    // kStatusError and the request's callbacks fail from then on (the
    // control block stays allocated, but its strings no longer hold).
    Outcome run(const Request &request, Connection &connection,
                std::chrono::milliseconds pendingLimit = std::chrono::minutes(1)) const;

private:
    std::filesystem::path m_library;
    void *m_handle = nullptr;
    void *m_httpExtensionProc = nullptr;
    void *m_terminateExtension = nullptr;
    std::string m_description;
    std::uint32_t m_version = 0;
};

} // namespace quillon::isapi
