#pragma once

/*
** What the pages of one wizard window share: its dialogs, its database
** connection, its change marks and its loading flag, and the one way a
** command's failure reaches the user (a message box with the failure's own
** message, the command ending where it failed).
*/

#include "wizard/databasehelp.h"
#include "wizard/dialogservice.h"

#include <QString>

#include <exception>

class QWidget;

namespace quillon::wizard {

struct WizardContext
{
    DialogService &dialogs;
    WizardDatabase &db;
    QWidget *owner = nullptr;

    bool dbChanged = false;     // the database choices changed since the insert or browse page was prepared
    bool sourceChanged = false; // the browse source changed since the field lists were filled
    bool loading = false;       // a project file is being loaded

    void error(const QString &text) const { showErrorBox(dialogs, owner, text); }

    // Shows a failure as the window's default error display does.
    void failure(const std::exception &e) const;

    // Runs fn; a failure is shown and false returned.
    template <typename Fn>
    bool guarded(Fn &&fn) const
    {
        try {
            fn();
            return true;
        } catch (const std::exception &e) {
            failure(e);
            return false;
        }
    }
};

inline constexpr char kWizardCaption[] = "Quillon 1.0";

} // namespace quillon::wizard
