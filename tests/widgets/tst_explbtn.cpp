// The explorer-style button driven as a user would: pointer, clicks, groups,
// the drop-down menu and accelerators, and what it paints in each state.
#include "widgets/explbtn.h"

#include <QCursor>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QColor kFace(192, 192, 192), kLight(240, 240, 240), kDark(128, 128, 128), kText(0, 0, 0);
const QColor kKey(255, 0, 255);

class ExplorerButton : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Each form opens with the pointer away from it.
        QCursor::setPos(0, 0);
        QCoreApplication::processEvents();
        form = std::make_unique<QWidget>();
        QPalette pal = form->palette();
        pal.setColor(QPalette::Window, kFace);
        pal.setColor(QPalette::Button, kFace);
        pal.setColor(QPalette::Light, kLight);
        pal.setColor(QPalette::Dark, kDark);
        pal.setColor(QPalette::WindowText, kText);
        form->setPalette(pal);
        form->setAutoFillBackground(true);
        form->resize(300, 200);
        form->move(100, 100);
    }

    TExplorerButton *add(int x, int y, int w = 23, int h = 22)
    {
        auto *b = new TExplorerButton(form.get());
        b->setGeometry(x, y, w, h);
        return b;
    }

    void showForm()
    {
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    // Moves the pointer off every button (twice: a move to where the pointer
    // already is would be dropped) and checks that none is left hot.
    void rest()
    {
        QTest::mouseMove(form.get(), QPoint(250, 150));
        QTest::mouseMove(form.get(), QPoint(251, 151));
        for (auto *b : form->findChildren<TExplorerButton *>())
            ASSERT_FALSE(b->isHot());
    }

    static QImage shot(QWidget *w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    static void click(TExplorerButton *b, QPoint at = QPoint(5, 5))
    {
        QTest::mouseMove(b, at);
        QTest::mouseClick(b, Qt::LeftButton, {}, at);
    }

    // A 20 x 20 glyph on the key colour with the given pixels.
    static QImage glyph(std::initializer_list<std::pair<QPoint, QColor>> pixels)
    {
        QImage img(20, 20, QImage::Format_RGB32);
        img.fill(kKey);
        for (const auto &[p, c] : pixels)
            img.setPixel(p, c.rgb());
        return img;
    }

    std::unique_ptr<QWidget> form;
};

TEST_F(ExplorerButton, DefaultsOfANewButton)
{
    TExplorerButton b;
    EXPECT_EQ(b.size(), QSize(50, 40));
    EXPECT_EQ(b.alignment(), TExplorerButton::taCenter);
    EXPECT_EQ(b.bevelStyle(), TExplorerButton::bsRaised);
    EXPECT_EQ(b.buttonLayout(), TExplorerButton::blBitmapTop);
    EXPECT_EQ(b.options(), TExplorerButton::boMonoDisplay | TExplorerButton::boPopupMark);
    EXPECT_EQ(b.shadingType(), TExplorerButton::stMedium);
    EXPECT_TRUE(b.showDownPattern());
    EXPECT_TRUE(b.isButtonEnabled());
    EXPECT_EQ(b.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(b.property("GroupIndex").toInt(), 0);
    EXPECT_TRUE(b.setProperty("ShadingType", "stDark"));
    EXPECT_EQ(b.shadingType(), TExplorerButton::stDark);
}

TEST_F(ExplorerButton, HotOnEnteringAndNotOnLeaving)
{
    auto *b = add(10, 10);
    showForm();
    QTest::mouseMove(form.get(), QPoint(200, 150));
    EXPECT_FALSE(b->isHot());
    QTest::mouseMove(b, QPoint(5, 5));
    EXPECT_TRUE(b->isHot());
    QTest::mouseMove(form.get(), QPoint(200, 150));
    EXPECT_FALSE(b->isHot());
}

TEST_F(ExplorerButton, ClickOnlyWhenReleasedInside)
{
    auto *b = add(10, 10);
    showForm();
    QSignalSpy clicks(b, &TExplorerButton::clicked);
    click(b);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(b->isPressed());

    QTest::mouseMove(b, QPoint(5, 5));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(b->isPressed());
    EXPECT_TRUE(b->isHot());
    QTest::mouseMove(b, QPoint(80, 80)); // dragged out: shown at rest, still pressed
    EXPECT_FALSE(b->isHot());
    EXPECT_TRUE(b->isPressed());
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(80, 80));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(b->isPressed());
}

TEST_F(ExplorerButton, DraggingBackInsideShowsPressedAgain)
{
    auto *b = add(10, 10);
    showForm();
    QTest::mouseMove(b, QPoint(5, 5));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(b, QPoint(-30, 5));
    const QImage out = shot(b);
    QTest::mouseMove(b, QPoint(6, 6));
    const QImage back = shot(b);
    EXPECT_EQ(QColor(out.pixel(0, 5)), kFace);  // no frame while outside
    EXPECT_EQ(QColor(back.pixel(0, 5)), kDark); // sunken frame again
    QSignalSpy clicks(b, &TExplorerButton::clicked);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ExplorerButton, DisabledButtonIgnoresTheMouse)
{
    auto *b = add(10, 10);
    showForm();
    b->setButtonEnabled(false);
    QSignalSpy clicks(b, &TExplorerButton::clicked);
    click(b);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(b->isPressed());
}

TEST_F(ExplorerButton, GroupLatchesLikeRadioButtons)
{
    TExplorerButton *b[3] = {add(10, 10), add(40, 10), add(70, 10)};
    auto *other = add(100, 10);
    for (auto *x : b)
        x->setGroupIndex(1);
    other->setGroupIndex(2);
    other->setDown(true);
    showForm();

    click(b[0]);
    EXPECT_TRUE(b[0]->isDown());
    click(b[1]);
    EXPECT_TRUE(b[1]->isDown());
    EXPECT_FALSE(b[0]->isDown());
    EXPECT_TRUE(other->isDown()); // another group is left alone
    click(b[1]); // AllowAllUp off: stays down
    EXPECT_TRUE(b[1]->isDown());

    b[2]->setAllowAllUp(true); // copied to the whole group
    EXPECT_TRUE(b[1]->allowAllUp());
    EXPECT_FALSE(other->allowAllUp());
    click(b[1]);
    EXPECT_FALSE(b[1]->isDown());
    for (auto *x : b)
        EXPECT_FALSE(x->isDown());
}

TEST_F(ExplorerButton, DownNeedsAGroup)
{
    auto *a = add(10, 10);
    auto *c = add(40, 10);
    a->setDown(true);
    EXPECT_FALSE(a->isDown());
    a->setGroupIndex(3);
    c->setGroupIndex(3);
    a->setDown(true);
    c->setDown(true);
    EXPECT_FALSE(a->isDown());
    EXPECT_TRUE(c->isDown());
    c->setGroupIndex(0); // leaving the group releases it
    EXPECT_FALSE(c->isDown());
    a->setDown(true);
    a->setButtonEnabled(false); // grouped buttons keep their latch when disabled
    EXPECT_TRUE(a->isDown());
}

TEST_F(ExplorerButton, DropDownMenuOpensBelowInsteadOfClicking)
{
    auto *b = add(10, 10);
    QMenu menu;
    menu.addAction("One");
    b->setDropDownMenu(&menu);
    showForm();
    QPoint shownAt;
    int shown = 0;
    b->setMenuRunner([&](QMenu *m, const QPoint &at) {
        EXPECT_EQ(m, &menu);
        EXPECT_TRUE(b->isPressed());
        shownAt = at;
        ++shown;
        QCursor::setPos(b->mapToGlobal(QPoint(120, 120))); // the user leaves the button
    });
    QSignalSpy clicks(b, &TExplorerButton::clicked);
    QTest::mouseMove(b, QPoint(5, 5));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5)); // the menu takes the release
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(shownAt, b->mapToGlobal(QPoint(0, b->height())));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(b->isHot());
    EXPECT_FALSE(b->isPressed());

    // The pointer still strictly inside after the menu: the button stays hot.
    b->setMenuRunner([&](QMenu *, const QPoint &) { QCursor::setPos(b->mapToGlobal(QPoint(5, 5))); });
    QTest::mouseMove(b, QPoint(5, 5));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(b->isHot());
    EXPECT_FALSE(b->isPressed());
}

