#include "idehost/idemainwindow.h"

#include "idehost/hostmenu.h"
#include "platform/registry.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

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
{
    setObjectName(QStringLiteral("IdeMainWindow"));
    setWindowTitle(QStringLiteral("Quillon IDE"));
    resize(900, 600);
    editor = new QPlainTextEdit(this);
    editor->setObjectName(QStringLiteral("editor"));
    editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor->setFont(QFont(QStringLiteral("Monospace"), 10));
    setCentralWidget(editor);
    auto *dock = new QDockWidget(QStringLiteral("Messages"), this);
    messages = new QListWidget(dock);
    messages->setObjectName(QStringLiteral("messages"));
    dock->setWidget(messages);
    addDockWidget(Qt::BottomDockWidgetArea, dock);
    buildMenus();
}

IdeMainWindow::~IdeMainWindow()
{
    // The experts' windows are children of this one and go with it; the
    // libraries themselves stay loaded until the program ends.
    for (TIExpert *e : m_experts)
        e->Release();
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
            menu->addAction(QStringLiteral("&Close Project"), this, &IdeMainWindow::closeProject)
                ->setObjectName(QStringLiteral("FileCloseItem"));
            menu->addSeparator();
            menu->addAction(QStringLiteral("E&xit"), this, &QWidget::close)->setObjectName(QStringLiteral("FileExitItem"));
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
        return false;
    }
    TExpertTerminateProc terminate = nullptr;
    g_registering = this;
    const bool ok = entry(m_services, &registerExpert, &terminate);
    g_registering = nullptr;
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
    if (!key)
        return;
    for (const std::string &name : key->valueNames())
        if (const auto path = key->readString(name))
            loadExpert(QString::fromStdString(name), QString::fromStdString(*path));
}

void IdeMainWindow::closeProject()
{
    m_calls << QStringLiteral("ide closeproject");
    m_projectPath.clear();
    editor->clear();
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
    m_calls << QStringLiteral("ide openprojectinfo %1 -> %2").arg(path, ok ? "true" : "false");
    return ok;
}

void IdeMainWindow::openProject(const QString &path)
{
    m_calls << QStringLiteral("ide openproject ") + path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        message(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
        return;
    }
    m_projectPath = path;
    editor->setPlainText(QString::fromLatin1(file.readAll()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    setWindowTitle(QStringLiteral("Quillon IDE - ") + QFileInfo(path).fileName());
}

void IdeMainWindow::reportError(const QString &text)
{
    m_calls << QStringLiteral("ide error ") + text;
    message(text);
}

} // namespace quillon::idehost
