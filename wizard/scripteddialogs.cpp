#include "wizard/scripteddialogs.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace quillon::wizard {

namespace {

QString buttonName(QMessageBox::StandardButton b)
{
    switch (b) {
    case QMessageBox::Yes:
        return QStringLiteral("yes");
    case QMessageBox::No:
        return QStringLiteral("no");
    case QMessageBox::Ok:
        return QStringLiteral("ok");
    case QMessageBox::Save:
        return QStringLiteral("save");
    case QMessageBox::Discard:
        return QStringLiteral("discard");
    default:
        return QStringLiteral("cancel");
    }
}

// The answer meaning "no" among the buttons a box offers.
QMessageBox::StandardButton refusal(QMessageBox::StandardButtons buttons)
{
    for (QMessageBox::StandardButton b : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok}) {
        if (buttons & b)
            return b;
    }
    return QMessageBox::Cancel;
}

QString menuText(const QAction *action)
{
    QString text = action->text();
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

} // namespace

QString escapeTranscript(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString unescapeScript(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar e = text[++i];
        switch (e.unicode()) {
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default: // not an escape: kept as typed
            out += c;
            out += e;
        }
    }
    return out;
}

ScriptedDialogs::ScriptedDialogs(Sink sink)
    : m_sink(std::move(sink))
{}

bool ScriptedDialogs::queueAnswer(const QString &answer)
{
    static const QStringList known{QStringLiteral("yes"),     QStringLiteral("no"),      QStringLiteral("ok"),
                                   QStringLiteral("cancel"),  QStringLiteral("save"),    QStringLiteral("discard"),
                                   QStringLiteral("replace"), QStringLiteral("merge")};
    const QString a = answer.toLower();
    if (!known.contains(a))
        return false;
    m_answers.push_back(a);
    return true;
}

void ScriptedDialogs::queueFile(std::optional<QString> path)
{
    m_files.push_back(std::move(path));
}

void ScriptedDialogs::queuePopup(const QString &item)
{
    m_popups.push_back(item);
}

void ScriptedDialogs::queueText(std::optional<QString> text)
{
    m_texts.push_back(std::move(text));
}

std::optional<QString> ScriptedDialogs::askText(QWidget *, const QString &caption, const QString &label)
{
    std::optional<QString> text;
    if (!m_texts.empty()) {
        text = m_texts.front();
        m_texts.pop_front();
    } else {
        fail(QStringLiteral("no text queued for \"%1\"").arg(escapeTranscript(label)));
    }
    m_sink(QStringLiteral("ask ") + escapeTranscript(caption) + QStringLiteral(" | ") + escapeTranscript(label) +
           QStringLiteral(" -> ") + (text ? escapeTranscript(*text) : QStringLiteral("cancel")));
    return text;
}

std::optional<QString> ScriptedDialogs::takeFailure()
{
    return std::exchange(m_failure, std::nullopt);
}

void ScriptedDialogs::fail(const QString &what)
{
    if (!m_failure)
        m_failure = what;
}

QMessageBox::StandardButton ScriptedDialogs::messageBox(QWidget *, QMessageBox::Icon, const QString &caption,
                                                        const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox::StandardButton answer;
    if (!m_answers.empty()) {
        const QString word = m_answers.front();
        m_answers.pop_front();
        answer = refusal(buttons);
        bool standard = false;
        for (QMessageBox::StandardButton b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel,
                                              QMessageBox::Save, QMessageBox::Discard}) {
            if (buttonName(b) == word) {
                answer = b;
                standard = true;
            }
        }
        if (!standard)
            fail(QStringLiteral("the box \"%1\" has no button %2").arg(escapeTranscript(caption), word));
    } else if (buttons == QMessageBox::Ok) {
        answer = QMessageBox::Ok;
    } else {
        answer = refusal(buttons);
        fail(QStringLiteral("no answer queued for the box \"%1\"").arg(escapeTranscript(caption)));
    }
    m_sink(QStringLiteral("box ") + escapeTranscript(caption) + QStringLiteral(" | ") + escapeTranscript(text) +
           QStringLiteral(" -> ") + buttonName(answer));
    return answer;
}

