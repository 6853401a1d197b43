#include "wizard/pages/pgotherdata.h"

#include "wizard/controltext.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace quillon::wizard {

PgOtherData::PgOtherData(WizardContext &context, QWidget *parent)
    : WizardPage("pgOtherData", context, parent)
{
    label("Label14", QStringLiteral("Enter here any further info:"), QRect(12, 4, 200, 16));
    const struct
    {
        QLineEdit **edit;
        const char *name;
        const char *caption;
        bool required;
    } fields[] = {
        {&edPageTitle, "edPageTitle", "Page &Title:", true},
        {&edExtName, "edExtName", "ISAPI Ext. &Name:", true},
        {&edCopyRight, "edCopyRight", "&Copyright Text:", false},
        {&edVersion, "edVersion", "&Version:", false},
        {&edAuthor, "edAuthor", "&Author:", false},
        {&edEmail, "edEmail", "&E-Mail:", false},
        {&edCompany, "edCompany", "C&ompany:", false},
    };
    int y = 22;
    int n = 8;
    for (const auto &f : fields) {
        *f.edit = lineEdit(f.name, QRect(110, y, 210, 20));
        const QByteArray labelName = "Label" + QByteArray::number(n++);
        QLabel *l = f.required ? heading(labelName.constData(), QString::fromLatin1(f.caption), QRect(12, y + 3, 96, 16))
                               : label(labelName.constData(), QString::fromLatin1(f.caption), QRect(12, y + 3, 96, 16));
        l->setBuddy(*f.edit);
        y += 23;
    }
    heading("Label20", QStringLiteral("Bold"), QRect(230, 4, 30, 16));
    label("Label21", QStringLiteral("= required"), QRect(262, 4, 60, 16));
    cbGenDAte = checkBox("cbGenDAte", QStringLiteral("Generation &Date"), QRect(12, y, 140, 18), false);
    cbGenTime = checkBox("cbGenTime", QStringLiteral("Generation T&ime"), QRect(160, y, 140, 18), false);
    y += 20;
    moOtherInfo = memo("moOtherInfo", QRect(110, y, 210, 240 - y - 4));
    QLabel *other = label("Label32", QStringLiteral("O&ther Info:"), QRect(12, y + 3, 96, 16));
    other->setBuddy(moOtherInfo);
}

void PgOtherData::loadSettings(const WizardProject &p, LoadStage stage)
{
    if (stage != LoadStage::Trailer)
        return;
    setControlBytes(edPageTitle, p.PageTitle);
    setControlBytes(edExtName, p.ExtName);
    setControlBytes(edCopyRight, p.Copyright);
    setControlBytes(edVersion, p.Version);
    setControlBytes(edAuthor, p.Author);
    setControlBytes(edEmail, p.Email);
    setControlBytes(edCompany, p.Company);
    cbGenDAte->setChecked(p.DoGenDate);
    cbGenTime->setChecked(p.DoGenTime);
    setControlBytes(moOtherInfo, p.OtherInfo);
}

void PgOtherData::saveSettings(WizardProject &p) const
{
    p.PageTitle = controlBytes(edPageTitle);
    p.ExtName = controlBytes(edExtName);
    p.Copyright = controlBytes(edCopyRight);
    p.Version = controlBytes(edVersion);
    p.Author = controlBytes(edAuthor);
    p.Email = controlBytes(edEmail);
    p.Company = controlBytes(edCompany);
    p.DoGenDate = cbGenDAte->isChecked();
    p.DoGenTime = cbGenTime->isChecked();
    p.OtherInfo = controlBytes(moOtherInfo);
}

void PgOtherData::focusEntry()
{
    edPageTitle->setFocus();
}

} // namespace quillon::wizard
