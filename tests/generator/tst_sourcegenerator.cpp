#include "generator/sourcegenerator.h"

#include "generator/requestfragments.h"

#include <gtest/gtest.h>

#include <random>

using namespace quillon;
using namespace quillon::generator;

namespace {

const GenerationMoment kMoment{"12/08/26", "19:20:09"};

const char *const kAllPlaceholders[] = {
    "{*$LibName}",  "{*$LibTitle}", "{*$VarDecl}",   "{*$DatabaseDecl}", "{*$TableDecl}",
    "{*$GetValues}", "{*$SendFile}", "{*$PageTitle}", "{*$HeaderHTML}",  "{*$GetVal}",
    "{*$DataInit}", "{*$Database}", "{*$Table}",     "{*$Query}",        "{*$FreeRes}",
    "{*$Author}",   "{*$EMail}",    "{*$Company}",   "{*$Version}",      "{*$Copyright}",
    "{*$OtherInfo}", "{*$GenDate}", "{*$GenTime}",   "{*$FooterHTML}",
};

// A project whose fragments are all empty but the always-present page title.
WizardProject quietProject()
{
    WizardProject p;
    p.DBOk = false;
    return p;
}

// A small template of the shape the real one has, lines ending in LF.
const std::string kTemplate = "library {*$LibName};\n"
                              "\n"
                              "uses SysUtils;\n"
                              "\n"
                              "var\n"
                              "{*$VarDecl}\n"
                              "\n"
                              "{*$GetValues}\n"
                              "\n"
                              "begin\n"
                              "  Title := {*$PageTitle};\n"
                              "  Ext := '{*$LibTitle}';\n"
                              "  {*$GetVal}\n"
                              "    {*$Author}\n"
                              "    {*$OtherInfo}\n"
                              "{*$FooterHTML}\n"
                              "end.";

} // namespace

TEST(ExpandTemplate, BuildsWholeSourceWithCrLf)
{
    WizardProject p = quietProject();
    p.OutputDLL = "/tmp/Shop.dpr";
    p.ExtName = "Shop";
    p.PageTitle = "Welcome";
    p.Input = {"Zip"};
    p.Author = "Ann";
    p.OtherInfo = "one\ntwo";
    const std::string expected = "library Shop;\r\n"
                                 "\r\n"
                                 "uses SysUtils;\r\n"
                                 "\r\n"
                                 "var\r\n"
                                 "  Zip : String;\r\n"
                                 "\r\n"
                                 // GetVars, exactly as the fragment tests check it
                                 + getValuesFragment(p) +
                                 "\r\n"
                                 "begin\r\n"
                                 "  Title := PrepareString('Welcome');\r\n"
                                 "  Ext := 'Shop';\r\n"
                                 "  GetVars;\r\n"
                                 "    Writeln (F,'Author: '+PrepareString('Ann')+'<BR>');\r\n"
                                 "    Writeln (F,PrepareString('one<BR>'));\r\n"
                                 "    Writeln (F,PrepareString('two<BR>'));\r\n"
                                 "\r\n" // the empty footer line after the fragment's own break
                                 "end.\r\n";
    EXPECT_EQ(expandTemplate(p, kTemplate, kMoment), expected);
}

TEST(ExpandTemplate, EveryPlaceholderOnceLeavesNone)
{
    std::string templ;
    for (const char *name : kAllPlaceholders)
        templ += std::string(name) + "\n";
    WizardProject browse;
    browse.RetChosenFields = {"A"};
    WizardProject query = browse;
    query.TbBrowse = false;
    WizardProject insert;
    insert.DoBrowse = false;
    insert.DoInsert = true;
    insert.UpdFields = {"A=b"};
    for (const auto &p : {WizardProject(), quietProject(), browse, query, insert})
        EXPECT_EQ(expandTemplate(p, templ, kMoment).find("{*$"), std::string::npos);
}

TEST(ExpandTemplate, MissingPlaceholdersGoToTheVeryStartInReverseOrder)
{
    WizardProject p = quietProject();
    p.ExtName = "T";
    // {*$LibTitle} is processed before {*$PageTitle}, so the title ends up first.
    EXPECT_EQ(expandTemplate(p, "body\n", kMoment), "PrepareString('')Tbody\r\n");
    EXPECT_EQ(expandTemplate(p, "", kMoment), "PrepareString('')T\r\n");
}

TEST(ExpandTemplate, SecondOccurrenceStaysInOutput)
{
    WizardProject p = quietProject();
    p.Input = {"A"};
    const auto out = expandTemplate(p, "{*$VarDecl}{*$GetValues}{*$PageTitle}\n{*$GetVal}\n{*$GetVal}\n", kMoment);
    EXPECT_TRUE(out.ends_with("\r\nGetVars;\r\n{*$GetVal}\r\n")) << out;
}

TEST(ExpandTemplate, UserValuesAreNeverTakenForPlaceholders)
{
    WizardProject p = quietProject();
    p.PageTitle = "{*$Author}";
    p.Author = "Ann";
    p.ExtName = "{*$GenDate}";
    p.DoGenDate = true;
    const auto out = expandTemplate(
        p, "'{*$LibTitle}'\n{*$PageTitle}\n{*$Author}\n{*$GenDate}\n", kMoment);
    EXPECT_EQ(out, "'{*$GenDate}'\r\n"
                   "PrepareString('{*$Author}')\r\n"
                   "Writeln (F,'Author: '+PrepareString('Ann')+'<BR>');\r\n"
                   "Writeln (F,'Date: 12/08/26<BR>');\r\n");
}

