#include "wizardfixture.h"

#include "wizard/pages/wizardpage.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>

#include <algorithm>

using namespace quillon::wizard;
using namespace quillon::wizard::test;

namespace {

// What Tab must reach on a page: every control a user works (buttons, check
// boxes, fields, lists, drop-down lists, memos) that is shown and enabled,
// except the radio buttons of a group that Tab enters at its checked button.
QList<QWidget *> tabStops(QWidget *page)
{
    QList<QWidget *> stops;
    for (QWidget *w : page->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) ||
                             qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractItemView *>(w) ||
                             qobject_cast<QPlainTextEdit *>(w);
        if (!control || !w->isVisibleTo(page) || !w->isEnabled())
            continue;
        if (auto *radio = qobject_cast<QRadioButton *>(w); radio && radio->autoExclusive() && !radio->isChecked())
            continue;
        stops << w;
    }
    // Reading order: top to bottom by rows (controls whose tops are within
    // a few pixels share a row), left to right within a row.
    const auto place = [page](QWidget *w) { return w->mapTo(page, QPoint(0, 0)); };
    std::stable_sort(stops.begin(), stops.end(), [&](QWidget *a, QWidget *b) {
        const QPoint pa = place(a), pb = place(b);
        if (std::abs(pa.y() - pb.y()) > 8)
            return pa.y() < pb.y();
        return pa.x() < pb.x();
    });
    return stops;
}

QStringList names(const QList<QWidget *> &widgets)
{
    QStringList n;
    for (QWidget *w : widgets)
        n << w->objectName();
    return n;
}

// Every page, with its optional controls switched on: Tab from the page's
// first control visits all of them in reading order.
TEST_F(WizardTest, TabReachesEveryControlOfEveryPageInReadingOrder)
{
    int checked = 0; // tab stops visited, over all pages
    prepare = [&checked](TfrmWiz &w) {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        for (const char *box : {"cbHEader", "cbFooter"}) {
            if (auto *b = w.findChild<QAbstractButton *>(QLatin1String(box)))
                b->setChecked(true);
        }
        for (WizardPage *page : w.pages()) {
            w.nbWiz->setCurrentWidget(page);
            const QList<QWidget *> expected = tabStops(page);
            if (expected.isEmpty())
                continue;
            expected.first()->setFocus(Qt::TabFocusReason);
            QList<QWidget *> reached{expected.first()};
            for (int i = 1; i < expected.size(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                reached << QApplication::focusWidget();
            }
            checked += int(reached.size());
            EXPECT_EQ(names(reached), names(expected)) << page->objectName().toStdString();
        }
    };
    run({});
    // The controls of all pages but the welcome page: a tour that reached few of them proves nothing.
    EXPECT_GT(checked, 30);
}

} // namespace
