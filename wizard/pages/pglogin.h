#pragma once

#include "wizard/pages/wizardpage.h"

#include <functional>

namespace quillon::wizard {

// The database login, and its test.
class PgLogin : public WizardPage
{
    Q_OBJECT
public:
    // alias: the alias chosen on the database page.
    PgLogin(WizardContext &context, std::function<std::string()> alias, QWidget *parent);

    void loadSettings(const WizardProject &record, LoadStage stage) override;
    void saveSettings(WizardProject &record) const override;
    void focusEntry() override;

private:
    QCheckBox *cbLoginPrompt;
    QLineEdit *edUserID;
    QLineEdit *edPassword;
    QPushButton *btnLoginTest;

    void loginChange();
    void btnLoginTestClick();

    std::function<std::string()> m_alias;
};

} // namespace quillon::wizard
