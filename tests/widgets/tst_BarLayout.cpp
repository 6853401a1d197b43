// Groups, layout and size steps of a tool bar, checked on exact numbers.
#include "widgets/BarLayout.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<QSize> sizesOf(const std::vector<QRect> &rects)
{
    std::vector<QSize> out;
    for (const QRect &r : rects)
        out.push_back(r.size());
    return out;
}

// The text view's bar: seven 23 x 22 buttons in three runs, spacing 4.
std::vector<QRect> textViewButtons()
{
    std::vector<QRect> out;
    for (int x : {4, 27, 50, 77, 100, 123, 150})
        out.push_back(QRect(x, 4, 23, 22));
    return out;
}

DockMetrics spacing4()
{
    DockMetrics m;
    m.spacing = 4;
    return m;
}

} // namespace

struct GroupRow {
    const char *name;
    std::vector<QRect> controls;
    std::vector<ControlGroup> groups;
};

class Grouping : public testing::TestWithParam<GroupRow> {};

TEST_P(Grouping, FollowsTouchingAndStackedControls)
{
    EXPECT_EQ(controlGroups(GetParam().controls), GetParam().groups);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Grouping,
    testing::Values(
        GroupRow{"none", {}, {}},
        GroupRow{"textView", textViewButtons(), {{0, 3, 69}, {3, 3, 69}, {6, 1, 23}}},
        GroupRow{"gapOfOne", {QRect(0, 0, 10, 10), QRect(11, 0, 10, 10)}, {{0, 1, 10}, {1, 1, 10}}},
        GroupRow{"overlapJoins", {QRect(0, 0, 10, 10), QRect(5, 0, 10, 10)}, {{0, 2, 20}}},
        GroupRow{"stackedColumn", {QRect(3, 3, 22, 22), QRect(3, 25, 22, 22)}, {{0, 2, 44}}},
        GroupRow{"columnWithGap", {QRect(3, 3, 22, 22), QRect(3, 28, 22, 22)}, {{0, 1, 22}, {1, 1, 22}}},
        GroupRow{"wrappedLeftBelow", {QRect(50, 3, 22, 22), QRect(3, 25, 22, 22)}, {{0, 2, 44}}},
        GroupRow{"rightAndBelow", {QRect(3, 3, 22, 22), QRect(50, 25, 22, 22)}, {{0, 1, 22}, {1, 1, 22}}}),
    [](const testing::TestParamInfo<GroupRow> &info) { return std::string(info.param.name); });

TEST(SortOrder, TopThenLeft)
{
    std::vector<QRect> rects{QRect(30, 5, 1, 1), QRect(10, 9, 1, 1), QRect(20, 5, 1, 1)};
    std::sort(rects.begin(), rects.end(), controlBefore);
    EXPECT_EQ(rects[0].x(), 20);
    EXPECT_EQ(rects[1].x(), 30);
    EXPECT_EQ(rects[2].x(), 10);
}

TEST(Arrange, TextViewBarFitsOnOneLine)
{
    const auto controls = textViewButtons();
    const auto groups = controlGroups(controls);
    const BarArrangement a = arrangeBar(sizesOf(controls), groups, 177, spacing4());
    std::vector<int> xs;
    for (QPoint p : a.positions) {
        EXPECT_EQ(p.y(), 4);
        xs.push_back(p.x());
    }
    EXPECT_EQ(xs, (std::vector<int>{4, 27, 50, 77, 100, 123, 150}));
    EXPECT_EQ(a.measured, QSize(177, 30));
}

TEST(Arrange, OneNarrowerPixelMovesTheLastGroupDown)
{
    const auto controls = textViewButtons();
    const BarArrangement a = arrangeBar(sizesOf(controls), controlGroups(controls), 176, spacing4());
    EXPECT_EQ(a.positions[5], QPoint(123, 4));
    EXPECT_EQ(a.positions[6], QPoint(4, 4 + 22 + 4));
    EXPECT_EQ(a.measured, QSize(150, 30 + 4 + 22));
}

TEST(Arrange, ControlsWrapInsideAGroupTooWideForTheWidth)
{
    const auto controls = textViewButtons();
    // 60 pixels take two buttons of a run; the third wraps, and the next run
    // then starts on a fresh line because its predecessor wrapped.
    const BarArrangement a = arrangeBar(sizesOf(controls), controlGroups(controls), 60, spacing4());
    EXPECT_EQ(a.positions[0], QPoint(4, 4));
    EXPECT_EQ(a.positions[1], QPoint(27, 4));
    EXPECT_EQ(a.positions[2], QPoint(4, 26));
    EXPECT_EQ(a.positions[3], QPoint(4, 52));
    EXPECT_EQ(a.positions[6], QPoint(4, 100));
    EXPECT_EQ(a.measured, QSize(54, 100 + 4 + 22));
}

TEST(Arrange, NoControlsMeasureOnlyTheFrame)
{
    const BarArrangement a = arrangeBar({}, {}, 100, DockMetrics{});
    EXPECT_TRUE(a.positions.empty());
    EXPECT_EQ(a.measured, QSize(3, 28));
}

