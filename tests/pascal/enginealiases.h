#pragma once

/*
** EngineAliases: registers aliases in the engine library for a test.
**
** It points the engine at a configuration file of its own (through
** QUILLON_ENGINE_CONFIG, so the user's aliases are never touched), loads
** the engine library the way any program of ours does, opens the engine
** and adds persistent aliases. A generated extension loaded into the same
** process later binds the same library and sees the same aliases.
*/

#include <filesystem>
#include <string>

namespace quillon::testing {

class EngineAliases
{
public:
    // Throws std::runtime_error naming the library or the failing entry.
    explicit EngineAliases(const std::filesystem::path &configFile);
    ~EngineAliases();
    EngineAliases(const EngineAliases &) = delete;
    EngineAliases &operator=(const EngineAliases &) = delete;

    // driver: "" for a folder of CSV tables, "SQLITE" for a SQLite file,
    // "POSTGRESQL" for a server, whose URI is the path.
    void add(const std::string &alias, const std::string &driver, const std::filesystem::path &path);

private:
    void *m_library = nullptr;
};

} // namespace quillon::testing
