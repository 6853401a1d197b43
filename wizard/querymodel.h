#pragma once

/*
** A table model over the rows of a query result. Rows are read from the
** result only as a view asks for them (canFetchMore/fetchMore, one batch
** at a time), so showing the start of a large result reads only its start.
** Cells show the engine's 8-bit text as the wizard shows all such text:
** UTF-8 when it is valid UTF-8, else Windows-1252.
**
** An engine failure while reading ends the reading: the rows read before it
** stay, canFetchMore() becomes false, and fetchFailed carries the engine's
** message.
*/

#include "wizard/queryrows.h"
#include "wizard/rowstore.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <memory>

namespace quillon::wizard {

class QueryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr std::size_t kBatch = 256;

    explicit QueryModel(std::unique_ptr<QueryRows> rows, QObject *parent = nullptr, std::size_t batch = kBatch);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    bool canFetchMore(const QModelIndex &parent = QModelIndex()) const override;
    void fetchMore(const QModelIndex &parent = QModelIndex()) override;

    // Reads up to max further rows in batches and shows them in one
    // insertion; returns how many it read.
    std::size_t fetchRows(std::size_t max);

    // The whole result has been read.
    bool atEnd() const { return m_atEnd; }

signals:
    void fetchFailed(const QString &message);
    // The end of the result has been reached (also when it has no rows).
    void endReached();

private:
    std::unique_ptr<QueryRows> m_rows;
    QStringList m_header;
    RowStore m_store;
    std::size_t m_shown = 0; // rows announced to the views
    std::size_t m_batch;
    bool m_atEnd = false;
    bool m_failed = false;
};

} // namespace quillon::wizard
