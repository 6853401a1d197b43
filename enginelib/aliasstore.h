#pragma once

/*
** The engine's persistent aliases, in a text file of its own:
**
**   ; comment
**   [ALIAS NAME]
**   DRIVER=SQLITE
**   PATH:/some/where
**
** Each section is one alias; "DRIVER=" gives its driver (empty for the
** default driver) and every other non-blank line is a parameter line,
** kept as given.  Every change takes the lock file beside the file
** ("engine.cfg.lock"), reads the current text, changes it and replaces
** the file atomically, so two processes adding at once lose nothing and
** a failed write leaves the old file whole.
*/

#include <optional>
#include <string>
#include <vector>

namespace quillon::enginelib {

struct Alias
{
    std::string name;
    std::string driver;              // "" for the default driver, else "SQLITE"
    std::vector<std::string> params; // lines such as "PATH:/some/where"
};

class AliasStore
{
public:
    explicit AliasStore(std::string path) : m_path(std::move(path)) {}

    // QUILLON_ENGINE_CONFIG, else quillon/engine.cfg in the user's
    // configuration folder (platform::userConfigHome()). Throws if neither is known.
    static std::string defaultPath();

    const std::string &path() const { return m_path; }

    // All stored aliases; none when the file does not exist. Throws EngineError(QDBIERR_CONFIGIO).
    std::vector<Alias> load() const;
    std::optional<Alias> find(const std::string &name) const;

    // Throws EngineError (QDBIERR_ALIASEXISTS, QDBIERR_CONFIGIO).
    void add(const Alias &alias);
    // Adds the alias, or replaces the one of that name in its place, in one
    // atomic write. Throws EngineError(QDBIERR_CONFIGIO).
    void replace(const Alias &alias);
    // False when there was no alias of that name. Throws EngineError(QDBIERR_CONFIGIO).
    bool remove(const std::string &name);

    // The text of the file for aliases, and back.
    static std::string format(const std::vector<Alias> &aliases);
    static std::vector<Alias> parse(const std::string &text, const std::string &path);

private:
    template <class Change>
    void update(Change &&change);

    std::string m_path;
};

} // namespace quillon::enginelib
