#include "wizard/pages/pgdatabasebr.h"

#include "wizard/ansitext.h"
#include "wizard/artwork.h"
#include "wizard/controls.h"
#include "wizard/controltext.h"

#include <QIcon>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QToolButton>

namespace quillon::wizard {

PgDatabaseBR::PgDatabaseBR(WizardContext &context, QWidget *parent)
    : WizardPage("pgDatabaseBR", context, parent)
{
    heading("Label22", QStringLiteral("Database Browsing Options:"), QRect(12, 8, 305, 16));
    rbTable = radioButton("rbTable", QStringLiteral("Table browsing:"), QRect(12, 30, 110, 20), true);
    cbBRTable = new DropDownList(this);
    cbBRTable->setObjectName(QStringLiteral("cbBRTable"));
    cbBRTable->setGeometry(124, 29, 196, 22);
    rbQuery = radioButton("rbQuery", QStringLiteral("Query browsing"), QRect(12, 56, 200, 20), false);
    label("Label4", QStringLiteral("Please enter here the query SQL code:"), QRect(30, 78, 290, 16));
    moSQL = memo("moSQL", QRect(30, 96, 290, 110));
    moSQL->setFont(QFont(QStringLiteral("Courier New"), 9));
    const struct
    {
        QToolButton **button;
        const char *name;
        const char *caption;
        const char *hint;
        artwork::SqlGlyph glyph;
    } buttons[] = {
        {&sbAddTable, "sbAddTable", "T", "Add table to SQL", artwork::SqlGlyph::AddTable},
        {&sbAddField, "sbAddField", "F", "Add Field to SQL", artwork::SqlGlyph::AddField},
        {&sbTrashSQL, "sbTrashSQL", "C", "Clear SQL Text", artwork::SqlGlyph::Clear},
        {&sbExecSQL, "sbExecSQL", "!", "Execute Now!", artwork::SqlGlyph::Execute},
        {&sbSelSkel, "sbSelSkel", "S", "Insert Skeleton SELECT", artwork::SqlGlyph::SelectSkeleton},
        {&sbInsSkel, "sbInsSkel", "I", "Insert Skeleton INSERT", artwork::SqlGlyph::InsertSkeleton},
        {&sbUpdSkel, "sbUpdSkel", "U", "Insert Skeleton UPDATE", artwork::SqlGlyph::UpdateSkeleton},
        {&sbAddParam, "sbAddParam", "P", "Add request value to SQL",
         artwork::SqlGlyph::AddParameter},
    };
    int x = 30;
    for (const auto &b : buttons) {
        // The letter stays as the button's text for screen readers; the glyph is what shows.
        *b.button = speedButton(b.name, QString::fromLatin1(b.caption), QString::fromLatin1(b.hint),
                                QRect(x, 210, 26, 24));
        (*b.button)->setIcon(QIcon(QPixmap::fromImage(artwork::sqlGlyph(b.glyph))));
        (*b.button)->setIconSize(QSize(16, 16));
        x += 30;
    }
    pmAddTable = new QMenu(this);
    pmAddTable->setObjectName(QStringLiteral("pmAddTable"));
    pmAddField = new QMenu(this);
    pmAddField->setObjectName(QStringLiteral("pmAddField"));
    pmAddParam = new QMenu(this);
    pmAddParam->setObjectName(QStringLiteral("pmAddParam"));
    setQueryControlsEnabled(false);

    connect(rbTable, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            sourceClick();
    });
    connect(rbQuery, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            sourceClick();
    });
    connect(cbBRTable, &DropDownList::listOpening, this, [this] {
        m_ctx.guarded([this] { setComboEntries(cbBRTable, m_ctx.db.tables()); });
    });
    connect(cbBRTable, &QComboBox::activated, this, [this] { m_ctx.sourceChanged = true; });
    connect(moSQL, &QPlainTextEdit::textChanged, this, [this] { m_ctx.sourceChanged = true; });
    connect(sbTrashSQL, &QToolButton::clicked, moSQL, &QPlainTextEdit::clear);
    connect(sbSelSkel, &QToolButton::clicked, this, [this] { replaceSql(selectSkeleton()); });
    connect(sbInsSkel, &QToolButton::clicked, this, [this] { replaceSql(insertSkeleton()); });
    connect(sbUpdSkel, &QToolButton::clicked, this, [this] { replaceSql(updateSkeleton()); });
    connect(sbAddTable, &QToolButton::clicked, this, &PgDatabaseBR::sbAddTableClick);
    connect(sbAddField, &QToolButton::clicked, this, &PgDatabaseBR::sbAddFieldClick);
    connect(sbAddParam, &QToolButton::clicked, this, &PgDatabaseBR::sbAddParamClick);
    connect(sbExecSQL, &QToolButton::clicked, this, &PgDatabaseBR::previewRequested);
}

