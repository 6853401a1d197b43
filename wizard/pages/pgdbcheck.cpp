#include "wizard/pages/pgdbcheck.h"

#include "wizard/controls.h"
#include "platform/asciicase.h"
#include "wizard/ansitext.h"
#include "wizard/controltext.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QSignalBlocker>

namespace quillon::wizard {

PgDBCheck::PgDBCheck(WizardContext &context, QWidget *parent)
    : WizardPage("pgDBCheck", context, parent)
{
    heading("Label25", QStringLiteral("Database Options"), QRect(12, 10, 305, 16));
    cbDataOK = checkBox("cbDataOK", QStringLiteral("Yes, I would like to have &database capabilities"),
                        QRect(12, 34, 305, 20), true);
    cbDatabase = new DropDownList(this);
    cbDatabase->setObjectName(QStringLiteral("cbDatabase"));
    cbDatabase->setGeometry(90, 60, 200, 22);
    label("Label24", QStringLiteral("Database:"), QRect(30, 63, 58, 16), cbDatabase);
    rbBrowseDB = radioButton("rbBrowseDB", QStringLiteral("I would like to &browse database items"),
                             QRect(12, 94, 305, 20), true);
    Label27 = new ClickLabel(QStringLiteral("This option will enable you to specify a table/view or a query from "
                                            "which to extract data that will be browsed by the client."),
                             this);
    Label27->setObjectName(QStringLiteral("Label27"));
    Label27->setGeometry(30, 114, 287, 42);
    Label27->setWordWrap(true);
    Label27->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    rbUpdateDB = radioButton("rbUpdateDB", QStringLiteral("I would like to &insert database items"),
                             QRect(12, 162, 305, 20), false);
    Label26 = new ClickLabel(QStringLiteral("This option will enable you to insert a value into a database table "
                                            "or view based on your input values."),
                             this);
    Label26->setObjectName(QStringLiteral("Label26"));
    Label26->setGeometry(30, 182, 287, 42);
    Label26->setWordWrap(true);
    Label26->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(cbDataOK, &QCheckBox::toggled, this, &PgDBCheck::cbDataOKClick);
    connect(cbDatabase, &DropDownList::listOpening, this, &PgDBCheck::cbDatabaseDropDown);
    connect(cbDatabase, &QComboBox::activated, this, &PgDBCheck::cbDatabaseChange);
    const auto choiceClick = [this](bool checked) {
        if (checked && !m_ctx.loading)
            m_ctx.dbChanged = true;
    };
    connect(rbBrowseDB, &QRadioButton::toggled, this, choiceClick);
    connect(rbUpdateDB, &QRadioButton::toggled, this, choiceClick);
    connect(Label27, &ClickLabel::clicked, this, [this] {
        rbBrowseDB->setChecked(true);
        rbBrowseDB->setFocus();
    });
    connect(Label26, &ClickLabel::clicked, this, [this] {
        rbUpdateDB->setChecked(true);
        rbUpdateDB->setFocus();
    });
}

void PgDBCheck::cbDataOKClick()
{
    const bool on = cbDataOK->isChecked();
    cbDatabase->setEnabled(on);
    rbUpdateDB->setEnabled(on);
    rbBrowseDB->setEnabled(on);
}

void PgDBCheck::cbDatabaseDropDown()
{
    refillAliases(true);
}

void PgDBCheck::initializePage(const WizardProject &)
{
    if (cbDataOK->isChecked())
        refillAliases(false);
}

/*
** Fills the alias list from the engine and keeps the alias chosen, so an
** opened list shows it highlighted. A chosen alias the engine no longer
** knows (a project loaded after its alias was removed) is named in the
** error box, and the choice is cleared so that Next asks for another.
** An engine that cannot list its aliases is reported when the user opens
** the list (reportFailure); filling it ahead on arrival, the list just
** keeps what it held, and the opening reports the failure.
*/
void PgDBCheck::refillAliases(bool reportFailure)
{
    const std::string chosen = alias();
    std::vector<std::string> names;
    try {
        names = m_ctx.db.databaseNames();
    } catch (const std::exception &e) {
        if (reportFailure)
            m_ctx.failure(e);
        return;
    }
    setComboEntries(cbDatabase, names);
    if (chosen.empty())
        return;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (platform::equalsNoCase(names[i], chosen)) {
            const QSignalBlocker block(cbDatabase);
            cbDatabase->setCurrentIndex(static_cast<int>(i));
            return;
        }
    }
    m_ctx.db.disconnect();
    m_ctx.db.setAlias({});
    m_ctx.dbChanged = true;
    emit aliasChanged();
    m_ctx.error(QStringLiteral("The database alias ") + displayText(chosen) +
                QStringLiteral(" no longer exists. Please choose another database."));
}

void PgDBCheck::cbDatabaseChange()
{
    m_ctx.db.disconnect();
    m_ctx.db.setAlias(comboChoice(cbDatabase));
    emit aliasChanged();
    m_ctx.dbChanged = true;
}

std::string PgDBCheck::alias() const
{
    return comboChoice(cbDatabase);
}

void PgDBCheck::loadSettings(const WizardProject &p, LoadStage stage)
{
    if (stage == LoadStage::Files)
        cbDataOK->setChecked(p.DBOk);
    else if (stage == LoadStage::Database)
        showChoices(rbBrowseDB, p.DoBrowse, rbUpdateDB, p.DoInsert);
}

void PgDBCheck::saveSettings(WizardProject &p) const
{
    p.DBOk = cbDataOK->isChecked();
    p.DBName = alias();
    p.DoBrowse = rbBrowseDB->isChecked();
    p.DoInsert = rbUpdateDB->isChecked();
}

void PgDBCheck::addFacts(NavigationFacts &f) const
{
    f.aliasChosen = comboHasChoice(cbDatabase);
}

void PgDBCheck::showLoadedAlias(const std::string &alias)
{
    setComboChoice(cbDatabase, alias);
    m_ctx.db.disconnect();
    m_ctx.db.setAlias(alias);
}

} // namespace quillon::wizard