TEST(Steps, TextViewBarStepsRunFromColumnToLine)
{
    const auto controls = textViewButtons();
    const BarSizes s = barSizes(sizesOf(controls), controlGroups(controls), spacing4());
    ASSERT_GE(s.steps.size(), 2u);
    // Narrowest: one button per row, runs separated by the spacing.
    EXPECT_EQ(s.steps.front(), QSize(31 + 6, 4 + 6 * 22 + 2 * 4 + 4 + 22 + 21));
    EXPECT_EQ(s.steps.back(), QSize(177 + 6, 30 + 21));
    EXPECT_EQ(s.horizontalWidth, 177);
    EXPECT_EQ(s.verticalHeight, 4 + 3 * 4 + 7 * 22);
    for (size_t i = 1; i < s.steps.size(); ++i) {
        EXPECT_LT(s.steps[i].height(), s.steps[i - 1].height() - 2) << "step " << i;
        EXPECT_GT(s.steps[i].width(), s.steps[i - 1].width()) << "step " << i;
    }
}

TEST(Steps, WithoutControlsOneStepOfTheBareBar)
{
    const BarSizes s = barSizes({}, {}, DockMetrics{});
    EXPECT_EQ(s.steps, (std::vector<QSize>{QSize(28 + 6, 28 + 21)}));
    EXPECT_EQ(s.horizontalWidth, 28);
    EXPECT_EQ(s.verticalHeight, 3);
}

TEST(Steps, ManyGroupsAreAllPlacedAndTheWidestStepIsOneLine)
{
    // Forty separate buttons: more runs than a fixed table of fifteen could
    // hold; every one must still be placed and the docked bar be one line.
    std::vector<QRect> controls;
    for (int i = 0; i < 40; ++i)
        controls.push_back(QRect(i * 30, 3, 22, 22));
    const auto groups = controlGroups(controls);
    ASSERT_EQ(groups.size(), 40u);
    const DockMetrics m;
    const BarSizes s = barSizes(sizesOf(controls), groups, m);
    EXPECT_EQ(s.steps.back().height(), m.h() + 21);
    EXPECT_EQ(s.horizontalWidth, 40 * 22 + 41 * 3);
    const BarArrangement a = arrangeBar(sizesOf(controls), groups, s.horizontalWidth, m);
    EXPECT_EQ(a.positions.back(), QPoint(s.horizontalWidth - 3 - 22, 3));
}

struct PickRow {
    const char *name;
    bool byHeight;
    int wanted;
    int step;
};

class StepPick : public testing::TestWithParam<PickRow> {};

TEST_P(StepPick, ChoosesTheRecordedStep)
{
    const std::vector<QSize> steps{QSize(40, 200), QSize(70, 120), QSize(120, 60)};
    const PickRow &r = GetParam();
    EXPECT_EQ(r.byHeight ? stepForHeight(steps, r.wanted) : stepForWidth(steps, r.wanted), r.step);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StepPick,
    testing::Values(PickRow{"tallEnough", true, 500, 0}, PickRow{"exactHeight", true, 120, 1},
                    PickRow{"betweenHeights", true, 119, 2}, PickRow{"shorterThanAll", true, 10, 2},
                    PickRow{"narrowerThanAll", false, 5, 0}, PickRow{"exactWidth", false, 70, 1},
                    PickRow{"betweenWidths", false, 119, 1}, PickRow{"widerThanAll", false, 900, 2}),
    [](const testing::TestParamInfo<PickRow> &info) { return std::string(info.param.name); });

// The steps measured only where the layout can change must equal the steps
// of measuring every width from the narrowest to the single line.
TEST(Steps, SameAsMeasuringEveryWidth)
{
    std::vector<std::vector<QRect>> bars{textViewButtons()};
    std::vector<QRect> mixed;
    for (int i = 0, x = 0; i < 12; ++i) {
        mixed.push_back(QRect(x, 3, 15 + (i * 7) % 20, 18 + (i * 5) % 9));
        x += mixed.back().width() + (i % 3 == 2 ? 6 : 0);
    }
    bars.push_back(mixed);
    std::vector<QRect> separate;
    for (int i = 0; i < 9; ++i)
        separate.push_back(QRect(i * 40, 3, 10 + i * 3, 22));
    bars.push_back(separate);
    for (const DockMetrics &m : {DockMetrics{}, spacing4()}) {
        for (const auto &controls : bars) {
            const auto sizes = sizesOf(controls);
            const auto groups = controlGroups(controls);
            int widest = 0, total = m.spacing * int(groups.size()) + m.spacing;
            for (const QSize &sz : sizes) {
                widest = std::max(widest, sz.width());
                total += sz.width();
            }
            std::vector<QSize> expected;
            for (int w = widest + 2 * m.spacing; w <= total; ++w) {
                const QSize step = arrangeBar(sizes, groups, w, m).measured + QSize(6, 21);
                if (expected.empty() || step.height() < expected.back().height() - 2)
                    expected.push_back(step);
            }
            EXPECT_EQ(barSizes(sizes, groups, m).steps, expected) << controls.size() << " controls";
        }
    }
}
