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

    QCheckBox *cbLoginPrompt;
    QLineEdit *edUserID;
    QLineEdit *edPassword;
    QPushButton *btnLoginTest;

private:
    void loginChange();
    void btnLoginTestClick();

    std::function<std::string()> m_alias;
};

} // namespace quillon::wizard
