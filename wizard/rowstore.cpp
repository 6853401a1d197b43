#include "wizard/rowstore.h"

#include <stdexcept>

namespace quillon::wizard {

RowStore::RowStore(std::size_t columns)
    : m_columns(columns)
{}

void RowStore::append(const std::vector<std::string> &row)
{
    if (m_rows % kBlockRows == 0) {
        m_blocks.emplace_back();
        m_blocks.back().ends.reserve(kBlockRows * m_columns);
    }
    Block &block = m_blocks.back();
    for (std::size_t c = 0; c < m_columns; ++c) {
        if (c < row.size())
            block.bytes += row[c];
        if (block.bytes.size() > UINT32_MAX)
            throw std::length_error("A block of query rows holds more than 4 GB of text");
        block.ends.push_back(static_cast<std::uint32_t>(block.bytes.size()));
    }
    ++m_rows;
}

std::string_view RowStore::cell(std::size_t row, std::size_t column) const
{
    if (row >= m_rows || column >= m_columns)
        return {};
    const Block &block = m_blocks[row / kBlockRows];
    const std::size_t i = (row % kBlockRows) * m_columns + column;
    const std::uint32_t begin = i == 0 ? 0 : block.ends[i - 1];
    return std::string_view(block.bytes).substr(begin, block.ends[i] - begin);
}

} // namespace quillon::wizard
