#include "wizardfixture.h"

#include "tests/project/sampleproject.h"

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

TEST_F(Finish, FailuresShowTheInternalErrorAndClose)
{
    // No template recorded: generation fails and the wizard closes.
    QStringList script = toSummary(QStringLiteral("Hello"));
    script << "uncheck cbSaveProject" << "click btnFinish";
    QStringList t = run(script);
    QStringList boxes = only(t, {"box"});
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith(
        "box Error! | Internal error. Please contact Tarvik I.T. through support@tarvik.example\\n\\r"));
    EXPECT_TRUE(boxes[0].endsWith("File not found -> ok")) << boxes[0].toStdString();
    EXPECT_EQ(only(t, {"closed"}), QStringList{"closed"});
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("Hello.dpr"))));

    // The host cannot open the project: the file stays written.
    installTemplate();
    host.infoSucceeds = false;
    t = run(script);
    const QString out = QString::fromStdString(path("Hello.dpr"));
    EXPECT_EQ(only(t, {"box", "finish"}), (QStringList{"finish " + out, "box Error! | Could not open " + out + " -> ok"}));
    EXPECT_TRUE(QFile::exists(out));
}

} // namespace
