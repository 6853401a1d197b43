/*
** The tracking frame of bar drags.
*/
#include "widgets/DragFrame.h"

#include <QPainter>

TDragFrame::TDragFrame()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void TDragFrame::track(const QRect &rect, int lines)
{
    m_lines = lines;
    setGeometry(rect);
    update();
    if (!isVisible())
        show();
}

void TDragFrame::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    for (int i = 0; i < m_lines; ++i)
        p.drawRect(rect().adjusted(i, i, -1 - i, -1 - i));
}
