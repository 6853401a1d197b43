// The tool bar driven with the mouse: docking, floating, moving between
// lines and docks, sizing in steps, closing and docking back.
#include "dockfixture.h"

#include "widgets/DragFrame.h"
#include "widgets/FloatBarParent.h"

#include <QApplication>

#include <QSignalSpy>

#include <stdexcept>

TEST(XToolBarOwner, MustBeAForm)
{
    QWidget form;
    auto *child = new QWidget(&form);
    for (QWidget *owner : {static_cast<QWidget *>(nullptr), child}) {
        try {
            TXToolBar bar(owner, "XToolBar1");
            ADD_FAILURE() << "no error for a bar without a form";
        } catch (const std::invalid_argument &e) {
            EXPECT_STREQ(e.what(), "XToolBar1 XXToolBar must be owned by a form");
        }
    }
}

using XToolBarTest = DockFixture;

namespace {

const TDragFrame *visibleDragFrame()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *frame = qobject_cast<TDragFrame *>(w); frame && frame->isVisible())
            return frame;
    return nullptr;
}

} // namespace

TEST(DragFrameLook, OneDottedLineOverADockThreeWhenFloating)
{
    for (int lines : {1, 3}) {
        TDragFrame frame;
        frame.track(QRect(10, 10, 40, 30), lines);
        const QImage img = frame.grab().toImage();
        // Row r carries the top of the r-th nested rectangle, dotted.
        for (int r = 0; r < 4; ++r) {
            int dots = 0;
            for (int x = 4; x < img.width() - 4; ++x)
                dots += qAlpha(img.pixel(x, r)) == 255 && qGray(img.pixel(x, r)) == 0;
            if (r < lines)
                EXPECT_GE(dots, 8) << lines << " lines, row " << r;
            else
                EXPECT_EQ(dots, 0) << lines << " lines, row " << r;
        }
    }
}

TEST_F(XToolBarTest, StartsFloatingAtTheWidestStepWithTheFormWatched)
{
    TXToolBar *bar = makeBar("Standard", {4, 27, 60});
    EXPECT_TRUE(bar->isFloating());
    EXPECT_TRUE(bar->isWindow());
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->size(), bar->sizes().steps.back());
    EXPECT_EQ(bar->currentStep(), int(bar->sizes().steps.size()) - 1);
    // Controls sit in the client area, below the caption.
    EXPECT_EQ(bar->controls().at(0)->pos(), QPoint(3 + 3, 18 + 3));
    EXPECT_EQ(bar->caption(), "Standard");
    ASSERT_NE(bar->floatParent(), nullptr);
    EXPECT_TRUE(bar->floatParent()->watchesForm());
    delete bar;
    auto *parent = form->findChild<TFloatBarParent *>();
    ASSERT_NE(parent, nullptr);
    EXPECT_FALSE(parent->watchesForm());
}

TEST_F(XToolBarTest, AControlAddedLaterIsGroupedAndPlaced)
{
    TXToolBar *bar = makeBar("bar", {4, 27});
    TDocks *dock = makeDock(TDocks::dpTop);
    bar->setDockedTo(dock);
    const int before = bar->width();
    auto *extra = new QWidget(bar);
    extra->setGeometry(200, 4, 23, 22);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->controls().size(), 3);
    EXPECT_EQ(bar->groups().size(), 2u);
    EXPECT_EQ(bar->width(), before + 23 + 3);
    delete extra;
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->width(), before);
}

struct DropRow {
    const char *name;
    int topBelowDock; // where the dropped bar's top edge lands
    int line;
    int lines;
};

class DropOnLine : public XToolBarTest, public testing::WithParamInterface<DropRow> {};

TEST_P(DropOnLine, OpensOrJoinsALine)
{
    const DropRow &r = GetParam();
    TDocks *dock = makeDock(TDocks::dpTop);
    makeBar("first", {4, 27})->setDockedTo(dock);
    TXToolBar *bar = makeBar("second", {4});
    QSignalSpy changed(bar, &TXToolBar::OnDockChanged);
    // Over a horizontal dock the pointer sits 8 pixels below the frame's top.
    const QPoint target = at(bar, dock, QPoint(200, r.topBelowDock + 8));
    drag(bar, QPoint(5, 8), target); // by the caption, left of the close box
    EXPECT_EQ(bar->dockedTo(), dock);
    EXPECT_EQ(bar->dockLine(), r.line);
    EXPECT_EQ(dock->lineCount(), r.lines);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(bar->isWindow());
}

INSTANTIATE_TEST_SUITE_P(Rows, DropOnLine,
                         testing::Values(DropRow{"tenBelowOpensASecondLine", 10, 1, 2},
                                         DropRow{"oneBelowJoinsLineZero", 1, 0, 1},
                                         DropRow{"aboveOpensALineOnTop", -12, 0, 2}),
                         [](const testing::TestParamInfo<DropRow> &info) { return std::string(info.param.name); });

