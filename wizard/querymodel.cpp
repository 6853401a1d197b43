#include "wizard/querymodel.h"

#include "wizard/ansitext.h"

#include <algorithm>
#include <climits>
#include <exception>

namespace quillon::wizard {

namespace {

QStringList headerOf(const std::vector<std::string> &columns)
{
    QStringList header;
    header.reserve(static_cast<qsizetype>(columns.size()));
    for (const std::string &column : columns)
        header << displayText(column);
    return header;
}

} // namespace

QueryModel::QueryModel(std::unique_ptr<QueryRows> rows, QObject *parent, std::size_t batch)
    : QAbstractTableModel(parent)
    , m_rows(std::move(rows))
    , m_header(headerOf(m_rows->columns()))
    , m_store(static_cast<std::size_t>(m_header.size()))
    , m_batch(std::max<std::size_t>(batch, 1))
{}

int QueryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown);
}

int QueryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_header.size());
}

QVariant QueryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_shown ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return displayText(m_store.cell(static_cast<std::size_t>(index.row()), static_cast<std::size_t>(index.column())));
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_header.size())
        return m_header.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags QueryModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool QueryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_atEnd && !m_failed;
}

void QueryModel::fetchMore(const QModelIndex &parent)
{
    if (!parent.isValid())
        fetchRows(m_batch);
}

/*
** The rows are appended to the store first and announced to the views in
** one insertion afterwards, also when the reading fails half-way, so a
** view never sees a row count that the store does not hold.
*/
std::size_t QueryModel::fetchRows(std::size_t max)
{
    if (!canFetchMore())
        return 0;
    const std::size_t before = m_store.rows();
    // A view counts rows in int: stop there rather than wrap around.
    max = std::min(max, static_cast<std::size_t>(INT_MAX) - before);
    QString failure;
    std::vector<std::vector<std::string>> batch;
    while (!m_failed && m_store.rows() - before < max) {
        batch.clear();
        const std::size_t wanted = std::min(m_batch, max - (m_store.rows() - before));
        std::size_t got = 0;
        try {
            got = m_rows->fetch(wanted, batch);
        } catch (const std::exception &e) {
            m_failed = true;
            failure = displayText(e.what());
        }
        // Rows read before a failure are good rows: keep them.
        for (std::size_t i = 0; i < batch.size() && i < wanted; ++i)
            m_store.append(batch[i]);
        if (got == 0 && !m_failed) {
            m_atEnd = true;
            break;
        }
    }
    const std::size_t added = m_store.rows() - before;
    if (added > 0) {
        beginInsertRows(QModelIndex(), static_cast<int>(before), static_cast<int>(before + added - 1));
        m_shown = m_store.rows();
        endInsertRows();
    }
    if (m_atEnd)
        emit endReached();
    if (m_failed)
        emit fetchFailed(failure);
    return added;
}

} // namespace quillon::wizard
