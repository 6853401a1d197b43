// The dock area with real bars: thickness, lines, events and painting.
#include "dockfixture.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>

#include <stdexcept>

TEST(DocksOwner, MustBeAForm)
{
    QWidget form;
    auto *child = new QWidget(&form);
    for (QWidget *owner : {static_cast<QWidget *>(nullptr), child}) {
        try {
            TDocks dock(owner);
            ADD_FAILURE() << "no error for a dock without a form";
        } catch (const std::invalid_argument &e) {
            EXPECT_STREQ(e.what(), "TDocks must be owned by a form");
        }
    }
}

using DocksTest = DockFixture;

TEST_F(DocksTest, TextViewLayoutGivesA32PixelDockWithTheBarAtTwoTwo)
{
    TDockControl::setSpacing(4);
    TDocks *dock = makeDock(TDocks::dpTop, TDocks::upTop);
    TXToolBar *bar = makeBar("XToolBar1", {4, 27, 50, 77, 100, 123, 150});
    bar->setDockedTo(dock);
    EXPECT_EQ(TDockControl::H(), 30);
    EXPECT_EQ(dock->geometry(), QRect(0, 0, 400, 32));
    EXPECT_EQ(bar->geometry(), QRect(2, 2, 177, 30));
    EXPECT_EQ(bar->controls().at(6)->pos(), QPoint(150, 4));
    EXPECT_EQ(bar->groups().size(), 3u);
}

TEST_F(DocksTest, EmptyingAndRefillingATopDockTogglesVisibility)
{
    TDocks *dock = makeDock(TDocks::dpTop);
    TXToolBar *bar = makeBar("bar", {4, 27});
    QSignalSpy visible(dock, &TDocks::OnVisibleChanged);
    QSignalSpy inserted(dock, &TDocks::OnInsertBar);
    QSignalSpy removed(dock, &TDocks::OnRemoveBar);
    bar->setDockedTo(dock);
    EXPECT_EQ(dock->height(), 28);
    EXPECT_EQ(visible.count(), 1);
    bar->setDockedTo(nullptr);
    EXPECT_EQ(dock->height(), 0);
    EXPECT_EQ(dock->lineCount(), 0);
    EXPECT_EQ(visible.count(), 2);
    bar->setDockedTo(dock);
    EXPECT_EQ(visible.count(), 3);
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(removed.count(), 1);
}

TEST_F(DocksTest, BottomAndRightDocksKeepTheirOuterEdge)
{
    TDocks *bottom = makeDock(TDocks::dpBottom);
    TDocks *right = makeDock(TDocks::dpRight);
    makeBar("a", {4})->setDockedTo(bottom);
    TXToolBar *b = makeBar("b", {4});
    b->setDockedTo(bottom);
    b->setDockLine(1);
    makeBar("c", {4})->setDockedTo(right);
    EXPECT_EQ(bottom->geometry(), QRect(0, 300 - 58, 400, 58));
    EXPECT_EQ(right->geometry(), QRect(400 - 28, 0, 28, 300));
    form->resize(500, 350);
    EXPECT_EQ(bottom->geometry(), QRect(0, 350 - 58, 500, 58));
}

TEST_F(DocksTest, DockLineBeyondTheLastAppendsAndNegativeClampsToTheFirst)
{
    TDocks *dock = makeDock(TDocks::dpTop);
    const auto bars = dockBars(dock, 2);
    TXToolBar *a = bars[0], *b = bars[1];
    ASSERT_EQ(dock->lineCount(), 1);
    b->setDockLine(7);
    EXPECT_EQ(dock->lineCount(), 2);
    EXPECT_EQ(b->dockLine(), 1);
    EXPECT_EQ(b->y(), 30);
    b->setDockLine(-3);
    EXPECT_EQ(dock->lineCount(), 1);
    EXPECT_EQ(b->dockLine(), 0);
    EXPECT_EQ(dock->line(0), (QList<TXToolBar *>{a, b}));
}

