/*
** The one-to-one binding of the WizardProject to the wizard's controls.
**
** project() reads every field from its control. A load reads the file onto
** a copy of that record and shows the fields in the controls at the load's
** own steps, through the loader's observer hooks: the fields read before a
** hook are shown when it runs, and the hook then does what that step does
** to the window (the alias choice and the connection, the table choices,
** the field-list mark and move buttons). The loading flag is on meanwhile,
** so handlers enable and disable what depends on a control but move no
** focus, open no dialog and mark no database change.
*/

#include "wizard/frmwiz.h"

#include "project/projectfile.h"
#include "wizard/controls.h"
#include "wizard/controltext.h"
#include "wizard/pages/pgdatabasebr.h"
#include "wizard/pages/pgdatabaseup.h"
#include "wizard/pages/pgdbcheck.h"
#include "wizard/pages/pgdlloutput.h"
#include "wizard/pages/pgfieldselect.h"
#include "wizard/pages/pgheaderfooter.h"
#include "wizard/pages/pginput.h"
#include "wizard/pages/pglogin.h"
#include "wizard/pages/pgotherdata.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace quillon::wizard {

namespace {

// Shows the two choices of a radio group; a file may leave both clear.
void setChoices(QRadioButton *a, bool aOn, QRadioButton *b, bool bOn)
{
    if (aOn)
        a->setChecked(true);
    else if (bOn)
        b->setChecked(true);
    if (!aOn && !bOn) {
        a->setAutoExclusive(false);
        b->setAutoExclusive(false);
        a->setChecked(false);
        b->setChecked(false);
        a->setAutoExclusive(true);
        b->setAutoExclusive(true);
    }
}

// The steps of a load, in the order the file is read.
enum class Stage { None, Files, Database, Insert, Browse, Trailer };

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
        showUpTo(Stage::Files);
        w.pgDBCheck->showLoadedAlias(alias);
    }
    void insertTableLoaded(const std::string &table) override
    {
        showUpTo(Stage::Database);
        setComboChoice(w.pgDatabaseUP->cbUPTable, table);
    }
    void browseTableLoaded(const std::string &table) override
    {
        showUpTo(Stage::Insert);
        setComboChoice(w.pgDatabaseBR->cbBRTable, table);
    }
    void fieldListsLoaded() override
    {
        showUpTo(Stage::Browse);
        // The table and query choice marked the source as changed; the
        // field lists just read from the file are its current lists.
        w.context().sourceChanged = false;
        w.pgFieldSelect->updateMoveButtons();
    }
    void loadFinished() override
    {
        showUpTo(Stage::Trailer);
        w.context().loading = false;
    }

private:
    void showUpTo(Stage stage)
    {
        while (m_shown < stage) {
            m_shown = static_cast<Stage>(static_cast<int>(m_shown) + 1);
            show(m_shown);
        }
    }

    void show(Stage stage)
    {
        switch (stage) {
        case Stage::Files:
            w.pgHeaderFooter->cbHEader->setChecked(p.HasHeaderFile);
            setControlBytes(w.pgHeaderFooter->edHeader, p.HeaderFile);
            w.pgHeaderFooter->cbFooter->setChecked(p.HasFooterFile);
            setControlBytes(w.pgHeaderFooter->edFooter, p.FooterFile);
            setListEntries(w.pgInput->lbValues, p.Input);
            w.pgDBCheck->cbDataOK->setChecked(p.DBOk);
            break;
        case Stage::Database:
            setChoices(w.pgDBCheck->rbBrowseDB, p.DoBrowse, w.pgDBCheck->rbUpdateDB, p.DoInsert);
            w.pgLogin->cbLoginPrompt->setChecked(p.DoLogin);
            setControlBytes(w.pgLogin->edUserID, p.UserName);
            setControlBytes(w.pgLogin->edPassword, p.Password);
            break;
        case Stage::Insert:
            setListEntries(w.pgDatabaseUP->lbFields, p.AvailFields);
            setListEntries(w.pgDatabaseUP->lbIValues, p.AvailInput);
            setListEntries(w.pgDatabaseUP->lbUpdFields, p.UpdFields);
            break;
        case Stage::Browse:
            setChoices(w.pgDatabaseBR->rbTable, p.TbBrowse, w.pgDatabaseBR->rbQuery, p.QrBrowse);
            setControlBytes(w.pgDatabaseBR->moSQL, p.QrToBrowse);
            setListEntries(w.pgFieldSelect->lbAvailFields, p.RetAvailFields);
            setListEntries(w.pgFieldSelect->lbReturnFields, p.RetChosenFields);
            break;
        case Stage::Trailer: {
            const PgOtherData *o = w.pgOtherData;
            setControlBytes(o->edPageTitle, p.PageTitle);
            setControlBytes(o->edExtName, p.ExtName);
            setControlBytes(o->edCopyRight, p.Copyright);
            setControlBytes(o->edVersion, p.Version);
            setControlBytes(o->edAuthor, p.Author);
            setControlBytes(o->edEmail, p.Email);
            setControlBytes(o->edCompany, p.Company);
            o->cbGenDAte->setChecked(p.DoGenDate);
            o->cbGenTime->setChecked(p.DoGenTime);
            setControlBytes(o->moOtherInfo, p.OtherInfo);
            setControlBytes(w.pgDLLOutput->edDLLFile, p.OutputDLL);
            break;
        }
        case Stage::None:
            break;
        }
    }

    TfrmWiz &w;
    const WizardProject &p;
    Stage m_shown = Stage::None;
};

} // namespace

