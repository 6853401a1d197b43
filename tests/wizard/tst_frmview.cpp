/*
** The query preview: its model reads rows only as they are needed, its
** navigator moves the grid's current row and follows the position in its
** enabled states, "Last" reads the whole result (with a progress window
** that can cancel), failures are reported with the engine's message, and
** the real engine's sample data shows as a user would see it.
*/

#include "fakerows.h"

#include "engine/dataaccess.h"
#include "tests/engine/realengine.h"
#include "wizard/frmview.h"

#include <QApplication>
#include <QProgressDialog>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace quillon::wizard;
using quillon::wizard::test::FakeRows;

namespace {

constexpr int kBatch = static_cast<int>(QueryModel::kBatch);

struct Preview
{
    explicit Preview(std::size_t rows)
        : fake(new FakeRows(rows))
        , view(std::unique_ptr<QueryRows>(fake), nullptr)
    {}
    FakeRows *fake; // owned by the view's model
    TfrmView view;

    QToolButton *button(const char *name) { return view.findChild<QToolButton *>(name); }
    void click(const char *name)
    {
        QToolButton *b = button(name);
        ASSERT_NE(b, nullptr) << name;
        ASSERT_TRUE(b->isEnabled()) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void open()
    {
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        QApplication::processEvents();
        QApplication::processEvents();
    }
    // "first prior next last" enabled states as four 0/1 digits.
    std::string states()
    {
        std::string s;
        for (const char *name : {"nbFirst", "nbPrior", "nbNext", "nbLast"})
            s += button(name)->isEnabled() ? '1' : '0';
        return s;
    }
    int rows() const { return view.model()->rowCount(); }
};

TEST(QueryModel, FetchesOneBatchAtATimeAndNeverShowsMoreThanRead)
{
    auto *fake = new FakeRows(600);
    QueryModel model{std::unique_ptr<QueryRows>(fake)};
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "NAME");
    const int expected[] = {256, 512, 600};
    for (int rows : expected) {
        ASSERT_TRUE(model.canFetchMore());
        model.fetchMore();
        EXPECT_EQ(model.rowCount(), rows);
        EXPECT_EQ(static_cast<int>(fake->delivered()), rows);
    }
    EXPECT_FALSE(model.canFetchMore()) << "a short batch reads on to the end";
    EXPECT_TRUE(model.atEnd());
    EXPECT_EQ(inserted.count(), 3);
    EXPECT_EQ(model.data(model.index(599, 1)).toString(), "r599c1");
    EXPECT_FALSE(model.data(model.index(600, 1)).isValid());
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
}

TEST(TfrmView, IsTheQueryResultsWindow)
{
    Preview p(3);
    EXPECT_EQ(p.view.objectName(), "frmView");
    EXPECT_EQ(p.view.windowTitle(), "Query Results");
    EXPECT_EQ(p.view.size(), QSize(435, 300));
    EXPECT_EQ(p.view.grid()->objectName(), "DBGrid1");
    auto *navigator = p.view.findChild<QWidget *>("DBNavigator1");
    ASSERT_NE(navigator, nullptr);
    const QList<QToolButton *> buttons = navigator->findChildren<QToolButton *>();
    ASSERT_EQ(buttons.size(), 4);
    const char *names[] = {"nbFirst", "nbPrior", "nbNext", "nbLast"};
    const char *tips[] = {"First record", "Prior record", "Next record", "Last record"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(buttons[i]->objectName(), names[i]);
        EXPECT_EQ(buttons[i]->toolTip(), tips[i]);
        EXPECT_FALSE(buttons[i]->icon().isNull());
    }
    p.open();
    EXPECT_GE(navigator->geometry().top(), p.view.grid()->geometry().bottom()) << "the bar is below the grid";
}

TEST(TfrmView, OpensWithOneBatchAndReadsMoreAsTheGridScrolls)
{
    Preview p(1000);
    EXPECT_EQ(p.rows(), 0) << "nothing is read before the window shows";
    p.view.show();
    EXPECT_EQ(p.rows(), kBatch) << "the first batch is there when it shows";
    p.open();
    EXPECT_EQ(p.rows(), kBatch) << "and the grid reads no more while it is filled";
    EXPECT_EQ(p.view.currentRow(), 0);
    QScrollBar *bar = p.view.grid()->verticalScrollBar();
    bar->setValue(bar->maximum());
    QApplication::processEvents();
    EXPECT_EQ(p.rows(), 2 * kBatch);
    EXPECT_EQ(static_cast<int>(p.fake->delivered()), 2 * kBatch);
}

struct NavigatorRow
{
    std::size_t rows;
    int current;         // after opening
    std::string opened;  // enabled states after opening
    std::string atLast;  // after "Last" (when enabled)
};

class Navigator : public testing::TestWithParam<NavigatorRow>
{};

TEST_P(Navigator, MovesAndFollowsThePosition)
{
    const NavigatorRow &row = GetParam();
    Preview p(row.rows);
    p.open();
    EXPECT_EQ(p.view.currentRow(), row.current);
    EXPECT_EQ(p.states(), row.opened);
    if (row.opened[3] == '0')
        return;
    p.click("nbLast");
    EXPECT_EQ(p.rows(), static_cast<int>(row.rows));
    EXPECT_EQ(p.view.currentRow(), static_cast<int>(row.rows) - 1);
    EXPECT_EQ(p.states(), row.atLast);
    p.click("nbPrior");
    EXPECT_EQ(p.view.currentRow(), static_cast<int>(row.rows) - 2);
    EXPECT_EQ(p.states(), row.rows > 2 ? "1111" : "0011");
    if (row.rows > 2)
        p.click("nbFirst");
    EXPECT_EQ(p.view.currentRow(), 0);
    EXPECT_EQ(p.states(), "0011");
    p.click("nbNext");
    EXPECT_EQ(p.view.currentRow(), 1);
}

INSTANTIATE_TEST_SUITE_P(Results, Navigator,
                         testing::Values(NavigatorRow{0, -1, "0000", ""}, NavigatorRow{1, 0, "0000", ""},
                                         NavigatorRow{2, 0, "0011", "1100"}, NavigatorRow{3, 0, "0011", "1100"},
                                         NavigatorRow{600, 0, "0011", "1100"}));

TEST(TfrmView, NextPastTheRowsReadReadsTheNextBatch)
{
    Preview p(600);
    p.open();
    // Without scrolling there, so the grid does not read on by itself.
    p.view.grid()->setAutoScroll(false);
    p.view.grid()->setCurrentIndex(p.view.model()->index(kBatch - 1, 0));
    EXPECT_EQ(p.rows(), kBatch);
    p.click("nbNext");
    EXPECT_EQ(p.view.currentRow(), kBatch);
    EXPECT_EQ(p.rows(), 2 * kBatch);
}

TEST(TfrmView, LastReadsALargeResultToItsEnd)
{
    Preview p(200000);
    p.open();
    p.click("nbLast");
    EXPECT_EQ(p.rows(), 200000);
    EXPECT_TRUE(p.view.model()->atEnd());
    EXPECT_EQ(p.view.currentRow(), 199999);
    EXPECT_EQ(p.view.model()->data(p.view.model()->index(199999, 0)).toString(), "r199999c0");
    EXPECT_EQ(p.states(), "1100");
    EXPECT_EQ(p.view.findChild<QProgressDialog *>(), nullptr) << "the progress window is gone";
}

TEST(TfrmView, CancellingLastStopsWhereTheReadingIs)
{
    Preview p(1000000);
    p.view.setProgressDelay(0);
    p.open();
    bool shown = false;
    p.fake->beforeFetch([&](std::size_t fetches) {
        if (fetches < 5)
            return;
        auto *progress = p.view.findChild<QProgressDialog *>();
        if (!progress || progress->wasCanceled())
            return;
        shown = progress->isVisible() && progress->windowTitle() == "Query Results";
        progress->cancel();
    });
    int readWhenCancelled = -1;
    QObject::connect(p.view.model(), &QAbstractItemModel::rowsInserted, [&] {
        auto *progress = p.view.findChild<QProgressDialog *>();
        if (readWhenCancelled < 0 && progress && progress->wasCanceled())
            readWhenCancelled = p.rows();
    });
    p.click("nbLast");
    EXPECT_TRUE(shown);
    EXPECT_GT(readWhenCancelled, kBatch);
    EXPECT_LT(p.rows(), 1000000);
    EXPECT_FALSE(p.view.model()->atEnd());
    EXPECT_EQ(p.view.currentRow(), readWhenCancelled - 1);
    EXPECT_EQ(p.states(), "1111") << "the rest can still be read";
}

TEST(TfrmView, AFailedFetchIsReportedOnceAndKeepsTheRowsBeforeIt)
{
    for (bool viaLast : {false, true}) {
        SCOPED_TRACE(viaLast ? "Last" : "scrolling");
        Preview p(1000);
        p.fake->failAt(300, "Cannot read row 301 of \"big\": disk I/O error");
        QSignalSpy failed(p.view.model(), &QueryModel::fetchFailed);
        p.open();
        if (viaLast) {
            p.click("nbLast");
        } else {
            QScrollBar *bar = p.view.grid()->verticalScrollBar();
            bar->setValue(bar->maximum());
            QApplication::processEvents();
            bar->setValue(bar->maximum());
            QApplication::processEvents();
        }
        ASSERT_EQ(failed.count(), 1);
        EXPECT_EQ(failed.at(0).at(0).toString(), "Cannot read row 301 of \"big\": disk I/O error");
        EXPECT_EQ(p.rows(), 300);
        EXPECT_FALSE(p.view.model()->canFetchMore());
        p.view.grid()->setCurrentIndex(p.view.model()->index(299, 0));
        EXPECT_EQ(p.states(), "1100") << "nothing more to read after a failure";
    }
}

class TextRows : public FakeRows
{
public:
    TextRows()
        : FakeRows(1, {"Pr\xe9" "fix", "CITY"})
    {}
    std::vector<std::string> row(std::size_t) const override { return {"Caf\xe9 \x80", "M\xc3\xbcnchen"}; }
};

TEST(QueryModel, ShowsTextThatIsNotUtf8AsWindows1252)
{
    QueryModel model{std::make_unique<TextRows>()};
    model.fetchMore();
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("Pr\xc3\xa9" "fix"));
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac"));
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QString::fromUtf8("M\xc3\xbcnchen"));
}

