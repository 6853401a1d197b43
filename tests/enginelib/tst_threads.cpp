// Many threads using the engine at once: each with its own database (as the
// generated extension's request threads do) and all sharing one. Appends
// from every thread must all arrive, whole; run under ThreadSanitizer in CI.

#include "enginefixture.h"

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <cstring>
#include <thread>

using namespace enginetest;

namespace {

using EngineThreads = EngineTest;

TEST_F(EngineThreads, ConcurrentReadersAndAppendersLoseNothing)
{
    writeText(data("log.csv"), "THREAD,N,TEXT\n");
    writeText(data("ref.csv"), "K,V\n1,10\n2,20\n3,30\n");
    hDBIDb shared = openData();
    constexpr int kThreads = 8;
    constexpr int kRows = 25;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            hDBIDb own = nullptr;
            if (DbiOpenDatabase("DATA", nullptr, &own) != 0) {
                ++failures[size_t(t)];
                return;
            }
            for (int i = 0; i < kRows; ++i) {
                const std::string thread = std::to_string(t), n = std::to_string(i);
                const char *names[] = {"THREAD", "N", "TEXT"};
                const char *values[] = {thread.c_str(), n.c_str(), "a, \"quoted\"\nvalue"};
                if (DbiInsertRow(i % 2 ? own : shared, "log", 3, names, values) != 0)
                    ++failures[size_t(t)];
                hDBICur cursor = nullptr;
                if (DbiOpenQuery(i % 2 ? shared : own, "SELECT sum(V) FROM ref WHERE V > 15", &cursor) != 0) {
                    ++failures[size_t(t)];
                    continue;
                }
                const char *sum = nullptr;
                if (DbiGetFieldText(cursor, 0, &sum, nullptr) != 0 || std::string(sum) != "50")
                    ++failures[size_t(t)];
                DbiCloseCursor(cursor);
            }
            DbiCloseDatabase(own);
        });
    }
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
    EXPECT_EQ(query(shared, "SELECT count(*), count(DISTINCT THREAD || '/' || N) FROM log WHERE TEXT = "
                            "'a, \"quoted\"' || char(10) || 'value'"),
              (std::vector<std::vector<std::string>>{{"200", "200"}}));
    DbiCloseDatabase(shared);
}

TEST_F(EngineThreads, HandlesClosedWhileOtherThreadsUseThemAreRefusedNeverFollowed)
{
    // Readers hammer cursors and a database that a closer closes under
    // them: every call either works on a live object or is refused as an
    // invalid handle, and a place freed by a close is reused by new opens
    // without an old handle reaching the new object.
    writeText(data("t.csv"), "K,V\n1,a\n2,b\n3,c\n");
    hDBIDb db = openData();
    constexpr int kRounds = 200;
    std::atomic<hDBICur> current{nullptr};
    std::atomic<bool> done{false};
    std::atomic<int> unexpected{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
        readers.emplace_back([&] {
            while (!done.load()) {
                const hDBICur cursor = current.load();
                // The texts are the cursor's, which the closer may free at
                // once: only whether they were given is looked at.
                const char *texts[2] = {};
                const DBIResult rc = DbiGetRecord(cursor, 2, texts, nullptr);
                if (rc == 0 ? !texts[0] || !texts[1] : rc != QDBIERR_INVALIDHANDLE)
                    ++unexpected;
                const DBIResult move = DbiMoveNext(cursor);
                if (move != 0 && move != QDBIERR_INVALIDHANDLE)
                    ++unexpected;
            }
        });
    }
    for (int i = 0; i < kRounds; ++i) {
        hDBICur cursor = nullptr;
        ASSERT_EQ(DbiOpenQuery(db, "SELECT K, V FROM t", &cursor), 0) << lastError();
        const hDBICur old = current.exchange(cursor);
        EXPECT_EQ(DbiCloseCursor(old), 0) << "null, or open until now";
        if (i % 50 == 49) {
            // The database takes its open cursor with it.
            current.store(nullptr);
            EXPECT_EQ(DbiCloseDatabase(db), 0);
            EXPECT_EQ(DbiCloseCursor(cursor), QDBIERR_INVALIDHANDLE);
            ASSERT_EQ(DbiOpenDatabase("DATA", nullptr, &db), 0) << lastError();
        }
    }
    done = true;
    for (auto &reader : readers)
        reader.join();
    EXPECT_EQ(unexpected.load(), 0);
    DbiCloseCursor(current.load());
    DbiCloseDatabase(db);
}

