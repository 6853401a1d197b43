#include "wizardfixture.h"

#include "tests/project/sampleproject.h"
#include "tests/support/readonlyfolder.h"

#include "platform/registry.h"
#include "project/projectfile.h"
#include "wizard/controls.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <fstream>
#include <sstream>

using namespace quillon;
using namespace quillon::wizard;
using namespace quillon::wizard::test;

namespace {

// A project that uses every field, with text that is not valid UTF-8: the
// awkward sample, with the values this file looks at and a company name a
// line edit shows as it is (no lone CR).
WizardProject everyField()
{
    WizardProject p = quillon::test::awkwardProject();
    p.HeaderFile = "/srv/www/caf\xe9.htm";
    p.HasFooterFile = false;
    p.DBName = "SHOP";
    p.PageTitle = "Kunden \xe2\x82\xac";
    p.Company = "Berg & Partners";
    return p;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(WizardTest, ProjectRoundTripsThroughTheWindowByteForByte)
{
    const WizardProject original = everyField();
    const std::string in = path("in.qnp"), out = path("out.qnp");
    ProjectFile::save(original, in);
    inspect = [&](TfrmWiz &w) {
        EXPECT_EQ(w.project(), original);
        EXPECT_EQ(w.windowTitle().toStdString(), "Quillon 1.0 - [" + in + "]");
        EXPECT_EQ(w.projectFileName().toStdString(), out); // saving names the project, the caption stays
        // What the loaded values enable; the load marked nothing as changed.
        const auto control = [&w](const char *name) { return w.findChild<QWidget *>(QLatin1String(name)); };
        EXPECT_TRUE(control("edHeader")->isEnabled());
        EXPECT_FALSE(control("edFooter")->isEnabled());
        EXPECT_FALSE(control("cbBRTable")->isEnabled());
        EXPECT_TRUE(control("moSQL")->isEnabled());
        EXPECT_TRUE(control("ExcludeBtn")->isEnabled());
        EXPECT_FALSE(w.context().dbChanged);
        EXPECT_FALSE(w.context().sourceChanged);
        EXPECT_EQ(w.context().db.alias(), "SHOP");
        // Shown as Windows-1252 where the text is not UTF-8.
        EXPECT_EQ(w.findChild<QLineEdit *>(QStringLiteral("edHeader"))->text(),
                  QString::fromUtf8("/srv/www/caf\xc3\xa9.htm"));
    };
    const QStringList t = run({"file " + QString::fromStdString(in), "click btnLoad", "file " + QString::fromStdString(out),
                               "click ebtnSave"});
    EXPECT_EQ(status, 0) << t.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(readFile(out), readFile(in));
    EXPECT_EQ(only(t, {"caption"}), QStringList{"caption Quillon 1.0 - [" + QString::fromStdString(in) + "]"});
}

TEST_F(WizardTest, EditedTextKeepsTheEncodingItWasShownIn)
{
    WizardProject p = everyField();
    ProjectFile::save(p, path("in.qnp"));
    inspect = [](TfrmWiz &w) {
        const WizardProject r = w.project();
        EXPECT_EQ(r.HeaderFile, "/srv/www/caf\xe9s.htm"); // Windows-1252 stays Windows-1252
        EXPECT_EQ(r.PageTitle, "Kunden \xe2\x82\xac!");    // UTF-8 stays UTF-8
    };
    run({"file " + QString::fromStdString(path("in.qnp")), "click btnLoad", "click btnNext",
         "type edHeader /srv/www/caf\xc3\xa9s.htm", "type edPageTitle Kunden \xe2\x82\xac!"});
}

TEST_F(WizardTest, FailedSaveAndLoadChangeNothing)
{
    const std::string bad = path("no/such/folder/p.qnp");
    inspect = [](TfrmWiz &w) {
        EXPECT_TRUE(w.projectFileName().isEmpty());
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Quillon 1.0"));
    };
    const QStringList t = run({"file " + QString::fromStdString(bad), "click ebtnSave", "file cancel", "click btnLoad"});
    const QStringList boxes = only(t, {"box"});
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("box Quillon | Unable to write to ") + QString::fromStdString(bad)))
        << boxes[0].toStdString();
}

TEST_F(WizardTest, SavingDoesNotChangeTheCaptionAndViewAsTextNeedsAFile)
{
    const QString file = QString::fromStdString(path("p.qnp"));
    const QStringList t = run({"click ViewasText1", "file " + file, "click ebtnSave", "click ViewasText1",
                               "show edProjectText", "close frmTextView"});
    EXPECT_EQ(only(t, {"box", "caption", "window"}),
              (QStringList{"box Error! | No current project file! Please save current project or open an existing one. -> ok",
                           "window Viewing as Text - [" + file + "]"}));
    EXPECT_EQ(status, 0) << t.join(QLatin1Char('\n')).toStdString();
}

