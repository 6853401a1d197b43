#include "wizardfixture.h"

using namespace quillon::wizard;
using namespace quillon::wizard::test;

namespace {

struct ListCase
{
    const char *name;
    QStringList script;
    QStringList expected; // the box, show and focus lines
};

class ListEditing : public WizardTest, public testing::WithParamInterface<ListCase>
{};

TEST_P(ListEditing, Transcript)
{
    expectTranscript(GetParam().script, {"box", "show"}, GetParam().expected);
}

// The insert page with table customer chosen and input values Town and Name.
const QStringList toInsert = with(toInput, {"type edValue Town", "click sbAdd", "type edValue Name", "click sbAdd",
                                            "click btnNext", "check rbUpdateDB", "choose cbDatabase SHOP",
                                            "click btnNext", "type edUserID sa", "click btnNext",
                                            "choose cbUPTable customer"});
// The field choice page for table customer (ID, NAME, CITY).
const QStringList toFields = with(toInput, {"click btnNext", "choose cbDatabase SHOP", "click btnNext",
                                            "uncheck cbLoginPrompt", "click btnNext", "choose cbBRTable customer",
                                            "click btnNext"});

// The identifier rule, said with every refusal.
const QString kRule = QStringLiteral(" A name is made of letters, digits and underscores, does not start with a digit and has at most 127 characters. -> ok");

INSTANTIATE_TEST_SUITE_P(
    Lists, ListEditing,
    testing::Values(
        ListCase{"AddRefusesWhatCannotCompile",
                 with(toInput, {"type edValue ", "click sbAdd", "type edValue my value", "click sbAdd",
                                "type edValue 2nd", "click sbAdd", "type edValue Key", "click sbAdd",
                                "type edValue end", "click sbAdd", "type edValue _x1", "click sbAdd",
                                "type edValue town", "click sbAdd", "type edValue _X1", "click sbAdd",
                                "show lbValues", "show edValue"}),
                 {"box Error! |  is not a valid identifier." + kRule, "box Error! | my value is not a valid identifier." + kRule,
                  "box Error! | 2nd is not a valid identifier." + kRule, "box Error! | Key is not a valid identifier." + kRule,
                  "box Error! | end is not a valid identifier." + kRule, "box Error! | _X1 is already an input value. -> ok",
                  R"(show lbValues {"enabled":true,"entries":["_x1","town"],"selected":[1],"visible":true})",
                  // What was refused stays to be mended.
                  R"(show edValue {"enabled":true,"text":"_X1","visible":true})"}},
        ListCase{"AddTakesAtMost127Characters",
                 with(toInput, {"type edValue " + QString(128, 'n'), "click sbAdd",
                                "type edValue " + QString(127, 'n'), "click sbAdd", "show lbValues"}),
                 {"box Error! | " + QString(128, 'n') + " is not a valid identifier." + kRule,
                  R"(show lbValues {"enabled":true,"entries":[")" + QString(127, 'n') +
                      R"("],"selected":[0],"visible":true})"}},
        ListCase{"UpDownDeleteAtTheEdges",
                 with(toInput, {"type edValue X", "click sbAdd", "type edValue Y", "click sbAdd", "type edValue Z",
                                "click sbAdd", "click sbDown", "show lbValues", "select lbValues X", "click sbUp",
                                "show lbValues", "click sbDown", "show lbValues", "click sbDel", "show lbValues",
                                "click sbDel", "show lbValues"}),
                 {R"(show lbValues {"enabled":true,"entries":["X","Y","Z"],"selected":[2],"visible":true})",
                  R"(show lbValues {"enabled":true,"entries":["X","Y","Z"],"selected":[0],"visible":true})",
                  R"(show lbValues {"enabled":true,"entries":["Y","X","Z"],"selected":[1],"visible":true})",
                  R"(show lbValues {"enabled":true,"entries":["Y","Z"],"selected":[],"visible":true})",
                  R"(show lbValues {"enabled":true,"entries":["Y","Z"],"selected":[],"visible":true})"}},
        ListCase{"IncludeSelectedArrivesBottomFirst",
                 with(toFields, {"select lbAvailFields CITY", "select+ lbAvailFields ID", "select+ lbAvailFields NAME",
                                 "click IncludeBtn", "show lbReturnFields", "show IncludeBtn", "show ExcludeBtn",
                                 "click ExAllBtn", "show lbAvailFields", "show IncAllBtn", "show ExAllBtn",
                                 "click IncAllBtn", "show lbReturnFields", "select lbReturnFields ID",
                                 "click ExcludeBtn", "show lbReturnFields", "show lbAvailFields"}),
                 {R"(show lbReturnFields {"enabled":true,"entries":["NAME","ID","CITY"],"selected":[],"visible":true})",
                  R"(show IncludeBtn {"enabled":false,"text":">","visible":true})",
                  R"(show ExcludeBtn {"enabled":true,"text":"<","visible":true})",
                  R"(show lbAvailFields {"enabled":true,"entries":["CITY","ID","NAME"],"selected":[],"visible":true})",
                  R"(show IncAllBtn {"enabled":true,"text":">>","visible":true})",
                  R"(show ExAllBtn {"enabled":false,"text":"<<","visible":true})",
                  R"(show lbReturnFields {"enabled":true,"entries":["CITY","ID","NAME"],"selected":[],"visible":true})",
                  R"(show lbReturnFields {"enabled":true,"entries":["CITY","NAME"],"selected":[1],"visible":true})",
                  R"(show lbAvailFields {"enabled":true,"entries":["ID"],"selected":[],"visible":true})"}},
        ListCase{"InsertMapping",
                 with(toInsert, {"show lbFields", "show lbIValues", "select lbFields CITY", "select lbIValues Town",
                                 "click btnAddField", "show lbUpdFields", "show lbFields", "show lbIValues",
                                 "click btnAddField", "show lbUpdFields", "select lbUpdFields CITY=Town",
                                 "click sbDelete", "show lbFields", "show lbIValues", "click sbTrash",
                                 "show lbUpdFields", "show lbFields", "click btnNext"}),
                 {R"(show lbFields {"enabled":true,"entries":["ID","NAME","CITY"],"selected":[0],"visible":true})",
                  R"(show lbIValues {"enabled":true,"entries":["Town","Name"],"selected":[0],"visible":true})",
                  R"(show lbUpdFields {"enabled":true,"entries":["CITY=Town"],"selected":[],"visible":true})",
                  R"(show lbFields {"enabled":true,"entries":["ID","NAME"],"selected":[],"visible":true})",
                  R"(show lbIValues {"enabled":true,"entries":["Name"],"selected":[0],"visible":true})",
                  R"(show lbUpdFields {"enabled":true,"entries":["CITY=Town"],"selected":[],"visible":true})",
                  R"(show lbFields {"enabled":true,"entries":["ID","NAME","CITY"],"selected":[],"visible":true})",
                  R"(show lbIValues {"enabled":true,"entries":["Name","Town"],"selected":[0],"visible":true})",
                  R"(show lbUpdFields {"enabled":true,"entries":[],"selected":[],"visible":true})",
                  R"(show lbFields {"enabled":true,"entries":["ID","NAME","CITY"],"selected":[0],"visible":true})",
                  "box Error! | Please specify fields to insert! -> ok"}},
        ListCase{"HeaderAndFooterFiles",
                 {"click btnNext", "show sbHEader", "check cbHEader", "file /srv/www/top", "click sbHEader",
                  "show edHeader", "uncheck cbHEader", "show edHeader", "check cbFooter", "file cancel",
                  "click sbFooter", "show edFooter"},
                 {R"(show sbHEader {"enabled":false,"text":"...","visible":true})",
                  R"(show edHeader {"enabled":true,"text":"/srv/www/top.htm","visible":true})",
                  R"(show edHeader {"enabled":false,"text":"/srv/www/top.htm","visible":true})",
                  R"(show edFooter {"enabled":true,"text":"","visible":true})"}}),
    [](const auto &info) { return info.param.name; });

TEST_F(WizardTest, FileDialogsSayWhatTheyAreFor)
{
    const QStringList t = run({"click btnNext", "check cbHEader", "file /tmp/h.html", "click sbHEader",
                               "uncheck cbDataOK", "click btnLoad"});
    EXPECT_EQ(only(t, {"dialog"}),
              (QStringList{"dialog Select an HTML File | HTML File|*.htm;*.html|Any File|*.* | htm -> /tmp/h.html",
                           "dialog Open Quillon Project File | Quillon Project (*.qnp)|*.qnp | qnp -> cancel"}));
    EXPECT_EQ(status, 1); // the second dialog had no answer queued
}

} // namespace
