/*
** Fuzzes the FastCGI record layer's parsing: any byte stream splits into
** records without a crash, each record lies within the bytes, name-value
** pairs that parse encode back to the same pairs, and the answer to any
** management record is itself one whole record for request 0.
*/

#include "fcgi/records.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::string_view, std::string_view>>;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace quillon::fcgi;
    std::string_view bytes(reinterpret_cast<const char *>(data), size);
    while (!bytes.empty()) {
        const Split split = splitRecord(bytes);
        if (split.state != Split::Whole)
            break;
        const Record &r = split.record;
        check(r.size >= kHeaderSize && r.size <= bytes.size());
        check(r.content.data() == bytes.data() + kHeaderSize && r.content.size() <= kMaxContent);
        check(r.requestId >= 0 && r.requestId <= 0xffff);
        Pairs pairs;
        if (forEachPair(r.content, [&](std::string_view n, std::string_view v) { pairs.emplace_back(n, v); })) {
            std::string encoded;
            for (const auto &[n, v] : pairs)
                appendPair(encoded, n, v);
            Pairs again;
            check(forEachPair(encoded, [&](std::string_view n, std::string_view v) { again.emplace_back(n, v); }));
            check(again == pairs);
        }
        if (r.requestId == 0) {
            const std::string answer = managementAnswer(r);
            const Split back = splitRecord(answer);
            check(back.state == Split::Whole && back.record.size == answer.size() && back.record.requestId == 0);
        }
        bytes.remove_prefix(r.size);
    }
    return 0;
}
