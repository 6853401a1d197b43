/*
** The arithmetic of moving and sizing a tool bar with the mouse: when a
** drag starts, the frame tracked under the pointer for each kind of drop
** target, what a point of the floating window's frame answers, and which
** size step an edge drag selects.
*/
#ifndef QUILLON_WIDGETS_BARDRAG_H
#define QUILLON_WIDGETS_BARDRAG_H

#include "widgets/DockMetrics.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

/* What the tracked frame would land on. */
enum class DropKind { Floating, Horizontal, Vertical };

/* What a point of a floating bar's window stands for. */
enum class FloatHit { Client, Caption, Close, Left, Right, Top, Bottom };

/* Whether a press at grab followed by a move to now starts a drag. */
bool dragStarts(bool floating, QPoint grab, QPoint now);

/*
** The frame to track for a drop target, relative to the pointer: the
** floating size, or the docked size, with the pointer near its top (or
** left, in a vertical dock) middle.
*/
QRect dragFrame(DropKind kind, QSize floatSize, int horizontalWidth, int verticalHeight,
                const DockMetrics &m);

/* The close box in the caption of a floating window of this size. */
QRect floatCloseBox(QSize window);

/*
** Hit test of a point of the floating window (window coordinates): the
** caption and the client area are dragged by the bar itself, the border
** answers the edge within 5 pixels of the point, left and right first.
*/
FloatHit floatHitTest(QSize window, QPoint p);

/* A resize in progress: the chosen step and the window's frame for it. */
struct SizingResult {
    int step = 0;
    QRect frame;
};

/*
** The step an edge drag selects: the pointer gives the wanted size, the
** top and bottom edges pick by height, the left and right by width, and
** the edge opposite the dragged one stays where it was.
*/
SizingResult sizeByEdge(FloatHit edge, const QRect &window, QPoint pointer, const std::vector<QSize> &steps);

#endif
