#pragma once

#include "wizard/pages/wizardpage.h"

namespace quillon::wizard {

// The names of the request values the extension reads.
class PgInput : public WizardPage
{
    Q_OBJECT
public:
    PgInput(WizardContext &context, QWidget *parent);

    // The input values, in the list's order.
    StringList values() const;

    void loadSettings(const WizardProject &record, LoadStage stage) override;
    void saveSettings(WizardProject &record) const override;
    void initializePage(const WizardProject &record) override;
    void focusEntry() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *edValue;
    QToolButton *sbAdd;
    QListWidget *lbValues;
    QToolButton *sbUp;
    QToolButton *sbDel;
    QToolButton *sbDown;

    void sbAddClick();
    void sbDelClick();
    void moveSelected(int by);
};

} // namespace quillon::wizard
