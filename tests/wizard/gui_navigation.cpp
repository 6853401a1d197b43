#include "wizardfixture.h"

#include "wizard/pages/pginput.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>

using namespace quillon::wizard;
using namespace quillon::wizard::test;

namespace {

// A script and the transcript lines it must produce, counting only the
// lines whose first word is listed.
struct ScriptCase
{
    const char *name;
    QStringList script;
    QStringList words;
    QStringList expected;
};

class WindowScripts : public WizardTest, public testing::WithParamInterface<ScriptCase>
{};

TEST_P(WindowScripts, Transcript)
{
    expectTranscript(GetParam().script, GetParam().words, GetParam().expected);
}


const QStringList pages{"page"};

INSTANTIATE_TEST_SUITE_P(
    Navigation, WindowScripts,
    testing::Values(
        ScriptCase{"NoDatabaseThereAndBack",
                   with(toDBCheck, {"uncheck cbDataOK", "click btnNext", "type edPageTitle T", "type edExtName N",
                                    "click btnNext", "type edDLLFile web", "click btnNext", "show btnFinish",
                                    "show btnNext", "click btnBack", "click btnBack", "click btnBack",
                                    "click btnBack", "click btnBack", "click btnBack", "show btnBack"}),
                   {"page", "show"},
                   {"page pgHeaderFooter", "page pgInput", "page pgDBCheck", "page pgOtherData", "page pgDLLOutput",
                    "page pgInfo", R"(show btnFinish {"enabled":true,"text":"&Finish","visible":true})",
                    R"(show btnNext {"enabled":true,"text":"Next >","visible":false})", "page pgDLLOutput",
                    "page pgOtherData", "page pgDBCheck", "page pgInput", "page pgHeaderFooter", "page pgWelcome",
                    R"(show btnBack {"enabled":false,"text":"< Back","visible":true})"}},
        ScriptCase{"InsertWithoutInputValuesNo",
                   with(toDBCheck, {"choose cbDatabase SHOP", "check rbUpdateDB", "answer no", "click btnNext",
                                    "click btnBack"}),
                   {"page", "box"},
                   {"page pgHeaderFooter", "page pgInput", "page pgDBCheck",
                    "box Confirm | You have not specified the input field names. If you really want to insert "
                    "database items, you may need input values. Do you want to specify input values now? -> no",
                    "page pgLogin", "page pgDBCheck"}},
        ScriptCase{"InsertWithoutInputValuesYes",
                   with(toDBCheck, {"choose cbDatabase SHOP", "check rbUpdateDB", "answer yes", "click btnNext"}),
                   {"page", "focus"},
                   {"page pgHeaderFooter", "page pgInput", "focus edValue", "page pgDBCheck", "focus btnNext",
                    "focus rbUpdateDB", "page pgInput", "focus btnNext", "focus edValue"}},
        ScriptCase{"ChecksOfNext",
                   with(toDBCheck,
                        {"click btnNext", "choose cbDatabase SHOP", "click btnNext", "type edUserID  ",
                         "click btnNext", "type edPassword x", "click btnNext", "click btnNext", "check rbQuery",
                         "type moSQL \\r\\n ", "click btnNext", "type moSQL insert into t values (1)", "click btnNext",
                         "type edExtName N", "click btnNext", "type edPageTitle T", "type edExtName  ",
                         "click btnNext", "type edExtName N", "click btnNext", "type edDLLFile  ", "click btnNext"}),
                   {"box"},
                   {"box Error! | Database must be selected! -> ok", "box Error! | Please enter Username/Password! -> ok",
                    "box Error! | Table must be selected! -> ok", "box Error! | SQL Code not entered! -> ok",
                    "box Error! | Page must have a Title. -> ok", "box Error! | Extension must have a name. -> ok",
                    "box Error! | Output DLL Source filename required! -> ok"}},
        ScriptCase{"BrowseTableAndTheFieldQuestion",
                   with(toDBCheck, {"choose cbDatabase SHOP", "click btnNext", "uncheck cbLoginPrompt",
                                    "click btnNext", "choose cbBRTable customer", "click btnNext",
                                    "show lbAvailFields", "answer no", "click btnNext", "answer yes", "click btnNext",
                                    "click btnBack", "click btnBack", "click btnBack", "click btnBack"}),
                   {"page", "box", "show"},
                   {"page pgHeaderFooter", "page pgInput", "page pgDBCheck", "page pgLogin", "page pgDatabaseBR",
                    "page pgFieldSelect",
                    R"(show lbAvailFields {"enabled":true,"entries":["CITY","ID","NAME"],"selected":[],"visible":true})",
                    "box Information | No database fields will be returned.\\r\\nLeave it this way? -> no",
                    "box Information | No database fields will be returned.\\r\\nLeave it this way? -> yes",
                    "page pgOtherData", "page pgFieldSelect", "page pgDatabaseBR", "page pgLogin", "page pgDBCheck"}},
        ScriptCase{"QueryWithoutRowsSkipsTheFieldChoice",
                   with(toDBCheck, {"choose cbDatabase SHOP", "click btnNext", "uncheck cbLoginPrompt",
                                    "click btnNext", "check rbQuery", "type moSQL UPDATE t SET a = 1",
                                    "click btnNext", "click btnBack"}),
                   pages,
                   {"page pgHeaderFooter", "page pgInput", "page pgDBCheck", "page pgLogin", "page pgDatabaseBR",
                    "page pgOtherData", "page pgDatabaseBR"}},
        ScriptCase{"OutputNameCompletedOnNext",
                   with(toDBCheck, {"uncheck cbDataOK", "click btnNext", "type edPageTitle T", "type edExtName N",
                                    "click btnNext", "type edDLLFile sub/x.pas", "click btnNext", "show moInfo"}),
                   {"focus"},
                   {"focus edValue", "focus btnNext", "focus cbDataOK", "focus btnNext", "focus edPageTitle",
                    "focus btnNext", "focus edDLLFile", "focus btnNext", "focus btnFinish"}},
        ScriptCase{"ExplanationLabelsChooseTheirOption",
                   with(toDBCheck, {"click Label26", "show rbUpdateDB", "click Label27", "show rbBrowseDB",
                                    "uncheck cbDataOK", "show rbBrowseDB"}),
                   {"show", "focus"},
                   {"focus edValue", "focus btnNext", "focus rbUpdateDB",
                    R"(show rbUpdateDB {"checked":true,"enabled":true,"text":"I would like to &insert database items","visible":true})",
                    "focus rbBrowseDB",
                    R"(show rbBrowseDB {"checked":true,"enabled":true,"text":"I would like to &browse database items","visible":true})",
                    "focus cbDataOK",
                    R"(show rbBrowseDB {"checked":true,"enabled":false,"text":"I would like to &browse database items","visible":true})"}},
        ScriptCase{"HelpOfEveryPageOnTheWay",
                   with({"click btnHelp", "click btnNext", "click btnHelp", "click btnNext", "click btnHelp",
                         "click btnNext", "click btnHelp"},
                        {"uncheck cbDataOK", "click btnNext", "click btnHelp"}),
                   {"help"},
                   {"help QUILLON.HLP 0", "help QUILLON.HLP 6", "help QUILLON.HLP 9", "help QUILLON.HLP 12",
                    "help QUILLON.HLP 17"}}),
    [](const auto &info) { return info.param.name; });

// From the welcome page to the summary without a database; the output is "web".
const QStringList toInfo = with(toDBCheck, {"uncheck cbDataOK", "click btnNext", "type edPageTitle T",
                                            "type edExtName N", "click btnNext", "type edDLLFile web",
                                            "click btnNext"});

// The keyboard as a user presses it: keys go to the control with the focus
// (or the control named), shortcuts and the default button answer them.
INSTANTIATE_TEST_SUITE_P(
    Keyboard, WindowScripts,
    testing::Values(
        ScriptCase{"EnterPressesTheVisibleNextOrFinish",
                   {"key frmWiz Return", "key frmWiz Return", "type edValue City", "key edValue Return",
                    "show lbValues", "click btnNext", "uncheck cbDataOK", "key frmWiz Return", "type edPageTitle T",
                    "type edExtName N", "key moOtherInfo Return", "show moOtherInfo", "key edPageTitle Return",
                    "type edDLLFile web", "key edDLLFile Return", "file cancel", "key frmWiz Return",
                    "key frmWiz Escape"},
                   {"page", "show", "dialog", "closed"},
                   {"page pgHeaderFooter", "page pgInput",
                    R"(show lbValues {"enabled":true,"entries":["City"],"selected":[0],"visible":true})",
                    "page pgDBCheck", "page pgOtherData",
                    R"(show moOtherInfo {"enabled":true,"text":"\r\n","visible":true})", "page pgDLLOutput",
                    "page pgInfo", "dialog Save Quillon Project File | Quillon Project (*.qnp)|*.qnp | qnp | starts on $DIR/web.qnp -> cancel",
                    "closed"}},
        ScriptCase{"ShortcutsReachOnlyTheButtonsShown",
                   {"key frmWiz Alt+B", "key frmWiz Alt+N", "key frmWiz Alt+N", "key frmWiz Alt+F",
                    "key frmWiz F1", "key frmWiz Alt+B", "key frmWiz F1"},
                   {"page", "help", "dialog"},
                   {"page pgHeaderFooter", "page pgInput", "help QUILLON.HLP 9", "page pgHeaderFooter",
                    "help QUILLON.HLP 6"}},
        // "ISAPI Ext. &Name:" and "I would like to &browse database items"
        // take Alt+N and Alt+B; the buttons then show no underline.
        ScriptCase{"APageMnemonicWinsOverAButton",
                   with(toDBCheck, {"show btnBack", "key frmWiz Alt+B", "uncheck cbDataOK", "click btnNext",
                                    "key frmWiz Alt+N", "show btnNext", "show btnBack"}),
                   {"box", "page", "show", "focus"},
                   {"page pgHeaderFooter", "page pgInput", "focus edValue", "page pgDBCheck", "focus btnNext",
                    R"(show btnBack {"enabled":true,"text":"< Back","visible":true})", "focus rbBrowseDB",
                    "focus cbDataOK", "page pgOtherData", "focus btnNext", "focus edPageTitle", "focus edExtName",
                    R"(show btnNext {"enabled":true,"text":"Next >","visible":true})",
                    R"(show btnBack {"enabled":true,"text":"< &Back","visible":true})"}},
        // A mnemonic of a control switched off is no mnemonic: Back takes Alt+B again.
        ScriptCase{"ADisabledControlLeavesItsKeyToTheButton",
                   with(toDBCheck, {"uncheck cbDataOK", "show btnBack", "key frmWiz Alt+B"}),
                   {"page", "show"},
                   {"page pgHeaderFooter", "page pgInput", "page pgDBCheck",
                    R"(show btnBack {"enabled":true,"text":"< &Back","visible":true})", "page pgInput"}},
        ScriptCase{"APageMnemonicWorksWhileItsButtonIsAway",
                   {"key frmWiz Alt+N", "key frmWiz Alt+F"},
                   {"page", "focus"},
                   {"page pgHeaderFooter", "focus cbFooter"}},
        ScriptCase{"AltFOnTheSummaryIsFinish",
                   with(toInfo, {"file cancel", "key frmWiz Alt+F"}),
                   {"dialog"},
                   // The project is saved beside the source it makes, named after it.
                   {"dialog Save Quillon Project File | Quillon Project (*.qnp)|*.qnp | qnp | starts on $DIR/web.qnp -> cancel"}},
        ScriptCase{"IconButtonsAreInTheTabOrder",
                   {"key frmWiz Tab", "key frmWiz Tab", "key frmWiz Tab", "file cancel", "key frmWiz Space",
                    "key frmWiz Shift+Tab", "key frmWiz Shift+Tab", "key frmWiz Shift+Tab"},
                   {"focus", "dialog"},
                   {"focus btnCancel", "focus btnLoad", "focus ebtnSave",
                    "dialog Save Quillon Project File | Quillon Project (*.qnp)|*.qnp | qnp -> cancel",
                    "focus btnLoad", "focus btnCancel", "focus btnNext"}},
        ScriptCase{"EnterOnAFocusedButtonPressesThatButton",
                   {"key frmWiz Shift+Tab", "key frmWiz Return", "key frmWiz Tab", "key frmWiz Tab",
                    "key frmWiz Return"},
                   {"page", "focus", "help", "closed"},
                   {"focus btnHelp", "help QUILLON.HLP 0", "focus btnNext", "focus btnCancel", "closed"}},
        ScriptCase{"DoubleClickMovesAField",
                   with(toDBCheck, {"choose cbDatabase SHOP", "click btnNext", "uncheck cbLoginPrompt",
                                    "click btnNext", "choose cbBRTable customer", "click btnNext",
                                    "select lbAvailFields CITY", "doubleclick lbAvailFields NAME",
                                    "show lbReturnFields", "doubleclick lbReturnFields NAME", "show lbAvailFields"}),
                   {"show"},
                   {R"(show lbReturnFields {"enabled":true,"entries":["NAME"],"selected":[],"visible":true})",
                    R"(show lbAvailFields {"enabled":true,"entries":["CITY","ID","NAME"],"selected":[1],"visible":true})"}},
        ScriptCase{"FinishTakesTheFocusAndBackGivesItToTheFirstField",
                   with(toInfo, {"key frmWiz Alt+B", "key frmWiz Alt+N"}),
                   {"page", "focus"},
                   {"page pgHeaderFooter", "page pgInput", "focus edValue", "page pgDBCheck", "focus btnNext",
                    "focus cbDataOK", "page pgOtherData", "focus btnNext", "focus edPageTitle", "page pgDLLOutput",
                    "focus btnNext", "focus edDLLFile", "page pgInfo", "focus btnNext", "focus btnFinish",
                    "page pgDLLOutput", "focus btnNext", "focus edDLLFile", "page pgInfo", "focus btnNext",
                    "focus btnFinish"}},
        // The values list is a keyboard list: Tab reaches it and its
        // buttons, the arrows choose, Ctrl+Up moves, a letter chooses the
        // entry it starts (the key stays in the list), Delete removes.
        ScriptCase{"TheValuesListIsAKeyboardList",
                   with(toInput, {"type edValue X", "key edValue Return", "type edValue Y", "key edValue Return",
                                  "type edValue Z", "key edValue Return", "key frmWiz Tab", "key frmWiz Tab",
                                  "key lbValues Up", "key lbValues Ctrl+Up", "show lbValues", "key lbValues z",
                                  "key lbValues Delete", "show lbValues", "key frmWiz Tab", "key frmWiz Tab",
                                  "key frmWiz Tab", "show edValue"}),
                   {"show", "focus"},
                   {"focus edValue", "focus sbAdd", "focus lbValues",
                    R"(show lbValues {"enabled":true,"entries":["Y","X","Z"],"selected":[0],"visible":true})",
                    R"(show lbValues {"enabled":true,"entries":["Y","X"],"selected":[],"visible":true})",
                    "focus sbUp", "focus sbDel", "focus sbDown",
                    R"(show edValue {"enabled":true,"text":"","visible":true})"}},
        ScriptCase{"EnterInTheEmptyNameBoxIsNext",
                   with(toInput, {"type edValue City", "key edValue Return", "key edValue Return"}),
                   {"page"},
                   {"page pgHeaderFooter", "page pgInput", "page pgDBCheck"}},
        ScriptCase{"TheBrowseButtonsAreTabStops",
                   {"click btnNext", "check cbHEader", "key frmWiz Tab", "file cancel", "key frmWiz Space",
                    "key frmWiz Tab", "check cbFooter", "key frmWiz Tab"},
                   {"focus", "dialog"},
                   {"focus cbHEader", "focus edHeader", "focus sbHEader",
                    "dialog Select an HTML File | HTML File|*.htm;*.html|Any File|*.* | htm -> cancel",
                    "focus cbFooter", "focus edFooter", "focus sbFooter"}},
        // The alias list is filled on arrival: keys choose on the closed list.
        ScriptCase{"TheClosedAliasListAnswersKeys",
                   with(toDBCheck, {"key cbDatabase Down", "show cbDatabase", "key cbDatabase S", "show cbDatabase",
                                    "click btnNext"}),
                   {"show", "page"},
                   {"page pgHeaderFooter", "page pgInput", "page pgDBCheck",
                    R"(show cbDatabase {"enabled":true,"entries":["Archive","DBTest","SHOP"],"text":"Archive","visible":true})",
                    R"(show cbDatabase {"enabled":true,"entries":["Archive","DBTest","SHOP"],"text":"SHOP","visible":true})",
                    "page pgLogin"}},
        ScriptCase{"AFailedCheckFocusesItsFieldAfterTheBox",
                   with(toDBCheck, {"uncheck cbDataOK", "click btnNext", "type edExtName N", "click btnNext"}),
                   {"box", "focus"},
                   {"focus edValue", "focus btnNext", "focus cbDataOK", "focus btnNext", "focus edPageTitle",
                    "box Error! | Page must have a Title. -> ok", "focus btnNext", "focus edPageTitle"}}),
    [](const auto &info) { return info.param.name; });

// The summary on show follows a project loaded over it, and keeps an
// author of one blank as typed.
TEST_F(WizardTest, SummaryFollowsALoadAndKeepsTrailingBlanks)
{
    const QString file = QString::fromStdString(path("p.qnp"));
    run(with(toInfo, {"type edAuthor  ", "click btnBack", "click btnNext", "file " + file, "click ebtnSave"}));
    ASSERT_EQ(status, 0);
    const QStringList t = run(with(toInfo, {"type edAuthor Ann", "click btnBack", "click btnNext", "show moInfo",
                                            "file " + file, "click btnLoad", "show moInfo"}));
    const QStringList shown = only(t, {"show"});
    ASSERT_EQ(shown.size(), 2) << t.join('\n').toStdString();
    EXPECT_TRUE(shown[0].contains(R"(\r\nAuthor: Ann)")) << shown[0].toStdString();
    // The loaded author is one blank: "Author: " and that blank, at a line's end.
    const QRegularExpression blankAuthor(QStringLiteral(R"(\\r\\nAuthor:  (\\r\\n|"))"));
    EXPECT_TRUE(blankAuthor.match(shown[1]).hasMatch()) << shown[1].toStdString();
    EXPECT_EQ(status, 0);
}

TEST_F(WizardTest, OpensOnTheWelcomePageAsDesigned)
{
    inspect = [](TfrmWiz &w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Quillon 1.0"));
        EXPECT_EQ(w.size(), QSize(462, 295));
        EXPECT_EQ(w.nbWiz->count(), 11);
        EXPECT_EQ(w.currentPage(), Page::Welcome);
        EXPECT_FALSE(w.btnBack->isEnabled());
        EXPECT_FALSE(w.btnFinish->isVisible());
        EXPECT_EQ(w.btnFinish->geometry(), w.btnNext->geometry());
        EXPECT_EQ(w.helpFile(), QStringLiteral("QUILLON.HLP"));
    };
    const QStringList t = run({"show btnNext", "show cbDataOK", "show edHeader", "show ExcludeBtn", "show rbTable"});
    EXPECT_EQ(only(t, {"show"}),
              (QStringList{R"(show btnNext {"enabled":true,"text":"&Next >","visible":true})",
                           R"(show cbDataOK {"checked":true,"enabled":true,"text":"Yes, I would like to have &database capabilities","visible":false})",
                           R"(show edHeader {"enabled":false,"text":"","visible":false})",
                           R"(show ExcludeBtn {"enabled":false,"text":"<","visible":false})",
                           R"(show rbTable {"checked":true,"enabled":true,"text":"Table browsing:","visible":false})"}));
}

TEST_F(WizardTest, DriverStopsAtALineItCannotPerform)
{
    const QStringList t = run({"click btnNext", "click nothingHere", "click btnNext"});
    EXPECT_EQ(only(t, {"error", "closed"}), QStringList{"error 2: no control named nothingHere"});
    EXPECT_EQ(only(t, {"page"}), QStringList{"page pgHeaderFooter"});
    EXPECT_EQ(status, 1);

    const QStringList q = run({"click btnNext", "click btnNext", "click btnNext", "check rbUpdateDB",
                               "choose cbDatabase SHOP", "click btnNext"});
    EXPECT_EQ(only(q, {"error"}), QStringList{"error 6: no answer queued for the box \"Confirm\""});
    EXPECT_EQ(status, 1);
}

} // namespace
