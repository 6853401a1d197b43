#include "generator/trailerfragments.h"

#include "generator/sourcegenerator.h"

#include "fragmentrow.h"

namespace quillon::generator::test {

namespace {

const GenerationMoment kMoment{"12/08/26", "19:20:09"};
const GenerationMoment kQuotedMoment{"8 d'o", "9'00"};

std::string genDate(const WizardProject &p)
{
    return genDateFragment(p, kMoment);
}

std::string genTime(const WizardProject &p)
{
    return genTimeFragment(p, kMoment);
}

} // namespace

QUILLON_FRAGMENT_SUITE(
    TrailerLines,
    FragmentRow{"AuthorEmpty", [](WizardProject &p) { p.Email = "a@b.c"; }, authorFragment, ""},
    FragmentRow{"AuthorPrepared", [](WizardProject &p) { p.Author = "Ann"; }, authorFragment,
                "Writeln (F,'Author: '+PrepareString('Ann')+'<BR>');"},
    FragmentRow{"AuthorQuoteDoubled", [](WizardProject &p) { p.Author = "O'Brien"; },
                authorFragment, "Writeln (F,'Author: '+PrepareString('O''Brien')+'<BR>');"},
    FragmentRow{"AuthorSpacesOnlyCount", [](WizardProject &p) { p.Author = "  "; },
                authorFragment, "Writeln (F,'Author: '+PrepareString('  ')+'<BR>');"},
    FragmentRow{"EmailEmpty", [](WizardProject &p) { p.Author = "Ann"; }, emailFragment, ""},
    FragmentRow{"EmailDirect", [](WizardProject &p) { p.Email = "ann@example.org"; },
                emailFragment, "Writeln (F,'EMail: ann@example.org<BR>');"},
    FragmentRow{"EmailQuoteDoubled", [](WizardProject &p) { p.Email = "o'b@x.ie"; },
                emailFragment, "Writeln (F,'EMail: o''b@x.ie<BR>');"},
    FragmentRow{"CompanyPrepared", [](WizardProject &p) { p.Company = "A & B's"; },
                companyFragment, "Writeln (F,'Company: '+PrepareString('A & B''s')+'<BR>');"},
    FragmentRow{"CompanyEmpty", [](WizardProject &) {}, companyFragment, ""},
    FragmentRow{"VersionDirect", [](WizardProject &p) { p.Version = "1.0 'beta'"; },
                versionFragment, "Writeln (F,'Version: 1.0 ''beta''<BR>');"},
    FragmentRow{"VersionEmpty", [](WizardProject &) {}, versionFragment, ""},
    FragmentRow{"CopyrightPrepared", [](WizardProject &p) { p.Copyright = "1997 Ann"; },
                copyrightFragment, "Writeln (F,'&copy; '+PrepareString('1997 Ann')+'<BR>');"},
    FragmentRow{"CopyrightEmpty", [](WizardProject &) {}, copyrightFragment, ""},
    FragmentRow{"DateSet", [](WizardProject &p) { p.DoGenDate = true; }, genDate,
                "Writeln (F,'Date: 12/08/26<BR>');"},
    FragmentRow{"DateClear", [](WizardProject &p) { p.DoGenTime = true; }, genDate, ""},
    FragmentRow{"TimeSet", [](WizardProject &p) { p.DoGenTime = true; }, genTime,
                "Writeln (F,'Time: 19:20:09<BR>');"},
    FragmentRow{"TimeClear", [](WizardProject &p) { p.DoGenDate = true; }, genTime, ""},
    FragmentRow{"MomentQuotesDoubled",
                [](WizardProject &p) { p.DoGenDate = p.DoGenTime = true; },
                [](const WizardProject &p) {
                    return genDateFragment(p, kQuotedMoment) + genTimeFragment(p, kQuotedMoment);
                },
                "Writeln (F,'Date: 8 d''o<BR>');Writeln (F,'Time: 9''00<BR>');"});

QUILLON_FRAGMENT_SUITE(
    OtherInfo,
    FragmentRow{"NoLines", [](WizardProject &) {}, otherInfoFragment, ""},
    FragmentRow{"ThreeLines", [](WizardProject &p) { p.OtherInfo = "one\r\ntwo\r\nthree"; },
                otherInfoFragment,
                crlf({"Writeln (F,PrepareString('one<BR>'));",
                      "    Writeln (F,PrepareString('two<BR>'));",
                      "    Writeln (F,PrepareString('three<BR>'));"})},
    FragmentRow{"EmptyLinesKeptNoLineAfterFinalBreak",
                [](WizardProject &p) { p.OtherInfo = "a\n\nit's\r"; }, otherInfoFragment,
                crlf({"Writeln (F,PrepareString('a<BR>'));", "    Writeln (F,PrepareString('<BR>'));",
                      "    Writeln (F,PrepareString('it''s<BR>'));"})},
    FragmentRow{"OnlyABreakIsOneEmptyLine", [](WizardProject &p) { p.OtherInfo = "\r\n"; },
                otherInfoFragment, crlf({"Writeln (F,PrepareString('<BR>'));"})});

} // namespace quillon::generator::test
