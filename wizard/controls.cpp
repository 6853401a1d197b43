#include "wizard/controls.h"

#include <QMouseEvent>

namespace quillon::wizard {

DropDownList::DropDownList(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(false);
}

void DropDownList::showPopup()
{
    openList();
    QComboBox::showPopup();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

} // namespace quillon::wizard
