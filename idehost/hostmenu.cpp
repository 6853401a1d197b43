#include "idehost/hostmenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace quillon::idehost {

using namespace quillon::expert;

HostMenuItem::HostMenuItem(QMenuBar *bar, QAction *action, QStringList &log)
    : TIMenuItemIntf(&TInterface::deleteAs<HostMenuItem>)
    , m_bar(bar)
    , m_action(action)
    , m_log(log)
{}

const char *HostMenuItem::GetName()
{
    m_name = m_action ? m_action->objectName().toStdString() : std::string("MainMenu");
    return m_name.c_str();
}

int HostMenuItem::GetFlags()
{
    if (!m_action)
        return mfEnabled | mfVisible;
    return (m_action->isEnabled() ? mfEnabled : 0) | (m_action->isVisible() ? mfVisible : 0) |
           (m_action->isChecked() ? mfChecked : 0);
}

bool HostMenuItem::SetFlags(int mask, int flags)
{
    if (!m_action)
        return false;
    if (mask & mfEnabled)
        m_action->setEnabled(flags & mfEnabled);
    if (mask & mfVisible)
        m_action->setVisible(flags & mfVisible);
    if (mask & mfChecked) {
        m_action->setCheckable(true);
        m_action->setChecked(flags & mfChecked);
    }
    return true;
}

/*
** Inserts before the index-th entry of the menu bar or of this item's
** submenu (a plain item becomes a submenu on its first insert); an index
** past the end appends. The click handler runs with the new item's own
** interface, released after the call.
*/
TIMenuItemIntf *HostMenuItem::InsertItem(int index, const char *caption, const char *name, const char *hint, int,
                                         int, int, int flags, TIMenuClickEvent onClick)
{
    QWidget *container = nullptr;
    if (!m_action)
        container = m_bar;
    else if (m_action->menu())
        container = m_action->menu();
    else if (auto *parentMenu = qobject_cast<QMenu *>(m_action->parent())) {
        auto *menu = new QMenu(m_action->text(), parentMenu);
        m_action->setMenu(menu);
        container = menu;
    }
    if (!container)
        return nullptr;

    const QString text = QString::fromLatin1(caption);
    QAction *action;
    if (text == QLatin1String("-")) {
        action = new QAction(container);
        action->setSeparator(true);
    } else if (!m_action) {
        auto *menu = new QMenu(text, container);
        action = menu->menuAction();
    } else {
        action = new QAction(text, container);
    }
    action->setObjectName(QString::fromLatin1(name));
    action->setStatusTip(QString::fromLatin1(hint));
    const QList<QAction *> existing = container->actions();
    QAction *before = index >= 0 && index < existing.size() ? existing.at(index) : nullptr;
    container->insertAction(before, action);

    QMenuBar *bar = m_bar;
    QStringList *log = &m_log;
    if (onClick.code) {
        QObject::connect(action, &QAction::triggered, action, [bar, action, log, onClick] {
            // Qt flips a checkable item before this runs; the IDE's items
            // change their check only when the handler says so.
            if (action->isCheckable())
                action->setChecked(!action->isChecked());
            auto *self = new HostMenuItem(bar, action, *log);
            onClick.code(onClick.self, self);
            self->Release();
        });
    }
    auto *item = new HostMenuItem(m_bar, action, m_log);
    item->SetFlags(mfEnabled | mfVisible | mfChecked, flags);
    if (!(flags & mfChecked) && !(flags & mfRadioItem))
        action->setCheckable(false);
    return item;
}

HostMainMenu::HostMainMenu(QMenuBar *bar, QStringList &log)
    : TIMainMenuIntf(&TInterface::deleteAs<HostMainMenu>)
    , m_bar(bar)
    , m_log(log)
{}

TIMenuItemIntf *HostMainMenu::GetMenuItems()
{
    return m_bar ? new HostMenuItem(m_bar, nullptr, m_log) : nullptr;
}

TIMenuItemIntf *HostMainMenu::FindMenuItem(const char *name)
{
    if (!m_bar)
        return nullptr;
    auto *action = m_bar->findChild<QAction *>(QString::fromLatin1(name));
    return action ? new HostMenuItem(m_bar, action, m_log) : nullptr;
}

} // namespace quillon::idehost
