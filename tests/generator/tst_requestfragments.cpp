#include "generator/requestfragments.h"

#include "fragmentrow.h"

namespace quillon::generator::test {

namespace {

const std::string kGetVarsHead = crlf({
    "Procedure GetVars;",
    "{This will parse the URL, and get the variables passed to the server}",
    "var",
    "  Key,Val: TStringList;",
    "  PostData : String;",
    "begin",
    "  Key := TStringList.Create;",
    "  Val := TStringList.Create;",
    "  try",
    "    try",
    "      if REQUEST_METHOD = 'GET' then",
    "        Parse (QUERY_STRING,Key,Val)",
    "      else",
    "        begin",
    "          PostData := PChar(ECB.Data);",
    "          SetLength (PostData,ECB.Available);",
    "          Parse (PostData,Key,Val)",
    "        end;",
});

const std::string kGetVarsTail = crlf({
    "    finally",
    "      Key.Free; ",
    "      Val.Free;",
    "    end;",
    "  except",
    "    on EListError do",
    "    begin",
    "      Writeln (F,'Problems with parameters!');",
    "      Abort",
    "    end",
    "  end;",
    "end;",
});

const std::string kSendHtml = crlf({
    "Procedure SendHTMLToClient (const FileName : String);",
    "{This will send any (HTML or not) file to the client}",
    "var",
    "  B : File;",
    "  S : String;",
    "  sz,Res : integer;",
    "",
    "begin",
    "  AssignFile (B,FileName);",
    "  FileMode := 0;",
    "  try",
    "    Reset (B,1);",
    "    try",
    "      Sz := FileSize(B);",
    "      SetLength (S,Sz);",
    "      BlockRead (B,S[1],Sz,Res);",
    "      Writeln (F,S);",
    "    finally",
    "      Close (B);",
    "    end;",
    "  except",
    "    on E: EInOutError do",
    "    begin",
    "      Writeln  (F,'Error reading file: '+E.Message);",
    "      FailResponse(F, FailureStatus(E));",
    "    end;",
    "  end;",
    "end;",
});

void cityAndZip(WizardProject &p)
{
    p.Input = {"City", "Zip"};
}

} // namespace

QUILLON_FRAGMENT_SUITE(
    VarDecl,
    FragmentRow{"NoInputs", [](WizardProject &) {}, varDeclFragment, ""},
    FragmentRow{"TwoInputsInOrder", cityAndZip, varDeclFragment,
                crlf({"  City : String;", "  Zip : String;"})});

QUILLON_FRAGMENT_SUITE(
    GetValues,
    FragmentRow{"NoInputs", [](WizardProject &) {}, getValuesFragment, ""},
    FragmentRow{"TwoInputsInOrder", cityAndZip, getValuesFragment,
                kGetVarsHead
                    + crlf({"      City:= Val[Key.IndexOf('City')];",
                            "      Zip:= Val[Key.IndexOf('Zip')];"})
                    + kGetVarsTail},
    // The name stays bare as a variable but is literal text inside IndexOf.
    FragmentRow{"QuoteInNameDoubledOnlyInLiteral",
                [](WizardProject &p) { p.Input = {"O'k"}; }, getValuesFragment,
                kGetVarsHead + crlf({"      O'k:= Val[Key.IndexOf('O''k')];"}) + kGetVarsTail});

QUILLON_FRAGMENT_SUITE(
    SendFile,
    FragmentRow{"NeitherFile",
                [](WizardProject &p) { p.HeaderFile = p.FooterFile = "x.htm"; }, sendFileFragment,
                ""},
    FragmentRow{"HeaderOnly", [](WizardProject &p) { p.HasHeaderFile = true; }, sendFileFragment,
                kSendHtml},
    FragmentRow{"FooterOnly", [](WizardProject &p) { p.HasFooterFile = true; }, sendFileFragment,
                kSendHtml});

QUILLON_FRAGMENT_SUITE(
    PageTitle,
    FragmentRow{"EmptyTitleStillCalls", [](WizardProject &) {}, pageTitleFragment,
                "PrepareString('')"},
    FragmentRow{"PlainTitle", [](WizardProject &p) { p.PageTitle = "Our Shop"; }, pageTitleFragment,
                "PrepareString('Our Shop')"},
    FragmentRow{"QuotesDoubled",
                [](WizardProject &p) { p.PageTitle = "Bob's '); Halt; //"; }, pageTitleFragment,
                "PrepareString('Bob''s ''); Halt; //')"},
    FragmentRow{"EightBitBytesUnchanged",
                [](WizardProject &p) { p.PageTitle = "Caf\xe9 \xc3\xa9\xff"; }, pageTitleFragment,
                "PrepareString('Caf\xe9 \xc3\xa9\xff')"});

QUILLON_FRAGMENT_SUITE(
    HeaderHTML,
    FragmentRow{"Unset", [](WizardProject &p) { p.HeaderFile = "h.htm"; }, headerHtmlFragment, ""},
    FragmentRow{"Set",
                [](WizardProject &p) {
                    p.HasHeaderFile = true;
                    p.HeaderFile = "C:\\web\\head.htm";
                },
                headerHtmlFragment,
                crlf({"  " + kRule, "      {Reading Header HTML}", "      " + kRule,
                      "      SendHTMLToClient('C:\\web\\head.htm');", "      " + kRule})},
    FragmentRow{"QuoteInPathDoubled",
                [](WizardProject &p) {
                    p.HasHeaderFile = true;
                    p.HeaderFile = "/srv/bob's/head.htm";
                },
                headerHtmlFragment,
                crlf({"  " + kRule, "      {Reading Header HTML}", "      " + kRule,
                      "      SendHTMLToClient('/srv/bob''s/head.htm');", "      " + kRule})});

QUILLON_FRAGMENT_SUITE(
    GetVal,
    FragmentRow{"NoInputs", [](WizardProject &) {}, getValFragment, ""},
    FragmentRow{"Inputs", cityAndZip, getValFragment, "GetVars;"});

QUILLON_FRAGMENT_SUITE(
    FooterHTML,
    FragmentRow{"Unset", [](WizardProject &p) { p.FooterFile = "f.htm"; }, footerHtmlFragment, ""},
    FragmentRow{"SetAllAtTwoSpaces",
                [](WizardProject &p) {
                    p.HasFooterFile = true;
                    p.FooterFile = "it's.htm";
                },
                footerHtmlFragment,
                crlf({"  " + kRule, "  {Reading Footer HTML}", "  " + kRule,
                      "  SendHTMLToClient('it''s.htm');", "  " + kRule})});

} // namespace quillon::generator::test
