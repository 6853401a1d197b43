#pragma once

#include "wizard/pages/wizardpage.h"

namespace quillon::wizard {

// The last page: the summary and the option to save the project.
class PgInfo : public WizardPage
{
    Q_OBJECT
public:
    PgInfo(WizardContext &context, QWidget *parent);

    void showSummary(const WizardProject &project);
    // Whether Finish saves the project first.
    bool saveRequested() const;

private:
    QPlainTextEdit *moInfo;
    QCheckBox *cbSaveProject;
};

} // namespace quillon::wizard
