#include "wizard/pages/pgheaderfooter.h"

#include "wizard/controltext.h"
#include "wizard/filechecks.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>

namespace quillon::wizard {

PgHeaderFooter::PgHeaderFooter(WizardContext &context, QWidget *parent)
    : WizardPage("pgHeaderFooter", context, parent)
{
    label("Label15",
          QStringLiteral("Now, you can select HTML files that will be read by the ISAPI Extension and outputed as "
                         "header and footer information. Please check the appropriate check boxes below:"),
          QRect(12, 10, 305, 60));
    cbHEader = checkBox("cbHEader", QStringLiteral("Retrieve &header HTML from the following file:"),
                        QRect(12, 80, 305, 20), false);
    edHeader = lineEdit("edHeader", QRect(30, 104, 258, 22));
    sbHEader = speedButton("sbHEader", QStringLiteral("..."), QStringLiteral("Select an HTML File"),
                           QRect(292, 104, 24, 22));
    cbFooter = checkBox("cbFooter", QStringLiteral("Retrieve &footer HTML from the following file:"),
                        QRect(12, 144, 305, 20), false);
    edFooter = lineEdit("edFooter", QRect(30, 168, 258, 22));
    sbFooter = speedButton("sbFooter", QStringLiteral("..."), QStringLiteral("Select an HTML File"),
                           QRect(292, 168, 24, 22));
    for (QWidget *w : {static_cast<QWidget *>(edHeader), static_cast<QWidget *>(sbHEader),
                       static_cast<QWidget *>(edFooter), static_cast<QWidget *>(sbFooter)})
        w->setEnabled(false);

    connect(cbHEader, &QCheckBox::toggled, this, [this] { fileCheckClick(cbHEader, edHeader, sbHEader); });
    connect(cbFooter, &QCheckBox::toggled, this, [this] { fileCheckClick(cbFooter, edFooter, sbFooter); });
    connect(sbHEader, &QToolButton::clicked, this, [this] { browseHtml(edHeader); });
    connect(sbFooter, &QToolButton::clicked, this, [this] { browseHtml(edFooter); });
}

void PgHeaderFooter::loadSettings(const WizardProject &p, LoadStage stage)
{
    if (stage != LoadStage::Files)
        return;
    cbHEader->setChecked(p.HasHeaderFile);
    setControlBytes(edHeader, p.HeaderFile);
    cbFooter->setChecked(p.HasFooterFile);
    setControlBytes(edFooter, p.FooterFile);
}

void PgHeaderFooter::saveSettings(WizardProject &p) const
{
    p.HasHeaderFile = cbHEader->isChecked();
    p.HeaderFile = controlBytes(edHeader);
    p.HasFooterFile = cbFooter->isChecked();
    p.FooterFile = controlBytes(edFooter);
}

void PgHeaderFooter::addFacts(NavigationFacts &f) const
{
    if (cbHEader->isChecked())
        f.headerProblem = htmlFileProblem("header", controlBytes(edHeader));
    if (cbFooter->isChecked())
        f.footerProblem = htmlFileProblem("footer", controlBytes(edFooter));
}

void PgHeaderFooter::fileCheckClick(QCheckBox *check, QLineEdit *edit, QToolButton *browse)
{
    edit->setEnabled(check->isChecked());
    browse->setEnabled(check->isChecked());
    if (!m_ctx.loading && edit->isEnabled())
        edit->setFocus();
}

void PgHeaderFooter::browseHtml(QLineEdit *edit)
{
    FileDialogRequest od;
    od.name = "OD";
    od.kind = FileDialogRequest::Open;
    od.title = QStringLiteral("Select an HTML File");
    od.filter = QStringLiteral("HTML File|*.htm;*.html|Any File|*.*");
    od.defaultExtension = QStringLiteral("htm");
    if (const auto path = m_ctx.dialogs.fileDialog(m_ctx.owner, od))
        edit->setText(*path);
}

} // namespace quillon::wizard
