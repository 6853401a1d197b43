// Effect label arithmetic, checked without a window.
#include "widgets/lbleffctgeometry.h"

#include <gtest/gtest.h>

using namespace lbleffct;

namespace {

using D = Direction;

TEST(Rounding, HalvesGoToEvenAndTruncationTowardZero)
{
    EXPECT_EQ(rnd(2.5), 2);
    EXPECT_EQ(rnd(3.5), 4);
    EXPECT_EQ(rnd(-2.5), -2);
    EXPECT_EQ(rnd(2.51), 3);
    EXPECT_EQ(trn(-3.9), -3);
    EXPECT_EQ(trn(3.9), 3);
}

struct DirRow {
    D dir;
    int dx, dy;
};

class UnitOffset : public ::testing::TestWithParam<DirRow> {};

TEST_P(UnitOffset, StepOfEachDirection)
{
    EXPECT_EQ(unitOffset(GetParam().dir), QPoint(GetParam().dx, GetParam().dy));
}

INSTANTIATE_TEST_SUITE_P(AllDirections, UnitOffset,
                         ::testing::Values(DirRow{D::None, 0, 0}, DirRow{D::Up, 0, -1}, DirRow{D::UpRight, 1, -1},
                                           DirRow{D::Right, 1, 0}, DirRow{D::DownRight, 1, 1},
                                           DirRow{D::Down, 0, 1}, DirRow{D::DownLeft, -1, 1},
                                           DirRow{D::Left, -1, 0}, DirRow{D::UpLeft, -1, -1}),
                         [](const auto &info) { return "dir" + std::to_string(int(info.param.dir)); });

struct OffsetRow {
    const char *name;
    D hd;
    int hDepth;
    D sd;
    int sDepth;
    HAlign align;
    int minOff, maxOff, shift;
};

class EffectOffsets : public ::testing::TestWithParam<OffsetRow> {};

TEST_P(EffectOffsets, MarginsAndAlignmentShift)
{
    const OffsetRow &r = GetParam();
    const Offsets o = effectOffsets(r.hd, r.hDepth, r.sd, r.sDepth, r.align);
    EXPECT_EQ(QPoint(o.hx, o.hy), unitOffset(r.hd) * r.hDepth);
    EXPECT_EQ(QPoint(o.sx, o.sy), unitOffset(r.sd) * r.sDepth);
    EXPECT_EQ(o.minOff, r.minOff);
    EXPECT_EQ(o.maxOff, r.maxOff);
    EXPECT_EQ(o.shift, r.shift);
}

INSTANTIATE_TEST_SUITE_P(
    Effects, EffectOffsets,
    ::testing::Values(OffsetRow{"raised_left", D::UpLeft, 1, D::DownRight, 1, HAlign::Left, -1, 1, 0},
                      OffsetRow{"raised_right", D::UpLeft, 1, D::DownRight, 1, HAlign::Right, -1, 1, 2},
                      OffsetRow{"raised_centre", D::UpLeft, 1, D::DownRight, 1, HAlign::Center, -1, 1, 1},
                      OffsetRow{"flying_centre", D::DownRight, 1, D::DownRight, 5, HAlign::Center, 0, 5, 2},
                      OffsetRow{"flying_right", D::DownRight, 1, D::DownRight, 5, HAlign::Right, 0, 5, 5},
                      OffsetRow{"up_left_centre", D::Up, 3, D::Left, 2, HAlign::Center, -3, 0, 1},
                      OffsetRow{"none", D::None, 0, D::None, 0, HAlign::Center, 0, 0, 0},
                      OffsetRow{"deep_downleft", D::DownLeft, 10, D::UpRight, 10, HAlign::Right, -10, 10, 20}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(EffectLayers, GraduatedStepsFromBaseAtFullDepthToFontAtOne)
{
    const auto layers = effectLayers(LayerStyle::Graduated, QColor(0, 0, 0), QColor(128, 128, 128), 5);
    ASSERT_EQ(layers.size(), 5u);
    const int want[5] = {0, 32, 64, 96, 128};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(layers[size_t(k)].q, 5 - k);
        EXPECT_EQ(layers[size_t(k)].colour, QColor(want[k], want[k], want[k]));
    }
}

TEST(EffectLayers, GraduatedStepsRoundHalvesToEven)
{
    // Increment 2.5: 0, 2 (2.5), 5, 8 (7.5), 10.
    const auto layers = effectLayers(LayerStyle::Graduated, QColor(0, 20, 0), QColor(10, 0, 0), 5);
    ASSERT_EQ(layers.size(), 5u);
    EXPECT_EQ(layers[1].colour, QColor(2, 15, 0));
    EXPECT_EQ(layers[2].colour, QColor(5, 10, 0));
    EXPECT_EQ(layers[3].colour, QColor(8, 5, 0));
    EXPECT_EQ(layers[4].colour, QColor(10, 0, 0));
}

TEST(EffectLayers, OtherStylesAndShallowDepths)
{
    const QColor base(10, 20, 30), font(200, 200, 200);
    auto extrude = effectLayers(LayerStyle::Extrude, base, font, 3);
    ASSERT_EQ(extrude.size(), 3u);
    EXPECT_EQ(extrude[0].q, 3);
    EXPECT_EQ(extrude[2].q, 1);
    for (const Layer &l : extrude)
        EXPECT_EQ(l.colour, base);

    auto normal = effectLayers(LayerStyle::Normal, base, font, 4);
    ASSERT_EQ(normal.size(), 1u);
    EXPECT_EQ(normal[0].q, 4);
    EXPECT_EQ(normal[0].colour, base);

    auto shallow = effectLayers(LayerStyle::Graduated, base, font, 1);
    ASSERT_EQ(shallow.size(), 1u);
    EXPECT_EQ(shallow[0].colour, base);

    auto real = effectLayers(LayerStyle::Real, base, font, 3);
    ASSERT_EQ(real.size(), 1u);
    EXPECT_EQ(real[0].q, 3);
    EXPECT_EQ(real[0].colour, QColor(Qt::black));

    auto none = effectLayers(LayerStyle::Extrude, base, font, 0);
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].q, 0);
}

