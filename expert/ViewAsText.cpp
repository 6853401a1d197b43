#include "expert/ViewAsText.h"

#include "expert/glyphs.h"
#include "platform/atomicfile.h"
#include "wizard/ansitext.h"
#include "wizard/frmwiz.h"
#include "widgets/Docks.h"
#include "widgets/XToolBar.h"
#include "widgets/explbtn.h"

#include <QContextMenuEvent>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>

#include <stdexcept>

namespace quillon::expert {

TfrmTextView::TfrmTextView(wizard::TfrmWiz &wizard)
    : QDialog(&wizard)
    , m_wizard(wizard)
{
    setObjectName(QStringLiteral("frmTextView"));
    setWindowTitle(QStringLiteral("Viewing as Text - [") + wizard.projectFileName() + QLatin1Char(']'));
    setGeometry(188, 114, 441, 308);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildMenus();
    layout->setMenuBar(MainMenu1);
    buildToolbar();
    layout->addWidget(Docks1);

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto *panelLayout = new QVBoxLayout(Panel2);
    panelLayout->setContentsMargins(2, 2, 2, 2);
    edProjectText = new QPlainTextEdit(Panel2);
    edProjectText->setObjectName(QStringLiteral("edProjectText"));
    edProjectText->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Key = value lines read best in columns: "Courier New" (Liberation
    // Mono where it is missing) at the size of the window's own font.
    QFont fixed(QStringLiteral("Courier New"), 10);
    fixed.setStyleHint(QFont::TypeWriter);
    edProjectText->setFont(fixed);
    edProjectText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edProjectText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edProjectText->setContextMenuPolicy(Qt::NoContextMenu); // PopupMenu1 is the view's own
    panelLayout->addWidget(edProjectText);
    layout->addWidget(Panel2, 1);
}

TExplorerButton *TfrmTextView::toolButton(const char *name, const char *hint, int left,
                                          void (TfrmTextView::*handler)())
{
    auto *button = new TExplorerButton(XToolBar1);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left, 4, 23, 23);
    button->setHint(QString::fromLatin1(hint));
    button->setCaption(QString());
    button->setBitmap(textViewGlyph(QString::fromLatin1(hint)));
    button->setOptions(TExplorerButton::boPopupMark);
    if (handler)
        connect(button, &TExplorerButton::clicked, this, handler);
    return button;
}

void TfrmTextView::buildToolbar()
{
    Docks1 = new TDocks(this, TDocks::dpTop);
    Docks1->setObjectName(QStringLiteral("Docks1"));
    Docks1->setBoundLines(TDocks::upTop);
    XToolBar1 = new TXToolBar(this, QStringLiteral("XToolBar1"));
    XToolBar1->setCaption(QStringLiteral("Standard"));
    ebtnReload = toolButton("ebtnReload", "Reload", 4, &TfrmTextView::ebtnReloadClick);
    ebtnUpdateExpert = toolButton("ebtnUpdateExpert", "Update", 27, &TfrmTextView::ebtnUpdateExpertClick);
    btnCancelEdits = toolButton("btnCancelEdits", "Cancel", 50, &TfrmTextView::btnCancelEditsClick);
    btnCopy = toolButton("btnCopy", "Copy", 73, &TfrmTextView::btnCopyClick);
    btnCut = toolButton("btnCut", "Cut", 96, &TfrmTextView::btnCutClick);
    ebtnPaste = toolButton("ebtnPaste", "Paste", 119, &TfrmTextView::ebtnPasteClick);
    ebtnHelp = toolButton("ebtnHelp", "Help", 142, nullptr);
    XToolBar1->loaded();
    XToolBar1->setDockedTo(Docks1);
    XToolBar1->setDockLine(0);
    XToolBar1->setDockPos(0);
    connect(XToolBar1, &TXToolBar::OnVisibleChanged, this, &TfrmTextView::XToolBar1VisibleChanged);
}

QAction *TfrmTextView::item(QMenu *menu, const char *name, const char *caption, void (TfrmTextView::*handler)())
{
    QAction *action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, handler);
    return action;
}