void PgDatabaseBR::setQueryControlsEnabled(bool on)
{
    for (QWidget *w : std::initializer_list<QWidget *>{moSQL, sbExecSQL, sbAddTable, sbTrashSQL, sbAddField,
                                                        sbSelSkel, sbInsSkel, sbUpdSkel, sbAddParam})
        w->setEnabled(on);
}

void PgDatabaseBR::sourceClick()
{
    m_ctx.sourceChanged = true;
    const bool table = rbTable->isChecked();
    cbBRTable->setEnabled(table);
    setQueryControlsEnabled(!table);
    if (!table && !m_ctx.loading)
        moSQL->setFocus();
}

void PgDatabaseBR::replaceSql(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += (text.empty() ? "" : "\r\n") + line;
    moSQL->setPlainText(QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void PgDatabaseBR::showPopup(QMenu *menu, QToolButton *at, const std::vector<std::string> &items)
{
    menu->clear();
    for (const std::string &item : items) {
        QAction *action = menu->addAction(displayText(item));
        // Captions are shown as they are: "&" is no accelerator here.
        action->setText(action->text().replace(QLatin1Char('&'), QStringLiteral("&&")));
        action->setData(QByteArray::fromStdString(item));
    }
    QAction *chosen = m_ctx.dialogs.popupMenu(menu, at->mapToGlobal(QPoint(0, at->height())));
    if (chosen)
        moSQL->insertPlainText(displayText(chosen->data().toByteArray().toStdString()));
}

void PgDatabaseBR::sbAddTableClick()
{
    m_ctx.guarded([this] { showPopup(pmAddTable, sbAddTable, m_ctx.db.tables()); });
}

void PgDatabaseBR::sbAddFieldClick()
{
    const std::string query = fieldPopupQuery(sql());
    if (query.empty())
        return;
    m_ctx.guarded([&] { showPopup(pmAddField, sbAddField, m_ctx.db.queryColumns(query)); });
}

// A request value goes into the SQL as the parameter ":Name", which the
// generated page binds to the value it was sent; the SQL never holds the
// value itself. Without request values there is nothing to offer.
void PgDatabaseBR::sbAddParamClick()
{
    if (m_requestValues.empty())
        return;
    std::vector<std::string> marks;
    for (const std::string &name : m_requestValues)
        marks.push_back(":" + name);
    showPopup(pmAddParam, sbAddParam, marks);
}

std::string PgDatabaseBR::sql() const
{
    return controlBytes(moSQL);
}

void PgDatabaseBR::showLoadedTable(const std::string &table)
{
    setComboChoice(cbBRTable, table);
}

void PgDatabaseBR::loadSettings(const WizardProject &p, LoadStage stage)
{
    if (stage != LoadStage::Browse)
        return;
    showChoices(rbTable, p.TbBrowse, rbQuery, p.QrBrowse);
    setControlBytes(moSQL, p.QrToBrowse);
}

void PgDatabaseBR::saveSettings(WizardProject &p) const
{
    p.TbBrowse = rbTable->isChecked();
    p.TbToBrowse = comboChoice(cbBRTable);
    p.QrBrowse = rbQuery->isChecked();
    p.QrToBrowse = sql();
}

void PgDatabaseBR::addFacts(NavigationFacts &f) const
{
    f.browseTableChosen = comboHasChoice(cbBRTable);
}

void PgDatabaseBR::initializePage(const WizardProject &record)
{
    m_requestValues = record.Input;
    if (!m_ctx.dbChanged)
        return;
    setComboEntries(cbBRTable, {});
    rbTable->setChecked(true);
    moSQL->clear();
    m_ctx.dbChanged = false;
    setQueryControlsEnabled(false);
}

void PgDatabaseBR::resetForAlias()
{
    setComboEntries(cbBRTable, {});
    moSQL->clear();
    rbTable->setChecked(true);
}

} // namespace quillon::wizard
