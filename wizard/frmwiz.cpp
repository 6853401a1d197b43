#include "wizard/frmwiz.h"

#include "platform/installkeys.h"
#include "platform/registry.h"
#include "widgets/explbtn.h"
#include "wizard/artwork.h"
#include "wizard/fonts.h"
#include "wizard/helpsystem.h"
#include "wizard/pages/pgdatabasebr.h"
#include "wizard/pages/pgdatabaseup.h"
#include "wizard/pages/pgdbcheck.h"
#include "wizard/pages/pgdlloutput.h"
#include "wizard/pages/pgfieldselect.h"
#include "wizard/pages/pgheaderfooter.h"
#include "wizard/pages/pginfo.h"
#include "wizard/pages/pginput.h"
#include "wizard/pages/pglogin.h"
#include "wizard/pages/pgotherdata.h"
#include "wizard/pages/pgwelcome.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QGroupBox>
#include <QShortcut>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>

namespace quillon::wizard {

namespace {

constexpr int kClientWidth = 462;
constexpr int kClientHeight = 295;
constexpr int kBorderWidth = 129;
constexpr int kButtonRowHeight = 55;

// The help contexts of the buttons, for help on a control.
constexpr char kHelpContext[] = "quillonHelpContext";

} // namespace

TfrmWiz::TfrmWiz(WizardServices services, QWidget *parent)
    : QDialog(parent)
    , m_db(std::make_unique<WizardDatabase>(services.engine ? std::move(services.engine) : createEngineLibrary()))
    , m_dialogs(*services.dialogs)
    , m_help(services.help)
    , m_host(services.host)
    , m_registry(services.registry)
    , m_textView(std::move(services.textView))
    , m_ctx{m_dialogs, *m_db, this}
{
    installFontSubstitutions();
    setObjectName(QStringLiteral("frmWiz"));
    setFont(QFont(QStringLiteral("Arial"), 8));
    setWindowIcon(artwork::programIcon());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    buildFrame();
    buildButtons();
    FormCreate();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TfrmWiz::~TfrmWiz() = default;

void TfrmWiz::buildFrame()
{
    pnlBorder = new QFrame(this);
    pnlBorder->setObjectName(QStringLiteral("pnlBorder"));
    pnlBorder->setGeometry(0, 0, kBorderWidth, kClientHeight - kButtonRowHeight);
    Panel3 = new QFrame(pnlBorder);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel3->setGeometry(10, 10, kBorderWidth - 20, 222);
    nbWizImg = new QStackedWidget(Panel3);
    nbWizImg->setObjectName(QStringLiteral("nbWizImg"));
    nbWizImg->setGeometry(1, 1, 107, 220);
    pgSteps = new QWidget;
    pgSteps->setObjectName(QStringLiteral("pgSteps"));
    pgFinished = new QWidget;
    pgFinished->setObjectName(QStringLiteral("pgFinished"));
    nbWizImg->addWidget(pgSteps);
    nbWizImg->addWidget(pgFinished);
    imgWiz = new QLabel(pgFinished);
    imgWiz->setObjectName(QStringLiteral("imgWiz"));
    imgWiz->setGeometry(0, 1, 107, 218);
    imgWiz->setScaledContents(true);
    imgWiz->setPixmap(artwork::wizardPicture());
    nbWizImg->setCurrentWidget(pgFinished);

    nbWiz = new QStackedWidget(this);
    nbWiz->setObjectName(QStringLiteral("nbWiz"));
    nbWiz->setGeometry(kBorderWidth, 0, kClientWidth - kBorderWidth, kClientHeight - kButtonRowHeight);
    pgWelcome = new PgWelcome(m_ctx, nbWiz);
    pgHeaderFooter = new PgHeaderFooter(m_ctx, nbWiz);
    pgInput = new PgInput(m_ctx, nbWiz);
    pgDBCheck = new PgDBCheck(m_ctx, nbWiz);
    pgLogin = new PgLogin(m_ctx, [this] { return pgDBCheck->alias(); }, nbWiz);
    pgDatabaseUP = new PgDatabaseUP(m_ctx, [this] { return pgInput->values(); }, nbWiz);
    pgDatabaseBR = new PgDatabaseBR(m_ctx, nbWiz);
    pgFieldSelect = new PgFieldSelect(m_ctx, nbWiz);
    pgOtherData = new PgOtherData(m_ctx, nbWiz);
    pgDLLOutput = new PgDLLOutput(m_ctx, nbWiz);
    pgInfo = new PgInfo(m_ctx, nbWiz);
    m_pages = {pgWelcome,    pgHeaderFooter, pgInput,       pgDBCheck,   pgLogin, pgDatabaseUP,
               pgDatabaseBR, pgFieldSelect,  pgOtherData,   pgDLLOutput, pgInfo};
    for (WizardPage *page : m_pages)
        nbWiz->addWidget(page);
    connect(nbWiz, &QStackedWidget::currentChanged, this, &TfrmWiz::nbWizPageChanged);
    connect(pgDBCheck, &PgDBCheck::aliasChanged, pgDatabaseBR, &PgDatabaseBR::resetForAlias);
    connect(pgDatabaseBR, &PgDatabaseBR::previewRequested, this, &TfrmWiz::previewQuery);

    pmVAT = new QMenu(this);
    pmVAT->setObjectName(QStringLiteral("pmVAT"));
    ViewasText1 = pmVAT->addAction(QStringLiteral("View as Text"));
    ViewasText1->setObjectName(QStringLiteral("ViewasText1"));
    connect(ViewasText1, &QAction::triggered, this, &TfrmWiz::ViewasText1Click);
}

void TfrmWiz::buildButtons()
{
    pnlButtons = new QFrame(this);
    pnlButtons->setObjectName(QStringLiteral("pnlButtons"));
    pnlButtons->setGeometry(0, kClientHeight - kButtonRowHeight, kClientWidth, kButtonRowHeight);
    Bevel1 = new QFrame(pnlButtons);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setGeometry(8, 0, kClientWidth - 16, 2);

    const auto iconButton = [this](const char *name, const char *hint, int x, int context) {
        auto *b = new TExplorerButton(pnlButtons);
        b->setObjectName(QString::fromLatin1(name));
        b->setOptions(TExplorerButton::boIconOnly);
        b->setHint(QString::fromLatin1(hint));
        b->setGeometry(x, 12, 32, 32);
        b->setProperty(kHelpContext, context);
        b->setWhatsThis(QString::fromLatin1(hint));
        // In the Tab order; Space or Enter presses the one with the focus.
        b->setFocusPolicy(Qt::StrongFocus);
        b->installEventFilter(this);
        return b;
    };
    btnLoad = iconButton("btnLoad", "Load Project", 8, 25);
    ebtnSave = iconButton("ebtnSave", "Save Current Project", 42, 4);
    btnabout = iconButton("btnabout", "About", 76, 8);
    btnLoad->setBitmap(artwork::loadProjectGlyph());
    ebtnSave->setBitmap(artwork::saveProjectGlyph());
    btnabout->setBitmap(artwork::aboutGlyph());

    const auto pushButton = [this](const char *name, const char *caption, int x, int context) {
        auto *b = new QPushButton(QString::fromLatin1(caption), pnlButtons);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, 16, 75, 25);
        // Enter on a row button with the focus presses that button; with
        // the focus elsewhere it presses the default button (Next or Finish).
        b->setAutoDefault(true);
        if (context >= 0) {
            b->setProperty(kHelpContext, context);
            b->setWhatsThis(QString::fromLatin1(caption));
            b->installEventFilter(this);
        }
        return b;
    };
    btnHelp = pushButton("btnHelp", "Help", 118, 5);
    btnBack = pushButton("btnBack", "< Back", 214, -1);
    btnNext = pushButton("btnNext", "Next >", 289, -1);
    btnFinish = pushButton("btnFinish", "Finish", 289, -1);
    btnCancel = pushButton("btnCancel", "Cancel", 379, 7);
    btnFinish->hide();
    btnBack->setEnabled(false);

    connect(btnLoad, &TExplorerButton::clicked, this, &TfrmWiz::openProject);
    connect(ebtnSave, &TExplorerButton::clicked, this, &TfrmWiz::saveProject);
    connect(btnabout, &TExplorerButton::clicked, this, &TfrmWiz::rdbAboutClick);
    connect(btnHelp, &QPushButton::clicked, this, &TfrmWiz::btnHelpClick);
    connect(btnBack, &QPushButton::clicked, this, &TfrmWiz::btnBackClick);
    connect(btnNext, &QPushButton::clicked, this, &TfrmWiz::btnNextClick);
    connect(btnFinish, &QPushButton::clicked, this, &TfrmWiz::btnFinishClick);
    // Escape closes the dialog as Cancel does: QDialog::reject.
    connect(btnCancel, &QPushButton::clicked, this, &TfrmWiz::reject);
    addKeyboardShortcuts();
}

/*
** Enter presses the visible one of "Next >" and "Finish" (the default
** button; controls that use Enter themselves keep it) and F1 is the Help
** button. Alt+N, Alt+B and Alt+F press Next, Back and Finish at once
** (shortcuts of the window, not the buttons' own mnemonics, which would
** press them a moment later), only while a user could click the button
** (shown and enabled) and the page on show has no mnemonic on the same
** key: the page's own controls ("ISAPI Ext. &Name:", "I would like to
** &browse database items") win. The button's caption shows its underline
** exactly when the key is the button's.
*/
void TfrmWiz::addKeyboardShortcuts()
{
    btnNext->setDefault(true);
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, btnHelp, &QPushButton::click);
    const std::pair<QPushButton *, QString> mnemonics[] = {{btnNext, QStringLiteral("&Next >")},
                                                           {btnBack, QStringLiteral("< &Back")},
                                                           {btnFinish, QStringLiteral("&Finish")}};
    for (const auto &[button, caption] : mnemonics) {
        auto *s = new QShortcut(QKeySequence::mnemonic(caption), this);
        connect(s, &QShortcut::activated, button, &QPushButton::click);
        m_buttonMnemonics.push_back({s, button, caption});
        button->installEventFilter(this);
    }
    // A page control's mnemonic counts while it is shown and enabled: its
    // changes re-decide which keys the buttons take.
    for (QWidget *w : nbWiz->findChildren<QWidget *>()) {
        if (qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w) || qobject_cast<QGroupBox *>(w))
            w->installEventFilter(this);
    }
    syncButtonShortcuts();
}