void TfrmTextView::buildMenus()
{
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    QMenu *file = MainMenu1->addMenu(QStringLiteral("&File"));
    UpdateExpert1 = item(file, "UpdateExpert1", "&Update Expert", &TfrmTextView::ebtnUpdateExpertClick);
    CancelEdits1 = item(file, "CancelEdits1", "&Cancel Edits", &TfrmTextView::btnCancelEditsClick);
    QMenu *edit = MainMenu1->addMenu(QStringLiteral("&Edit"));
    Cut1 = item(edit, "Cut1", "Cu&t", &TfrmTextView::btnCutClick);
    Cut1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    Copy1 = item(edit, "Copy1", "&Copy", &TfrmTextView::btnCopyClick);
    Copy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    Paste1 = item(edit, "Paste1", "&Paste", &TfrmTextView::ebtnPasteClick);
    Paste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    QMenu *view = MainMenu1->addMenu(QStringLiteral("&View"));
    Asexpert1 = item(view, "Asexpert1", "&As Expert", &TfrmTextView::ebtnUpdateExpertClick);
    Toolbar1 = item(view, "Toolbar1", "&Toolbar", &TfrmTextView::Toolbar1Click);
    Toolbar1->setCheckable(true);
    Toolbar1->setChecked(true);
    QMenu *help = MainMenu1->addMenu(QStringLiteral("&Help"));
    About1 = item(help, "About1", "&About", &TfrmTextView::About1Click);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Cut2 = item(PopupMenu1, "Cut2", "Cu&t", &TfrmTextView::btnCutClick);
    Copy2 = item(PopupMenu1, "Copy2", "&Copy", &TfrmTextView::btnCopyClick);
    Paste2 = item(PopupMenu1, "Paste2", "&Paste", &TfrmTextView::ebtnPasteClick);
    PopupMenu1->addSeparator();
    ViewasExpert1 = item(PopupMenu1, "ViewasExpert1", "View as Expert", &TfrmTextView::ebtnUpdateExpertClick);
}

void TfrmTextView::contextMenuEvent(QContextMenuEvent *event)
{
    m_wizard.context().dialogs.popupMenu(PopupMenu1, event->globalPos());
}

void TfrmTextView::loadFile()
{
    const QString path = m_wizard.projectFileName();
    std::string bytes;
    try {
        bytes = platform::readFile(path.toStdString());
    } catch (const platform::FileError &) {
        throw std::runtime_error("Cannot open file " + path.toStdString());
    }
    // The memo holds lines; CR LF and lone LF both end one.
    edProjectText->setPlainText(wizard::displayText(bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void TfrmTextView::ebtnReloadClick()
{
    m_wizard.context().guarded([this] { loadFile(); });
}

void TfrmTextView::ebtnUpdateExpertClick()
{
    const QString path = m_wizard.projectFileName();
    std::string data;
    for (QTextBlock block = edProjectText->document()->begin(); block.isValid(); block = block.next()) {
        // An empty last block is the memo's end after a final line break, not a line.
        if (!block.next().isValid() && block.text().isEmpty() && block.blockNumber() > 0)
            break;
        data += wizard::encodeAnsi(block.text(), wizard::TextEncoding::Windows1252);
        data += "\r\n";
    }
    const bool written = m_wizard.context().guarded([&] {
        try {
            platform::writeFileAtomically(path.toStdString(), data);
        } catch (const platform::FileError &) {
            throw std::runtime_error("Cannot create file " + path.toStdString());
        }
    });
    if (!written)
        return;
    if (!m_wizard.context().guarded([&] { m_wizard.loadProjectFile(path); }))
        return;
    done(QDialog::Accepted);
}

void TfrmTextView::btnCancelEditsClick()
{
    done(QDialog::Rejected);
}

void TfrmTextView::btnCopyClick()
{
    edProjectText->copy();
}

void TfrmTextView::btnCutClick()
{
    edProjectText->cut();
}

void TfrmTextView::ebtnPasteClick()
{
    edProjectText->paste();
}

void TfrmTextView::About1Click()
{
    m_wizard.showAbout();
}

void TfrmTextView::Toolbar1Click()
{
    // The action has flipped its check already.
    XToolBar1->setVisible(Toolbar1->isChecked());
}

void TfrmTextView::XToolBar1VisibleChanged()
{
    Toolbar1->setChecked(XToolBar1->isBarVisible());
}

void showProjectTextView(wizard::TfrmWiz &wizard)
{
    TfrmTextView view(wizard);
    if (!wizard.context().guarded([&] { view.loadFile(); }))
        return;
    view.exec();
}

} // namespace quillon::expert
