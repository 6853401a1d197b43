/*
** The main window's menus and tool bar. The menu bar keeps the IDE's ten
** top-level menus in their order, so that an expert inserting at an index
** lands where it expects ("Qu&illon" at 9, between Tools and Help); a menu
** without items is kept in its place but hidden, and shows itself as soon
** as an expert adds an item to it.
*/
#include "idehost/idemainwindow.h"

#include "idehost/findbar.h"
#include "idehost/idehelp.h"
#include "platform/registry.h"
#include "wizard/aboutbox.h"
#include "wizard/dialogservice.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

#include <iterator>

namespace quillon::idehost {

namespace {

// Shows a top-level menu exactly when it has an item.
class HideWhenEmpty final : public QObject
{
public:
    using QObject::QObject;
    static void follow(QMenu *menu)
    {
        menu->installEventFilter(new HideWhenEmpty(menu));
        update(menu);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved)
            update(static_cast<QMenu *>(watched));
        return false;
    }

private:
    static void update(QMenu *menu) { menu->menuAction()->setVisible(!menu->actions().isEmpty()); }
};

QAction *addItem(QMenu *menu, const char *caption, const char *name, const QKeySequence &shortcut = {})
{
    QAction *a = menu->addAction(QString::fromLatin1(caption));
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(shortcut);
    return a;
}

} // namespace

void IdeMainWindow::buildMenus()
{
    const char *names[][2] = {{"&File", "FileMenu"},         {"&Edit", "EditMenu"},         {"&Search", "SearchMenu"},
                              {"&View", "ViewMenu"},         {"&Project", "ProjectMenu"},   {"&Run", "RunMenu"},
                              {"&Component", "ComponentMenu"}, {"&Database", "DatabaseMenu"}, {"&Tools", "ToolsItem"},
                              {"&Help", "HelpMenu"}};
    QMenu *menus[std::size(names)];
    for (std::size_t i = 0; i < std::size(names); ++i) {
        menus[i] = menuBar()->addMenu(QString::fromLatin1(names[i][0]));
        menus[i]->menuAction()->setObjectName(QString::fromLatin1(names[i][1]));
    }
    QMenu *file = menus[0], *view = menus[3], *project = menus[4], *run = menus[5], *help = menus[9];

    connect(addItem(file, "&New...", "FileNewItem"), &QAction::triggered, this, &IdeMainWindow::showGallery);
    connect(addItem(file, "&Open...", "FileOpenItem", QKeySequence::Open), &QAction::triggered, this,
            &IdeMainWindow::openProjectClick);
    connect(addItem(file, "&Save", "FileSaveItem", QKeySequence::Save), &QAction::triggered, this,
            &IdeMainWindow::saveProject);
    connect(addItem(file, "&Close Project", "FileCloseItem"), &QAction::triggered, this, &IdeMainWindow::closeProject);
    file->addSeparator();
    connect(addItem(file, "E&xit", "FileExitItem"), &QAction::triggered, this, &QWidget::close);

    buildEditMenus(menus[1], menus[2]);

    view->addAction(m_viewMessages);
    view->addAction(m_viewBuild);

    QAction *compile = addItem(project, "&Compile", "ProjectCompileItem", QKeySequence(Qt::CTRL | Qt::Key_F9));
    connect(compile, &QAction::triggered, this, &IdeMainWindow::compileProject);
    QAction *runItem = addItem(run, "&Run", "RunRunItem", QKeySequence(Qt::Key_F9));
    connect(runItem, &QAction::triggered, this, &IdeMainWindow::runProject);

    connect(addItem(help, "&Contents", "HelpContentsItem", QKeySequence::HelpContents), &QAction::triggered, this,
            &IdeMainWindow::showHelpContents);
    connect(addItem(help, "&About...", "HelpAboutItem"), &QAction::triggered, this, &IdeMainWindow::showAbout);

    for (QMenu *menu : menus)
        HideWhenEmpty::follow(menu);

    QToolBar *tools = addToolBar(QStringLiteral("Build"));
    tools->setObjectName(QStringLiteral("buildToolBar"));
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    compile->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    runItem->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    tools->addAction(compile);
    tools->addAction(runItem);
    // Nothing to build until a project is open (showProject).
    m_compileAction = compile;
    m_runAction = runItem;
    compile->setEnabled(false);
    runItem->setEnabled(false);
}