// Finish, from the summary page of a project without a database.
class Finish : public WizardTest
{
protected:
    QStringList toSummary(const QString &output)
    {
        return {"click btnNext", "click btnNext", "click btnNext", "uncheck cbDataOK", "click btnNext",
                "type edPageTitle Hello", "type edExtName Hello", "click btnNext", "type edDLLFile " + output,
                "click btnNext"};
    }
    void installTemplate()
    {
        platform::Registry registry;
        registry.createKey(platform::Hive::LocalMachine, "SOFTWARE\\Borland\\Delphi\\2.0")
            .writeString("RootDir", QUILLON_PASCAL_DIR);
    }
};

TEST_F(Finish, SavesGeneratesAndOpensInTheHost)
{
    installTemplate();
    const QString out = QString::fromStdString(path("Hello.dpr"));
    QStringList script = toSummary(QStringLiteral("Hello"));
    script << "file " + QString::fromStdString(path("hello.qnp")) << "click btnFinish";
    const QStringList t = run(script);
    EXPECT_EQ(only(t, {"finish", "closed", "box"}), (QStringList{"finish " + out, "closed"}));
    EXPECT_EQ(host.calls, (QStringList{"close", "info " + out, "open " + out}));
    EXPECT_NE(readFile(out.toStdString()).find("library Hello;"), std::string::npos);
    EXPECT_NE(readFile(path("hello.qnp")).find("PageTitle=Hello"), std::string::npos);
}

TEST_F(Finish, CancelledSaveKeepsTheWizardOpen)
{
    installTemplate();
    QStringList script = toSummary(QStringLiteral("Hello"));
    script << "file cancel" << "click btnFinish" << "show btnFinish";
    const QStringList t = run(script);
    EXPECT_EQ(only(t, {"finish", "closed"}), QStringList{});
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("Hello.dpr"))));
}

// A Finish that cannot write the source says which file and why, and keeps
// the wizard open on its page with every answer: the user mends the output
// name and finishes.
struct FinishFailure
{
    const char *name;
    const char *output;   // edDLLFile, under the test folder
    const char *prepare;  // "template", "readonly" (the folder ro), "file" (afile is a file)
    const char *written;  // the file the error names, under the test folder unless absolute
    const char *cause;
};

class FinishFailures : public Finish, public testing::WithParamInterface<FinishFailure>
{};

