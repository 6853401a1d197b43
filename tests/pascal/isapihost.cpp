#include "isapihost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace quillon::testing {

namespace {

using DWORD = std::uint32_t;
using BOOL = std::int32_t;
using HCONN = void *;

constexpr std::size_t kLogBufferLen = 80;
constexpr std::size_t kMaxExtDllNameLen = 256;
constexpr DWORD kReqSendResponseHeader = 3;

struct ExtensionControlBlock
{
    DWORD cbSize;
    DWORD dwVersion;
    HCONN ConnID;
    DWORD dwHttpStatusCode;
    char lpszLogData[kLogBufferLen];
    const char *lpszMethod;
    const char *lpszQueryString;
    const char *lpszPathInfo;
    const char *lpszPathTranslated;
    DWORD cbTotalBytes;
    DWORD cbAvailable;
    const unsigned char *lpbData;
    const char *lpszContentType;
    BOOL (*GetServerVariable)(HCONN, const char *, void *, DWORD *);
    BOOL (*WriteClient)(HCONN, const void *, DWORD *, DWORD);
    BOOL (*ReadClient)(HCONN, void *, DWORD *);
    BOOL (*ServerSupportFunction)(HCONN, DWORD, void *, DWORD *, DWORD *);
};

struct VersionInfo
{
    DWORD dwExtensionVersion;
    char lpszExtensionDesc[kMaxExtDllNameLen];
};

using GetExtensionVersionFn = BOOL (*)(VersionInfo *);
using HttpExtensionProcFn = DWORD (*)(ExtensionControlBlock *);
using TerminateExtensionFn = BOOL (*)(DWORD);

// One request in flight: what the callbacks read from and write to.
struct Connection
{
    const IsapiHost::Request *request;
    IsapiHost::Response *response;
    std::size_t readPos; // body bytes handed over so far
};

Connection &connection(HCONN conn)
{
    return *static_cast<Connection *>(conn);
}

BOOL getServerVariable(HCONN conn, const char *name, void *buffer, DWORD *size)
{
    if (name == nullptr || size == nullptr)
        return 0;
    const IsapiHost::Request &r = *connection(conn).request;
    std::string value;
    if (std::strcmp(name, "REQUEST_METHOD") == 0)
        value = r.method;
    else if (std::strcmp(name, "QUERY_STRING") == 0)
        value = r.queryString;
    else if (std::strcmp(name, "CONTENT_LENGTH") == 0)
        value = std::to_string(r.body.size());
    else if (std::strcmp(name, "CONTENT_TYPE") == 0)
        value = r.contentType;
    else
        return 0;
    const DWORD needed = static_cast<DWORD>(value.size() + 1);
    if (buffer == nullptr || *size < needed) {
        *size = needed;
        return 0;
    }
    std::memcpy(buffer, value.c_str(), needed);
    *size = needed;
    return 1;
}

BOOL writeClient(HCONN conn, const void *buffer, DWORD *bytes, DWORD)
{
    if (bytes == nullptr || (buffer == nullptr && *bytes != 0))
        return 0;
    const Connection &c = connection(conn);
    if (c.response->writeCalls >= c.request->writesBeforeFailure)
        return 0;
    c.response->body.append(static_cast<const char *>(buffer), *bytes);
    ++c.response->writeCalls;
    return 1;
}

BOOL readClient(HCONN conn, void *buffer, DWORD *size)
{
    if (size == nullptr || buffer == nullptr)
        return 0;
    Connection &c = connection(conn);
    const std::string &body = c.request->body;
    const std::size_t n = std::min<std::size_t>(*size, body.size() - c.readPos);
    std::memcpy(buffer, body.data() + c.readPos, n);
    c.readPos += n;
    *size = static_cast<DWORD>(n);
    return 1;
}

BOOL serverSupportFunction(HCONN conn, DWORD request, void *buffer, DWORD *, DWORD *dataType)
{
    if (request != kReqSendResponseHeader)
        return 0;
    IsapiHost::Response &response = *connection(conn).response;
    response.status = buffer != nullptr ? static_cast<const char *>(buffer) : "200 OK";
    if (dataType != nullptr)
        response.headers = reinterpret_cast<const char *>(dataType);
    return 1;
}

void *entry(void *handle, const char *name, const std::filesystem::path &library, bool required)
{
    void *address = ::dlsym(handle, name);
    if (address == nullptr && required)
        throw std::runtime_error(library.string() + " has no entry " + name);
    return address;
}

} // namespace

IsapiHost::IsapiHost(const std::filesystem::path &library)
{
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

IsapiHost::~IsapiHost()
{
    if (m_terminateExtension != nullptr)
        reinterpret_cast<TerminateExtensionFn>(m_terminateExtension)(0);
    ::dlclose(m_handle);
}

IsapiHost::Response IsapiHost::run(const Request &request) const
{
    Response response;
    Connection conn{&request, &response, 0};
    const std::size_t first = std::min(request.firstChunk, request.body.size());
    conn.readPos = first;

    ExtensionControlBlock ecb{};
    ecb.cbSize = sizeof ecb;
    ecb.dwVersion = 1u << 16;
    ecb.ConnID = &conn;
    ecb.dwHttpStatusCode = 200;
    ecb.lpszMethod = request.method.c_str();
    ecb.lpszQueryString = request.queryString.c_str();
    ecb.lpszPathInfo = "";
    ecb.lpszPathTranslated = "";
    ecb.cbTotalBytes = static_cast<DWORD>(request.body.size());
    ecb.cbAvailable = static_cast<DWORD>(first);
    ecb.lpbData = reinterpret_cast<const unsigned char *>(request.body.data());
    ecb.lpszContentType = request.contentType.c_str();
    ecb.GetServerVariable = getServerVariable;
    ecb.WriteClient = writeClient;
    ecb.ReadClient = readClient;
    ecb.ServerSupportFunction = serverSupportFunction;

    response.result = reinterpret_cast<HttpExtensionProcFn>(m_httpExtensionProc)(&ecb);
    return response;
}

} // namespace quillon::testing
