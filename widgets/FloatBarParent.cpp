/*
** The per-form owner of floating bars and the watcher of its form.
*/
#include "widgets/FloatBarParent.h"

#include "widgets/DockableBar.h"

#include <QEvent>

TFloatBarParent::TFloatBarParent(QWidget *form) : QWidget(form), m_form(form)
{
    setObjectName(QStringLiteral("FloatBarParent"));
    setGeometry(0, 0, 0, 0);
    QWidget::setVisible(false);
}

TFloatBarParent::~TFloatBarParent()
{
    /* Floating bars are deleted after this body; they must not call back. */
    for (TDockableBar *bar : m_bars)
        bar->floatParentGone();
}

TFloatBarParent *TFloatBarParent::forForm(QWidget *form)
{
    if (auto *existing = form->findChild<TFloatBarParent *>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new TFloatBarParent(form);
}

void TFloatBarParent::addBar(TDockableBar *bar)
{
    if (m_bars.contains(bar))
        return;
    m_bars.append(bar);
    if (!m_watching) {
        m_form->installEventFilter(this);
        m_watching = true;
    }
}

void TFloatBarParent::removeBar(TDockableBar *bar)
{
    m_bars.removeOne(bar);
    if (m_bars.isEmpty() && m_watching) {
        m_form->removeEventFilter(this);
        m_watching = false;
    }
}

void TFloatBarParent::updateActive()
{
    bool active = m_form->isActiveWindow();
    for (TDockableBar *bar : m_bars)
        active = active || (bar->isWindow() && bar->isActiveWindow());
    if (active == m_active)
        return;
    m_active = active;
    for (TDockableBar *bar : m_bars)
        bar->update();
}

bool TFloatBarParent::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_form) {
        switch (event->type()) {
        case QEvent::Show:
            for (TDockableBar *bar : m_bars)
                bar->formShown();
            break;
        case QEvent::Hide:
            for (TDockableBar *bar : m_bars)
                bar->formHidden();
            break;
        case QEvent::ActivationChange:
            updateActive();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
