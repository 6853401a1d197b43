#pragma once

/*
** The C layout of the ISAPI interface as server and extension exchange it:
** the extension control block, the version record, the entry points and
** the requests of ServerSupportFunction. The Pascal unit qnisapi declares
** the same records.
*/

#include <cstddef>
#include <cstdint>

namespace quillon::isapi::abi {

using DWORD = std::uint32_t;
using BOOL = std::int32_t;
using HCONN = void *;

constexpr std::size_t kLogBufferLen = 80;
constexpr std::size_t kMaxExtDllNameLen = 256;
constexpr DWORD kReqSendUrlRedirectResp = 1;
constexpr DWORD kReqSendResponseHeader = 3;
constexpr DWORD kReqDoneWithSession = 4;

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

} // namespace quillon::isapi::abi
