#include "idehost/hostscript.h"

#include "expert/ideintf.h"
#include "idehost/idehelp.h"
#include "idehost/idemainwindow.h"
#include "idehost/projectbuild.h"
#include "wizard/scriptdriver.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTest>
#include <QTimer>

namespace quillon::idehost {

namespace {

// The item reached by captions joined with "/", from the menu bar down.
QAction *menuItem(QMenuBar *bar, const QString &path)
{
    QList<QAction *> actions = bar->actions();
    QAction *found = nullptr;
    for (const QString &caption : path.split(QLatin1Char('/'))) {
        found = nullptr;
        for (QAction *a : actions) {
            if (!a->isSeparator() && a->text() == caption) {
                found = a;
                break;
            }
        }
        if (!found)
            return nullptr;
        actions = found->menu() ? found->menu()->actions() : QList<QAction *>();
    }
    return found;
}

} // namespace

HostScript::HostScript(IdeMainWindow &window, wizard::ScriptedDialogs::Sink sink)
    : m_window(window)
    , m_sink(sink)
    , m_dialogs(sink)
{
    window.setDialogs(&m_dialogs);
    window.help().setReport(sink);
    window.offerExpertServices(&m_dialogs, &window.help());
    const auto forward = [this](const QString &line) { m_sink(line); };
    m_calls = QObject::connect(&window, &IdeMainWindow::called, &window, forward);
    m_reports = QObject::connect(&window.build(), &ProjectBuild::report, &window, forward);
}

HostScript::~HostScript()
{
    QObject::disconnect(m_calls);
    QObject::disconnect(m_reports);
    m_window.offerExpertServices(nullptr, nullptr);
    m_window.help().setReport({});
    m_window.setDialogs(nullptr);
}

int HostScript::run(QStringList lines, const QString &screenshotDir)
{
    wizard::ScriptDriver driver(std::move(lines), m_window, m_dialogs, m_sink, screenshotDir);
    QMenuBar *bar = m_window.menuBar();
    driver.addCommand(QStringLiteral("menu"), [bar](const QString &path) {
        QAction *item = menuItem(bar, path);
        if (!item || item->menu())
            return QStringLiteral("no menu item %1").arg(path);
        if (!item->isEnabled())
            return QStringLiteral("the menu item %1 is disabled").arg(path);
        item->trigger();
        return QString();
    });
    driver.addCommand(QStringLiteral("gallery"), [this, &driver](const QString &name) {
        QAction *newItem = m_window.findChild<QAction *>(QStringLiteral("FileNewItem"));
        if (!newItem)
            return QStringLiteral("the host has no File > New");
        // The gallery is answered here; the window that choosing opens takes
        // the next lines.
        driver.setHandoverBlocked(true);
        QTimer::singleShot(0, &m_window, [&driver, name] {
            driver.setHandoverBlocked(false);
            auto *gallery = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            auto *page = gallery ? gallery->findChild<QListWidget *>(QStringLiteral("Projects")) : nullptr;
            if (!page) {
                driver.failCurrent(QStringLiteral("the gallery did not open"));
                return;
            }
            const QList<QListWidgetItem *> found = page->findItems(name, Qt::MatchExactly);
            if (found.isEmpty()) {
                gallery->reject();
                driver.failCurrent(QStringLiteral("the gallery has no item \"%1\"").arg(name));
                return;
            }
            page->setCurrentItem(found.first());
            gallery->accept();
        });
        newItem->trigger();
        driver.setHandoverBlocked(false);
        return QString();
    });
    driver.addCommand(QStringLiteral("type editor"), [this](const QString &text) { return typeInEditor(text); });
    driver.addCommand(QStringLiteral("close ide"), [this](const QString &) {
        // As the close box: the window is asked, and may stay.
        m_window.close();
        return QString();
    });
    driver.addCommand(QStringLiteral("desktop"), [bar](const QString &text) {
        const qsizetype sp = text.indexOf(QLatin1Char(' '));
        const QString file = sp < 0 ? text : text.left(sp);
        QMenu *menu = nullptr;
        if (sp >= 0) {
            const QString path = text.mid(sp + 1);
            QAction *item = menuItem(bar, path);
            menu = item ? item->menu() : nullptr;
            if (!menu)
                return QStringLiteral("no menu %1").arg(path);
            const QRect at = bar->actionGeometry(item);
            menu->popup(bar->mapToGlobal(at.bottomLeft()));
        }
        const bool saved = saveDesktopPicture(file);
        if (menu)
            menu->hide();
        return saved ? QString() : QStringLiteral("cannot write the picture %1").arg(file);
    });
    return driver.run();
}

/*
** Key presses into the editor, one a character, as a user types: the text
** goes in at the caret, a line end is a Return (with the editor's auto
** indent), and the undo history and the modified mark follow.
*/
QString HostScript::typeInEditor(const QString &text)
{
    auto *editor = m_window.findChild<QsciScintilla *>(QStringLiteral("editor"));
    if (editor->isReadOnly())
        return QStringLiteral("the editor has no project open");
    editor->setFocus();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            continue; // CR LF is one Return
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            QTest::keyClick(editor, Qt::Key_Return);
        else if (c == QLatin1Char('\t'))
            QTest::keyClick(editor, Qt::Key_Tab);
        else
            QTest::keyClicks(editor, QString(c));
    }
    return QString();
}

bool saveDesktopPicture(const QString &file)
{
    QApplication::processEvents();
    QList<QWidget *> windows;
    QRect area;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->inherits("QTipLabel"))
            continue;
        windows << w;
        area |= w->frameGeometry();
    }
    if (windows.isEmpty())
        return false;
    // Main windows first, tool windows and menus over them.
    std::stable_sort(windows.begin(), windows.end(), [](QWidget *a, QWidget *b) {
        const auto rank = [](QWidget *w) { return qobject_cast<QMenu *>(w) ? 2 : w->parentWidget() ? 1 : 0; };
        return rank(a) < rank(b);
    });
    QImage picture(area.size(), QImage::Format_RGB32);
    picture.fill(QColor(0x3a, 0x6e, 0xa5)); // the desktop behind the windows
    QPainter painter(&picture);
    for (QWidget *w : windows) {
        const QRect at = w->geometry().translated(-area.topLeft());
        painter.drawPixmap(at.topLeft(), w->grab());
        // Without a window manager there are no frames: a line shows where
        // each window ends.
        painter.setPen(QColor(0x40, 0x40, 0x40));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(at.adjusted(0, 0, -1, -1));
    }
    painter.end();
    return picture.save(file, "PNG");
}

} // namespace quillon::idehost
