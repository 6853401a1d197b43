#pragma once

/*
** The way into the database engine for the wizard and the command line.
**
** Creating a DataAccess opens the engine (EngineInit); destroying it unbinds
** the library (EngineLibraryExit) and closes the engine (EngineExit).
** Databases and cursors opened through it must be destroyed before it.
** Every failure is an EngineError carrying the engine's own message.
*/

#include "engine/database.h"

#include <string>
#include <vector>

namespace quillon::engine {

class DataAccess
{
public:
    DataAccess(); // throws EngineError if the engine cannot be opened
    ~DataAccess();
    DataAccess(const DataAccess &) = delete;
    DataAccess &operator=(const DataAccess &) = delete;

    // The alias names the engine knows, sorted, without duplicates.
    std::vector<std::string> aliases() const;

    // Registers a persistent alias for a database server's connection URI;
    // removes a persistent alias. Throw EngineError with the engine's message.
    void addServerAlias(const std::string &alias, const std::string &uri) const;
    void removeAlias(const std::string &alias) const;

    // Opens the alias's database with parameter lines ("NAME=value").
    Database open(const std::string &alias, const std::vector<std::string> &params = {}) const;

    // Opens with a login, when a user name or password is given.
    Database open(const std::string &alias, const std::string &user, const std::string &password) const;

    // Connects and disconnects; throws EngineError when the login fails.
    void testLogin(const std::string &alias, const std::string &user, const std::string &password) const;

    // "USER NAME=" user and "PASSWORD=" password, in that order.
    static std::vector<std::string> loginParams(const std::string &user, const std::string &password);
};

} // namespace quillon::engine