WizardProject TfrmWiz::project() const
{
    WizardProject p;
    p.HasHeaderFile = pgHeaderFooter->cbHEader->isChecked();
    p.HeaderFile = controlBytes(pgHeaderFooter->edHeader);
    p.HasFooterFile = pgHeaderFooter->cbFooter->isChecked();
    p.FooterFile = controlBytes(pgHeaderFooter->edFooter);
    p.Input = listEntries(pgInput->lbValues);
    p.DBOk = pgDBCheck->cbDataOK->isChecked();
    p.DBName = comboChoice(pgDBCheck->cbDatabase);
    p.DoBrowse = pgDBCheck->rbBrowseDB->isChecked();
    p.DoInsert = pgDBCheck->rbUpdateDB->isChecked();
    p.DoLogin = pgLogin->cbLoginPrompt->isChecked();
    p.UserName = controlBytes(pgLogin->edUserID);
    p.Password = controlBytes(pgLogin->edPassword);
    p.TbInsData = comboChoice(pgDatabaseUP->cbUPTable);
    p.AvailFields = listEntries(pgDatabaseUP->lbFields);
    p.AvailInput = listEntries(pgDatabaseUP->lbIValues);
    p.UpdFields = listEntries(pgDatabaseUP->lbUpdFields);
    p.TbBrowse = pgDatabaseBR->rbTable->isChecked();
    p.TbToBrowse = comboChoice(pgDatabaseBR->cbBRTable);
    p.QrBrowse = pgDatabaseBR->rbQuery->isChecked();
    p.QrToBrowse = controlBytes(pgDatabaseBR->moSQL);
    p.RetAvailFields = listEntries(pgFieldSelect->lbAvailFields);
    p.RetChosenFields = listEntries(pgFieldSelect->lbReturnFields);
    const PgOtherData *o = pgOtherData;
    p.PageTitle = controlBytes(o->edPageTitle);
    p.ExtName = controlBytes(o->edExtName);
    p.Copyright = controlBytes(o->edCopyRight);
    p.Version = controlBytes(o->edVersion);
    p.Author = controlBytes(o->edAuthor);
    p.Email = controlBytes(o->edEmail);
    p.Company = controlBytes(o->edCompany);
    p.DoGenDate = o->cbGenDAte->isChecked();
    p.DoGenTime = o->cbGenTime->isChecked();
    p.OtherInfo = controlBytes(o->moOtherInfo);
    p.OutputDLL = controlBytes(pgDLLOutput->edDLLFile);
    return p;
}

void TfrmWiz::loadProjectFile(const QString &path)
{
    WizardProject record = project();
    WindowLoader loader(*this, record);
    ProjectFile::load(path.toStdString(), record, &loader);
}

} // namespace quillon::wizard
