#pragma once

#include "wizard/pages/wizardpage.h"

namespace quillon::wizard {

class ClickLabel;
class DropDownList;

// Whether a database is wanted, which alias, and browse or insert.
class PgDBCheck : public WizardPage
{
    Q_OBJECT
public:
    PgDBCheck(WizardContext &context, QWidget *parent);

    // The alias chosen (empty: none).
    std::string alias() const;
    // The stored alias as the only choice, and the connection pointed at it.
    void showLoadedAlias(const std::string &alias);

    void loadSettings(const WizardProject &record, LoadStage stage) override;
    void saveSettings(WizardProject &record) const override;
    void addFacts(NavigationFacts &facts) const override;
    // Arrival: the alias list is filled before it is opened, so the keys
    // choose on the closed list too.
    void initializePage(const WizardProject &record) override;

signals:
    // Another alias was chosen: the browse page starts afresh.
    void aliasChanged();

private:
    QCheckBox *cbDataOK;
    DropDownList *cbDatabase;
    QRadioButton *rbBrowseDB;
    ClickLabel *Label27;
    QRadioButton *rbUpdateDB;
    ClickLabel *Label26;

    void cbDataOKClick();
    void cbDatabaseDropDown();
    void refillAliases(bool reportFailure);
    void cbDatabaseChange();
};

} // namespace quillon::wizard
