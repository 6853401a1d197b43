#include "wizard/pages/pglogin.h"

#include "wizard/ansitext.h"
#include "wizard/controltext.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace quillon::wizard {

PgLogin::PgLogin(WizardContext &context, std::function<std::string()> alias, QWidget *parent)
    : WizardPage("pgLogin", context, parent)
    , m_alias(std::move(alias))
{
    heading("Label33", QStringLiteral("Database Login Options"), QRect(12, 10, 305, 16));
    label("Label36",
          QStringLiteral("Now you may specify the login information necessary to connect to your database server."),
          QRect(12, 32, 305, 32));
    cbLoginPrompt = checkBox("cbLoginPrompt", QStringLiteral("My server requires me to login"),
                             QRect(12, 76, 305, 20), true);
    edUserID = lineEdit("edUserID", QRect(100, 106, 180, 22));
    label("Label34", QStringLiteral("User ID:"), QRect(30, 109, 68, 16), edUserID);
    edPassword = lineEdit("edPassword", QRect(100, 136, 180, 22));
    edPassword->setEchoMode(QLineEdit::Password);
    label("Label35", QStringLiteral("Password:"), QRect(30, 139, 68, 16), edPassword);
    btnLoginTest = button("btnLoginTest", QStringLiteral("&Test Login"), QRect(100, 180, 100, 25));
    btnLoginTest->setToolTip(QStringLiteral("Try to Login with these options"));

    connect(cbLoginPrompt, &QCheckBox::toggled, this, [this](bool on) {
        edUserID->setEnabled(on);
        edPassword->setEnabled(on);
    });
    connect(edUserID, &QLineEdit::textChanged, this, &PgLogin::loginChange);
    connect(edPassword, &QLineEdit::textChanged, this, &PgLogin::loginChange);
    connect(btnLoginTest, &QPushButton::clicked, this, &PgLogin::btnLoginTestClick);
}

void PgLogin::loadSettings(const WizardProject &p, LoadStage stage)
{
    if (stage != LoadStage::Database)
        return;
    cbLoginPrompt->setChecked(p.DoLogin);
    setControlBytes(edUserID, p.UserName);
    setControlBytes(edPassword, p.Password);
}

void PgLogin::saveSettings(WizardProject &p) const
{
    p.DoLogin = cbLoginPrompt->isChecked();
    p.UserName = controlBytes(edUserID);
    p.Password = controlBytes(edPassword);
}

void PgLogin::focusEntry()
{
    // The user ID line is off while the server needs no login.
    if (edUserID->isEnabled())
        edUserID->setFocus();
}

void PgLogin::loginChange()
{
    // Whatever the login check box says: the lines are what a later test
    // or listing connects with.
    m_ctx.db.disconnect();
    m_ctx.db.setLogin(controlBytes(edUserID), controlBytes(edPassword));
}

void PgLogin::btnLoginTestClick()
{
    WizardDatabase &db = m_ctx.db;
    db.disconnect();
    db.setAlias(m_alias());
    db.clearParams();
    if (cbLoginPrompt->isChecked())
        db.setLogin(controlBytes(edUserID), controlBytes(edPassword));
    db.disconnect();
    try {
        db.connect();
    } catch (const std::exception &e) {
        db.disconnect();
        db.clearParams();
        const QString lead = cbLoginPrompt->isChecked()
                                 ? QStringLiteral("This user/password combination is not valid!")
                                 : QStringLiteral("The server probably requires a user/password combination.");
        m_ctx.error(lead + QStringLiteral("\r\n") + displayText(e.what()));
        return;
    }
    m_ctx.dialogs.messageBox(m_ctx.owner, QMessageBox::Information, QStringLiteral("Information"),
                             QStringLiteral("Connected!"), QMessageBox::Ok);
}

} // namespace quillon::wizard
