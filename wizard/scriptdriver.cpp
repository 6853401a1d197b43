#include "wizard/scriptdriver.h"

#include "wizard/frmwiz.h"
#include "wizard/scripteddialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QEventLoop>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>

#include <cstdio>

namespace quillon::wizard {

namespace {

struct Line
{
    QString command;
    QString name;
    QString text;
};

Line parse(const QString &raw)
{
    Line line;
    const QString s = raw.trimmed();
    const qsizetype sp = s.indexOf(QLatin1Char(' '));
    line.command = sp < 0 ? s : s.left(sp);
    if (sp < 0)
        return line;
    const QString rest = s.mid(sp + 1);
    // answer, file, popup and screenshot take TEXT at once; the others a NAME first.
    static const QStringList textOnly{QStringLiteral("answer"), QStringLiteral("file"), QStringLiteral("popup"),
                                      QStringLiteral("screenshot")};
    if (textOnly.contains(line.command)) {
        line.text = unescapeScript(rest);
        return line;
    }
    const qsizetype sp2 = rest.indexOf(QLatin1Char(' '));
    line.name = sp2 < 0 ? rest : rest.left(sp2);
    if (sp2 >= 0)
        line.text = unescapeScript(raw.mid(raw.indexOf(line.name, raw.indexOf(line.command) + line.command.size()) +
                                           line.name.size() + 1));
    return line;
}

QWidget *topLevelWindow()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

// Told apart by their class names and properties, not by their types: a
// window of an expert library brings its own copy of our control classes.
bool isEnabledControl(const QObject *control)
{
    const auto *w = qobject_cast<const QWidget *>(control);
    const QVariant own = control->property("Enabled"); // an explorer button's own switch
    return (!w || w->isEnabled()) && (!own.isValid() || own.toBool());
}

} // namespace

std::optional<QStringList> readScriptFile(const QString &path, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("cannot read the script %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

void printTranscriptLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The wizard window's class, told by name: a wizard window created by an
// expert library comes from that library's own copy of the class.
constexpr char kWizardClass[] = "quillon::wizard::TfrmWiz";

ScriptDriver::ScriptDriver(QStringList script, QWidget &root, ScriptedDialogs &dialogs, Sink sink,
                           QString screenshotDir)
    : m_script(std::move(script))
    , m_root(&root)
    , m_dialogs(dialogs)
    , m_sink(std::move(sink))
    , m_shots(std::move(screenshotDir))
    , m_handedOver(static_cast<std::size_t>(m_script.size()), false)
{
    if (root.inherits(kWizardClass))
        attachWizard(qobject_cast<QDialog *>(&root));
    qApp->installEventFilter(this);
}

void ScriptDriver::addCommand(const QString &name, Command command)
{
    m_commands.emplace_back(name, std::move(command));
}

void ScriptDriver::attachWizard(QDialog *window)
{
    if (!window || window == m_wizard)
        return;
    m_wizard = window;
    if (auto *notebook = window->findChild<QStackedWidget *>(QStringLiteral("nbWiz"))) {
        connect(notebook, &QStackedWidget::currentChanged, this, [this](int index) {
            m_sink(QStringLiteral("page ") + QString::fromLatin1(pageName(static_cast<Page>(index))));
            // Taken once the line is done, so the page shows what arriving did.
            m_pendingShot = index;
        });
    }
    connect(window, &QWidget::windowTitleChanged, this,
            [this](const QString &title) { m_sink(QStringLiteral("caption ") + escapeTranscript(title)); });
    // By signature: the class may be another library's copy.
    connect(window, SIGNAL(generated(QString)), this, SLOT(reportGenerated(QString)));
    // The window closed by the script's own lines, not by the driver at the
    // end of the script or after an error.
    connect(window, &QDialog::finished, this, [this] {
        if (!m_done)
            m_sink(QStringLiteral("closed"));
    });
}

void ScriptDriver::reportGenerated(const QString &path)
{
    m_sink(QStringLiteral("finish ") + escapeTranscript(path));
}

QWidget *ScriptDriver::activeRoot() const
{
    if (m_wizard && m_wizard->isVisible())
        return m_wizard;
    return m_root;
}

int ScriptDriver::run()
{
    auto *dialog = qobject_cast<QDialog *>(m_root.data());
    m_root->show();
    if (m_wizard)
        pageShot(m_wizard->findChild<QStackedWidget *>(QStringLiteral("nbWiz"))->currentIndex());
    m_focus = m_root->focusWidget();
    QTimer::singleShot(0, this, &ScriptDriver::step);
    if (dialog) {
        dialog->exec();
    } else {
        QEventLoop loop;
        connect(this, &ScriptDriver::ended, &loop, &QEventLoop::quit);
        if (!m_done)
            loop.exec();
    }
    // The window has closed: the lines left still run, as far as they can.
    while (!m_done)
        step();
    return m_status;
}

void ScriptDriver::step()
{
    while (!m_done) {
        if (m_next >= m_script.size()) {
            m_done = true;
            if (m_wizard && m_wizard->isVisible())
                m_wizard->reject();
            emit ended();
            return;
        }
        const int index = m_next++;
        const QString s = m_script[index].trimmed();
        if (s.isEmpty() || s.startsWith(QLatin1Char('#')))
            continue;
        m_running.push_back(index);
        perform(index);
        m_running.pop_back();
        if (m_done)
            return;
        afterLine(index);
        if (!m_handedOver[static_cast<std::size_t>(index)])
            QTimer::singleShot(0, this, &ScriptDriver::step);
        return;
    }
}

void ScriptDriver::afterLine(int index)
{
    if (m_pendingShot >= 0)
        pageShot(std::exchange(m_pendingShot, -1));
    if (const auto failure = m_dialogs.takeFailure()) {
        fail(index, *failure);
        return;
    }
    QWidget *focus = activeRoot() ? activeRoot()->focusWidget() : nullptr;
    if (QWidget *top = QApplication::activeModalWidget(); top && top != activeRoot())
        focus = top->focusWidget();
    if (focus && focus != m_focus && !focus->objectName().isEmpty())
        m_sink(QStringLiteral("focus ") + focus->objectName());
    m_focus = focus;
}

void ScriptDriver::fail(int index, const QString &message)
{
    m_sink(QStringLiteral("error %1: %2").arg(index + 1).arg(message));
    m_status = 1;
    m_done = true;
    // Ends every modal run of ours, innermost first.
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (auto *d = qobject_cast<QDialog *>(modal))
            d->reject();
        else
            modal->close();
        if (modal == QApplication::activeModalWidget())
            break;
    }
    if (m_wizard && m_wizard->isVisible())
        m_wizard->reject();
    emit ended();
}

void ScriptDriver::failCurrent(const QString &message)
{
    if (!m_done)
        fail(m_running.empty() ? m_next - 1 : m_running.back(), message);
}

QObject *ScriptDriver::find(const QString &name) const
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (!top->isVisible() && top != m_wizard && top != m_root)
            continue;
        if (top->objectName() == name)
            return top;
        if (QObject *o = top->findChild<QObject *>(name))
            return o;
    }
    return nullptr;
}

