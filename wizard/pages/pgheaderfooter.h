#pragma once

#include "wizard/pages/wizardpage.h"

namespace quillon::wizard {

// The header and footer HTML files the extension sends around its output.
class PgHeaderFooter : public WizardPage
{
    Q_OBJECT
public:
    PgHeaderFooter(WizardContext &context, QWidget *parent);

    void loadSettings(const WizardProject &record, LoadStage stage) override;
    void saveSettings(WizardProject &record) const override;
    void addFacts(NavigationFacts &facts) const override;

private:
    QCheckBox *cbHEader;
    QLineEdit *edHeader;
    QToolButton *sbHEader;
    QCheckBox *cbFooter;
    QLineEdit *edFooter;
    QToolButton *sbFooter;

    void fileCheckClick(QCheckBox *check, QLineEdit *edit, QToolButton *browse);
    void browseHtml(QLineEdit *edit);
};

} // namespace quillon::wizard
