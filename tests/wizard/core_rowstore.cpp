#include "wizard/rowstore.h"

#include <gtest/gtest.h>

using quillon::wizard::RowStore;

namespace {

// Cells come back exactly, across block boundaries, including empty cells,
// bytes that are not text, and rows with too few or too many cells.
TEST(RowStore, KeepsEveryCellAcrossBlocks)
{
    RowStore store(3);
    const std::size_t rows = 2500; // more than two blocks
    auto cellOf = [](std::size_t r, std::size_t c) -> std::string {
        if (c == 1 && r % 7 == 0)
            return {};
        return std::string(r % 5, '\xe9') + std::to_string(r * 3 + c) + std::string(1, '\0');
    };
    for (std::size_t r = 0; r < rows; ++r)
        store.append({cellOf(r, 0), cellOf(r, 1), cellOf(r, 2)});
    store.append({"short"});
    store.append({"a", "b", "c", "surplus"});
    ASSERT_EQ(store.rows(), rows + 2);
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c < 3; ++c)
            ASSERT_EQ(store.cell(r, c), cellOf(r, c)) << r << "," << c;
    EXPECT_EQ(store.cell(rows, 0), "short");
    EXPECT_EQ(store.cell(rows, 2), "");
    EXPECT_EQ(store.cell(rows + 1, 2), "c");
    EXPECT_EQ(store.cell(rows + 2, 0), "") << "past the last row";
    EXPECT_EQ(store.cell(0, 3), "") << "past the last column";
}

} // namespace