int ScriptedDialogs::choose(QWidget *, QMessageBox::Icon, const QString &caption, const QString &text,
                            const QStringList &buttons)
{
    QStringList names;
    for (const QString &b : buttons)
        names << QString(b).remove(QLatin1Char('&')).toLower();
    int answer = int(names.size()) - 1;
    if (m_answers.empty()) {
        fail(QStringLiteral("no answer queued for the box \"%1\"").arg(escapeTranscript(caption)));
    } else {
        const QString word = m_answers.front();
        m_answers.pop_front();
        if (names.contains(word))
            answer = int(names.indexOf(word));
        else
            fail(QStringLiteral("the box \"%1\" has no button %2").arg(escapeTranscript(caption), word));
    }
    m_sink(QStringLiteral("box ") + escapeTranscript(caption) + QStringLiteral(" | ") + escapeTranscript(text) +
           QStringLiteral(" -> ") + (answer >= 0 ? names[answer] : QStringLiteral("cancel")));
    return answer;
}

// Answered OK by itself; an answer queued for it is not taken.
void ScriptedDialogs::showMessage(QWidget *, const QString &text)
{
    m_sink(QStringLiteral("message ") + escapeTranscript(text));
}

std::optional<QString> ScriptedDialogs::fileDialog(QWidget *, const FileDialogRequest &request)
{
    std::optional<QString> path;
    if (!m_files.empty()) {
        path = m_files.front();
        m_files.pop_front();
    } else {
        fail(QStringLiteral("no file queued for the dialog \"%1\"").arg(escapeTranscript(request.title)));
    }
    // As the real dialog does: a name without an extension gets the default one.
    if (path && !path->isEmpty() && QFileInfo(*path).suffix().isEmpty() && !request.defaultExtension.isEmpty())
        *path += QLatin1Char('.') + request.defaultExtension;
    m_sink(QStringLiteral("dialog ") + escapeTranscript(request.title) + QStringLiteral(" | ") +
           escapeTranscript(request.filter) + QStringLiteral(" | ") + escapeTranscript(request.defaultExtension) +
           (request.initialPath.isEmpty() ? QString() : QStringLiteral(" | starts on ") + escapeTranscript(request.initialPath)) +
           QStringLiteral(" -> ") + (path ? escapeTranscript(*path) : QStringLiteral("cancel")));
    return path;
}

QAction *ScriptedDialogs::popupMenu(QMenu *menu, const QPoint &)
{
    QStringList items;
    for (const QAction *a : menu->actions())
        items << escapeTranscript(menuText(a));
    QAction *chosen = nullptr;
    QString chosenText = QStringLiteral("cancel");
    if (m_popups.empty()) {
        fail(QStringLiteral("no item queued for the pop-up menu %1").arg(menu->objectName()));
    } else {
        const QString wanted = m_popups.front();
        m_popups.pop_front();
        for (QAction *a : menu->actions()) {
            if (menuText(a) == wanted) {
                chosen = a;
                chosenText = escapeTranscript(wanted);
                break;
            }
        }
        if (!chosen && wanted != QLatin1String("cancel"))
            fail(QStringLiteral("the pop-up menu %1 has no item \"%2\"").arg(menu->objectName(), escapeTranscript(wanted)));
    }
    m_sink(QStringLiteral("popup ") + menu->objectName() + QStringLiteral(" | ") + items.join(QStringLiteral(", ")) +
           QStringLiteral(" -> ") + chosenText);
    // As QMenu::exec does: the chosen item is triggered, then returned.
    if (chosen)
        chosen->trigger();
    return chosen;
}

} // namespace quillon::wizard
