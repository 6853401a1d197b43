#pragma once

#include "wizard/pages/wizardpage.h"

namespace quillon::wizard {

// The page title, the extension's name and the trailer lines.
class PgOtherData : public WizardPage
{
    Q_OBJECT
public:
    PgOtherData(WizardContext &context, QWidget *parent);

    void loadSettings(const WizardProject &record, LoadStage stage) override;
    void saveSettings(WizardProject &record) const override;
    void focusEntry() override;

private:
    QLineEdit *edPageTitle;
    QLineEdit *edExtName;
    QLineEdit *edCopyRight;
    QLineEdit *edVersion;
    QLineEdit *edAuthor;
    QLineEdit *edEmail;
    QLineEdit *edCompany;
    QCheckBox *cbGenDAte;
    QCheckBox *cbGenTime;
    QPlainTextEdit *moOtherInfo;
};

} // namespace quillon::wizard
