#include "enginelib/engine.h"

#include "enginelib/directorydatabase.h"
#include "enginelib/engineerror.h"
#include "enginelib/pgdatabase.h"
#include "enginelib/sqlitedatabase.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <strings.h>

namespace quillon::enginelib {

namespace {

void checkAliasName(const std::string &name)
{
    if (name.empty())
        throw EngineError(QDBIERR_INVALIDALIASNAME, "The alias name is empty");
    if (name.size() > 127)
        throw EngineError(QDBIERR_INVALIDALIASNAME, "The alias name \"" + name.substr(0, 40) +
                                                        "...\" is longer than 127 characters");
    if (name.find_first_of("[]\r\n") != std::string::npos)
        throw EngineError(QDBIERR_INVALIDALIASNAME,
                          "The alias name \"" + name + "\" contains \"[\", \"]\" or a line break");
}

std::string normalDriver(const char *driver)
{
    const std::string d = driver ? driver : "";
    if (d.empty() || sameName(d, "STANDARD"))
        return "";
    if (sameName(d, "SQLITE"))
        return "SQLITE";
    if (sameName(d, "POSTGRESQL"))
        return "POSTGRESQL";
    throw EngineError(QDBIERR_UNKNOWNDRIVER,
                      "Unknown driver type \"" + d + "\" (known: STANDARD, SQLITE, POSTGRESQL)");
}

std::vector<std::string> splitLines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

// The value of the "PATH:" line, or nothing.
std::optional<std::string> pathOf(const std::vector<std::string> &params)
{
    for (const std::string &line : params)
        if (strncasecmp(line.c_str(), "PATH:", 5) == 0)
            return line.substr(5);
    return std::nullopt;
}

// The value of a "NAME=value" line of the parameters given to open a database.
std::string openParameter(const std::string &params, const char *name)
{
    const size_t length = std::strlen(name);
    for (const std::string &line : splitLines(params))
        if (strncasecmp(line.c_str(), name, length) == 0 && line.size() > length && line[length] == '=')
            return line.substr(length + 1);
    return {};
}

} // namespace

Engine &Engine::instance()
{
    static Engine engine;
    return engine;
}

void Engine::open(uint16_t version)
{
    if (version != QDBI_INTERFACE_VERSION)
        throw EngineError(QDBIERR_VERSIONMISMATCH, "The engine offers interface version " +
                                                       std::to_string(QDBI_INTERFACE_VERSION) + ", not " +
                                                       std::to_string(version));
    std::lock_guard lock(m_mutex);
    if (m_openCount++ == 0)
        m_sessions.open();
}

void Engine::close()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_openCount == 0)
            throw EngineError(QDBIERR_NOTINITIALIZED, "The engine is not open");
        if (--m_openCount > 0)
            return;
        m_sessionAliases.clear();
        // Before the handles go, so their databases are closed, not kept.
        m_sessions.close();
        m_storedAliases.clear();
    }
    std::vector<std::shared_ptr<HandleObject>> closing = m_handles.removeAll();
    // Cursors before their databases, outside the lock.
    for (auto &object : closing)
        if (object->kind == HandleKind::Cursor)
            object.reset();
}

void Engine::requireOpen() const
{
    if (m_openCount.load(std::memory_order_acquire) == 0)
        throw EngineError(QDBIERR_NOTINITIALIZED, "The engine is not open: call DbiInitFn first");
}

void Engine::addAlias(const std::string &name, const char *driver, const std::string &params, Keep keep)
{
    checkAliasName(name);
    Alias alias{name, normalDriver(driver), splitLines(params)};
    if (!pathOf(alias.params))
        throw EngineError(QDBIERR_INVALIDPARAMTEXT,
                          "The parameters of alias \"" + name + "\" have no \"PATH:\" line");
    for (std::string &line : alias.params) {
        if (line[0] == '[' || strncasecmp(line.c_str(), "DRIVER=", 7) == 0)
            throw EngineError(QDBIERR_INVALIDPARAMTEXT,
                              "Parameter line \"" + line + "\" of alias \"" + name + "\" is not allowed");
        const bool isPath = strncasecmp(line.c_str(), "PATH:", 5) == 0;
        if (isPath && (alias.driver == "POSTGRESQL" || PgConnection::isServerUri(line.substr(5)))) {
            // A server URI chooses the server driver (and is no folder to make absolute).
            if (alias.driver == "SQLITE")
                throw EngineError(QDBIERR_INVALIDPARAMTEXT,
                                  "Alias \"" + name + "\" of driver SQLITE cannot name a server URI");
            PgConnection::checkUri(line.substr(5), name);
            alias.driver = "POSTGRESQL";
            continue;
        }
        // A relative path means the folder it names now, not wherever a
        // later user of the alias happens to run.
        if (isPath && line.size() > 5 && line[5] != '/') {
            std::error_code ec;
            const std::filesystem::path absolute = std::filesystem::absolute(line.substr(5), ec);
            if (!ec)
                line = "PATH:" + absolute.lexically_normal().string();
        }
    }
    std::lock_guard lock(m_mutex);
    for (const Alias &existing : m_sessionAliases)
        if (sameName(existing.name, name))
            throw EngineError(QDBIERR_ALIASEXISTS, "Alias \"" + name + "\" already exists");
    AliasStore aliases = store();
    if (keep == Keep::ReplacePersistent)
        aliases.replace(alias);
    else if (keep == Keep::Persistent)
        aliases.add(alias);
    else if (aliases.find(name))
        throw EngineError(QDBIERR_ALIASEXISTS, "Alias \"" + name + "\" already exists");
    else
        m_sessionAliases.push_back(alias);
}

