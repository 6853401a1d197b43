#pragma once

/*
** TfrmWiz: the wizard window. It lays out the picture strip, the page
** notebook and the button row, wires the pages together, and owns the
** commands that belong to no page: navigation, saving and opening the
** project file, the summary, help, the About box, the text view, Cancel
** and Finish. The pages hold the controls, their own handlers and their
** part of the record (WizardPage); the window reaches no page's controls.
** The page-flow rules are the plain functions of navigation.h.
**
** Everything modal goes through the DialogService given at creation, the
** help through a HelpSystem, the database through a DatabaseEngine and
** Finish's last step through a WizardHost, so the window runs the same
** under a test, a script or a user.
*/

#include "generator/editedsource.h"
#include "project/wizardproject.h"
#include "wizard/navigation.h"
#include "wizard/wizardcontext.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QShortcut;
class QStackedWidget;
class TExplorerButton;

namespace quillon::platform {
class Registry;
}

namespace quillon::wizard {

class HelpSystem;
class TfrmWiz;
class WizardPage;
class WizardHost;
class PgWelcome;
class PgHeaderFooter;
class PgInput;
class PgDBCheck;
class PgLogin;
class PgDatabaseUP;
class PgDatabaseBR;
class PgFieldSelect;
class PgOtherData;
class PgDLLOutput;
class PgInfo;

struct WizardServices
{
    DialogService *dialogs = nullptr;
    std::unique_ptr<DatabaseEngine> engine; // null: the real engine library
    HelpSystem *help = nullptr;
    WizardHost *host = nullptr;
    const platform::Registry *registry = nullptr; // null: the user's registry
    // Opens the project text view on a window with a project file (the
    // IDE side's TfrmTextView); empty: "View as Text" says it is not here.
    using TextView = std::function<void(TfrmWiz &)>;
    TextView textView;
};

class TfrmWiz : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmWiz(WizardServices services, QWidget *parent = nullptr);
    ~TfrmWiz() override;

    // The answers as the controls hold them.
    WizardProject project() const;
    // The pages in notebook order.
    const std::array<WizardPage *, kPageCount> &pages() const { return m_pages; }

    Page currentPage() const;
    const QString &projectFileName() const { return m_projectFileName; }
    const QString &helpFile() const { return m_helpFile; }
    WizardContext &context() { return m_ctx; }

    // Finish wrote the source file (the window may close without it).
    bool wroteSource() const { return m_wroteSource; }

    // The window commands; the flag ones return false when cancelled or failed.
    bool saveProject();
    bool openProject();
    // Open without the dialog: loads path, names the project after it.
    bool openProjectFile(const QString &path);
    // Reads a project file into the window (open and the text view's update).
    void loadProjectFile(const QString &path);
    // The About command, also run from the project text view.
    void showAbout() { rdbAboutClick(); }

    PgWelcome *pgWelcome;
    PgHeaderFooter *pgHeaderFooter;
    PgInput *pgInput;
    PgDBCheck *pgDBCheck;
    PgLogin *pgLogin;
    PgDatabaseUP *pgDatabaseUP;
    PgDatabaseBR *pgDatabaseBR;
    PgFieldSelect *pgFieldSelect;
    PgOtherData *pgOtherData;
    PgDLLOutput *pgDLLOutput;
    PgInfo *pgInfo;

signals:
    // Finish wrote the source file.
    void generated(const QString &path);
    // Finish could not write the source file; message is the error box's text.
    void finishFailed(const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void FormCreate();
    void rememberProjectFile() const;
    void buildFrame();
    void buildButtons();
    void addKeyboardShortcuts();
    void syncButtonShortcuts();
    NavigationFacts facts() const;
    void showPage(Page page);
    void btnNextClick();
    void btnBackClick();
    void focusFirstField(Page page);
    void nbWizPageChanged(int index);
    void prepareArrival(Page page);
    void showNextOrFinish(Page page);
    void btnFinishClick();
    // For a source edited since Quillon wrote it, or not written by it, asks
    // whether to replace or merge; nullopt when the user cancels.
    std::optional<generator::EditedSource> askAboutEditedSource(const std::string &path, const std::string &text);
    void btnHelpClick();
    void showHelp(int context);
    void rdbAboutClick();
    void ViewasText1Click();
    void previewQuery();
    std::optional<QueryValues> sampleValues(const std::string &sql);
    // Runs read on the registry given at creation, else on the user's.
    void readRegistry(const std::function<void(const platform::Registry &)> &read) const;

    std::array<WizardPage *, kPageCount> m_pages{};
    std::unique_ptr<WizardDatabase> m_db;
    DialogService &m_dialogs;
    HelpSystem *m_help;
    WizardHost *m_host;
    const platform::Registry *m_registry;
    WizardServices::TextView m_textView;
    WizardContext m_ctx;
    QString m_projectFileName;
    QString m_helpFile;
    bool m_wroteSource = false;
    struct ButtonMnemonic
    {
        QShortcut *shortcut; // Alt+N, Alt+B, Alt+F
        QPushButton *button;
        QString caption;     // with "&": "&Next >"
    };
    std::vector<ButtonMnemonic> m_buttonMnemonics;

public:
    QFrame *pnlBorder;
    QFrame *Panel3;
    QStackedWidget *nbWizImg;
    QWidget *pgSteps;
    QWidget *pgFinished;
    QLabel *imgWiz;
    QStackedWidget *nbWiz;
    QFrame *pnlButtons;
    QFrame *Bevel1;
    TExplorerButton *btnLoad;
    TExplorerButton *ebtnSave;
    TExplorerButton *btnabout;
    QPushButton *btnHelp;
    QPushButton *btnBack;
    QPushButton *btnNext;
    QPushButton *btnFinish;
    QPushButton *btnCancel;
    QMenu *pmVAT;
    QAction *ViewasText1;
};

} // namespace quillon::wizard
