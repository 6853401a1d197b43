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
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace quillon::wizard {

namespace {

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

/*
** Where a user clicks a control: the box of a check box or radio button
** (its caption may be wider than the text, and a click beside the text
** does nothing), the middle of anything else.
*/
QPoint clickPoint(const QWidget *w)
{
    if (qobject_cast<const QCheckBox *>(w) || qobject_cast<const QRadioButton *>(w)) {
        QStyleOptionButton option;
        option.initFrom(w);
        const auto element = qobject_cast<const QCheckBox *>(w) ? QStyle::SE_CheckBoxIndicator
                                                                : QStyle::SE_RadioButtonIndicator;
        const QRect box = w->style()->subElementRect(element, &option, w);
        if (box.isValid())
            return box.center();
    }
    return w->rect().center();
}

// A left click as a user makes it: press and release at the point, through
// the application, so that the focus moves as the control's policy says.
void userClick(QWidget *w, QPoint at)
{
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
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
    // Every focus change while a line runs, for its focus lines.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && !m_running.empty())
            m_focusTrail.emplace_back(now);
    });
    addBuiltInVerbs();
}

void ScriptDriver::addVerb(const QString &name, Operands operands, Action action)
{
    m_verbs.push_back({name, operands, std::move(action)});
}

void ScriptDriver::addCommand(const QString &name, Command command)
{
    addVerb(name, Operands::TrimmedText, [command = std::move(command)](const Arguments &a) { return command(a.text); });
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
    // The focus went through the trail (a click's press, then what the
    // click did) and rests on focus; each change is a line, in order.
    auto trail = std::exchange(m_focusTrail, {});
    trail.emplace_back(focus);
    for (const QPointer<QWidget> &w : trail) {
        if (!w || w == m_focus)
            continue;
        if (!w->objectName().isEmpty())
            m_sink(QStringLiteral("focus ") + w->objectName());
        m_focus = w;
    }
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

/*
** A line is its verb's name, then the operands the verb takes. The name ends
** at the first space of the line without its blanks at either end. A NAME
** ends at the next space, and its TEXT is the rest of the line as written
** (trailing blanks included), so that "type" can type them. A host's verb
** for one name of its own ("type editor") comes before the verb itself and
** takes its TEXT the same way.
*/
void ScriptDriver::perform(int index)
{
    const QString &raw = m_script[index];
    const QString s = raw.trimmed();
    const qsizetype sp = s.indexOf(QLatin1Char(' '));
    const QString command = sp < 0 ? s : s.left(sp);
    Arguments named;
    const QString rest = sp < 0 ? QString() : s.mid(sp + 1);
    const qsizetype sp2 = rest.indexOf(QLatin1Char(' '));
    named.name = sp2 < 0 ? rest : rest.left(sp2);
    // TEXT is read from the line as written, so that a TEXT of blanks alone
    // ("type edAuthor" and one blank) is not lost with the line's own.
    if (!named.name.isEmpty()) {
        const qsizetype nameEnd = raw.indexOf(named.name, raw.indexOf(command) + command.size()) + named.name.size();
        if (nameEnd < raw.size() && raw[nameEnd] == QLatin1Char(' '))
            named.text = unescapeScript(raw.mid(nameEnd + 1));
    }

    const auto verbNamed = [this](const QString &name) {
        return std::find_if(m_verbs.begin(), m_verbs.end(), [&](const Verb &v) { return v.name == name; });
    };
    if (const auto own = verbNamed(command + QLatin1Char(' ') + named.name); own != m_verbs.end()) {
        if (const QString error = own->action(named); !error.isEmpty() && !m_done)
            fail(index, error);
        return;
    }
    const auto verb = verbNamed(command);
    if (verb == m_verbs.end()) {
        fail(index, QStringLiteral("unknown command %1").arg(command));
        return;
    }
    Arguments a;
    switch (verb->operands) {
    case Operands::NameThenText:
        a = named;
        a.target = find(a.name);
        if (!a.target) {
            fail(index, QStringLiteral("no control named %1").arg(a.name));
            return;
        }
        break;
    case Operands::Text:
        if (sp >= 0)
            a.text = unescapeScript(s.mid(sp + 1));
        break;
    case Operands::TrimmedText:
        a.text = unescapeScript(s.mid(command.size()).trimmed());
        break;
    }
    // A verb may have ended the script itself (failCurrent) before it returns.
    if (const QString error = verb->action(a); !error.isEmpty() && !m_done)
        fail(index, error);
}

void ScriptDriver::addBuiltInVerbs()
{
    const auto notA = [](const Arguments &a, const char *what) {
        return QStringLiteral("%1 is not %2").arg(a.name, QString::fromLatin1(what));
    };
    const auto noEntry = [](const Arguments &a) {
        return QStringLiteral("%1 has no entry \"%2\"").arg(a.name, escapeTranscript(a.text));
    };
    addVerb(QStringLiteral("type"), Operands::NameThenText, [](const Arguments &a) {
        if (auto *e = qobject_cast<QLineEdit *>(a.target)) {
            e->setText(a.text);
        } else if (auto *m = qobject_cast<QPlainTextEdit *>(a.target)) {
            m->setPlainText(QString(a.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            m->moveCursor(QTextCursor::End); // where typing leaves the caret
        } else {
            return QStringLiteral("%1 is not a line edit or memo").arg(a.name);
        }
        return QString();
    });
    for (const bool on : {true, false}) {
        addVerb(on ? QStringLiteral("check") : QStringLiteral("uncheck"), Operands::NameThenText,
                [on, notA](const Arguments &a) {
                    auto *b = qobject_cast<QAbstractButton *>(a.target);
                    if (!b)
                        return notA(a, "a check box or radio button");
                    if (b->isChecked() != on)
                        userClick(b, clickPoint(b));
                    return QString();
                });
    }
    addVerb(QStringLiteral("click"), Operands::NameThenText, [](const Arguments &a) {
        auto *w = qobject_cast<QWidget *>(a.target);
        if (w && (qobject_cast<QAbstractButton *>(w) || qobject_cast<QLabel *>(w) || w->inherits("TExplorerButton"))) {
            // Buttons, labels and our explorer buttons get a real click;
            // a disabled one ignores it as it ignores a user's.
            userClick(w, clickPoint(w));
        } else if (a.target->metaObject()->indexOfSignal("clicked()") >= 0) {
            // Other clickable controls of ours: their click is their
            // clicked signal, unless they are disabled.
            if (isEnabledControl(a.target))
                QMetaObject::invokeMethod(a.target, "clicked");
        } else if (auto *action = qobject_cast<QAction *>(a.target)) {
            action->trigger();
        } else {
            return QStringLiteral("%1 cannot be clicked").arg(a.name);
        }
        return QString();
    });
    addVerb(QStringLiteral("choose"), Operands::NameThenText, [this, notA, noEntry](const Arguments &a) {
        auto *combo = qobject_cast<QComboBox *>(a.target);
        if (!combo)
            return notA(a, "a combo box");
        // A list filled as it opens is told so first.
        if (combo->metaObject()->indexOfSignal("listOpening()") >= 0)
            QMetaObject::invokeMethod(combo, "listOpening");
        if (m_done)
            return QString();
        const int i = combo->findText(a.text, Qt::MatchExactly);
        if (i < 0)
            return noEntry(a);
        combo->setCurrentIndex(i);
        emit combo->activated(i);
        return QString();
    });
    // The entry TEXT of the list NAME, or why there is none.
    const auto listEntry = [notA, noEntry](const Arguments &a, QListWidgetItem *&entry) {
        auto *list = qobject_cast<QListWidget *>(a.target);
        if (!list)
            return notA(a, "a list");
        const auto items = list->findItems(a.text, Qt::MatchExactly);
        if (items.isEmpty())
            return noEntry(a);
        entry = items.first();
        return QString();
    };
    for (const bool adding : {false, true}) {
        addVerb(adding ? QStringLiteral("select+") : QStringLiteral("select"), Operands::NameThenText,
                [adding, listEntry](const Arguments &a) {
                    QListWidgetItem *entry = nullptr;
                    if (QString error = listEntry(a, entry); !error.isEmpty())
                        return error;
                    entry->listWidget()->setCurrentItem(
                        entry, adding ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect);
                    return QString();
                });
    }
    addVerb(QStringLiteral("key"), Operands::NameThenText, [](const Arguments &a) {
        auto *w = qobject_cast<QWidget *>(a.target);
        if (!w)
            return QStringLiteral("%1 cannot take keys").arg(a.name);
        const QKeySequence keys = QKeySequence::fromString(a.text.trimmed(), QKeySequence::PortableText);
        if (keys.isEmpty() || keys[0].key() == Qt::Key_unknown)
            return QStringLiteral("\"%1\" is not a key sequence").arg(escapeTranscript(a.text));
        // A user types into the active window; its shortcuts answer only then.
        if (QWidget *window = w->window(); !window->isActiveWindow()) {
            window->activateWindow();
            if (!QTest::qWaitForWindowActive(window, 2000))
                return QStringLiteral("the window of %1 cannot take keys: it does not become active").arg(a.name);
        }
        for (int i = 0; i < keys.count(); ++i) {
            // A window hands each key to the control that has the focus now.
            QWidget *to = w;
            if (w->isWindow() && w->focusWidget())
                to = w->focusWidget();
            QTest::keyClick(to, keys[i].key(), keys[i].keyboardModifiers());
        }
        return QString();
    });
    addVerb(QStringLiteral("doubleclick"), Operands::NameThenText, [listEntry](const Arguments &a) {
        QListWidgetItem *entry = nullptr;
        if (QString error = listEntry(a, entry); !error.isEmpty())
            return error;
        QListWidget *list = entry->listWidget();
        list->scrollToItem(entry);
        const QPoint at = list->visualItemRect(entry).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        return QString();
    });
    addVerb(QStringLiteral("answer"), Operands::Text, [this](const Arguments &a) {
        return m_dialogs.queueAnswer(a.text) ? QString() : QStringLiteral("answer must be yes, no, ok, cancel, save, discard, replace or merge");
    });
    addVerb(QStringLiteral("file"), Operands::Text, [this](const Arguments &a) {
        m_dialogs.queueFile(a.text == QLatin1String("cancel") ? std::nullopt : std::optional<QString>(a.text));
        return QString();
    });
    addVerb(QStringLiteral("popup"), Operands::Text, [this](const Arguments &a) {
        m_dialogs.queuePopup(a.text);
        return QString();
    });
    addVerb(QStringLiteral("text"), Operands::Text, [this](const Arguments &a) {
        m_dialogs.queueText(a.text == QLatin1String("cancel") ? std::nullopt : std::optional<QString>(a.text));
        return QString();
    });
    addVerb(QStringLiteral("close"), Operands::NameThenText, [notA](const Arguments &a) {
        auto *w = qobject_cast<QWidget *>(a.target);
        if (!w)
            return notA(a, "a window");
        if (!w->isWindow())
            return QStringLiteral("%1 is not a window").arg(a.name);
        w->close();
        return QString();
    });
    addVerb(QStringLiteral("show"), Operands::NameThenText, [this](const Arguments &a) {
        m_sink(QStringLiteral("show ") + a.name + QLatin1Char(' ') + controlState(a.target));
        return QString();
    });
    addVerb(QStringLiteral("screenshot"), Operands::Text, [this](const Arguments &a) {
        QWidget *w = topLevelWindow();
        if (!w)
            w = activeRoot();
        if (!w || !w->grab().save(a.text, "PNG"))
            return QStringLiteral("cannot write the screenshot %1").arg(a.text);
        return QString();
    });
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
