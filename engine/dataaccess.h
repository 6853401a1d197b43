#pragma once

/*
** The way into the database engine for the wizard and the command line.
**
** Creating a DataAccess opens the engine (EngineInit). The engine stays open
** while the DataAccess or any Database or Cursor opened through it lives:
** each holds a share of the open engine, and the last one to go unbinds the
** library (EngineLibraryExit) and closes the engine (EngineExit). So they
** may be destroyed in any order, and none of them can call into a library
** that is no longer there. Every failure is an EngineError carrying the
** engine's own message.
*/

#include "engine/database.h"
#include "engine/engineerror.h"

#include <memory>
#include <string>
#include <vector>

namespace quillon::engine {

class EngineSession;

class DataAccess
{
public:
    DataAccess(); // throws EngineError if the engine cannot be opened
    ~DataAccess();
    DataAccess(DataAccess &&) noexcept;
    DataAccess &operator=(DataAccess &&) noexcept;
    DataAccess(const DataAccess &) = delete;
    DataAccess &operator=(const DataAccess &) = delete;

    // The alias names the engine knows, sorted, without duplicates.
    std::vector<std::string> aliases() const;

    // Registers a persistent alias for a database server's connection URI;
    // removes a persistent alias. Throw EngineError with the engine's message.
    void addServerAlias(const std::string &alias, const std::string &uri) const;
    // Registers a persistent alias for a local database: an SQLite file
    // (sqlite true) or a folder of CSV tables. Throws EngineError likewise.
    void addLocalAlias(const std::string &alias, const std::string &path, bool sqlite) const;
    void removeAlias(const std::string &alias) const;

    // Opens the alias's database with parameter lines ("NAME=value").
    Database open(const std::string &alias, const std::vector<std::string> &params = {}) const;

    // Opens with a login, when a user name or password is given.
    Database open(const std::string &alias, const std::string &user, const std::string &password) const;

    // Connects and disconnects; throws EngineError when the login fails.
    void testLogin(const std::string &alias, const std::string &user, const std::string &password) const;

    // "USER NAME=" user and "PASSWORD=" password, in that order.
    static std::vector<std::string> loginParams(const std::string &user, const std::string &password);

private:
    const std::shared_ptr<const EngineSession> &session() const;

    std::shared_ptr<const EngineSession> m_session;
};

} // namespace quillon::engine
