#include "wizardfixture.h"

#include "engine/dataaccess.h"
#include "engine/enginefunctions.h"

using namespace quillon::wizard;
using namespace quillon::wizard::test;

namespace {


const QStringList toLogin = with(toDBCheck, {"choose cbDatabase SHOP", "click btnNext"});
const QStringList toBrowse = with(toLogin, {"type edUserID ann", "click btnNext", "check rbQuery"});

TEST_F(WizardTest, AliasListOffersTheWizardsOwnConnection)
{
    engine.aliases = {"SHOP", "archive", "Zoo"};
    const QStringList t = run(with(toDBCheck, {"choose cbDatabase SHOP", "show cbDatabase"}));
    EXPECT_EQ(only(t, {"show"}),
              QStringList{R"j(show cbDatabase {"enabled":true,"entries":["archive","DBTest","SHOP","Zoo"],"text":"SHOP","visible":true})j"});
}

TEST_F(WizardTest, LoginTestAndItsMessages)
{
    QStringList script = with(toLogin, {"type edUserID ann", "type edPassword s3cret", "click btnLoginTest"});
    QStringList t = run(script);
    EXPECT_EQ(only(t, {"box"}), QStringList{"box Information | Connected! -> ok"});
    EXPECT_EQ(engine.lastParams, (std::vector<std::string>{"USER NAME=ann", "PASSWORD=s3cret"}));
    EXPECT_EQ(engine.live, 0); // freed with the window

    engine.loginFailure = "Invalid password for user ann";
    t = run(script);
    EXPECT_EQ(only(t, {"box"}),
              QStringList{"box Error! | This user/password combination is not valid!\\r\\nInvalid password for user ann -> ok"});
    t = run(with(toLogin, {"uncheck cbLoginPrompt", "click btnLoginTest"}));
    EXPECT_EQ(only(t, {"box"}), QStringList{"box Error! | The server probably requires a user/password "
                                            "combination.\\r\\nInvalid password for user ann -> ok"});
}

TEST_F(WizardTest, EditingTheLoginRewritesTheParameterLines)
{
    inspect = [this](TfrmWiz &w) {
        EXPECT_FALSE(w.context().db.connected());
        EXPECT_EQ(w.context().db.params(), (std::vector<std::string>{"USER NAME=bob", "PASSWORD=y"}));
    };
    run(with(toLogin, {"type edUserID ann", "click btnLoginTest", "type edUserID bob", "type edPassword x",
                       "click btnLoginTest", "uncheck cbLoginPrompt", "type edPassword y"}));
}

TEST_F(WizardTest, SqlSkeletonsAndPopups)
{
    engine.queries["select  * from customer"] = {"ID", "NAME", "CITY"};
    const QStringList t = run(with(
        toBrowse, {"click sbSelSkel", "show moSQL", "click sbInsSkel", "show moSQL", "click sbUpdSkel", "show moSQL",
                   "click sbTrashSQL", "popup orders", "click sbAddTable", "show moSQL",
                   "type moSQL select name, city from customer", "popup CITY", "click sbAddField", "show moSQL",
                   "type moSQL update t set a = 1", "click sbAddField", "click sbExecSQL"}));
    const QStringList expected{R"j(show moSQL {"enabled":true,"text":"SELECT * FROM tablelist","visible":true})j",
                           R"j(show moSQL {"enabled":true,"text":"INSERT INTO table\r\n  (columnlist)\r\nVALUES\r\n  (valuelist)","visible":true})j",
                           R"j(show moSQL {"enabled":true,"text":"UPDATE table\r\n  SET column = value\r\n  WHERE condition","visible":true})j",
                           "popup pmAddTable | customer, orders -> orders",
                           R"j(show moSQL {"enabled":true,"text":"orders","visible":true})j",
                           "popup pmAddField | ID, NAME, CITY -> CITY",
                           R"j(show moSQL {"enabled":true,"text":"select name, city from customerCITY","visible":true})j"};
    EXPECT_EQ(only(t, {"show", "popup", "box"}), expected) << t.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(engine.ranSql, std::vector<std::string>{"select  * from customer"});
    EXPECT_EQ(status, 0);
}

// Request values as query parameters: the pop-up inserts ":Name", "Execute
// Now!" asks a sample value for each parameter and binds it (a cancelled
// question runs nothing), and Next refuses a parameter that names no
// request value, naming it.
TEST_F(WizardTest, RequestValuesBecomeQueryParameters)
{
    const QString sql = QStringLiteral("SELECT NAME FROM customer WHERE CITY = ");
    engine.queries[(sql + ":City").toStdString()] = {"NAME"};
    engine.queries[(sql + ":City AND ID = :Id").toStdString()] = {"NAME"};
    const QStringList toValues = with(toInput, {"type edValue City", "click sbAdd", "click btnNext",
                                                "choose cbDatabase SHOP", "click btnNext", "type edUserID ann",
                                                "click btnNext", "check rbQuery", "type moSQL " + sql});
    QStringList t = run(with(toValues, {"popup :City", "click sbAddParam", "show moSQL", "text Lyon' OR '1'='1",
                                        "click sbExecSQL", "close frmView", "text cancel", "click sbExecSQL"}));
    EXPECT_EQ(only(t, {"show", "popup", "ask"}),
              (QStringList{"popup pmAddParam | :City -> :City",
                           R"j(show moSQL {"enabled":true,"text":"SELECT NAME FROM customer WHERE CITY = :City","visible":true})j",
                           "ask Execute Now! | A sample value for :City (the request value City): -> Lyon' OR '1'='1",
                           "ask Execute Now! | A sample value for :City (the request value City): -> cancel"}))
        << t.join(QLatin1Char('\n')).toStdString();
    // Bound as a value, never pasted into the SQL; the cancelled preview ran nothing.
    EXPECT_EQ(engine.boundValues, (QueryValues{{"City", "Lyon' OR '1'='1"}}));
    EXPECT_EQ(engine.ranSql, std::vector<std::string>{(sql + ":City").toStdString()});

    t = run(with(toValues, {"type moSQL " + sql + ":City AND ID = :Id", "text Bonn", "text 7", "click sbExecSQL",
                            "close frmView", "click btnNext"}));
    EXPECT_EQ(engine.boundValues, (QueryValues{{"City", "Bonn"}, {"Id", "7"}}));
    // The box, and the wizard stays on the query's page.
    EXPECT_EQ(only(t, {"box", "page"}).last(),
              "box Error! | The query's parameter :Id names no request value: add Id to the request values, or take "
              "the parameter out of the query. -> ok")
        << t.join(QLatin1Char('\n')).toStdString();
}

TEST_F(WizardTest, EngineFailuresAreShownAndListsKeepWhatTheyHeld)
{
    // The first two listings (the page's arrival, the first opening) work.
    engine.failAliasesFrom = 2;
    const QStringList t = run(with(toDBCheck, {"choose cbDatabase SHOP", "choose cbDatabase Archive", "show cbDatabase"}));
    EXPECT_EQ(only(t, {"box", "show"}),
              (QStringList{"box Quillon | The alias list cannot be read -> ok",
                           R"j(show cbDatabase {"enabled":true,"entries":["Archive","DBTest","SHOP"],"text":"Archive","visible":true})j"}));

    // An engine library that cannot be loaded fails the database commands
    // alone; everything else works.
    engine.failure = "The engine library libidapi32.so cannot be loaded";
    const QStringList f = run(with(toDBCheck, {"choose cbDatabase SHOP"}));
    EXPECT_EQ(only(f, {"box", "error"}),
              (QStringList{"box Quillon | The engine library libidapi32.so cannot be loaded -> ok",
                           "error 4: cbDatabase has no entry \"SHOP\""}));
    const QStringList n = run(with(toDBCheck, {"uncheck cbDataOK", "click btnNext"}));
    EXPECT_EQ(only(n, {"page"}).last(), QStringLiteral("page pgOtherData"));
}

TEST_F(WizardTest, FieldListsComeFromTheBrowseSourceOnceItChanged)
{
    engine.queries["SELECT ID FROM customer"] = {"ID"};
    const QStringList t = run(with(
        toBrowse, {"type moSQL SELECT ID FROM customer", "click btnNext", "show lbAvailFields", "click IncAllBtn",
                   "click btnBack", "click btnNext", "show lbReturnFields", "click btnBack",
                   "type moSQL SELECT nothing", "click btnNext", "show lbAvailFields"}));
    EXPECT_EQ(only(t, {"show", "box"}),
              (QStringList{R"j(show lbAvailFields {"enabled":true,"entries":["ID"],"selected":[],"visible":true})j",
                           R"j(show lbReturnFields {"enabled":true,"entries":["ID"],"selected":[],"visible":true})j",
                           "box Quillon | No such query: SELECT nothing -> ok",
                           R"j(show lbAvailFields {"enabled":true,"entries":[],"selected":[],"visible":true})j"}));
}

// The same pages against the real engine library and the sample database.
class SampleDatabase : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        quillon::engine::DataAccess access;
        const std::string params = std::string("PATH:") + QUILLON_SAMPLE_DATA;
        ASSERT_EQ(quillon::engine::DbiAddAlias(nullptr, "QUILLONDEMO", nullptr, params.c_str(), 1), 0);
    }
};

