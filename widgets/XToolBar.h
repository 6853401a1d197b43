/*
** TXToolBar: a tool bar that docks in a TDocks or floats as a small tool
** window, laying out its child controls itself.
**
** Docked, it is a child of its dock and one bar of one of the dock's
** lines.  Floating, it is a frameless tool window owned through the form's
** TFloatBarParent; it paints its own 3-pixel border, caption and close box,
** so dragging by the caption, sizing by the border in recorded steps and
** closing are handled here the same on every platform.
**
** The controls are grouped by their positions when the bar is loaded (or
** when a control is added or removed later), and every layout is the walk
** of BarLayout, so a floating size step always holds the layout measured.
*/
#ifndef QUILLON_WIDGETS_XTOOLBAR_H
#define QUILLON_WIDGETS_XTOOLBAR_H

#include "widgets/BarDrag.h"
#include "widgets/BarLayout.h"
#include "widgets/DockableBar.h"
#include "widgets/Docks.h"
#include "widgets/FloatBarParent.h"

#include <QPointer>

class TDragFrame;

class TXToolBar : public TDockableBar {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(TDocks *DockedTo READ dockedTo WRITE setDockedTo)
    Q_PROPERTY(int DockLine READ dockLine WRITE setDockLine)
    Q_PROPERTY(int DockPos READ dockPos WRITE setDockPos)
    Q_PROPERTY(bool Visible READ isBarVisible WRITE setVisible)

public:
    /* Throws std::invalid_argument when form is not a top-level window. */
    explicit TXToolBar(QWidget *form, const QString &name = QString());
    ~TXToolBar() override;

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    TDocks *dockedTo() const { return m_dock; }
    void setDockedTo(TDocks *dock);
    int dockLine() const { return m_dockLine; }
    void setDockLine(int n);
    int dockPos() const { return m_dockPos; }
    void setDockPos(int n);
    bool isBarVisible() const { return m_wantVisible; }
    void setVisible(bool visible) override;

    /* Takes the child controls as placed, groups them and lays them out. */
    void loaded();

    bool isFloating() const { return !m_dock; }
    /* Whether the bar is laid out for a left or right dock. */
    bool isVerticalLayout() const { return m_vertical; }
    TDocks *previousDock() const { return m_prevDock; }
    const QList<QWidget *> &controls() const { return m_controls; }
    const std::vector<ControlGroup> &groups() const { return m_groups; }
    const BarSizes &sizes() const { return m_sizes; }
    int currentStep() const { return m_step; }
    QSize floatingSize() const { return m_floatSize; }
    QPoint floatingPos() const { return m_floatPos; }
    void setFloatingPos(QPoint screenPos);
    /* Length along a dock of that orientation. */
    int dockedLength(bool vertical) const override;
    TFloatBarParent *floatParent() const { return m_floatParent; }

    bool isDragging() const { return m_dragging; }
    bool isSizing() const { return m_sizing != FloatHit::Client; }
    /* The tracked frame of a drag or resize, in screen coordinates. */
    QRect trackedFrame() const { return m_frame; }
    TDocks *dropTarget() const { return m_target; }

signals:
    void OnDockChanged();
    void OnVerticalDock(bool Vertical);
    void OnVisibleChanged();

protected:
    bool event(QEvent *event) override;
    void childEvent(QChildEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void dockGone() override { m_dock = nullptr; }
    void placeByDock(const QRect &rect) override;
    void turn(bool vertical) override;
    void floatParentGone() override { m_floatParent = nullptr; }
    void formShown() override;
    void formHidden() override;
    void relayout();
    void arrangeControls();
    void applyDockedSize();
    void reparent(TDocks *target, QPoint at);
    /* The point in dock that selects DockLine with DockPos. */
    QPoint slotPoint(const TDocks *dock) const;
    QRect screenRect() const;
    TDocks *dockAt(QPoint global) const;
    void trackDrag(QPoint global);
    void finishDrag(QPoint global);
    void endTracking();
    void setWindowVisible(bool visible);

    QString m_caption;
    QPointer<TDocks> m_dock;
    QPointer<TDocks> m_prevDock;          /* dock before the last docked/floating change */
    QPointer<TFloatBarParent> m_floatParent;
    bool m_wantVisible = true;            /* the published Visible */
    bool m_vertical = false;              /* laid out for a vertical dock */
    bool m_loading = true;                /* until loaded(): children are only listed */
    bool m_reparenting = false;
    bool m_placing = false;               /* the dock is setting our bounds */
    bool m_relayoutPosted = false;
    QPoint m_placedAt;                    /* where the dock last put us */

    QList<QWidget *> m_controls;
    std::vector<ControlGroup> m_groups;
    BarSizes m_sizes;
    int m_step = 0;
    QSize m_floatSize;
    QPoint m_floatPos;

    bool m_pressed = false;
    bool m_closePressed = false;
    bool m_dragging = false;
    FloatHit m_sizing = FloatHit::Client;
    QPoint m_grab;                        /* pointer at the press, screen */
    QRect m_frameFromPointer;             /* tracked frame relative to the pointer */
    QRect m_frame;                        /* tracked frame, screen */
    QPointer<TDocks> m_target;
    TDragFrame *m_tracker = nullptr;
};

#endif