// The sample customer table through the real engine, as the wizard's
// preview shows it.
class SampleCustomers : public quillon::engine::test::RealEngineTest
{};

TEST_F(SampleCustomers, ShowsTheColumnsAndRowsOfTheQuery)
{
    addAlias("DEMO", QUILLON_SOURCE_DIR "/examples/data");
    quillon::engine::DataAccess access;
    const quillon::engine::Database db = access.open("DEMO");

    // In batches straight from the cursor: every row once, then nothing.
    auto rows = cursorRows(db.openQuery("SELECT CUSTNO FROM customer WHERE CUSTNO < 1004 ORDER BY CUSTNO"));
    std::vector<std::vector<std::string>> out;
    EXPECT_EQ(rows->fetch(2, out), 2u);
    EXPECT_EQ(rows->fetch(2, out), 1u);
    EXPECT_EQ(rows->fetch(2, out), 0u);
    EXPECT_EQ(rows->fetch(2, out), 0u) << "the end stays the end";
    EXPECT_EQ(out, (std::vector<std::vector<std::string>>{{"1001"}, {"1002"}, {"1003"}}));

    TfrmView view(cursorRows(db.openQuery("SELECT * FROM customer")), nullptr);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QApplication::processEvents();
    QueryModel *model = view.model();
    QStringList header;
    for (int c = 0; c < model->columnCount(); ++c)
        header << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(header, (QStringList{"CUSTNO", "COMPANY", "CITY", "COUNTRY", "PHONE"}));
    ASSERT_EQ(model->rowCount(), 30);
    EXPECT_EQ(model->data(model->index(0, 1)).toString(), "Berg & Partners");
    EXPECT_EQ(model->data(model->index(29, 4)).toString(), "+34 184 3887");
    EXPECT_TRUE(model->atEnd());
    QTest::mouseClick(view.findChild<QToolButton *>("nbLast"), Qt::LeftButton);
    EXPECT_EQ(view.currentRow(), 29);
}

// SQLite fails on the eleventh row (abs() of the smallest integer): the
// ten rows before it stay and the engine's message is reported.
TEST_F(SampleCustomers, ReportsAFailureInTheMiddleOfTheResult)
{
    addAlias("DEMO", QUILLON_SOURCE_DIR "/examples/data");
    quillon::engine::DataAccess access;
    const quillon::engine::Database db = access.open("DEMO");
    QueryModel model{
        cursorRows(db.openQuery("SELECT CUSTNO, abs(CUSTNO - 1011 - 9223372036854775807 - 1) FROM customer"))};
    QSignalSpy failed(&model, &QueryModel::fetchFailed);
    model.fetchMore();
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed.at(0).at(0).toString(), "query of alias \"DEMO\": integer overflow");
    EXPECT_EQ(model.rowCount(), 10);
    EXPECT_EQ(model.data(model.index(9, 0)).toString(), "1010");
    EXPECT_FALSE(model.canFetchMore());
}

} // namespace
