#include "wizard/frmview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressDialog>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace quillon::wizard {

namespace {

enum class Glyph { First, Prior, Next, Last };

/*
** The navigator's glyphs: a triangle pointing the way of the move, with a
** bar before it for the moves to an end. Drawn at twice the size and
** scaled, so they stay crisp on high-density screens.
*/
QIcon navigatorIcon(Glyph glyph, const QColor &colour)
{
    constexpr int kSize = 32;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const bool left = glyph == Glyph::First || glyph == Glyph::Prior;
    const bool bar = glyph == Glyph::First || glyph == Glyph::Last;
    // The triangle's tip and base, mirrored for the backward moves.
    const qreal tip = bar ? 10 : 9, base = bar ? 24 : 22;
    QPainterPath triangle;
    triangle.moveTo(left ? tip : kSize - tip, 16);
    triangle.lineTo(left ? base : kSize - base, 7);
    triangle.lineTo(left ? base : kSize - base, 25);
    triangle.closeSubpath();
    painter.drawPath(triangle);
    if (bar)
        painter.drawRect(QRectF(left ? 5 : kSize - 9, 7, 4, 18));
    painter.end();
    return QIcon(pixmap);
}

QToolButton *navigatorButton(QWidget *bar, const char *name, Glyph glyph, const QString &tip)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(navigatorIcon(glyph, bar->palette().color(QPalette::ButtonText)));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(tip);
    // The grid keeps the focus, as the buttons only move its current row.
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    bar->layout()->addWidget(button);
    return button;
}

// Widest a column gets when fitted to its first rows; wider text scrolls.
constexpr int kMaxColumnWidth = 250;

// "Last" reads in steps that grow while a step stays quick, so a fast
// result is announced to the grid in few insertions and a slow one still
// lets the progress window answer.
constexpr qint64 kStepMilliseconds = 50;
constexpr std::size_t kMaxStep = 65536;

} // namespace

TfrmView::TfrmView(std::unique_ptr<QueryRows> rows, QWidget *parent)
    : QDialog(parent)
    , m_model(new QueryModel(std::move(rows), this))
{
    setObjectName(QStringLiteral("frmView"));
    setWindowTitle(tr("Query Results"));
    resize(435, 300);

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setAlternatingRowColors(true);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->setModel(m_model);

    auto *navigator = new QWidget(this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    auto *buttons = new QHBoxLayout(navigator);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    m_first = navigatorButton(navigator, "nbFirst", Glyph::First, tr("First record"));
    m_prior = navigatorButton(navigator, "nbPrior", Glyph::Prior, tr("Prior record"));
    m_next = navigatorButton(navigator, "nbNext", Glyph::Next, tr("Next record"));
    m_last = navigatorButton(navigator, "nbLast", Glyph::Last, tr("Last record"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_grid);
    layout->addWidget(navigator);

    connect(m_first, &QToolButton::clicked, this, &TfrmView::moveFirst);
    connect(m_prior, &QToolButton::clicked, this, &TfrmView::movePrior);
    connect(m_next, &QToolButton::clicked, this, &TfrmView::moveNext);
    connect(m_last, &QToolButton::clicked, this, &TfrmView::moveLast);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TfrmView::rowsArrived);
    connect(m_model, &QueryModel::endReached, this, &TfrmView::updateButtons);
    connect(m_model, &QueryModel::fetchFailed, this, &TfrmView::updateButtons);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TfrmView::updateButtons);
    updateButtons();
}

// The first rows are there when the window first shows, not one turn of
// the event loop later, so whoever looks at it sees them at once.
void TfrmView::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_model->rowCount() == 0 && m_model->canFetchMore())
        m_model->fetchMore();
}

int TfrmView::currentRow() const
{
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TfrmView::moveTo(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const int column = std::max(m_grid->currentIndex().column(), 0);
    const QModelIndex index = m_model->index(row, column);
    m_grid->setCurrentIndex(index);
    m_grid->scrollTo(index);
}

void TfrmView::moveFirst()
{
    moveTo(0);
}

void TfrmView::movePrior()
{
    moveTo(currentRow() - 1);
}

void TfrmView::moveNext()
{
    const int wanted = currentRow() + 1;
    if (wanted >= m_model->rowCount() && m_model->canFetchMore())
        m_model->fetchMore();
    moveTo(wanted);
}

/*
** Reads the rest of the result, then moves to its last row. After
** m_progressDelay a window-modal progress window shows how many rows have
** been read; Cancel stops the reading, and the move goes to the last row
** read so far. A failure stops it the same way (the model reports it).
*/
void TfrmView::moveLast()
{
    QElapsedTimer clock;
    clock.start();
    QProgressDialog *progress = nullptr;
    std::size_t step = QueryModel::kBatch;
    while (m_model->canFetchMore()) {
        QElapsedTimer stepClock;
        stepClock.start();
        m_model->fetchRows(step);
        if (stepClock.elapsed() < kStepMilliseconds)
            step = std::min(step * 2, kMaxStep);
        if (!progress && clock.elapsed() >= m_progressDelay && m_model->canFetchMore()) {
            progress = new QProgressDialog(this);
            progress->setObjectName(QStringLiteral("progressLast"));
            progress->setWindowTitle(windowTitle());
            progress->setWindowModality(Qt::WindowModal);
            progress->setCancelButtonText(tr("Cancel"));
            progress->setRange(0, 0);
            progress->setMinimumDuration(0);
            progress->setAutoClose(false);
            progress->setAutoReset(false);
            progress->show();
        }
        if (progress) {
            progress->setLabelText(tr("Reading rows: %L1 read").arg(m_model->rowCount()));
            QApplication::processEvents();
            if (progress->wasCanceled())
                break;
        }
    }
    delete progress;
    moveTo(m_model->rowCount() - 1);
    updateButtons();
}

void TfrmView::rowsArrived()
{
    if (!m_columnsSized) {
        m_columnsSized = true;
        m_grid->resizeColumnsToContents();
        for (int c = 0; c < m_model->columnCount(); ++c)
            m_grid->setColumnWidth(c, std::min(m_grid->columnWidth(c), kMaxColumnWidth));
    }
    if (currentRow() < 0)
        moveTo(0);
    updateButtons();
}

void TfrmView::updateButtons()
{
    const int row = currentRow();
    const bool more = row < m_model->rowCount() - 1 || m_model->canFetchMore();
    m_first->setEnabled(row > 0);
    m_prior->setEnabled(row > 0);
    m_next->setEnabled(more);
    m_last->setEnabled(more);
}

} // namespace quillon::wizard