TEST_F(EngineThreads, LastErrorIsKeptPerThreadAndTruncatedSafely)
{
    EXPECT_EQ(DbiDeleteAlias(nullptr, "MAIN-THREAD-ALIAS"), QDBIERR_UNKNOWNALIAS);
    std::thread other([] {
        hDBIDb db = nullptr;
        EXPECT_EQ(DbiOpenDatabase("", nullptr, &db), QDBIERR_INVALIDALIASNAME);
        DBIResult status = 0;
        DbiGetLastError(&status, nullptr, 0);
        EXPECT_EQ(status, QDBIERR_INVALIDALIASNAME);
    });
    other.join();
    DBIResult status = 0;
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(DbiGetLastError(&status, small, sizeof small), 0);
    EXPECT_EQ(status, QDBIERR_UNKNOWNALIAS);
    EXPECT_STREQ(small, "Unknown");
    hDBIList list = nullptr;
    ASSERT_EQ(DbiListAliases(&list), 0);
    DbiListFree(list);
    DbiGetLastError(&status, small, sizeof small);
    EXPECT_EQ(status, 0) << "success clears it";
    EXPECT_STREQ(small, "");
}

} // namespace

namespace {

// Request threads opening, using and closing one SQLite alias over and over
// (as a worker with several threads does): each open gets a session no
// other thread holds at the same time, even as closed ones are taken up
// again. A session changes one row between two reads of the rows its
// connection has changed; a connection shared with another thread would
// count that thread's row too.
TEST_F(EngineThreads, ConcurrentOpensOfOneAliasNeverShareASession)
{
    const std::string file = data("shop.sqlite");
    {
        writeText(file, "");
        hDBIDb setup = openData("SQLITE", file);
        ASSERT_EQ(query(setup, "CREATE TABLE hits(thread INTEGER, n INTEGER)"), (std::vector<std::vector<std::string>>{}));
        DbiCloseDatabase(setup);
    }
    constexpr int kThreads = 8;
    constexpr int kOpens = 20;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kOpens; ++i) {
                hDBIDb db = nullptr;
                if (DbiOpenDatabase("DATA", nullptr, &db) != 0) {
                    ++failures[size_t(t)];
                    continue;
                }
                const std::string before = query(db, "SELECT total_changes()").at(0).at(0);
                const std::string thread = std::to_string(t), n = std::to_string(i);
                const char *names[] = {"thread", "n"};
                const char *values[] = {thread.c_str(), n.c_str()};
                if (DbiInsertRow(db, "hits", 2, names, values) != 0)
                    ++failures[size_t(t)];
                const std::string after = query(db, "SELECT total_changes()").at(0).at(0);
                if (std::stoll(after) != std::stoll(before) + 1)
                    ++failures[size_t(t)];
                if (DbiCloseDatabase(db) != 0)
                    ++failures[size_t(t)];
            }
        });
    }
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
    hDBIDb db = nullptr;
    ASSERT_EQ(DbiOpenDatabase("DATA", nullptr, &db), 0);
    EXPECT_EQ(query(db, "SELECT count(*), count(DISTINCT thread || '/' || n) FROM hits"),
              (std::vector<std::vector<std::string>>{{"160", "160"}}));
    DbiCloseDatabase(db);
}