TEST(StepColour, NoStepsStaysAtTheStart)
{
    EXPECT_EQ(stepColour(QColor(1, 2, 3), QColor(200, 200, 200), 0, 0), QColor(1, 2, 3));
    EXPECT_EQ(stepColour(QColor(1, 2, 3), QColor(200, 200, 200), 0, 5), QColor(1, 2, 3));
    EXPECT_EQ(stepColour(QColor(0, 0, 0), QColor(255, 255, 255), 255, 255), QColor(255, 255, 255));
}

TEST(RealLayers, HalveOrHalfWayToWhiteRoundingDown)
{
    EXPECT_EQ(darkened(qRgb(201, 100, 1)), qRgb(100, 50, 0));
    EXPECT_EQ(lightened(qRgb(201, 100, 0)), qRgb(228, 177, 127));
    EXPECT_EQ(qAlpha(darkened(qRgba(10, 10, 10, 0))), 0);
}

TEST(Presets, ColourSchemeRows)
{
    EXPECT_EQ(schemeColours(Scheme::Gold).highlight, QColor(255, 255, 0));
    EXPECT_EQ(schemeColours(Scheme::Gold).face, QColor(128, 128, 0));
    EXPECT_EQ(schemeColours(Scheme::Steel).shadow, QColor(0, 0, 128));
    EXPECT_EQ(schemeColours(Scheme::Steel).face, QColor(0, 128, 128));
    EXPECT_EQ(schemeColours(Scheme::Text).shadow, QColor(128, 128, 128));
    EXPECT_EQ(schemeColours(Scheme::Text).face, QColor(0, 0, 0));
    EXPECT_EQ(schemeColours(Scheme::Embossed).face, QColor(192, 192, 192));
    EXPECT_EQ(schemeColours(Scheme::Windows).face, QColor(128, 128, 128));
    EXPECT_EQ(schemeColours(Scheme::Custom).shadow, QColor(0, 0, 0));
}

