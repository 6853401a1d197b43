/*
** A small ISAPI extension for the responder's tests, in C++ so that it
** builds with the tests (and under their sanitizers). The query string
** chooses what it does:
**
**   echo (default)  reads the whole body and answers what it saw, one
**                   "name=value" line each; var=NAME adds that server variable
**   error           returns the error status without sending anything
**   big&kb=N        writes N KiB of "x" in 4 KiB writes, stopping when one fails
**   raw             writes without sending a response header
**   nocontent       sets the control block's status to 204 and sends nothing
**   badstatus       sends a status line with a header line smuggled into it
**   sleep&ms=N      waits N ms, then answers how many requests ran at once at
**                   most in this process, and its pid ("most=M pid=P")
**   pending&ms=N    returns "pending" and answers from a thread of its own N ms
**                   later, then reports "done with session"
**   crash           writes through a null pointer (SIGSEGV)
**   abort           calls abort()
**   exit            calls exit(3)
**   hang            never returns
**   who             answers "pid=P variant=V uid=U": the process serving it,
**                   QUILLON_TEST_VARIANT it was built with (1 by default)
**                   and the user it runs as
**   closestdout     closes descriptor 1 (standard output), then answers
**   print           writes a line to descriptor 1, then answers "printed"
**   alloc&mb=N      takes N MiB of memory, touches it and never gives it back
**   childmask       answers the signal lines (SigBlk, SigIgn) of a child
**                   program it runs: what a program an extension starts inherits
**
** Built with QUILLON_TEST_VARIANT 3, GetExtensionVersion never returns.
**
** TerminateExtension prints "TerminateExtension" on standard error. Built
** with QUILLON_TEST_NO_HTTP_PROC it lacks HttpExtensionProc.
*/

#include "isapi/controlblock.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

using namespace quillon::isapi::abi;

#ifndef QUILLON_TEST_VARIANT
#define QUILLON_TEST_VARIANT 1
#endif

