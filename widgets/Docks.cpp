/*
** The dock area: its lines of bars, their arrangement and its painting.
**
** A bar's DockLine is always the index of the line that holds it; every
** change of the line list renumbers all bars, so indices never go stale.
*/
#include "widgets/Docks.h"

#include <QEvent>
#include <QLayout>
#include <QPainter>

#include <algorithm>

TDocks::TDocks(QWidget *form, TDockPos position)
    : TDockControl(requireForm(form, QStringLiteral("TDocks must be owned by a form")))
{
    form->installEventFilter(this);
    setPosition(position);
    show(); /* shown with its form, like any control placed on it */
}

TDocks::~TDocks()
{
    /* Bars still pointing here must not call back into a half-destroyed dock. */
    for (TDockableBar *bar : findChildren<TDockableBar *>(Qt::FindDirectChildrenOnly))
        bar->dockGone();
    m_lines.clear();
}

void TDocks::setPosition(TDockPos p)
{
    m_position = p;
    /* Docked bars turn with their dock, as if dropped into it anew. */
    for (TDockableBar *bar : findChildren<TDockableBar *>(Qt::FindDirectChildrenOnly))
        bar->turn(isVertical());
    if (isVertical())
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    else
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    resizeDock();
    arrange();
}

void TDocks::setBoundLines(TUsedPos lines)
{
    m_boundLines = lines;
    resizeDock();
    arrange();
}

BoundEdges TDocks::boundEdges() const
{
    return BoundEdges{m_boundLines.testFlag(upTop), m_boundLines.testFlag(upBottom), m_boundLines.testFlag(upLeft),
                      m_boundLines.testFlag(upRight)};
}

DockFrame TDocks::frame() const
{
    return DockFrame{isVertical(), boundMargins(boundEdges()), size()};
}

QList<TDockableBar *> TDocks::lineBars(int index) const
{
    return index >= 0 && index < m_lines.size() ? m_lines[index] : QList<TDockableBar *>();
}

int TDocks::lineOf(const TDockableBar *bar) const
{
    for (int i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].contains(bar))
            return i;
    return -1;
}

void TDocks::renumber()
{
    for (int i = 0; i < m_lines.size(); ++i)
        for (TDockableBar *bar : m_lines[i])
            bar->m_dockLine = i;
}

int TDocks::lookupLine(QPoint p)
{
    const LineHit hit = lineLookup(frame(), isVertical() ? p.x() : p.y(), lineCount(), dockMetrics());
    if (hit.opensLine) {
        m_lines.insert(hit.index, QList<TDockableBar *>());
        renumber();
    }
    return hit.index;
}

void TDocks::sortLine(int index)
{
    std::stable_sort(m_lines[index].begin(), m_lines[index].end(),
                     [](const TDockableBar *a, const TDockableBar *b) { return a->m_dockPos < b->m_dockPos; });
}

void TDocks::addToLine(TDockableBar *bar, int index)
{
    m_lines[index].append(bar);
    bar->m_dockLine = index;
    sortLine(index);
}

bool TDocks::takeBar(TDockableBar *bar)
{
    const int i = lineOf(bar);
    if (i < 0)
        return false;
    m_lines[i].removeOne(bar);
    if (m_lines[i].isEmpty()) {
        m_lines.removeAt(i);
        renumber();
        return true;
    }
    return false;
}

void TDocks::insertBar(TDockableBar *bar, QPoint p)
{
    if (lineOf(bar) >= 0)
        return;
    const int index = lookupLine(p);
    bar->m_dockPos = isVertical() ? p.y() : p.x();
    addToLine(bar, index);
    arrange();
    resizeDock();
    emit OnInsertBar();
}

void TDocks::removeBar(TDockableBar *bar)
{
    if (lineOf(bar) < 0)
        return;
    if (takeBar(bar))
        resizeDock();
    arrange();
    emit OnRemoveBar();
}

void TDocks::moveBar(TDockableBar *bar, QPoint p)
{
    moveBar(bar, p, isVertical() ? p.y() : p.x());
}

