#pragma once

/*
** Every modal dialog of the wizard goes through one DialogService: message
** boxes and questions, the file dialogs and the pop-up menus shown at a
** button. QtDialogs shows real Qt dialogs; a scripted service answers from
** a queue and records what was shown, so tests and the script driver can
** check the exact caption and text of every box.
*/

#include <QMessageBox>
#include <QString>

#include <optional>

class QMenu;
class QAction;
class QPoint;
class QWidget;

namespace quillon::wizard {

struct FileDialogRequest
{
    enum Kind { Open, Save };
    const char *name = ""; // the dialog's own name: OD, OutDlg, SD, OpenProject
    Kind kind = Open;
    QString title;
    QString filter;           // "Name|pattern;pattern|Name|pattern"
    QString defaultExtension; // without the dot
    bool overwritePrompt = false;
    QString initialPath;      // the file the dialog starts on (its folder and name); empty: the current folder
};

class DialogService
{
public:
    virtual ~DialogService() = default;

    // A modal message box; returns the button pressed.
    virtual QMessageBox::StandardButton messageBox(QWidget *owner, QMessageBox::Icon icon, const QString &caption,
                                                   const QString &text, QMessageBox::StandardButtons buttons) = 0;

    // A plain message box: the text and an OK button, no caption or icon.
    virtual void showMessage(QWidget *owner, const QString &text) = 0;

    // A question with buttons of its own ("&Replace", "&Merge", "Cancel");
    // the last one is the refusal that Enter, Escape and the close box press.
    // Returns the index of the button pressed.
    virtual int choose(QWidget *owner, QMessageBox::Icon icon, const QString &caption, const QString &text,
                       const QStringList &buttons) = 0;

    // A file dialog; nullopt when cancelled. A chosen name without an
    // extension gets the default one.
    virtual std::optional<QString> fileDialog(QWidget *owner, const FileDialogRequest &request) = 0;

    // Shows menu with its top-left at a screen point; returns the item chosen.
    virtual QAction *popupMenu(QMenu *menu, const QPoint &screenPos) = 0;
    // Asks for one line of text under label; nullopt when cancelled.
    virtual std::optional<QString> askText(QWidget *owner, const QString &caption, const QString &label) = 0;
};

// The wizard's common error box: caption "Error!", error icon, OK.
void showErrorBox(DialogService &dialogs, QWidget *owner, const QString &text);

// "Name|pattern|Name|pattern" as Qt's name filters ("Name (pattern)").
QStringList qtNameFilters(const QString &filter);
// Keeps a message box at least as wide as its caption needs.
void keepCaptionVisible(QMessageBox &box);

class QtDialogs : public DialogService
{
public:
    QMessageBox::StandardButton messageBox(QWidget *owner, QMessageBox::Icon icon, const QString &caption,
                                           const QString &text, QMessageBox::StandardButtons buttons) override;
    void showMessage(QWidget *owner, const QString &text) override;
    int choose(QWidget *owner, QMessageBox::Icon icon, const QString &caption, const QString &text,
               const QStringList &buttons) override;
    std::optional<QString> fileDialog(QWidget *owner, const FileDialogRequest &request) override;
    QAction *popupMenu(QMenu *menu, const QPoint &screenPos) override;
    std::optional<QString> askText(QWidget *owner, const QString &caption, const QString &label) override;
};

} // namespace quillon::wizard