namespace {

// Whether a control shown on page answers key as its mnemonic.
bool pageHasMnemonic(const QWidget *page, const QKeySequence &key)
{
    for (const QWidget *w : page->findChildren<QWidget *>()) {
        QString text;
        if (const auto *l = qobject_cast<const QLabel *>(w); l && l->buddy())
            text = l->text();
        else if (const auto *b = qobject_cast<const QAbstractButton *>(w))
            text = b->text();
        else if (const auto *g = qobject_cast<const QGroupBox *>(w))
            text = g->title();
        if (!text.isEmpty() && w->isVisibleTo(page) && w->isEnabled() && QKeySequence::mnemonic(text) == key)
            return true;
    }
    return false;
}

} // namespace

void TfrmWiz::syncButtonShortcuts()
{
    const QWidget *page = nbWiz->currentWidget();
    for (const ButtonMnemonic &m : m_buttonMnemonics) {
        const bool answers = m.button->isVisibleTo(this) && m.button->isEnabled() &&
                             !(page && pageHasMnemonic(page, m.shortcut->key()));
        m.shortcut->setEnabled(answers);
        QString text = m.caption;
        if (!answers)
            text.remove(QLatin1Char('&'));
        if (m.button->text() != text) {
            m.button->setText(text);
            // The underline only shows the key; the window's shortcut presses the button.
            m.button->setShortcut(QKeySequence());
        }
    }
}

