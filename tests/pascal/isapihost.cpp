#include "isapihost.h"

#include "isapi/extension.h"

#include <algorithm>
#include <cstring>

namespace quillon::testing {

namespace {

// The request's body and response in memory.
class MemoryConnection : public isapi::Connection
{
public:
    MemoryConnection(const IsapiHost::Request &request, IsapiHost::Response &response, std::size_t readPos)
        : m_request(request), m_response(response), m_readPos(readPos)
    {
    }

    std::optional<std::string> serverVariable(std::string_view) const override { return std::nullopt; }

    bool write(const char *data, std::size_t size) override
    {
        if (m_response.writeCalls >= m_request.writesBeforeFailure)
            return false;
        m_response.body.append(data, size);
        ++m_response.writeCalls;
        return true;
    }

    std::size_t read(char *buffer, std::size_t size) override
    {
        const std::size_t n = std::min(size, m_request.body.size() - m_readPos);
        std::memcpy(buffer, m_request.body.data() + m_readPos, n);
        m_readPos += n;
        return n;
    }

    bool sendHeader(std::string_view status, std::string_view headers) override
    {
        m_response.status = status;
        m_response.headers = headers;
        return true;
    }

private:
    const IsapiHost::Request &m_request;
    IsapiHost::Response &m_response;
    std::size_t m_readPos;
};

} // namespace

IsapiHost::IsapiHost(const std::filesystem::path &library)
    : m_extension(std::make_unique<isapi::Extension>(library))
{
}

IsapiHost::~IsapiHost() = default;

const std::string &IsapiHost::description() const
{
    return m_extension->description();
}

std::uint32_t IsapiHost::version() const
{
    return m_extension->version();
}

IsapiHost::Response IsapiHost::run(const Request &request) const
{
    Response response;
    const std::size_t first = std::min(request.firstChunk, request.body.size());
    MemoryConnection connection(request, response, first);
    isapi::Request r;
    r.method = request.method;
    r.queryString = request.queryString;
    r.contentType = request.contentType;
    r.totalBytes = static_cast<std::uint32_t>(request.body.size());
    r.firstPart = std::string_view(request.body).substr(0, first);
    response.result = m_extension->run(r, connection).result;
    return response;
}

} // namespace quillon::testing
