/*
** The real host offscreen with the real libKestrel.so: the library loads
** from the registry's list of experts, "Qu&illon" stands at index 9 with
** its items, "&Show WebBar" hides and shows the bar with the check
** following, the gallery lists the expert, the tool services Finish uses
** are recorded, and a library that cannot be loaded is reported. Through
** the script driver, as a user: unsaved edits are asked about before they
** could be lost, help opens inside the IDE, the last project comes back,
** closed panels return, and the editor's commands act on it.
*/

#include "idehost/hostscript.h"
#include "idehost/buildpanel.h"
#include "idehost/idehelp.h"
#include "idehost/idemainwindow.h"
#include "idehost/startpage.h"
#include "wizard/helpwindow.h"
#include "platform/registry.h"
#include "../support/isolatedfolder.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTextBrowser>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QAbstractButton>
#include <QPushButton>
#include <QMessageBox>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <Qsci/qsciscintilla.h>
#include <QTemporaryDir>

#include <stdexcept>

#include <gtest/gtest.h>

#include <cstdlib>

namespace quillon::idehost {
namespace {

// A widget of a window, found by its name: the windows keep their widgets private.
template <typename W>
W *part(const QObject &owner, const char *name)
{
    W *w = owner.findChild<W *>(QLatin1String(name));
    if (!w)
        throw std::runtime_error(std::string("no widget ") + name);
    return w;
}

class IdeHostTest : public ::testing::Test
{
protected:
    QString path(const char *name) const { return m_folder.qpath(name); }

private:
    quillon::test::IsolatedFolder m_folder;
};

QAction *quillonMenuAction(IdeMainWindow &window)
{
    return window.menuBar()->findChild<QAction *>(QStringLiteral("TQNMenu"));
}

TEST_F(IdeHostTest, TheExpertLoadsFromTheRegistryAndBuildsItsMenuAndWebBar)
{
    platform::Registry().createKey(platform::Hive::CurrentUser, "Software\\Borland\\Delphi\\2.0\\Experts")
        .writeString("Kestrel", KESTREL_LIBRARY);
    IdeMainWindow window;
    window.show();
    window.loadRegisteredExperts();
    EXPECT_EQ(part<QListWidget>(window, "messages")->count(), 0);
    EXPECT_TRUE(part<QPushButton>(window, "btnStartLoad")->isEnabled()) << "the expert gave Load Project";
    ASSERT_EQ(window.experts().size(), 1u);
    EXPECT_STREQ(window.experts()[0]->GetIDString(), "Developers.Kestrel");

    const QList<QAction *> top = window.menuBar()->actions();
    ASSERT_GE(top.size(), 11);
    EXPECT_EQ(top.at(8)->objectName(), QStringLiteral("ToolsItem"));
    EXPECT_EQ(top.at(9)->text(), QStringLiteral("Qu&illon"));
    EXPECT_EQ(top.at(9), quillonMenuAction(window));
    // Menus without items keep their places but are not shown.
    QStringList shown;
    for (QAction *a : top)
        if (a->isVisible())
            shown << a->text();
    EXPECT_EQ(shown, QStringList({"&File", "&Edit", "&Search", "&View", "&Project", "&Run", "Qu&illon", "&Help"}));
    QStringList items;
    for (QAction *a : top.at(9)->menu()->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(items, QStringList({"&New Web Application", "&Load Project", "-", "&Show WebBar"}));

    // Listed a second time (as --expert would): reported, not entered again.
    EXPECT_TRUE(window.loadExpert(QStringLiteral("Again"), QStringLiteral(KESTREL_LIBRARY)));
    ASSERT_EQ(part<QListWidget>(window, "messages")->count(), 1);
    EXPECT_EQ(part<QListWidget>(window, "messages")->item(0)->text(),
              QStringLiteral("Expert Again: %1 is already loaded").arg(QStringLiteral(KESTREL_LIBRARY)));
    EXPECT_EQ(window.experts().size(), 1u);
    EXPECT_EQ(window.menuBar()->actions().size(), top.size());
    EXPECT_EQ(window.findChildren<QWidget *>(QStringLiteral("frmWebBar")).size(), 1);
    part<QListWidget>(window, "messages")->clear();

    auto *bar = window.findChild<QWidget *>(QStringLiteral("frmWebBar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    quillon::test::screenshotIfAsked(window, "ide-main");
    quillon::test::screenshotIfAsked(*bar, "ide-webbar");
    top.at(9)->menu()->popup(QPoint(0, 0));
    quillon::test::screenshotIfAsked(*top.at(9)->menu(), "ide-quillon-menu");
    top.at(9)->menu()->hide();
    QAction *show = top.at(9)->menu()->actions().at(3);
    EXPECT_TRUE(show->isChecked());
    show->trigger();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(show->isChecked());
    show->trigger();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(show->isChecked());
    EXPECT_TRUE(show->isEnabled());

    // The bar never covers the editor or the panels: put over the editor
    // area, then over the Messages panel, it goes to the menu bar's free end
    // when the window is resized, and when shown again.
    const auto area = [&](const char *name) {
        QWidget *c = name ? static_cast<QWidget *>(part<QListWidget>(window, name))
                          : part<QWidget>(window, "startPage")->parentWidget();
        return QRect(c->mapToGlobal(QPoint(0, 0)), c->size());
    };
    const auto centre = [&] { return area(nullptr).united(area("messages")); };
    for (int round = 0; round < 2; ++round) {
        window.resize(900, 600);
        QTest::qWait(20);
        bar->move(round == 0 ? area(nullptr).center() : area("messages").topLeft() + QPoint(40, 2));
        ASSERT_TRUE(bar->frameGeometry().intersects(centre()));
        if (round == 0) {
            window.resize(1000, 700);
        } else {
            show->trigger();
            show->trigger();
        }
        QTest::qWait(50);
        EXPECT_FALSE(bar->frameGeometry().intersects(centre())) << "round " << round;
        EXPECT_LE(bar->frameGeometry().top(), window.menuBar()->mapToGlobal(QPoint(0, 0)).y()) << "round " << round;
    }

    // File > New: the gallery's "Projects" page lists the expert with its comment and glyph.
    QStringList listed;
    QTimer::singleShot(0, [&] {
        auto *gallery = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(gallery, nullptr);
        auto *page = gallery->findChild<QListWidget *>(QStringLiteral("Projects"));
        ASSERT_NE(page, nullptr);
        for (int i = 0; i < page->count(); ++i)
            listed << page->item(i)->text() + " | " + page->item(i)->toolTip() +
                          (page->item(i)->icon().isNull() ? " | no glyph" : "");
        gallery->reject();
    });
    window.findChild<QAction *>(QStringLiteral("FileNewItem"))->trigger();
    EXPECT_EQ(listed, QStringList({"ISAPI Extension Expert | Generate compile-ready source code for an ISAPI Extension DLL."}));

    // What Finish asks of the IDE, through the tool services the expert holds.
    QFile source(path("Ext.dpr"));
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    source.write("library Ext; { caf\xe9 }\r\nbegin\r\nend.\r\n");
    source.close();
    expert::TIToolServices &services = window.toolServices();
    services.CloseProject();
    EXPECT_FALSE(services.OpenProjectInfo(path("missing.dpr").toLocal8Bit().constData()));
    EXPECT_TRUE(services.OpenProjectInfo(path("Ext.dpr").toLocal8Bit().constData()));
    services.OpenProject(path("Ext.dpr").toLocal8Bit().constData());
    EXPECT_EQ(part<QsciScintilla>(window, "editor")->text(), QString::fromLatin1("library Ext; { caf\xe9 }\r\nbegin\r\nend.\r\n"));
    EXPECT_EQ(window.calls(), QStringList({"ide closeproject", "ide openprojectinfo " + path("missing.dpr") + " -> false",
                                           "ide openprojectinfo " + path("Ext.dpr") + " -> true",
                                           "ide openproject " + path("Ext.dpr")}));

    // An edit saved goes back as the same 8-bit bytes, CR LF kept.
    part<QsciScintilla>(window, "editor")->setCursorPosition(1, 5);
    part<QsciScintilla>(window, "editor")->insert(QStringLiteral(" { \u00e0 }"));
    ASSERT_TRUE(window.saveProject());
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(source.readAll(), QByteArray("library Ext; { caf\xe9 }\r\nbegin { \xe0 }\r\nend.\r\n"));
}

TEST_F(IdeHostTest, ALibraryThatCannotBeEnteredIsReportedAndTheHostGoesOn)
{
    IdeMainWindow window;
    EXPECT_FALSE(window.loadExpert(QStringLiteral("Missing"), path("nothere.so")));
    EXPECT_FALSE(window.loadExpert(QStringLiteral("NoEntry"), QStringLiteral(NO_ENTRY_LIBRARY)));
    ASSERT_EQ(part<QListWidget>(window, "messages")->count(), 2);
    EXPECT_TRUE(part<QListWidget>(window, "messages")->item(0)->text().startsWith("Expert Missing: cannot load " + path("nothere.so")));
    EXPECT_EQ(part<QListWidget>(window, "messages")->item(1)->text(),
              QStringLiteral("Expert NoEntry: %1 has no entry INITEXPERT0016").arg(QStringLiteral(NO_ENTRY_LIBRARY)));
    EXPECT_TRUE(window.experts().empty());
}

TEST_F(IdeHostTest, AnExpertsTerminationProcedureRunsWhenTheHostCloses)
{
    const QString log = path("expert.log");
    qputenv("QUILLON_FAKE_EXPERT_LOG", QFile::encodeName(log));
    {
        qputenv("QUILLON_FAKE_EXPERT_FAIL", "1");
        IdeMainWindow window;
        EXPECT_FALSE(window.loadExpert(QStringLiteral("Fake"), QStringLiteral(FAKE_EXPERT_LIBRARY)));
        ASSERT_EQ(part<QListWidget>(window, "messages")->count(), 1);
        EXPECT_EQ(part<QListWidget>(window, "messages")->item(0)->text(),
                  QStringLiteral("Expert Fake: %1 failed to start").arg(QStringLiteral(FAKE_EXPERT_LIBRARY)));
        qunsetenv("QUILLON_FAKE_EXPERT_FAIL");
    }
    EXPECT_FALSE(QFileInfo::exists(log)) << "an entry that failed left no procedure";
    {
        IdeMainWindow window;
        EXPECT_TRUE(window.loadExpert(QStringLiteral("Fake"), QStringLiteral(FAKE_EXPERT_LIBRARY)));
        EXPECT_EQ(part<QListWidget>(window, "messages")->count(), 0);
        EXPECT_FALSE(QFileInfo::exists(log));
    }
    QFile written(log);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("terminated\n")) << "called once, when the window went";
    qunsetenv("QUILLON_FAKE_EXPERT_LOG");
}

// The whole road through the real host and library, as a script drives it:
// the expert chosen from the menu or the gallery, the wizard walked to
// Finish, the generated project open in the editor.
class HostScriptTest : public IdeHostTest
{
protected:
    QStringList run(const QStringList &lines)
    {
        platform::Registry registry;
        registry.createKey(platform::Hive::LocalMachine, "SOFTWARE\\Borland\\Delphi\\2.0")
            .writeString("RootDir", QUILLON_PASCAL_DIR);
        QStringList transcript;
        HostScript script(window, [&](const QString &line) { transcript << line; });
        window.show();
        window.loadExpert(QStringLiteral("Kestrel"), QStringLiteral(KESTREL_LIBRARY));
        status = script.run(lines);
        return transcript;
    }
    // Welcome to the summary of a project without a database.
    QStringList toSummary(const QString &name) const
    {
        return {"click btnNext", "click btnNext", "click btnNext", "uncheck cbDataOK", "click btnNext",
                "type edPageTitle " + name, "type edExtName " + name, "click btnNext", "type edDLLFile " + path("") + name,
                "click btnNext"};
    }
    static QStringList only(const QStringList &t, const QStringList &kinds)
    {
        QStringList kept;
        for (const QString &line : t)
            if (kinds.contains(line.section(QLatin1Char(' '), 0, 0)))
                kept << line;
        return kept;
    }

    IdeMainWindow window;
    int status = -1;
};

// One process loads the library once, as the IDE does: one row a test.
class HostRoad : public HostScriptTest, public ::testing::WithParamInterface<const char *>
{};

TEST_P(HostRoad, FinishOpensTheProjectInTheEditor)
{
    QStringList script{QString::fromLatin1(GetParam())};
    script << toSummary(QStringLiteral("Hello")) << "file " + path("hello.qnp") << "click btnFinish"
           << "menu &Project/&Compile" << "type edRequest City=Lyon" << "key edRequest Return";
    const QStringList t = run(script);
    const QString out = path("Hello.dpr");
    EXPECT_EQ(only(t, {"finish", "ide", "closed", "error", "compile", "run"}),
              (QStringList{"finish " + out, "ide closeproject", "ide openprojectinfo " + out + " -> true",
                           "ide openproject " + out, "closed", "compile " + out + " -> ok",
                           "run " + path("libHello.so") + " City=Lyon -> 200 OK"}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(window.projectPath(), out);
    EXPECT_TRUE(part<QsciScintilla>(window, "editor")->text().startsWith(QStringLiteral("library Hello;")));
    // The page the extension returned, rendered and as source.
    EXPECT_EQ(part<QTextBrowser>(window, "pageView")->documentTitle(), QStringLiteral("Hello"));
    EXPECT_TRUE(part<QPlainTextEdit>(window, "pageSource")->toPlainText().contains(QStringLiteral("<TITLE>Hello</TITLE>")));
    EXPECT_EQ(part<QLabel>(window, "runStatus")->text(), QStringLiteral("200 OK"));
    EXPECT_EQ(part<QLabel>(window, "buildState")->text(), QStringLiteral("Run: 200 OK"));
}

// The build commands and the Build panel follow the open project: nothing
// to build without one, and another project starts with an empty panel.
TEST_F(HostScriptTest, TheBuildPanelFollowsTheProject)
{
    auto *compile = window.findChild<QAction *>(QStringLiteral("ProjectCompileItem"));
    auto *runItem = window.findChild<QAction *>(QStringLiteral("RunRunItem"));
    ASSERT_TRUE(compile && runItem);
    EXPECT_FALSE(compile->isEnabled());
    EXPECT_FALSE(runItem->isEnabled());
    QStringList script{"menu Qu&illon/&New Web Application"};
    script << toSummary(QStringLiteral("Hello")) << "file " + path("hello.qnp") << "click btnFinish"
           << "type edRequest City=Lyon";
    const QStringList t = run(script);
    EXPECT_EQ(status, 0) << t.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(compile->isEnabled());
    EXPECT_TRUE(runItem->isEnabled());
    EXPECT_EQ(part<QListWidget>(window, "messages")->item(part<QListWidget>(window, "messages")->count() - 1)->text(), "Opened " + path("Hello.dpr"));
    EXPECT_EQ(part<QLineEdit>(window, "edRequest")->text(), QStringLiteral("City=Lyon"));

    HostScript closing(window, [](const QString &) {});
    EXPECT_EQ(closing.run({"menu &File/&Close Project"}), 0);
    EXPECT_FALSE(compile->isEnabled());
    EXPECT_FALSE(runItem->isEnabled());
    EXPECT_EQ(part<QLineEdit>(window, "edRequest")->text(), QString());
    EXPECT_EQ(part<QLabel>(window, "buildState")->text(), QString());
}

// In the Replace bar Tab goes from Find to Replace with, then to the buttons.
TEST_F(HostScriptTest, TheReplaceBarTabsFromFindToReplaceWith)
{
    auto *find = window.findChild<QLineEdit *>(QStringLiteral("edFind"));
    auto *replace = window.findChild<QLineEdit *>(QStringLiteral("edReplace"));
    ASSERT_TRUE(find && replace);
    EXPECT_EQ(find->nextInFocusChain(), replace);
    EXPECT_EQ(replace->nextInFocusChain()->objectName(), QStringLiteral("btnFindNext"));
}

TEST_F(HostScriptTest, ACompilerErrorTakesYouToItsLine)
{
    platform::Registry().createKey(platform::Hive::LocalMachine, "SOFTWARE\\Borland\\Delphi\\2.0")
        .writeString("RootDir", QUILLON_PASCAL_DIR);
    QFile source(path("Broken.dpr"));
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    source.write("library Broken;\r\nbegin\r\n  Undeclared := 1;\r\nend.\r\n");
    source.close();
    window.openProject(path("Broken.dpr"));
    EXPECT_FALSE(window.compileProject());
    QListWidget *list = part<QListWidget>(window, "buildMessages");
    QListWidgetItem *error = nullptr;
    for (int i = 0; i < list->count() && !error; ++i)
        if (list->item(i)->text().contains(QStringLiteral("Broken.dpr(3,")))
            error = list->item(i);
    ASSERT_NE(error, nullptr) << "no message at line 3";
    emit list->itemActivated(error);
    int line = -1, column = -1;
    part<QsciScintilla>(window, "editor")->getCursorPosition(&line, &column);
    EXPECT_EQ(line, 2); // the editor counts from 0
    EXPECT_EQ(column, 2);
    EXPECT_FALSE(QFileInfo::exists(path("libBroken.so")));
}

// A project open in the editor with an edit typed into it, as a user would.
class UnsavedTest : public HostScriptTest
{
protected:
    static constexpr char kOriginal[] = "library Ext;\r\nbegin\r\nend.\r\n";
    static constexpr char kEdited[] = "{ edit }library Ext;\r\nbegin\r\nend.\r\n";

    void SetUp() override
    {
        writeFile("Ext.dpr", kOriginal);
        writeFile("Other.dpr", "library Other;\r\nbegin\r\nend.\r\n");
        window.openProject(path("Ext.dpr"));
    }
    void writeFile(const char *name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray onDisk(const char *name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }
    static QString question(const char *file)
    {
        return QStringLiteral("box Quillon IDE | The project %1 has been modified.\\nDo you want to save your changes? -> ")
            .arg(QLatin1String(file));
    }
};

struct UnsavedRow
{
    const char *what;      // what replaces the project or ends the IDE
    const char *answer;
    bool saved;            // the edit reached the file
    bool ideOpen;          // the main window is still shown
    const char *projectAfter; // the file open in the editor afterwards
};

class UnsavedQuestion : public UnsavedTest, public ::testing::WithParamInterface<UnsavedRow>
{};

TEST_P(UnsavedQuestion, AsksBeforeTheEditsCouldBeLostAndDoesWhatWasAnswered)
{
    const UnsavedRow &row = GetParam();
    QStringList script{"type editor { edit }"};
    const QString what = QString::fromLatin1(row.what);
    if (what == QLatin1String("close"))
        script << "answer " + QString::fromLatin1(row.answer) << "close ide";
    else if (what == QLatin1String("open"))
        script << "answer " + QString::fromLatin1(row.answer) << "file " + path("Other.dpr") << "menu &File/&Open...";
    else // closeProject from the expert's Finish, reached by File > New
        script << "gallery ISAPI Extension Expert" << toSummary(QStringLiteral("Hello"))
               << "file " + path("hello.qnp") << "answer " + QString::fromLatin1(row.answer) << "click btnFinish";
    const QStringList t = run(script);
    EXPECT_EQ(status, 0) << t.join('\n').toStdString();
    EXPECT_EQ(only(t, {"box"}), QStringList{question("Ext.dpr") + QString::fromLatin1(row.answer)});
    EXPECT_EQ(onDisk("Ext.dpr"), QByteArray(row.saved ? kEdited : kOriginal));
    EXPECT_EQ(window.isVisible(), row.ideOpen);
    EXPECT_EQ(QFileInfo(window.projectPath()).fileName(), QString::fromLatin1(row.projectAfter));
    if (row.ideOpen) {
        // Cancel keeps the edit in the editor, marked as not saved; else
        // the editor shows the new project as it is on disk.
        const bool kept = QFileInfo(window.projectPath()).fileName() == QLatin1String("Ext.dpr");
        EXPECT_EQ(part<QsciScintilla>(window, "editor")->text().startsWith(QLatin1String("{ edit }")), kept);
        EXPECT_EQ(window.isWindowModified(), kept);
        EXPECT_EQ(part<QTabWidget>(window, "editorTabs")->tabText(0), QFileInfo(window.projectPath()).fileName() + (kept ? "*" : ""));
    }
    if (what == QLatin1String("finish")) {
        EXPECT_TRUE(QFileInfo::exists(path("Hello.dpr"))) << "the generated source is written whatever the answer";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnsavedQuestion,
    ::testing::Values(UnsavedRow{"close", "save", true, false, "Ext.dpr"},
                      UnsavedRow{"close", "discard", false, false, "Ext.dpr"},
                      UnsavedRow{"close", "cancel", false, true, "Ext.dpr"},
                      UnsavedRow{"open", "save", true, true, "Other.dpr"},
                      UnsavedRow{"open", "discard", false, true, "Other.dpr"},
                      UnsavedRow{"open", "cancel", false, true, "Ext.dpr"},
                      UnsavedRow{"finish", "save", true, true, "Hello.dpr"},
                      UnsavedRow{"finish", "discard", false, true, "Hello.dpr"},
                      UnsavedRow{"finish", "cancel", false, true, "Ext.dpr"}));

TEST_F(UnsavedTest, TheModifiedMarkFollowsTheEditorAndNothingUnchangedIsAskedAbout)
{
    EXPECT_FALSE(window.isWindowModified());
    EXPECT_EQ(part<QTabWidget>(window, "editorTabs")->tabText(0), QStringLiteral("Ext.dpr"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Quillon IDE - Ext.dpr[*]"));
    const QStringList t = run({"type editor x", "menu &Edit/&Undo", "close ide"});
    EXPECT_EQ(part<QLabel>(window, "caretPosition")->text(), QStringLiteral("Line 1, Col 1")) << "back where the undone x began";
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(only(t, {"box"}).isEmpty()) << "undone to the saved text: nothing to ask";
    EXPECT_FALSE(window.isVisible());
}

TEST_F(UnsavedTest, ASaveThatFailsSaysWhyAndKeepsTheIdeAndTheEdit)
{
    QDir(path("")).mkpath("gone");
    writeFile("gone/Ext.dpr", kOriginal);
    window.openProject(path("gone/Ext.dpr"));
    ASSERT_TRUE(QDir(path("gone")).removeRecursively());
    const QStringList t = run({"type editor { edit }", "answer save", "close ide"});
    const QStringList boxes = only(t, {"box"});
    ASSERT_EQ(boxes.size(), 2) << t.join('\n').toStdString();
    EXPECT_TRUE(boxes.at(1).startsWith(QStringLiteral("box Quillon IDE | "))) << boxes.at(1).toStdString();
    EXPECT_TRUE(boxes.at(1).contains(path("gone/Ext.dpr"))) << "the message names the file";
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(part<QsciScintilla>(window, "editor")->text().startsWith(QLatin1String("{ edit }")));
    EXPECT_TRUE(window.isWindowModified());
}

// The real question, answered with a real click, for its picture.
TEST_F(UnsavedTest, TheQuestionIsQtsStandardOne)
{
    window.show();
    QTest::keyClicks(part<QsciScintilla>(window, "editor"), QStringLiteral("x"));
    QStringList buttons;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        quillon::test::screenshotIfAsked(*box, "ide-unsaved-question");
        for (QAbstractButton *b : box->buttons())
            buttons << QString::number(box->standardButton(b), 16);
        QTest::mouseClick(static_cast<QWidget *>(box->button(QMessageBox::Cancel)), Qt::LeftButton);
    });
    EXPECT_FALSE(window.close());
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({"400000", "800", "800000"})) << "Cancel, Save, Discard";
    EXPECT_TRUE(window.isVisible());
}

TEST_F(HostScriptTest, HelpOpensInsideTheIdeOnThePagesTopicAndFromItsHelpMenu)
{
    platform::Registry().createKey(platform::Hive::CurrentUser, "Software\\Tarvik\\Quillon")
        .writeString("InstallPath", QFileInfo(QUILLON_HELP_FILE).absolutePath().toStdString());
    const QString file = QFileInfo(QUILLON_HELP_FILE).absoluteFilePath();
    QString pageTitle;
    QStringList transcript;
    HostScript script(window, [&](const QString &line) {
        transcript << line;
        if (line.startsWith(QLatin1String("show HelpWindow"))) {
            auto *help = qobject_cast<wizard::HelpWindow *>(QApplication::activeWindow());
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->objectName() == QLatin1String("HelpWindow") && w->isVisible())
                    help = qobject_cast<wizard::HelpWindow *>(w);
            if (help) {
                pageTitle = help->browser()->documentTitle();
                quillon::test::screenshotIfAsked(*help, "ide-help-page");
            }
        }
    });
    window.show();
    window.loadExpert(QStringLiteral("Kestrel"), QStringLiteral(KESTREL_LIBRARY));
    status = script.run({"click btnStartNew", "click btnNext", "click btnHelp", "show HelpWindow", "click btnCancel",
                         "menu &Help/&Contents", "menu &Help/&About...", "close AboutBox"});
    EXPECT_EQ(status, 0) << transcript.join('\n').toStdString();
    // The wizard, its help on the header and footer page, then the IDE's
    // own help window on the contents and its About box.
    EXPECT_EQ(only(transcript, {"help", "box", "window", "error"}).join('\n').toStdString(),
              QStringList({"window Quillon 1.0", "help " + file + " 6", "window Quillon Help", "help " + file + " contents",
                           "window Quillon Help", "window About Quillon"})
                  .join('\n')
                  .toStdString());
    EXPECT_FALSE(pageTitle.isEmpty()) << "the header and footer topic is shown";
    auto *contents = window.help().contentsWindow();
    ASSERT_NE(contents, nullptr);
    EXPECT_TRUE(contents->isVisible());
    EXPECT_EQ(contents->browser()->source().fileName(), QStringLiteral("contents.html"));
    quillon::test::screenshotIfAsked(*contents, "ide-help-contents");
}

TEST_F(HostScriptTest, HelpContentsWithoutTheHelpFileNamesTheFile)
{
    const QStringList t = run({"menu &Help/&Contents"});
    const QStringList boxes = only(t, {"box"});
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.at(0).startsWith(QStringLiteral("box Quillon IDE | "))) << boxes.at(0).toStdString();
    EXPECT_TRUE(boxes.at(0).contains(QStringLiteral("QUILLON.HLP"))) << boxes.at(0).toStdString();
}

TEST_F(UnsavedTest, TheLastProjectIsReopenedButNotListedAmongQuillonProjects)
{
    const QStringList t = run({"file " + path("Other.dpr"), "menu &File/&Open...", "close ide"});
    EXPECT_EQ(status, 0);
    {
        IdeMainWindow again;
        again.reopenLastProject();
        EXPECT_EQ(again.projectPath(), path("Other.dpr"));
        EXPECT_TRUE(part<QsciScintilla>(again, "editor")->text().startsWith(QLatin1String("library Other;")));
        again.closeProject();
        EXPECT_TRUE(part<QWidget>(again, "startPage")->isVisibleTo(&again));
        EXPECT_FALSE(part<QsciScintilla>(again, "editor")->isVisibleTo(&again));
        QStringList listed;
        for (int i = 0; i < part<QListWidget>(again, "lbRecent")->count(); ++i)
            listed << part<QListWidget>(again, "lbRecent")->item(i)->data(Qt::UserRole).toString();
        EXPECT_EQ(listed, QStringList()) << "Pascal sources are not Quillon projects";
    }
    IdeMainWindow closedFirst; // the project was closed before the IDE stopped
    closedFirst.reopenLastProject();
    EXPECT_TRUE(closedFirst.projectPath().isEmpty());

    // A project removed since is said so, and the IDE starts empty.
    IdeMainWindow opener;
    opener.openProject(path("Ext.dpr"));
    QFile::remove(path("Ext.dpr"));
    IdeMainWindow later;
    later.reopenLastProject();
    EXPECT_TRUE(later.projectPath().isEmpty());
    ASSERT_EQ(part<QListWidget>(later, "messages")->count(), 1);
    EXPECT_EQ(part<QListWidget>(later, "messages")->item(0)->text(), "The last project " + path("Ext.dpr") + " is no longer there.");
}

/*
** The start page lists the Quillon projects the wizard saved, not the
** sources it wrote; choosing one with the keyboard runs Load Project on it
** with no file dialog, and a later Load Project asks for the file again,
** starting on the project used last.
*/
TEST_F(HostScriptTest, ARecentQuillonProjectOpensInTheWizard)
{
    QStringList script{"menu Qu&illon/&New Web Application"};
    script << toSummary(QStringLiteral("Hello")) << "file " + path("hello.qnp") << "click btnFinish"
           << "menu &File/&Close Project"
           << QStringLiteral("select lbRecent hello.qnp \u2014 ") + path("hello.qnp") << "key lbRecent Return"
           << "show edPageTitle" << "click btnCancel";
    const QStringList t = run(script);
    EXPECT_EQ(status, 0) << t.join(QLatin1Char('\n')).toStdString();
    auto *recent = part<QListWidget>(window, "lbRecent");
    ASSERT_EQ(recent->count(), 1);
    EXPECT_EQ(recent->item(0)->data(Qt::UserRole).toString(), path("hello.qnp"));
    // One file dialog only: the save at Finish. The recent project opened
    // without one, with its answers.
    EXPECT_EQ(only(t, {"dialog", "show"}),
              (QStringList{"dialog Save Quillon Project File | Quillon Project (*.qnp)|*.qnp | qnp | starts on " +
                               path("Hello.qnp") + " -> " + path("hello.qnp"),
                           "show edPageTitle {\"enabled\":true,\"text\":\"Hello\",\"visible\":false}"}))
        << t.join(QLatin1Char('\n')).toStdString();

    // Load Project asks again, on the project used last.
    QStringList asked;
    HostScript again(window, [&](const QString &line) { asked << line; });
    EXPECT_EQ(again.run({"file cancel", "click btnStartLoad"}), 0) << asked.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(only(asked, {"dialog"}), QStringList{"dialog Open Quillon Project File | Quillon Project (*.qnp)|*.qnp | qnp | starts on " +
                                                   path("hello.qnp") + " -> cancel"})
        << asked.join(QLatin1Char('\n')).toStdString();
}

TEST_F(UnsavedTest, ClosedPanelsComeBackFromTheViewMenu)
{
    window.show();
    QTabBar *tabs = part<QTabWidget>(window, "panels")->tabBar();
    for (QWidget *panel : {static_cast<QWidget *>(part<QWidget>(window, "buildPanel")), static_cast<QWidget *>(part<QListWidget>(window, "messages"))}) {
        QWidget *close = tabs->tabButton(part<QTabWidget>(window, "panels")->indexOf(panel), QTabBar::RightSide);
        ASSERT_NE(close, nullptr);
        QTest::mouseClick(close, Qt::LeftButton);
        EXPECT_EQ(part<QTabWidget>(window, "panels")->indexOf(panel), -1);
    }
    EXPECT_FALSE(part<QTabWidget>(window, "panels")->isVisible()) << "no panel left: the area goes";
    const QStringList t = run({"menu &View/&Build", "menu &View/&Messages"});
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(part<QTabWidget>(window, "panels")->isVisible());
    EXPECT_EQ(part<QTabWidget>(window, "panels")->indexOf(part<QListWidget>(window, "messages")), 0);
    EXPECT_EQ(part<QTabWidget>(window, "panels")->indexOf(part<QWidget>(window, "buildPanel")), 1);
    EXPECT_EQ(part<QTabWidget>(window, "panels")->currentWidget(), part<QListWidget>(window, "messages"));
    EXPECT_EQ(part<QSplitter>(window, "mainSplitter")->indexOf(part<QTabWidget>(window, "panels")), 1) << "below the editor, in the splitter";
}

struct EditRow
{
    const char *name;
    std::vector<const char *> lines;
    const char *text; // the editor's text afterwards
};

class EditCommand : public UnsavedTest, public ::testing::WithParamInterface<EditRow>
{};

TEST_P(EditCommand, ActsOnTheEditor)
{
    QStringList script;
    for (const char *line : GetParam().lines)
        script << QString::fromLatin1(line);
    const QStringList t = run(script);
    EXPECT_EQ(status, 0) << t.join('\n').toStdString();
    EXPECT_EQ(part<QsciScintilla>(window, "editor")->text(), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EditCommand,
    ::testing::Values(
        EditRow{"TypedAtTheCaretWithTrailingBlanks", {"type editor ab  "}, "ab  library Ext;\r\nbegin\r\nend.\r\n"},
        EditRow{"Undo", {"type editor ab", "menu &Edit/&Undo"}, "library Ext;\r\nbegin\r\nend.\r\n"},
        EditRow{"Redo", {"type editor ab", "menu &Edit/&Undo", "menu &Edit/&Redo"}, "ablibrary Ext;\r\nbegin\r\nend.\r\n"},
        EditRow{"CutPaste", {"menu &Edit/Select &All", "menu &Edit/Cu&t", "type editor x", "menu &Edit/&Paste"},
                "xlibrary Ext;\r\nbegin\r\nend.\r\n"},
        EditRow{"ReplaceAll",
                {"menu &Search/&Replace...", "type edFind EN", "type edReplace Fin", "click btnReplaceAll"},
                "library Ext;\r\nbegin\r\nFind.\r\n"},
        EditRow{"FindThenReplaceOne",
                {"menu &Search/&Replace...", "type edFind end", "type edReplace stop", "click btnFindNext",
                 "click btnReplace"},
                "library Ext;\r\nbegin\r\nstop.\r\n"}),
    [](const ::testing::TestParamInfo<EditRow> &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(FromMenuAndGallery, HostRoad,
                         ::testing::Values("menu Qu&illon/&New Web Application", "gallery ISAPI Extension Expert"));

struct CommandRow
{
    const char *line;
    const char *error;
};

class HostCommand : public HostScriptTest, public ::testing::WithParamInterface<CommandRow>
{};

TEST_P(HostCommand, SaysWhatWentWrongAndStops)
{
    const QStringList t = run({QString::fromLatin1(GetParam().line), "show edPageTitle"});
    EXPECT_EQ(only(t, {"error", "show"}), QStringList{QString::fromLatin1(GetParam().error)});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostCommand,
    ::testing::Values(CommandRow{"menu Qu&illon/&Nothing", "error 1: no menu item Qu&illon/&Nothing"},
                      CommandRow{"menu Qu&illon", "error 1: no menu item Qu&illon"}, // a menu, not an item
                      CommandRow{"gallery Nothing", "error 1: the gallery has no item \"Nothing\""},
                      CommandRow{"type editor x", "error 1: the editor has no project open"},
                      CommandRow{"answer later", "error 1: answer must be yes, no, ok, cancel, save, discard, replace or merge"},
                      CommandRow{"desktop /nonexistent/dir/x.png", "error 1: cannot write the picture /nonexistent/dir/x.png"}));

} // namespace
} // namespace quillon::idehost
