#include "generator/requestfragments.h"

#include "generator/fragmenttext.h"
#include "generator/pascalstring.h"

namespace quillon::generator {

std::string varDeclFragment(const WizardProject &project)
{
    FragmentText f;
    for (const auto &name : project.Input)
        f.line(2, {name, " : String;"});
    return f.take();
}

std::string getValuesFragment(const WizardProject &project)
{
    if (project.Input.empty())
        return {};
    FragmentText f;
    f.line(0, {"Procedure GetVars;"})
        .line(0, {"{This will parse the URL, and get the variables passed to the server}"})
        .line(0, {"var"})
        .line(2, {"Key,Val: TStringList;"})
        .line(2, {"PostData : String;"})
        .line(0, {"begin"})
        .line(2, {"Key := TStringList.Create;"})
        .line(2, {"Val := TStringList.Create;"})
        .line(2, {"try"})
        .line(4, {"try"})
        .line(6, {"if REQUEST_METHOD = 'GET' then"})
        .line(8, {"Parse (QUERY_STRING,Key,Val)"})
        .line(6, {"else"})
        .line(8, {"begin"})
        .line(10, {"PostData := PChar(ECB.Data);"})
        .line(10, {"SetLength (PostData,ECB.Available);"})
        .line(10, {"Parse (PostData,Key,Val)"})
        .line(8, {"end;"});
    for (const auto &name : project.Input)
        f.line(6, {name, ":= Val[Key.IndexOf('", literalText(name), "')];"});
    f.line(4, {"finally"})
        .line(6, {"Key.Free; "})
        .line(6, {"Val.Free;"})
        .line(4, {"end;"})
        .line(2, {"except"})
        .line(4, {"on EListError do"})
        .line(4, {"begin"})
        .line(6, {"Writeln (F,'Problems with parameters!');"})
        .line(6, {"Abort"})
        .line(4, {"end"})
        .line(2, {"end;"})
        .line(0, {"end;"});
    return f.take();
}

std::string sendFileFragment(const WizardProject &project)
{
    if (!project.HasHeaderFile && !project.HasFooterFile)
        return {};
    FragmentText f;
    f.line(0, {"Procedure SendHTMLToClient (const FileName : String);"})
        .line(0, {"{This will send any (HTML or not) file to the client}"})
        .line(0, {"var"})
        .line(2, {"B : File;"})
        .line(2, {"S : String;"})
        .line(2, {"sz,Res : integer;"})
        .line(0, {})
        .line(0, {"begin"})
        .line(2, {"AssignFile (B,FileName);"})
        .line(2, {"FileMode := 0;"})
        .line(2, {"try"})
        .line(4, {"Reset (B,1);"})
        .line(4, {"try"})
        .line(6, {"Sz := FileSize(B);"})
        .line(6, {"SetLength (S,Sz);"})
        .line(6, {"BlockRead (B,S[1],Sz,Res);"})
        .line(6, {"Writeln (F,S);"})
        .line(4, {"finally"})
        .line(6, {"Close (B);"})
        .line(4, {"end;"})
        .line(2, {"except"})
        .line(4, {"on E: EInOutError do"})
        .line(4, {"begin"})
        .line(6, {"Writeln  (F,'Error reading file: '+E.Message);"})
        .line(6, {"FailResponse(F, FailureStatus(E));"})
        .line(4, {"end;"})
        .line(2, {"end;"})
        .line(0, {"end;"});
    return f.take();
}

std::string pageTitleFragment(const WizardProject &project)
{
    return FragmentText().open(0, {"PrepareString('", literalText(project.PageTitle), "')"}).take();
}

/*
** The header and footer calls differ only in their label and indentation:
** the header's later lines stand at six spaces, the footer's at two.
*/
static std::string fileCall(std::string_view label, int indent, const std::string &path)
{
    FragmentText f;
    f.line(2, {kRuleLine})
        .line(indent, {label})
        .line(indent, {kRuleLine})
        .line(indent, {"SendHTMLToClient('", literalText(path), "');"})
        .line(indent, {kRuleLine});
    return f.take();
}

std::string headerHtmlFragment(const WizardProject &project)
{
    if (!project.HasHeaderFile)
        return {};
    return fileCall("{Reading Header HTML}", 6, project.HeaderFile);
}

std::string getValFragment(const WizardProject &project)
{
    return project.Input.empty() ? std::string() : std::string("GetVars;");
}

std::string footerHtmlFragment(const WizardProject &project)
{
    if (!project.HasFooterFile)
        return {};
    return fileCall("{Reading Footer HTML}", 2, project.FooterFile);
}

} // namespace quillon::generator
