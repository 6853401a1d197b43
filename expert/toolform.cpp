#include "expert/toolform.h"

#include "expert/expertlibrary.h"
#include "expert/glyphs.h"
#include "expert/kestrel.h"
#include "widgets/explbtn.h"

#include <QContextMenuEvent>
#include <QMenu>

namespace quillon::expert {

namespace {

constexpr Qt::WindowFlags kToolWindow = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

} // namespace

/*
** Built in the order the form's stored description gives: the children,
** then the saver (which takes over OnDestroy), then the loaded notification
** that restores the place and style, and FormCreate last, so the check of
** "&Stay on Top" follows the style the bar really has.
*/
TfrmWebBar::TfrmWebBar(QWidget *parent, const platform::Registry *registry)
    : TForm(parent, kToolWindow)
{
    setObjectName(QStringLiteral("frmWebBar"));
    setWindowTitle(QStringLiteral("WebBar"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    move(62, 416);
    resize(width(), 26);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    StayonTop1 = PopupMenu1->addAction(QStringLiteral("&Stay on Top"));
    StayonTop1->setObjectName(QStringLiteral("StayonTop1"));
    StayonTop1->setCheckable(true);
    connect(StayonTop1, &QAction::triggered, this, &TfrmWebBar::StayonTop1Click);

    ExplorerButton1 = makeButton(3, "New Web App", newPageGlyph());
    ExplorerButton1->setObjectName(QStringLiteral("ExplorerButton1"));
    ExplorerButton2 = makeButton(26, "Load Web App", openFolderGlyph());
    ExplorerButton2->setObjectName(QStringLiteral("ExplorerButton2"));
    ExplorerButton3 = makeButton(49, "Hide WebBar", closeBarGlyph());
    ExplorerButton3->setObjectName(QStringLiteral("ExplorerButton3"));
    connect(ExplorerButton1, &TExplorerButton::clicked, this, &TfrmWebBar::ExplorerButton1Click);
    connect(ExplorerButton2, &TExplorerButton::clicked, this, &TfrmWebBar::ExplorerButton2Click);
    connect(ExplorerButton3, &TExplorerButton::clicked, this, &TfrmWebBar::ExplorerButton3Click);

    WS = new TWindowSaver(this, registry);
    WS->KeyName = QStringLiteral("WebBar");
    WS->loaded();
    FormCreate();
}

TfrmWebBar::~TfrmWebBar()
{
    if (library().webBar == this)
        library().webBar = nullptr;
}

TExplorerButton *TfrmWebBar::makeButton(int left, const char *hint, const QImage &glyph)
{
    auto *button = new TExplorerButton(this);
    button->setGeometry(left, 3, 23, 22);
    button->setCaption(QStringLiteral("ExplorerButton"));
    button->setHint(QString::fromLatin1(hint));
    button->setBitmap(glyph);
    button->setOptions(TExplorerButton::boIconOnly | TExplorerButton::boPopupMark);
    button->setShowHint(true);
    button->setPopupMenu(PopupMenu1);
    return button;
}

void TfrmWebBar::contextMenuEvent(QContextMenuEvent *event)
{
    expertDialogs().popupMenu(PopupMenu1, event->globalPos());
}

void TfrmWebBar::FormCreate()
{
    resize(82, height());
    StayonTop1->setChecked(stayOnTop());
}

void TfrmWebBar::StayonTop1Click()
{
    // The action has already flipped its check when triggered.
    setStayOnTop(StayonTop1->isChecked());
}

void TfrmWebBar::ExplorerButton1Click()
{
    if (TKestrel *expert = library().expert)
        expert->Execute();
    else
        runWizard(false);
}

void TfrmWebBar::ExplorerButton2Click()
{
    runWizard(true);
}

void TfrmWebBar::ExplorerButton3Click()
{
    setWebBarShown(false);
}

void showWebBarWindow(bool shown)
{
    if (TfrmWebBar *bar = library().webBar)
        bar->setVisible(shown);
}

} // namespace quillon::expert