TEST(Presets, EffectStyleRows)
{
    const StylePreset flying = stylePreset(Style::Flying);
    EXPECT_EQ(flying.highlight, D::DownRight);
    EXPECT_EQ(flying.shadowDepth, 5);
    EXPECT_TRUE(flying.highlightFromShadow);
    EXPECT_TRUE(flying.clearsAsButton);
    const StylePreset sunken = stylePreset(Style::Sunken);
    EXPECT_EQ(sunken.highlight, D::DownRight);
    EXPECT_EQ(sunken.shadow, D::UpLeft);
    EXPECT_FALSE(sunken.clearsAsButton);
    EXPECT_FALSE(stylePreset(Style::Raised).clearsAsButton);
    EXPECT_FALSE(stylePreset(Style::Custom).setsGeometry);
    const StylePreset shadow = stylePreset(Style::Shadow);
    EXPECT_EQ(shadow.highlightDepth, 0);
    EXPECT_EQ(shadow.shadowDepth, 2);
}

TEST(Trig, AngleZeroIsExact)
{
    const Trig t = angleTrig(0);
    EXPECT_EQ(t.cos, 1.0);
    EXPECT_EQ(t.sin, 0.0);
    EXPECT_EQ(t.cos2, 1.0);
    EXPECT_EQ(t.sin2, 0.0);
    EXPECT_NEAR(angleTrig(90).sin, 1.0, 1e-12);
    EXPECT_NEAR(angleTrig(30).sin2, 0.25, 1e-12);
}

struct OriginRow {
    int angle;
    QPoint origin;
};

class RotatedOrigin : public ::testing::TestWithParam<OriginRow> {};

// A 100 x 20 caption turning about (60, 60).
TEST_P(RotatedOrigin, TextTurnsAboutTheCentre)
{
    EXPECT_EQ(rotatedOrigin(100, 20, 60, angleTrig(GetParam().angle)), GetParam().origin);
}

INSTANTIATE_TEST_SUITE_P(Angles, RotatedOrigin,
                         ::testing::Values(OriginRow{90, {50, 110}}, OriginRow{180, {110, 70}},
                                           OriginRow{45, {18, 88}}, OriginRow{360, {10, 50}}),
                         [](const auto &info) { return "angle" + std::to_string(info.param.angle); });

TEST(UprightLetters, OffsetsRunAlongTheAngle)
{
    const std::vector<int> prefix = {0, 10, 22};
    const Upright up90 = uprightLayout(prefix, 20, angleTrig(90));
    ASSERT_EQ(up90.offsets.size(), 3u);
    EXPECT_EQ(up90.offsets[0], QPoint(0, 0));
    EXPECT_EQ(up90.offsets[1], QPoint(0, -20));
    EXPECT_EQ(up90.offsets[2], QPoint(0, -40));
    EXPECT_EQ(up90.lastD, 40);
    EXPECT_EQ(up90.origin, QPoint(10, 50));

    const Upright up45 = uprightLayout(prefix, 20, angleTrig(45));
    EXPECT_EQ(up45.offsets[1], QPoint(11, -11));
    EXPECT_EQ(up45.offsets[2], QPoint(22, -22));
    EXPECT_EQ(up45.origin, QPoint(10, 32));

    const Upright up180 = uprightLayout(prefix, 20, angleTrig(180));
    EXPECT_EQ(up180.offsets[2], QPoint(-22, 0));
    EXPECT_EQ(up180.origin, QPoint(32, 10));

    const Upright single = uprightLayout({0}, 20, angleTrig(45));
    EXPECT_EQ(single.lastD, 0);
    EXPECT_EQ(single.origin, QPoint(10, 10));
    EXPECT_TRUE(uprightLayout({}, 20, angleTrig(45)).offsets.empty());
}

