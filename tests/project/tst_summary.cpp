#include "project/summary.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace {

WizardProject noDatabase()
{
    WizardProject p;
    p.DBOk = false;
    p.OutputDLL = "/out/Ext.dpr";
    return p;
}

const StringList kHead = {"DLL Source File:", "/out/Ext.dpr", "", "External HTML support files:",
                          "No Header HTML file.", "No Footer HTML file.", ""};

StringList concat(std::initializer_list<StringList> parts)
{
    StringList all;
    for (const auto &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(Summary, BareProject)
{
    EXPECT_EQ(summaryLines(noDatabase()),
              concat({kHead, {"Database Support:", "No database support.", "",
                              "Further Information:"}}));
}

TEST(Summary, HeaderFooterAndInputs)
{
    WizardProject p = noDatabase();
    p.HasHeaderFile = true;
    p.HeaderFile = " h.htm";
    p.FooterFile = "ignored";
    p.Input = {"A", "B"};
    const StringList lines = summaryLines(p);
    EXPECT_EQ(StringList(lines.begin() + 4, lines.begin() + 12),
              (StringList{"Header HTML:  h.htm", "No Footer HTML file.", "", "Input variables:", "A",
                          "B", "", "Database Support:"}));
}

TEST(Summary, QueryBrowseListsEverySqlLineAndEmptyFieldList)
{
    WizardProject p = noDatabase();
    p.DBOk = true;
    p.DBName = "DEMO";
    p.TbBrowse = false;
    p.QrBrowse = true;
    p.TbToBrowse = "SKIPPED";
    p.TbInsData = "SKIPPED TOO";
    p.QrToBrowse = "SELECT A\r\n\r\nFROM T\r\n";
    EXPECT_EQ(summaryLines(p),
              concat({kHead,
                      {"Database Support:", "Database Alias: DEMO", "Database browsing details:",
                       "SQL Query Text:", "SELECT A", "", "FROM T", "Returned Fields:", "",
                       "Further Information:"}}));
}

// The request values that fill the query's parameters are named, each
// once and with its parameter; a parameter that names none is left out.
TEST(Summary, QueryBrowseNamesTheRequestValuesThatFilterIt)
{
    WizardProject p = noDatabase();
    p.DBOk = true;
    p.DBName = "DEMO";
    p.TbBrowse = false;
    p.QrBrowse = true;
    p.Input = {"City", "Zip"};
    p.QrToBrowse = "SELECT A FROM T\r\nWHERE CITY = :city OR TOWN = :CITY AND X = :Other";
    EXPECT_EQ(summaryLines(p),
              concat({kHead,
                      {"Input variables:", "City", "Zip", "", "Database Support:", "Database Alias: DEMO",
                       "Database browsing details:", "SQL Query Text:", "SELECT A FROM T", "WHERE CITY = :city OR TOWN = :CITY AND X = :Other",
                       "Filtered by the request values:", "City (:city)", "Returned Fields:", "",
                       "Further Information:"}}));
}

TEST(Summary, TableBrowseAndInsert)
{
    WizardProject p = noDatabase();
    p.DBOk = true;
    p.TbToBrowse = "CUST";
    p.QrToBrowse = "SKIPPED";
    p.RetChosenFields = {"NAME", "CITY"};
    const StringList browse = {"Database Support:", "Database Alias: ",
                               "Database browsing details:", "Table: CUST", "Returned Fields:",
                               "NAME", "CITY"};
    EXPECT_EQ(summaryLines(p), concat({kHead, browse, {"", "Further Information:"}}));

    p.DoBrowse = false;
    p.DoInsert = true;
    p.TbInsData = "ORD";
    p.UpdFields = {"CITY=Town", "NAME=Who"};
    EXPECT_EQ(summaryLines(p),
              concat({kHead,
                      {"Database Support:", "Database Alias: ", "Database insert details:",
                       "Table: ORD", "Fields to be updated:", "CITY=Town", "NAME=Who", "",
                       "Further Information:"}}));
}

TEST(Summary, FurtherInformation)
{
    WizardProject p = noDatabase();
    p.Author = " ";
    p.Copyright = "(c)";
    p.Version = "";
    p.DoGenDate = true;
    p.DoGenTime = true;
    p.OtherInfo = "one\r\ntwo\r\n";
    p.PageTitle = "never shown";
    const StringList lines = summaryLines(p);
    const StringList tail(lines.end() - 8, lines.end());
    EXPECT_EQ(tail, (StringList{"Further Information:", "Author:  ", "Copyright: (c)",
                                "Including DLL Generation Data", "Including DLL Generation Time",
                                "Other Info:", "one", "two"}));
}

} // namespace
