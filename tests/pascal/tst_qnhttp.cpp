/*
** The request and page helpers of the unit qnhttp at their edges, through
** a small Pascal program that runs one routine per call.
*/

#include "fpcbuild.h"
#include "scratchdir.h"

#include "platform/atomicfile.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace quillon::testing;

namespace {

struct ProbeRow
{
    const char *name;
    std::vector<std::string> args;
    std::string expected;
};

class QnHttp : public ::testing::TestWithParam<ProbeRow>
{
protected:
    static void SetUpTestSuite()
    {
        s_scratch = new ScratchDir;
        const FpcBuild fpc(s_scratch->path());
        const FpcResult made = fpc.compile({fs::path(QUILLON_PASCAL_TESTS_DIR) / "qnhttpprobe.pas",
                                            s_scratch->path() / "probe"});
        ASSERT_EQ(made.exitCode, 0) << made.log;
        s_probe = made.output;
    }
    static void TearDownTestSuite() { delete s_scratch; }

    static std::string probe(std::vector<std::string> args)
    {
        args.insert(args.begin(), s_probe.string());
        const fs::path log = s_scratch->path() / "probe.out";
        const int status = waitProcess(startProcess(args, log));
        EXPECT_EQ(status, 0);
        return quillon::platform::readFile(log.string());
    }

    static ScratchDir *s_scratch;
    static fs::path s_probe;
};

ScratchDir *QnHttp::s_scratch = nullptr;
fs::path QnHttp::s_probe;

TEST_P(QnHttp, Routine)
{
    EXPECT_EQ(probe(GetParam().args), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QnHttp,
    ::testing::Values(
        // PrepareString: markup characters become entities; only the exact
        // line-break tag (any letter case) passes.
        ProbeRow{"PrepareEmpty", {"prepare", ""}, "[]"},
        ProbeRow{"PrepareMarkup", {"prepare", "<a href=\"x\">&amp;</a>"}, "[&lt;a href=&quot;x&quot;&gt;&amp;amp;&lt;/a&gt;]"},
        ProbeRow{"PrepareBreakTag", {"prepare", "a<BR>b<br>c<Br>"}, "[a<BR>b<br>c<Br>]"},
        ProbeRow{"PrepareBrokenBreakTag", {"prepare", "<BR<BR x><B"}, "[&lt;BR&lt;BR x&gt;&lt;B]"},
        ProbeRow{"PrepareKeepsOtherBytes", {"prepare", "O'Brien \xE9\t{*$Author}"}, "[O'Brien \xE9\t{*$Author}]"},
        // UrlDecode: "+" and %XX; a "%" without two hex digits stays.
        ProbeRow{"DecodePlusAndHex", {"decode", "a+b%26c%3d%7E"}, "[a b&c=~]"},
        ProbeRow{"DecodeBrokenEscapes", {"decode", "%%4%zz%4g%"}, "[%%4%zz%4g%]"},
        ProbeRow{"DecodeHighByte", {"decode", "%C3%BC%e9"}, "[\xC3\xBC\xE9]"},
        // Parse: pairs split at "&", each at its first "=".
        ProbeRow{"ParseEmpty", {"parse", ""}, ""},
        ProbeRow{"ParsePairs", {"parse", "a=1&b=2=3&c&&=4&"}, "[a]=[1][b]=[2=3][c]=[][]=[4]"},
        ProbeRow{"ParseDecodesBothSides", {"parse", "n%61me=v+1"}, "[name]=[v 1]"},
        // The lookup the generated GetVars makes: names compare without
        // regard to case, and a missing name raises EListError.
        ProbeRow{"LookupFound", {"lookup", "City=Bonn&Zip=1", "city"}, "[Bonn]"},
        ProbeRow{"LookupFirstOfTwo", {"lookup", "a=1&A=2", "a"}, "[1]"},
        ProbeRow{"LookupMissing", {"lookup", "City=Bonn", "Zip"}, "EListError"},
        ProbeRow{"LookupInEmpty", {"lookup", "", "Zip"}, "EListError"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
