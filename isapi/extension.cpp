#include "isapi/extension.h"

#include "isapi/controlblock.h"

#include <dlfcn.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace quillon::isapi {

namespace {

using namespace abi;

// One request in flight: what the callbacks need.
struct Call
{
    const Request *request;
    Connection *connection;
    std::uint64_t bodyLeft; // body bytes after those handed over so far
    ExtensionControlBlock ecb;
    // An extension that answered "pending" calls back from a thread of its
    // own: the callbacks take the mutex, and once the wait for "done with
    // session" has given up (abandoned), they refuse, and the Call is left
    // allocated so that a late callback finds it.
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    bool abandoned = false;
};

BOOL fail(int error)
{
    errno = error;
    return 0;
}

// The request behind conn, locked for one callback; null once abandoned.
class Locked
{
public:
    explicit Locked(HCONN conn) : m_call(static_cast<Call *>(conn)), m_lock(m_call->mutex)
    {
        if (m_call->abandoned)
            m_call = nullptr;
    }
    Call *operator->() const { return m_call; }
    explicit operator bool() const { return m_call != nullptr; }

private:
    Call *m_call;
    std::unique_lock<std::mutex> m_lock;
};

std::optional<std::string> variable(const Call &c, std::string_view name)
{
    const Request &r = *c.request;
    if (name == "REQUEST_METHOD")
        return r.method;
    if (name == "QUERY_STRING")
        return r.queryString;
    if (name == "PATH_INFO")
        return r.pathInfo;
    if (name == "PATH_TRANSLATED")
        return r.pathTranslated;
    if (name == "CONTENT_TYPE")
        return r.contentType;
    if (name == "CONTENT_LENGTH")
        return std::to_string(r.totalBytes);
    return c.connection->serverVariable(name);
}

BOOL getServerVariable(HCONN conn, const char *name, void *buffer, DWORD *size)
{
    if (conn == nullptr || name == nullptr || size == nullptr)
        return fail(kErrorInvalidParameter);
    const Locked c(conn);
    if (!c)
        return fail(kErrorInvalidParameter);
    const std::optional<std::string> value = variable(*c.operator->(), name);
    if (!value)
        return fail(kErrorInvalidIndex);
    const std::size_t needed = value->size() + 1;
    if (buffer == nullptr || *size < needed) {
        *size = static_cast<DWORD>(needed);
        return fail(kErrorInsufficientBuffer);
    }
    std::memcpy(buffer, value->c_str(), needed);
    *size = static_cast<DWORD>(needed);
    return 1;
}

BOOL writeClient(HCONN conn, const void *buffer, DWORD *bytes, DWORD)
{
    if (conn == nullptr || bytes == nullptr || (buffer == nullptr && *bytes != 0))
        return fail(kErrorInvalidParameter);
    if (*bytes == 0)
        return 1;
    const Locked c(conn);
    if (!c)
        return fail(kErrorInvalidParameter);
    if (!c->connection->write(static_cast<const char *>(buffer), *bytes)) {
        *bytes = 0;
        return fail(EPIPE);
    }
    return 1;
}

BOOL readClient(HCONN conn, void *buffer, DWORD *size)
{
    if (conn == nullptr || size == nullptr || (buffer == nullptr && *size != 0))
        return fail(kErrorInvalidParameter);
    const Locked c(conn);
    if (!c)
        return fail(kErrorInvalidParameter);
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(*size, c->bodyLeft));
    const std::size_t got = wanted == 0 ? 0 : c->connection->read(static_cast<char *>(buffer), wanted);
    c->bodyLeft -= got;
    *size = static_cast<DWORD>(got);
    // A body the web server stopped sending fails the read, so that the
    // extension does not take a cut body for the whole one; a body that
    // ended cleanly before its length reads as its end (0 bytes).
    if (got < wanted && c->connection->readError() != 0)
        return fail(kErrorTimeout);
    return 1;
}

