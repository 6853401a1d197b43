#pragma once

/*
** The query preview window: the rows of a query result in a grid, with a
** navigator bar of four buttons (first, prior, next, last) that move the
** grid's current row. Rows are read as the grid scrolls or a button goes
** past the rows read so far; "Last" reads the rest of the result, showing
** its progress with a Cancel button when that takes a while.
*/

#include "wizard/querymodel.h"

#include <QDialog>

#include <memory>

class QTableView;
class QToolButton;

namespace quillon::wizard {

class TfrmView : public QDialog
{
    Q_OBJECT

public:
    TfrmView(std::unique_ptr<QueryRows> rows, QWidget *parent);

    QTableView *grid() const { return m_grid; }
    // The index of the current row, -1 when there is none.
    int currentRow() const;
    QueryModel *model() const { return m_model; }

    // How long "Last" reads before it shows its progress, in milliseconds.
    void setProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void moveFirst();
    void movePrior();
    void moveNext();
    void moveLast();
    void rowsArrived();
    void updateButtons();

private:
    void moveTo(int row);

    QueryModel *m_model;
    QTableView *m_grid;
    QToolButton *m_first;
    QToolButton *m_prior;
    QToolButton *m_next;
    QToolButton *m_last;
    int m_progressDelay = 500;
    bool m_columnsSized = false; // columns fitted to the first rows
};

} // namespace quillon::wizard
