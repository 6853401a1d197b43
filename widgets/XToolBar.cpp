/*
** The dockable tool bar: re-parenting between docks and floating, the
** layout of its controls, and dragging and sizing with the mouse.
**
** Published Visible is kept apart from the window's own visibility: the
** bar's window is hidden while its form is hidden, and shown again with it,
** without the user's choice changing.
*/
#include "widgets/XToolBar.h"

#include "widgets/Docks.h"
#include "widgets/DragFrame.h"
#include "widgets/FloatBarParent.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr Qt::WindowFlags kFloatFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;

std::vector<QSize> sizesOf(const QList<QWidget *> &controls)
{
    std::vector<QSize> out;
    for (const QWidget *w : controls)
        out.push_back(w->size());
    return out;
}

} // namespace

TXToolBar::TXToolBar(QWidget *form, const QString &name)
    : TDockableBar(requireForm(form, name + QStringLiteral(" XXToolBar must be owned by a form")))
{
    setObjectName(name);
    m_caption = name;
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_floatParent = TFloatBarParent::forForm(form);
    m_floatParent->addBar(this);
    m_floatPos = form->pos();
    m_sizes = barSizes({}, {}, dockMetrics());
    m_step = int(m_sizes.steps.size()) - 1;
    m_floatSize = m_sizes.steps.back();
    m_reparenting = true;
    setParent(m_floatParent, kFloatFlags);
    setContentsMargins(kFloatFrame);
    setGeometry(QRect(m_floatPos, m_floatSize));
    m_reparenting = false;
}

TXToolBar::~TXToolBar()
{
    delete m_tracker;
    if (m_dock)
        m_dock->removeBar(this);
    if (m_floatParent)
        m_floatParent->removeBar(this);
}

void TXToolBar::setCaption(const QString &caption)
{
    m_caption = caption;
    setWindowTitle(caption);
    update();
}

void TXToolBar::setDockedTo(TDocks *dock)
{
    if (dock == m_dock)
        return;
    reparent(dock, dock ? slotPoint(dock) : m_floatPos);
}

void TXToolBar::setDockLine(int n)
{
    if (n == m_dockLine)
        return;
    if (m_dock)
        m_dock->setBarLine(this, n);
    else
        m_dockLine = std::max(n, 0); /* used when the bar is next docked */
}

void TXToolBar::setDockPos(int n)
{
    if (n == m_dockPos)
        return;
    m_dockPos = n;
    if (m_dock)
        m_dock->barPosChanged(this);
}

void TXToolBar::setVisible(bool visible)
{
    if (m_reparenting)
        return;
    const bool changed = visible != m_wantVisible;
    m_wantVisible = visible;
    setWindowVisible(visible);
    if (m_dock) {
        if (visible)
            m_dock->insertBar(this, pos());
        else
            m_dock->removeBar(this);
    }
    if (changed)
        emit OnVisibleChanged();
}

void TXToolBar::setWindowVisible(bool visible)
{
    QWidget::setVisible(visible);
}

void TXToolBar::setFloatingPos(QPoint screenPos)
{
    m_floatPos = screenPos;
    if (isFloating())
        move(screenPos);
}

int TXToolBar::dockedLength(bool vertical) const
{
    return vertical ? m_sizes.verticalHeight : m_sizes.horizontalWidth;
}

void TXToolBar::loaded()
{
    m_loading = false;
    relayout();
    if (isFloating()) {
        setGeometry(QRect(m_floatPos, m_floatSize));
        setWindowVisible(m_wantVisible && form()->isVisible());
    }
    m_prevDock = m_dock;
}

void TXToolBar::relayout()
{
    m_relayoutPosted = false;
    m_controls.clear();
    for (QObject *child : children())
        if (child->isWidgetType() && !static_cast<QWidget *>(child)->isWindow())
            m_controls.append(static_cast<QWidget *>(child));
    std::stable_sort(m_controls.begin(), m_controls.end(),
                     [](const QWidget *a, const QWidget *b) { return controlBefore(a->geometry(), b->geometry()); });
    std::vector<QRect> rects;
    for (const QWidget *w : m_controls)
        rects.push_back(w->geometry());
    m_groups = controlGroups(rects);
    m_sizes = barSizes(sizesOf(m_controls), m_groups, dockMetrics());
    m_step = int(m_sizes.steps.size()) - 1;
    m_floatSize = m_sizes.steps.back();
    if (m_dock) {
        applyDockedSize();
        m_dock->arrange();
        m_dock->resizeDock();
    } else {
        resize(m_floatSize);
    }
    arrangeControls();
}

void TXToolBar::arrangeControls()
{
    if (m_controls.isEmpty())
        return;
    const QRect client = contentsRect();
    const BarArrangement a = arrangeBar(sizesOf(m_controls), m_groups, client.width(), dockMetrics());
    for (int i = 0; i < m_controls.size(); ++i)
        m_controls[i]->move(client.topLeft() + a.positions[i]);
}

