// Drag start, tracked frames, the floating window's hit test and sizing.
#include "widgets/BarDrag.h"

#include <gtest/gtest.h>

struct StartRow {
    const char *name;
    bool floating;
    QPoint move;
    bool starts;
};

class DragStart : public testing::TestWithParam<StartRow> {};

TEST_P(DragStart, NeedsTheThresholdOnlyWhenDocked)
{
    const StartRow &r = GetParam();
    EXPECT_EQ(dragStarts(r.floating, QPoint(50, 50), QPoint(50, 50) + r.move), r.starts);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DragStart,
    testing::Values(StartRow{"dockedStill", false, {0, 0}, false}, StartRow{"dockedOneAcross", false, {1, 0}, false},
                    StartRow{"dockedTwoAcross", false, {-2, 0}, true}, StartRow{"dockedOneDown", false, {0, 1}, false},
                    StartRow{"dockedTwoUp", false, {0, -2}, true}, StartRow{"floatingStill", true, {0, 0}, true}),
    [](const testing::TestParamInfo<StartRow> &info) { return std::string(info.param.name); });

TEST(DragFrame, PutsThePointerNearTheTopOrLeftMiddle)
{
    const DockMetrics m;
    EXPECT_EQ(dragFrame(DropKind::Floating, QSize(80, 60), 100, 200, m), QRect(-40, -8, 80, 60));
    EXPECT_EQ(dragFrame(DropKind::Horizontal, QSize(80, 60), 101, 200, m), QRect(-50, -8, 101, 28));
    EXPECT_EQ(dragFrame(DropKind::Vertical, QSize(80, 60), 100, 200, m), QRect(-8, -100, 28, 200));
}

struct HitRow {
    const char *name;
    QPoint p;
    FloatHit hit;
};

class Hit : public testing::TestWithParam<HitRow> {};

TEST_P(Hit, AnswersTheRightPart)
{
    EXPECT_EQ(floatHitTest(QSize(100, 60), GetParam().p), GetParam().hit);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Hit,
    testing::Values(HitRow{"client", {50, 30}, FloatHit::Client}, HitRow{"caption", {20, 10}, FloatHit::Caption},
                    HitRow{"closeBox", {90, 10}, FloatHit::Close}, HitRow{"leftBorder", {1, 30}, FloatHit::Left},
                    HitRow{"rightBorder", {98, 30}, FloatHit::Right}, HitRow{"topBorder", {50, 1}, FloatHit::Top},
                    HitRow{"bottomBorder", {50, 58}, FloatHit::Bottom},
                    HitRow{"topLeftCornerIsLeft", {2, 2}, FloatHit::Left},
                    HitRow{"bottomRightCornerIsRight", {97, 58}, FloatHit::Right}),
    [](const testing::TestParamInfo<HitRow> &info) { return std::string(info.param.name); });

struct SizeRow {
    const char *name;
    FloatHit edge;
    QPoint pointer;
    int step;
    QRect frame;
};

class EdgeSizing : public testing::TestWithParam<SizeRow> {};

// A window at (100, 100) on its middle step of three.
TEST_P(EdgeSizing, SnapsToARecordedStep)
{
    const std::vector<QSize> steps{QSize(40, 200), QSize(70, 120), QSize(120, 60)};
    const SizeRow &r = GetParam();
    const SizingResult s = sizeByEdge(r.edge, QRect(100, 100, 70, 120), r.pointer, steps);
    EXPECT_EQ(s.step, r.step);
    EXPECT_EQ(s.frame, r.frame);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EdgeSizing,
    testing::Values(SizeRow{"rightStays", FloatHit::Right, {168, 150}, 1, QRect(100, 100, 70, 120)},
                    SizeRow{"rightShortOfWidest", FloatHit::Right, {213, 150}, 1, QRect(100, 100, 70, 120)},
                    SizeRow{"rightReachesWidest", FloatHit::Right, {214, 150}, 2, QRect(100, 100, 120, 60)},
                    SizeRow{"rightNarrowest", FloatHit::Right, {101, 150}, 0, QRect(100, 100, 40, 200)},
                    SizeRow{"leftKeepsRight", FloatHit::Left, {50, 150}, 2, QRect(50, 100, 120, 60)},
                    SizeRow{"bottomTaller", FloatHit::Bottom, {130, 278}, 0, QRect(100, 100, 40, 200)},
                    SizeRow{"bottomJustShort", FloatHit::Bottom, {130, 277}, 1, QRect(100, 100, 70, 120)},
                    SizeRow{"topKeepsBottom", FloatHit::Top, {130, 200}, 2, QRect(100, 160, 120, 60)}),
    [](const testing::TestParamInfo<SizeRow> &info) { return std::string(info.param.name); });
