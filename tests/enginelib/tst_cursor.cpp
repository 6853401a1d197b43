#include "enginelib/cursor.h"
#include "enginelib/engineerror.h"

#include <gtest/gtest.h>

using namespace quillon::enginelib;

namespace {

// Rows "0", "1", ... "n-1"; counts what it was asked to deliver.
class CountingSource : public RowSource
{
public:
    CountingSource(uint64_t rows, uint64_t *delivered, int64_t failAt = -1)
        : m_rows(rows), m_delivered(delivered), m_failAt(failAt)
    {
    }
    const std::vector<std::string> &columns() const override { return m_columns; }
    bool next(Row &row) override
    {
        if (m_next == uint64_t(m_failAt))
            throw EngineError(QDBIERR_MALFORMEDCSV, "bad row");
        if (m_next >= m_rows)
            return false;
        row.values = {std::to_string(m_next++)};
        row.isNull = {0};
        ++*m_delivered;
        return true;
    }
    void rewind() override { m_next = 0; }

private:
    std::vector<std::string> m_columns{"n"};
    uint64_t m_rows;
    uint64_t *m_delivered;
    int64_t m_failAt;
    uint64_t m_next = 0;
};

std::string at(const Cursor &c)
{
    return c.current().values[0];
}

TEST(Cursor, EmptySourceIsAtBothEnds)
{
    uint64_t delivered = 0;
    Cursor c(std::make_unique<CountingSource>(0, &delivered));
    EXPECT_TRUE(c.bof());
    EXPECT_TRUE(c.eof());
    c.moveNext();
    c.movePrior();
    c.moveLast();
    EXPECT_TRUE(c.bof() && c.eof());
    EXPECT_THROW(c.current(), EngineError);
}

TEST(Cursor, NextAndPriorStopAtTheEnds)
{
    uint64_t delivered = 0;
    Cursor c(std::make_unique<CountingSource>(3, &delivered));
    EXPECT_EQ(at(c), "0");
    EXPECT_TRUE(c.bof());
    EXPECT_FALSE(c.eof());
    c.moveNext();
    c.moveNext();
    EXPECT_EQ(at(c), "2");
    EXPECT_FALSE(c.eof());
    c.moveNext();
    EXPECT_TRUE(c.eof());
    EXPECT_EQ(at(c), "2");
    c.movePrior();
    EXPECT_EQ(at(c), "1");
    EXPECT_FALSE(c.eof() || c.bof());
    c.movePrior();
    c.movePrior();
    EXPECT_TRUE(c.bof());
    EXPECT_EQ(at(c), "0");
    c.moveLast();
    EXPECT_EQ(at(c), "2");
    EXPECT_TRUE(c.eof());
    EXPECT_FALSE(c.bof());
}

TEST(Cursor, OpeningReadsOnlyWhatIsShown)
{
    uint64_t delivered = 0;
    Cursor c(std::make_unique<CountingSource>(1000000, &delivered));
    for (int i = 0; i < 99; ++i)
        c.moveNext();
    EXPECT_EQ(at(c), "99");
    EXPECT_EQ(delivered, 100u);
}

TEST(Cursor, WalkingBackFromTheLastRowVisitsEveryRowInOrder)
{
    const uint64_t n = Cursor::kWindow * 5 + 17;
    uint64_t delivered = 0;
    Cursor c(std::make_unique<CountingSource>(n, &delivered));
    c.moveLast();
    for (uint64_t i = n; i-- > 0;) {
        ASSERT_EQ(at(c), std::to_string(i));
        c.movePrior();
    }
    EXPECT_TRUE(c.bof());
    // Rewinds re-read half a window at a time: linear, not quadratic.
    EXPECT_LT(delivered, n * 8);
    c.moveFirst();
    for (uint64_t i = 0; i < n; ++i) {
        ASSERT_EQ(at(c), std::to_string(i));
        c.moveNext();
    }
    EXPECT_TRUE(c.eof());
}

TEST(Cursor, AFailedMoveKeepsThePosition)
{
    uint64_t delivered = 0;
    Cursor c(std::make_unique<CountingSource>(10, &delivered, 5));
    for (int i = 0; i < 4; ++i)
        c.moveNext();
    EXPECT_EQ(at(c), "4");
    EXPECT_THROW(c.moveNext(), EngineError);
    EXPECT_EQ(at(c), "4");
    EXPECT_THROW(c.moveLast(), EngineError);
    EXPECT_EQ(at(c), "4");
    c.movePrior();
    EXPECT_EQ(at(c), "3");
}

} // namespace
