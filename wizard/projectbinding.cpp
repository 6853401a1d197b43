/*
** The binding of the WizardProject to the wizard's pages.
**
** project() asks every page, in notebook order, to store its fields. A load
** reads the file onto a copy of that record and has the pages show the
** fields at the load's own steps, through the loader's observer hooks: the
** fields read before a hook are shown when it runs, and the hook then does
** what that step does to the window (the alias choice and the connection,
** the table choices, the field-list mark and move buttons). The loading
** flag is on meanwhile, so handlers enable and disable what depends on a
** control but move no focus, open no dialog and mark no database change.
*/

#include "wizard/frmwiz.h"

#include "project/projectfile.h"
#include "wizard/pages/pgdatabasebr.h"
#include "wizard/pages/pgdatabaseup.h"
#include "wizard/pages/pgdbcheck.h"
#include "wizard/pages/pgfieldselect.h"
#include "wizard/pages/pginfo.h"

namespace quillon::wizard {

namespace {

class WindowLoader : public ProjectLoadObserver
{
public:
    WindowLoader(TfrmWiz &window, const WizardProject &record)
        : w(window)
        , p(record)
    {}

    void loadStarted() override { w.context().loading = true; }
    void aliasLoaded(const std::string &alias) override
    {
        showUpTo(LoadStage::Files);
        w.pgDBCheck->showLoadedAlias(alias);
    }
    void insertTableLoaded(const std::string &table) override
    {
        showUpTo(LoadStage::Database);
        w.pgDatabaseUP->showLoadedTable(table);
    }
    void browseTableLoaded(const std::string &table) override
    {
        showUpTo(LoadStage::Insert);
        w.pgDatabaseBR->showLoadedTable(table);
    }
    void fieldListsLoaded() override
    {
        showUpTo(LoadStage::Browse);
        // The table and query choice marked the source as changed; the
        // field lists just read from the file are its current lists.
        w.context().sourceChanged = false;
        w.pgFieldSelect->updateMoveButtons();
    }
    void loadFinished() override
    {
        showUpTo(LoadStage::Trailer);
        w.context().loading = false;
    }

private:
    // Shows every stage not yet shown up to stage; each page shows its
    // fields of a stage, in notebook order.
    void showUpTo(LoadStage stage)
    {
        while (m_next <= static_cast<int>(stage)) {
            for (WizardPage *page : w.pages())
                page->loadSettings(p, static_cast<LoadStage>(m_next));
            ++m_next;
        }
    }

    TfrmWiz &w;
    const WizardProject &p;
    int m_next = 0; // the first stage not yet shown
};

} // namespace

WizardProject TfrmWiz::project() const
{
    WizardProject p;
    for (const WizardPage *page : m_pages)
        page->saveSettings(p);
    return p;
}

void TfrmWiz::loadProjectFile(const QString &path)
{
    WizardProject record = project();
    WindowLoader loader(*this, record);
    // The summary on show is rebuilt from what the load left in the
    // controls, even when it failed half-way, so that it never contradicts
    // what Finish writes.
    const auto refreshSummary = [this] {
        if (currentPage() == Page::Info)
            pgInfo->showSummary(project());
    };
    try {
        ProjectFile::load(path.toStdString(), record, &loader);
    } catch (...) {
        refreshSummary();
        throw;
    }
    refreshSummary();
}

} // namespace quillon::wizard