TEST_F(DocksTest, MovingALoneBarDownJoinsTheLineBelowIt)
{
    TDocks *dock = makeDock(TDocks::dpTop);
    const auto bars = dockBars(dock, 3);
    TXToolBar *a = bars[0], *b = bars[1], *c = bars[2];
    b->setDockLine(1);
    c->setDockLine(2);
    a->setDockPos(100);
    ASSERT_EQ(dock->lineCount(), 3);
    a->setDockLine(1); // line 0 empties and goes; b's line is now line 0
    EXPECT_EQ(dock->lineCount(), 2);
    EXPECT_EQ(dock->line(0), (QList<TXToolBar *>{b, a}));
    EXPECT_EQ(c->dockLine(), 1);
    EXPECT_EQ(a->geometry().topLeft(), QPoint(102, 0));
}

TEST_F(DocksTest, BoundsSetFromOutsideAreTakenAsAMove)
{
    TDocks *dock = makeDock(TDocks::dpTop);
    TXToolBar *b = dockBars(dock, 2)[1];
    b->move(150, 31); // onto a new second line
    EXPECT_EQ(dock->lineCount(), 2);
    EXPECT_EQ(b->dockLine(), 1);
    EXPECT_EQ(b->dockPos(), 148);
    EXPECT_EQ(b->pos(), QPoint(150, 30));
    b->move(60, 0); // back beside a
    EXPECT_EQ(dock->lineCount(), 1);
    EXPECT_EQ(b->pos(), QPoint(60, 0));
}

TEST_F(DocksTest, PaintsEtchedBoundLinesAndSeparators)
{
    TDocks *dock = makeDock(TDocks::dpTop, TDocks::upTop | TDocks::upBottom);
    dockBars(dock, 2)[1]->setDockLine(1);
    const QImage img = dock->grab().toImage();
    const QRgb dark = dock->palette().color(QPalette::Dark).rgb();
    const QRgb light = dock->palette().color(QPalette::Light).rgb();
    ASSERT_NE(dark, light);
    EXPECT_EQ(img.pixel(200, 0), dark);
    EXPECT_EQ(img.pixel(200, 1), light);
    EXPECT_EQ(img.pixel(200, 2), dock->color().rgb());
    const int separator = 30 + 2 - 2;
    EXPECT_EQ(img.pixel(200, separator), dark);
    EXPECT_EQ(img.pixel(200, separator + 1), light);
    EXPECT_EQ(img.pixel(200, dock->height() - 2), dark);
    EXPECT_EQ(img.pixel(200, dock->height() - 1), light);
}

TEST_F(DocksTest, RightClickShowsThePopupMenuOfDockAndBar)
{
    TDocks *dock = makeDock(TDocks::dpTop);
    TXToolBar *bar = dockBars(dock, 1)[0];
    for (TDockControl *control : {static_cast<TDockControl *>(dock), static_cast<TDockControl *>(bar)}) {
        QMenu menu;
        menu.addAction("Customize");
        control->setProperty("PopupMenu", QVariant::fromValue(&menu));
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(200, 5), control->mapToGlobal(QPoint(200, 5)));
        QCoreApplication::sendEvent(control, &event);
        EXPECT_TRUE(menu.isVisible()) << control->objectName().toStdString();
        menu.hide();
    }
}

TEST_F(DocksTest, ChangingTheEdgeTurnsTheDockedBars)
{
    TDocks *dock = makeDock(TDocks::dpTop);
    TXToolBar *bar = makeBar("bar", {4, 27, 60});
    bar->setDockedTo(dock);
    QSignalSpy turned(bar, &TXToolBar::OnVerticalDock);
    dock->setPosition(TDocks::dpRight);
    ASSERT_EQ(turned.count(), 1);
    EXPECT_TRUE(turned.at(0).at(0).toBool());
    EXPECT_EQ(dock->geometry(), QRect(400 - 28, 0, 28, 300));
    EXPECT_EQ(bar->geometry(), QRect(0, 2, 28, 3 + 2 * 3 + 3 * 22));
    EXPECT_EQ(bar->controls().at(2)->pos(), QPoint(3, 50));
}
