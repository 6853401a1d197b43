#include "enginelib/pgconnection.h"

#include <cctype>
#include <poll.h>
#include <cstring>
#include <strings.h>

namespace quillon::enginelib {

namespace {

// Collapses line breaks, tabs and runs of blanks into single spaces and trims.
std::string oneLine(const char *text)
{
    std::string out;
    for (const char *p = text ? text : ""; *p; ++p) {
        const bool blank = std::isspace(static_cast<unsigned char>(*p)) != 0;
        if (blank && (out.empty() || out.back() == ' '))
            continue;
        out += blank ? ' ' : *p;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

struct ConninfoFree
{
    void operator()(PQconninfoOption *options) const { PQconninfoFree(options); }
};

// libpq's reading of a URI; throws with libpq's complaint when it has none.
std::unique_ptr<PQconninfoOption, ConninfoFree> parseUri(const std::string &uri, const std::string &alias)
{
    char *error = nullptr;
    std::unique_ptr<PQconninfoOption, ConninfoFree> options(PQconninfoParse(uri.c_str(), &error));
    if (!options) {
        const std::string why = error ? oneLine(error) : "out of memory";
        PQfreemem(error);
        throw EngineError(QDBIERR_INVALIDPARAMTEXT,
                          "The server URI \"" + uri + "\" of alias \"" + alias + "\" is not valid: " + why);
    }
    return options;
}

bool hasOption(const PQconninfoOption *options, const char *keyword)
{
    for (const PQconninfoOption *o = options; o->keyword; ++o)
        if (std::strcmp(o->keyword, keyword) == 0)
            return o->val && *o->val;
    return false;
}

// A server that takes longer than this to answer a connection is reported
// as unreachable instead of leaving the caller waiting.
constexpr const char *kConnectTimeoutSeconds = "10";

} // namespace

bool PgConnection::isServerUri(const std::string &text)
{
    return strncasecmp(text.c_str(), "postgresql://", 13) == 0 || strncasecmp(text.c_str(), "postgres://", 11) == 0;
}

void PgConnection::checkUri(const std::string &uri, const std::string &alias)
{
    if (!isServerUri(uri))
        throw EngineError(QDBIERR_INVALIDPARAMTEXT, "The path \"" + uri + "\" of alias \"" + alias +
                                                        "\" is not a server URI (postgresql://host:port/dbname)");
    if (hasOption(parseUri(uri, alias).get(), "password"))
        throw EngineError(QDBIERR_INVALIDPARAMTEXT,
                          "The server URI of alias \"" + alias +
                              "\" holds a password: the password belongs to the login (the PASSWORD= line "
                              "given when the database is opened), not to the alias");
}

PgConnection::PgConnection(const std::string &uri, const PgLogin &login)
{
    // The URI first, so that the login given now overrides a user named in it.
    std::vector<const char *> keywords{"dbname"};
    std::vector<const char *> values{uri.c_str()};
    if (!login.user.empty()) {
        keywords.push_back("user");
        values.push_back(login.user.c_str());
    }
    if (!login.password.empty()) {
        keywords.push_back("password");
        values.push_back(login.password.c_str());
    }
    if (!hasOption(parseUri(uri, "").get(), "connect_timeout")) {
        keywords.push_back("connect_timeout");
        values.push_back(kConnectTimeoutSeconds);
    }
    keywords.push_back("fallback_application_name");
    values.push_back("quillon");
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    m_conn = PQconnectdbParams(keywords.data(), values.data(), 1);
    if (!m_conn)
        throw EngineError(QDBIERR_OUTOFMEMORY, "Out of memory connecting to the server");
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const std::string message = oneLine(PQerrorMessage(m_conn));
        PQfinish(m_conn);
        throw EngineError(QDBIERR_OPENFAILED, message);
    }
    // Notices (a NOTICE raised by a function, say) are not failures; libpq
    // would print them on standard error, which may be a web server's page.
    PQsetNoticeProcessor(m_conn, [](void *, const char *) {}, nullptr);
}

PgConnection::~PgConnection()
{
    PQfinish(m_conn);
}

std::string PgConnection::messageOf(const PGresult *result, PGconn *connection)
{
    if (result)
        if (const char *primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY))
            return oneLine(primary);
    const std::string text = oneLine(result ? PQresultErrorMessage(result) : PQerrorMessage(connection));
    return text.empty() ? oneLine(PQerrorMessage(connection)) : text;
}

std::vector<std::string> pgColumns(const PGresult *result)
{
    std::vector<std::string> columns;
    for (int i = 0; i < PQnfields(result); ++i)
        columns.emplace_back(PQfname(result, i));
    return columns;
}

void pgRow(const PGresult *result, int index, Row &row)
{
    const int fields = PQnfields(result);
    row.values.resize(size_t(fields));
    row.isNull.resize(size_t(fields));
    for (int i = 0; i < fields; ++i) {
        const bool null = PQgetisnull(result, index, i) != 0;
        row.isNull[size_t(i)] = null;
        if (null)
            row.values[size_t(i)].clear();
        else
            row.values[size_t(i)].assign(PQgetvalue(result, index, i), size_t(PQgetlength(result, index, i)));
    }
}

void PgConnection::drainStream() noexcept
{
    while (PGresult *more = PQgetResult(m_conn))
        PQclear(more);
    m_streaming.clear();
}

bool PgConnection::streamedRow(Row &row)
{
    PgResult result(PQgetResult(m_conn));
    const ExecStatusType state = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (state == PGRES_SINGLE_TUPLE) {
        pgRow(result.get(), 0, row);
        return true;
    }
    // The end of the FETCH (in single-row mode a last result without rows)
    // or its error; either way every result up to the next statement is read.
    const std::string message = state == PGRES_TUPLES_OK ? std::string() : messageOf(result.get(), m_conn);
    result.reset();
    drainStream();
    if (state != PGRES_TUPLES_OK)
        throw EngineError(QDBIERR_SQL, message);
    return false;
}

void PgConnection::park()
{
    if (m_streaming.empty())
        return;
    Parked parked{m_streaming, {}, false, {}};
    try {
        Row row;
        while (streamedRow(row))
            parked.rows.push_back(std::move(row));
    } catch (const EngineError &e) {
        parked.failed = true;
        parked.error = e.what();
    }
    m_parked.push_back(std::move(parked));
}

void PgConnection::forget(const std::string &name)
{
    if (m_streaming == name)
        drainStream();
    std::erase_if(m_parked, [&](const Parked &parked) { return parked.cursor == name; });
}

PgResult PgConnection::run(const std::string &sql, const std::vector<std::string> &parameters, DBIResult status)
{
    park();
    std::vector<const char *> values;
    values.reserve(parameters.size());
    for (const std::string &p : parameters)
        values.push_back(p.c_str());
    // The extended protocol runs exactly one statement: text that smuggles
    // in a second one is refused by the server.
    PgResult result(PQexecParams(m_conn, sql.c_str(), int(values.size()), nullptr, values.data(), nullptr,
                                 nullptr, 0));
    const ExecStatusType state = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (state != PGRES_COMMAND_OK && state != PGRES_TUPLES_OK) {
        // A statement that failed because the server went away is not a
        // fault of the statement: callers answer it as "cannot be reached".
        if (PQstatus(m_conn) != CONNECTION_OK)
            throw EngineError(QDBIERR_OPENFAILED,
                              "The connection to the server was lost: " + messageOf(result.get(), m_conn));
        throw EngineError(status, messageOf(result.get(), m_conn));
    }
    return result;
}

void PgConnection::reconnectIfLost()
{
    if (PQstatus(m_conn) == CONNECTION_OK)
        return;
    // Cursors of the lost session are gone with it.
    ++m_generation;
    m_openCursors = 0;
    m_streaming.clear();
    m_parked.clear();
    PQreset(m_conn);
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw EngineError(QDBIERR_OPENFAILED, "The connection to the server was lost and could not be made again: " +
                                                  oneLine(PQerrorMessage(m_conn)));
}

void PgConnection::checkGeneration(uint64_t generation) const
{
    if (generation != m_generation)
        throw EngineError(QDBIERR_SQL, "The connection to the server was lost: the cursor's rows are gone");
}

PgResult PgConnection::exec(const std::string &sql, const std::vector<std::string> &parameters, DBIResult status)
{
    std::lock_guard lock(m_mutex);
    reconnectIfLost();
    return run(sql, parameters, status);
}

uint64_t PgConnection::declareCursor(const std::string &name, const std::string &query,
                                     const std::vector<std::string> &parameters, int count, PgResult &first)
{
    std::lock_guard lock(m_mutex);
    reconnectIfLost();
    const bool alone = m_openCursors == 0;
    if (alone && PQtransactionStatus(m_conn) != PQTRANS_IDLE)
        run("ROLLBACK", {}, QDBIERR_SQL);
    if (!alone && PQtransactionStatus(m_conn) == PQTRANS_INERROR)
        throw EngineError(QDBIERR_SQL, "An earlier error ended the transaction of the cursors still open on "
                                       "this database: close them to open another");
    // With other cursors open, a savepoint keeps a failure from ending their transaction.
    run(alone ? "BEGIN" : "SAVEPOINT quillon_declare", {}, QDBIERR_SQL);
    try {
        run("DECLARE " + name + " NO SCROLL CURSOR FOR " + query, parameters, QDBIERR_SQL);
        first = run("FETCH FORWARD " + std::to_string(count) + " FROM " + name, {}, QDBIERR_SQL);
        if (!alone)
            run("RELEASE SAVEPOINT quillon_declare", {}, QDBIERR_SQL);
    } catch (const EngineError &) {
        if (PQstatus(m_conn) == CONNECTION_OK)
            PQclear(PQexec(m_conn, alone ? "ROLLBACK"
                                         : "ROLLBACK TO SAVEPOINT quillon_declare; RELEASE SAVEPOINT quillon_declare"));
        throw;
    }
    ++m_openCursors;
    return m_generation;
}

void PgConnection::sendFetch(const std::string &name, int count, uint64_t generation)
{
    std::lock_guard lock(m_mutex);
    checkGeneration(generation);
    park();
    forget(name);
    const std::string sql = "FETCH FORWARD " + std::to_string(count) + " FROM " + name;
    if (PQsendQueryParams(m_conn, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0) != 1) {
        m_parked.push_back({name, {}, true, oneLine(PQerrorMessage(m_conn))});
        return;
    }
    m_streaming = name;
    if (PQsetSingleRowMode(m_conn) != 1) {
        // Cannot happen right after a successful send; reported, not guessed at.
        drainStream();
        m_parked.push_back({name, {}, true, "The server's rows could not be read one at a time"});
    }
}

bool PgConnection::nextRow(const std::string &name, uint64_t generation, Row &row)
{
    std::lock_guard lock(m_mutex);
    checkGeneration(generation);
    for (auto it = m_parked.begin(); it != m_parked.end(); ++it) {
        if (it->cursor != name)
            continue;
        if (!it->rows.empty()) {
            row = std::move(it->rows.front());
            it->rows.pop_front();
            return true;
        }
        const bool failed = it->failed;
        const std::string error = std::move(it->error);
        m_parked.erase(it);
        if (failed)
            throw EngineError(QDBIERR_SQL, error);
        return false;
    }
    if (m_streaming != name)
        throw EngineError(QDBIERR_INTERNAL, "No rows were asked for on cursor " + name);
    return streamedRow(row);
}

void PgConnection::redeclareCursor(const std::string &name, const std::string &query,
                                   const std::vector<std::string> &parameters, uint64_t generation)
{
    std::lock_guard lock(m_mutex);
    checkGeneration(generation);
    forget(name);
    run("CLOSE " + name, {}, QDBIERR_SQL);
    run("DECLARE " + name + " NO SCROLL CURSOR FOR " + query, parameters, QDBIERR_SQL);
}

void PgConnection::closeCursor(const std::string &name, uint64_t generation) noexcept
{
    std::lock_guard lock(m_mutex);
    if (generation != m_generation || m_openCursors == 0)
        return;
    forget(name);
    park(); // another cursor's batch on its way
    --m_openCursors;
    if (PQstatus(m_conn) != CONNECTION_OK)
        return;
    // A failure here has no caller to go to; it can only mean the session
    // is broken, which the next statement on the connection reports.
    const PGTransactionStatusType state = PQtransactionStatus(m_conn);
    if (m_openCursors == 0)
        PQclear(PQexec(m_conn, state == PQTRANS_INERROR ? "ROLLBACK" : "COMMIT"));
    else if (state != PQTRANS_INERROR)
        PQclear(PQexec(m_conn, ("CLOSE " + name).c_str()));
}

std::string PgConnection::newCursorName()
{
    std::lock_guard lock(m_mutex);
    return "quillon_cursor_" + std::to_string(++m_cursorNumber);
}

bool PgConnection::hasOpenCursors() const
{
    std::lock_guard lock(m_mutex);
    return m_openCursors > 0 && PQstatus(m_conn) == CONNECTION_OK;
}

bool PgConnection::settleForReuse()
{
    std::lock_guard lock(m_mutex);
    if (m_openCursors > 0 || !m_streaming.empty() || !m_parked.empty() || PQstatus(m_conn) != CONNECTION_OK ||
        PQtransactionStatus(m_conn) != PQTRANS_IDLE)
        return false;
    PgResult result(PQexec(m_conn, "DISCARD ALL"));
    return result && PQresultStatus(result.get()) == PGRES_COMMAND_OK;
}

bool PgConnection::idleAndAlive() const
{
    std::lock_guard lock(m_mutex);
    if (PQstatus(m_conn) != CONNECTION_OK || PQtransactionStatus(m_conn) != PQTRANS_IDLE || !m_streaming.empty())
        return false;
    pollfd socket{PQsocket(m_conn), POLLIN, 0};
    return socket.fd >= 0 && ::poll(&socket, 1, 0) == 0;
}

} // namespace quillon::enginelib