void TDocks::moveBar(TDockableBar *bar, QPoint p, int dockPos)
{
    if (lineOf(bar) < 0)
        return;
    int index = lookupLine(p);
    bar->m_dockPos = dockPos;
    const int old = lineOf(bar);
    if (index != old) {
        /* Dropping the old line shifts the lines after it up by one. */
        if (takeBar(bar) && old < index)
            --index;
        addToLine(bar, index);
    } else {
        sortLine(index);
    }
    arrange();
    resizeDock();
}

void TDocks::setBarLine(TDockableBar *bar, int n)
{
    const int old = lineOf(bar);
    if (old < 0)
        return;
    n = std::max(n, 0);
    if (n == old)
        return;
    if (n < lineCount()) {
        if (takeBar(bar) && old < n)
            --n;
        addToLine(bar, n);
    } else {
        takeBar(bar);
        m_lines.append(QList<TDockableBar *>());
        addToLine(bar, lineCount() - 1);
    }
    arrange();
    resizeDock();
}

void TDocks::barPosChanged(TDockableBar *bar)
{
    const int i = lineOf(bar);
    if (i < 0)
        return;
    sortLine(i);
    arrange();
    resizeDock();
}

std::vector<std::vector<LineSlot>> TDocks::lineSlots() const
{
    std::vector<std::vector<LineSlot>> out;
    for (const auto &l : m_lines) {
        out.emplace_back();
        for (TDockableBar *bar : l)
            out.back().push_back({bar->m_dockPos, bar->dockedLength(isVertical())});
    }
    return out;
}

void TDocks::arrange()
{
    auto lines = lineSlots();
    const auto rects = arrangeLines(lines, frame(), dockMetrics());
    for (int a = 0; a < m_lines.size(); ++a)
        for (int b = 0; b < m_lines[a].size(); ++b) {
            m_lines[a][b]->m_dockPos = lines[a][b].dockPos;
            m_lines[a][b]->placeByDock(rects[a][b]);
        }
    update();
}

void TDocks::resizeDock()
{
    m_thickness = dockThickness(frame(), lineCount(), dockMetrics());
    alignToEdge();
    const bool has = lineCount() > 0;
    if (has != m_hasBars) {
        m_hasBars = has;
        emit OnVisibleChanged();
    }
}

void TDocks::alignToEdge()
{
    QWidget *parent = parentWidget();
    if (parent && !parent->layout()) {
        /* Free the old limits, then go straight to the final rectangle: an
           in-between size would clamp and store back the bars' positions. */
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        const QRect r = parent->rect();
        switch (m_position) {
        case dpTop: setGeometry(0, 0, r.width(), m_thickness); break;
        case dpBottom: setGeometry(0, r.height() - m_thickness, r.width(), m_thickness); break;
        case dpLeft: setGeometry(0, 0, m_thickness, r.height()); break;
        case dpRight: setGeometry(r.width() - m_thickness, 0, m_thickness, r.height()); break;
        }
    }
    if (isVertical()) {
        setMinimumSize(m_thickness, 0);
        setMaximumSize(m_thickness, QWIDGETSIZE_MAX);
    } else {
        setMinimumSize(0, m_thickness);
        setMaximumSize(QWIDGETSIZE_MAX, m_thickness);
    }
}

QRect TDocks::dropZone() const
{
    return ::dropZone(geometry(), isVertical());
}

void TDocks::resizeEvent(QResizeEvent *event)
{
    TDockControl::resizeEvent(event);
    arrange();
}

bool TDocks::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && !parentWidget()->layout())
        alignToEdge();
    return TDockControl::eventFilter(watched, event);
}

void TDocks::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    for (const QLine &l : dockEtchings(frame(), boundEdges(), lineSlots(), dockMetrics())) {
        const QPoint next = l.y1() == l.y2() ? QPoint(0, 1) : QPoint(1, 0);
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(l);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(l.translated(next));
    }
}
