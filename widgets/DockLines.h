/*
** The arithmetic of a dock area: which line a point selects, where the bars
** of each line go, how thick the dock becomes, where drops are accepted and
** where its etched lines are painted.
**
** Everything is computed in "along" and "across" coordinates (x and y for
** a top or bottom dock) and turned for left and right docks, so the two
** orientations cannot drift apart.  TDocks calls these functions.
*/
#ifndef QUILLON_WIDGETS_DOCKLINES_H
#define QUILLON_WIDGETS_DOCKLINES_H

#include "widgets/DockMetrics.h"

#include <QLine>
#include <QMargins>
#include <QRect>
#include <QSize>

#include <vector>

/* The shape of one dock as its arithmetic sees it. */
struct DockFrame {
    bool vertical = false; /* a left or right dock */
    QMargins margins;      /* 2 on each edge that carries a bound line */
    QSize size;            /* the dock's client size */
};

/* The result of a line lookup. */
struct LineHit {
    int index = 0;
    bool opensLine = false; /* an empty line is to be inserted at index */
};

/* One bar as the arrangement sees it. */
struct LineSlot {
    int dockPos = 0; /* offset along the line; clamped and stored back */
    int length = 0;  /* the bar's docked length along the dock */
};

/* Bar thickness across a dock of this orientation. */
int barThickness(bool vertical, const DockMetrics &m);

/*
** The line selected by a point whose across-coordinate (y in a horizontal
** dock) is u, normally a bar's top (or left) edge: within a quarter of a
** line's period of the line's start it selects that line, a point near a boundary
** opens a new line there, a point past the last line appends one.  Points
** above the first line open a line at index 0.
*/
LineHit lineLookup(const DockFrame &dock, int u, int lineCount, const DockMetrics &m);

/* Places every bar of every line; stores each clamped DockPos back. */
std::vector<std::vector<QRect>> arrangeLines(std::vector<std::vector<LineSlot>> &lines,
                                             const DockFrame &dock, const DockMetrics &m);

/* Thickness of the dock across its edge: 0 when it holds no lines. */
int dockThickness(const DockFrame &dock, int lineCount, const DockMetrics &m);

/* The dock's rectangle (parent coordinates) grown to where drops are taken. */
QRect dropZone(const QRect &dockRect, bool vertical);

/* Which edges carry an etched bound line. */
struct BoundEdges {
    bool top = false, bottom = false, left = false, right = false;
};
QMargins boundMargins(const BoundEdges &edges);

/*
** The etched lines of a dock: bound lines, separators between lines and
** short strokes before and after bars that do not sit flush.  Each line is
** painted in the shadow colour with the highlight colour next to it (one
** pixel below a horizontal line, one pixel right of a vertical one).
*/
std::vector<QLine> dockEtchings(const DockFrame &dock, const BoundEdges &edges,
                                const std::vector<std::vector<LineSlot>> &lines, const DockMetrics &m);

#endif
