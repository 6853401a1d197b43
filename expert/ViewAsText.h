#pragma once

/*
** TfrmTextView: the current project file as plain text, to read, edit and
** either feed back into the wizard (update: the file is replaced with the
** edited lines, each ending in CR LF, and loaded into the wizard) or throw
** away (cancel). The view keeps no data of its own: the text lives in
** edProjectText and the file is the wizard window's project file.
*/

#include <QDialog>

class QAction;
class QFrame;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class TDocks;
class TExplorerButton;
class TXToolBar;

namespace quillon::wizard {
class TfrmWiz;
}

namespace quillon::expert {

class TfrmTextView : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmTextView(wizard::TfrmWiz &wizard);

    // Replaces the text with the file's content; throws "Cannot open file %s".
    void loadFile();

    TDocks *Docks1;
    TXToolBar *XToolBar1;
    TExplorerButton *ebtnReload;
    TExplorerButton *ebtnUpdateExpert;
    TExplorerButton *btnCancelEdits;
    TExplorerButton *btnCopy;
    TExplorerButton *btnCut;
    TExplorerButton *ebtnPaste;
    TExplorerButton *ebtnHelp;
    QFrame *Panel2;
    QPlainTextEdit *edProjectText;
    QMenuBar *MainMenu1;
    QMenu *PopupMenu1;
    QAction *UpdateExpert1;
    QAction *CancelEdits1;
    QAction *Cut1;
    QAction *Copy1;
    QAction *Paste1;
    QAction *Asexpert1;
    QAction *Toolbar1;
    QAction *About1;
    QAction *Cut2;
    QAction *Copy2;
    QAction *Paste2;
    QAction *ViewasExpert1;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void buildToolbar();
    void buildMenus();
    TExplorerButton *toolButton(const char *name, const char *hint, int left, void (TfrmTextView::*handler)());
    QAction *item(QMenu *menu, const char *name, const char *caption, void (TfrmTextView::*handler)());
    void ebtnReloadClick();
    void ebtnUpdateExpertClick();
    void btnCancelEditsClick();
    void btnCopyClick();
    void btnCutClick();
    void ebtnPasteClick();
    void About1Click();
    void Toolbar1Click();
    void XToolBar1VisibleChanged();

    wizard::TfrmWiz &m_wizard;
};

// The wizard's view-as-text command: opens the view on the wizard's project
// file, modally; a file that cannot be read is reported and nothing opens.
void showProjectTextView(wizard::TfrmWiz &wizard);

} // namespace quillon::expert
