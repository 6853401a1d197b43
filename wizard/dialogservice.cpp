#include "wizard/dialogservice.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QGridLayout>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>

namespace quillon::wizard {

void showErrorBox(DialogService &dialogs, QWidget *owner, const QString &text)
{
    dialogs.messageBox(owner, QMessageBox::Critical, QStringLiteral("Error!"), text, QMessageBox::Ok);
}

/*
** A message box sizes itself to its text and buttons only, so a short text
** under a long caption cuts the caption off. A spacer across the bottom of
** its grid keeps the box at least as wide as the caption in the title bar's
** font, with room for the title bar's icon and buttons.
*/
void keepCaptionVisible(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid || box.windowTitle().isEmpty())
        return;
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    const int titleBarExtras = 120; // window icon, close button and margins
    const int width = metrics.horizontalAdvance(box.windowTitle()) + titleBarExtras;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

QStringList qtNameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // A name that already shows its patterns is not given them twice.
        filters << (parts[i].contains(QLatin1Char('(')) ? parts[i] : parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters;
}

QMessageBox::StandardButton QtDialogs::messageBox(QWidget *owner, QMessageBox::Icon icon, const QString &caption,
                                                  const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption, text, buttons, owner);
    keepCaptionVisible(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void QtDialogs::showMessage(QWidget *owner, const QString &text)
{
    messageBox(owner, QMessageBox::NoIcon, QString(), text, QMessageBox::Ok);
}

int QtDialogs::choose(QWidget *owner, QMessageBox::Icon icon, const QString &caption, const QString &text,
                      const QStringList &buttons)
{
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, owner);
    QList<QAbstractButton *> pressed;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const bool refusal = i + 1 == buttons.size();
        pressed << static_cast<QAbstractButton *>(
            box.addButton(buttons[i], refusal ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
    }
    // Enter, like Escape, presses the refusal: nothing is replaced by a key pressed in passing.
    if (!pressed.isEmpty()) {
        box.setEscapeButton(pressed.constLast());
        box.setDefaultButton(static_cast<QPushButton *>(pressed.constLast()));
    }
    keepCaptionVisible(box);
    box.exec();
    const qsizetype index = pressed.indexOf(box.clickedButton());
    return index < 0 ? int(buttons.size()) - 1 : int(index);
}

std::optional<QString> QtDialogs::fileDialog(QWidget *owner, const FileDialogRequest &request)
{
    QFileDialog dialog(owner, request.title);
    dialog.setObjectName(QString::fromLatin1(request.name));
    dialog.setNameFilters(qtNameFilters(request.filter));
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.initialPath.isEmpty()) {
        const QFileInfo start(request.initialPath);
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    if (request.kind == FileDialogRequest::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString path = dialog.selectedFiles().constFirst();
        // An open dialog does not return a file that cannot be written.
        if (request.kind == FileDialogRequest::Open && !QFileInfo(path).isWritable()) {
            QMessageBox::warning(&dialog, request.title, QStringLiteral("%1 is read-only.").arg(path));
            continue;
        }
        return path;
    }
}

QAction *QtDialogs::popupMenu(QMenu *menu, const QPoint &screenPos)
{
    return menu->exec(screenPos);
}

std::optional<QString> QtDialogs::askText(QWidget *owner, const QString &caption, const QString &label)
{
    bool ok = false;
    const QString text = QInputDialog::getText(owner, caption, label, QLineEdit::Normal, QString(), &ok);
    return ok ? std::optional<QString>(text) : std::nullopt;
}

} // namespace quillon::wizard
