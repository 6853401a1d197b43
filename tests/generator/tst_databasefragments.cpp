#include "generator/databasefragments.h"

#include "fragmentrow.h"

namespace quillon::generator::test {

namespace {

void tableBrowse(WizardProject &p)
{
    p.TbToBrowse = "CUSTOMER";
}

void tableBrowseNameCity(WizardProject &p)
{
    tableBrowse(p);
    p.RetChosenFields = {"NAME", "CITY"};
}

void queryBrowse(WizardProject &p)
{
    p.TbBrowse = false;
    p.QrBrowse = true;
    p.QrToBrowse = "SELECT NAME, CITY FROM CUSTOMER";
}

void queryBrowseNameCity(WizardProject &p)
{
    queryBrowse(p);
    p.RetChosenFields = {"NAME", "CITY"};
}

// Insert mode after the browse page was last left on query browsing.
void insertMode(WizardProject &p)
{
    p.DoBrowse = false;
    p.DoInsert = true;
    p.TbBrowse = false;
    p.QrBrowse = true;
    p.TbInsData = "ORDERS";
}

void neitherMode(WizardProject &p)
{
    p.DoBrowse = false;
    p.DoInsert = false;
}

const std::string kTableSetup = crlf({
    "  " + kRule,
    "      {Init Table & Output Table Data}",
    "      " + kRule,
    "      TB.SessionName := SS.SessionName;",
    "      TB.DatabaseName := 'MyDB';",
    "      TB.TableName := 'CUSTOMER';",
});

const std::string kInsertSetup = crlf({
    "  " + kRule,
    "      {Init Table & Insert Table Data}",
    "      " + kRule,
    "      TB.SessionName := SS.SessionName;",
    "      TB.DatabaseName := 'MyDB';",
    "      TB.TableName := 'ORDERS';",
    "      TB.Open;",
    "      TB.Insert;",
});

const std::string kQuerySetup = crlf({
    "  " + kRule,
    "      {Init Query & Output Query Data}",
    "      " + kRule,
    "      QR.SessionName := SS.SessionName;",
    "      QR.DatabaseName := 'MyDB';",
});

const std::string kQueryLoop = crlf({
    "      QR.Open;",
    "      Writeln (F,'<TABLE>');",
    "      while not QR.eof do",
    "      begin",
    "        Writeln (F,",
    "      '<TR>'        ,'<TD>',PrepareString(QR.FieldByName('NAME').AsString),'</TD>'",
    "        ,'<TD>',PrepareString(QR.FieldByName('CITY').AsString),'</TD>'",
    "      ,'</TR>'",
    "                 );",
    "        QR.Next;",
    "      end;",
    "      Writeln (F,'</TABLE>');",
    "      " + kRule,
});

std::string databaseInit(std::string_view loginLines, std::string_view alias)
{
    return crlf({"try", "      " + kRule, "      {Database INIT}", "      " + kRule,
                 "      SS.SessionName := IntToStr(GetCurrentThreadID);",
                 "      DB.LoginPrompt := False;"})
        + std::string(loginLines)
        + crlf({"      DB.SessionName := SS.SessionName;",
                "      DB.AliasName := '" + std::string(alias) + "';",
                "      DB.DatabaseName := 'MyDB';", "      " + kRule});
}

std::string freeRes(std::string_view dataSetLine)
{
    return crlf({"  finally", "      " + kRule, "      {Freeing Database Components}",
                 "      " + kRule})
        + std::string(dataSetLine)
        + crlf({"      DB.Free;", "      SS.Free;", "      " + kRule, "    end;"});
}

std::string dataInit(std::string_view dataSetLine)
{
    return crlf({kRule, "    {Database/DataSource Creation}", "    " + kRule,
                 "    DB := TDatabase.Create(nil);", "    SS := TSession.Create (nil);"})
        + std::string(dataSetLine) + crlf({"    " + kRule});
}

} // namespace

TEST(DatabaseFragments, AllEmptyWithoutDatabase)
{
    WizardProject p;
    tableBrowseNameCity(p);
    p.DBName = "DEMO";
    p.UserName = "sa";
    p.DBOk = false;
    for (auto fragment : {databaseDeclFragment, tableDeclFragment, dataInitFragment,
                          databaseFragment, tableFragment, queryFragment, freeResFragment})
        EXPECT_EQ(fragment(p), "");
    queryBrowseNameCity(p);
    EXPECT_EQ(queryFragment(p), "");
    insertMode(p);
    EXPECT_EQ(tableFragment(p), "");
}

QUILLON_FRAGMENT_SUITE(
    DatabaseDecl,
    FragmentRow{"TwoLinesSecondOpen", [](WizardProject &) {}, databaseDeclFragment,
                "SS : TSession;\r\n  DB : TDatabase;"});

QUILLON_FRAGMENT_SUITE(
    TableDecl,
    FragmentRow{"TableBrowse", tableBrowse, tableDeclFragment, "TB : TTable;"},
    FragmentRow{"QueryBrowse", queryBrowse, tableDeclFragment, "QR : TQuery;"},
    FragmentRow{"InsertAfterQueryChoice", insertMode, tableDeclFragment, "TB : TTable;"},
    FragmentRow{"NeitherMode", neitherMode, tableDeclFragment, ""},
    // A record with both modes set, which the wizard never makes, browses.
    FragmentRow{"BothModesBrowse",
                [](WizardProject &p) {
                    queryBrowse(p);
                    p.DoInsert = true;
                },
                tableDeclFragment, "QR : TQuery;"});

QUILLON_FRAGMENT_SUITE(
    DataInit,
    FragmentRow{"Table", tableBrowse, dataInitFragment, dataInit("    TB := TTable.Create (nil);\r\n")},
    FragmentRow{"Query", queryBrowse, dataInitFragment, dataInit("    QR := TQuery.Create (nil);\r\n")},
    FragmentRow{"Insert", insertMode, dataInitFragment, dataInit("    TB := TTable.Create (nil);\r\n")},
    FragmentRow{"NeitherMode", neitherMode, dataInitFragment, dataInit("")});

QUILLON_FRAGMENT_SUITE(
    Database,
    FragmentRow{"WithLogin",
                [](WizardProject &p) {
                    p.DBName = "DEMO";
                    p.UserName = "SYSDBA";
                    p.Password = "masterkey";
                },
                databaseFragment,
                databaseInit(crlf({"      DB.Params.Clear;",
                                   "      DB.Params.Add ('USER NAME=SYSDBA');",
                                   "      DB.Params.Add ('PASSWORD=masterkey');"}),
                             "DEMO")},
    FragmentRow{"LoginOffIgnoresStoredName",
                [](WizardProject &p) {
                    p.DoLogin = false;
                    p.DBName = "DEMO";
                    p.UserName = "SYSDBA";
                },
                databaseFragment, databaseInit("", "DEMO")},
    FragmentRow{"QuotesDoubledInLoginAndAlias",
                [](WizardProject &p) {
                    p.DBName = "Bob's DB";
                    p.UserName = "o'brien";
                    p.Password = "p'); Halt; ('";
                },
                databaseFragment,
                databaseInit(crlf({"      DB.Params.Clear;",
                                   "      DB.Params.Add ('USER NAME=o''brien');",
                                   "      DB.Params.Add ('PASSWORD=p''); Halt; (''');"}),
                             "Bob''s DB")});

QUILLON_FRAGMENT_SUITE(
    Table,
    FragmentRow{"BrowseWithoutFieldsNeverOpens", tableBrowse, tableFragment, kTableSetup},
    FragmentRow{"BrowseNameAndCity", tableBrowseNameCity, tableFragment,
                kTableSetup
                    + crlf({
                        "      TB.Open;",
                        "      Writeln (F,'<TABLE>');",
                        "      while not TB.eof do",
                        "      begin",
                        "        Writeln (F,",
                        "      '<TR>'    ,'<TD>',PrepareString(TB.FieldByName('NAME').AsString),'</TD>'",
                        "    ,'<TD>',PrepareString(TB.FieldByName('CITY').AsString),'</TD>'",
                        "      ,'</TR>'",
                        "                   );",
                        "        TB.Next;",
                        "      end;",
                        "      Writeln (F,'</TABLE>');",
                        "      " + kRule,
                    })},
    FragmentRow{"QuotesDoubledInTableAndField",
                [](WizardProject &p) {
                    p.TbToBrowse = "it's";
                    p.RetChosenFields = {"A'B"};
                },
                tableFragment,
                crlf({"  " + kRule, "      {Init Table & Output Table Data}", "      " + kRule,
                      "      TB.SessionName := SS.SessionName;", "      TB.DatabaseName := 'MyDB';",
                      "      TB.TableName := 'it''s';", "      TB.Open;",
                      "      Writeln (F,'<TABLE>');", "      while not TB.eof do", "      begin",
                      "        Writeln (F,",
                      "      '<TR>'    ,'<TD>',PrepareString(TB.FieldByName('A''B').AsString),'</TD>'",
                      "      ,'</TR>'", "                   );", "        TB.Next;", "      end;",
                      "      Writeln (F,'</TABLE>');", "      " + kRule})},
    FragmentRow{"QueryBrowseIsNotTable", queryBrowseNameCity, tableFragment, ""},
    FragmentRow{"NeitherMode", neitherMode, tableFragment, ""},
    FragmentRow{"InsertEmptyMappingLastLineOpen", insertMode, tableFragment,
                kInsertSetup + "      TB.Post;\r\n      " + kRule},
    FragmentRow{"InsertMappingInListOrder",
                [](WizardProject &p) {
                    insertMode(p);
                    p.UpdFields = {"CITY=Town", "O'NAME=Who", "X=a=b"};
                },
                tableFragment,
                kInsertSetup
                    + crlf({"      TB.FieldByName ('CITY').AsString := Town;",
                            "      TB.FieldByName ('O''NAME').AsString := Who;",
                            "      TB.FieldByName ('X').AsString := a=b;", "      TB.Post;"})
                    + "      " + kRule});

QUILLON_FRAGMENT_SUITE(
    Query,
    FragmentRow{"NoFieldsIsEmpty", queryBrowse, queryFragment, ""},
    FragmentRow{"TableBrowseIsEmpty", tableBrowseNameCity, queryFragment, ""},
    FragmentRow{"InsertIsEmpty",
                [](WizardProject &p) {
                    queryBrowseNameCity(p);
                    insertMode(p);
                },
                queryFragment, ""},
    FragmentRow{"OneLine", queryBrowseNameCity, queryFragment,
                kQuerySetup + crlf({"      QR.SQL.Add ('SELECT NAME, CITY FROM CUSTOMER');"})
                    + kQueryLoop},
    FragmentRow{"NoSqlLines",
                [](WizardProject &p) {
                    queryBrowseNameCity(p);
                    p.QrToBrowse.clear();
                },
                queryFragment, kQuerySetup + kQueryLoop},
    // Split only where the user typed a break; empty lines kept; no line
    // after a final break; quotes doubled.
    FragmentRow{"TypedBreaksOnly",
                [](WizardProject &p) {
                    queryBrowseNameCity(p);
                    p.QrToBrowse = "SELECT *\r\nFROM CUSTOMER\rWHERE NAME = 'Smith'\n\nAND  CITY = 'New  York'\r\n";
                },
                queryFragment,
                kQuerySetup
                    + crlf({"      QR.SQL.Add ('SELECT *');", "      QR.SQL.Add ('FROM CUSTOMER');",
                            "      QR.SQL.Add ('WHERE NAME = ''Smith''');", "      QR.SQL.Add ('');",
                            "      QR.SQL.Add ('AND  CITY = ''New  York''');"})
                    + kQueryLoop},
    // Marks that name a request value are bound to its variable, once each,
    // spelled as the query's first mark spells them; a mark naming none, a
    // mark inside a literal and a cast are left alone.
    FragmentRow{"RequestValuesBound",
                [](WizardProject &p) {
                    queryBrowseNameCity(p);
                    p.Input = {"City", "Name"};
                    p.QrToBrowse = "SELECT * FROM CUSTOMER\r\nWHERE CITY = :city AND ':Name' <> NAME::text\r\n"
                                   "OR CITY = :CITY OR ID = :Other";
                },
                queryFragment,
                kQuerySetup
                    + crlf({"      QR.SQL.Add ('SELECT * FROM CUSTOMER');",
                            "      QR.SQL.Add ('WHERE CITY = :city AND '':Name'' <> NAME::text');",
                            "      QR.SQL.Add ('OR CITY = :CITY OR ID = :Other');",
                            "      QR.ParamByName ('city').AsString := City;"})
                    + kQueryLoop});

TEST(DatabaseFragments, LongSqlLineStaysOneLiteral)
{
    // A line far beyond any display width or 4096-byte buffer, full of
    // spaces inside a string literal, is still one SQL.Add.
    WizardProject p;
    queryBrowseNameCity(p);
    std::string where = "SELECT * FROM T WHERE NAME IN (";
    while (where.size() < 9000)
        where += "'a  b', ";
    where += "'z')";
    p.QrToBrowse = where;
    const auto fragment = queryFragment(p);
    std::string doubled;
    for (char c : where) {
        doubled += c;
        if (c == '\'')
            doubled += c;
    }
    EXPECT_NE(fragment.find("      QR.SQL.Add ('" + doubled + "');\r\n"), std::string::npos);
    EXPECT_EQ(fragment.find("QR.SQL.Add"), fragment.rfind("QR.SQL.Add"));
}

QUILLON_FRAGMENT_SUITE(
    FreeRes,
    FragmentRow{"Table", tableBrowse, freeResFragment, freeRes("      TB.Free;\r\n")},
    FragmentRow{"Query", queryBrowse, freeResFragment, freeRes("      QR.Free;\r\n")},
    FragmentRow{"InsertFreesTable", insertMode, freeResFragment, freeRes("      TB.Free;\r\n")},
    FragmentRow{"NeitherMode", neitherMode, freeResFragment, freeRes("")});

TEST(DatabaseFragments, InsertAfterQueryChoiceNeverMentionsQuery)
{
    WizardProject p;
    insertMode(p);
    p.RetChosenFields = {"NAME"};
    p.UpdFields = {"CITY=Town"};
    for (auto fragment : {databaseDeclFragment, tableDeclFragment, dataInitFragment,
                          databaseFragment, tableFragment, queryFragment, freeResFragment})
        EXPECT_EQ(fragment(p).find("QR"), std::string::npos) << fragment(p);
    EXPECT_EQ(dataSetOf(p), DataSet::Table);
}

} // namespace quillon::generator::test