void ScriptDriver::perform(int index)
{
    const Line line = parse(m_script[index]);
    const auto need = [&](auto *p, const char *what) {
        if (!p)
            fail(index, QStringLiteral("%1 is not %2").arg(line.name, QString::fromLatin1(what)));
        return p != nullptr;
    };
    // A host command may take a verb for one name of its own ("type editor").
    const QString verbOnName = line.command + QLatin1Char(' ') + line.name;
    for (const auto &[name, command] : m_commands) {
        if (name == verbOnName) {
            if (const QString error = command(line.text); !error.isEmpty())
                fail(index, error);
            return;
        }
    }
    QObject *target = nullptr;
    static const QStringList named{QStringLiteral("type"), QStringLiteral("check"), QStringLiteral("uncheck"),
                                   QStringLiteral("click"), QStringLiteral("choose"), QStringLiteral("select"),
                                   QStringLiteral("select+"), QStringLiteral("show"), QStringLiteral("close")};
    if (named.contains(line.command)) {
        target = find(line.name);
        if (!target) {
            fail(index, QStringLiteral("no control named %1").arg(line.name));
            return;
        }
    }
    const QString &c = line.command;
    if (c == QLatin1String("type")) {
        if (auto *e = qobject_cast<QLineEdit *>(target))
            e->setText(line.text);
        else if (auto *m = qobject_cast<QPlainTextEdit *>(target)) {
            m->setPlainText(QString(line.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            m->moveCursor(QTextCursor::End); // where typing leaves the caret
        }
        else
            fail(index, QStringLiteral("%1 is not a line edit or memo").arg(line.name));
    } else if (c == QLatin1String("check") || c == QLatin1String("uncheck")) {
        auto *b = qobject_cast<QAbstractButton *>(target);
        if (need(b, "a check box or radio button") && b->isChecked() != (c == QLatin1String("check")))
            b->click();
    } else if (c == QLatin1String("click")) {
        if (auto *b = qobject_cast<QAbstractButton *>(target))
            b->click();
        else if (target->metaObject()->indexOfSignal("clicked()") >= 0) {
            // Our own clickable controls (explorer buttons, labels): their
            // click is their clicked signal, unless they are disabled.
            if (isEnabledControl(target))
                QMetaObject::invokeMethod(target, "clicked");
        }
        else if (auto *a = qobject_cast<QAction *>(target))
            a->trigger();
        else
            fail(index, QStringLiteral("%1 cannot be clicked").arg(line.name));
    } else if (c == QLatin1String("choose")) {
        auto *combo = qobject_cast<QComboBox *>(target);
        if (!need(combo, "a combo box"))
            return;
        // A list filled as it opens is told so first.
        if (combo->metaObject()->indexOfSignal("listOpening()") >= 0)
            QMetaObject::invokeMethod(combo, "listOpening");
        if (m_done)
            return;
        const int i = combo->findText(line.text, Qt::MatchExactly);
        if (i < 0) {
            fail(index, QStringLiteral("%1 has no entry \"%2\"").arg(line.name, escapeTranscript(line.text)));
            return;
        }
        combo->setCurrentIndex(i);
        emit combo->activated(i);
    } else if (c == QLatin1String("select") || c == QLatin1String("select+")) {
        auto *list = qobject_cast<QListWidget *>(target);
        if (!need(list, "a list"))
            return;
        const auto items = list->findItems(line.text, Qt::MatchExactly);
        if (items.isEmpty()) {
            fail(index, QStringLiteral("%1 has no entry \"%2\"").arg(line.name, escapeTranscript(line.text)));
            return;
        }
        const int row = list->row(items.first());
        list->setCurrentRow(row, c == QLatin1String("select") ? QItemSelectionModel::ClearAndSelect
                                                              : QItemSelectionModel::Select);
    } else if (c == QLatin1String("answer")) {
        if (!m_dialogs.queueAnswer(line.text))
            fail(index, QStringLiteral("answer must be yes, no, ok, cancel, save or discard"));
    } else if (c == QLatin1String("file")) {
        m_dialogs.queueFile(line.text == QLatin1String("cancel") ? std::nullopt : std::optional<QString>(line.text));
    } else if (c == QLatin1String("popup")) {
        m_dialogs.queuePopup(line.text);
    } else if (c == QLatin1String("close")) {
        auto *w = qobject_cast<QWidget *>(target);
        if (need(w, "a window") && w->isWindow())
            w->close();
        else if (w)
            fail(index, QStringLiteral("%1 is not a window").arg(line.name));
    } else if (c == QLatin1String("show")) {
        m_sink(QStringLiteral("show ") + line.name + QLatin1Char(' ') + controlState(target));
    } else if (c == QLatin1String("screenshot")) {
        QWidget *w = topLevelWindow();
        if (!w)
            w = activeRoot();
        if (!w || !w->grab().save(line.text, "PNG"))
            fail(index, QStringLiteral("cannot write the screenshot %1").arg(line.text));
    } else {
        for (const auto &[name, command] : m_commands) {
            if (name == c) {
                const QString text = m_script[index].trimmed().mid(c.size()).trimmed();
                if (const QString error = command(unescapeScript(text)); !error.isEmpty())
                    fail(index, error);
                return;
            }
        }
        fail(index, QStringLiteral("unknown command %1").arg(c));
    }
}

QString ScriptDriver::controlState(QObject *control)
{
    QJsonObject o;
    auto *w = qobject_cast<QWidget *>(control);
    if (w) {
        o[QStringLiteral("enabled")] = w->isEnabled();
        o[QStringLiteral("visible")] = w->isVisible();
    }
    if (auto *e = qobject_cast<QLineEdit *>(control)) {
        o[QStringLiteral("text")] = e->text();
    } else if (auto *m = qobject_cast<QPlainTextEdit *>(control)) {
        o[QStringLiteral("text")] = m->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    } else if (auto *b = qobject_cast<QAbstractButton *>(control)) {
        o[QStringLiteral("text")] = b->text();
        if (b->isCheckable())
            o[QStringLiteral("checked")] = b->isChecked();
    } else if (control->inherits("TExplorerButton")) {
        o[QStringLiteral("enabled")] = isEnabledControl(control);
        o[QStringLiteral("text")] = control->property("Caption").toString();
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        o[QStringLiteral("text")] = combo->currentIndex() >= 0 ? combo->currentText() : QString();
        QJsonArray entries;
        for (int i = 0; i < combo->count(); ++i)
            entries.append(combo->itemText(i));
        o[QStringLiteral("entries")] = entries;
    } else if (auto *list = qobject_cast<QListWidget *>(control)) {
        QJsonArray entries, selected;
        for (int i = 0; i < list->count(); ++i) {
            entries.append(list->item(i)->text());
            if (list->item(i)->isSelected())
                selected.append(i);
        }
        o[QStringLiteral("entries")] = entries;
        o[QStringLiteral("selected")] = selected;
    } else if (auto *grid = qobject_cast<QTableView *>(control)) {
        QJsonArray columns;
        const QAbstractItemModel *model = grid->model();
        for (int i = 0; model && i < model->columnCount(); ++i)
            columns.append(model->headerData(i, Qt::Horizontal).toString());
        o[QStringLiteral("columns")] = columns;
        o[QStringLiteral("rows")] = model ? model->rowCount() : 0;
        o[QStringLiteral("current")] = grid->currentIndex().isValid() ? grid->currentIndex().row() : -1;
    } else if (auto *label = qobject_cast<QLabel *>(control)) {
        o[QStringLiteral("text")] = label->text();
    } else if (auto *action = qobject_cast<QAction *>(control)) {
        o[QStringLiteral("text")] = action->text();
        o[QStringLiteral("enabled")] = action->isEnabled();
        o[QStringLiteral("visible")] = action->isVisible();
    } else if (w) {
        o[QStringLiteral("text")] = w->windowTitle();
    }
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

void ScriptDriver::pageShot(int page)
{
    if (m_shots.isEmpty() || !m_wizard)
        return;
    QDir().mkpath(m_shots);
    const QString file = QStringLiteral("%1/%2-%3.png")
                             .arg(m_shots)
                             .arg(++m_shotCount, 2, 10, QLatin1Char('0'))
                             .arg(QString::fromLatin1(pageName(static_cast<Page>(page))));
    m_wizard->grab().save(file, "PNG");
}

bool ScriptDriver::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show)
        return QObject::eventFilter(watched, event);
    auto *w = qobject_cast<QWidget *>(watched);
    // Menus, tips, drop-down lists and progress windows (shown after a
    // delay of their own) are not windows a script acts in.
    if (!w || !w->isWindow() || w == m_root || w == m_wizard || qobject_cast<QMenu *>(w) ||
        qobject_cast<QProgressDialog *>(w) || w->inherits("QTipLabel") || w->inherits("QComboBoxPrivateContainer"))
        return QObject::eventFilter(watched, event);
    m_sink(QStringLiteral("window ") + escapeTranscript(w->windowTitle()));
    if (w->inherits(kWizardClass))
        attachWizard(qobject_cast<QDialog *>(w));
    // A modal window of ours: the next lines run inside its event loop.
    if ((w->isModal() || w->windowModality() != Qt::NonModal) && !m_handoverBlocked && !m_running.empty() &&
        !m_handedOver[static_cast<std::size_t>(m_running.back())]) {
        m_handedOver[static_cast<std::size_t>(m_running.back())] = true;
        QTimer::singleShot(0, this, &ScriptDriver::step);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quillon::wizard
