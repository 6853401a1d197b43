#pragma once

#include "wizard/pages/wizardpage.h"

#include "project/wizardproject.h"

namespace quillon::wizard {

// The last page: the summary and the option to save the project.
class PgInfo : public WizardPage
{
    Q_OBJECT
public:
    PgInfo(WizardContext &context, QWidget *parent);

    QPlainTextEdit *moInfo;
    QCheckBox *cbSaveProject;

    void showSummary(const WizardProject &project);
};

} // namespace quillon::wizard
