#pragma once

#include "wizard/pages/wizardpage.h"

namespace quillon::wizard {

// Which fields of the browse source the extension returns.
class PgFieldSelect : public WizardPage
{
    Q_OBJECT
public:
    PgFieldSelect(WizardContext &context, QWidget *parent);

    QListWidget *lbAvailFields;
    QListWidget *lbReturnFields;
    QPushButton *IncludeBtn;
    QPushButton *IncAllBtn;
    QPushButton *ExcludeBtn;
    QPushButton *ExAllBtn;

    // Refills the lists from the browse source when it changed.
    void prepare(bool tableBrowsing, const std::string &table, const std::string &sql);
    void updateMoveButtons();

private:
    void moveSelected(QListWidget *from, QListWidget *to);
    void moveAll(QListWidget *from, QListWidget *to);
    void add(QListWidget *to, const std::string &entry);
};

} // namespace quillon::wizard
