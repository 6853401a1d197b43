/*
** The expert object against test doubles of the IDE: its identity, the
** menu it builds and the message of each failure, the click handler,
** execute and loading a project, the entry's steps and reference counts.
*/

#include "expertfixture.h"
#include "idedoubles.h"

#include "expert/entry.h"
#include "expert/toolserviceshost.h"
#include "wizard/frmwiz.h"
#include "wizard/helpsystem.h"

#include <QApplication>
#include <QTimer>
#include <QVariant>

namespace quillon::expert::test {
namespace {

struct MenuRow
{
    FakeToolServices::MenuShape shape;
    const char *ideCalls; // joined by "|"
    const char *message;  // empty: no box
};

class MenuBuilding : public ExpertTest, public ::testing::WithParamInterface<MenuRow>
{};

TEST_P(MenuBuilding, InsertsTheMenuOrShowsWhyNot)
{
    const MenuRow row = GetParam();
    auto *ide = new FakeToolServices(row.shape);
    auto *expert = new TKestrel(ide);
    EXPECT_EQ(ide->log.join(QLatin1Char('|')), QString::fromLatin1(row.ideCalls));
    EXPECT_EQ(transcript.join(QLatin1Char('|')),
              *row.message ? QStringLiteral("message %1").arg(QLatin1String(row.message)) : QString());
    EXPECT_EQ(expert->toolItem() != nullptr, row.shape == FakeToolServices::FullMenu);
    // The expert holds one reference to each kept item, the menu tree another.
    if (FakeMenuItem *menu = ide->quillonMenu()) {
        EXPECT_EQ(menu->refCount(), 1);
        EXPECT_EQ(menu->child("TQNTool")->refCount(), 2);
        EXPECT_EQ(menu->child("TSep")->refCount(), 1);
    }
    EXPECT_EQ(expert->Release(), 0);
    if (FakeMenuItem *menu = ide->quillonMenu()) {
        EXPECT_EQ(menu->child("TQNTool")->refCount(), 1);
    }
    EXPECT_EQ(ide->bar->refCount(), 1);
    EXPECT_EQ(ide->tools->refCount(), 1);
    ide->Release();
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, MenuBuilding,
    ::testing::Values(MenuRow{FakeToolServices::FullMenu,
                              "insert MainMenu 9 Qu&illon TQNMenu Quillon 0 0 0 6|"
                              "insert TQNMenu 1000 &New Web Application TQNRun QNRun 0 0 0 6|"
                              "insert TQNMenu 1000 &Load Project TQNLoad QNLoad 0 0 0 6|"
                              "insert TQNMenu 1000 - TSep Sep 0 0 0 6|"
                              "insert TQNMenu 1000 &Show WebBar TQNTool QNTool 0 0 0 14|release mainmenu",
                              ""},
                      MenuRow{FakeToolServices::NoMainMenu, "", "QN-Cannot obtain Main menu interface."},
                      MenuRow{FakeToolServices::NoToolsItem, "release mainmenu", "QN-Cannot obtain Tools menu interface."},
                      MenuRow{FakeToolServices::RefusesInsert,
                              "insert MainMenu 9 Qu&illon TQNMenu Quillon 0 0 0 6|release mainmenu",
                              "QN- Cannot insert menu"}));

TEST_F(ExpertTest, IdentityAndInterfaceBase)
{
    auto *expert = new TKestrel(nullptr);
    EXPECT_STREQ(expert->GetName(), "ISAPI Extension Expert");
    EXPECT_STREQ(expert->GetAuthor(), "Developers");
    EXPECT_STREQ(expert->GetComment(), "Generate compile-ready source code for an ISAPI Extension DLL.");
    EXPECT_STREQ(expert->GetPage(), "Projects");
    EXPECT_EQ(expert->GetGlyph()->pixmap(32, 32).size(), QSize(32, 32)) << "IEICON resource missing";
    EXPECT_EQ(expert->GetStyle(), 2);
    EXPECT_EQ(expert->GetState(), 1);
    EXPECT_STREQ(expert->GetIDString(), "Developers.Kestrel");
    EXPECT_THROW(expert->GetMenuText(), std::logic_error);
    EXPECT_EQ(expert->GetVersion(), 2);
    EXPECT_EQ(expert->AddRef(), 2);
    EXPECT_EQ(expert->Release(), 1);
    EXPECT_EQ(expert->Release(), 0); // destroyed: ASan reports a leak or double free otherwise
}

// Starts the library as the IDE would, with the doubles.
class ExpertStarted : public ExpertTest
{
protected:
    void SetUp() override
    {
        ExpertTest::SetUp();
        ASSERT_TRUE(initExpert(ide, &ExpertStarted::registerExpert, nullptr));
    }
    void TearDown() override
    {
        ExpertTest::TearDown();
        ide->Release();
    }
    static bool registerExpert(TIExpert *expert)
    {
        registered = expert;
        return true;
    }
    FakeMenuItem &item(const char *name) { return *ide->quillonMenu()->child(name); }

