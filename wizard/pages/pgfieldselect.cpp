#include "wizard/pages/pgfieldselect.h"

#include "wizard/controltext.h"

#include <QListWidget>
#include <QPushButton>

#include <utility>

namespace quillon::wizard {

PgFieldSelect::PgFieldSelect(WizardContext &context, QWidget *parent)
    : WizardPage("pgFieldSelect", context, parent)
{
    label("Label5",
          QStringLiteral("Please select here the database fields that will be returned by your ISAPI Extension:"),
          QRect(12, 8, 305, 32));
    lbAvailFields = listBox("lbAvailFields", QRect(12, 62, 128, 170));
    label("Label6", QStringLiteral("&Available Fields:"), QRect(12, 45, 128, 16), lbAvailFields);
    lbReturnFields = listBox("lbReturnFields", QRect(190, 62, 128, 170));
    label("Label7", QStringLiteral("&Returned Fields"), QRect(190, 45, 128, 16), lbReturnFields);
    lbAvailFields->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lbReturnFields->setSelectionMode(QAbstractItemView::ExtendedSelection);
    IncludeBtn = button("IncludeBtn", QStringLiteral(">"), QRect(150, 80, 30, 24));
    IncAllBtn = button("IncAllBtn", QStringLiteral(">>"), QRect(150, 110, 30, 24));
    ExcludeBtn = button("ExcludeBtn", QStringLiteral("<"), QRect(150, 150, 30, 24));
    ExAllBtn = button("ExAllBtn", QStringLiteral("<<"), QRect(150, 180, 30, 24));
    ExcludeBtn->setEnabled(false);
    ExAllBtn->setEnabled(false);

    connect(IncludeBtn, &QPushButton::clicked, this, [this] { moveSelected(lbAvailFields, lbReturnFields); });
    connect(IncAllBtn, &QPushButton::clicked, this, [this] { moveAll(lbAvailFields, lbReturnFields); });
    connect(ExcludeBtn, &QPushButton::clicked, this, [this] { moveSelected(lbReturnFields, lbAvailFields); });
    // A double click moves the field under the mouse as the arrow buttons do.
    // Only that field moves, whatever else was selected.
    for (auto [from, to] : {std::pair{lbAvailFields, lbReturnFields}, std::pair{lbReturnFields, lbAvailFields}}) {
        connect(from, &QListWidget::itemDoubleClicked, this, [this, from, to](QListWidgetItem *item) {
            selectOnly(from, from->row(item));
            moveSelected(from, to);
        });
    }
    connect(ExAllBtn, &QPushButton::clicked, this, [this] { moveAll(lbReturnFields, lbAvailFields); });
}

void PgFieldSelect::add(QListWidget *to, const std::string &entry)
{
    // The available fields keep themselves sorted; returned ones stay in
    // the order they arrive.
    if (to == lbAvailFields)
        insertSortedEntry(to, entry);
    else
        appendEntry(to, entry);
}

void PgFieldSelect::moveSelected(QListWidget *from, QListWidget *to)
{
    int first = -1;
    for (int i = 0; i < from->count(); ++i) {
        if (from->item(i)->isSelected()) {
            first = i;
            break;
        }
    }
    // From the bottom up, so several entries arrive bottom entry first.
    for (int i = from->count() - 1; i >= 0; --i) {
        if (from->item(i)->isSelected()) {
            add(to, entryBytes(from->item(i)));
            delete from->takeItem(i);
        }
    }
    from->setFocus();
    if (from->count() > 0) {
        int select = first < 0 ? 0 : first;
        if (select >= from->count())
            select = from->count() - 1;
        selectOnly(from, select);
    }
    updateMoveButtons();
}

void PgFieldSelect::moveAll(QListWidget *from, QListWidget *to)
{
    for (const std::string &entry : listEntries(from))
        add(to, entry);
    from->clear();
    from->setFocus();
    updateMoveButtons();
}

void PgFieldSelect::updateMoveButtons()
{
    IncludeBtn->setEnabled(lbAvailFields->count() > 0);
    IncAllBtn->setEnabled(lbAvailFields->count() > 0);
    ExcludeBtn->setEnabled(lbReturnFields->count() > 0);
    ExAllBtn->setEnabled(lbReturnFields->count() > 0);
}

void PgFieldSelect::clearReturnedFields()
{
    lbReturnFields->clear();
}

void PgFieldSelect::loadSettings(const WizardProject &p, LoadStage stage)
{
    if (stage != LoadStage::Browse)
        return;
    setListEntries(lbAvailFields, p.RetAvailFields);
    setListEntries(lbReturnFields, p.RetChosenFields);
}

void PgFieldSelect::saveSettings(WizardProject &p) const
{
    p.RetAvailFields = listEntries(lbAvailFields);
    p.RetChosenFields = listEntries(lbReturnFields);
}

void PgFieldSelect::focusEntry()
{
    lbAvailFields->setFocus();
}

void PgFieldSelect::initializePage(const WizardProject &p)
{
    if (m_ctx.sourceChanged) {
        m_ctx.sourceChanged = false;
        lbAvailFields->clear();
        lbReturnFields->clear();
        m_ctx.guarded([&] {
            const StringList fields =
                p.TbBrowse ? m_ctx.db.tableFields(p.TbToBrowse) : m_ctx.db.queryColumns(p.QrToBrowse);
            for (const std::string &f : fields)
                insertSortedEntry(lbAvailFields, f);
        });
    }
    updateMoveButtons();
}

} // namespace quillon::wizard