void Engine::deleteAlias(const std::string &name)
{
    if (name.empty())
        throw EngineError(QDBIERR_INVALIDALIASNAME, "The alias name is empty");
    std::lock_guard lock(m_mutex);
    const size_t before = m_sessionAliases.size();
    std::erase_if(m_sessionAliases, [&](const Alias &a) { return sameName(a.name, name); });
    const bool removedHere = m_sessionAliases.size() != before;
    if (!store().remove(name) && !removedHere)
        throw EngineError(QDBIERR_UNKNOWNALIAS, "Unknown alias \"" + name + "\"");
}

std::vector<std::string> Engine::aliasNames() const
{
    std::vector<std::string> names;
    // Held here: another thread may replace the cache's list meanwhile.
    const AliasFileCache::Aliases stored = storedAliases();
    for (const Alias &alias : *stored)
        names.push_back(alias.name);
    {
        std::lock_guard lock(m_mutex);
        for (const Alias &alias : m_sessionAliases)
            names.push_back(alias.name);
    }
    auto less = [](const std::string &a, const std::string &b) { return strcasecmp(a.c_str(), b.c_str()) < 0; };
    std::stable_sort(names.begin(), names.end(), less);
    names.erase(std::unique(names.begin(), names.end(), sameName), names.end());
    return names;
}

Alias Engine::lookUpAlias(const std::string &name) const
{
    if (name.empty())
        throw EngineError(QDBIERR_INVALIDALIASNAME, "The alias name is empty");
    {
        std::lock_guard lock(m_mutex);
        for (const Alias &alias : m_sessionAliases)
            if (sameName(alias.name, name))
                return alias;
    }
    // Held here: another thread may replace the cache's list meanwhile.
    const AliasFileCache::Aliases stored = storedAliases();
    for (const Alias &alias : *stored)
        if (sameName(alias.name, name))
            return alias;
    throw EngineError(QDBIERR_UNKNOWNALIAS, "Unknown alias \"" + name + "\"");
}

std::shared_ptr<Database> Engine::openDatabase(const std::string &name, const std::string &params)
{
    const Alias alias = lookUpAlias(name);
    // A session is reused only for the same definition and the same login.
    std::string key = alias.name + '\n' + alias.driver + '\n';
    for (const std::string &line : alias.params)
        key += line + '\n';
    key += '\0' + params;
    m_sessions.dropOthers(alias.name, key);
    if (std::unique_ptr<Database> idle = m_sessions.take(key))
        return shareSession(std::move(idle), key, alias.name);

    const std::string path = pathOf(alias.params).value_or("");
    std::unique_ptr<Database> database;
    if (alias.driver == "POSTGRESQL")
        database = std::make_unique<PgDatabase>(
            path, alias.name, PgLogin{openParameter(params, "USER NAME"), openParameter(params, "PASSWORD")});
    else if (alias.driver == "SQLITE")
        database = std::make_unique<SqliteDatabase>(path, alias.name);
    else if (alias.driver.empty())
        database = std::make_unique<DirectoryDatabase>(path, alias.name);
    else
        throw EngineError(QDBIERR_UNKNOWNDRIVER,
                          "Alias \"" + alias.name + "\" has the unknown driver type \"" + alias.driver + "\"");
    return shareSession(std::move(database), key, alias.name);
}

std::shared_ptr<Database> Engine::shareSession(std::unique_ptr<Database> database, const std::string &key,
                                               const std::string &alias)
{
    return std::shared_ptr<Database>(database.release(), [this, key, alias](Database *released) {
        m_sessions.giveBack(key, alias, std::unique_ptr<Database>(released));
    });
}

const void *Engine::keep(std::shared_ptr<HandleObject> object)
{
    return m_handles.add(std::move(object));
}

bool Engine::release(const void *handle, HandleKind kind)
{
    // A database takes its cursors with it.
    std::vector<std::shared_ptr<HandleObject>> dropped = m_handles.remove(handle, kind, [handle](const HandleObject &o) {
        return o.kind == HandleKind::Cursor && static_cast<const CursorHandle &>(o).owner == handle;
    });
    // Cursors before their database.
    for (auto &object : dropped)
        if (object->kind == HandleKind::Cursor)
            object.reset();
    return !dropped.empty();
}

} // namespace quillon::enginelib