TEST(ExpandTemplate, QuotedValuesCannotEndTheirLiteral)
{
    WizardProject p = quietProject();
    p.PageTitle = "'); Halt; ('";
    p.ExtName = "x'; Halt; '";
    const auto out = expandTemplate(p, "A := '{*$LibTitle}';\nB := {*$PageTitle};\n", kMoment);
    EXPECT_EQ(out, "A := 'x''; Halt; ''';\r\nB := PrepareString('''); Halt; (''');\r\n");
}

TEST(ExpandTemplate, TextEndsAtFirstNul)
{
    WizardProject p = quietProject();
    p.Author = "Ann";
    const std::string templ("head {*$PageTitle}\n\0{*$Author} tail", 35);
    // {*$Author} lies after the NUL, so it is missing and goes to the start.
    EXPECT_EQ(expandTemplate(p, templ, kMoment),
              "Writeln (F,'Author: '+PrepareString('Ann')+'<BR>');head PrepareString('')\r\n");
}

TEST(ExpandTemplate, NormalisesEveryLineEnd)
{
    WizardProject p = quietProject();
    EXPECT_EQ(expandTemplate(p, "a\rb\nc\r\n{*$PageTitle}", kMoment),
              "a\r\nb\r\nc\r\nPrepareString('')\r\n");
}

TEST(ExpandTemplate, BlankLinesLeftByEmptyFragmentsCollapse)
{
    WizardProject p = quietProject();
    const auto out = expandTemplate(
        p, "{*$PageTitle}\nbegin\n  {*$HeaderHTML}\n\n  {*$GetVal}\nend.", kMoment);
    EXPECT_EQ(out, "PrepareString('')\r\nbegin\r\n  \r\nend.\r\n");
}

TEST(ExpandTemplate, EightBitBytesPassUnchanged)
{
    WizardProject p = quietProject();
    std::string high;
    for (int c = 0x80; c <= 0xff; ++c)
        high += static_cast<char>(c);
    p.PageTitle = high;
    const auto out = expandTemplate(p, "{*$PageTitle}\n" + high + "\n", kMoment);
    EXPECT_EQ(out, "PrepareString('" + high + "')\r\n" + high + "\r\n");
}

TEST(ExpandTemplate, RandomInputKeepsOutputWellFormed)
{
    // Seeded; runs under the sanitizers with the rest of the suite.
    const std::vector<std::string> atoms = {
        "{*$", "}", "LibName", "PageTitle", "Author", "GetVal", "Table", "Query", "OtherInfo",
        "\r", "\n", "\r\n", " ", "'", std::string(1, '\0'), "\xff", "\x01", "x", "{*$FreeRes}",
        "{*$Database}", "{*$GenTime}"};
    std::mt19937 rng(8122026);
    auto text = [&](int maxAtoms) {
        std::string s;
        const int n = std::uniform_int_distribution<int>(0, maxAtoms)(rng);
        for (int i = 0; i < n; ++i)
            s += atoms[std::uniform_int_distribution<std::size_t>(0, atoms.size() - 1)(rng)];
        return s;
    };
    auto flag = [&] { return std::uniform_int_distribution<int>(0, 1)(rng) == 1; };
    for (int round = 0; round < 400; ++round) {
        WizardProject p;
        p.DBOk = flag();
        p.DoBrowse = flag();
        p.DoInsert = flag();
        p.TbBrowse = flag();
        p.DoLogin = flag();
        p.HasHeaderFile = flag();
        p.HasFooterFile = flag();
        p.DoGenDate = flag();
        p.DoGenTime = flag();
        for (auto *field : {&p.HeaderFile, &p.FooterFile, &p.DBName, &p.UserName, &p.Password,
                            &p.TbInsData, &p.TbToBrowse, &p.QrToBrowse, &p.PageTitle, &p.ExtName,
                            &p.Copyright, &p.Version, &p.Author, &p.Email, &p.Company,
                            &p.OtherInfo, &p.OutputDLL})
            *field = text(6);
        for (auto *list : {&p.Input, &p.UpdFields, &p.RetChosenFields})
            for (int i = std::uniform_int_distribution<int>(0, 3)(rng); i > 0; --i)
                list->push_back(text(3));
        const std::string templ = text(40);
        const auto out = expandTemplate(p, templ, kMoment);
        ASSERT_EQ(out, expandTemplate(p, templ, kMoment));
        ASSERT_TRUE(out.empty() || out.ends_with("\r\n"));
        bool previousBlank = false;
        std::size_t start = 0;
        while (start < out.size()) {
            const auto cr = out.find('\r', start);
            ASSERT_NE(cr, std::string::npos);
            ASSERT_EQ(out[cr + 1], '\n') << "round " << round;
            const auto line = std::string_view(out).substr(start, cr - start);
            ASSERT_EQ(line.find('\n'), std::string_view::npos) << "round " << round;
            const bool blank =
                line.find_first_not_of(std::string_view("\0\x01 \t", 4)) == std::string_view::npos;
            ASSERT_FALSE(blank && previousBlank) << "two blank lines in a row, round " << round;
            previousBlank = blank;
            start = cr + 2;
        }
    }
}
