#include "project/recentprojects.h"

#include "platform/installkeys.h"

#include <algorithm>

namespace quillon::project {

namespace {

constexpr char kLastSourceValue[] = "LastProject";
constexpr char kOpenNextValue[] = "OpenProject";

std::string recentValue(int i)
{
    return "RecentProject" + std::to_string(i + 1);
}

} // namespace

RecentProjects::RecentProjects(const platform::Registry &registry)
    : m_registry(registry)
{}

std::string RecentProjects::read(const char *value) const
{
    try {
        if (const auto key = m_registry.openKey(platform::Hive::CurrentUser, platform::kInstallPathKey))
            return key->readString(value).value_or("");
    } catch (const std::exception &) {
        // An unreadable registry remembers nothing.
    }
    return {};
}

std::vector<std::string> RecentProjects::recent() const
{
    std::vector<std::string> paths;
    try {
        if (const auto key = m_registry.openKey(platform::Hive::CurrentUser, platform::kInstallPathKey)) {
            for (int i = 0; i < kMaxRecent; ++i) {
                const std::string path = key->readString(recentValue(i)).value_or("");
                if (!path.empty() && std::find(paths.begin(), paths.end(), path) == paths.end())
                    paths.push_back(path);
            }
        }
    } catch (const std::exception &) {
        paths.clear();
    }
    return paths;
}

void RecentProjects::add(const std::string &projectFile)
{
    std::vector<std::string> paths = recent();
    std::erase(paths, projectFile);
    paths.insert(paths.begin(), projectFile);
    platform::RegistryKey key = m_registry.createKey(platform::Hive::CurrentUser, platform::kInstallPathKey);
    for (int i = 0; i < kMaxRecent; ++i)
        key.writeString(recentValue(i), i < static_cast<int>(paths.size()) ? paths[i] : std::string());
}

void RecentProjects::write(const char *value, const std::string &text)
{
    m_registry.createKey(platform::Hive::CurrentUser, platform::kInstallPathKey).writeString(value, text);
}

void RecentProjects::setOpenNext(const std::string &projectFile)
{
    write(kOpenNextValue, projectFile);
}

std::string RecentProjects::takeOpenNext()
{
    const std::string path = read(kOpenNextValue);
    if (!path.empty())
        write(kOpenNextValue, "");
    return path;
}

std::string RecentProjects::lastSource() const
{
    return read(kLastSourceValue);
}

void RecentProjects::setLastSource(const std::string &path)
{
    write(kLastSourceValue, path);
}

} // namespace quillon::project