TEST_F(ExplorerButton, PopupMenuOpensAtThePointerOnRightRelease)
{
    auto *b = add(10, 10);
    QMenu menu;
    b->setPopupMenu(&menu);
    showForm();
    QPoint shownAt;
    b->setMenuRunner([&](QMenu *m, const QPoint &at) {
        EXPECT_EQ(m, &menu);
        shownAt = at;
        QCursor::setPos(b->mapToGlobal(QPoint(150, 150)));
    });
    QSignalSpy clicks(b, &TExplorerButton::clicked);
    QTest::mouseMove(b, QPoint(7, 8));
    QTest::mouseClick(b, Qt::RightButton, {}, QPoint(7, 8));
    EXPECT_EQ(shownAt, b->mapToGlobal(QPoint(7, 8)));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(b->isHot());
}

TEST_F(ExplorerButton, RemovedMenuIsForgotten)
{
    auto *b = add(10, 10);
    auto *menu = new QMenu;
    b->setDropDownMenu(menu);
    delete menu;
    EXPECT_EQ(b->dropDownMenu(), nullptr);
    showForm();
    QSignalSpy clicks(b, &TExplorerButton::clicked);
    click(b);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ExplorerButton, AcceleratorClicksTheButton)
{
    auto *b = add(10, 10);
    b->setCaption("&Save");
    showForm();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QSignalSpy clicks(b, &TExplorerButton::clicked);
    QTest::keyClick(form.get(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    b->setButtonEnabled(false);
    QTest::keyClick(form.get(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    b->setButtonEnabled(true);
    b->setCaption("Save"); // no mark, no key
    QTest::keyClick(form.get(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ExplorerButton, IconOnlyCaptionBecomesTheHint)
{
    auto *b = add(10, 10);
    b->setCaption("&Open && Save");
    b->setOptions(TExplorerButton::boIconOnly);
    EXPECT_EQ(b->hint(), "Open & Save");
    EXPECT_TRUE(b->showHint());
    // Setting the options again while icon-only keeps the hint.
    b->setOptions(TExplorerButton::boIconOnly | TExplorerButton::boPopupMark);
    EXPECT_EQ(b->hint(), "Open & Save");
    EXPECT_TRUE(b->showHint());
    b->setCaption("&Load");
    EXPECT_EQ(b->hint(), "Load");
    b->setOptions(TExplorerButton::boMonoDisplay);
    EXPECT_EQ(b->hint(), "");
    EXPECT_FALSE(b->showHint());
    // A hint of one's own survives leaving icon-only.
    b->setHint("Loads a project");
    b->setOptions(TExplorerButton::boIconOnly);
    b->setOptions({});
    EXPECT_EQ(b->hint(), "Loads a project");
}

// A 23 x 22 button without caption puts a 20 x 20 glyph at (1, 1).
struct ShadeCase {
    int level;
    QColor expected;
};

class ShadedRestGlyph : public ExplorerButton, public ::testing::WithParamInterface<ShadeCase> {};

TEST_P(ShadedRestGlyph, MediumShadingAtRestColourWhenHot)
{
    auto *b = add(10, 10);
    const int v = GetParam().level;
    b->setBitmap(glyph({{QPoint(5, 5), QColor(v, v, v)}}));
    showForm();
    rest();
    QImage rest = shot(b);
    EXPECT_EQ(QColor(rest.pixel(6, 6)), GetParam().expected);
    EXPECT_EQ(QColor(rest.pixel(3, 3)), kFace); // key colour: background shows
    QTest::mouseMove(b, QPoint(12, 12));
    QImage hot = shot(b);
    EXPECT_EQ(QColor(hot.pixel(6, 6)), QColor(v, v, v));
}

INSTANTIATE_TEST_SUITE_P(Levels, ShadedRestGlyph,
                         ::testing::Values(ShadeCase{200, Qt::white}, ShadeCase{100, kLight}, ShadeCase{30, kDark},
                                           ShadeCase{10, Qt::black}),
                         [](const auto &info) { return "level" + std::to_string(info.param.level); });

TEST_F(ExplorerButton, NoFocusBitmapOrColourGlyphAtRest)
{
    auto *b = add(10, 10);
    b->setBitmap(glyph({{QPoint(5, 5), QColor(200, 200, 200)}}));
    b->setNoFocusBitmap(glyph({{QPoint(5, 5), QColor(10, 20, 30)}}));
    showForm();
    rest();
    EXPECT_EQ(QColor(shot(b).pixel(6, 6)), QColor(10, 20, 30));
    b->setOptions({});
    EXPECT_EQ(QColor(shot(b).pixel(6, 6)), QColor(200, 200, 200));
}

TEST_F(ExplorerButton, FramesAndContentShift)
{
    auto *b = add(10, 10);
    b->setBitmap(glyph({{QPoint(5, 5), QColor(0, 0, 200)}}));
    showForm();
    QTest::mouseMove(b, QPoint(12, 12));
    QImage hot = shot(b);
    EXPECT_EQ(QColor(hot.pixel(0, 10)), kLight);
    EXPECT_EQ(QColor(hot.pixel(10, 0)), kLight);
    EXPECT_EQ(QColor(hot.pixel(22, 10)), kDark);
    EXPECT_EQ(QColor(hot.pixel(10, 21)), kDark);
    EXPECT_EQ(QColor(hot.pixel(22, 0)), kDark); // the right edge starts at the top
    EXPECT_EQ(QColor(hot.pixel(0, 21)), kLight);
    EXPECT_EQ(QColor(hot.pixel(6, 6)), QColor(0, 0, 200));

    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(12, 12));
    QImage pressed = shot(b);
    EXPECT_EQ(QColor(pressed.pixel(0, 10)), kDark);
    EXPECT_EQ(QColor(pressed.pixel(22, 10)), kLight);
    EXPECT_EQ(QColor(pressed.pixel(7, 7)), QColor(0, 0, 200)); // moved one down-right
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(12, 12));

    b->setBevelStyle(TExplorerButton::bsLowered);
    QTest::mouseMove(b, QPoint(13, 12));
    EXPECT_EQ(QColor(shot(b).pixel(0, 10)), kDark);
}

TEST_F(ExplorerButton, LatchedButtonShowsTheCheckerPattern)
{
    auto *b = add(10, 10);
    b->setGroupIndex(1);
    b->setDown(true);
    showForm();
    QImage down = shot(b);
    EXPECT_EQ(QColor(down.pixel(0, 10)), kDark); // pressed frame
    EXPECT_EQ(QColor(down.pixel(4, 4)), kLight);
    EXPECT_EQ(QColor(down.pixel(5, 5)), kLight);
    EXPECT_EQ(QColor(down.pixel(4, 5)), kFace);
    b->setShowDownPattern(false);
    EXPECT_EQ(QColor(shot(b).pixel(4, 4)), kFace);
}

TEST_F(ExplorerButton, DisabledShowsOnlyTheEngravedBlackPixels)
{
    auto *b = add(10, 10);
    b->setBitmap(glyph({{QPoint(5, 5), Qt::black}, {QPoint(10, 10), QColor(90, 0, 0)}}));
    b->setButtonEnabled(false);
    showForm();
    QImage img = shot(b);
    EXPECT_EQ(QColor(img.pixel(6, 6)), kDark);
    EXPECT_EQ(QColor(img.pixel(7, 7)), kLight);
    EXPECT_EQ(QColor(img.pixel(11, 11)), kFace);
    EXPECT_EQ(QColor(img.pixel(0, 10)), kFace); // no frame

    b->setDisabledBitmap(glyph({{QPoint(8, 8), QColor(1, 2, 3)}}));
    img = shot(b);
    EXPECT_EQ(QColor(img.pixel(9, 9)), QColor(1, 2, 3));
    EXPECT_EQ(QColor(img.pixel(6, 6)), kFace);
}

TEST_F(ExplorerButton, DropDownMarkInTheCaptionColour)
{
    auto *b = add(10, 10);
    QMenu menu;
    b->setDropDownMenu(&menu);
    b->setUnselectedFontColor(QColor(200, 0, 0));
    showForm();
    rest();
    // No glyph, no caption: the 10-pixel block is centred at x 6, y 11,
    // and the mark's top row is at (9..15, 10).
    QImage img = shot(b);
    EXPECT_EQ(QColor(img.pixel(9, 10)), QColor(200, 0, 0));
    EXPECT_EQ(QColor(img.pixel(15, 10)), QColor(200, 0, 0));
    EXPECT_EQ(QColor(img.pixel(12, 13)), QColor(200, 0, 0));
    EXPECT_EQ(QColor(img.pixel(11, 13)), kFace);
    EXPECT_EQ(QColor(img.pixel(8, 10)), kFace);
    b->setOptions(TExplorerButton::boMonoDisplay);
    EXPECT_EQ(QColor(shot(b).pixel(12, 13)), kFace);
}

TEST_F(ExplorerButton, RestCaptionUsesTheUnselectedColour)
{
    auto *b = add(10, 10, 80, 30);
    b->setCaption("MMMM");
    b->setUnselectedFontColor(QColor(0, 0, 255));
    showForm();
    rest();
    // Letters may be smoothed: count the pixels that lean to blue.
    auto bluish = [](const QImage &img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += qBlue(img.pixel(x, y)) > qRed(img.pixel(x, y)) + 60;
        return n;
    };
    EXPECT_GT(bluish(shot(b)), 5);
    QTest::mouseMove(b, QPoint(40, 15));
    EXPECT_EQ(bluish(shot(b)), 0);
}

TEST_F(ExplorerButton, DisabledCaptionIsEngraved)
{
    auto *b = add(10, 10, 80, 30);
    b->setCaption("MMMM");
    b->setFontColour(QColor(0, 0, 255));
    b->setUnselectedFontColor(QColor(0, 0, 255));
    b->setButtonEnabled(false);
    showForm();
    const QImage img = shot(b);
    int light = 0, dark = 0, blue = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c(img.pixel(x, y));
            light += c.red() > kFace.red() + 10; // only the highlight is brighter than the face
            dark += c == kDark;
            blue += c.blue() > c.red() + 60;
        }
    EXPECT_GT(light, 5);
    EXPECT_GT(dark, 5);
    EXPECT_EQ(blue, 0);
}

TEST_F(ExplorerButton, CaptionIsCutToItsFirst255Characters)
{
    // "a", 254 blanks and then letters that only a longer caption would show.
    auto *b = add(0, 0, 2000, 30);
    form->resize(2100, 100);
    b->setAlignment(TExplorerButton::taLeftJustify);
    b->setCaption("a" + QString(254, u' ') + "WWWW");
    showForm();
    rest();
    const QImage img = shot(b);
    int inked = 0, far = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qRed(img.pixel(x, y)) < 100) {
                ++inked;
                far += x > 40;
            }
    EXPECT_GT(inked, 0);
    EXPECT_EQ(far, 0);
}

} // namespace