// The editor's own commands, enabled as they apply.
void IdeMainWindow::buildEditMenus(QMenu *edit, QMenu *search)
{
    QAction *undo = addItem(edit, "&Undo", "EditUndoItem", QKeySequence::Undo);
    QAction *redo = addItem(edit, "&Redo", "EditRedoItem", QKeySequence::Redo);
    edit->addSeparator();
    QAction *cut = addItem(edit, "Cu&t", "EditCutItem", QKeySequence::Cut);
    QAction *copy = addItem(edit, "&Copy", "EditCopyItem", QKeySequence::Copy);
    QAction *paste = addItem(edit, "&Paste", "EditPasteItem", QKeySequence::Paste);
    edit->addSeparator();
    QAction *all = addItem(edit, "Select &All", "EditSelectAllItem", QKeySequence::SelectAll);
    connect(undo, &QAction::triggered, editor, &QsciScintilla::undo);
    connect(redo, &QAction::triggered, editor, &QsciScintilla::redo);
    connect(cut, &QAction::triggered, editor, &QsciScintilla::cut);
    connect(copy, &QAction::triggered, editor, &QsciScintilla::copy);
    connect(paste, &QAction::triggered, editor, &QsciScintilla::paste);
    connect(all, &QAction::triggered, editor, [this] { editor->selectAll(true); });
    // The shortcuts belong to the editor: in the request field or the find
    // bar, Ctrl+C and Ctrl+V copy and paste there.
    for (QAction *a : {undo, redo, cut, copy, paste, all})
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    for (QAction *a : {undo, redo, cut, copy, paste, all})
        editor->addAction(a);
    connect(edit, &QMenu::aboutToShow, this, [=, this] {
        const bool writable = !editor->isReadOnly();
        undo->setEnabled(writable && editor->isUndoAvailable());
        redo->setEnabled(writable && editor->isRedoAvailable());
        cut->setEnabled(writable && editor->hasSelectedText());
        copy->setEnabled(editor->hasSelectedText());
        paste->setEnabled(writable);
        all->setEnabled(!m_projectPath.isEmpty());
    });
    // Leaving the menu enables everything again, so that the shortcuts
    // reach the editor; it ignores what does not apply.
    connect(edit, &QMenu::aboutToHide, this, [=] {
        for (QAction *a : {undo, redo, cut, copy, paste, all})
            a->setEnabled(true);
    });

    QAction *find = addItem(search, "&Find...", "SearchFindItem", QKeySequence::Find);
    QAction *next = addItem(search, "Find &Next", "SearchFindNextItem", QKeySequence::FindNext);
    QAction *replace = addItem(search, "&Replace...", "SearchReplaceItem", QKeySequence::Replace);
    connect(find, &QAction::triggered, this, [this] {
        if (!m_projectPath.isEmpty())
            m_findBar->start(false);
    });
    connect(next, &QAction::triggered, this, [this] {
        if (!m_projectPath.isEmpty() && !m_findBar->findNext())
            m_findBar->start(false);
    });
    connect(replace, &QAction::triggered, this, [this] {
        if (!m_projectPath.isEmpty() && !editor->isReadOnly())
            m_findBar->start(true);
    });
}

void IdeMainWindow::showHelpContents()
{
    const QString file = IdeHelp::installedHelpFile(platform::Registry());
    try {
        m_help->showContents(file, this);
    } catch (const std::exception &e) {
        dialogs().messageBox(this, QMessageBox::Critical, QStringLiteral("Quillon IDE"), QString::fromLocal8Bit(e.what()),
                             QMessageBox::Ok);
    }
}

void IdeMainWindow::showAbout()
{
    TAboutBox about(this);
    about.exec();
}

} // namespace quillon::idehost