namespace {

std::atomic<int> g_running{0};
std::atomic<int> g_mostAtOnce{0};

std::string queryValue(const std::string &query, const std::string &name)
{
    std::size_t pos = 0;
    while (pos <= query.size()) {
        const std::size_t end = std::min(query.find('&', pos), query.size());
        const std::string pair = query.substr(pos, end - pos);
        const std::size_t eq = pair.find('=');
        if (pair.substr(0, eq) == name)
            return eq == std::string::npos ? "1" : pair.substr(eq + 1);
        pos = end + 1;
    }
    return {};
}

bool send(ExtensionControlBlock *ecb, const std::string &text)
{
    DWORD n = static_cast<DWORD>(text.size());
    return ecb->WriteClient(ecb->ConnID, text.data(), &n, 0) != 0;
}

void header(ExtensionControlBlock *ecb, const char *status, const char *headers)
{
    ecb->ServerSupportFunction(ecb->ConnID, kReqSendResponseHeader, const_cast<char *>(status), nullptr,
                               reinterpret_cast<DWORD *>(const_cast<char *>(headers)));
}

std::string variable(ExtensionControlBlock *ecb, const std::string &name)
{
    DWORD size = 0;
    if (ecb->GetServerVariable(ecb->ConnID, name.c_str(), nullptr, &size))
        return "no error for an empty buffer";
    if (errno != 122)
        return "error " + std::to_string(errno);
    std::string value(size, '\0');
    if (!ecb->GetServerVariable(ecb->ConnID, name.c_str(), value.data(), &size))
        return "error " + std::to_string(errno) + " with a buffer of the size asked for";
    value.resize(size - 1);
    return value;
}

[[maybe_unused]] DWORD echo(ExtensionControlBlock *ecb, const std::string &query)
{
    std::string body(reinterpret_cast<const char *>(ecb->lpbData), ecb->cbAvailable);
    char buffer[5000];
    int readError = 0;
    for (;;) {
        DWORD size = sizeof buffer;
        if (!ecb->ReadClient(ecb->ConnID, buffer, &size)) {
            readError = errno;
            break;
        }
        if (size == 0)
            break;
        body.append(buffer, size);
    }
    std::uint32_t hash = 2166136261u; // FNV-1a
    for (unsigned char c : body)
        hash = (hash ^ c) * 16777619u;
    std::string text = "method=" + std::string(ecb->lpszMethod) + "\n"
                       + "query-length=" + std::to_string(std::strlen(ecb->lpszQueryString)) + "\n"
                       + "path-info=" + ecb->lpszPathInfo + "\n"
                       + "content-type=" + ecb->lpszContentType + "\n"
                       + "total=" + std::to_string(ecb->cbTotalBytes) + "\n"
                       + "available=" + std::to_string(ecb->cbAvailable) + "\n"
                       + "read=" + std::to_string(body.size()) + "\n"
                       + "hash=" + std::to_string(hash) + "\n";
    if (readError != 0)
        text += "read-error=" + std::to_string(readError) + "\n";
    const std::string name = queryValue(query, "var");
    if (!name.empty())
        text += "var=" + variable(ecb, name) + "\n";
    header(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
    return send(ecb, text) ? 1 : 4;
}

// A real SIGSEGV, also in the sanitizer build: UBSan would stop the store
// first and end the process its own way, which no extension's fault does.
[[maybe_unused]] __attribute__((no_sanitize_undefined)) void writeNowhere()
{
    volatile int *nowhere = nullptr;
    *nowhere = 1;
}

} // namespace

extern "C" {

BOOL GetExtensionVersion(VersionInfo *info)
{
#if QUILLON_TEST_VARIANT == 3
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
#endif
    info->dwExtensionVersion = 1u << 16;
    std::snprintf(info->lpszExtensionDesc, kMaxExtDllNameLen, "test extension");
    return 1;
}

#ifndef QUILLON_TEST_NO_HTTP_PROC
DWORD HttpExtensionProc(ExtensionControlBlock *ecb)
{
    const int now = ++g_running;
    int most = g_mostAtOnce;
    while (now > most && !g_mostAtOnce.compare_exchange_weak(most, now)) {
    }
    const std::string query = ecb->lpszQueryString;
    DWORD result = 1;
    if (query.starts_with("error")) {
        result = 4;
    } else if (query.starts_with("big")) {
        header(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
        const std::string chunk(4096, 'x');
        for (int i = 0, n = std::stoi(queryValue(query, "kb")) / 4; i < n; ++i)
            if (!send(ecb, chunk)) {
                result = 4;
                break;
            }
    } else if (query.starts_with("raw")) {
        send(ecb, "raw body\n");
    } else if (query.starts_with("nocontent")) {
        ecb->dwHttpStatusCode = 204;
    } else if (query.starts_with("badstatus")) {
        header(ecb, "abc\r\nX-Injected: 1", "Content-Type: text/plain\r\n\r\n");
        send(ecb, "body\n");
    } else if (query.starts_with("pending")) {
        const int ms = std::stoi(queryValue(query, "ms"));
        std::thread([ecb, ms] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            header(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
            send(ecb, "answered later\n");
            ecb->ServerSupportFunction(ecb->ConnID, kReqDoneWithSession, nullptr, nullptr, nullptr);
        }).detach();
        result = 3;
    } else if (query.starts_with("crash")) {
        writeNowhere();
    } else if (query.starts_with("abort")) {
        std::abort();
    } else if (query.starts_with("exit")) {
        std::exit(3);
    } else if (query.starts_with("hang")) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::seconds(1));
    } else if (query.starts_with("who")) {
        header(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
        send(ecb, "pid=" + std::to_string(::getpid()) + " variant=" + std::to_string(QUILLON_TEST_VARIANT)
                      + " uid=" + std::to_string(::getuid()) + "\n");
    } else if (query.starts_with("closestdout")) {
        ::close(1);
        header(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
        send(ecb, "closed\n");
    } else if (query.starts_with("print")) {
        const char line[] = "LEAKED INTO THE CONNECTION\n";
        [[maybe_unused]] const ssize_t n = ::write(1, line, sizeof line - 1);
        header(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
        send(ecb, "printed\n");
    } else if (query.starts_with("alloc")) {
        const std::size_t size = std::stoul(queryValue(query, "mb")) << 20;
        char *leaked = static_cast<char *>(std::malloc(size));
        for (std::size_t i = 0; leaked != nullptr && i < size; i += 4096)
            leaked[i] = 1;
        header(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
        send(ecb, leaked != nullptr ? "taken\n" : "no memory\n");
    } else if (query.starts_with("childmask")) {
        // grep started directly (a shell would clear the mask it inherits)
        std::string lines;
        int out[2];
        if (::pipe(out) == 0) {
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_adddup2(&actions, out[1], 1);
            posix_spawn_file_actions_addclose(&actions, out[0]);
            char *argv[] = {const_cast<char *>("grep"), const_cast<char *>("-E"), const_cast<char *>("^Sig(Blk|Ign)"),
                            const_cast<char *>("/proc/self/status"), nullptr};
            pid_t child = -1;
            const bool started = ::posix_spawnp(&child, "grep", &actions, nullptr, argv, environ) == 0;
            posix_spawn_file_actions_destroy(&actions);
            ::close(out[1]);
            char buffer[256];
            ssize_t n;
            while ((n = ::read(out[0], buffer, sizeof buffer)) > 0)
                lines.append(buffer, static_cast<std::size_t>(n));
            ::close(out[0]);
            if (started)
                ::waitpid(child, nullptr, 0);
        }
        // SIGPIPE is signal 13: bit 12 of the ignored set.
        const auto ignored = lines.find("SigIgn:\t");
        if (ignored != std::string::npos)
            lines += std::string("sigpipe ignored: ")
                     + ((std::stoull(lines.substr(ignored + 8, 16), nullptr, 16) >> 12) & 1 ? "yes" : "no") + "\n";
        header(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
        send(ecb, lines);
    } else if (query.starts_with("sleep")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(queryValue(query, "ms"))));
        header(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
        send(ecb, "most=" + std::to_string(g_mostAtOnce.load()) + " pid=" + std::to_string(::getpid()) + "\n");
    } else {
        result = echo(ecb, query);
    }
    --g_running;
    return result;
}
#endif

BOOL TerminateExtension(DWORD)
{
    std::fprintf(stderr, "TerminateExtension\n");
    std::fflush(stderr);
    return 1;
}

} // extern "C"
