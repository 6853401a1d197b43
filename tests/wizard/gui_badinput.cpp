#include "wizardfixture.h"

#include "project/projectfile.h"

#include <QDir>

#include <fstream>

using namespace quillon;
using namespace quillon::wizard;
using namespace quillon::wizard::test;

namespace {

// Input that cannot work is named where it is typed: "Next >" stays on the
// page, says what is wrong with which file, and the field gets the focus.
struct BadInput
{
    const char *name;
    QStringList script;
    QStringList expected; // the box, show and focus lines after the last page line
};

class BadInputs : public WizardTest, public testing::WithParamInterface<BadInput>
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        std::ofstream("page.htm") << "<p>Welcome</p>\r\n";
        std::ofstream("logo.png", std::ios::binary) << std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        QDir().mkdir(QStringLiteral("web"));
        WizardProject gone;
        gone.DBName = "GONE";
        ProjectFile::save(gone, path("gone.qnp"));
    }
};

TEST_P(BadInputs, AreNamedWhereTyped)
{
    const QStringList t = run(GetParam().script);
    QStringList tail;
    for (const QString &line : t) {
        if (line.startsWith(QLatin1String("page ")))
            tail.clear();
        else if (line.startsWith(QLatin1String("box ")) || line.startsWith(QLatin1String("show ")) ||
                 line.startsWith(QLatin1String("focus ")))
            tail << line;
    }
    EXPECT_EQ(tail, GetParam().expected) << t.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadInputs,
    testing::Values(
        BadInput{"MissingHeader",
                 {"click btnNext", "check cbHEader", "type edHeader nope.htm", "click btnNext"},
                 {"focus cbHEader", "focus edHeader", "box Error! | The header file nope.htm does not exist. -> ok",
                  "focus btnNext", "focus edHeader"}},
        BadInput{"BinaryFooter",
                 {"click btnNext", "check cbFooter", "type edFooter logo.png", "click btnNext"},
                 {"focus cbFooter", "focus edFooter", "box Error! | The footer file logo.png is not a text file. -> ok",
                  "focus btnNext", "focus edFooter"}},
        BadInput{"FolderAsHeader",
                 {"click btnNext", "check cbHEader", "type edHeader web", "click btnNext"},
                 {"focus cbHEader", "focus edHeader", "box Error! | The header file web is not a file. -> ok",
                  "focus btnNext", "focus edHeader"}},
        BadInput{"TextFilesPass",
                 {"click btnNext", "check cbHEader", "type edHeader page.htm", "check cbFooter",
                  "type edFooter page.htm", "click btnNext"},
                 {"focus btnNext", "focus edValue"}},
        BadInput{"OutputFolderIsRefusedAsTyped",
                 with(toDBCheck, {"uncheck cbDataOK", "click btnNext", "type edPageTitle T", "type edExtName N",
                                  "click btnNext", "type edDLLFile web", "click btnNext", "show edDLLFile"}),
                 {"focus btnNext", "focus edDLLFile",
                  "box Error! | web is a folder: enter the name of the project source file to write. -> ok",
                  "focus btnNext", "focus edDLLFile",
                  R"(show edDLLFile {"enabled":true,"text":"web","visible":true})"}},
        BadInput{"LoadedAliasThatIsGone",
                 with({"file gone.qnp", "click btnLoad"}, with(toDBCheck, {"show cbDatabase"})),
                 {"box Error! | The database alias GONE no longer exists. Please choose another database. -> ok",
                  "focus btnNext",
                  R"(show cbDatabase {"enabled":true,"entries":["Archive","DBTest","SHOP"],"text":"","visible":true})"}}),
    [](const auto &info) { return std::string(info.param.name); });

// A project file named on the command line that does not exist is named,
// not opened as an empty project.
TEST_F(WizardTest, AMissingProjectFileIsNamed)
{
    prepare = [](TfrmWiz &w) {
        EXPECT_FALSE(w.openProjectFile(QStringLiteral("missing.qnp")));
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Quillon 1.0"));
    };
    const QStringList t = run({});
    EXPECT_EQ(only(t, {"box"}), QStringList{"box Quillon | Project file not found: missing.qnp -> ok"});
}

} // namespace
