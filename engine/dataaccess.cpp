#include "engine/dataaccess.h"

#include "engine/enginebinding.h"
#include "engine/enginefunctions.h"
#include "engine/engineerror.h"
#include "engine/enginesession.h"
#include "engine/enginestatus.h"
#include "engine/namelist.h"
#include "platform/dynlib.h"

#include <mutex>

namespace quillon::engine {

EngineSession::EngineSession()
{
    const DBIResult status = EngineInit(nullptr);
    if (status == 0)
        return;
    std::string message = "opening the database engine: " + engineMessage(status);
    if (status == kStatusLibraryNotFound || status == kStatusLibraryLoadFailed)
        message += " (" + platform::DynLib::lastError().message + ")";
    throw EngineError(status, message);
}

EngineSession::~EngineSession()
{
    EngineLibraryExit();
    EngineExit();
}

SharedSession EngineSession::acquire()
{
    static std::mutex mutex;
    static std::weak_ptr<const EngineSession> current;
    const std::lock_guard<std::mutex> guard(mutex);
    SharedSession session = current.lock();
    if (!session) {
        session = std::make_shared<const EngineSession>();
        current = session;
    }
    return session;
}

DataAccess::DataAccess()
    : m_session(EngineSession::acquire())
{}

DataAccess::~DataAccess() = default;
DataAccess::DataAccess(DataAccess &&) noexcept = default;
DataAccess &DataAccess::operator=(DataAccess &&) noexcept = default;

const std::shared_ptr<const EngineSession> &DataAccess::session() const
{
    if (!m_session)
        throw EngineError(QDBIERR_INVALIDHANDLE, "the data access has been moved from");
    return m_session;
}

std::vector<std::string> DataAccess::aliases() const
{
    session();
    hDBIList list = nullptr;
    check(DbiListAliases(&list), "listing the aliases");
    return takeNameList(list, "listing the aliases");
}

void DataAccess::addServerAlias(const std::string &alias, const std::string &uri) const
{
    const std::string params = "PATH:" + uri;
    check(DbiAddAlias(nullptr, alias.c_str(), "POSTGRESQL", params.c_str(), 1), "adding alias \"" + alias + "\"");
}

void DataAccess::addLocalAlias(const std::string &alias, const std::string &path, bool sqlite) const
{
    const std::string params = "PATH:" + path;
    check(DbiAddAlias(nullptr, alias.c_str(), sqlite ? "SQLITE" : nullptr, params.c_str(), 1),
          "adding alias \"" + alias + "\"");
}

void DataAccess::removeAlias(const std::string &alias) const
{
    check(DbiDeleteAlias(nullptr, alias.c_str()), "removing alias \"" + alias + "\"");
}

Database DataAccess::open(const std::string &alias, const std::vector<std::string> &params) const
{
    const SharedSession &engine = session();
    std::string lines;
    for (const std::string &line : params)
        lines += line + "\n";
    hDBIDb db = nullptr;
    check(DbiOpenDatabase(alias.c_str(), lines.c_str(), &db), "opening alias \"" + alias + "\"");
    return Database(std::make_unique<DatabaseHandle>(engine, db), alias);
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
