/*
** The arithmetic of one tool bar: how its controls fall into groups, how
** the groups are laid out in a given width, and the sizes the floating
** window steps through while the user resizes it.
**
** These are plain functions over control rectangles so that they can be
** checked exactly without a window; TXToolBar calls them.
*/
#ifndef QUILLON_WIDGETS_BARLAYOUT_H
#define QUILLON_WIDGETS_BARLAYOUT_H

#include "widgets/DockMetrics.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

/* A run of adjacent controls that is kept together on one line if it fits. */
struct ControlGroup {
    int first = 0; /* index of its first control in the sorted list */
    int count = 0;
    int width = 0; /* sum of its controls' widths */
    bool operator==(const ControlGroup &) const = default;
};

/* Where each control goes for one width, and the size that layout needs. */
struct BarArrangement {
    std::vector<QPoint> positions; /* one per control, client coordinates */
    QSize measured;
    int nextWidth = 0; /* the smallest larger width whose layout may differ */
};

/* The floating window's possible sizes and the two docked lengths. */
struct BarSizes {
    std::vector<QSize> steps;   /* window sizes, narrowest (tallest) first */
    int horizontalWidth = 0;    /* width when docked in a top or bottom dock */
    int verticalHeight = 0;     /* height when docked in a left or right dock */
};

/* The floating window's frame: 3-pixel borders and the caption above. */
constexpr QMargins kFloatFrame(3, 18, 3, 3);
constexpr int kFloatCaptionHeight = 15;

/* Sort order of a bar's controls: by top, then by left. */
bool controlBefore(const QRect &a, const QRect &b);

/*
** Groups of the sorted controls: a control joins the previous one's group
** when it touches it side by side on the same row, or lies to the left of
** or under it; otherwise it starts a new group.
*/
std::vector<ControlGroup> controlGroups(const std::vector<QRect> &sorted);

/* Lays the controls (sizes in sorted order) out in the client width. */
BarArrangement arrangeBar(const std::vector<QSize> &sizes, const std::vector<ControlGroup> &groups,
                          int width, const DockMetrics &m);

/* The floating size steps and the docked lengths of a bar's controls. */
BarSizes barSizes(const std::vector<QSize> &sizes, const std::vector<ControlGroup> &groups,
                  const DockMetrics &m);

/* Step chosen when the top or bottom edge is dragged to the wanted height. */
int stepForHeight(const std::vector<QSize> &steps, int wantedHeight);
/* Step chosen when the left or right edge is dragged to the wanted width. */
int stepForWidth(const std::vector<QSize> &steps, int wantedWidth);

#endif