BOOL serverSupportFunction(HCONN conn, DWORD request, void *buffer, DWORD *size, DWORD *dataType)
{
    if (conn == nullptr)
        return fail(kErrorInvalidParameter);
    const Locked c(conn);
    if (!c)
        return fail(kErrorInvalidParameter);
    switch (request) {
    case kReqSendResponseHeader: {
        const char *status = buffer != nullptr ? static_cast<const char *>(buffer) : "200 OK";
        const char *headers = dataType != nullptr ? reinterpret_cast<const char *>(dataType) : "";
        return c->connection->sendHeader(status, headers) ? 1 : fail(kErrorInvalidParameter);
    }
    case kReqSendUrlRedirectResp: {
        if (buffer == nullptr)
            return fail(kErrorInvalidParameter);
        std::string location(static_cast<const char *>(buffer),
                             size != nullptr && *size > 0
                                 ? ::strnlen(static_cast<const char *>(buffer), *size)
                                 : std::strlen(static_cast<const char *>(buffer)));
        if (location.find_first_of("\r\n") != std::string::npos)
            return fail(kErrorInvalidParameter);
        return c->connection->sendHeader("302 Object Moved", "Location: " + location + "\r\n\r\n")
                   ? 1
                   : fail(kErrorInvalidParameter);
    }
    case kReqDoneWithSession:
        c->done = true;
        c->doneChanged.notify_all();
        return 1;
    default:
        return fail(kErrorInvalidParameter);
    }
}

void *entry(void *handle, const char *name, const std::filesystem::path &library, bool required)
{
    void *address = ::dlsym(handle, name);
    if (address == nullptr && required)
        throw std::runtime_error(library.string() + " is not an ISAPI extension: it has no entry " + name);
    return address;
}

} // namespace

Extension::Extension(const std::filesystem::path &library) : m_library(library)
{
    if (!std::filesystem::exists(library))
        throw std::runtime_error("cannot load " + library.string() + ": no such file");
    m_handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr)
        throw std::runtime_error("cannot load " + library.string() + ": " + ::dlerror());
    try {
        auto getVersion = reinterpret_cast<GetExtensionVersionFn>(
            entry(m_handle, "GetExtensionVersion", library, true));
        m_httpExtensionProc = entry(m_handle, "HttpExtensionProc", library, true);
        m_terminateExtension = entry(m_handle, "TerminateExtension", library, false);
        VersionInfo info{};
        if (!getVersion(&info))
            throw std::runtime_error(library.string() + ": GetExtensionVersion failed");
        info.lpszExtensionDesc[kMaxExtDllNameLen - 1] = '\0';
        m_description = info.lpszExtensionDesc;
        m_version = info.dwExtensionVersion;
    } catch (...) {
        ::dlclose(m_handle);
        throw;
    }
}

Extension::~Extension()
{
    if (m_terminateExtension != nullptr)
        reinterpret_cast<TerminateExtensionFn>(m_terminateExtension)(0);
    ::dlclose(m_handle);
}

Outcome Extension::run(const Request &request, Connection &connection,
                       std::chrono::milliseconds pendingLimit) const
{
    const std::uint32_t first = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(request.firstPart.size(), request.totalBytes));
    auto owned = std::make_unique<Call>();
    Call &c = *owned;
    c.request = &request;
    c.connection = &connection;
    c.bodyLeft = request.totalBytes - first;

    ExtensionControlBlock &ecb = c.ecb;
    ecb.cbSize = sizeof ecb;
    ecb.dwVersion = 1u << 16;
    ecb.ConnID = &c;
    ecb.dwHttpStatusCode = 200;
    ecb.lpszMethod = request.method.c_str();
    ecb.lpszQueryString = request.queryString.c_str();
    ecb.lpszPathInfo = request.pathInfo.c_str();
    ecb.lpszPathTranslated = request.pathTranslated.c_str();
    ecb.cbTotalBytes = request.totalBytes;
    ecb.cbAvailable = first;
    ecb.lpbData = reinterpret_cast<const unsigned char *>(request.firstPart.data());
    ecb.lpszContentType = request.contentType.c_str();
    ecb.GetServerVariable = getServerVariable;
    ecb.WriteClient = writeClient;
    ecb.ReadClient = readClient;
    ecb.ServerSupportFunction = serverSupportFunction;

    Outcome outcome;
    outcome.result = reinterpret_cast<HttpExtensionProcFn>(m_httpExtensionProc)(&ecb);
    if (outcome.result == kStatusPending) {
        std::unique_lock lock(c.mutex);
        if (c.doneChanged.wait_for(lock, pendingLimit, [&] { return c.done; })) {
            outcome.result = kStatusSuccess;
        } else {
            outcome.result = kStatusError;
            c.abandoned = true;
            lock.unlock();
            owned.release(); // the extension may still call back with it
        }
    }
    outcome.httpStatus = ecb.dwHttpStatusCode;
    return outcome;
}

} // namespace quillon::isapi
