#pragma once

#include "wizard/pages/wizardpage.h"

#include <functional>

namespace quillon::wizard {

class DropDownList;

// Insert mode: the table and which input value fills which field.
class PgDatabaseUP : public WizardPage
{
    Q_OBJECT
public:
    // inputValues: the input values of the input page.
    PgDatabaseUP(WizardContext &context, std::function<StringList()> inputValues, QWidget *parent);

    // The stored insert table as the only choice.
    void showLoadedTable(const std::string &table);

    void loadSettings(const WizardProject &record, LoadStage stage) override;
    void saveSettings(WizardProject &record) const override;
    void initializePage(const WizardProject &record) override;

private:
    DropDownList *cbUPTable;
    QListWidget *lbFields;
    QListWidget *lbIValues;
    QPushButton *btnAddField;
    QListWidget *lbUpdFields;
    QToolButton *sbDelete;
    QToolButton *sbTrash;

    void insertTableChoice();
    void btnAddFieldClick();
    void sbDeleteClick();
    void sbTrashClick();

    std::function<StringList()> m_inputValues;
};

} // namespace quillon::wizard
