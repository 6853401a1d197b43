#pragma once

/*
** TfrmWebBar: the expert's small floating tool window with three buttons
** (new web application, load a web application project, hide the bar) and
** a right-click menu with "&Stay on Top". Its saver WS keeps its place and
** style under the key name "WebBar".
*/

#include "expert/WSaver.h"

class QAction;
class QMenu;
class TExplorerButton;

namespace quillon::expert {

class TfrmWebBar : public TForm
{
    Q_OBJECT
public:
    explicit TfrmWebBar(QWidget *parent = nullptr, const platform::Registry *registry = nullptr);
    // The library forgets the bar when it goes.
    ~TfrmWebBar() override;

    TExplorerButton *ExplorerButton1;
    TExplorerButton *ExplorerButton2;
    TExplorerButton *ExplorerButton3;
    TWindowSaver *WS;
    QMenu *PopupMenu1;
    QAction *StayonTop1;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    TExplorerButton *makeButton(int left, const char *hint, const QImage &glyph);
    void FormCreate();
    void StayonTop1Click();
    void ExplorerButton1Click();
    void ExplorerButton2Click();
    void ExplorerButton3Click();
};

} // namespace quillon::expert
