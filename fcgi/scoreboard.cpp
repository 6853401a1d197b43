#include "fcgi/scoreboard.h"

#include <sys/mman.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <stdexcept>
#include <thread>

namespace quillon::fcgi {

Scoreboard::Scoreboard(unsigned rows, unsigned threads) : m_rows(rows), m_threads(threads), m_taken(rows, false)
{
    // Pages are only made as rows are used: a large --max-workers and
    // --threads reserve address space, not memory.
    constexpr std::size_t headSize = (sizeof(BoardHead) + alignof(Score) - 1) / alignof(Score) * alignof(Score);
    m_size = headSize + sizeof(Score) * rows * threads;
    m_memory = ::mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (m_memory == MAP_FAILED)
        throw std::runtime_error(std::string("cannot share memory with the workers: ") + std::strerror(errno));
    m_head = new (m_memory) BoardHead;
    m_places = reinterpret_cast<Score *>(static_cast<char *>(m_memory) + headSize);
}

Scoreboard::~Scoreboard()
{
    ::munmap(m_memory, m_size);
}

int Scoreboard::takeRow()
{
    const auto free = std::find(m_taken.begin(), m_taken.end(), false);
    if (free == m_taken.end())
        return -1;
    *free = true;
    const int row = static_cast<int>(free - m_taken.begin());
    for (unsigned t = 0; t < m_threads; ++t)
        new (&place(row, t)) Score;
    return row;
}

void Scoreboard::giveBack(int row)
{
    if (row < 0 || static_cast<unsigned>(row) >= m_rows)
        return;
    // A worker ended while some of its threads accepted: they count no more.
    for (unsigned t = 0; t < m_threads; ++t)
        setStance(row, t, kStanceStarting);
    m_taken[static_cast<std::size_t>(row)] = false;
}

std::uint32_t Scoreboard::setStance(int row, unsigned thread, std::uint32_t stance)
{
    const std::uint32_t was = place(row, thread).stance.exchange(stance, std::memory_order_acq_rel);
    if (was != stance && (was == kStanceAccepting || stance == kStanceAccepting))
        m_head->accepting.fetch_add(stance == kStanceAccepting ? 1 : -1, std::memory_order_acq_rel);
    return was;
}

unsigned Scoreboard::count(int row, std::uint32_t stance) const
{
    unsigned n = 0;
    for (unsigned t = 0; t < m_threads; ++t)
        n += place(row, t).stance.load(std::memory_order_acquire) == stance;
    return n;
}

Score *Scoreboard::serving(int row, std::uint32_t job)
{
    for (unsigned t = 0; t < m_threads; ++t)
        if (place(row, t).job.load(std::memory_order_acquire) == job)
            return &place(row, t);
    return nullptr;
}

Scoreboard::View Scoreboard::view(int row, std::uint32_t job) const
{
    View view;
    for (unsigned t = 0; t < m_threads; ++t) {
        const Score &score = m_places[static_cast<std::size_t>(row) * m_threads + t];
        if (score.job.load(std::memory_order_acquire) != job)
            continue;
        const std::uint32_t output = score.output.load(std::memory_order_acquire);
        view.sent = output == kOutputWorker || output == kOutputFailed;
        view.failed = output == kOutputFailed;
        view.ending = score.ending.load(std::memory_order_acquire);
        view.fault = score.fault.load(std::memory_order_acquire);
        view.requestId = score.requestId.load(std::memory_order_acquire);
        const std::uint32_t length = score.lineLength.load(std::memory_order_acquire);
        if (length > 0)
            view.line.assign(score.line, std::min<std::size_t>(length, sizeof score.line));
        // Taken over by the thread's next job meanwhile: this one ended.
        if (score.job.load(std::memory_order_acquire) != job)
            return View{};
        return view;
    }
    return view;
}

void claimOutput(Score &score)
{
    std::uint32_t owner = score.output.load(std::memory_order_acquire);
    while (owner != kOutputWorker) {
        if (owner == kOutputProbe) { // eight bytes on their way: a moment
            std::this_thread::yield();
            owner = score.output.load(std::memory_order_acquire);
            continue;
        }
        if (owner == kOutputFailed) // the process ends in another thread, which answered for this one
            for (;;)
                std::this_thread::sleep_for(std::chrono::seconds(1));
        if (score.output.compare_exchange_weak(owner, kOutputWorker, std::memory_order_acq_rel))
            return;
    }
}

bool probeOutput(Score &score, std::uint32_t job, int connection, const std::string &record)
{
    std::uint32_t nobody = kOutputNobody;
    if (score.job.load(std::memory_order_acquire) != job || score.ending.load(std::memory_order_acquire)
        || !score.output.compare_exchange_strong(nobody, kOutputProbe, std::memory_order_acq_rel))
        return false;
    // The thread may have moved on to another job just before the exchange;
    // then this job has ended and its connection needs no probe.
    bool written = false;
    if (score.job.load(std::memory_order_acquire) == job && !score.ending.load(std::memory_order_acquire))
        written = ::send(connection, record.data(), record.size(), MSG_DONTWAIT | MSG_NOSIGNAL)
                  == static_cast<ssize_t>(record.size());
    std::uint32_t probing = kOutputProbe;
    score.output.compare_exchange_strong(probing, kOutputNobody, std::memory_order_acq_rel);
    return written;
}

} // namespace quillon::fcgi
