/*
** TDockableBar: what a dock and a form's float parent ask of the bars they
** hold, so that TDocks and TFloatBarParent know bars only through this
** class and TXToolBar, which implements it, may know both of them.
**
** A dock keeps a bar's DockLine and DockPos here (it renumbers the lines
** and packs the positions as it arranges), places the bar, turns it with
** its own orientation and tells it when the dock goes away; the float
** parent tells it when the form shows, hides or goes away.
*/
#ifndef QUILLON_WIDGETS_DOCKABLEBAR_H
#define QUILLON_WIDGETS_DOCKABLEBAR_H

#include "widgets/DockControl.h"

#include <QRect>

class TDockableBar : public TDockControl {
    Q_OBJECT

public:
    /* Length along a dock of that orientation. */
    virtual int dockedLength(bool vertical) const = 0;

protected:
    explicit TDockableBar(QWidget *form) : TDockControl(form) {}

    friend class TDocks;
    friend class TFloatBarParent;

    /* The dock is being destroyed: the bar must not call back into it. */
    virtual void dockGone() = 0;
    /* The dock sets the bar's bounds. */
    virtual void placeByDock(const QRect &rect) = 0;
    /* Lays the bar out for its dock's new orientation. */
    virtual void turn(bool vertical) = 0;
    /* The float parent is being destroyed. */
    virtual void floatParentGone() = 0;
    /* The form was shown or hidden. */
    virtual void formShown() = 0;
    virtual void formHidden() = 0;

    int m_dockLine = 0; /* the index of the dock's line that holds the bar */
    int m_dockPos = 0;  /* its position along that line */
};

#endif
