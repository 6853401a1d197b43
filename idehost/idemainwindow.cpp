#include "idehost/idemainwindow.h"

#include "idehost/buildpanel.h"
#include "idehost/hostmenu.h"
#include "idehost/projectbuild.h"
#include "platform/atomicfile.h"
#include "platform/installlayout.h"
#include "platform/registry.h"

#include <Qsci/qscilexerpascal.h>
#include <Qsci/qsciscintilla.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QRegularExpression>
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
{
    setObjectName(QStringLiteral("IdeMainWindow"));
    setWindowTitle(QStringLiteral("Quillon IDE"));
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
    editor->setCaretLineVisible(true);
    editor->setAutoIndent(true);
    editor->setReadOnly(true); // until a project is open
    setCentralWidget(editor);
    auto *dock = new QDockWidget(QStringLiteral("Messages"), this);
    messages = new QListWidget(dock);
    messages->setObjectName(QStringLiteral("messages"));
    dock->setWidget(messages);
    addDockWidget(Qt::BottomDockWidgetArea, dock);
    m_buildDock = new QDockWidget(QStringLiteral("Build"), this);
    m_buildDock->setObjectName(QStringLiteral("buildDock"));
    buildPanel = new BuildPanel(*m_build, m_buildDock);
    m_buildDock->setWidget(buildPanel);
    addDockWidget(Qt::BottomDockWidgetArea, m_buildDock);
    tabifyDockWidget(dock, m_buildDock);
    dock->raise();
    resizeDocks({dock}, {150}, Qt::Vertical);
    connect(buildPanel, &BuildPanel::gotoLine, this, [this](const QString &file, int line, int column) {
        if (QFileInfo(file).fileName() == QFileInfo(m_projectPath).fileName())
            goToLine(line, column);
        else
            message(QStringLiteral("%1 is not the open project").arg(file));
    });
    buildMenus();
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
}

TIToolServices &IdeMainWindow::toolServices()
{
    return *m_services;
}

void IdeMainWindow::buildMenus()
{
    const char *menus[][2] = {{"&File", "FileMenu"},       {"&Edit", "EditMenu"},        {"&Search", "SearchMenu"},
                              {"&View", "ViewMenu"},       {"&Project", "ProjectMenu"},  {"&Run", "RunMenu"},
                              {"&Component", "ComponentMenu"}, {"&Database", "DatabaseMenu"}, {"&Tools", "ToolsItem"},
                              {"&Help", "HelpMenu"}};
    for (const auto &m : menus) {
        QMenu *menu = menuBar()->addMenu(QString::fromLatin1(m[0]));
        menu->menuAction()->setObjectName(QString::fromLatin1(m[1]));
        if (qstrcmp(m[1], "FileMenu") == 0) {
            QAction *newItem = menu->addAction(QStringLiteral("&New..."), this, &IdeMainWindow::showGallery);
            newItem->setObjectName(QStringLiteral("FileNewItem"));
            QAction *save = menu->addAction(QStringLiteral("&Save"), this, &IdeMainWindow::saveProject);
            save->setObjectName(QStringLiteral("FileSaveItem"));
            save->setShortcut(QKeySequence::Save);
            menu->addAction(QStringLiteral("&Close Project"), this, &IdeMainWindow::closeProject)
                ->setObjectName(QStringLiteral("FileCloseItem"));
            menu->addSeparator();
            menu->addAction(QStringLiteral("E&xit"), this, &QWidget::close)->setObjectName(QStringLiteral("FileExitItem"));
        } else if (qstrcmp(m[1], "ProjectMenu") == 0) {
            QAction *compile = menu->addAction(QStringLiteral("&Compile"), this, &IdeMainWindow::compileProject);
            compile->setObjectName(QStringLiteral("ProjectCompileItem"));
            compile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F9));
        } else if (qstrcmp(m[1], "RunMenu") == 0) {
            QAction *run = menu->addAction(QStringLiteral("&Run"), this, &IdeMainWindow::runProject);
            run->setObjectName(QStringLiteral("RunRunItem"));
            run->setShortcut(QKeySequence(Qt::Key_F9));
        }
    }
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
    TExpertTerminateProc terminate = nullptr;
    g_registering = this;
    const bool ok = entry(m_services, &registerExpert, &terminate);
    g_registering = nullptr;
    m_entered.push_back(handle);
    if (terminate)
        m_terminates.push_back(terminate);
    if (!ok)
        message(QStringLiteral("Expert %1: %2 failed to start").arg(name, libraryPath));
    return ok;
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

void IdeMainWindow::closeProject()
{
    record(QStringLiteral("ide closeproject"));
    m_projectPath.clear();
    editor->setReadOnly(false);
    editor->clear();
    editor->setModified(false);
    editor->setReadOnly(true);
    setWindowTitle(QStringLiteral("Quillon IDE"));
}

// A readable Pascal project source: its first word is "library" or "program".
bool IdeMainWindow::openProjectInfo(const QString &path)
{
    QFile file(path);
    bool ok = false;
    if (file.open(QIODevice::ReadOnly)) {
        static const QRegularExpression head(QStringLiteral("^\\s*(library|program)\\b"),
                                             QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
        ok = head.match(QString::fromLatin1(file.read(64 * 1024))).hasMatch();
    }
    record(QStringLiteral("ide openprojectinfo %1 -> %2").arg(path, ok ? "true" : "false"));
    return ok;
}

void IdeMainWindow::openProject(const QString &path)
{
    record(QStringLiteral("ide openproject ") + path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        message(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
        return;
    }
    m_projectPath = path;
    // The bytes as they are: the editor shows 8-bit text as Latin-1 and
    // keeps the file's CR LF line ends.
    editor->setReadOnly(false);
    editor->setText(QString::fromLatin1(file.readAll()));
    editor->setModified(false);
    setWindowTitle(QStringLiteral("Quillon IDE - ") + QFileInfo(path).fileName());
}

bool IdeMainWindow::saveProject()
{
    if (m_projectPath.isEmpty()) {
        message(QStringLiteral("No project is open."));
        return false;
    }
    if (!editor->isModified())
        return true;
    try {
        const QByteArray bytes = editor->text().toLatin1();
        platform::writeFileAtomically(QFile::encodeName(m_projectPath).toStdString(),
                                      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } catch (const std::exception &e) {
        message(QString::fromLocal8Bit(e.what()));
        return false;
    }
    editor->setModified(false);
    return true;
}

// Both build commands work on the saved file and start from an empty panel.
bool IdeMainWindow::prepareBuild()
{
    if (!saveProject())
        return false;
    buildPanel->clear();
    m_buildDock->raise();
    return true;
}

bool IdeMainWindow::compileProject()
{
    if (!prepareBuild())
        return false;
    const bool ok = m_build->compile(m_projectPath);
    message(ok ? QStringLiteral("Compiled %1 into %2").arg(m_projectPath, ProjectBuild::libraryFor(m_projectPath))
               : m_build->failure());
    return ok;
}

bool IdeMainWindow::runProject()
{
    if (!prepareBuild())
        return false;
    const bool ok = m_build->run(m_projectPath, buildPanel->edRequest->text());
    buildPanel->showRunResult(ok);
    if (!ok)
        message(m_build->failure());
    return ok;
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
