#pragma once

/*
** One libpq connection to a PostgreSQL server, made from a server alias's
** URI and the login given when the database is opened.
**
** Every failure becomes an EngineError carrying the server's (or libpq's)
** own text on one line: a refused connection names host and port, a wrong
** password gives the server's authentication message.  libpq waits at most
** connect_timeout seconds for a server (10 unless the URI says otherwise).
**
** Cursors are server-side cursors, which live in a transaction: the first
** cursor opened begins one and the last one closed commits it.  Their rows
** after the first batch stream in libpq's single-row mode: a FETCH is sent
** and its rows are taken one at a time as they arrive, so memory holds one
** row, not a batch.  While such a FETCH is under way the connection is
** busy; any other statement on it (another cursor's, a catalog look-up)
** first collects the rest of that batch and keeps it for its cursor, so
** what waits in memory is at most one batch.  When the
** server drops the connection, the next statement reconnects
** (reset()), and the generation number tells cursors of the old session
** that their server cursor is gone.
**
** A connection is not shared between threads by libpq; every call here
** takes the connection's own lock, because a cursor may be closed from
** another thread than the one using the database.
*/

#include "enginelib/engineerror.h"
#include "enginelib/rowsource.h"

#include <libpq-fe.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace quillon::enginelib {

struct PgResultFree
{
    void operator()(PGresult *result) const { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, PgResultFree>;

// The column names and the text of row index of a result.
std::vector<std::string> pgColumns(const PGresult *result);
void pgRow(const PGresult *result, int index, Row &row);

struct PgLogin
{
    std::string user;     // empty: libpq's default (the URI's user, else PGUSER, else the system user)
    std::string password; // empty: none given
};

class PgConnection
{
public:
    // Whether text is a URI libpq takes as a connection URI.
    static bool isServerUri(const std::string &text);
    // Refuses a URI libpq cannot parse and one that carries a password.
    // Throws EngineError(QDBIERR_INVALIDPARAMTEXT) naming the alias.
    static void checkUri(const std::string &uri, const std::string &alias);

    // Connects; throws EngineError(QDBIERR_OPENFAILED, libpq's message).
    PgConnection(const std::string &uri, const PgLogin &login);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    // Runs one statement (text parameters $1...); throws EngineError(status,
    // the server's message) unless it succeeds. Reconnects first when the
    // server has dropped the connection.
    PgResult exec(const std::string &sql, const std::vector<std::string> &parameters = {},
                  DBIResult status = QDBIERR_SQL);

    // Opens a cursor "DECLARE name NO SCROLL CURSOR FOR query" in the cursor
    // transaction (begun if this is the first cursor) and fetches its first
    // count rows into first. A failure on the way leaves the other cursors
    // usable. Returns the generation the cursor belongs to.
    uint64_t declareCursor(const std::string &name, const std::string &query,
                           const std::vector<std::string> &parameters, int count, PgResult &first);
    // Sends "FETCH FORWARD count" for a cursor of generation in single-row
    // mode without waiting, so the server sends rows while the caller reads
    // the ones it has. Its rows are then taken by nextRow(); a failure to
    // send is reported there. Throws when that session is gone.
    void sendFetch(const std::string &name, int count, uint64_t generation);
    // The next row of the FETCH last sent for a cursor; false once that
    // FETCH has given all its rows. Throws the server's error (or the lost
    // connection's) where the stream meets it: the rows before it have been
    // given, and no row after it is.
    bool nextRow(const std::string &name, uint64_t generation, Row &row);
    // Closes a cursor; the transaction ends with the last one. Never throws:
    // a cursor whose session is gone needs no closing.
    void closeCursor(const std::string &name, uint64_t generation) noexcept;
    // Closes a cursor and declares it again from the start, keeping the count.
    void redeclareCursor(const std::string &name, const std::string &query,
                         const std::vector<std::string> &parameters, uint64_t generation);

    // A cursor name unique on this connection.
    std::string newCursorName();
    bool hasOpenCursors() const;

    // For keeping an idle connection for a later user: true when no cursor
    // or transaction is open and "DISCARD ALL" has reset what the session
    // set (settings, temporary tables, prepared statements).
    bool settleForReuse();
    // Whether an idle connection is still up. The server sends nothing to
    // an idle session until it ends it (a terminated backend, a shutdown,
    // an idle timeout), so anything to read, or an end of file, means the
    // session is gone; this costs one poll(), no round trip.
    bool idleAndAlive() const;

    // The text libpq gives for a failed result, on one line; the server's
    // primary message when there is one.
    static std::string messageOf(const PGresult *result, PGconn *connection);

private:
    // The rest of a streamed FETCH, collected so the connection can serve
    // another statement: its rows, then its end or its error.
    struct Parked
    {
        std::string cursor;
        std::deque<Row> rows;
        bool failed = false;
        std::string error;
    };
    bool streamedRow(Row &row);           // the next row arriving for m_streaming
    void drainStream() noexcept;          // reads the rest of a stream's results, keeping none
    void park();                          // the stream under way, into m_parked
    void forget(const std::string &name); // drops what a cursor asked for
    PgResult run(const std::string &sql, const std::vector<std::string> &parameters, DBIResult status);
    void reconnectIfLost();
    void checkGeneration(uint64_t generation) const;

    mutable std::mutex m_mutex;
    PGconn *m_conn = nullptr;
    uint64_t m_generation = 0; // bumped by each reconnection
    unsigned m_openCursors = 0;
    uint64_t m_cursorNumber = 0;
    std::string m_streaming;     // cursor whose FETCH is streaming on the connection
    std::vector<Parked> m_parked; // at most one per cursor
};

} // namespace quillon::enginelib
