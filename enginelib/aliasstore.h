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

#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillon::enginelib {

// Alias and driver names compare without regard to case.
bool sameName(const std::string &a, const std::string &b);

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

/*
** The aliases of one configuration file, read again only when the file
** changed, so a server opening an alias on every request pays one stat()
** for it, not a read and a parse.
**
** A change is seen in the file's identity and stamp: device, inode, size,
** modification and status-change times.  An atomic replacement (how the
** store writes) gives a new inode; an in-place rewrite changes the times.
** One case a stamp cannot show is a rewrite of the same size within the
** same tick of the file system's clock as the read it would have to beat;
** so a file whose times are less than a second older than our read is not
** trusted, and is read again at each look-up until it has aged.
*/
class AliasFileCache
{
public:
    using Aliases = std::shared_ptr<const std::vector<Alias>>;

    // The aliases stored in path; none when it does not exist.
    // Throws EngineError(QDBIERR_CONFIGIO).
    Aliases load(const std::string &path);
    // Forgets what was read.
    void clear();

private:
    struct Stamp
    {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        bool operator==(const Stamp &other) const;
    };
    static Stamp stampOf(const std::string &path);

    std::mutex m_mutex;
    std::string m_path;
    Stamp m_stamp;
    bool m_trusted = false; // the stamp alone tells whether the file changed
    Aliases m_aliases;
};

} // namespace quillon::enginelib
