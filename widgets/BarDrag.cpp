/*
** Drag start, tracked frames, floating hit test and edge sizing.
*/
#include "widgets/BarDrag.h"

#include "widgets/BarLayout.h"

#include <cstdlib>

bool dragStarts(bool floating, QPoint grab, QPoint now)
{
    if (floating)
        return true;
    return std::abs(now.x() - grab.x()) > 1 || std::abs(now.y() - grab.y()) >= 2;
}

QRect dragFrame(DropKind kind, QSize floatSize, int horizontalWidth, int verticalHeight,
                const DockMetrics &m)
{
    switch (kind) {
    case DropKind::Horizontal:
        return QRect(-horizontalWidth / 2, -8, horizontalWidth, m.h());
    case DropKind::Vertical:
        return QRect(-8, -verticalHeight / 2, m.v(), verticalHeight);
    case DropKind::Floating:
        break;
    }
    return QRect(-floatSize.width() / 2, -8, floatSize.width(), floatSize.height());
}

QRect floatCloseBox(QSize window)
{
    return QRect(window.width() - kFloatFrame.right() - 13, kFloatFrame.top() - kFloatCaptionHeight + 2, 11, 11);
}

FloatHit floatHitTest(QSize window, QPoint p)
{
    const QRect client = QRect(QPoint(0, 0), window).marginsRemoved(kFloatFrame);
    if (client.contains(p))
        return FloatHit::Client;
    const QRect caption(kFloatFrame.left(), kFloatFrame.top() - kFloatCaptionHeight,
                        window.width() - kFloatFrame.left() - kFloatFrame.right(), kFloatCaptionHeight);
    if (caption.contains(p))
        return floatCloseBox(window).contains(p) ? FloatHit::Close : FloatHit::Caption;
    if (p.x() < 5)
        return FloatHit::Left;
    if (p.x() > window.width() - 5)
        return FloatHit::Right;
    if (p.y() < 5)
        return FloatHit::Top;
    return FloatHit::Bottom;
}

SizingResult sizeByEdge(FloatHit edge, const QRect &window, QPoint pointer, const std::vector<QSize> &steps)
{
    /* The pointer sits inside the border; allow for it and the frame beyond. */
    const int sideAllowance = 3 + 3;
    const int endAllowance = 19 + 3;
    const int right = window.x() + window.width();
    const int bottom = window.y() + window.height();
    SizingResult out;
    out.frame = window;
    if (steps.empty())
        return out;
    switch (edge) {
    case FloatHit::Left:
        out.step = stepForWidth(steps, right - pointer.x() + sideAllowance);
        break;
    case FloatHit::Right:
        out.step = stepForWidth(steps, pointer.x() - window.x() + sideAllowance);
        break;
    case FloatHit::Top:
        out.step = stepForHeight(steps, bottom - pointer.y() + endAllowance);
        break;
    case FloatHit::Bottom:
        out.step = stepForHeight(steps, pointer.y() - window.y() + endAllowance);
        break;
    default:
        return out;
    }
    const QSize size = steps[out.step];
    QPoint topLeft = window.topLeft();
    if (edge == FloatHit::Left)
        topLeft.setX(right - size.width());
    if (edge == FloatHit::Top)
        topLeft.setY(bottom - size.height());
    out.frame = QRect(topLeft, size);
    return out;
}
