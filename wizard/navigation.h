#pragma once

/*
** The wizard's page flow as plain rules, with no window: the eleven pages
** in notebook order, their help contexts, which page "Next >" and "< Back"
** lead to, the checks that "Next >" makes before leaving a page, the two
** questions it may ask, the first word of the SQL text and the completion
** of the output file name. The window takes the facts from the record and
** its pages and acts on the answers; everything here is tested with table
** rows.
*/

#include "project/outputname.h"
#include "project/wizardproject.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillon::wizard {

enum class Page {
    Welcome,
    HeaderFooter,
    Input,
    DBCheck,
    Login,
    DatabaseUP,
    DatabaseBR,
    FieldSelect,
    OtherData,
    DLLOutput,
    Info,
};

inline constexpr int kPageCount = 11;
inline constexpr Page kLastPage = Page::Info;

// "pgWelcome", "pgHeaderFooter", ...: the page's objectName.
const char *pageName(Page page);
std::optional<Page> pageFromName(std::string_view name);

// The help topic number of a page.
int helpContext(Page page);

// What the flow rules look at: the record's fields as the controls hold
// them, and whether an entry of the two choice lists is chosen, which only
// the controls know.
struct NavigationFacts
{
    bool dbOk = true;             // cbDataOK
    bool aliasChosen = false;     // an entry of cbDatabase is chosen
    bool doBrowse = true;         // rbBrowseDB
    bool doInsert = false;        // rbUpdateDB
    bool doLogin = true;          // cbLoginPrompt
    std::string userId;           // edUserID
    std::string password;         // edPassword
    bool hasInputValues = false;  // lbValues has entries
    bool tbBrowse = true;         // rbTable
    bool browseTableChosen = false; // an entry of cbBRTable is chosen
    std::string sql;              // moSQL, its whole text
    StringList requestValues;     // lbValues, the names of the request values
    bool hasMapping = false;      // lbUpdFields has entries
    bool hasReturnedFields = false; // lbReturnFields has entries
    std::string pageTitle;        // edPageTitle
    std::string extName;          // edExtName
    std::string outputFile;       // edDLLFile
    // What is wrong with a file the user named (filechecks.h), empty when
    // nothing is or its box is clear; the pages that hold the names add them.
    std::string headerProblem;    // edHeader, when cbHEader is checked
    std::string footerProblem;    // edFooter, when cbFooter is checked
    std::string outputProblem;    // edDLLFile
};

// The facts the record holds; aliasChosen and browseTableChosen stay false
// for the pages that hold those lists to add.
NavigationFacts navigationFacts(const WizardProject &record);

// A check of "Next >" that refused to leave the page: the error box text
// and the control that gets the focus (empty: the focus stays).
struct CheckFailure
{
    std::string message;
    std::string focus;

    bool operator==(const CheckFailure &) const = default;
};

// The checks of "Next >" on page, in their order; nullopt when the page
// may be left. The output file is checked as it stands after completion
// (completeOutputPath), which the window applies first.
std::optional<CheckFailure> checkLeaving(Page page, const NavigationFacts &facts);

// The questions "Next >" may ask after the checks passed.
enum class Question {
    None,
    InsertWithoutInputValues, // pgDBCheck: "Confirm", Yes goes to pgInput
    NoReturnedFields,         // pgFieldSelect: "Information", only Yes goes on
};
Question questionOnLeaving(Page page, const NavigationFacts &facts);

inline constexpr char kInsertWithoutInputValuesText[] =
    "You have not specified the input field names. If you really want to insert database items, "
    "you may need input values. Do you want to specify input values now?";
inline constexpr char kNoReturnedFieldsText[] = "No database fields will be returned.\r\nLeave it this way?";

Page nextPage(Page page, const NavigationFacts &facts);
Page previousPage(Page page, const NavigationFacts &facts);

// Whether the SQL text returns rows: its first word, up to the first blank
// or line break, with a-z in upper case, is "SELECT". A text that starts
// with a blank has no first word.
bool sqlReturnsRows(std::string_view sql);

// The output file name as "Next >" completes it (project/outputname.h).
using quillon::completeOutputPath;

} // namespace quillon::wizard
