// The effect label: its presets, how they give way to custom values, what
// it paints, and how it acts as a button.
#include "widgets/LblEffct.h"

#include <QCursor>
#include <QFontMetrics>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

const QColor kBack(200, 100, 50);

class LabelEffect : public ::testing::Test {
protected:
    void SetUp() override
    {
        QCursor::setPos(0, 0);
        form = std::make_unique<QWidget>();
        QPalette pal = form->palette();
        pal.setColor(QPalette::Window, kBack);
        form->setPalette(pal);
        form->setAutoFillBackground(true);
        form->resize(300, 300);
        form->move(100, 100);
        label = new TLabelEffect(form.get());
        label->move(10, 10);
        label->setText("I");
    }

    void showForm()
    {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    QImage shot() const
    {
        return form->grab(label->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
    }

    // Pixels of one colour, in scanning order.
    static std::vector<QPoint> pixelsOf(const QImage &img, QColor c)
    {
        std::vector<QPoint> out;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (QColor(img.pixel(x, y)) == c)
                    out.emplace_back(x, y);
        return out;
    }

    std::unique_ptr<QWidget> form;
    TLabelEffect *label = nullptr;
};

TEST_F(LabelEffect, DefaultsOfANewLabel)
{
    TLabelEffect l;
    EXPECT_EQ(l.size(), QSize(142, 33));
    EXPECT_EQ(l.font().family(), "Times New Roman");
    EXPECT_EQ(l.font().pointSize(), 20);
    EXPECT_EQ(l.fontColour(), QColor(128, 128, 128));
    EXPECT_EQ(l.colourHighlight(), QColor(Qt::white));
    EXPECT_EQ(l.colourShadow(), QColor(Qt::black));
    EXPECT_EQ(l.effectStyle(), TLabelEffect::esRaised);
    EXPECT_EQ(l.colourScheme(), TLabelEffect::csWindows);
    EXPECT_EQ(l.directionHighlight(), TLabelEffect::edUpLeft);
    EXPECT_EQ(l.directionShadow(), TLabelEffect::edDownRight);
    EXPECT_EQ(l.graduateFrom(), QApplication::palette().color(QPalette::WindowText));
    EXPECT_TRUE(l.transparent());
    EXPECT_FALSE(l.asButton());
    EXPECT_EQ(l.textAlignment(), TLabelEffect::taLeftJustify);
    EXPECT_TRUE(l.setProperty("EffectStyle", "esSunken"));
    EXPECT_EQ(l.effectStyle(), TLabelEffect::esSunken);
}

TEST_F(LabelEffect, RaisedTextHasWhiteUpLeftAndBlackDownRight)
{
    showForm();
    const QImage img = shot();
    const auto face = pixelsOf(img, QColor(128, 128, 128));
    ASSERT_FALSE(face.empty());
    EXPECT_EQ(QColor(img.pixel(face.front() - QPoint(1, 1))), QColor(Qt::white));
    EXPECT_EQ(QColor(img.pixel(face.back() + QPoint(1, 1))), QColor(Qt::black));
    EXPECT_EQ(QColor(img.pixel(140, 1)), kBack); // transparent elsewhere
    std::set<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            colours.insert(img.pixel(x, y));
    EXPECT_EQ(colours, (std::set<QRgb>{kBack.rgb(), qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(128, 128, 128)}));
}

TEST_F(LabelEffect, ChangingAPresetValueMakesItCustom)
{
    label->setDepthShadow(3);
    EXPECT_EQ(label->effectStyle(), TLabelEffect::esCustom);
    EXPECT_EQ(label->colourScheme(), TLabelEffect::csWindows); // styles leave the scheme

    label->setColourScheme(TLabelEffect::csGold);
    EXPECT_EQ(label->fontColour(), QColor(128, 128, 0));
    EXPECT_EQ(label->colourHighlight(), QColor(255, 255, 0));
    EXPECT_EQ(label->colourShadow(), QColor(0, 0, 0));
    EXPECT_EQ(label->effectStyle(), TLabelEffect::esCustom); // schemes leave the style
    EXPECT_EQ(label->depthShadow(), 3);

    label->setColourShadow(QColor(0, 0, 128));
    EXPECT_EQ(label->colourScheme(), TLabelEffect::csCustom);
    EXPECT_EQ(label->fontColour(), QColor(128, 128, 0));
    EXPECT_EQ(label->customScheme().shadow, QColor(0, 0, 128));
    EXPECT_EQ(label->customScheme().highlight, QColor(255, 255, 0));

    // Back to a fixed scheme and then to the custom row: its colours return.
    label->setColourScheme(TLabelEffect::csSteel);
    EXPECT_EQ(label->fontColour(), QColor(0, 128, 128));
    label->setColourScheme(TLabelEffect::csCustom);
    EXPECT_EQ(label->colourShadow(), QColor(0, 0, 128)); // the custom row took Steel's colours
    EXPECT_EQ(label->fontColour(), QColor(0, 128, 128));
}

TEST_F(LabelEffect, EffectStylesSetTheirRows)
{
    label->setColourScheme(TLabelEffect::csSteel);
    label->setEffectStyle(TLabelEffect::esFlying);
    EXPECT_EQ(label->depthShadow(), 5);
    EXPECT_EQ(label->directionHighlight(), TLabelEffect::edDownRight);
    EXPECT_EQ(label->colourHighlight(), QColor(0, 0, 128)); // the scheme's shadow colour
    EXPECT_EQ(label->colourScheme(), TLabelEffect::csSteel);
    label->setEffectStyle(TLabelEffect::esRaised);
    EXPECT_EQ(label->colourHighlight(), QColor(0, 255, 255));
    EXPECT_EQ(label->depthShadow(), 1);

    label->setDirectionShadow(TLabelEffect::edDown);
    label->setEffectStyle(TLabelEffect::esCustom); // keeps what was set
    EXPECT_EQ(label->directionShadow(), TLabelEffect::edDown);
    label->setEffectStyle(TLabelEffect::esNone);
    EXPECT_EQ(label->depthHighlight(), 0);
    EXPECT_EQ(label->directionShadow(), TLabelEffect::edNone);
}

TEST_F(LabelEffect, FlyingAndBackKeepsTheCustomHighlight)
{
    label->setColourHighlight(QColor(1, 2, 3));
    label->setColourShadow(QColor(4, 5, 6));
    ASSERT_EQ(label->colourScheme(), TLabelEffect::csCustom);
    label->setEffectStyle(TLabelEffect::esFlying);
    EXPECT_EQ(label->colourHighlight(), QColor(4, 5, 6));
    EXPECT_EQ(label->colourScheme(), TLabelEffect::csCustom);
    label->setEffectStyle(TLabelEffect::esRaised);
    EXPECT_EQ(label->colourHighlight(), QColor(1, 2, 3));
    EXPECT_EQ(label->customScheme().highlight, QColor(1, 2, 3));
}

TEST_F(LabelEffect, OutOfRangeDepthsAndAnglesAreClamped)
{
    label->setDepthShadow(99);
    EXPECT_EQ(label->depthShadow(), 10);
    label->setDepthHighlight(-4);
    EXPECT_EQ(label->depthHighlight(), 0);
    label->setAngle(400);
    EXPECT_EQ(label->angle(), 360);
    label->setAngle(-5);
    EXPECT_EQ(label->angle(), 0);
}

TEST_F(LabelEffect, GraduatedShadowStepsTowardTheFontColour)
{
    label->setFontColour(QColor(200, 100, 0));
    label->setColourShadow(QColor(0, 0, 40));
    label->setDirectionHighlight(TLabelEffect::edNone);
    label->setDirectionShadow(TLabelEffect::edRight);
    label->setDepthShadow(5);
    label->setStyleShadow(TLabelEffect::eoGraduated);
    showForm();
    const QImage img = shot();
    const auto face = pixelsOf(img, QColor(200, 100, 0));
    ASSERT_FALSE(face.empty());
    // Across the stem at mid-height: the face (with the depth-1 layer, which
    // has the font colour) and then the layers at depths 2 to 5.
    const int y = (face.front().y() + face.back().y()) / 2;
    int right = -1;
    for (int x = 0; x < img.width(); ++x)
        if (QColor(img.pixel(x, y)) == QColor(200, 100, 0))
            right = x;
    ASSERT_GE(right, 0);
    EXPECT_EQ(QColor(img.pixel(right + 1, y)), QColor(150, 75, 10));
    EXPECT_EQ(QColor(img.pixel(right + 2, y)), QColor(100, 50, 20));
    EXPECT_EQ(QColor(img.pixel(right + 3, y)), QColor(50, 25, 30));
    EXPECT_EQ(QColor(img.pixel(right + 4, y)), QColor(0, 0, 40));
    EXPECT_EQ(QColor(img.pixel(right + 5, y)), kBack);
}

TEST_F(LabelEffect, RealShadowDarkensAndRealHighlightLightensWhatIsBeneath)
{
    label->setStyleShadow(TLabelEffect::eoReal);
    label->setStyleHighlight(TLabelEffect::eoReal);
    showForm();
    const QImage img = shot();
    const auto face = pixelsOf(img, QColor(128, 128, 128));
    ASSERT_FALSE(face.empty());
    EXPECT_EQ(QColor(img.pixel(face.back() + QPoint(1, 1))), QColor(100, 50, 25));
    EXPECT_EQ(QColor(img.pixel(face.front() - QPoint(1, 1))), QColor(227, 177, 152));
    EXPECT_EQ(QColor(img.pixel(140, 1)), kBack);
}

TEST_F(LabelEffect, OpaqueLabelFillsItsColour)
{
    label->setTransparent(false);
    label->setColor(QColor(0, 160, 0));
    showForm();
    const QImage img = shot();
    EXPECT_EQ(QColor(img.pixel(140, 1)), QColor(0, 160, 0));
    EXPECT_EQ(QColor(img.pixel(0, 32)), QColor(0, 160, 0));
}

TEST_F(LabelEffect, VerticalGradientAcrossTheFace)
{
    QFont f("DejaVu Sans");
    f.setPixelSize(40);
    label->setFont(f);
    label->resize(60, 60);
    label->setText("H");
    label->setEffectStyle(TLabelEffect::esNone);
    label->setGraduateFrom(QColor(255, 0, 0));
    label->setFontColour(QColor(0, 0, 255));
    label->setGraduateFace(TLabelEffect::goVertical);
    showForm();
    const QImage img = shot();
    QFont plain = f;
    plain.setStyleStrategy(QFont::NoAntialias);
    const int n = QFontMetrics(plain).size(Qt::TextShowMnemonic, "H").height() - 1;
    int faces = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c(img.pixel(x, y));
            if (c == kBack || c == QColor(Qt::black) || c == QColor(Qt::white))
                continue;
            ++faces;
            ASSERT_EQ(c, lbleffct::stepColour(QColor(255, 0, 0), QColor(0, 0, 255), n, y)) << x << "," << y;
        }
    EXPECT_GT(faces, 50);
}

TEST_F(LabelEffect, RotatedTextRunsBottomToTopAboutItsCentre)
{
    label->setTextAlignment(TLabelEffect::taCenter);
    label->resize(200, 200);
    label->setText("MM........");
    label->setAngle(90);
    EXPECT_EQ(label->textAlignment(), TLabelEffect::taLeftJustify);
    showForm();
    const QImage img = shot();
    const auto face = pixelsOf(img, QColor(128, 128, 128));
    ASSERT_FALSE(face.empty());
    QRect box;
    for (const QPoint &p : face)
        box |= QRect(p, QSize(1, 1));
    EXPECT_GT(box.height(), 2 * box.width()); // runs up the label
    QFont plain = label->font();
    plain.setStyleStrategy(QFont::NoAntialias);
    const int cx = QFontMetrics(plain).horizontalAdvance("MM........   ") / 2 + 1; // + -minOff
    EXPECT_NEAR(box.center().y(), cx, 4);
    // The heavy letters come first, so they stand at the bottom.
    const int quarter = box.height() / 4;
    const auto bottom = std::count_if(face.begin(), face.end(), [&](QPoint p) { return p.y() > box.bottom() - quarter; });
    const auto top = std::count_if(face.begin(), face.end(), [&](QPoint p) { return p.y() < box.top() + quarter; });
    EXPECT_GT(bottom, 3 * top);
}

TEST_F(LabelEffect, UprightLettersStayReadable)
{
    label->resize(200, 200);
    label->setText("II");
    label->setKeepLettersVertical(true);
    label->setAngle(90);
    showForm();
    const auto face = pixelsOf(shot(), QColor(128, 128, 128));
    ASSERT_FALSE(face.empty());
    QRect box;
    for (const QPoint &p : face)
        box |= QRect(p, QSize(1, 1));
    EXPECT_GT(box.height(), box.width() * 2); // one "I" above the other
}

TEST_F(LabelEffect, AsButtonSinksWhileHeldInside)
{
    label->setDepthShadow(2);
    label->setAsButton(true);
    EXPECT_EQ(label->effectStyle(), TLabelEffect::esRaised);
    showForm();
    QSignalSpy clicks(label, &TLabelEffect::clicked);
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(label->effectStyle(), TLabelEffect::esSunken);
    QTest::mouseMove(label, QPoint(200, 10));
    EXPECT_EQ(label->effectStyle(), TLabelEffect::esRaised);
    QTest::mouseMove(label, QPoint(21, 10));
    EXPECT_EQ(label->effectStyle(), TLabelEffect::esSunken);
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(21, 10));
    EXPECT_EQ(label->effectStyle(), TLabelEffect::esRaised);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(label->asButton());

    label->setEffectStyle(TLabelEffect::esShadow); // not a button any more
    EXPECT_FALSE(label->asButton());
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(label->effectStyle(), TLabelEffect::esShadow);
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(clicks.count(), 2);
}

} // namespace
