/*
** Every shape of project the wizard can produce is generated from the real
** template and compiled with Free Pascal; a result that does not compile is
** a failure. Every row also carries awkward text (quotes, braces, comment
** openers, placeholder names, 8-bit bytes, tabs) in every text field, so
** each literal the generator writes is compiled with them. The whole matrix
** is compiled once, two fpc runs at a time, on first use.
*/

#include "extensionbuild.h"
#include "fpcbuild.h"
#include "scratchdir.h"

#include "platform/atomicfile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace fs = std::filesystem;
using quillon::WizardProject;
using namespace quillon::testing;

namespace {

const std::string kAwkward = "O'Brien's \"x\" {*$Author} {*$FreeRes} (*c*) {c} //c #9 \\ \xE9 \xC3\xBC\t''";

// A project with every text field awkward and every database answer set;
// the rows then choose the shape.
WizardProject awkwardProject()
{
    WizardProject p;
    p.HeaderFile = "C:\\web\\o'hara's header " + kAwkward + ".htm";
    p.FooterFile = "/srv/www/it's {*$HeaderHTML} footer.htm";
    p.DBName = "ALIAS'" + kAwkward;
    p.UserName = "o'user " + kAwkward;
    p.Password = "pa'ss\"word} " + kAwkward;
    p.TbInsData = "ins'table " + kAwkward;
    p.TbToBrowse = "cust'omer " + kAwkward;
    p.QrToBrowse = "SELECT NAME, CITY\r\nFROM customer\r\n\r\nWHERE NAME = 'Smith' \r\n  AND NOTE <> '" + kAwkward + "'";
    p.RetChosenFields = {"NAME", "O'Neil {*$Query}", kAwkward};
    p.PageTitle = "{*$Author}";
    p.ExtName = "Ext 'one' " + kAwkward;
    p.Copyright = "(c) 'us' " + kAwkward;
    p.Version = "1.0 'beta' " + kAwkward;
    p.Author = "O'Brien";
    p.Email = "o'brien@example.com " + kAwkward;
    p.Company = "A & B <co> " + kAwkward;
    p.OtherInfo = "line 'one'\r\n\r\n" + kAwkward + "\r\nlast }";
    return p;
}

void noTrailer(WizardProject &p)
{
    p.Copyright = p.Version = p.Author = p.Email = p.Company = p.OtherInfo = {};
    p.DoGenDate = p.DoGenTime = false;
}

struct MatrixRow
{
    std::string name;
    std::function<void(WizardProject &)> shape;
};

const std::vector<MatrixRow> &matrixRows()
{
    static const std::vector<MatrixRow> rows = {
        {"NoDatabase", [](WizardProject &p) { p.DBOk = false; noTrailer(p); }},
        {"NoDatabaseEmptyTitle", [](WizardProject &p) { p.DBOk = false; p.PageTitle.clear(); p.ExtName.clear(); noTrailer(p); }},
        {"HeaderOnly", [](WizardProject &p) { p.DBOk = false; p.HasHeaderFile = true; }},
        {"FooterOnly", [](WizardProject &p) { p.DBOk = false; p.HasFooterFile = true; }},
        {"HeaderAndFooter", [](WizardProject &p) { p.DBOk = false; p.HasHeaderFile = p.HasFooterFile = true; }},
        {"InputValues", [](WizardProject &p) { p.DBOk = false; p.Input = {"City", "Zip", "_x1"}; }},
        {"TableBrowseWithFields", [](WizardProject &) {}},
        {"TableBrowseWithoutFields", [](WizardProject &p) { p.RetChosenFields.clear(); }},
        {"QueryBrowseWithFields", [](WizardProject &p) { p.TbBrowse = false; p.QrBrowse = true; }},
        {"QueryBrowseWithoutFields", [](WizardProject &p) { p.TbBrowse = false; p.QrBrowse = true; p.RetChosenFields.clear(); }},
        {"QueryBrowseEmptySql", [](WizardProject &p) { p.TbBrowse = false; p.QrBrowse = true; p.QrToBrowse.clear(); }},
        {"InsertWithMapping", [](WizardProject &p) {
             p.DoBrowse = false; p.DoInsert = true;
             p.Input = {"Town", "Name"};
             p.UpdFields = {"CITY=Town", "NAME=Name", "O'Neil {x}=Town"};
         }},
        {"InsertWithoutMapping", [](WizardProject &p) { p.DoBrowse = false; p.DoInsert = true; }},
        {"InsertAfterQueryPage", [](WizardProject &p) {
             p.DoBrowse = false; p.DoInsert = true; p.TbBrowse = false; p.QrBrowse = true;
             p.Input = {"Town"}; p.UpdFields = {"CITY=Town"};
         }},
        {"NeitherBrowseNorInsert", [](WizardProject &p) { p.DoBrowse = false; p.DoInsert = false; }},
        {"LoginOff", [](WizardProject &p) { p.DoLogin = false; }},
        {"LoginOnEmptyCredentials", [](WizardProject &p) { p.UserName.clear(); p.Password.clear(); }},
        {"EveryTrailerLine", [](WizardProject &p) { p.DBOk = false; p.DoGenDate = p.DoGenTime = true; }},
        {"OtherInfoLoneBreaks", [](WizardProject &p) { p.DBOk = false; p.OtherInfo = "cr\rlf\nend\n"; }},
        {"Everything", [](WizardProject &p) {
             p.HasHeaderFile = p.HasFooterFile = true;
             p.Input = {"City", "Zip"};
             p.TbBrowse = false; p.QrBrowse = true;
             p.DoGenDate = p.DoGenTime = true;
         }},
    };
    return rows;
}

struct Compiled
{
    fs::path source;
    FpcResult result;
};

std::string readFile(const fs::path &path)
{
    return quillon::platform::readFile(path.string());
}

// Generates and compiles every row once; the results outlive the tests.
const std::map<std::string, Compiled> &compiledMatrix()
{
    static ScratchDir scratch;
    static const std::map<std::string, Compiled> compiled = [] {
        FpcBuild fpc(scratch.path());
        std::vector<FpcJob> jobs;
        for (const auto &row : matrixRows()) {
            WizardProject project = awkwardProject();
            row.shape(project);
            const fs::path dir = scratch.path() / row.name;
            jobs.push_back({writeGeneratedSource(project, dir, row.name), dir});
        }
        const auto results = fpc.compileAll(jobs, 2);
        std::map<std::string, Compiled> out;
        for (std::size_t i = 0; i < jobs.size(); ++i)
            out[matrixRows()[i].name] = {jobs[i].source, results[i]};
        return out;
    }();
    return compiled;
}

class FpcMatrix : public ::testing::TestWithParam<MatrixRow>
{
};

TEST_P(FpcMatrix, GeneratedSourceCompiles)
{
    const Compiled &c = compiledMatrix().at(GetParam().name);
    EXPECT_EQ(c.result.exitCode, 0) << "fpc output:\n" << c.result.log
                                    << "\ngenerated source:\n" << readFile(c.source);
    EXPECT_FALSE(c.result.output.empty()) << "no library in " << c.source.parent_path();
}

INSTANTIATE_TEST_SUITE_P(Shapes, FpcMatrix, ::testing::ValuesIn(matrixRows()),
                         [](const auto &info) { return info.param.name; });

// The matrix is only worth something if a broken source fails: the same
// build, given a source with an unbalanced literal, must report an error.
TEST(FpcMatrixBuild, ReportsSourceThatDoesNotCompile)
{
    ScratchDir scratch;
    FpcBuild fpc(scratch.path());
    const fs::path source = scratch.path() / "Broken.dpr";
    std::ofstream(source) << "library Broken;\nbegin\n  Writeln('O'Brien');\nend.\n";
    const FpcResult result = fpc.compile({source, scratch.path() / "out"});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_TRUE(result.output.empty());
    EXPECT_NE(result.log.find("Error"), std::string::npos) << result.log;
}

} // namespace
