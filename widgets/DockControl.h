/*
** TDockControl: the common base of docks and tool bars.
**
** It carries the program-wide metrics as properties (every instance reads
** and writes the one shared set), the published colour, and the check that
** docks and bars are owned by a form, i.e. by a top-level window.
*/
#ifndef QUILLON_WIDGETS_DOCKCONTROL_H
#define QUILLON_WIDGETS_DOCKCONTROL_H

#include "widgets/DockMetrics.h"

#include <QColor>
#include <QMenu>
#include <QPointer>
#include <QWidget>

class TDockControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Spacing READ spacing WRITE setSpacing)
    Q_PROPERTY(int ControlWidth READ controlWidth WRITE setControlWidth)
    Q_PROPERTY(int ControlHeight READ controlHeight WRITE setControlHeight)
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(bool ParentColor READ parentColor WRITE setParentColor)
    Q_PROPERTY(QMenu *PopupMenu READ popupMenu WRITE setPopupMenu)

public:
    static int spacing() { return dockMetrics().spacing; }
    static void setSpacing(int v) { dockMetrics().spacing = v; }
    static int controlWidth() { return dockMetrics().controlWidth; }
    static void setControlWidth(int v) { dockMetrics().controlWidth = v; }
    static int controlHeight() { return dockMetrics().controlHeight; }
    static void setControlHeight(int v) { dockMetrics().controlHeight = v; }
    static int H() { return dockMetrics().h(); }
    static int V() { return dockMetrics().v(); }

    QColor color() const;
    void setColor(const QColor &c);
    bool parentColor() const { return m_parentColor; }
    void setParentColor(bool on);
    QMenu *popupMenu() const { return m_popupMenu; }
    void setPopupMenu(QMenu *menu) { m_popupMenu = menu; }

protected:
    explicit TDockControl(QWidget *form);

    /* The form, or an exception carrying message when owner is not one. */
    static QWidget *requireForm(QWidget *owner, const QString &message);

    void contextMenuEvent(QContextMenuEvent *event) override;

    /* The form this control belongs to. */
    QWidget *form() const { return m_form; }

private:
    QWidget *m_form;
    bool m_parentColor = true;
    QPointer<QMenu> m_popupMenu; /* shown on a right click; cleared when the menu goes */
};

#endif
