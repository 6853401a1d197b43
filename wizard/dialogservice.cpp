#include "wizard/dialogservice.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

namespace quillon::wizard {

void showErrorBox(DialogService &dialogs, QWidget *owner, const QString &text)
{
    dialogs.messageBox(owner, QMessageBox::Critical, QStringLiteral("Error!"), text, QMessageBox::Ok);
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
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

std::optional<QString> QtDialogs::fileDialog(QWidget *owner, const FileDialogSpec &spec)
{
    QFileDialog dialog(owner, spec.title);
    dialog.setNameFilters(qtNameFilters(spec.filter));
    dialog.setDefaultSuffix(spec.defaultExtension);
    if (spec.kind == FileDialogSpec::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !spec.overwritePrompt);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString path = dialog.selectedFiles().constFirst();
        // An open dialog does not return a file that cannot be written.
        if (spec.kind == FileDialogSpec::Open && !QFileInfo(path).isWritable()) {
            QMessageBox::warning(&dialog, spec.title, QStringLiteral("%1 is read-only.").arg(path));
            continue;
        }
        return path;
    }
}

QAction *QtDialogs::popupMenu(QMenu *menu, const QPoint &screenPos)
{
    return menu->exec(screenPos);
}

} // namespace quillon::wizard
