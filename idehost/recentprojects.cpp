#include "idehost/recentprojects.h"

#include "platform/installkeys.h"

namespace quillon::idehost {

namespace {

constexpr char kLastProjectValue[] = "LastProject";

std::string recentValue(int i)
{
    return "Recent" + std::to_string(i + 1);
}

} // namespace

RecentProjects::RecentProjects(const platform::Registry &registry)
    : m_registry(registry)
{}

QString RecentProjects::lastProject() const
{
    try {
        if (const auto key = m_registry.openKey(platform::Hive::CurrentUser, platform::kInstallPathKey))
            return QString::fromStdString(key->readString(kLastProjectValue).value_or(""));
    } catch (const std::exception &) {
        // An unreadable registry remembers nothing; the IDE starts empty.
    }
    return QString();
}

QStringList RecentProjects::recent() const
{
    QStringList paths;
    try {
        if (const auto key = m_registry.openKey(platform::Hive::CurrentUser, platform::kInstallPathKey)) {
            for (int i = 0; i < kMaxRecent; ++i) {
                const QString path = QString::fromStdString(key->readString(recentValue(i)).value_or(""));
                if (!path.isEmpty() && !paths.contains(path))
                    paths << path;
            }
        }
    } catch (const std::exception &) {
        paths.clear();
    }
    return paths;
}

void RecentProjects::setCurrent(const QString &path)
{
    QStringList paths = recent();
    platform::RegistryKey key = m_registry.createKey(platform::Hive::CurrentUser, platform::kInstallPathKey);
    key.writeString(kLastProjectValue, path.toStdString());
    if (path.isEmpty())
        return;
    paths.removeAll(path);
    paths.prepend(path);
    for (int i = 0; i < kMaxRecent; ++i)
        key.writeString(recentValue(i), i < paths.size() ? paths.at(i).toStdString() : std::string());
}

} // namespace quillon::idehost
