/*
** The real host offscreen with the real libKestrel.so: the library loads
** from the registry's list of experts, "Qu&illon" stands at index 9 with
** its items, "&Show WebBar" hides and shows the bar with the check
** following, the gallery lists the expert, the tool services Finish uses
** are recorded, and a library that cannot be loaded is reported.
*/

#include "idehost/hostscript.h"
#include "idehost/buildpanel.h"
#include "idehost/idemainwindow.h"
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
#include <Qsci/qsciscintilla.h>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace quillon::idehost {
namespace {

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
    EXPECT_EQ(window.messages->count(), 0);
    ASSERT_EQ(window.experts().size(), 1u);
    EXPECT_STREQ(window.experts()[0]->GetIDString(), "Developers.Kestrel");

    const QList<QAction *> top = window.menuBar()->actions();
    ASSERT_GE(top.size(), 11);
    EXPECT_EQ(top.at(8)->objectName(), QStringLiteral("ToolsItem"));
    EXPECT_EQ(top.at(9)->text(), QStringLiteral("Qu&illon"));
    EXPECT_EQ(top.at(9), quillonMenuAction(window));
    QStringList items;
    for (QAction *a : top.at(9)->menu()->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(items, QStringList({"&New Web Application", "&Load Project", "-", "&Show WebBar"}));

    // Listed a second time (as --expert would): reported, not entered again.
    EXPECT_TRUE(window.loadExpert(QStringLiteral("Again"), QStringLiteral(KESTREL_LIBRARY)));
    ASSERT_EQ(window.messages->count(), 1);
    EXPECT_EQ(window.messages->item(0)->text(),
              QStringLiteral("Expert Again: %1 is already loaded").arg(QStringLiteral(KESTREL_LIBRARY)));
    EXPECT_EQ(window.experts().size(), 1u);
    EXPECT_EQ(window.menuBar()->actions().size(), top.size());
    EXPECT_EQ(window.findChildren<QWidget *>(QStringLiteral("frmWebBar")).size(), 1);
    window.messages->clear();

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
    EXPECT_EQ(window.editor->text(), QString::fromLatin1("library Ext; { caf\xe9 }\r\nbegin\r\nend.\r\n"));
    EXPECT_EQ(window.calls(), QStringList({"ide closeproject", "ide openprojectinfo " + path("missing.dpr") + " -> false",
                                           "ide openprojectinfo " + path("Ext.dpr") + " -> true",
                                           "ide openproject " + path("Ext.dpr")}));

    // An edit saved goes back as the same 8-bit bytes, CR LF kept.
    window.editor->setCursorPosition(1, 5);
    window.editor->insert(QStringLiteral(" { \u00e0 }"));
    ASSERT_TRUE(window.saveProject());
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(source.readAll(), QByteArray("library Ext; { caf\xe9 }\r\nbegin { \xe0 }\r\nend.\r\n"));
}

TEST_F(IdeHostTest, ALibraryThatCannotBeEnteredIsReportedAndTheHostGoesOn)
{
    IdeMainWindow window;
    EXPECT_FALSE(window.loadExpert(QStringLiteral("Missing"), path("nothere.so")));
    EXPECT_FALSE(window.loadExpert(QStringLiteral("NoEntry"), QStringLiteral(NO_ENTRY_LIBRARY)));
    ASSERT_EQ(window.messages->count(), 2);
    EXPECT_TRUE(window.messages->item(0)->text().startsWith("Expert Missing: cannot load " + path("nothere.so")));
    EXPECT_EQ(window.messages->item(1)->text(),
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
        ASSERT_EQ(window.messages->count(), 1);
        EXPECT_EQ(window.messages->item(0)->text(),
                  QStringLiteral("Expert Fake: %1 failed to start").arg(QStringLiteral(FAKE_EXPERT_LIBRARY)));
        qunsetenv("QUILLON_FAKE_EXPERT_FAIL");
    }
    EXPECT_FALSE(QFileInfo::exists(log)) << "an entry that failed left no procedure";
    {
        IdeMainWindow window;
        EXPECT_TRUE(window.loadExpert(QStringLiteral("Fake"), QStringLiteral(FAKE_EXPERT_LIBRARY)));
        EXPECT_EQ(window.messages->count(), 0);
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
           << "menu &Project/&Compile" << "type edRequest City=Lyon" << "menu &Run/&Run";
    const QStringList t = run(script);
    const QString out = path("Hello.dpr");
    EXPECT_EQ(only(t, {"finish", "ide", "closed", "error", "compile", "run"}),
              (QStringList{"finish " + out, "ide closeproject", "ide openprojectinfo " + out + " -> true",
                           "ide openproject " + out, "closed", "compile " + out + " -> ok",
                           "run " + path("libHello.so") + " City=Lyon -> 200 OK"}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(window.projectPath(), out);
    EXPECT_TRUE(window.editor->text().startsWith(QStringLiteral("library Hello;")));
    // The page the extension returned, rendered and as source.
    EXPECT_EQ(window.buildPanel->pageView->documentTitle(), QStringLiteral("Hello"));
    EXPECT_TRUE(window.buildPanel->pageSource->toPlainText().contains(QStringLiteral("<TITLE>Hello</TITLE>")));
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
    QListWidget *list = window.buildPanel->buildMessages;
    QListWidgetItem *error = nullptr;
    for (int i = 0; i < list->count() && !error; ++i)
        if (list->item(i)->text().contains(QStringLiteral("Broken.dpr(3,")))
            error = list->item(i);
    ASSERT_NE(error, nullptr) << "no message at line 3";
    emit list->itemActivated(error);
    int line = -1, column = -1;
    window.editor->getCursorPosition(&line, &column);
    EXPECT_EQ(line, 2); // the editor counts from 0
    EXPECT_EQ(column, 2);
    EXPECT_FALSE(QFileInfo::exists(path("libBroken.so")));
}

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
                      CommandRow{"desktop /nonexistent/dir/x.png", "error 1: cannot write the picture /nonexistent/dir/x.png"}));

} // namespace
} // namespace quillon::idehost
