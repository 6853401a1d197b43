/*
** Shared metrics, colour and ownership rule of docks and bars.
*/
#include "widgets/DockControl.h"

#include <QContextMenuEvent>

#include <stdexcept>

TDockControl::TDockControl(QWidget *form) : QWidget(form), m_form(form)
{
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
}

QWidget *TDockControl::requireForm(QWidget *owner, const QString &message)
{
    if (!owner || !owner->isWindow())
        throw std::invalid_argument(message.toStdString());
    return owner;
}

QColor TDockControl::color() const
{
    return palette().color(backgroundRole());
}

void TDockControl::setColor(const QColor &c)
{
    QPalette p = palette();
    p.setColor(backgroundRole(), c);
    setPalette(p);
    m_parentColor = false;
}

void TDockControl::setParentColor(bool on)
{
    m_parentColor = on;
    if (on)
        setPalette(QPalette());
}

void TDockControl::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_popupMenu) {
        QWidget::contextMenuEvent(event);
        return;
    }
    m_popupMenu->popup(event->globalPos());
    event->accept();
}
