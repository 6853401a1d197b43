#pragma once

/*
** The projects the IDE opened, kept in the registry under HKEY_CURRENT_USER
** "Software\Tarvik\Quillon": "LastProject" is the project open when the IDE
** last stopped (empty when none was), "Recent1" to "Recent6" the projects
** opened most recently, newest first, each path once. Reading never fails:
** a registry that cannot be read is an empty list; writing throws
** std::exception with the registry's message.
*/

#include "platform/registry.h"

#include <QString>
#include <QStringList>

namespace quillon::idehost {

class RecentProjects
{
public:
    static constexpr int kMaxRecent = 6;

    explicit RecentProjects(const platform::Registry &registry);

    QString lastProject() const;
    QStringList recent() const;

    // Records path as the project open now (empty: none) and, when it is
    // not empty, puts it first among the recent ones.
    void setCurrent(const QString &path);

private:
    const platform::Registry &m_registry;
};

} // namespace quillon::idehost
