#include "wizard/navigation.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace quillon::wizard;

namespace {

using Tweak = std::function<void(NavigationFacts &)>;

NavigationFacts facts(const Tweak &tweak = {})
{
    NavigationFacts f;
    if (tweak)
        tweak(f);
    return f;
}

const Tweak noDatabase = [](NavigationFacts &f) { f.dbOk = false; };
const Tweak insert = [](NavigationFacts &f) { f.doBrowse = false; f.doInsert = true; };
const Tweak query = [](NavigationFacts &f) { f.tbBrowse = false; f.sql = "select NAME from customer"; };
const Tweak statement = [](NavigationFacts &f) { f.tbBrowse = false; f.sql = "INSERT INTO t VALUES (1)"; };

// Walks Next from pgWelcome to the last page and Back to the first.
std::vector<Page> forward(const NavigationFacts &f)
{
    std::vector<Page> path{Page::Welcome};
    while (path.back() != kLastPage && path.size() < 20)
        path.push_back(nextPage(path.back(), f));
    return path;
}

std::vector<Page> backward(const NavigationFacts &f)
{
    std::vector<Page> path{kLastPage};
    while (path.back() != Page::Welcome && path.size() < 20)
        path.push_back(previousPage(path.back(), f));
    return path;
}

struct PathRow
{
    const char *name;
    Tweak tweak;
    std::vector<Page> path;
};

class Paths : public testing::TestWithParam<PathRow>
{};

TEST_P(Paths, ForwardAndBackThroughTheSamePages)
{
    const PathRow &row = GetParam();
    const NavigationFacts f = facts(row.tweak);
    EXPECT_EQ(forward(f), row.path);
    std::vector<Page> back(row.path.rbegin(), row.path.rend());
    EXPECT_EQ(backward(f), back);
}

using P = Page;
INSTANTIATE_TEST_SUITE_P(
    Flow, Paths,
    testing::Values(
        PathRow{"NoDatabase", noDatabase,
                {P::Welcome, P::HeaderFooter, P::Input, P::DBCheck, P::OtherData, P::DLLOutput, P::Info}},
        PathRow{"Insert", insert,
                {P::Welcome, P::HeaderFooter, P::Input, P::DBCheck, P::Login, P::DatabaseUP, P::OtherData,
                 P::DLLOutput, P::Info}},
        PathRow{"BrowseTable", {},
                {P::Welcome, P::HeaderFooter, P::Input, P::DBCheck, P::Login, P::DatabaseBR, P::FieldSelect,
                 P::OtherData, P::DLLOutput, P::Info}},
        PathRow{"BrowseQuery", query,
                {P::Welcome, P::HeaderFooter, P::Input, P::DBCheck, P::Login, P::DatabaseBR, P::FieldSelect,
                 P::OtherData, P::DLLOutput, P::Info}},
        PathRow{"QueryWithoutRows", statement,
                {P::Welcome, P::HeaderFooter, P::Input, P::DBCheck, P::Login, P::DatabaseBR, P::OtherData,
                 P::DLLOutput, P::Info}}),
    [](const auto &info) { return info.param.name; });

TEST(Navigation, BackFromTheDatabasePagesAndTheEdges)
{
    EXPECT_EQ(previousPage(P::DatabaseUP, facts(insert)), P::Login);
    EXPECT_EQ(previousPage(P::FieldSelect, facts()), P::DatabaseBR);
    EXPECT_EQ(previousPage(P::Login, facts()), P::DBCheck);
    EXPECT_EQ(previousPage(P::DatabaseBR, facts(insert)), P::Login);
    EXPECT_EQ(previousPage(P::Welcome, facts()), P::Welcome);
    EXPECT_EQ(nextPage(P::Info, facts()), P::Info);
    // Insert wins over browse when a file left both set.
    EXPECT_EQ(previousPage(P::OtherData, facts([](NavigationFacts &f) { f.doInsert = true; })), P::DatabaseUP);
}

struct CheckRow
{
    const char *name;
    Page page;
    Tweak tweak;
    std::optional<CheckFailure> failure;
};

class Checks : public testing::TestWithParam<CheckRow>
{};

TEST_P(Checks, RefuseOrPass)
{
    const CheckRow &row = GetParam();
    EXPECT_EQ(checkLeaving(row.page, facts(row.tweak)), row.failure);
}

const std::optional<CheckFailure> pass;

INSTANTIATE_TEST_SUITE_P(
    Next, Checks,
    testing::Values(
        CheckRow{"LoginBothBlank", P::Login, [](NavigationFacts &f) { f.userId = " \t"; },
                 CheckFailure{"Please enter Username/Password!", "edUserID"}},
        CheckRow{"LoginUserOnly", P::Login, [](NavigationFacts &f) { f.userId = "sa"; }, pass},
        CheckRow{"LoginPasswordOnly", P::Login, [](NavigationFacts &f) { f.password = "x"; }, pass},
        CheckRow{"LoginNotRequired", P::Login, [](NavigationFacts &f) { f.doLogin = false; }, pass},
        CheckRow{"NoAlias", P::DBCheck, {}, CheckFailure{"Database must be selected!", "cbDatabase"}},
        CheckRow{"NoAliasNoDatabase", P::DBCheck, noDatabase, pass},
        CheckRow{"AliasChosen", P::DBCheck, [](NavigationFacts &f) { f.aliasChosen = true; }, pass},
        CheckRow{"NoTable", P::DatabaseBR, {}, CheckFailure{"Table must be selected!", "cbBRTable"}},
        CheckRow{"TableChosen", P::DatabaseBR, [](NavigationFacts &f) { f.browseTableChosen = true; }, pass},
        CheckRow{"BlankSql", P::DatabaseBR,
                 [](NavigationFacts &f) { f.tbBrowse = false; f.sql = " \r\n "; },
                 CheckFailure{"SQL Code not entered!", "moSQL"}},
        CheckRow{"Sql", P::DatabaseBR, query, pass},
        CheckRow{"SqlParameterNamesARequestValue", P::DatabaseBR,
                 [](NavigationFacts &f) {
                     f.tbBrowse = false;
                     f.sql = "SELECT * FROM t WHERE CITY = :city AND NOTE = ':Other'";
                     f.requestValues = {"City"};
                 },
                 pass},
        CheckRow{"SqlParameterNamesNoRequestValue", P::DatabaseBR,
                 [](NavigationFacts &f) {
                     f.tbBrowse = false;
                     f.sql = "SELECT * FROM t WHERE CITY = :City AND ZIP = :Zip";
                     f.requestValues = {"City"};
                 },
                 CheckFailure{"The query's parameter :Zip names no request value: add Zip to the request values, "
                              "or take the parameter out of the query.",
                              "moSQL"}},
        CheckRow{"BrowseChecksSkippedWithoutDatabase", P::DatabaseBR, noDatabase, pass},
        CheckRow{"NoTitle", P::OtherData, [](NavigationFacts &f) { f.extName = "X"; f.pageTitle = " "; },
                 CheckFailure{"Page must have a Title.", "edPageTitle"}},
        CheckRow{"NoName", P::OtherData, [](NavigationFacts &f) { f.pageTitle = "T"; },
                 CheckFailure{"Extension must have a name.", "edExtName"}},
        CheckRow{"TitleFirst", P::OtherData, {}, CheckFailure{"Page must have a Title.", "edPageTitle"}},
        CheckRow{"TitleAndName", P::OtherData,
                 [](NavigationFacts &f) { f.pageTitle = "T"; f.extName = "N"; }, pass},
        CheckRow{"NoOutput", P::DLLOutput, [](NavigationFacts &f) { f.outputFile = "  "; },
                 CheckFailure{"Output DLL Source filename required!", ""}},
        CheckRow{"OutputIsAFolder", P::DLLOutput,
                 [](NavigationFacts &f) { f.outputFile = "web"; f.outputProblem = "web is a folder"; },
                 CheckFailure{"web is a folder", "edDLLFile"}},
        CheckRow{"HeaderBeforeFooter", P::HeaderFooter,
                 [](NavigationFacts &f) { f.headerProblem = "h"; f.footerProblem = "f"; },
                 CheckFailure{"h", "edHeader"}},
        CheckRow{"Footer", P::HeaderFooter, [](NavigationFacts &f) { f.footerProblem = "f"; },
                 CheckFailure{"f", "edFooter"}},
        CheckRow{"NoMapping", P::DatabaseUP, {}, CheckFailure{"Please specify fields to insert!", ""}},
        CheckRow{"Mapping", P::DatabaseUP, [](NavigationFacts &f) { f.hasMapping = true; }, pass},
        CheckRow{"WelcomeNeverRefuses", P::Welcome, {}, pass}),
    [](const auto &info) { return info.param.name; });

TEST(Navigation, Questions)
{
    EXPECT_EQ(questionOnLeaving(P::DBCheck, facts(insert)), Question::InsertWithoutInputValues);
    EXPECT_EQ(questionOnLeaving(P::DBCheck, facts([](NavigationFacts &f) {
                  insert(f);
                  f.hasInputValues = true;
              })),
              Question::None);
    EXPECT_EQ(questionOnLeaving(P::DBCheck, facts()), Question::None);
    EXPECT_EQ(questionOnLeaving(P::DBCheck, facts([](NavigationFacts &f) { insert(f); noDatabase(f); })),
              Question::None);
    EXPECT_EQ(questionOnLeaving(P::FieldSelect, facts()), Question::NoReturnedFields);
    EXPECT_EQ(questionOnLeaving(P::FieldSelect, facts([](NavigationFacts &f) { f.hasReturnedFields = true; })),
              Question::None);
}

struct SqlRow
{
    const char *sql;
    bool rows;
};

class FirstWord : public testing::TestWithParam<SqlRow>
{};

TEST_P(FirstWord, ReturnsRows)
{
    EXPECT_EQ(sqlReturnsRows(GetParam().sql), GetParam().rows) << GetParam().sql;
}

INSTANTIATE_TEST_SUITE_P(Sql, FirstWord,
                         testing::Values(SqlRow{"SELECT * FROM T", true}, SqlRow{"select name from c", true},
                                         SqlRow{"SeLeCt x", true}, SqlRow{"SELECT\r\n  name\r\nFROM c", true},
                                         SqlRow{"SELECT\tx", true}, SqlRow{"INSERT INTO t", false},
                                         SqlRow{" SELECT * FROM T", false}, SqlRow{"SELECT*FROM T", false},
                                         SqlRow{"SELECT", false}, SqlRow{"", false},
                                         SqlRow{"SELECTED x", false}, SqlRow{"\xe9SELECT x", false}));

struct PathCompletionRow
{
    const char *entered;
    const char *completed;
};

class OutputPath : public testing::TestWithParam<PathCompletionRow>
{};

TEST_P(OutputPath, CompletedWithDprAndMadeAbsolute)
{
    EXPECT_EQ(completeOutputPath(GetParam().entered, "/home/ann/work"), GetParam().completed);
}

INSTANTIATE_TEST_SUITE_P(Names, OutputPath,
                         testing::Values(PathCompletionRow{"web", "/home/ann/work/web.dpr"},
                                         PathCompletionRow{"x.pas", "/home/ann/work/x.dpr"},
                                         PathCompletionRow{"/srv/a.b/web", "/srv/a.b/web.dpr"},
                                         PathCompletionRow{"/srv/a.b/web.DPR", "/srv/a.b/web.dpr"},
                                         PathCompletionRow{"sub/page.tar.gz", "/home/ann/work/sub/page.tar.dpr"},
                                         PathCompletionRow{"../out/web", "/home/ann/out/web.dpr"},
                                         PathCompletionRow{"web.", "/home/ann/work/web.dpr"},
                                         PathCompletionRow{"a.b\\web", "/home/ann/work/a.b\\web.dpr"},
                                         PathCompletionRow{"d:web", "/home/ann/work/d:web.dpr"}));

TEST(Navigation, PageNamesAndHelpContexts)
{
    const int contexts[kPageCount] = {0, 6, 9, 12, 13, 14, 15, 16, 17, 18, 19};
    for (int i = 0; i < kPageCount; ++i) {
        const auto page = static_cast<Page>(i);
        EXPECT_EQ(helpContext(page), contexts[i]);
        EXPECT_EQ(pageFromName(pageName(page)), page);
    }
    EXPECT_EQ(pageFromName("pgNowhere"), std::nullopt);
}

} // namespace