void TfrmWiz::FormCreate()
{
    // The help file lies in the install folder that the set-up recorded.
    try {
        readRegistry([this](const platform::Registry &registry) { m_helpFile = installedHelpFile(registry); });
    } catch (const std::exception &) {
        // No user registry at all (no configuration folder): as if nothing
        // were recorded; asking for help then names the file it could not open.
        m_helpFile = QString::fromLatin1(platform::kHelpFileName);
    }
    setWindowTitle(QString::fromLatin1(kWizardCaption));
    m_ctx.dbChanged = false;
    m_ctx.sourceChanged = false;
    nbWiz->setCurrentIndex(0);
    btnNext->setFocus();
}

Page TfrmWiz::currentPage() const
{
    return static_cast<Page>(nbWiz->currentIndex());
}

/*
** The one place the navigation facts are built: the record's fields, then
** what only the pages' controls know (whether an entry of a choice list is
** chosen, which an empty choice's name cannot tell).
*/
NavigationFacts TfrmWiz::facts() const
{
    NavigationFacts f = navigationFacts(project());
    for (const WizardPage *page : m_pages)
        page->addFacts(f);
    return f;
}

void TfrmWiz::readRegistry(const std::function<void(const platform::Registry &)> &read) const
{
    if (m_registry) {
        read(*m_registry);
        return;
    }
    const platform::Registry user;
    read(user);
}

void TfrmWiz::showPage(Page page)
{
    // A field of the page about to be hidden gives the focus to the button
    // row first, so that hiding it does not walk the focus along the tab
    // chain (through the icon buttons and the next page's fields).
    if (QWidget *focused = focusWidget(); focused && nbWiz->currentWidget()->isAncestorOf(focused))
        (btnNext->isVisible() ? btnNext : btnFinish)->setFocus();
    nbWiz->setCurrentIndex(static_cast<int>(page));
}