    FakeToolServices *ide = new FakeToolServices;
    static inline TIExpert *registered = nullptr;
};

TEST_F(ExpertStarted, RegistersTheExpertAndShowsTheWebBar)
{
    EXPECT_EQ(registered, library().expert);
    EXPECT_EQ(library().toolServices, ide);
    ASSERT_NE(library().webBar, nullptr);
    EXPECT_TRUE(library().webBar->isVisible());
    EXPECT_EQ(item("TQNTool").flags, 14);
}

TEST_F(ExpertStarted, ShowWebBarHidesAndShowsWithTheCheckFollowing)
{
    ide->log.clear();
    item("TQNTool").click();
    EXPECT_FALSE(library().webBar->isVisible());
    EXPECT_EQ(item("TQNTool").flags, 6);
    item("TQNTool").click();
    EXPECT_TRUE(library().webBar->isVisible());
    EXPECT_EQ(item("TQNTool").flags, 14);
    EXPECT_EQ(ide->log, QStringList({"setflags TQNTool 14 6", "setflags TQNTool 14 14"}));
    item("TSep").click(); // matches no item: nothing happens
    EXPECT_EQ(ide->log.size(), 2);
}

TEST_F(ExpertStarted, LoadProjectWithTheDialogCancelledShowsNoWizard)
{
    bool shown = false;
    library().prepareWizard = [&](wizard::WizardServices &) {
        QTimer::singleShot(0, [&] { shown = QApplication::activeModalWidget() != nullptr; });
    };
    dialogs.queueFile(std::nullopt);
    item("TQNLoad").click();
    QApplication::processEvents();
    EXPECT_FALSE(shown);
    ASSERT_EQ(transcript.size(), 1);
    EXPECT_TRUE(transcript[0].startsWith(QStringLiteral("dialog Open Quillon Project File"))) << transcript[0].toStdString();
    EXPECT_EQ(library().currentWizard, nullptr);
}

// Help in a wizard run by the expert: the host's help system when it
// offers one, else the expert's own, as the wizard on its own has.
TEST_F(ExpertStarted, TheWizardAlwaysHasAHelpSystem)
{
    struct Offered : wizard::HelpSystem
    {
        void showContext(const QString &, int, QWidget *) override {}
    } offered;
    std::vector<wizard::HelpSystem *> given;
    library().prepareWizard = [&](wizard::WizardServices &services) {
        given.push_back(services.help);
        QTimer::singleShot(0, [] {
            if (auto *wiz = qobject_cast<wizard::TfrmWiz *>(QApplication::activeModalWidget()))
                wiz->reject();
        });
    };
    library().expert->Execute();
    library().help = &offered; // as a host hands it over
    library().expert->Execute();
    library().help = nullptr;
    ASSERT_EQ(given.size(), 2u);
    EXPECT_NE(given[0], nullptr);
    EXPECT_NE(given[0], &offered);
    EXPECT_EQ(given[1], &offered);
}

// Execute, the New item and the WebBar's two buttons each run one wizard
// window, which is the current one while it is shown.
TEST_F(ExpertStarted, EveryRoadToTheWizardShowsItModally)
{
    int runs = 0;
    auto closeWhenShown = [&] {
        QTimer::singleShot(0, [&] {
            auto *wiz = qobject_cast<wizard::TfrmWiz *>(QApplication::activeModalWidget());
            if (wiz && wiz == library().currentWizard)
                ++runs;
            if (wiz)
                wiz->reject();
        });
    };
    closeWhenShown();
    library().expert->Execute();
    closeWhenShown();
    item("TQNRun").click();
    closeWhenShown();
    library().webBar->ExplorerButton1->clicked();
    QTemporaryDir dir;
    const QString project = dir.path() + QStringLiteral("/p.qnp");
    QFile file(project);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[OtherData]\r\nPageTitle=Demo\r\n");
    file.close();
    dialogs.queueFile(project);
    closeWhenShown();
    library().webBar->ExplorerButton2->clicked();
    EXPECT_EQ(runs, 4);
    EXPECT_TRUE(dialogs.queueEmpty());
    EXPECT_EQ(library().currentWizard, nullptr);
}

TEST_F(ExpertStarted, HideWebBarUnchecksTheItem)
{
    library().webBar->ExplorerButton3->clicked();
    EXPECT_FALSE(library().webBar->isVisible());
    EXPECT_EQ(item("TQNTool").flags, 6);
    item("TQNTool").click();
    EXPECT_TRUE(library().webBar->isVisible());
}

TEST_F(ExpertTest, AFailingEntryStepGoesToTheErrorReportAndStillReturnsTrue)
{
    auto *ide = new FakeToolServices;
    const auto failingRegister = [](TIExpert *) -> bool { throw std::runtime_error("registration refused"); };
    EXPECT_TRUE(initExpert(ide, failingRegister, nullptr));
    EXPECT_EQ(ide->log.last(), QStringLiteral("ide error registration refused"));
    EXPECT_EQ(library().webBar, nullptr);
    ide->Release();
}

} // namespace
} // namespace quillon::expert::test

namespace quillon::expert::test {
namespace {

// Finish's last step reaches the IDE through the tool services, in order.
TEST(ToolServicesHostTest, FinishStepsGoToTheToolServicesInOrder)
{
    for (const bool accepted : {true, false}) {
        auto *ide = new FakeToolServices;
        ide->infoSucceeds = accepted;
        ToolServicesHost host(*ide);
        host.closeProject();
        if (host.openProjectInfo("/p/Ext.dpr"))
            host.openProject("/p/Ext.dpr");
        QStringList expected{"ide closeproject", QStringLiteral("ide openprojectinfo /p/Ext.dpr -> %1").arg(accepted ? "true" : "false")};
        if (accepted)
            expected << "ide openproject /p/Ext.dpr";
        EXPECT_EQ(ide->log, expected);
        ide->Release();
    }
}

} // namespace
} // namespace quillon::expert::test