TEST_F(XToolBarTest, SmallMovesOfADockedBarDoNotStartADrag)
{
    TDocks *dock = makeDock(TDocks::dpTop);
    TXToolBar *bar = makeBar("bar", {4, 27});
    bar->setDockedTo(dock);
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    QTest::mouseMove(bar, QPoint(2, 2));
    EXPECT_FALSE(bar->isDragging());
    QTest::mouseMove(bar, QPoint(3, 2));
    EXPECT_TRUE(bar->isDragging());
    EXPECT_EQ(bar->dropTarget(), dock);
    EXPECT_EQ(bar->trackedFrame().size(), bar->size());
    const TDragFrame *frame = visibleDragFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->lines(), 1);
    EXPECT_EQ(frame->geometry(), bar->trackedFrame());
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, QPoint(3, 2));
    EXPECT_EQ(visibleDragFrame(), nullptr);
    EXPECT_EQ(bar->dockedTo(), dock);
    EXPECT_FALSE(bar->isDragging());
}

TEST_F(XToolBarTest, DraggingToAnotherDockTurnsTheBar)
{
    TDocks *top = makeDock(TDocks::dpTop);
    TDocks *left = makeDock(TDocks::dpLeft);
    TXToolBar *bar = makeBar("bar", {4, 27, 60});
    bar->setDockedTo(top);
    QSignalSpy turned(bar, &TXToolBar::OnVerticalDock);
    QSignalSpy changed(bar, &TXToolBar::OnDockChanged);
    drag(bar, QPoint(1, 1), at(bar, form.get(), QPoint(10, 150)));
    EXPECT_EQ(bar->dockedTo(), left);
    EXPECT_TRUE(bar->isVerticalLayout());
    ASSERT_EQ(turned.count(), 1);
    EXPECT_TRUE(turned.at(0).at(0).toBool());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(bar->size(), QSize(28, 3 + 2 * 3 + 3 * 22));
    EXPECT_EQ(left->width(), 28);
    EXPECT_EQ(top->height(), 0);
    // Controls stand in a column, the second group below a gap.
    EXPECT_EQ(bar->controls().at(1)->pos(), QPoint(3, 25));
    EXPECT_EQ(bar->controls().at(2)->pos(), QPoint(3, 50));
}

TEST_F(XToolBarTest, DraggingOffTheDockFloatsWhereDropped)
{
    TDocks *dock = makeDock(TDocks::dpTop);
    TXToolBar *bar = makeBar("bar", {4, 27});
    bar->setDockedTo(dock);
    const QPoint dropAt = form->mapToGlobal(QPoint(200, 200));
    drag(bar, QPoint(1, 1), bar->mapFromGlobal(dropAt));
    EXPECT_TRUE(bar->isFloating());
    EXPECT_TRUE(bar->isWindow());
    EXPECT_EQ(bar->previousDock(), dock);
    EXPECT_EQ(bar->size(), bar->floatingSize());
    // The pointer holds the floating frame at its top middle.
    EXPECT_EQ(bar->pos(), dropAt - QPoint(bar->width() / 2, 8));
    EXPECT_EQ(dock->lineCount(), 0);
}

TEST_F(XToolBarTest, DoubleClickDocksAFloatingBarBackInPlace)
{
    TDocks *dock = makeDock(TDocks::dpTop);
    makeBar("a", {4})->setDockedTo(dock);
    TXToolBar *bar = makeBar("bar", {4, 27});
    bar->setDockedTo(dock);
    bar->setDockLine(1);
    bar->setDockPos(80);
    const QRect docked = bar->geometry();
    QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    ASSERT_TRUE(bar->isFloating());
    EXPECT_EQ(dock->lineCount(), 1);
    QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    EXPECT_EQ(bar->dockedTo(), dock);
    EXPECT_EQ(bar->geometry(), docked);
    EXPECT_EQ(dock->lineCount(), 2);
}

TEST_F(XToolBarTest, DoubleClickWithoutAPreviousDockKeepsFloating)
{
    TXToolBar *bar = makeBar("bar", {4});
    QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    EXPECT_TRUE(bar->isFloating());
}

TEST_F(XToolBarTest, CloseBoxHidesAndVisibleShowsItAgainInPlace)
{
    TXToolBar *bar = makeBar("bar", {4, 27});
    bar->setFloatingPos(form->mapToGlobal(QPoint(50, 60)));
    const QRect where = bar->geometry();
    QSignalSpy visible(bar, &TXToolBar::OnVisibleChanged);
    const QPoint close = floatCloseBox(bar->size()).center();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, close);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(bar->property("Visible").toBool());
    EXPECT_EQ(visible.count(), 1);
    bar->setProperty("Visible", true);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->geometry(), where);
    EXPECT_EQ(visible.count(), 2);
}

TEST_F(XToolBarTest, HidingADockedBarFreesItsLineAndShowingRestoresIt)
{
    TDocks *dock = makeDock(TDocks::dpTop);
    TXToolBar *bar = dockBars(dock, 2)[1];
    bar->setDockLine(1);
    bar->setVisible(false);
    EXPECT_EQ(dock->lineCount(), 1);
    EXPECT_EQ(dock->height(), 28);
    bar->setVisible(true);
    EXPECT_EQ(dock->lineCount(), 2);
    EXPECT_EQ(bar->dockLine(), 1);
}

