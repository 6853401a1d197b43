/*
** Generated extensions at work: each test generates a project with the real
** generator and template, compiles it with fpc, loads the library into the
** ISAPI test host and checks what the extension writes for a request.
*/

#include "extensionbuild.h"
#include "isapihost.h"
#include "scratchdir.h"

#include "platform/atomicfile.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace fs = std::filesystem;
using quillon::WizardProject;
using namespace quillon::testing;

namespace {

// One folder and one set of compiled units for the whole run.
class ExtensionTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_scratch = new ScratchDir;
        s_builder = new ExtensionBuilder(s_scratch->path() / "build");
    }
    static void TearDownTestSuite()
    {
        delete s_builder;
        delete s_scratch;
    }

    static fs::path dataPath(const std::string &name) { return s_scratch->path() / name; }

    static fs::path build(const WizardProject &project, const std::string &name)
    {
        return s_builder->build(project, name);
    }

    static WizardProject noDatabase()
    {
        WizardProject p;
        p.DBOk = false;
        p.PageTitle = "Title";
        p.ExtName = "Ext";
        return p;
    }

    static ScratchDir *s_scratch;
    static ExtensionBuilder *s_builder;
};

ScratchDir *ExtensionTest::s_scratch = nullptr;
ExtensionBuilder *ExtensionTest::s_builder = nullptr;

IsapiHost::Request get(const std::string &query)
{
    IsapiHost::Request r;
    r.queryString = query;
    return r;
}

IsapiHost::Request post(const std::string &body, std::size_t firstChunk = SIZE_MAX)
{
    IsapiHost::Request r;
    r.method = "POST";
    r.body = body;
    r.firstChunk = firstChunk;
    return r;
}

TEST_F(ExtensionTest, DescribesItselfAndSendsAnHtmlPage)
{
    WizardProject p = noDatabase();
    p.ExtName = "O'Brien's \"ext\" {*$Author}";
    p.PageTitle = "<b>{*$Author}</b> & 'co'";
    p.Author = "O'Brien";
    IsapiHost host(build(p, "Describe"));
    EXPECT_EQ(host.description(), "O'Brien's \"ext\" {*$Author}");

    const auto r = host.run(get(""));
    EXPECT_EQ(r.status, "200 OK");
    EXPECT_NE(r.headers.find("Content-Type: text/html; charset=utf-8"), std::string::npos) << r.headers;
    EXPECT_EQ(r.body.rfind("<HTML><HEAD><TITLE>&lt;b&gt;{*$Author}&lt;/b&gt; &amp; 'co'</TITLE>", 0), 0u)
        << r.body;
    EXPECT_NE(r.body.find("Author: O'Brien<BR>\r\n"), std::string::npos) << r.body;
    EXPECT_NE(r.body.find("</BODY></HTML>\r\n"), std::string::npos) << r.body;
}

TEST_F(ExtensionTest, TrailerLinesKeepTheirText)
{
    WizardProject p = noDatabase();
    p.Email = "me@example.com";
    p.Company = "A & B";
    p.Version = "1.0 'beta'";
    p.Copyright = "2026 us";
    p.OtherInfo = "first <line>\r\n\r\nthird";
    p.DoGenDate = p.DoGenTime = true;
    IsapiHost host(build(p, "Trailer"));
    const std::string body = host.run(get("")).body;
    for (const char *line : {"EMail: me@example.com<BR>", "Company: A &amp; B<BR>",
                             "Version: 1.0 'beta'<BR>", "&copy; 2026 us<BR>",
                             "first &lt;line&gt;<BR>\r\n<BR>\r\nthird<BR>",
                             "Date: 08/12/'26<BR>", "Time: 21:05:00 o'clock<BR>"})
        EXPECT_NE(body.find(line), std::string::npos) << line << " missing in\n" << body;
}

TEST_F(ExtensionTest, HeaderAndFooterFilesAreSentAroundThePage)
{
    const fs::path header = dataPath("it's header.htm");
    const fs::path footer = dataPath("footer.htm");
    quillon::platform::writeFileAtomically(header.string(), "<P>HEADER 'text'</P>");
    quillon::platform::writeFileAtomically(footer.string(), "<P>FOOTER</P>");
    WizardProject p = noDatabase();
    p.HasHeaderFile = p.HasFooterFile = true;
    p.HeaderFile = header.string();
    p.FooterFile = footer.string();
    p.Author = "Someone";
    IsapiHost host(build(p, "HeaderFooter"));
    const std::string body = host.run(get("")).body;
    const auto title = body.find("<TITLE>Title</TITLE>");
    const auto head = body.find("<P>HEADER 'text'</P>\r\n");
    const auto author = body.find("Author: Someone");
    const auto foot = body.find("<P>FOOTER</P>\r\n");
    ASSERT_NE(head, std::string::npos) << body;
    ASSERT_NE(foot, std::string::npos) << body;
    EXPECT_LT(title, head);
    EXPECT_LT(head, author);
    EXPECT_LT(author, foot);

    // A header that has gone away is reported in the page, not a crash.
    fs::remove(header);
    const auto again = host.run(get(""));
    EXPECT_NE(again.body.find("Error reading file: "), std::string::npos) << again.body;
    EXPECT_NE(again.body.find("<P>FOOTER</P>"), std::string::npos) << again.body;
    EXPECT_EQ(again.status, "500 Internal Server Error");
}