TEST_P(FinishFailures, KeepEveryAnswer)
{
    const FinishFailure &c = GetParam();
    const std::string prepare = c.prepare;
    if (prepare != "template")
        installTemplate();
    if (prepare == "readonly") {
        QDir(QString::fromStdString(path(""))).mkdir(QStringLiteral("ro"));
        // Where the machine allows neither (root in a container without
        // mount rights), the folder rows that need no privilege still run.
        if (const std::string why = quillon::test::makeFolderReadOnly(path("ro")); !why.empty())
            GTEST_SKIP() << "cannot make a read-only folder here: " << why;
    }
    if (prepare == "file")
        std::ofstream(path("afile")) << "a file, not a folder";
    QStringList script = toSummary(QString::fromLatin1(c.output));
    script << "uncheck cbSaveProject" << "click btnFinish" << "show edPageTitle" << "show btnFinish";
    // Nothing was lost: with a good output name Finish goes through.
    const bool retry = prepare != "template";
    if (retry)
        script << "click btnBack" << "type edDLLFile Hello" << "click btnNext" << "click btnFinish";
    inspect = [&](TfrmWiz &w) {
        EXPECT_EQ(w.currentPage(), Page::Info);
        EXPECT_EQ(w.wroteSource(), retry);
    };
    const QStringList t = run(script);
    if (prepare == "readonly")
        quillon::test::makeFolderWritable(path("ro"));
    const QString written =
        c.written[0] == '/' ? QString::fromLatin1(c.written) : QString::fromStdString(path(c.written));
    QStringList expected{"box Error! | Internal error. Please contact Tarvik I.T. through "
                         "support@tarvik.example\\n\\r" + written + ": " + c.cause + " -> ok",
                         R"(show edPageTitle {"enabled":true,"text":"Hello","visible":false})",
                         R"(show btnFinish {"enabled":true,"text":"&Finish","visible":true})"};
    const QString out = QString::fromStdString(path("Hello.dpr"));
    if (retry)
        expected << "finish " + out << "closed";
    EXPECT_EQ(only(t, {"box", "closed", "finish", "show"}), expected) << t.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(QFile::exists(written));
    EXPECT_EQ(QFile::exists(out), retry);
    EXPECT_EQ(status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FinishFailures,
    testing::Values(FinishFailure{"NoTemplate", "Hello", "template", "/template.dpr", "File not found"},
                    FinishFailure{"MissingFolder", "missing/Hello", "", "missing/Hello.dpr", "File not found"},
                    FinishFailure{"PathThroughAFile", "afile/Hello", "file", "afile/Hello.dpr", "File not found"},
                    FinishFailure{"ReadOnlyFolder", "ro/Hello", "readonly", "ro/Hello.dpr", "File access denied"}),
    [](const auto &info) { return std::string(info.param.name); });

// Finish over a source its user edited since Quillon wrote it: the user
// chooses to replace it, to merge the project's change into it, or to
// cancel, which leaves the file and the wizard as they were.
struct EditedRow
{
    const char *name;
    const char *edit;    // replaces the page title's line, nullptr: a line of the user's own is added
    const char *answer;
    bool written;        // Finish went through and the wizard closed
    bool editKept;
    bool changeTaken;
    bool conflict;
};

class FinishOverEdits : public Finish, public testing::WithParamInterface<EditedRow>
{};

TEST_P(FinishOverEdits, AsksFirst)
{
    const EditedRow &c = GetParam();
    installTemplate();
    QStringList script = toSummary(QStringLiteral("Hello"));
    script << "uncheck cbSaveProject" << "click btnFinish";
    ASSERT_EQ(only(run(script), {"finish"}).size(), 1);
    const std::string out = path("Hello.dpr");
    std::string text = readFile(out);
    const std::string title = "PrepareString('Hello')";
    const std::string edit = c.edit ? c.edit : "// mine\r\nbegin";
    const auto at = text.find(c.edit ? title : "\r\nbegin\r\n");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(c.edit ? at : at + 2, c.edit ? title.size() : 5, edit);
    std::ofstream(out, std::ios::binary) << text;

    host.calls.clear();
    script = toSummary(QStringLiteral("Hello"));
    script << "click btnBack" << "click btnBack" << "type edPageTitle Bye" << "click btnNext" << "click btnNext"
           << "uncheck cbSaveProject" << "answer " + QString::fromLatin1(c.answer) << "click btnFinish";
    const QStringList t = run(script);
    QStringList expected{"box Quillon | " + QString::fromStdString(out) +
                         " has been changed since Quillon generated it.\\n\\nReplace: write the new source over "
                         "your changes.\\nMerge: keep your changes and bring in the project's; lines both "
                         "changed are marked.\\nCancel: leave the file and the wizard as they are. -> " +
                         QString::fromLatin1(c.answer)};
    if (c.conflict)
        expected << "box Quillon | " + QString::fromStdString(out) +
                        ": your edits and the project's changes meet on the same lines; both are in the file "
                        "between <<<<<<< and >>>>>>> markers. -> ok";
    if (c.written)
        expected << "closed";
    EXPECT_EQ(only(t, {"box", "closed"}), expected) << t.join(QLatin1Char('\n')).toStdString();
    const std::string after = readFile(out);
    if (!c.written) {
        EXPECT_EQ(after, text);
    }
    EXPECT_EQ(after.find(edit) != std::string::npos, c.editKept) << after;
    EXPECT_EQ(after.find("PrepareString('Bye')") != std::string::npos, c.changeTaken) << after;
    EXPECT_EQ(after.find("<<<<<<< Hello.dpr (your edits)") != std::string::npos, c.conflict) << after;
    // The host opens what was written, markers and all.
    const QString source = QString::fromStdString(out);
    const QStringList opened{"close", "info " + source, "open " + source};
    EXPECT_EQ(host.calls, c.written ? opened : QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FinishOverEdits,
    testing::Values(EditedRow{"CancelLeavesAll", nullptr, "cancel", false, true, false, false},
                    EditedRow{"Replace", nullptr, "replace", true, false, true, false},
                    EditedRow{"MergeKeepsTheEditAndTakesTheChange", nullptr, "merge", true, true, true, false},
                    EditedRow{"MergeMarksAConflict", "PrepareString('Mine')", "merge", true, true, true, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Finish, AHostThatCannotOpenTheSourceLeavesItWritten)
{
    installTemplate();
    host.infoSucceeds = false;
    QStringList script = toSummary(QStringLiteral("Hello"));
    script << "uncheck cbSaveProject" << "click btnFinish";
    const QStringList t = run(script);
    const QString out = QString::fromStdString(path("Hello.dpr"));
    EXPECT_EQ(only(t, {"box", "finish"}), (QStringList{"finish " + out, "box Error! | Could not open " + out + " -> ok"}));
    EXPECT_TRUE(QFile::exists(out));
}

} // namespace
