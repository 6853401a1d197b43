/*
** The window-position saver and the WebBar that carries it: first start,
** blank key names, the previous destroy handler, and a restart that brings
** the bar back where the user left it.
*/

#include "expertfixture.h"

#include "platform/registry.h"

#include <QFile>
#include <QMenu>

#include <typeinfo>

namespace quillon::expert::test {
namespace {

constexpr char kWebBarKey[] = "Software\\Tarvik\\WinSaver\\WebBar";

using WindowSaverTest = ExpertTest;

TEST_F(WindowSaverTest, FirstStartKeepsTheDesignedPlace)
{
    TfrmWebBar bar;
    EXPECT_EQ(bar.pos(), QPoint(62, 416));
    EXPECT_EQ(bar.width(), 82);
    EXPECT_FALSE(bar.stayOnTop());
    EXPECT_FALSE(bar.StayonTop1->isChecked());
    EXPECT_EQ(bar.windowTitle(), QStringLiteral("WebBar"));
    EXPECT_EQ(bar.ExplorerButton2->hint(), QStringLiteral("Load Web App"));
    EXPECT_EQ(bar.ExplorerButton3->geometry(), QRect(49, 3, 23, 22));
}

TEST_F(WindowSaverTest, MoveStayOnTopAndRestartBringTheBarBack)
{
    {
        TfrmWebBar bar;
        bar.show();
        bar.move(300, 120);
        bar.StayonTop1->trigger();
        EXPECT_TRUE(bar.stayOnTop());
        EXPECT_FALSE(platform::Registry().openKey(platform::Hive::CurrentUser, kWebBarKey))
            << "nothing is written before the bar is destroyed";
    }
    const auto key = platform::Registry().openKey(platform::Hive::CurrentUser, kWebBarKey);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readDword("Left"), 300u);
    EXPECT_EQ(key->readDword("Top"), 120u);
    EXPECT_EQ(key->readDword("OnTop"), 1u);

    TfrmWebBar again;
    EXPECT_EQ(again.pos(), QPoint(300, 120));
    EXPECT_TRUE(again.stayOnTop());
    EXPECT_TRUE(again.StayonTop1->isChecked());
    again.StayonTop1->trigger();
    EXPECT_FALSE(again.stayOnTop());
}

TEST_F(WindowSaverTest, BlankKeyNameNeverTouchesTheRegistry)
{
    platform::Registry().createKey(platform::Hive::CurrentUser, "Software\\Tarvik\\WinSaver\\  ")
        .writeDword("Left", 5);
    QFile hive(QString::fromStdString(platform::Registry().hiveFile(platform::Hive::CurrentUser)));
    ASSERT_TRUE(hive.open(QIODevice::ReadOnly));
    const QByteArray before = hive.readAll();
    hive.close();
    bool previousRan = false;
    {
        TForm form;
        form.move(40, 50);
        form.OnDestroy = [&](QObject *) { previousRan = true; };
        TWindowSaver saver(&form);
        saver.KeyName = QStringLiteral("  ");
        saver.loaded();
        EXPECT_EQ(form.pos(), QPoint(40, 50));
        form.move(70, 80);
    }
    EXPECT_TRUE(previousRan);
    ASSERT_TRUE(hive.open(QIODevice::ReadOnly));
    EXPECT_EQ(hive.readAll(), before);
    EXPECT_EQ(platform::Registry().openKey(platform::Hive::CurrentUser, "Software\\Tarvik\\WinSaver\\  ")->readDword("Left"),
              5u);
}

TEST_F(WindowSaverTest, PreviousDestroyHandlerRunsAfterTheValuesAreWritten)
{
    std::optional<std::uint32_t> leftSeen;
    QObject *senderSeen = nullptr;
    auto *form = new TForm;
    form->move(11, 22);
    form->OnDestroy = [&](QObject *sender) {
        senderSeen = sender;
        leftSeen = platform::Registry().openKey(platform::Hive::CurrentUser, "Software\\Tarvik\\WinSaver\\Probe")->readDword("Left");
    };
    auto *saver = new TWindowSaver(form);
    saver->KeyName = QStringLiteral("Probe");
    saver->loaded();
    delete form;
    EXPECT_EQ(senderSeen, form);
    EXPECT_EQ(leftSeen, 11u);
}

TEST_F(WindowSaverTest, AStoredZeroOverridesADesignedStayOnTopAndMissingValuesKeepTheForm)
{
    platform::Registry().createKey(platform::Hive::CurrentUser, "Software\\Tarvik\\WinSaver\\Probe").writeDword("OnTop", 0);
    TForm form(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    form.move(7, 8);
    TWindowSaver saver(&form);
    saver.KeyName = QStringLiteral("Probe");
    saver.loaded();
    EXPECT_FALSE(form.stayOnTop());
    EXPECT_EQ(form.pos(), QPoint(7, 8));
}

TEST_F(WindowSaverTest, AnOwnerThatIsNotAFormIsRefused)
{
    QObject notAForm;
    EXPECT_THROW(TWindowSaver saver(&notAForm), std::bad_cast);
}

} // namespace
} // namespace quillon::expert::test
