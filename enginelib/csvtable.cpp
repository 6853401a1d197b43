#include "enginelib/csvtable.h"

#include "enginelib/csvreader.h"
#include "enginelib/csvtablereader.h"
#include "enginelib/engineerror.h"
#include "enginelib/numbertext.h"
#include "platform/atomicfile.h"
#include "platform/filelock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::enginelib {

namespace {

struct NumericCacheEntry
{
    off_t size = -1;
    struct timespec mtime{};
    std::vector<bool> numeric;
};

// Where this process last left a file's complete lines, so the next append
// reads only what others added since.
struct CompleteMark
{
    dev_t dev;
    ino_t ino;
    uint64_t offset;
    uint64_t line;
};

std::mutex g_cacheMutex;
std::map<std::string, NumericCacheEntry> g_numericCache;
std::map<std::string, CompleteMark> g_completeMarks;

[[noreturn]] void throwIo(const std::string &what, const std::string &path)
{
    throw EngineError(QDBIERR_IO, what + " \"" + path + "\": " + std::strerror(errno));
}

struct Fd
{
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool sameStamp(const NumericCacheEntry &e, const struct stat &st)
{
    return e.size == st.st_size && e.mtime.tv_sec == st.st_mtim.tv_sec && e.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

// The same file in the same state (as far as its size and time tell).
bool sameState(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Files this large are read by two threads, one half each.
constexpr uint64_t kSplitAt = 8u << 20;

// The first byte after the first line feed at or after offset (the start
// of a line, though perhaps inside a quoted value), or 0 if there is none.
uint64_t lineStartFrom(const std::string &path, uint64_t offset)
{
    Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        throwIo("Cannot open", path);
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::pread(file.fd, buffer, sizeof buffer, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throwIo("Cannot read", path);
        if (n == 0)
            return 0;
        if (const void *lf = std::memchr(buffer, '\n', size_t(n)))
            return offset + uint64_t(static_cast<const char *>(lf) - buffer) + 1;
        offset += uint64_t(n);
    }
}

/*
** One pass over the rows.  A large file is split at a line start near its
** middle and the second half read by a second thread.  A line start may
** lie inside a quoted value, so the split is trusted only when the first
** thread, reading on from the top, ends a record exactly there; otherwise
** (or when the second half fails to parse from its guessed start) the
** first thread simply reads on to the end, and the answer and any error
** are those of one sequential pass.
*/
std::vector<bool> learnNumericColumns(const std::string &path, uint64_t size)
{
    CsvTableReader reader(path);
    const size_t n = reader.header().size();
    CsvColumnKinds kinds(n);
    std::vector<std::string> row;
    const uint64_t split = size >= kSplitAt && std::thread::hardware_concurrency() > 1 && n > 0
                               ? lineStartFrom(path, size / 2)
                               : 0;
    if (split > reader.recordOffset()) {
        CsvColumnKinds second(n);
        bool secondOk = false;
        std::thread helper([&] {
            try {
                CsvTableReader tail(path, n, split);
                std::vector<std::string> r;
                while (tail.next(r))
                    second.take(r);
                secondOk = true;
            } catch (...) {
                // The guessed start was inside a quoted value, or the error
                // is real: either way the sequential pass decides.
            }
        });
        try {
            while (reader.position() < split && reader.next(row))
                kinds.take(row);
        } catch (...) {
            helper.join();
            throw;
        }
        helper.join();
        if (secondOk && reader.position() == split) {
            kinds.merge(second);
            row.clear();
        } else {
            while (reader.next(row))
                kinds.take(row);
        }
    } else {
        while (reader.next(row))
            kinds.take(row);
    }
    return kinds.numeric();
}

} // namespace

bool CsvColumnKinds::take(const std::vector<std::string> &row)
{
    bool lost = false;
    for (size_t i = 0; i < m_numeric.size(); ++i) {
        if (!m_numeric[i] || row[i].empty())
            continue;
        m_seen[i] = true;
        if (classifyNumber(row[i]) == NumberKind::NotNumber) {
            m_numeric[i] = false;
            lost = true;
        }
    }
    return lost;
}

void CsvColumnKinds::merge(const CsvColumnKinds &other)
{
    for (size_t i = 0; i < m_numeric.size(); ++i) {
        m_numeric[i] = m_numeric[i] && other.m_numeric[i];
        m_seen[i] = m_seen[i] || other.m_seen[i];
    }
}

std::vector<bool> CsvColumnKinds::numeric() const
{
    std::vector<bool> numeric(m_numeric.size());
    for (size_t i = 0; i < numeric.size(); ++i)
        numeric[i] = m_numeric[i] && m_seen[i];
    return numeric;
}

std::optional<std::vector<bool>> CsvTable::knownNumericColumns() const
{
    struct stat st{};
    if (::stat(m_path.c_str(), &st) != 0)
        throwIo("Cannot read", m_path);
    std::lock_guard lock(g_cacheMutex);
    auto it = g_numericCache.find(m_path);
    if (it != g_numericCache.end() && sameStamp(it->second, st))
        return it->second.numeric;
    return std::nullopt;
}

std::vector<bool> CsvTable::numericColumns() const
{
    if (std::optional<std::vector<bool>> known = knownNumericColumns())
        return *known;
    struct stat st{};
    if (::stat(m_path.c_str(), &st) != 0)
        throwIo("Cannot read", m_path);
    std::vector<bool> numeric = learnNumericColumns(m_path, uint64_t(st.st_size));
    rememberNumericColumns(st, numeric);
    return numeric;
}

CsvTable::Shape CsvTable::shape(size_t guessRows) const
{
    struct stat before{}, after{};
    if (::stat(m_path.c_str(), &before) != 0)
        throwIo("Cannot read", m_path);
    CsvTableReader reader(m_path);
    Shape shape{reader.header(), {}, false};
    if (::stat(m_path.c_str(), &after) != 0)
        throwIo("Cannot read", m_path);
    // The file stood still while the header was read: flags kept for that
    // state belong to this header.
    if (sameState(before, after)) {
        std::lock_guard lock(g_cacheMutex);
        auto it = g_numericCache.find(m_path);
        if (it != g_numericCache.end() && sameStamp(it->second, after) &&
            it->second.numeric.size() == shape.header.size()) {
            shape.numeric = it->second.numeric;
            return shape;
        }
    }
    CsvColumnKinds kinds(shape.header.size());
    std::vector<std::string> row;
    for (size_t i = 0; i < guessRows && reader.next(row); ++i)
        kinds.take(row);
    shape.numeric = kinds.numeric();
    shape.guessed = true;
    return shape;
}

void CsvTable::rememberNumericColumns(const struct stat &st, const std::vector<bool> &numeric) const
{
    struct stat now{};
    if (::stat(m_path.c_str(), &now) != 0 || !sameState(now, st))
        return;
    std::lock_guard lock(g_cacheMutex);
    NumericCacheEntry &entry = g_numericCache[m_path];
    entry.size = st.st_size;
    entry.mtime = st.st_mtim;
    entry.numeric = numeric;
}

std::string CsvTable::formatLine(const std::vector<std::string> &values, const char *lineEnd)
{
    std::string line;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i)
            line += ',';
        const std::string &v = values[i];
        const bool quote = v.find_first_of(",\"\r\n") != std::string::npos ||
                           (!v.empty() && (v.front() == ' ' || v.back() == ' '));
        if (!quote) {
            line += v;
            continue;
        }
        line += '"';
        for (char c : v) {
            if (c == '"')
                line += '"';
            line += c;
        }
        line += '"';
    }
    line += lineEnd;
    return line;
}

void CsvTable::append(const std::vector<std::string> &values) const
{
    std::unique_ptr<platform::FileLock> lock;
    try {
        lock = std::make_unique<platform::FileLock>(m_path);
    } catch (const platform::FileError &e) {
        throw EngineError(QDBIERR_IO, std::string("Cannot write ") + e.what());
    }
    Fd out;
    out.fd = ::open(m_path.c_str(), O_RDWR | O_CLOEXEC);
    if (out.fd < 0)
        throwIo("Cannot write", m_path);
    struct stat st{};
    if (::fstat(out.fd, &st) != 0)
        throwIo("Cannot read", m_path);

    // A last line without a line end gets one first (only its LF when it
    // ends in a CR); the new line ends the way the file's lines end.
    std::string prefix;
    const off_t base = st.st_size; // where the new text begins
    uint64_t line = 1;
    const char *lineEnd = "\r\n";
    if (base > 0) {
        const Ending end = ending(st);
        line = end.line;
        char tail[2] = {0, 0};
        const off_t from = base >= 2 ? base - 2 : 0;
        if (::pread(out.fd, tail, size_t(base - from), from) != base - from)
            throwIo("Cannot read", m_path);
        const char last = tail[base - from - 1];
        if (end.open) {
            prefix = last == '\r' ? "\n" : end.lineEnd;
            lineEnd = last == '\r' ? "\r\n" : end.lineEnd;
        } else if (base - from < 2 || tail[0] != '\r') {
            lineEnd = "\n";
        }
    }
    const std::string text = prefix + formatLine(values, lineEnd);
    if (::lseek(out.fd, base, SEEK_SET) < 0)
        throwIo("Cannot write", m_path);
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(out.fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = errno;
            // Leave no partial line behind: cut back to the old end.
            if (::ftruncate(out.fd, base) != 0) {
                // The original error is the one worth reporting.
            }
            errno = err;
            throwIo("Cannot write", m_path);
        }
        done += size_t(n);
    }
    if (::fdatasync(out.fd) != 0)
        throwIo("Cannot flush", m_path);
    std::lock_guard cacheLock(g_cacheMutex);
    g_completeMarks[m_path] = {st.st_dev, st.st_ino, uint64_t(base) + text.size(),
                               line + uint64_t(std::count(text.begin(), text.end(), '\n'))};
}

CsvTable::Ending CsvTable::ending(const struct stat &st) const
{
    std::optional<CompleteMark> mark;
    {
        std::lock_guard lock(g_cacheMutex);
        auto it = g_completeMarks.find(m_path);
        if (it != g_completeMarks.end() && it->second.dev == st.st_dev && it->second.ino == st.st_ino &&
            it->second.offset <= uint64_t(st.st_size))
            mark = it->second;
    }
    std::vector<std::string> record;
    if (mark) {
        // Only what was added since this process last appended needs reading;
        // its own text ended with a line end.
        if (mark->offset == uint64_t(st.st_size))
            return {false, "\r\n", mark->line};
        CsvReader reader(m_path);
        reader.seek(mark->offset, mark->line);
        while (reader.next(record)) {
        }
        return {reader.missingLineEnd(), reader.lineEnd(), reader.line()};
    }
    CsvTableReader reader(m_path);
    while (reader.next(record)) {
    }
    return {reader.missingLineEnd(), reader.lineEnd(), reader.line()};
}

} // namespace quillon::enginelib