TEST_F(XToolBarTest, FloatingBarsHideAndShowWithTheirForm)
{
    TXToolBar *shown = makeBar("shown", {4});
    TXToolBar *closed = makeBar("closed", {4});
    closed->setVisible(false);
    form->hide();
    EXPECT_FALSE(shown->isVisible());
    EXPECT_TRUE(shown->isBarVisible());
    form->show();
    EXPECT_TRUE(shown->isVisible());
    EXPECT_FALSE(closed->isVisible());
}

struct EdgeRow {
    const char *name;
    int pointerX; // relative to the bar's left edge, for a right-edge drag
    bool widest;  // the widest step is expected, else the narrowest
};

class RightEdgeSizing : public XToolBarTest, public testing::WithParamInterface<EdgeRow> {};

TEST_P(RightEdgeSizing, SnapsToRecordedWidthsOnly)
{
    TXToolBar *bar = makeBar("bar", {4, 27, 60, 83, 116});
    const std::vector<QSize> steps = bar->sizes().steps;
    ASSERT_GE(steps.size(), 3u);
    const QPoint origin = bar->pos();
    const int wanted = GetParam().pointerX;
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() - 2, 30));
    EXPECT_TRUE(bar->isSizing());
    QTest::mouseMove(bar, QPoint(wanted, 30));
    ASSERT_NE(visibleDragFrame(), nullptr);
    EXPECT_EQ(visibleDragFrame()->lines(), 3);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, QPoint(wanted, 30));
    EXPECT_FALSE(bar->isSizing());
    const int expected = GetParam().widest ? int(steps.size()) - 1 : 0;
    EXPECT_EQ(bar->currentStep(), expected);
    EXPECT_EQ(bar->size(), steps[expected]);
    EXPECT_EQ(bar->pos(), origin);
    EXPECT_EQ(bar->floatingSize(), steps[expected]);
    // Every control still lies inside the client area.
    for (QWidget *c : bar->controls())
        EXPECT_TRUE(bar->contentsRect().contains(c->geometry())) << c->geometry().x() << "," << c->geometry().y();
}

INSTANTIATE_TEST_SUITE_P(Rows, RightEdgeSizing,
                         testing::Values(EdgeRow{"narrowestWhenPulledFarIn", 5, false}, EdgeRow{"widestWhenPulledOut", 900, true}),
                         [](const testing::TestParamInfo<EdgeRow> &info) { return std::string(info.param.name); });

TEST_F(XToolBarTest, RightEdgeBetweenStepsTakesTheWiderThatFits)
{
    TXToolBar *bar = makeBar("bar", {4, 27, 60, 83, 116});
    const std::vector<QSize> steps = bar->sizes().steps;
    ASSERT_GE(steps.size(), 3u);
    // Pointer just short of the second step: the window may not exceed it.
    const int x = steps[1].width() - 6 - 1;
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() - 2, 30));
    QTest::mouseMove(bar, QPoint(x, 30));
    EXPECT_EQ(bar->trackedFrame().size(), steps[0]);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, QPoint(x + 1, 30));
    EXPECT_EQ(bar->size(), steps[1]);
}

TEST_F(XToolBarTest, PaintsItsCaptionActiveOnlyWithTheForm)
{
    TXToolBar *bar = makeBar("bar", {4, 27, 60});
    const QPoint probe(floatCloseBox(bar->size()).left() - 2, 5);
    bar->floatParent()->updateActive();
    const QRgb inactive = bar->palette().color(QPalette::Dark).rgb();
    const QRgb active = bar->palette().color(QPalette::Highlight).rgb();
    const QRgb colour = bar->grab().toImage().pixel(probe);
    EXPECT_EQ(colour, bar->floatParent()->captionsActive() ? active : inactive);
    const QImage img = bar->grab().toImage();
    EXPECT_EQ(img.pixel(0, 30), bar->palette().color(QPalette::Light).rgb());
    EXPECT_EQ(img.pixel(bar->width() - 1, 30), bar->palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(img.pixel(3 + 1, 18 + 1), bar->color().rgb());
}

TEST_F(XToolBarTest, DeletingADockTakesItsBarsAndIsForgottenAsPreviousDock)
{
    TDocks *dock = makeDock(TDocks::dpTop);
    const auto bars = dockBars(dock, 2);
    QPointer<TXToolBar> docked = bars[0];
    TXToolBar *floated = bars[1];
    floated->setDockedTo(nullptr);
    ASSERT_EQ(floated->previousDock(), dock);
    delete dock;
    EXPECT_TRUE(docked.isNull());
    EXPECT_EQ(floated->previousDock(), nullptr);
    QTest::mouseDClick(floated, Qt::LeftButton, Qt::NoModifier, QPoint(5, 8));
    EXPECT_TRUE(floated->isFloating());
    EXPECT_EQ(floated->floatParent()->bars().size(), 1);
}
