/*
** Fuzzes the look at a connection's first bytes: any bytes are judged
** without a crash, and the judgement only moves forward as bytes come (a
** prefix found ready or invalid stays so with more bytes after it), so a
** connection is never handed over or dropped too early.
*/

#include "fcgi/records.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using quillon::fcgi::inspectOpening;
    using quillon::fcgi::Opening;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const Opening whole = inspectOpening(bytes);
    if (whole.requestId < 0 || whole.requestId > 0xffff)
        std::abort();
    if (whole.state == Opening::Incomplete && size >= quillon::fcgi::kEnoughToServe)
        std::abort();
    const Opening prefix = inspectOpening(bytes.substr(0, size / 2));
    if (prefix.state != Opening::Incomplete && prefix.state != whole.state)
        std::abort();
    return 0;
}