// A client that goes away while the page is written: the extension stops
// sending, finishes its work without crashing, and tells the server.
TEST_F(ExtensionTest, LostClientIsReportedToTheServer)
{
    WizardProject p = noDatabase();
    // The page is sent when it is made, in pieces of 32 KiB: make it several.
    for (int i = 0; i < 4000; ++i)
        p.OtherInfo += "line " + std::to_string(i) + " of the free text\r\n";
    IsapiHost host(build(p, "LostClient"));
    const std::uint32_t kSuccess = 1, kError = 4;

    const auto whole = host.run(get(""));
    EXPECT_EQ(whole.result, kSuccess);
    ASSERT_GT(whole.writeCalls, 3u) << "the page must take several writes";

    for (std::size_t writes : {0u, 1u, 3u}) {
        IsapiHost::Request request = get("");
        request.writesBeforeFailure = writes;
        const auto cut = host.run(request);
        EXPECT_EQ(cut.result, kError) << writes;
        EXPECT_EQ(cut.writeCalls, writes);
        EXPECT_EQ(whole.body.rfind(cut.body, 0), 0u) << "sent text must be the page's start";
    }
    EXPECT_EQ(host.run(get("")).body, whole.body) << "the next request is whole again";
}

// A server calls the extension from several threads at once; every
// request must get its own complete page.
TEST_F(ExtensionTest, ConcurrentRequestsGetTheirOwnPages)
{
    const fs::path footer = dataPath("shared footer.htm");
    quillon::platform::writeFileAtomically(footer.string(), "<P>FOOTER</P>");
    WizardProject p = noDatabase();
    p.Input = {"N"};
    p.HasFooterFile = true;
    p.FooterFile = footer.string();
    IsapiHost host(build(p, "Threads"));
    constexpr int kThreads = 8;
    constexpr int kRequests = 25;
    std::vector<std::string> failures(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRequests; ++i) {
                const bool complete = (i % 3) != 0;
                const auto r = host.run(get(complete ? "N=" + std::to_string(i) : "M=1"));
                const bool problems = r.body.find("Problems with parameters!") != std::string::npos;
                const bool footerSent = r.body.find("<P>FOOTER</P>") != std::string::npos;
                const bool statusRight = r.status == (complete ? "200 OK" : "400 Bad Request");
                if (problems == complete || footerSent != complete || !statusRight)
                    failures[t] += "request " + std::to_string(i) + ":\n" + r.body + "\n";
            }
        });
    }
    for (auto &thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], "") << "thread " << t;
}

struct ParameterRow
{
    const char *name;
    IsapiHost::Request request;
    bool complete; // every input value is present
};

class ParameterTest : public ExtensionTest, public ::testing::WithParamInterface<ParameterRow>
{
};

TEST_P(ParameterTest, MissingParameterWritesProblems)
{
    WizardProject p = noDatabase();
    p.Input = {"City", "Zip"};
    p.Author = "After";
    static const fs::path library = build(p, "Params");
    IsapiHost host(library);
    const auto r = host.run(GetParam().request);
    const bool problems = r.body.find("Problems with parameters!\r\n") != std::string::npos;
    EXPECT_EQ(problems, !GetParam().complete) << r.body;
    // The page stops at the problem: the trailer is not written.
    EXPECT_EQ(r.body.find("Author: After") != std::string::npos, GetParam().complete) << r.body;
    // A request without every value is the client's fault, and says so.
    EXPECT_EQ(r.status, GetParam().complete ? "200 OK" : "400 Bad Request");
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ParameterTest,
    ::testing::Values(
        ParameterRow{"GetComplete", get("City=Bonn&Zip=53111"), true},
        ParameterRow{"GetOtherOrderAndExtras", get("x=1&zip=1&CITY=a+b%26c"), true},
        ParameterRow{"GetEmptyValues", get("City=&Zip"), true},
        ParameterRow{"GetBrokenEscapesAndEmptyPairs", get("&&City=%zz%4&&Zip=%&"), true},
        ParameterRow{"GetEscapedNameMatches", get("%43ity=1&Zip=2"), true},
        ParameterRow{"GetMissingOne", get("City=Bonn"), false},
        ParameterRow{"GetNoQuery", get(""), false},
        ParameterRow{"PostComplete", post("City=Bonn&Zip=53111"), true},
        ParameterRow{"PostBodyMostlyUnread", post("Zip=53111&City=" + std::string(20000, 'x'), 4), true},
        ParameterRow{"PostMissingOne", post("Zip=53111"), false},
        ParameterRow{"PostIgnoresQueryString", [] { auto r = post("Zip=1"); r.queryString = "City=a&Zip=1"; return r; }(), false},
        ParameterRow{"PostWithNulByte", post(std::string("City=a&Zip=1\0&x", 16)), true},
        ParameterRow{"PostNulHidesRest", post(std::string("Zip=1\0&City=a", 13)), false}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
