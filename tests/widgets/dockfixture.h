// A shown form with helpers to make docks and bars of buttons, shared by
// the dock and tool bar tests.  Every test starts from the default metrics.
#ifndef QUILLON_TESTS_WIDGETS_DOCKFIXTURE_H
#define QUILLON_TESTS_WIDGETS_DOCKFIXTURE_H

#include <gtest/gtest.h>

#include "widgets/Docks.h"
#include "widgets/XToolBar.h"

#include <QTest>

#include <memory>
#include <vector>

class DockFixture : public testing::Test {
protected:
    void SetUp() override
    {
        dockMetrics() = DockMetrics{};
        form = std::make_unique<QWidget>();
        form->setGeometry(100, 100, 400, 300);
        form->show();
    }
    void TearDown() override
    {
        form.reset();
        dockMetrics() = DockMetrics{};
    }

    TDocks *makeDock(TDocks::TDockPos pos, TDocks::TUsedPos bounds = {})
    {
        auto *dock = new TDocks(form.get(), pos);
        dock->setBoundLines(bounds);
        return dock;
    }

    // A bar of buttons placed at the given lefts (one row, top 4).
    TXToolBar *makeBar(const QString &name, std::initializer_list<int> lefts, int width = 23, int height = 22)
    {
        auto *bar = new TXToolBar(form.get(), name);
        for (int x : lefts) {
            auto *button = new QWidget(bar);
            button->setGeometry(x, 4, width, height);
        }
        bar->loaded();
        return bar;
    }

    // count one-button bars docked in dock, in order.
    std::vector<TXToolBar *> dockBars(TDocks *dock, int count)
    {
        std::vector<TXToolBar *> bars;
        for (int i = 0; i < count; ++i) {
            bars.push_back(makeBar(QStringLiteral("bar%1").arg(i), {4}));
            bars.back()->setDockedTo(dock);
        }
        return bars;
    }

    // Drags a bar with the left button from one point to another (bar coordinates).
    static void drag(TXToolBar *bar, QPoint from, QPoint to)
    {
        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(bar, from + (to - from) / 2);
        QTest::mouseMove(bar, to);
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, to);
    }

    // A bar-local point that lies at the given point of another widget.
    static QPoint at(TXToolBar *bar, QWidget *other, QPoint p)
    {
        return bar->mapFromGlobal(other->mapToGlobal(p));
    }

    std::unique_ptr<QWidget> form;
};

#endif
