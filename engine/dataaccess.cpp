#include "engine/dataaccess.h"

#include "engine/enginebinding.h"
#include "engine/enginefunctions.h"
#include "engine/engineerror.h"
#include "engine/enginestatus.h"
#include "engine/namelist.h"
#include "platform/dynlib.h"

namespace quillon::engine {

DataAccess::DataAccess()
{
    const DBIResult status = EngineInit(nullptr);
    if (status == 0)
        return;
    std::string message = "opening the database engine: " + engineMessage(status);
    if (status == kStatusLibraryNotFound || status == kStatusLibraryLoadFailed)
        message += " (" + platform::DynLib::lastError().message + ")";
    throw EngineError(status, message);
}

DataAccess::~DataAccess()
{
    EngineLibraryExit();
    EngineExit();
}

std::vector<std::string> DataAccess::aliases() const
{
    hDBIList list = nullptr;
    check(DbiListAliases(&list), "listing the aliases");
    return takeNameList(list, "listing the aliases");
}

void DataAccess::addServerAlias(const std::string &alias, const std::string &uri) const
{
    const std::string params = "PATH:" + uri;
    check(DbiAddAlias(nullptr, alias.c_str(), "POSTGRESQL", params.c_str(), 1), "adding alias \"" + alias + "\"");
}

void DataAccess::removeAlias(const std::string &alias) const
{
    check(DbiDeleteAlias(nullptr, alias.c_str()), "removing alias \"" + alias + "\"");
}

Database DataAccess::open(const std::string &alias, const std::vector<std::string> &params) const
{
    std::string lines;
    for (const std::string &line : params)
        lines += line + "\n";
    hDBIDb db = nullptr;
    check(DbiOpenDatabase(alias.c_str(), lines.c_str(), &db), "opening alias \"" + alias + "\"");
    return Database(db, alias);
}

Database DataAccess::open(const std::string &alias, const std::string &user, const std::string &password) const
{
    if (user.empty() && password.empty())
        return open(alias);
    return open(alias, loginParams(user, password));
}

void DataAccess::testLogin(const std::string &alias, const std::string &user, const std::string &password) const
{
    open(alias, user, password);
}

std::vector<std::string> DataAccess::loginParams(const std::string &user, const std::string &password)
{
    return {"USER NAME=" + user, "PASSWORD=" + password};
}

} // namespace quillon::engine