void TXToolBar::applyDockedSize()
{
    if (m_vertical)
        resize(V(), m_sizes.verticalHeight);
    else
        resize(m_sizes.horizontalWidth, H());
}

void TXToolBar::placeByDock(const QRect &rect)
{
    m_placing = true;
    m_placedAt = rect.topLeft();
    setGeometry(rect);
    m_placing = false;
}

void TXToolBar::turn(bool vertical)
{
    if (vertical == m_vertical)
        return;
    m_vertical = vertical;
    applyDockedSize();
    arrangeControls();
    emit OnVerticalDock(vertical);
}

QPoint TXToolBar::slotPoint(const TDocks *dock) const
{
    const DockFrame f = dock->frame();
    const int before = f.vertical ? f.margins.left() : f.margins.top();
    const int lineStart = before + m_dockLine * (barThickness(f.vertical, dockMetrics()) + 2);
    return f.vertical ? QPoint(lineStart, m_dockPos) : QPoint(m_dockPos, lineStart);
}

void TXToolBar::reparent(TDocks *target, QPoint at)
{
    if (target == m_dock) {
        if (target)
            target->moveBar(this, at);
        else
            setFloatingPos(at);
        return;
    }
    TDocks *old = m_dock;
    const bool vertical = target && target->isVertical();
    const bool turned = vertical != m_vertical;
    m_vertical = vertical;
    m_reparenting = true;
    if (old) {
        m_dock = nullptr;
        old->removeBar(this);
    }
    if (bool(old) != bool(target))
        m_prevDock = old;
    if (target) {
        setContentsMargins(0, 0, 0, 0);
        setParent(target, Qt::Widget);
        m_dock = target;
        applyDockedSize();
        if (m_wantVisible) {
            setWindowVisible(true);
            target->insertBar(this, at);
        }
    } else {
        setContentsMargins(kFloatFrame);
        setParent(m_floatParent ? static_cast<QWidget *>(m_floatParent) : form(), kFloatFlags);
        m_floatPos = at;
        setGeometry(QRect(m_floatPos, m_floatSize));
        if (m_wantVisible && form()->isVisible())
            setWindowVisible(true);
    }
    arrangeControls();
    m_reparenting = false;
    if (m_floatParent)
        for (TDockableBar *bar : m_floatParent->bars())
            bar->update();
    if (turned)
        emit OnVerticalDock(vertical);
    emit OnDockChanged();
}

void TXToolBar::formShown()
{
    if (isFloating() && m_wantVisible) {
        setWindowVisible(false);
        setWindowVisible(true);
    }
}

void TXToolBar::formHidden()
{
    if (isFloating())
        setWindowVisible(false);
}

bool TXToolBar::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::LayoutRequest:
        if (!m_loading)
            relayout();
        return true;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        if (m_floatParent)
            m_floatParent->updateActive();
        break;
    default:
        break;
    }
    return TDockControl::event(event);
}

void TXToolBar::childEvent(QChildEvent *event)
{
    TDockControl::childEvent(event);
    /* A removed child may be half destroyed: compare its address only. */
    if (event->removed())
        m_controls.removeIf([child = event->child()](const QWidget *w) { return w == child; });
    else if (!event->added() || !event->child()->isWidgetType())
        return;
    if (!m_loading && !m_relayoutPosted) {
        /* A new control gets its geometry after it is added: lay out later. */
        m_relayoutPosted = true;
        QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
    }
}

void TXToolBar::resizeEvent(QResizeEvent *event)
{
    TDockControl::resizeEvent(event);
    if (isFloating() && !m_reparenting) {
        arrangeControls();
        m_floatSize = size();
    }
}

void TXToolBar::moveEvent(QMoveEvent *event)
{
    TDockControl::moveEvent(event);
    if (m_reparenting)
        return;
    if (!m_dock) {
        if (isWindow())
            m_floatPos = pos();
        return;
    }
    if (m_placing || m_loading || pos() == m_placedAt)
        return;
    /* Moved from outside: take it as a move within the dock. */
    const QPoint p = pos();
    const int along = m_dock->isVertical() ? p.y() : p.x();
    m_dock->moveBar(this, p + QPoint(1, 1), std::max(0, along - 2));
}

QRect TXToolBar::screenRect() const
{
    return QRect(mapToGlobal(QPoint(0, 0)), size());
}

TDocks *TXToolBar::dockAt(QPoint global) const
{
    const QPoint p = form()->mapFromGlobal(global);
    for (TDocks *dock : form()->findChildren<TDocks *>())
        if (dock->dropZone().contains(p))
            return dock;
    return nullptr;
}

void TXToolBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        TDockControl::mousePressEvent(event);
        return;
    }
    const QPoint local = event->position().toPoint();
    const QPoint global = event->globalPosition().toPoint();
    if (isFloating()) {
        /* The bar never takes activation; its form stays the active window. */
        form()->activateWindow();
        const FloatHit hit = floatHitTest(size(), local);
        if (hit == FloatHit::Close) {
            m_closePressed = true;
            return;
        }
        if (hit != FloatHit::Client && hit != FloatHit::Caption) {
            m_sizing = hit;
            m_frame = screenRect();
            if (!m_tracker)
                m_tracker = new TDragFrame;
            m_tracker->track(m_frame, 3);
            return;
        }
    }
    m_pressed = true;
    m_grab = global;
    m_frame = screenRect();
    m_frameFromPointer = m_frame.translated(-global);
    m_target = m_dock;
}

void TXToolBar::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (isSizing()) {
        m_frame = sizeByEdge(m_sizing, screenRect(), global, m_sizes.steps).frame;
        m_tracker->track(m_frame, 3);
        return;
    }
    if (!m_pressed)
        return;
    if (!m_dragging) {
        if (!dragStarts(isFloating(), m_grab, global))
            return;
        m_dragging = true;
    }
    trackDrag(global);
}

void TXToolBar::trackDrag(QPoint global)
{
    TDocks *target = dockAt(global);
    if (target != m_target) {
        const DropKind kind = !target ? DropKind::Floating
                              : target->isVertical() ? DropKind::Vertical
                                                     : DropKind::Horizontal;
        m_frameFromPointer = dragFrame(kind, m_floatSize, m_sizes.horizontalWidth, m_sizes.verticalHeight,
                                       dockMetrics());
        m_target = target;
    }
    m_frame = m_frameFromPointer.translated(global);
    if (!m_tracker)
        m_tracker = new TDragFrame;
    m_tracker->track(m_frame, target ? 1 : 3);
}

void TXToolBar::finishDrag(QPoint global)
{
    endTracking();
    const QPoint topLeft = global + m_frameFromPointer.topLeft();
    TDocks *target = m_target;
    if (target)
        reparent(target, target->mapFromGlobal(topLeft));
    else
        reparent(nullptr, topLeft);
}

void TXToolBar::endTracking()
{
    if (m_tracker)
        m_tracker->hide();
}

void TXToolBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        TDockControl::mouseReleaseEvent(event);
        return;
    }
    const QPoint global = event->globalPosition().toPoint();
    if (m_closePressed) {
        m_closePressed = false;
        if (floatCloseBox(size()).contains(event->position().toPoint()))
            setVisible(false);
        return;
    }
    if (isSizing()) {
        endTracking();
        const SizingResult r = sizeByEdge(m_sizing, screenRect(), global, m_sizes.steps);
        m_sizing = FloatHit::Client;
        m_step = r.step;
        m_floatPos = r.frame.topLeft();
        setGeometry(r.frame);
        return;
    }
    const bool dragged = m_dragging;
    m_pressed = m_dragging = false;
    if (dragged)
        finishDrag(global);
}

void TXToolBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        TDockControl::mouseDoubleClickEvent(event);
        return;
    }
    endTracking();
    m_pressed = m_dragging = m_closePressed = false;
    m_sizing = FloatHit::Client;
    if (!isFloating())
        reparent(nullptr, m_floatPos);
    else if (m_prevDock)
        reparent(m_prevDock, slotPoint(m_prevDock));
}

void TXToolBar::paintEvent(QPaintEvent *)
{
    if (!isFloating())
        return;
    QPainter p(this);
    const QPalette &pal = palette();
    const QRect r = rect();
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());

    const bool active = m_floatParent && m_floatParent->captionsActive();
    const QRect caption(kFloatFrame.left(), kFloatFrame.top() - kFloatCaptionHeight,
                        width() - kFloatFrame.left() - kFloatFrame.right(), kFloatCaptionHeight - 1);
    p.fillRect(caption, pal.color(active ? QPalette::Highlight : QPalette::Dark));
    QFont f = font();
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(pal.color(active ? QPalette::HighlightedText : QPalette::Light));
    const QRect box = floatCloseBox(size());
    p.drawText(caption.adjusted(2, 0, -(caption.right() - box.left() + 2), 0), Qt::AlignLeft | Qt::AlignVCenter,
               m_caption);

    p.fillRect(box, pal.color(QPalette::Button));
    p.setPen(pal.color(QPalette::ButtonText));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.drawLine(box.topLeft() + QPoint(3, 3), box.bottomRight() - QPoint(3, 3));
    p.drawLine(QPoint(box.left() + 3, box.bottom() - 3), QPoint(box.right() - 3, box.top() + 3));
}
