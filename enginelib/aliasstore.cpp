#include "enginelib/aliasstore.h"

#include "enginelib/engineerror.h"
#include "platform/atomicfile.h"
#include "platform/configdir.h"
#include "platform/filelock.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>

namespace quillon::enginelib {

namespace {

std::string folderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

// Makes the folder and its missing parents.
void makeFolders(const std::string &folder)
{
    struct stat st{};
    if (folder.empty() || ::stat(folder.c_str(), &st) == 0)
        return;
    makeFolders(folderOf(folder));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw EngineError(QDBIERR_CONFIGIO,
                          "Cannot create the folder \"" + folder + "\" for the engine configuration: " +
                              std::strerror(errno));
}

} // namespace

bool sameName(const std::string &a, const std::string &b)
{
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::string AliasStore::defaultPath()
{
    if (const char *path = std::getenv("QUILLON_ENGINE_CONFIG"); path && *path)
        return path;
    if (const std::string home = platform::userConfigHome(); !home.empty())
        return home + "/quillon/engine.cfg";
    throw EngineError(QDBIERR_CONFIGIO,
                      "No place for the engine configuration: set QUILLON_ENGINE_CONFIG, XDG_CONFIG_HOME or HOME");
}

std::string AliasStore::format(const std::vector<Alias> &aliases)
{
    std::string text = "; Quillon database engine aliases\n";
    for (const Alias &alias : aliases) {
        text += "\n[" + alias.name + "]\nDRIVER=" + alias.driver + "\n";
        for (const std::string &param : alias.params)
            text += param + "\n";
    }
    return text;
}

std::vector<Alias> AliasStore::parse(const std::string &text, const std::string &path)
{
    std::vector<Alias> aliases;
    size_t lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 3)
                throw EngineError(QDBIERR_CONFIGIO, "Engine configuration \"" + path + "\", line " +
                                                        std::to_string(lineNo) + ": bad alias heading \"" + line +
                                                        "\"");
            aliases.push_back({line.substr(1, line.size() - 2), "", {}});
            continue;
        }
        if (aliases.empty())
            throw EngineError(QDBIERR_CONFIGIO, "Engine configuration \"" + path + "\", line " +
                                                    std::to_string(lineNo) + ": \"" + line +
                                                    "\" stands before the first alias heading");
        if (strncasecmp(line.c_str(), "DRIVER=", 7) == 0)
            aliases.back().driver = line.substr(7);
        else
            aliases.back().params.push_back(line);
    }
    return aliases;
}

std::vector<Alias> AliasStore::load() const
{
    try {
        const std::optional<std::string> text = platform::readFileIfExists(m_path);
        return text ? parse(*text, m_path) : std::vector<Alias>{};
    } catch (const platform::FileError &e) {
        throw EngineError(QDBIERR_CONFIGIO, std::string("Cannot read the engine configuration: ") + e.what());
    }
}

std::optional<Alias> AliasStore::find(const std::string &name) const
{
    for (const Alias &alias : load())
        if (sameName(alias.name, name))
            return alias;
    return std::nullopt;
}

template <class Change>
void AliasStore::update(Change &&change)
{
    makeFolders(folderOf(m_path));
    try {
        platform::FileLock lock(m_path + ".lock");
        std::vector<Alias> aliases = load();
        if (change(aliases))
            platform::writeFileAtomically(m_path, format(aliases));
    } catch (const platform::FileError &e) {
        throw EngineError(QDBIERR_CONFIGIO, std::string("Cannot write the engine configuration: ") + e.what());
    }
}

void AliasStore::add(const Alias &alias)
{
    update([&](std::vector<Alias> &aliases) {
        for (const Alias &existing : aliases)
            if (sameName(existing.name, alias.name))
                throw EngineError(QDBIERR_ALIASEXISTS, "Alias \"" + alias.name + "\" already exists");
        aliases.push_back(alias);
        return true;
    });
}

void AliasStore::replace(const Alias &alias)
{
    update([&](std::vector<Alias> &aliases) {
        const auto it = std::find_if(aliases.begin(), aliases.end(),
                                     [&](const Alias &existing) { return sameName(existing.name, alias.name); });
        if (it == aliases.end())
            aliases.push_back(alias);
        else
            *it = alias;
        return true;
    });
}

bool AliasStore::remove(const std::string &name)
{
    bool removed = false;
    update([&](std::vector<Alias> &aliases) {
        for (auto it = aliases.begin(); it != aliases.end(); ++it) {
            if (sameName(it->name, name)) {
                aliases.erase(it);
                removed = true;
                break;
            }
        }
        return removed;
    });
    return removed;
}

bool AliasFileCache::Stamp::operator==(const Stamp &o) const
{
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
           changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
}

AliasFileCache::Stamp AliasFileCache::stampOf(const std::string &path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        throw EngineError(QDBIERR_CONFIGIO,
                          "Cannot read the engine configuration \"" + path + "\": " + std::strerror(errno));
    }
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

AliasFileCache::Aliases AliasFileCache::load(const std::string &path)
{
    std::lock_guard lock(m_mutex);
    const Stamp stamp = stampOf(path);
    if (m_aliases && m_trusted && path == m_path && stamp == m_stamp)
        return m_aliases;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    auto settled = [&](const timespec &t) { return t.tv_sec + 1 < now.tv_sec; };
    Aliases aliases = std::make_shared<const std::vector<Alias>>(AliasStore(path).load());
    m_path = path;
    m_stamp = stamp;
    m_trusted = !stamp.exists || (settled(stamp.modified) && settled(stamp.changed));
    m_aliases = std::move(aliases);
    return m_aliases;
}

void AliasFileCache::clear()
{
    std::lock_guard lock(m_mutex);
    m_aliases.reset();
    m_path.clear();
}

} // namespace quillon::enginelib
