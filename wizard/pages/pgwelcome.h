#pragma once

#include "wizard/pages/wizardpage.h"

class TLabelEffect;

namespace quillon::wizard {

// The greeting page.
class PgWelcome : public WizardPage
{
    Q_OBJECT
public:
    PgWelcome(WizardContext &context, QWidget *parent);

private:
    TLabelEffect *LabelEffect1;
};

} // namespace quillon::wizard
