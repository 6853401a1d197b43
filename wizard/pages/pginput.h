#pragma once

#include "wizard/pages/wizardpage.h"

namespace quillon::wizard {

// The names of the request values the extension reads.
class PgInput : public WizardPage
{
    Q_OBJECT
public:
    PgInput(WizardContext &context, QWidget *parent);

    QLineEdit *edValue;
    QToolButton *sbAdd;
    QListWidget *lbValues;
    QToolButton *sbUp;
    QToolButton *sbDel;
    QToolButton *sbDown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sbAddClick();
    void sbDelClick();
    void moveSelected(int by);
};

} // namespace quillon::wizard
