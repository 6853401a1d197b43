#pragma once

#include "wizard/pages/wizardpage.h"

namespace quillon::wizard {

// The project source file to generate.
class PgDLLOutput : public WizardPage
{
    Q_OBJECT
public:
    PgDLLOutput(WizardContext &context, QWidget *parent);

    void loadSettings(const WizardProject &record, LoadStage stage) override;
    void saveSettings(WizardProject &record) const override;
    // Completes the output file name (completeOutputPath) against the
    // current folder; an empty name, or one that names a folder, stays as it
    // is for the check to refuse.
    void validatePage() override;
    void addFacts(NavigationFacts &facts) const override;
    void initializePage(const WizardProject &record) override;
    void focusEntry() override;

private:
    QLineEdit *edDLLFile;
    QToolButton *sbOutput;
};

} // namespace quillon::wizard
