#pragma once

#include "wizard/pages/wizardpage.h"

namespace quillon::wizard {

// The project source file to generate.
class PgDLLOutput : public WizardPage
{
    Q_OBJECT
public:
    PgDLLOutput(WizardContext &context, QWidget *parent);

    QLineEdit *edDLLFile;
    QToolButton *sbOutput;
};

} // namespace quillon::wizard