void TfrmWiz::btnNextClick()
{
    const Page page = currentPage();
    m_pages[static_cast<std::size_t>(page)]->validatePage();
    NavigationFacts f = facts();
    if (const auto failure = checkLeaving(page, f)) {
        m_ctx.error(QString::fromStdString(failure->message));
        if (!failure->focus.empty()) {
            if (auto *w = findChild<QWidget *>(QString::fromStdString(failure->focus)))
                w->setFocus();
        }
        return;
    }
    switch (questionOnLeaving(page, f)) {
    case Question::InsertWithoutInputValues: {
        const auto answer = m_dialogs.messageBox(this, QMessageBox::Question, QStringLiteral("Confirm"),
                                                 QString::fromLatin1(kInsertWithoutInputValuesText),
                                                 QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            showPage(Page::Input);
            pgInput->focusEntry();
        } else {
            showPage(Page::Login);
        }
        return;
    }
    case Question::NoReturnedFields:
        pgFieldSelect->focusEntry();
        if (m_dialogs.messageBox(this, QMessageBox::Information, QStringLiteral("Information"),
                                 QString::fromLatin1(kNoReturnedFieldsText),
                                 QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return;
        break;
    case Question::None:
        if (page == Page::FieldSelect)
            pgFieldSelect->focusEntry();
        break;
    }
    const Page next = nextPage(page, f);
    if (page == Page::DatabaseBR && next == Page::OtherData)
        pgFieldSelect->clearReturnedFields();
    showPage(next);
    btnBack->setEnabled(true);
    prepareArrival(next);
    showNextOrFinish(next);
}

void TfrmWiz::prepareArrival(Page page)
{
    m_pages[static_cast<std::size_t>(page)]->initializePage(project());
}

/*
** The two buttons share one place. The one shown first takes the focus from
** the one about to be hidden, so that hiding never passes the focus along
** the tab chain (to Cancel, where a Space would throw every answer away).
** Arriving at the last page always puts the focus on Finish.
*/
void TfrmWiz::showNextOrFinish(Page page)
{
    const bool last = page == kLastPage;
    QPushButton *shown = last ? btnFinish : btnNext;
    QPushButton *hidden = last ? btnNext : btnFinish;
    const bool hadFocus = hidden->hasFocus();
    shown->setVisible(true);
    shown->setDefault(true);
    if (last || hadFocus)
        shown->setFocus();
    hidden->setDefault(false);
    hidden->setVisible(false);
}

void TfrmWiz::btnBackClick()
{
    const Page previous = previousPage(currentPage(), facts());
    showPage(previous);
    if (previous == Page::Welcome)
        btnBack->setEnabled(false);
    showNextOrFinish(previous);
    focusFirstField(previous);
}

// The focus goes to the page's first control in Tab order that takes it.
void TfrmWiz::focusFirstField(Page page)
{
    WizardPage *shown = m_pages[static_cast<std::size_t>(page)];
    for (QWidget *w = shown->nextInFocusChain(); w && w != shown; w = w->nextInFocusChain()) {
        if (shown->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(shown) &&
            w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void TfrmWiz::nbWizPageChanged(int index)
{
    syncButtonShortcuts();
    switch (static_cast<Page>(index)) {
    case Page::Login:
        pgLogin->focusEntry();
        break;
    case Page::OtherData:
        pgOtherData->focusEntry();
        break;
    case Page::Info:
        pgInfo->showSummary(project());
        break;
    default:
        break;
    }
}

bool TfrmWiz::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::EnabledChange:
        if (auto *w = qobject_cast<QWidget *>(watched); w && (nbWiz->isAncestorOf(w) || w->parent() == pnlButtons))
            syncButtonShortcuts();
        break;
    default:
        break;
    }
    // An icon button with the focus is pressed by Space or Enter.
    if (event->type() == QEvent::KeyPress && qobject_cast<TExplorerButton *>(watched)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            auto *button = static_cast<TExplorerButton *>(watched);
            if (button->isButtonEnabled() && button->isEnabled())
                emit button->clicked();
            return true;
        }
    }
    // Help on a control (the title bar's "?" then a click on a button).
    if (event->type() == QEvent::WhatsThis) {
        const QVariant context = watched->property(kHelpContext);
        if (context.isValid()) {
            showHelp(context.toInt());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmWiz::contextMenuEvent(QContextMenuEvent *event)
{
    m_dialogs.popupMenu(pmVAT, event->globalPos());
}

} // namespace quillon::wizard
