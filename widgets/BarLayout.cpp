/*
** Groups, layout and size steps of a tool bar.
**
** The layout walk is used twice: once to place the controls in the bar's
** client width, and once per candidate width (without placing) to measure
** the floating window's size steps.  Keeping one walk guarantees that a
** bar sized to a step lays its controls out exactly as measured.
**
** Groups and steps are kept in growable lists, so a bar with many controls
** still places every one of them and its widest step is always the single
** line used when docked.
*/
#include "widgets/BarLayout.h"

#include <algorithm>
#include <climits>

bool controlBefore(const QRect &a, const QRect &b)
{
    if (a.top() != b.top())
        return a.top() < b.top();
    return a.left() < b.left();
}

std::vector<ControlGroup> controlGroups(const std::vector<QRect> &sorted)
{
    std::vector<ControlGroup> groups;
    for (int j = 0; j < int(sorted.size()); ++j) {
        const QRect &cur = sorted[j];
        bool joins = false;
        if (j > 0) {
            const QRect &prev = sorted[j - 1];
            const bool sideBySide = prev.top() == cur.top() && prev.left() + prev.width() >= cur.left();
            const bool leftOrUnder = prev.left() >= cur.left() && prev.top() + prev.height() >= cur.top();
            joins = sideBySide || leftOrUnder;
        }
        if (!joins)
            groups.push_back({j, 0, 0});
        groups.back().count += 1;
        groups.back().width += cur.width();
    }
    return groups;
}

BarArrangement arrangeBar(const std::vector<QSize> &sizes, const std::vector<ControlGroup> &groups,
                          int width, const DockMetrics &m)
{
    const int s = m.spacing;
    BarArrangement out;
    out.positions.assign(sizes.size(), QPoint());
    int x = 0, y = s, maxX = 0;
    out.nextWidth = INT_MAX;
    /* Every test is "width < limit"; it first turns at limit itself. */
    auto narrower = [&](int limit) {
        if (width < limit) {
            out.nextWidth = std::min(out.nextWidth, limit);
            return true;
        }
        return false;
    };
    bool wrapped = false; /* a control of the previous group had to wrap */
    for (size_t g = 0; g < groups.size(); ++g) {
        const ControlGroup &grp = groups[g];
        if (wrapped || (x > s && narrower(x + grp.width + 2 * s))) {
            x = s;
            if (g > 0) {
                const ControlGroup &prev = groups[g - 1];
                y += sizes[prev.first + prev.count - 1].height() + s;
            }
        } else {
            x += s;
        }
        wrapped = false;
        for (int i = 0; i < grp.count; ++i) {
            const int c = grp.first + i;
            if (narrower(x + sizes[c].width() + s)) {
                if (i > 0)
                    y += sizes[c - 1].height();
                x = s;
                wrapped = true;
            }
            out.positions[c] = QPoint(x, y);
            x += sizes[c].width();
            maxX = std::max(maxX, x);
        }
    }
    out.measured = QSize(maxX + s, y + s + m.controlHeight);
    return out;
}

BarSizes barSizes(const std::vector<QSize> &sizes, const std::vector<ControlGroup> &groups,
                  const DockMetrics &m)
{
    const int frameW = kFloatFrame.left() + kFloatFrame.right();
    const int frameH = kFloatFrame.top() + kFloatFrame.bottom();
    BarSizes out;
    if (sizes.empty()) {
        out.steps.push_back(QSize(m.v() + frameW, m.h() + frameH));
        out.horizontalWidth = m.v();
        out.verticalHeight = m.spacing;
        return out;
    }
    int widest = 0, total = 0, heights = 0;
    for (const QSize &sz : sizes) {
        widest = std::max(widest, sz.width());
        total += sz.width();
        heights += sz.height();
    }
    total += m.spacing * int(groups.size()) + m.spacing;
    const int narrowest = widest + 2 * m.spacing;
    /* Widths between two turning points of the layout walk give the same
       layout, so only the turning points are measured. */
    for (int w = narrowest; w <= total;) {
        const BarArrangement a = arrangeBar(sizes, groups, w, m);
        const QSize step(a.measured.width() + frameW, a.measured.height() + frameH);
        if (out.steps.empty() || step.height() < out.steps.back().height() - 2)
            out.steps.push_back(step);
        w = std::max(w + 1, a.nextWidth);
    }
    out.horizontalWidth = out.steps.back().width() - frameW;
    out.verticalHeight = m.spacing + m.spacing * int(groups.size()) + heights;
    return out;
}

int stepForHeight(const std::vector<QSize> &steps, int wantedHeight)
{
    for (int i = 0; i < int(steps.size()); ++i)
        if (steps[i].height() <= wantedHeight)
            return i;
    return int(steps.size()) - 1;
}

int stepForWidth(const std::vector<QSize> &steps, int wantedWidth)
{
    int chosen = 0;
    for (int i = 0; i < int(steps.size()); ++i)
        if (steps[i].width() <= wantedWidth)
            chosen = i;
    return chosen;
}
