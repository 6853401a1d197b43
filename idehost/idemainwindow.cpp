#include "idehost/idemainwindow.h"

#include "idehost/buildpanel.h"
#include "idehost/findbar.h"
#include "idehost/hostmenu.h"
#include "idehost/idehelp.h"
#include "idehost/projectbuild.h"
#include "idehost/startpage.h"
#include "platform/installlayout.h"
#include "platform/registry.h"
#include "wizard/dialogservice.h"

#include <Qsci/qscilexerpascal.h>
#include <Qsci/qsciscintilla.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include <dlfcn.h>

namespace quillon::idehost {

using namespace quillon::expert;

namespace {

constexpr char kExpertsKey[] = "Software\\Borland\\Delphi\\2.0\\Experts";

IdeMainWindow *g_registering = nullptr; // the window whose experts are being entered

} // namespace

class IdeMainWindow::Services final : public TIToolServices
{
public:
    explicit Services(IdeMainWindow &window)
        : TIToolServices(&TInterface::deleteAs<Services>)
        , m_window(window)
    {}
    bool CloseProject() override
    {
        m_window.closeProject();
        return true;
    }
    bool OpenProject(const char *path) override
    {
        m_window.openProject(QString::fromLocal8Bit(path));
        return true;
    }
    bool OpenProjectInfo(const char *path) override { return m_window.openProjectInfo(QString::fromLocal8Bit(path)); }
    void *GetParentHandle() override { return &m_window; }
    TIMainMenuIntf *GetMainMenu() override { return new HostMainMenu(m_window.menuBar(), m_window.m_calls); }
    void RaiseException(const char *message) override { m_window.reportError(QString::fromLocal8Bit(message)); }

private:
    IdeMainWindow &m_window;
};

IdeMainWindow::IdeMainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_services(new Services(*this))
    , m_build(new ProjectBuild(this))
    , m_help(new IdeHelp)
{
    setObjectName(QStringLiteral("IdeMainWindow"));
    resize(900, 600);
    editor = new QsciScintilla(this);
    editor->setObjectName(QStringLiteral("editor"));
    const QFont font(QStringLiteral("Liberation Mono"), 10);
    auto *lexer = new QsciLexerPascal(editor);
    lexer->setDefaultFont(font);
    lexer->setFont(font);
    editor->setLexer(lexer);
    editor->setUtf8(false); // project sources are 8-bit text
    editor->setEolMode(QsciScintilla::EolWindows);
    editor->setMarginType(0, QsciScintilla::NumberMargin);
    editor->setMarginWidth(0, QStringLiteral("00000"));
    editor->setMarginsFont(font);
    editor->setFolding(QsciScintilla::BoxedTreeFoldStyle);
    editor->setBraceMatching(QsciScintilla::SloppyBraceMatch);
    // The current line is marked quietly: the editor's background with a
    // tenth of the palette's highlight colour mixed in.
    editor->setCaretLineVisible(true);
    const QColor base = palette().color(QPalette::Base), mark = palette().color(QPalette::Highlight);
    editor->setCaretLineBackgroundColor(QColor((base.red() * 9 + mark.red()) / 10, (base.green() * 9 + mark.green()) / 10,
                                               (base.blue() * 9 + mark.blue()) / 10));
    editor->setAutoIndent(true);
    editor->setReadOnly(true); // until a project is open

    m_findBar = new FindBar(*editor, this);
    auto *editorPage = new QWidget(this);
    auto *editorLayout = new QVBoxLayout(editorPage);
    editorLayout->setContentsMargins(0, 0, 0, 0);
    editorLayout->setSpacing(0);
    editorLayout->addWidget(m_findBar);
    editorLayout->addWidget(editor);
    editorTabs = new QTabWidget(this);
    editorTabs->setObjectName(QStringLiteral("editorTabs"));
    editorTabs->setDocumentMode(true);
    editorTabs->addTab(editorPage, QString());
    startPage = new StartPage(this);
    m_centre = new QStackedWidget(this);
    m_centre->addWidget(startPage);
    m_centre->addWidget(editorTabs);

    buildPanels();
    mainSplitter = new QSplitter(Qt::Vertical, this);
    mainSplitter->setObjectName(QStringLiteral("mainSplitter"));
    mainSplitter->addWidget(m_centre);
    mainSplitter->addWidget(panels);
    mainSplitter->setStretchFactor(0, 3);
    mainSplitter->setStretchFactor(1, 1);
    mainSplitter->setChildrenCollapsible(false);
    mainSplitter->setSizes({420, 150});
    setCentralWidget(mainSplitter);

    caretPosition = new QLabel(this);
    caretPosition->setObjectName(QStringLiteral("caretPosition"));
    buildState = new QLabel(this);
    buildState->setObjectName(QStringLiteral("buildState"));
    statusBar()->addPermanentWidget(buildState);
    statusBar()->addPermanentWidget(caretPosition);
    connect(editor, &QsciScintilla::cursorPositionChanged, this, [this](int line, int index) {
        caretPosition->setText(QStringLiteral("Line %1, Col %2").arg(line + 1).arg(index + 1));
    });
    connect(editor, &QsciScintilla::modificationChanged, this, [this](bool modified) {
        if (m_projectPath.isEmpty())
            return; // the editor is being filled or emptied
        setWindowModified(modified);
        editorTabs->setTabText(0, QFileInfo(m_projectPath).fileName() + (modified ? QStringLiteral("*") : QString()));
    });
    connect(buildPanel, &BuildPanel::runRequested, this, [this] {
        if (m_runAction && m_runAction->isEnabled())
            runProject();
    });
    connect(buildPanel, &BuildPanel::gotoLine, this, [this](const QString &file, int line, int column) {
        if (QFileInfo(file).fileName() == QFileInfo(m_projectPath).fileName())
            goToLine(line, column);
        else
            message(QStringLiteral("%1 is not the open project").arg(file));
    });
    connect(startPage, &StartPage::newClicked, this, &IdeMainWindow::newWebApplication);
    connect(startPage, &StartPage::loadClicked, this, &IdeMainWindow::loadWebProject);
    connect(startPage, &StartPage::recentChosen, this, &IdeMainWindow::openRecentProject);
    buildMenus();
    showProject(false);
}

IdeMainWindow::~IdeMainWindow()
{
    // The experts' windows are children of this one and go with it; the
    // libraries themselves stay loaded until the program ends.
    for (TIExpert *e : m_experts)
        e->Release();
    // A library that asked to hear of the end is told, last first, while the
    // tool services are still there.
    for (auto it = m_terminates.rbegin(); it != m_terminates.rend(); ++it)
        (*it)();
    m_services->Release();
    delete m_help;
}

/*
** The Messages and Build panels are the tabs below the editor; closing a
** tab hides its panel, and the View menu brings it back.
*/
void IdeMainWindow::buildPanels()
{
    panels = new QTabWidget(this);
    panels->setObjectName(QStringLiteral("panels"));
    panels->setTabsClosable(true);
    panels->setDocumentMode(true);
    messages = new QListWidget(panels);
    messages->setObjectName(QStringLiteral("messages"));
    buildPanel = new BuildPanel(*m_build, panels);
    m_viewMessages = new QAction(QStringLiteral("&Messages"), this);
    m_viewMessages->setObjectName(QStringLiteral("ViewMessagesItem"));
    m_viewBuild = new QAction(QStringLiteral("&Build"), this);
    m_viewBuild->setObjectName(QStringLiteral("ViewBuildItem"));
    for (QAction *a : {m_viewMessages, m_viewBuild}) {
        a->setCheckable(true);
        a->setChecked(true);
        connect(a, &QAction::toggled, this, [this, a](bool on) { showPanel(a == m_viewBuild ? static_cast<QWidget *>(buildPanel) : messages, on);
        });
    }
    panels->addTab(messages, QStringLiteral("Messages"));
    panels->addTab(buildPanel, QStringLiteral("Build"));
    connect(panels, &QTabWidget::tabCloseRequested, this, [this](int index) {
        (panels->widget(index) == buildPanel ? m_viewBuild : m_viewMessages)->setChecked(false);
    });
}

// Messages stays the first tab, Build the second; with neither the area goes.
void IdeMainWindow::showPanel(QWidget *panel, bool shown)
{
    const int at = panels->indexOf(panel);
    if (shown && at < 0) {
        if (panel == messages)
            panels->insertTab(0, messages, QStringLiteral("Messages"));
        else
            panels->addTab(buildPanel, QStringLiteral("Build"));
    } else if (!shown && at >= 0) {
        panels->removeTab(at);
    }
    (panel == buildPanel ? m_viewBuild : m_viewMessages)->setChecked(shown);
    if (shown)
        panels->setCurrentWidget(panel);
    panels->setVisible(panels->count() > 0);
}

TIToolServices &IdeMainWindow::toolServices()
{
    return *m_services;
}

/*
** File > New: the "Projects" page of the gallery lists every registered
** expert of that page with its name, comment and glyph; choosing one runs
** its execute operation.
*/
void IdeMainWindow::showGallery()
{
    QDialog gallery(this);
    gallery.setObjectName(QStringLiteral("Gallery"));
    gallery.setWindowTitle(QStringLiteral("New Items - Projects"));
    auto *list = new QListWidget(&gallery);
    list->setObjectName(QStringLiteral("Projects"));
    for (TIExpert *e : m_experts) {
        if (qstrcmp(e->GetPage(), "Projects") != 0)
            continue;
        auto *row = new QListWidgetItem(QString::fromLatin1(e->GetName()), list);
        if (const QIcon *glyph = e->GetGlyph())
            row->setIcon(*glyph);
        row->setToolTip(QString::fromLatin1(e->GetComment()));
        row->setData(Qt::UserRole, QVariant::fromValue(static_cast<void *>(e)));
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &gallery);
    connect(buttons, &QDialogButtonBox::accepted, &gallery, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &gallery, &QDialog::reject);
    connect(list, &QListWidget::itemActivated, &gallery, &QDialog::accept);
    auto *layout = new QVBoxLayout(&gallery);
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (gallery.exec() != QDialog::Accepted || !list->currentItem())
        return;
    static_cast<TIExpert *>(list->currentItem()->data(Qt::UserRole).value<void *>())->Execute();
}

void IdeMainWindow::message(const QString &text)
{
    messages->addItem(text);
}

bool registerExpert(TIExpert *expert)
{
    if (!g_registering || !expert)
        return false;
    expert->AddRef();
    g_registering->m_experts.push_back(expert);
    return true;
}

bool IdeMainWindow::loadExpert(const QString &name, const QString &libraryPath)
{
    void *handle = dlopen(QFile::encodeName(libraryPath).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        message(QStringLiteral("Expert %1: cannot load %2: %3").arg(name, libraryPath, QString::fromLocal8Bit(dlerror())));
        return false;
    }
    auto entry = reinterpret_cast<TInitExpertProc>(dlsym(handle, kExpertEntryName));
    if (!entry) {
        message(QStringLiteral("Expert %1: %2 has no entry %3").arg(name, libraryPath, QLatin1String(kExpertEntryName)));
        dlclose(handle);
        return false;
    }
    // The same library listed twice (under two names, or in the registry and
    // on the command line) is one module: entering it again would build a
    // second menu and a second WebBar over the first.
    if (std::find(m_entered.begin(), m_entered.end(), handle) != m_entered.end()) {
        message(QStringLiteral("Expert %1: %2 is already loaded").arg(name, libraryPath));
        dlclose(handle);
        return true;
    }
    if (auto offer = reinterpret_cast<THostServicesProc>(dlsym(handle, kHostServicesEntryName)))
        offer(m_expertDialogs, m_expertHelp);
    TExpertTerminateProc terminate = nullptr;
    g_registering = this;
    const bool ok = entry(m_services, &registerExpert, &terminate);
    g_registering = nullptr;
    m_entered.push_back(handle);
    if (terminate)
        m_terminates.push_back(terminate);
    if (!ok)
        message(QStringLiteral("Expert %1: %2 failed to start").arg(name, libraryPath));
    updateStartPage();
    // A bar shown again later (Quillon > Show WebBar) is kept off the editor too.
    for (QWidget *bar : findChildren<QWidget *>(QStringLiteral("frmWebBar")))
        bar->installEventFilter(this);
    keepToolBarsOffEditor();
    return ok;
}

void IdeMainWindow::offerExpertServices(wizard::DialogService *dialogs, wizard::HelpSystem *help)
{
    m_expertDialogs = dialogs;
    m_expertHelp = help;
    for (void *handle : m_entered)
        if (auto offer = reinterpret_cast<THostServicesProc>(dlsym(handle, kHostServicesEntryName)))
            offer(dialogs, help);
}

void IdeMainWindow::loadRegisteredExperts()
{
    std::optional<platform::RegistryKey> key;
    try {
        key = platform::Registry().openKey(platform::Hive::CurrentUser, kExpertsKey);
    } catch (const std::exception &e) {
        message(QStringLiteral("Cannot read the list of experts: ") + QString::fromLocal8Bit(e.what()));
        return;
    }
    if (!key) {
        // Nothing registered: an installed host loads the expert installed with it.
        if (const auto &layout = platform::installedLayout())
            loadExpert(QString::fromLatin1(platform::kPackagedExpertName), QString::fromStdString(layout->expertLibrary()));
        return;
    }
    for (const std::string &name : key->valueNames())
        if (const auto path = key->readString(name))
            loadExpert(QString::fromStdString(name), QString::fromStdString(*path));
}

void IdeMainWindow::record(const QString &line)
{
    m_calls << line;
    emit called(line);
}

wizard::DialogService &IdeMainWindow::dialogs()
{
    static wizard::QtDialogs qtDialogs;
    return m_dialogs ? *m_dialogs : qtDialogs;
}

// Both build commands work on the saved file and start from an empty panel.
bool IdeMainWindow::prepareBuild()
{
    if (!saveProject())
        return false;
    buildPanel->clear();
    showPanel(buildPanel, true);
    return true;
}

bool IdeMainWindow::compileProject()
{
    if (!prepareBuild())
        return false;
    const bool ok = m_build->compile(m_projectPath);
    message(ok ? QStringLiteral("Compiled %1 into %2").arg(m_projectPath, ProjectBuild::libraryFor(m_projectPath))
               : m_build->failure());
    buildState->setText(ok ? QStringLiteral("Compiled") : QStringLiteral("Compile failed"));
    return ok;
}

bool IdeMainWindow::runProject()
{
    if (!prepareBuild())
        return false;
    const bool ok = m_build->run(m_projectPath, buildPanel->request());
    buildPanel->showRunResult(ok);
    if (!ok)
        message(m_build->failure());
    buildState->setText(ok ? QStringLiteral("Run: ") + m_build->statusLine() : QStringLiteral("Run failed"));
    return ok;
}

/*
** An expert's floating tool window (the WebBar) never covers the editor or
** the panels below it: whenever the main window is shown, moved, resized,
** maximized or given an expert, and whenever the bar is shown, a floating
** bar that overlaps that work area goes to the free end of the menu bar,
** where the bar "floats beside" the expert's menu. A bar elsewhere stays
** where its user put it.
** The move waits for the window's new geometry (a maximize settles after
** the event).
*/
void IdeMainWindow::keepToolBarsOffEditor()
{
    QTimer::singleShot(0, this, [this] {
        const QWidget *work = centralWidget();
        const QRect centre(work->mapToGlobal(QPoint(0, 0)), work->size());
        const QPoint barEnd = menuBar()->mapToGlobal(QPoint(menuBar()->width(), 0));
        for (QWidget *bar : findChildren<QWidget *>(QStringLiteral("frmWebBar"))) {
            if (bar->isVisible() && bar->isWindow() && bar->frameGeometry().intersects(centre))
                bar->move(barEnd.x() - bar->frameGeometry().width() - 4, barEnd.y());
        }
    });
}

bool IdeMainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("frmWebBar"))
        keepToolBarsOffEditor();
    return QMainWindow::eventFilter(watched, event);
}

void IdeMainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    keepToolBarsOffEditor();
}

void IdeMainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    keepToolBarsOffEditor();
}

void IdeMainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    keepToolBarsOffEditor();
}

void IdeMainWindow::goToLine(int line, int column)
{
    editor->setCursorPosition(std::max(line - 1, 0), std::max(column - 1, 0));
    editor->ensureLineVisible(std::max(line - 1, 0));
    editor->setFocus();
}

void IdeMainWindow::reportError(const QString &text)
{
    record(QStringLiteral("ide error ") + text);
    message(text);
}

} // namespace quillon::idehost
