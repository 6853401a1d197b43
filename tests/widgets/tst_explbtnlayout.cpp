// Placement and glyph arithmetic of the explorer-style button, checked
// without a window.
#include "widgets/explbtnlayout.h"

#include <gtest/gtest.h>

using namespace explbtn;

namespace {

struct PlaceRow {
    const char *name;
    LayoutInput in;
    int tx, ty, tw, bx, by;
};

LayoutInput input(int w, int h, int tw, int th, int gw, int gh, bool mark, GlyphLayout l, Align a, bool wrap = false)
{
    LayoutInput in;
    in.width = w;
    in.height = h;
    in.textWidth = tw;
    in.textHeight = th;
    in.hasCaption = tw > 0;
    in.glyphWidth = gw;
    in.glyphHeight = gh;
    in.popupMark = mark;
    in.layout = l;
    in.alignment = a;
    in.wordWrap = wrap;
    return in;
}

constexpr auto T = GlyphLayout::BitmapTop, B = GlyphLayout::BitmapBottom, L = GlyphLayout::BitmapLeft,
               R = GlyphLayout::BitmapRight;
constexpr auto AL = Align::LeftJustify, AR = Align::RightJustify, AC = Align::Center;

// 50 x 40 with a 30 x 13 caption and a 20 x 20 glyph; beside the glyph the
// caption is cut to 24 so that glyph, gap and caption fit in width - 4.
// The second block is 60 x 30, caption 20 x 10, glyph 16 x 16 with the
// drop-down mark widening the glyph block to 26.
const PlaceRow placeRows[] = {
    {"top_left", input(50, 40, 30, 13, 20, 20, false, T, AL), 3, 24, 30, 3, 2},
    {"top_right", input(50, 40, 30, 13, 20, 20, false, T, AR), 17, 24, 30, 27, 2},
    {"top_centre", input(50, 40, 30, 13, 20, 20, false, T, AC), 10, 24, 30, 15, 2},
    {"bottom_left", input(50, 40, 30, 13, 20, 20, false, B, AL), 3, 2, 30, 3, 17},
    {"bottom_right", input(50, 40, 30, 13, 20, 20, false, B, AR), 17, 2, 30, 27, 17},
    {"bottom_centre", input(50, 40, 30, 13, 20, 20, false, B, AC), 10, 2, 30, 15, 17},
    {"left_left", input(50, 40, 30, 13, 20, 20, false, L, AL), 25, 13, 24, 3, 10},
    {"left_right", input(50, 40, 30, 13, 20, 20, false, L, AR), 23, 13, 24, 1, 10},
    {"left_centre", input(50, 40, 30, 13, 20, 20, false, L, AC), 24, 13, 24, 2, 10},
    {"right_left", input(50, 40, 30, 13, 20, 20, false, R, AL), 3, 13, 24, 29, 10},
    {"right_right", input(50, 40, 30, 13, 20, 20, false, R, AR), 1, 13, 24, 27, 10},
    {"right_centre", input(50, 40, 30, 13, 20, 20, false, R, AC), 2, 13, 24, 28, 10},
    {"mark_top_left", input(60, 30, 20, 10, 16, 16, true, T, AL), 3, 19, 20, 3, 1},
    {"mark_top_right", input(60, 30, 20, 10, 16, 16, true, T, AR), 37, 19, 20, 31, 1},
    {"mark_top_centre", input(60, 30, 20, 10, 16, 16, true, T, AC), 20, 19, 20, 17, 1},
    {"mark_bottom_centre", input(60, 30, 20, 10, 16, 16, true, B, AC), 20, 1, 20, 17, 13},
    {"mark_left_left", input(60, 30, 20, 10, 16, 16, true, L, AL), 31, 10, 20, 3, 7},
    {"mark_left_right", input(60, 30, 20, 10, 16, 16, true, L, AR), 37, 10, 20, 9, 7},
    {"mark_left_centre", input(60, 30, 20, 10, 16, 16, true, L, AC), 34, 10, 20, 6, 7},
    {"mark_right_left", input(60, 30, 20, 10, 16, 16, true, R, AL), 3, 10, 20, 25, 7},
    {"mark_right_right", input(60, 30, 20, 10, 16, 16, true, R, AR), 9, 10, 20, 31, 7},
    {"mark_right_centre", input(60, 30, 20, 10, 16, 16, true, R, AC), 6, 10, 20, 28, 7},
    // Without a glyph only the alignment counts; the mark widens the block.
    {"text_left", input(50, 20, 30, 13, 0, 0, false, L, AL), 3, 3, 30, 0, 0},
    {"text_right", input(50, 20, 30, 13, 0, 0, false, T, AR), 17, 3, 30, 0, 0},
    {"text_centre", input(50, 20, 30, 13, 0, 0, false, B, AC), 10, 3, 30, 0, 0},
    {"text_mark_right", input(50, 20, 30, 13, 0, 0, true, T, AR), 7, 3, 30, 0, 0},
    {"text_mark_centre", input(50, 20, 30, 13, 0, 0, true, T, AC), 5, 3, 30, 0, 0},
    // Too narrow: the caption shrinks to width - 14 and centring truncates
    // toward zero, (30 - 35) / 2 = -2.
    {"narrow_mark_centre", input(30, 20, 25, 13, 0, 0, true, T, AC), -2, 3, 16, 0, 0},
    // A caption wider than the button is limited to width - 4 first.
    {"wide_caption", input(40, 20, 100, 13, 0, 0, false, T, AL), 3, 3, 36, 0, 0},
    // Word wrap keeps five pixels clear on the right.
    {"wrap_left_left", input(50, 40, 30, 13, 20, 20, false, L, AL, true), 25, 13, 20, 3, 10},
    {"wrap_top_right", input(50, 40, 46, 26, 20, 20, false, T, AR, true), 1, 18, 44, 27, -4},
};

class PlaceContent : public ::testing::TestWithParam<PlaceRow> {};

TEST_P(PlaceContent, PositionsOfCaptionAndGlyph)
{
    const PlaceRow &r = GetParam();
    const Layout out = placeContent(r.in);
    EXPECT_EQ(out.tx, r.tx);
    EXPECT_EQ(out.ty, r.ty);
    EXPECT_EQ(out.tw, r.tw);
    EXPECT_EQ(out.th, r.in.textHeight);
    EXPECT_EQ(out.bx, r.bx);
    EXPECT_EQ(out.by, r.by);
    // The mark sits right of the glyph, or of the caption without one, and
    // one pixel further right and down when pressed.
    if (r.in.glyphWidth > 0) {
        EXPECT_EQ(out.restMark, QPoint(r.in.glyphWidth + r.bx + 3, r.by + r.in.glyphHeight / 2));
    } else {
        EXPECT_EQ(out.restMark, QPoint(r.tx + r.tw + 3, r.ty + r.in.textHeight / 2));
    }
    EXPECT_EQ(out.pressedMark, out.restMark + QPoint(1, 1));
}

INSTANTIATE_TEST_SUITE_P(EveryLayoutAndAlignment, PlaceContent, ::testing::ValuesIn(placeRows),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Accelerators, MarksAreStrippedForTheHint)
{
    EXPECT_EQ(stripAccelerators("&Open"), "Open");
    EXPECT_EQ(stripAccelerators("Save && &Close"), "Save & Close");
    EXPECT_EQ(stripAccelerators("End&"), "End&");
    EXPECT_EQ(stripAccelerators("&&&x"), "&x");
    EXPECT_EQ(stripAccelerators(""), "");
}

TEST(Accelerators, KeyIsTheCharacterAfterASingleMark)
{
    EXPECT_EQ(acceleratorOf("&Open"), QChar(u'O'));
    EXPECT_EQ(acceleratorOf("A&&B &Load"), QChar(u'L'));
    EXPECT_TRUE(acceleratorOf("A&&B").isNull());
    EXPECT_TRUE(acceleratorOf("End&").isNull());
}

struct ShadeRow {
    Shading type;
    int sum;       // r + g + b of the glyph pixel
    char expected; // W white, H highlight, S shadow, K black
};

// Each threshold and the value one above it.
const ShadeRow shadeRows[] = {
    {Shading::Medium, 600, 'W'}, {Shading::Medium, 300, 'H'}, {Shading::Medium, 90, 'S'},
    {Shading::Medium, 30, 'K'},  {Shading::Medium, 553, 'H'}, {Shading::Medium, 554, 'W'},
    {Shading::Medium, 231, 'S'}, {Shading::Medium, 232, 'H'}, {Shading::Medium, 57, 'K'},
    {Shading::Medium, 58, 'S'},  {Shading::Light, 205, 'H'},  {Shading::Light, 206, 'W'},
    {Shading::Light, 127, 'S'},  {Shading::Light, 128, 'H'},  {Shading::Light, 68, 'K'},
    {Shading::Light, 69, 'S'},   {Shading::Dark, 335, 'H'},   {Shading::Dark, 336, 'W'},
    {Shading::Dark, 274, 'S'},   {Shading::Dark, 275, 'H'},   {Shading::Dark, 175, 'K'},
    {Shading::Dark, 176, 'S'},   {Shading::Dark, 765, 'W'},
};

class ShadeGlyph : public ::testing::TestWithParam<ShadeRow> {};

TEST_P(ShadeGlyph, SumOfChannelsPicksTheTone)
{
    const ShadeRow &r = GetParam();
    const QColor highlight(230, 231, 232), shadow(100, 101, 102);
    QImage glyph(3, 2, QImage::Format_RGB32);
    glyph.fill(QColor(255, 0, 255)); // top-left colour: transparent
    const int third = r.sum / 3;
    glyph.setPixel(1, 1, qRgb(third, third, r.sum - 2 * third));
    const QImage out = shadeGlyph(glyph, r.type, highlight, shadow);
    const QColor want = r.expected == 'W' ? QColor(Qt::white)
                        : r.expected == 'H' ? highlight
                        : r.expected == 'S' ? shadow
                                            : QColor(Qt::black);
    EXPECT_EQ(QColor(out.pixel(1, 1)), want);
    EXPECT_EQ(QColor(out.pixel(0, 0)), QColor(255, 0, 255));
    EXPECT_EQ(QColor(out.pixel(2, 1)), QColor(255, 0, 255));
}

INSTANTIATE_TEST_SUITE_P(Thresholds, ShadeGlyph, ::testing::ValuesIn(shadeRows), [](const auto &info) {
    return "type" + std::to_string(int(info.param.type)) + "_sum" + std::to_string(info.param.sum);
});

TEST(ShadeGlyph, EmptyGlyphGivesEmptyImage)
{
    EXPECT_TRUE(shadeGlyph(QImage(), Shading::Medium, Qt::white, Qt::gray).isNull());
    EXPECT_TRUE(engraveGlyph(QImage(), Qt::white, Qt::gray).isNull());
    EXPECT_TRUE(keyedGlyph(QImage()).isNull());
}

TEST(DownPattern, CheckerOfHighlightOnEvenSums)
{
    const QColor face(192, 192, 192), light(255, 255, 255);
    const QImage p = makeDownPattern(face, light);
    ASSERT_EQ(p.size(), QSize(8, 8));
    EXPECT_EQ(QColor(p.pixel(0, 0)), light);
    EXPECT_EQ(QColor(p.pixel(1, 1)), light);
    EXPECT_EQ(QColor(p.pixel(7, 7)), light);
    EXPECT_EQ(QColor(p.pixel(1, 0)), face);
    EXPECT_EQ(QColor(p.pixel(0, 7)), face);
    EXPECT_EQ(QColor(p.pixel(6, 3)), face);
}

TEST(EngravedGlyph, OnlyPureBlackPixelsShow)
{
    QImage glyph(4, 4, QImage::Format_RGB32);
    glyph.fill(Qt::white);
    glyph.setPixel(1, 1, qRgb(0, 0, 0));
    glyph.setPixel(2, 2, qRgb(1, 0, 0)); // nearly black: not engraved
    const QColor light(250, 250, 250), dark(90, 90, 90);
    const QImage out = engraveGlyph(glyph, light, dark);
    ASSERT_EQ(out.size(), QSize(5, 5));
    EXPECT_EQ(QColor(out.pixel(1, 1)), dark);
    EXPECT_EQ(QColor(out.pixel(2, 2)), light); // highlight one down-right
    EXPECT_EQ(qAlpha(out.pixel(3, 3)), 0);
    EXPECT_EQ(qAlpha(out.pixel(0, 0)), 0);
}

TEST(KeyedGlyph, TopLeftColourBecomesTransparent)
{
    QImage glyph(2, 2, QImage::Format_RGB32);
    glyph.fill(QColor(0, 128, 128));
    glyph.setPixel(1, 0, qRgb(10, 20, 30));
    const QImage out = keyedGlyph(glyph);
    EXPECT_EQ(qAlpha(out.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(out.pixel(1, 1)), 0);
    EXPECT_EQ(out.pixel(1, 0), qRgb(10, 20, 30));
}

TEST(DropDownMark, FourRowsNarrowingToAPoint)
{
    const auto px = dropDownMarkPixels(QPoint(10, 20));
    ASSERT_EQ(px.size(), 16u);
    auto has = [&](int x, int y) { return std::find(px.begin(), px.end(), QPoint(x, y)) != px.end(); };
    for (int x = 10; x <= 16; ++x)
        EXPECT_TRUE(has(x, 19));
    EXPECT_FALSE(has(9, 19));
    EXPECT_FALSE(has(17, 19));
    EXPECT_TRUE(has(11, 20) && has(15, 20) && !has(10, 20) && !has(16, 20));
    EXPECT_TRUE(has(12, 21) && has(14, 21) && !has(11, 21));
    EXPECT_TRUE(has(13, 22) && !has(12, 22) && !has(14, 22));
}

TEST(Frame, EdgesFollowThePenLines)
{
    const FrameEdges e = frameEdges(23, 22);
    EXPECT_EQ(e.first[0], QRect(0, 1, 1, 21));   // left: (0,21) up to (0,1)
    EXPECT_EQ(e.first[1], QRect(0, 0, 22, 1));   // top: (0,0) to (21,0)
    EXPECT_EQ(e.second[0], QRect(22, 0, 1, 21)); // right: (22,0) down to (22,20)
    EXPECT_EQ(e.second[1], QRect(1, 21, 22, 1)); // bottom: (22,21) back to (1,21)
}

TEST(Frame, HotRunsTheBevelWayAndPressedTheOther)
{
    EXPECT_TRUE(frameStartsLight(false, Bevel::Raised));
    EXPECT_FALSE(frameStartsLight(false, Bevel::Lowered));
    EXPECT_FALSE(frameStartsLight(true, Bevel::Raised));
    EXPECT_TRUE(frameStartsLight(true, Bevel::Lowered));
}

} // namespace
