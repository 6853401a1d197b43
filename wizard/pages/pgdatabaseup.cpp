#include "wizard/pages/pgdatabaseup.h"

#include "platform/asciicase.h"
#include "project/mapping.h"
#include "wizard/controls.h"
#include "wizard/controltext.h"

#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace quillon::wizard {

namespace {

// Deletes the selected entry and selects the one now at its place.
std::string takeSelected(QListWidget *list)
{
    const int row = list->currentRow();
    const std::string bytes = entryBytes(list->item(row));
    delete list->takeItem(row);
    selectOnly(list, row < list->count() ? row : -1);
    return bytes;
}

bool hasSelection(const QListWidget *list)
{
    const QListWidgetItem *item = list->currentItem();
    return item && item->isSelected();
}

} // namespace

PgDatabaseUP::PgDatabaseUP(WizardContext &context, std::function<StringList()> inputValues, QWidget *parent)
    : WizardPage("pgDatabaseUP", context, parent)
    , m_inputValues(std::move(inputValues))
{
    heading("Label28", QStringLiteral("Database Insert Options (Field Selection):"), QRect(12, 8, 305, 16));
    cbUPTable = new DropDownList(this);
    cbUPTable->setObjectName(QStringLiteral("cbUPTable"));
    cbUPTable->setGeometry(130, 28, 190, 22);
    label("Label29", QStringLiteral("&Table to insert data::"), QRect(12, 31, 116, 16), cbUPTable);
    lbFields = listBox("lbFields", QRect(12, 72, 140, 70));
    label("Label30", QStringLiteral("Choose a &Field"), QRect(12, 56, 140, 16), lbFields);
    lbIValues = listBox("lbIValues", QRect(180, 72, 140, 70));
    label("Label31", QStringLiteral("Choose an &Input Value"), QRect(180, 56, 140, 16), lbIValues);
    btnAddField = button("btnAddField", QStringLiteral("Add Field to be Updated"), QRect(12, 148, 180, 24));
    lbUpdFields = listBox("lbUpdFields", QRect(12, 178, 276, 56));
    sbDelete = speedButton("sbDelete", QString(), QStringLiteral("Delete Field"), QRect(294, 178, 24, 24));
    sbTrash = speedButton("sbTrash", QString(), QStringLiteral("Delete all fields"), QRect(294, 208, 24, 24));
    sbDelete->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));
    sbTrash->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));

    connect(cbUPTable, &DropDownList::listOpening, this, [this] {
        m_ctx.guarded([this] { setComboEntries(cbUPTable, m_ctx.db.tables()); });
    });
    connect(cbUPTable, &QComboBox::activated, this, [this] { m_ctx.guarded([this] { insertTableChoice(); }); });
    connect(btnAddField, &QPushButton::clicked, this, &PgDatabaseUP::btnAddFieldClick);
    connect(sbDelete, &QToolButton::clicked, this, &PgDatabaseUP::sbDeleteClick);
    connect(sbTrash, &QToolButton::clicked, this, &PgDatabaseUP::sbTrashClick);
}

void PgDatabaseUP::insertTableChoice()
{
    if (!comboHasChoice(cbUPTable))
        return;
    // The fields are read before anything changes, so a table that cannot
    // be read leaves the lists as they were.
    const StringList fields = m_ctx.db.tableFields(comboChoice(cbUPTable));
    setListEntries(lbFields, fields);
    setListEntries(lbIValues, m_inputValues());
    lbUpdFields->clear();
    selectOnly(lbFields, lbFields->count() ? 0 : -1);
    selectOnly(lbIValues, lbIValues->count() ? 0 : -1);
}

void PgDatabaseUP::btnAddFieldClick()
{
    if (!hasSelection(lbFields) || !hasSelection(lbIValues))
        return;
    const std::string field = takeSelected(lbFields);
    const std::string value = takeSelected(lbIValues);
    insertSortedEntry(lbUpdFields, field + "=" + value);
}

void PgDatabaseUP::sbDeleteClick()
{
    if (!hasSelection(lbUpdFields))
        return;
    const int row = lbUpdFields->currentRow();
    const std::string entry = entryBytes(lbUpdFields->item(row));
    const MappingEntry parts = splitMapping(entry);
    appendEntry(lbFields, std::string(parts.field));
    appendEntry(lbIValues, std::string(parts.input));
    delete lbUpdFields->takeItem(row);
}

void PgDatabaseUP::sbTrashClick()
{
    lbUpdFields->clear();
    if (comboHasChoice(cbUPTable))
        m_ctx.guarded([this] { insertTableChoice(); });
}

void PgDatabaseUP::showLoadedTable(const std::string &table)
{
    setComboChoice(cbUPTable, table);
}

void PgDatabaseUP::loadSettings(const WizardProject &p, LoadStage stage)
{
    if (stage != LoadStage::Insert)
        return;
    setListEntries(lbFields, p.AvailFields);
    setListEntries(lbIValues, p.AvailInput);
    setListEntries(lbUpdFields, p.UpdFields);
}

void PgDatabaseUP::saveSettings(WizardProject &p) const
{
    p.TbInsData = comboChoice(cbUPTable);
    p.AvailFields = listEntries(lbFields);
    p.AvailInput = listEntries(lbIValues);
    p.UpdFields = listEntries(lbUpdFields);
}

void PgDatabaseUP::initializePage(const WizardProject &)
{
    if (m_ctx.dbChanged) {
        setComboEntries(cbUPTable, {});
        lbFields->clear();
        lbUpdFields->clear();
        m_ctx.dbChanged = false;
    }
    // The input values not yet mapped, in the input list's order.
    StringList values = m_inputValues();
    for (const std::string &entry : listEntries(lbUpdFields)) {
        const std::string_view input = splitMapping(entry).input;
        const auto it = std::find_if(values.begin(), values.end(),
                                     [&](const std::string &v) { return platform::equalsNoCase(v, input); });
        if (it != values.end())
            values.erase(it);
    }
    setListEntries(lbIValues, values);
}

} // namespace quillon::wizard
