/*
** Feeds arbitrary templates and project values to the expander and checks
** that the output is well formed: every line ends with CR LF, no line break
** stands alone, and no two blank lines follow each other.
*/

#include "generator/sourcegenerator.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string_view>

using namespace quillon;

namespace {

bool blank(std::string_view line)
{
    for (const char c : line)
        if (static_cast<unsigned char>(c) > 32)
            return false;
    return true;
}

void check(const std::string &out)
{
    if (!out.empty() && !out.ends_with("\r\n"))
        __builtin_trap();
    bool previousBlank = false;
    std::size_t start = 0;
    while (start < out.size()) {
        const auto cr = out.find('\r', start);
        if (cr == std::string::npos || out[cr + 1] != '\n')
            __builtin_trap();
        const auto line = std::string_view(out).substr(start, cr - start);
        if (line.find('\n') != std::string_view::npos)
            __builtin_trap();
        if (blank(line) && previousBlank)
            __builtin_trap();
        previousBlank = blank(line);
        start = cr + 2;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    WizardProject p;
    for (bool *flag : {&p.DBOk, &p.DoBrowse, &p.DoInsert, &p.TbBrowse, &p.DoLogin,
                       &p.HasHeaderFile, &p.HasFooterFile, &p.DoGenDate, &p.DoGenTime})
        *flag = in.ConsumeBool();
    for (auto *field : {&p.HeaderFile, &p.FooterFile, &p.DBName, &p.UserName, &p.Password,
                        &p.TbInsData, &p.TbToBrowse, &p.QrToBrowse, &p.PageTitle, &p.ExtName,
                        &p.Copyright, &p.Version, &p.Author, &p.Email, &p.Company, &p.OtherInfo,
                        &p.OutputDLL})
        *field = in.ConsumeRandomLengthString(64);
    for (auto *list : {&p.Input, &p.UpdFields, &p.RetChosenFields})
        for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n)
            list->push_back(in.ConsumeRandomLengthString(16));
    const generator::GenerationMoment moment{in.ConsumeRandomLengthString(12),
                                             in.ConsumeRandomLengthString(12)};
    const std::string templ = in.ConsumeRemainingBytesAsString();
    check(generator::expandTemplate(p, templ, moment));
    return 0;
}
