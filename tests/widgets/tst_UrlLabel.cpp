// The hyperlink label: target choice, pressed colour, copy and cursor,
// driven with mouse events on an offscreen label.
#include "widgets/UrlLabel.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

namespace {

class UrlLabelTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_previous = TUrlLabel::setOpener([this](const QString &t) { opened.push_back(t); });
        label.resize(200, 20);
    }
    void TearDown() override { TUrlLabel::setOpener(m_previous); }

    void click(QPoint at = QPoint(5, 5))
    {
        QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, at);
    }

    std::vector<QString> opened;
    TUrlLabel label;

private:
    TUrlLabel::Opener m_previous;
};

struct TargetRow {
    const char *name;
    const char *caption;
    const char *url;
    std::vector<QString> opened;
};

class UrlLabelTarget : public UrlLabelTest, public testing::WithParamInterface<TargetRow> {};

} // namespace

TEST_P(UrlLabelTarget, ClickOpensTheTargetAfterTheClickSignal)
{
    const TargetRow &r = GetParam();
    label.setText(QString::fromUtf8(r.caption));
    label.setUrl(QString::fromUtf8(r.url));
    QSignalSpy clicks(&label, &TUrlLabel::clicked);
    click();
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(opened, r.opened);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UrlLabelTarget,
    testing::Values(TargetRow{"urlWins", "Our site", "http://example.org", {"http://example.org"}},
                    TargetRow{"emptyUrlUsesCaption", "www.example.org", "", {"www.example.org"}},
                    TargetRow{"blankUrlUsesCaption", "www.example.org", "   ", {"www.example.org"}},
                    TargetRow{"urlPassedUntrimmed", "x", " http://a.b ", {" http://a.b "}},
                    TargetRow{"bothBlankOpensNothing", "  ", " ", {}},
                    TargetRow{"bothEmptyOpensNothing", "", "", {}}),
    [](const testing::TestParamInfo<TargetRow> &info) { return std::string(info.param.name); });

TEST_F(UrlLabelTest, StartsBlueUnderlinedWithAHandAndPurpleActive)
{
    EXPECT_EQ(label.fontColor(), QColor(0, 0, 255));
    EXPECT_TRUE(label.font().underline());
    EXPECT_FALSE(label.font().bold());
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(label.property("ActiveColor").value<QColor>(), QColor(128, 0, 128));
    EXPECT_TRUE(label.property("URL").toString().isEmpty());
    ASSERT_EQ(label.popupMenu()->actions().size(), 1);
    EXPECT_EQ(label.popupMenu()->actions().front()->text(), "Copy");
}

TEST_F(UrlLabelTest, ActiveColourWhileHeldAndRestoredOnReleaseOutside)
{
    label.setText("http://example.org");
    label.setFontColor(QColor(10, 20, 30));
    label.setActiveColor(QColor(200, 0, 0));
    QTest::mousePress(&label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(label.fontColor(), QColor(200, 0, 0));
    QTest::mouseRelease(&label, Qt::LeftButton, Qt::NoModifier, QPoint(500, 5));
    EXPECT_EQ(label.fontColor(), QColor(10, 20, 30));
    EXPECT_TRUE(opened.empty()) << "a release outside the label is not a click";
}

TEST_F(UrlLabelTest, OtherButtonsNeitherColourNorOpen)
{
    label.setText("http://example.org");
    QTest::mouseClick(&label, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseClick(&label, Qt::MiddleButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(label.fontColor(), QColor(0, 0, 255));
    EXPECT_TRUE(opened.empty());
}

TEST_F(UrlLabelTest, RightClickOffersCopy)
{
    label.show();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), label.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&label, &event);
    EXPECT_TRUE(label.popupMenu()->isVisible());
    label.popupMenu()->hide();
}

TEST_F(UrlLabelTest, PaintsTheTextInTheFontColourThenActiveColour)
{
    label.setText("WWWWWW");
    label.setAutoFillBackground(true);
    auto countColour = [this](QColor c) {
        const QImage img = label.grab().toImage();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixelColor(x, y) == c;
        return n;
    };
    EXPECT_GT(countColour(QColor(0, 0, 255)), 10);
    QTest::mousePress(&label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(countColour(QColor(0, 0, 255)), 0);
    EXPECT_GT(countColour(QColor(128, 0, 128)), 10);
    QTest::mouseRelease(&label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
}

TEST_F(UrlLabelTest, CopyPutsTheCaptionNotTheUrlOnTheClipboard)
{
    label.setText("Quillon home");
    label.setUrl("http://example.org");
    QGuiApplication::clipboard()->clear();
    label.popupMenu()->actions().front()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Quillon home");
    EXPECT_TRUE(opened.empty());
}

TEST_F(UrlLabelTest, ClickHandlerMayDeleteTheLabel)
{
    auto *doomed = new TUrlLabel;
    doomed->resize(50, 20);
    doomed->setText("http://example.org");
    QObject::connect(doomed, &TUrlLabel::clicked, doomed, [doomed] { delete doomed; });
    QTest::mouseClick(doomed, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(opened.empty());
}
