#pragma once

#include "wizard/pages/wizardpage.h"

namespace quillon::wizard {

// Which fields of the browse source the extension returns.
class PgFieldSelect : public WizardPage
{
    Q_OBJECT
public:
    PgFieldSelect(WizardContext &context, QWidget *parent);

    // Enables the move buttons by the lists' contents.
    void updateMoveButtons();
    // Empties the returned fields: the browse page was left without a
    // source to choose from.
    void clearReturnedFields();

    void loadSettings(const WizardProject &record, LoadStage stage) override;
    void saveSettings(WizardProject &record) const override;
    // Refills the lists from the browse source when it changed.
    void initializePage(const WizardProject &record) override;
    void focusEntry() override;

private:
    QListWidget *lbAvailFields;
    QListWidget *lbReturnFields;
    QPushButton *IncludeBtn;
    QPushButton *IncAllBtn;
    QPushButton *ExcludeBtn;
    QPushButton *ExAllBtn;

    void moveSelected(QListWidget *from, QListWidget *to);
    void moveAll(QListWidget *from, QListWidget *to);
    void add(QListWidget *to, const std::string &entry);
};

} // namespace quillon::wizard
