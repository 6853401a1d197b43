#pragma once

#include "wizard/pages/wizardpage.h"

namespace quillon::wizard {

class DropDownList;

// Insert mode: the table and which input value fills which field.
class PgDatabaseUP : public WizardPage
{
    Q_OBJECT
public:
    // inputValues: lbValues of the input page.
    PgDatabaseUP(WizardContext &context, QListWidget *inputValues, QWidget *parent);

    DropDownList *cbUPTable;
    QListWidget *lbFields;
    QListWidget *lbIValues;
    QPushButton *btnAddField;
    QListWidget *lbUpdFields;
    QToolButton *sbDelete;
    QToolButton *sbTrash;

    // Arrival by "Next >".
    void prepare();

private:
    void insertTableChoice();
    void btnAddFieldClick();
    void sbDeleteClick();
    void sbTrashClick();

    QListWidget *m_inputValues;
};

} // namespace quillon::wizard
