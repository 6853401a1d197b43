/*
** Line lookup, arrangement, thickness and etched lines of a dock.
*/
#include "widgets/DockLines.h"

#include <algorithm>

namespace {

/* Turns an along/across rectangle into dock coordinates. */
QRect turned(const QRect &r, bool vertical)
{
    return vertical ? QRect(r.y(), r.x(), r.height(), r.width()) : r;
}

QLine turned(const QLine &l, bool vertical)
{
    return vertical ? QLine(l.y1(), l.x1(), l.y2(), l.x2()) : l;
}

int alongBefore(const DockFrame &d) { return d.vertical ? d.margins.top() : d.margins.left(); }
int alongAfter(const DockFrame &d) { return d.vertical ? d.margins.bottom() : d.margins.right(); }
int acrossBefore(const DockFrame &d) { return d.vertical ? d.margins.left() : d.margins.top(); }
int acrossAfter(const DockFrame &d) { return d.vertical ? d.margins.right() : d.margins.bottom(); }
int alongLength(const DockFrame &d) { return d.vertical ? d.size.height() : d.size.width(); }

} // namespace

int barThickness(bool vertical, const DockMetrics &m)
{
    return vertical ? m.v() : m.h();
}

LineHit lineLookup(const DockFrame &dock, int u, int lineCount, const DockMetrics &m)
{
    /* Lines repeat every bar thickness plus the 2-pixel gap between them; using
       that period keeps the selection centred on every line, however many. */
    const int period = barThickness(dock.vertical, m) + 2;
    int a = (2 * (u - acrossBefore(dock)) + (3 * period) / 2) / period;
    if (a < 0)
        a = 0; /* above the first line: open one at the top, never a negative index */
    const int k = a / 2;
    if (k >= lineCount)
        return {lineCount, true};
    if (a % 2 == 1)
        return {k, false};
    return {k, true};
}

std::vector<std::vector<QRect>> arrangeLines(std::vector<std::vector<LineSlot>> &lines,
                                             const DockFrame &dock, const DockMetrics &m)
{
    const int t = barThickness(dock.vertical, m);
    std::vector<std::vector<QRect>> out(lines.size());
    for (size_t a = 0; a < lines.size(); ++a) {
        int x = alongBefore(dock) - 2;
        for (LineSlot &slot : lines[a]) {
            int p = slot.dockPos;
            const int last = alongLength(dock) - slot.length - alongAfter(dock) - 2;
            if (p > last)
                p = last;
            if (p < x)
                p = x;
            slot.dockPos = p;
            const QRect r(p + 2, acrossBefore(dock) + int(a) * (t + 2), slot.length, t);
            out[a].push_back(turned(r, dock.vertical));
            x = p + slot.length + 2;
        }
    }
    return out;
}

int dockThickness(const DockFrame &dock, int lineCount, const DockMetrics &m)
{
    if (lineCount == 0)
        return 0;
    return lineCount * (barThickness(dock.vertical, m) + 2) + acrossBefore(dock) + acrossAfter(dock) - 2;
}

QRect dropZone(const QRect &dockRect, bool vertical)
{
    return vertical ? dockRect.adjusted(-20, -10, 20, 10) : dockRect.adjusted(-10, -20, 10, 20);
}

QMargins boundMargins(const BoundEdges &edges)
{
    return QMargins(edges.left ? 2 : 0, edges.top ? 2 : 0, edges.right ? 2 : 0, edges.bottom ? 2 : 0);
}

std::vector<QLine> dockEtchings(const DockFrame &dock, const BoundEdges &edges,
                                const std::vector<std::vector<LineSlot>> &lines, const DockMetrics &m)
{
    std::vector<QLine> out;
    const int w = dock.size.width(), h = dock.size.height();
    if (edges.top)
        out.push_back(QLine(0, 0, w - 1, 0));
    if (edges.left)
        out.push_back(QLine(0, 0, 0, h - 1));
    if (edges.bottom)
        out.push_back(QLine(0, h - 2, w - 1, h - 2));
    if (edges.right)
        out.push_back(QLine(w - 2, 0, w - 2, h - 1));

    const int t = barThickness(dock.vertical, m);
    const int length = alongLength(dock);
    for (size_t a = 1; a < lines.size(); ++a) {
        const int across = (t + 2) * int(a) + acrossBefore(dock) - 2;
        out.push_back(turned(QLine(0, across, length - 1, across), dock.vertical));
    }
    for (size_t a = 0; a < lines.size(); ++a) {
        const int top = acrossBefore(dock) + int(a) * (t + 2);
        int flush = alongBefore(dock) - 2;
        for (const LineSlot &slot : lines[a]) {
            if (slot.dockPos > flush)
                out.push_back(turned(QLine(slot.dockPos, top - 1, slot.dockPos, top + t), dock.vertical));
            const int end = slot.dockPos + 2 + slot.length;
            if (end + 6 < length - alongAfter(dock))
                out.push_back(turned(QLine(end, top - 1, end, top + t), dock.vertical));
            flush = slot.dockPos + slot.length + 2;
        }
    }
    return out;
}
