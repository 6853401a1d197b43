// Line lookup, arrangement, thickness, drop zones and etched lines of a dock.
#include "widgets/DockLines.h"

#include <gtest/gtest.h>

namespace {

DockFrame topDock(int width, QMargins margins = {})
{
    return DockFrame{false, margins, QSize(width, 100)};
}

DockFrame leftDock(int height, QMargins margins = {})
{
    return DockFrame{true, margins, QSize(100, height)};
}

} // namespace

struct LookupRow {
    const char *name;
    bool vertical;
    QMargins margins;
    int u;
    int lines;
    LineHit hit;
};

class Lookup : public testing::TestWithParam<LookupRow> {};

TEST_P(Lookup, SelectsOrOpensALine)
{
    const LookupRow &r = GetParam();
    const DockFrame dock{r.vertical, r.margins, QSize(300, 300)};
    const LineHit hit = lineLookup(dock, r.u, r.lines, DockMetrics{});
    EXPECT_EQ(hit.index, r.hit.index);
    EXPECT_EQ(hit.opensLine, r.hit.opensLine);
}

// H = V = 28; a line spans 30 pixels with its gap, also deep in a tall dock.
INSTANTIATE_TEST_SUITE_P(
    Rows, Lookup,
    testing::Values(LookupRow{"joinsLineZero", false, {}, 1, 1, {0, false}},
                    LookupRow{"tenBelowOpensSecond", false, {}, 10, 1, {1, true}},
                    LookupRow{"emptyDockAppends", false, {}, 1, 0, {0, true}},
                    LookupRow{"aboveFirstOpensAtTop", false, {}, -10, 2, {0, true}},
                    LookupRow{"farAboveNeverNegative", false, {}, -200, 2, {0, true}},
                    LookupRow{"nearLineOneTop", false, {}, 30 + 2, 2, {1, false}},
                    LookupRow{"betweenLinesOpens", false, {}, 15, 2, {1, true}},
                    LookupRow{"pastLastAppends", false, {}, 95, 2, {2, true}},
                    LookupRow{"fifthOfSixLines", false, {}, 4 * 30 + 3, 6, {4, false}},
                    LookupRow{"tenthOfTwelveLines", false, {}, 9 * 30 - 5, 12, {9, false}},
                    LookupRow{"topMarginShifts", false, QMargins(0, 2, 0, 0), 3, 1, {0, false}},
                    LookupRow{"verticalUsesX", true, QMargins(2, 0, 0, 0), 33, 2, {1, false}},
                    LookupRow{"verticalIgnoresTopMargin", true, QMargins(0, 2, 0, 0), 1, 1, {0, false}}),
    [](const testing::TestParamInfo<LookupRow> &info) { return std::string(info.param.name); });

TEST(ArrangeLines, TextViewBarSitsAtTwoTwo)
{
    DockMetrics m;
    m.spacing = 4;
    std::vector<std::vector<LineSlot>> lines{{{0, 177}}};
    const auto rects = arrangeLines(lines, topDock(400, QMargins(0, 2, 0, 0)), m);
    EXPECT_EQ(rects[0][0], QRect(2, 2, 177, 30));
    EXPECT_EQ(dockThickness(topDock(400, QMargins(0, 2, 0, 0)), 1, m), 32);
}

TEST(ArrangeLines, ClampsOverlapsAndTheFarEnd)
{
    std::vector<std::vector<LineSlot>> lines{{{0, 50}, {20, 50}, {500, 60}}, {{-40, 30}}};
    const auto rects = arrangeLines(lines, topDock(200), DockMetrics{});
    // The second bar is pushed past the first; the third is pulled back in.
    EXPECT_EQ(rects[0][0], QRect(2, 0, 50, 28));
    EXPECT_EQ(rects[0][1], QRect(54, 0, 50, 28));
    EXPECT_EQ(rects[0][2], QRect(200 - 60 - 2 + 2, 0, 60, 28));
    EXPECT_EQ(lines[0][1].dockPos, 52);
    EXPECT_EQ(lines[0][2].dockPos, 138);
    // Negative positions clamp to the line's start.
    EXPECT_EQ(rects[1][0], QRect(0, 30, 30, 28));
    EXPECT_EQ(lines[1][0].dockPos, -2);
}

TEST(ArrangeLines, VerticalDockStacksDownAndAcross)
{
    std::vector<std::vector<LineSlot>> lines{{{10, 80}}, {{0, 40}}};
    const auto rects = arrangeLines(lines, leftDock(300, QMargins(2, 2, 0, 0)), DockMetrics{});
    EXPECT_EQ(rects[0][0], QRect(2, 12, 28, 80));
    EXPECT_EQ(rects[1][0], QRect(32, 2, 28, 40));
}

struct ThicknessRow {
    const char *name;
    DockFrame dock;
    int lines;
    int thickness;
};

class Thickness : public testing::TestWithParam<ThicknessRow> {};

TEST_P(Thickness, GrowsByLine)
{
    const ThicknessRow &r = GetParam();
    EXPECT_EQ(dockThickness(r.dock, r.lines, DockMetrics{}), r.thickness);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Thickness,
    testing::Values(ThicknessRow{"emptyVanishes", topDock(100, QMargins(2, 2, 2, 2)), 0, 0},
                    ThicknessRow{"oneLine", topDock(100), 1, 28},
                    ThicknessRow{"twoLinesBothBounds", topDock(100, QMargins(0, 2, 0, 2)), 2, 62},
                    ThicknessRow{"verticalUsesSideMargins", leftDock(100, QMargins(2, 2, 2, 0)), 1, 32}),
    [](const testing::TestParamInfo<ThicknessRow> &info) { return std::string(info.param.name); });

TEST(DropZone, GrowsMoreAcrossThanAlong)
{
    EXPECT_EQ(dropZone(QRect(0, 0, 100, 30), false), QRect(-10, -20, 120, 70));
    EXPECT_EQ(dropZone(QRect(0, 0, 30, 100), true), QRect(-20, -10, 70, 120));
}

TEST(BoundLines, ReserveTwoPixelsPerEdge)
{
    EXPECT_EQ(boundMargins(BoundEdges{true, false, false, true}), QMargins(0, 2, 2, 0));
}

TEST(Etchings, BoundSeparatorAndStrokes)
{
    const DockMetrics m;
    const DockFrame dock = topDock(200, QMargins(0, 2, 0, 2));
    // Line 0: a flush bar of 50; line 1: a bar at 40, short of the end.
    std::vector<std::vector<LineSlot>> lines{{{-2, 196}}, {{40, 50}}};
    const DockFrame sized{false, dock.margins, QSize(200, 62)};
    const auto etched = dockEtchings(sized, BoundEdges{true, true, false, false}, lines, m);
    const std::vector<QLine> expected{
        QLine(0, 0, 199, 0),       // top bound line
        QLine(0, 60, 199, 60),     // bottom bound line
        QLine(0, 30, 199, 30),     // separator between lines 0 and 1
        QLine(40, 31, 40, 60),     // stroke before the bar not flush with the line start
        QLine(92, 31, 92, 60),     // stroke after it, far from the end
    };
    EXPECT_EQ(etched, expected);
}

TEST(Etchings, VerticalDockTurnsTheStrokes)
{
    std::vector<std::vector<LineSlot>> lines{{{10, 40}}};
    const auto etched = dockEtchings(DockFrame{true, {}, QSize(28, 100)}, BoundEdges{}, lines, DockMetrics{});
    const std::vector<QLine> expected{QLine(-1, 10, 28, 10), QLine(-1, 52, 28, 52)};
    EXPECT_EQ(etched, expected);
}
