/*
** TDocks: a dock area along one edge of a form.
**
** It stacks the tool bars docked in it in lines; each line holds its bars
** sorted by DockPos and exists only while it holds one.  The dock grows by
** one bar thickness per line and vanishes (thickness 0) when empty.
**
** In a form with a layout the dock only fixes its thickness and the layout
** places it; in a form without one it keeps itself along its edge.
*/
#ifndef QUILLON_WIDGETS_DOCKS_H
#define QUILLON_WIDGETS_DOCKS_H

#include "widgets/DockControl.h"
#include "widgets/DockLines.h"
#include "widgets/DockableBar.h"

#include <QList>

class TXToolBar;

class TDocks : public TDockControl {
    Q_OBJECT
    Q_PROPERTY(TDockPos Position READ position WRITE setPosition)
    Q_PROPERTY(TUsedPos BoundLines READ boundLines WRITE setBoundLines)

public:
    enum TDockPos { dpTop, dpBottom, dpLeft, dpRight };
    Q_ENUM(TDockPos)
    enum TUsedPosFlag { upTop = 1 << dpTop, upBottom = 1 << dpBottom, upLeft = 1 << dpLeft, upRight = 1 << dpRight };
    Q_DECLARE_FLAGS(TUsedPos, TUsedPosFlag)
    Q_FLAG(TUsedPos)

    explicit TDocks(QWidget *form, TDockPos position = dpTop);
    ~TDocks() override;

    TDockPos position() const { return m_position; }
    void setPosition(TDockPos p);
    TUsedPos boundLines() const { return m_boundLines; }
    void setBoundLines(TUsedPos lines);

    bool isVertical() const { return m_position == dpLeft || m_position == dpRight; }
    /* The shape its arithmetic works on. */
    DockFrame frame() const;

    int lineCount() const { return int(m_lines.size()); }
    /* The bars of a line as the caller's bar class (TXToolBar, declared
       where the call is compiled, since this header may not include it). */
    template <class Bar = TXToolBar>
    QList<Bar *> line(int index) const
    {
        QList<Bar *> bars;
        for (TDockableBar *bar : lineBars(index))
            bars.append(static_cast<Bar *>(bar));
        return bars;
    }
    QList<TDockableBar *> lineBars(int index) const;

    /* The line a point (dock coordinates) selects; may open an empty line. */
    int lookupLine(QPoint p);
    void insertBar(TDockableBar *bar, QPoint p);
    void removeBar(TDockableBar *bar);
    /* Moves a docked bar to the line at p, with DockPos from p. */
    void moveBar(TDockableBar *bar, QPoint p);
    /* Moves a docked bar to the line at p, with the DockPos given. */
    void moveBar(TDockableBar *bar, QPoint p, int dockPos);
    /* Moves a docked bar to line n, appending a line when n is past the last. */
    void setBarLine(TDockableBar *bar, int n);
    /* Re-sorts the bar's line after its DockPos changed. */
    void barPosChanged(TDockableBar *bar);

    /* Places every bar along its line. */
    void arrange();
    /* Sets the thickness from the number of lines. */
    void resizeDock();

    /* Where drops are taken, in the form's coordinates. */
    QRect dropZone() const;
    bool hasBars() const { return m_hasBars; }

signals:
    void OnInsertBar();
    void OnRemoveBar();
    void OnVisibleChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    BoundEdges boundEdges() const;
    int lineOf(const TDockableBar *bar) const;
    /* Takes the bar out of its line; drops the line when it empties. */
    bool takeBar(TDockableBar *bar);
    void addToLine(TDockableBar *bar, int index);
    void sortLine(int index);
    void renumber();
    void alignToEdge();
    std::vector<std::vector<LineSlot>> lineSlots() const;

    TDockPos m_position = dpTop;
    TUsedPos m_boundLines;
    QList<QList<TDockableBar *>> m_lines;
    int m_thickness = 0;
    bool m_hasBars = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TDocks::TUsedPos)

#endif
