#include "wizard/navigation.h"

#include "project/queryparameters.h"
#include "project/textlines.h"

#include <array>
#include <filesystem>

namespace quillon::wizard {

namespace {

struct PageRow
{
    Page page;
    const char *name;
    int helpContext;
};

constexpr std::array<PageRow, kPageCount> kPages = {{
    {Page::Welcome, "pgWelcome", 0},
    {Page::HeaderFooter, "pgHeaderFooter", 6},
    {Page::Input, "pgInput", 9},
    {Page::DBCheck, "pgDBCheck", 12},
    {Page::Login, "pgLogin", 13},
    {Page::DatabaseUP, "pgDatabaseUP", 14},
    {Page::DatabaseBR, "pgDatabaseBR", 15},
    {Page::FieldSelect, "pgFieldSelect", 16},
    {Page::OtherData, "pgOtherData", 17},
    {Page::DLLOutput, "pgDLLOutput", 18},
    {Page::Info, "pgInfo", 19},
}};

const PageRow &row(Page page)
{
    return kPages[static_cast<std::size_t>(page)];
}

Page following(Page page)
{
    return page == kLastPage ? page : static_cast<Page>(static_cast<int>(page) + 1);
}

Page preceding(Page page)
{
    return page == Page::Welcome ? page : static_cast<Page>(static_cast<int>(page) - 1);
}

// Table browsing, or a query that returns rows, leads to the field choice.
bool browsesRows(const NavigationFacts &f)
{
    return f.tbBrowse || sqlReturnsRows(f.sql);
}

} // namespace

const char *pageName(Page page)
{
    return row(page).name;
}

std::optional<Page> pageFromName(std::string_view name)
{
    for (const PageRow &r : kPages) {
        if (name == r.name)
            return r.page;
    }
    return std::nullopt;
}

int helpContext(Page page)
{
    return row(page).helpContext;
}

NavigationFacts navigationFacts(const WizardProject &p)
{
    NavigationFacts f;
    f.dbOk = p.DBOk;
    f.doBrowse = p.DoBrowse;
    f.doInsert = p.DoInsert;
    f.doLogin = p.DoLogin;
    f.userId = p.UserName;
    f.password = p.Password;
    f.hasInputValues = !p.Input.empty();
    f.tbBrowse = p.TbBrowse;
    f.sql = p.QrToBrowse;
    f.requestValues = p.Input;
    f.hasMapping = !p.UpdFields.empty();
    f.hasReturnedFields = !p.RetChosenFields.empty();
    f.pageTitle = p.PageTitle;
    f.extName = p.ExtName;
    f.outputFile = p.OutputDLL;
    return f;
}

namespace {

// The first parameter of the query that names none of the request values:
// it would run with nothing bound and list no row.
std::optional<std::string> unboundQueryParameter(const std::string &sql, const StringList &requestValues)
{
    for (const QueryParameter &parameter : queryParameters(sql, requestValues))
        if (parameter.requestValue.empty())
            return parameter.name;
    return std::nullopt;
}

} // namespace

std::optional<CheckFailure> checkLeaving(Page page, const NavigationFacts &f)
{
    switch (page) {
    case Page::Login:
        if (f.doLogin && isBlankText(f.userId) && isBlankText(f.password))
            return CheckFailure{"Please enter Username/Password!", "edUserID"};
        break;
    case Page::DatabaseBR:
        if (!f.dbOk)
            break;
        if (f.tbBrowse) {
            if (!f.browseTableChosen)
                return CheckFailure{"Table must be selected!", "cbBRTable"};
        } else if (isBlankText(f.sql)) {
            return CheckFailure{"SQL Code not entered!", "moSQL"};
        } else if (const auto unbound = unboundQueryParameter(f.sql, f.requestValues)) {
            return CheckFailure{"The query's parameter :" + *unbound + " names no request value: add " + *unbound +
                                    " to the request values, or take the parameter out of the query.",
                                "moSQL"};
        }
        break;
    case Page::DBCheck:
        if (f.dbOk && !f.aliasChosen)
            return CheckFailure{"Database must be selected!", "cbDatabase"};
        break;
    case Page::HeaderFooter:
        if (!f.headerProblem.empty())
            return CheckFailure{f.headerProblem, "edHeader"};
        if (!f.footerProblem.empty())
            return CheckFailure{f.footerProblem, "edFooter"};
        break;
    case Page::DLLOutput:
        if (isBlankText(f.outputFile))
            return CheckFailure{"Output DLL Source filename required!", ""};
        if (!f.outputProblem.empty())
            return CheckFailure{f.outputProblem, "edDLLFile"};
        break;
    case Page::OtherData:
        if (isBlankText(f.pageTitle))
            return CheckFailure{"Page must have a Title.", "edPageTitle"};
        if (isBlankText(f.extName))
            return CheckFailure{"Extension must have a name.", "edExtName"};
        break;
    case Page::DatabaseUP:
        if (!f.hasMapping)
            return CheckFailure{"Please specify fields to insert!", ""};
        break;
    default:
        break;
    }
    return std::nullopt;
}

Question questionOnLeaving(Page page, const NavigationFacts &f)
{
    if (page == Page::DBCheck && f.dbOk && !f.hasInputValues && f.doInsert)
        return Question::InsertWithoutInputValues;
    if (page == Page::FieldSelect && !f.hasReturnedFields)
        return Question::NoReturnedFields;
    return Question::None;
}

Page nextPage(Page page, const NavigationFacts &f)
{
    switch (page) {
    case Page::Login:
        return f.doBrowse ? Page::DatabaseBR : Page::DatabaseUP;
    case Page::DatabaseBR:
        return browsesRows(f) ? Page::FieldSelect : Page::OtherData;
    case Page::DBCheck:
        return f.dbOk ? Page::Login : Page::OtherData;
    case Page::DatabaseUP:
        return Page::OtherData;
    default:
        return following(page);
    }
}

Page previousPage(Page page, const NavigationFacts &f)
{
    switch (page) {
    case Page::OtherData:
        if (!f.dbOk)
            return Page::DBCheck;
        if (f.doInsert)
            return Page::DatabaseUP;
        return browsesRows(f) ? Page::FieldSelect : Page::DatabaseBR;
    case Page::DatabaseBR:
        return Page::Login;
    default:
        return preceding(page);
    }
}

bool sqlReturnsRows(std::string_view sql)
{
    // The first word ends at the first blank or line break; a line break
    // after SELECT separates it from the select list just as a blank does.
    const std::size_t end = sql.find_first_of(" \t\r\n");
    if (end == std::string_view::npos)
        return false;
    std::string word(trimBlanks(sql.substr(0, end)));
    for (char &c : word) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return word == "SELECT";
}

} // namespace quillon::wizard