TEST(Background, RotatedRectangleAroundTheCentre)
{
    const Offsets raised = effectOffsets(D::UpLeft, 1, D::DownRight, 1, HAlign::Left);
    EXPECT_EQ(rotatedBackground(100, 20, 60, raised, angleTrig(0)),
              QPolygon({QPoint(13, 53), QPoint(117, 53), QPoint(117, 77), QPoint(13, 77)}));
    // The size grows by the sum of the offsets (here -3), the centre by their spread.
    const Offsets upLeft = effectOffsets(D::Up, 3, D::Left, 2, HAlign::Left);
    EXPECT_EQ(rotatedBackground(100, 20, 60, upLeft, angleTrig(90)),
              QPolygon({QPoint(55, 115), QPoint(55, 15), QPoint(75, 15), QPoint(75, 115)}));
}

struct HullRow {
    int angle;
    QPoint origin;
    int lastD;
    QPolygon hull;
};

class UprightBackground : public ::testing::TestWithParam<HullRow> {};

// Letters 10 and 12 (or 20) wide, 20 high, raised: boxes grow by 6.
TEST_P(UprightBackground, SixCornersByQuadrant)
{
    const HullRow &r = GetParam();
    Upright u;
    u.origin = r.origin;
    u.lastD = r.lastD;
    const int lastWidth = r.lastD == 0 ? 20 : 12;
    const Offsets raised = effectOffsets(D::UpLeft, 1, D::DownRight, 1, HAlign::Left);
    EXPECT_EQ(uprightBackground(u, 10, lastWidth, 20, raised, r.angle, angleTrig(r.angle)), r.hull);
}

INSTANTIATE_TEST_SUITE_P(
    Quadrants, UprightBackground,
    ::testing::Values(
        HullRow{90, {10, 50}, 40, QPolygon({{8, 48}, {8, 8}, {26, 8}, {26, 34}, {24, 74}, {8, 74}})},
        HullRow{180, {32, 10}, 22, QPolygon({{46, 8}, {26, 8}, {8, 8}, {8, 34}, {30, 34}, {46, 34}})},
        HullRow{270, {10, 10}, 0, QPolygon({{8, 8}, {8, 8}, {8, 34}, {34, 34}, {24, 34}, {24, 8}})},
        HullRow{300, {10, 10}, 0, QPolygon({{24, 8}, {34, 8}, {34, 34}, {8, 34}, {8, 34}, {8, 8}})}),
    [](const auto &info) { return "angle" + std::to_string(info.param.angle); });

TEST(GradientExtent, FlatTextByAlignment)
{
    const Offsets raisedL = effectOffsets(D::UpLeft, 1, D::DownRight, 1, HAlign::Left);
    const Offsets raisedR = effectOffsets(D::UpLeft, 1, D::DownRight, 1, HAlign::Right);
    const Offsets raisedC = effectOffsets(D::UpLeft, 1, D::DownRight, 1, HAlign::Center);
    GradientExtent g = flatGradientExtent(142, 80, 30, raisedL, HAlign::Left, true);
    EXPECT_EQ(g.left, 1);
    EXPECT_EQ(g.top, 1);
    EXPECT_EQ(g.n, 29);
    g = flatGradientExtent(142, 80, 30, raisedR, HAlign::Right, false);
    EXPECT_EQ(g.left, 61);
    EXPECT_EQ(g.n, 79);
    g = flatGradientExtent(142, 80, 30, raisedC, HAlign::Center, false);
    EXPECT_EQ(g.left, 31);
    EXPECT_EQ(flatGradientExtent(142, 0, 0, raisedL, HAlign::Left, true).n, -1);
}

TEST(GradientExtent, FromTheBackgroundCorners)
{
    const QPolygon bg({QPoint(13, 53), QPoint(117, 53), QPoint(117, 77), QPoint(13, 77)});
    GradientExtent g = polygonGradientExtent(bg, true);
    EXPECT_EQ(g.left, 13);
    EXPECT_EQ(g.top, 53);
    EXPECT_EQ(g.n, 24);
    EXPECT_EQ(polygonGradientExtent(bg, false).n, 104);
    EXPECT_EQ(polygonGradientExtent(QPolygon(), false).n, 0);
}

} // namespace
