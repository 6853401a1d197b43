#pragma once

/*
** The host's menu interfaces over Qt's menu bar: a menu item is a QAction
** (a submenu's action for a top-level item) or the menu bar itself; the
** main menu finds items by object name. Every returned interface is a new
** reference that the caller releases; the objects follow the QAction they
** wrap and answer nothing once it is gone.
*/

#include "expert/ideintf.h"

#include <QPointer>
#include <QStringList>

#include <string>

class QAction;
class QMenuBar;

namespace quillon::idehost {

class HostMenuItem final : public expert::TIMenuItemIntf
{
public:
    // action null: the menu bar itself.
    HostMenuItem(QMenuBar *bar, QAction *action, QStringList &log);

    const char *GetName() override;
    int GetFlags() override;
    bool SetFlags(int mask, int flags) override;
    TIMenuItemIntf *InsertItem(int index, const char *caption, const char *name, const char *hint, int shortCut,
                               int context, int groupIndex, int flags, expert::TIMenuClickEvent onClick) override;

private:
    QPointer<QMenuBar> m_bar;
    QPointer<QAction> m_action;
    QStringList &m_log;
    std::string m_name;
};

class HostMainMenu final : public expert::TIMainMenuIntf
{
public:
    HostMainMenu(QMenuBar *bar, QStringList &log);
    expert::TIMenuItemIntf *GetMenuItems() override;
    expert::TIMenuItemIntf *FindMenuItem(const char *name) override;

private:
    QPointer<QMenuBar> m_bar;
    QStringList &m_log;
};

} // namespace quillon::idehost
