#pragma once

/*
** Help in the IDE: the help file the set-up installed (QUILLON.HLP in the
** folder recorded under HKEY_CURRENT_USER "Software\Tarvik\Quillon", value
** "InstallPath"), shown by Help > Contents on its contents page. The same
** object is a HelpSystem a host may offer to its experts, so page help
** asked for in a wizard inside the IDE can be reported to a script; each
** request then also opens the real help window.
*/

#include "platform/registry.h"
#include "wizard/helpsystem.h"
#include "wizard/helpwindow.h"

#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>


namespace quillon::idehost {

class IdeHelp final : public wizard::HelpSystem
{
public:
    using Report = std::function<void(const QString &line)>;

    IdeHelp();
    ~IdeHelp() override;

    // Requests are reported ("help FILE CONTEXT", "help FILE contents")
    // before they are shown; empty: not reported.
    void setReport(Report report) { m_report = std::move(report); }

    // The installed help file; the bare file name when no install folder
    // is recorded, so that a failure names the file it looked for.
    static QString installedHelpFile(const platform::Registry &registry);

    void showContext(const QString &helpFile, int context, QWidget *parent) override;
    // The contents page; throws wizard::HelpError naming the file when it
    // cannot be shown.
    void showContents(const QString &helpFile, QWidget *parent);

    wizard::HelpWindow *contentsWindow() const { return m_contents; }

private:
    Report m_report;
    std::unique_ptr<wizard::HelpSystem> m_pages; // the experts' page help
    QPointer<wizard::HelpWindow> m_contents;
    QUrl m_contentsUrl; // the contents page of the file m_contents shows
};

} // namespace quillon::idehost