// Aliases stored in the engine configuration, looked up by many threads
// while another keeps adding aliases to the file: a fresh file is read
// again on each look-up, and the list a thread is reading must outlive the
// replacement another thread makes meanwhile.
TEST_F(EngineThreads, StoredAliasesLookedUpWhileTheFileChanges)
{
    const std::string params = "PATH:" + data("");
    ASSERT_EQ(DbiAddAlias(nullptr, "STORED", nullptr, params.c_str(), 1), 0) << lastError();
    constexpr int kThreads = 6;
    std::atomic<bool> done{false};
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                hDBIDb db = nullptr;
                if (DbiOpenDatabase("STORED", nullptr, &db) != 0 || DbiCloseDatabase(db) != 0)
                    ++failures[size_t(t)];
            }
        });
    std::thread writer([&] {
        for (int i = 0; !done.load(); ++i) {
            const std::string name = "EXTRA" + std::to_string(i);
            if (DbiAddAlias(nullptr, name.c_str(), nullptr, params.c_str(), 1) != 0)
                break;
        }
    });
    for (auto &thread : threads)
        thread.join();
    done = true;
    writer.join();
    EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
}

} // namespace

TEST_F(EngineThreads, QueriesWhileTheFileIsRewrittenInPlaceSeeOneTableOrAClearError)
{
    // A writer rewrites the table in place (truncate, then one write),
    // alternating between a wide table and a narrower, shorter one, while
    // 1,000 queries each open the database, read everything and close it.
    // The header and the column types are taken from one read of the file,
    // so every answer is one of the two tables whole, or an error naming
    // the file; none reads past a row or mixes the two.
    const std::string path = data("t.csv");
    std::string wide = "ID,CITY,AMOUNT\n", narrow = "NAME,N\nx,1\ny,two\n";
    std::vector<std::vector<std::string>> wideRows, narrowRows = {{"x", "1"}, {"y", "two"}};
    for (int i = 1; i <= 40; ++i) {
        wide += std::to_string(i) + ",City " + std::to_string(i) + "," + std::to_string(i * 10) + "\n";
        wideRows.push_back({std::to_string(i), "City " + std::to_string(i), std::to_string(i * 10)});
    }
    writeText(path, wide);
    DbiCloseDatabase(openData());
    std::atomic<bool> done{false};
    std::atomic<int> rewrites{0};
    std::thread writer([&] {
        for (int n = 0; !done.load() && n < 1000000; ++n) {
            const std::string &text = n % 2 ? wide : narrow;
            const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::write(fd, text.data(), text.size()), ssize_t(text.size()));
            ::close(fd);
            ++rewrites;
            std::this_thread::yield();
        }
    });
    int asWide = 0, asNarrow = 0, errors = 0;
    std::vector<std::string> unexpected;
    for (int q = 0; q < 1000; ++q) {
        hDBIDb db = nullptr;
        if (DbiOpenDatabase("DATA", nullptr, &db) != 0) {
            unexpected.push_back("open: " + lastError());
            break;
        }
        const auto rows = query(db, "SELECT * FROM t");
        DbiCloseDatabase(db);
        if (rows == wideRows) {
            ++asWide;
            continue;
        }
        if (rows == narrowRows) {
            ++asNarrow;
            continue;
        }
        const std::string last = rows.empty() || rows.back().empty() ? std::string() : rows.back().front();
        if (last.starts_with("<") && last.find(path) != std::string::npos) {
            ++errors;
            continue;
        }
        if (unexpected.size() < 5)
            unexpected.push_back(rows.empty() ? "no rows" : last + " (" + std::to_string(rows.size()) + " rows)");
    }
    done = true;
    writer.join();
    EXPECT_EQ(unexpected, std::vector<std::string>{});
    // How many queries met a changing file depends on the machine's load;
    // once the writer stops, the table that stands is read whole.
    hDBIDb db = nullptr;
    ASSERT_EQ(DbiOpenDatabase("DATA", nullptr, &db), 0) << lastError();
    const auto rows = query(db, "SELECT * FROM t");
    DbiCloseDatabase(db);
    EXPECT_EQ(rows, rewrites.load() % 2 ? narrowRows : wideRows) << errors << " errors while it changed";
    std::printf("%d wide, %d narrow, %d errors, %d rewrites\n", asWide, asNarrow, errors, rewrites.load());
}