TEST_F(SampleDatabase, AliasesTablesFieldsAndLogin)
{
    const QStringList t = run(
        with(toDBCheck, {"choose cbDatabase QUILLONDEMO", "show cbDatabase", "click btnNext", "uncheck cbLoginPrompt",
                         "click btnLoginTest", "click btnNext", "choose cbBRTable customer.csv", "click btnNext",
                         "show lbAvailFields", "click btnBack", "check rbQuery",
                         "type moSQL select CUSTNO, COMPANY from customer where CITY = 'x'", "popup CITY",
                         "click sbAddField"}),
        true);
    EXPECT_EQ(only(t, {"show", "box", "popup", "error"}),
              (QStringList{R"j(show cbDatabase {"enabled":true,"entries":["DBTest","QUILLONDEMO"],"text":"QUILLONDEMO","visible":true})j",
                           "box Information | Connected! -> ok",
                           R"j(show lbAvailFields {"enabled":true,"entries":["CITY","COMPANY","COUNTRY","CUSTNO","PHONE"],"selected":[],"visible":true})j",
                           "popup pmAddField | CUSTNO, COMPANY, CITY, COUNTRY, PHONE -> CITY"}))
        << t.join(QLatin1Char('\n')).toStdString();
}

TEST_F(SampleDatabase, StatementsTheSqlHelpersBuildRunInTheResultsWindow)
{
    // The table as the pop-up lists it, inserted by "Add table", runs with
    // "Execute Now!"; so does the field pop-up's query and the quoted name.
    const QStringList t = run(
        with(toDBCheck,
             {"choose cbDatabase QUILLONDEMO", "click btnNext", "uncheck cbLoginPrompt", "click btnLoginTest",
              "click btnNext", "check rbQuery", "click sbSelSkel", "show moSQL", "type moSQL SELECT * FROM\\n",
              "popup customer.csv", "click sbAddTable", "show moSQL", "click sbExecSQL", "show DBGrid1",
              "close frmView", "popup COUNTRY", "click sbAddField",
              "type moSQL SELECT COMPANY FROM \"customer.csv\" WHERE CITY = 'Bilbao'", "click sbExecSQL",
              "show DBGrid1", "close frmView"}),
        true);
    EXPECT_EQ(only(t, {"show", "box", "popup", "error"}),
              (QStringList{"box Information | Connected! -> ok",
                           R"j(show moSQL {"enabled":true,"text":"SELECT * FROM tablelist","visible":true})j",
                           "popup pmAddTable | customer.csv, guestbook.csv, items.csv, orders.csv, parts.csv -> customer.csv",
                           R"j(show moSQL {"enabled":true,"text":"SELECT * FROM\r\ncustomer.csv","visible":true})j",
                           R"j(show DBGrid1 {"columns":["CUSTNO","COMPANY","CITY","COUNTRY","PHONE"],"current":0,"enabled":true,"rows":30,"visible":true})j",
                           "popup pmAddField | CUSTNO, COMPANY, CITY, COUNTRY, PHONE -> COUNTRY",
                           R"j(show DBGrid1 {"columns":["COMPANY"],"current":0,"enabled":true,"rows":2,"visible":true})j"}))
        << t.join(QLatin1Char('\n')).toStdString();
}

} // namespace
