#pragma once

/*
** The rows of a query result fetched so far, kept compactly: the cell
** bytes of each block of rows in one string, with one end offset a cell.
** A row of four short fields costs about its text plus 16 bytes, instead
** of a vector of strings (some 150 bytes), so a preview that has read a
** million rows stays in tens of megabytes. Blocks never move their bytes
** once full, so growing never copies what is stored.
*/

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::wizard {

class RowStore
{
public:
    explicit RowStore(std::size_t columns);

    std::size_t columns() const { return m_columns; }
    std::size_t rows() const { return m_rows; }

    // Appends one row; missing cells are empty, surplus cells are dropped.
    void append(const std::vector<std::string> &row);

    // The cell's bytes; valid until the next append.
    std::string_view cell(std::size_t row, std::size_t column) const;

private:
    static constexpr std::size_t kBlockRows = 1024;

    struct Block
    {
        std::string bytes;
        std::vector<std::uint32_t> ends; // end of each cell in bytes, row by row
    };

    std::size_t m_columns;
    std::size_t m_rows = 0;
    std::vector<Block> m_blocks;
};

} // namespace quillon::wizard
