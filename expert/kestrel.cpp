#include "expert/kestrel.h"

#include "expert/expertlibrary.h"

#include <QString>

#include <cstring>
#include <exception>

// The library's pictures live in a static library until linked; register them.
static void initExpertResources()
{
    Q_INIT_RESOURCE(expert);
}

namespace quillon::expert {

namespace {

constexpr int kNormalItem = mfEnabled | mfVisible;              // 6
constexpr int kCheckedItem = mfEnabled | mfVisible | mfChecked; // 14

// The check of "&Show WebBar" follows the bar; the item stays enabled and visible.
void showWebBar(TIMenuItemIntf *item, bool shown)
{
    if (item)
        item->SetFlags(kCheckedItem, shown ? kCheckedItem : kNormalItem);
    showWebBarWindow(shown);
}

} // namespace

TKestrel::TKestrel(TIToolServices *toolServices)
    : TIExpert(&TInterface::deleteAs<TKestrel>)
{
    initExpertResources();
    m_glyph = QIcon(QStringLiteral(":/expert/IEICON.png"));
    if (toolServices)
        buildMenu(*toolServices);
}

TKestrel::~TKestrel()
{
    for (TIMenuItemIntf *item : {m_newItem, m_loadItem, m_toolItem})
        if (item)
            item->Release();
}

/*
** Menu building: the top-level "Qu&illon" goes into the menu bar at index
** 9, its four items are appended to it (index 1000 lies past its end).
** The "ToolsItem" item is only looked up, as the proof that this is the
** menu bar of the IDE the menu was designed for. The main-menu interface
** is released on every path.
*/
void TKestrel::buildMenu(TIToolServices &toolServices)
{
    TIMainMenuIntf *mainMenu = toolServices.GetMainMenu();
    if (!mainMenu) {
        showPlainMessage(QStringLiteral("QN-Cannot obtain Main menu interface."));
        return;
    }
    struct ReleaseMenu
    {
        TIMainMenuIntf *menu;
        ~ReleaseMenu() { menu->Release(); }
    } release{mainMenu};
    buildItems(*mainMenu);
}

void TKestrel::buildItems(TIMainMenuIntf &mainMenu)
{
    TIMenuItemIntf *tools = mainMenu.FindMenuItem("ToolsItem");
    TIMenuItemIntf *bar = mainMenu.GetMenuItems();
    struct ReleaseItems
    {
        TIMenuItemIntf *a, *b;
        ~ReleaseItems()
        {
            if (a)
                a->Release();
            if (b)
                b->Release();
        }
    } release{tools, bar};
    if (!tools || !bar) {
        showPlainMessage(QStringLiteral("QN-Cannot obtain Tools menu interface."));
        return;
    }
    TIMenuItemIntf *top = bar->InsertItem(9, "Qu&illon", "TQNMenu", "Quillon", 0, 0, 0, kNormalItem, {});
    if (!top) {
        showPlainMessage(QStringLiteral("QN- Cannot insert menu"));
        return;
    }
    const TIMenuClickEvent click{&TKestrel::menuClick, this};
    m_newItem = top->InsertItem(1000, "&New Web Application", "TQNRun", "QNRun", 0, 0, 0, kNormalItem, click);
    m_loadItem = top->InsertItem(1000, "&Load Project", "TQNLoad", "QNLoad", 0, 0, 0, kNormalItem, click);
    if (TIMenuItemIntf *sep = top->InsertItem(1000, "-", "TSep", "Sep", 0, 0, 0, kNormalItem, click))
        sep->Release();
    m_toolItem = top->InsertItem(1000, "&Show WebBar", "TQNTool", "QNTool", 0, 0, 0, kCheckedItem, click);
    top->Release();
}

const char *TKestrel::GetName()
{
    return "ISAPI Extension Expert";
}

const char *TKestrel::GetAuthor()
{
    return "Developers";
}

const char *TKestrel::GetComment()
{
    return "Generate compile-ready source code for an ISAPI Extension DLL.";
}

const char *TKestrel::GetPage()
{
    return "Projects";
}

const QIcon *TKestrel::GetGlyph()
{
    return &m_glyph;
}

int TKestrel::GetStyle()
{
    return 2;
}

int TKestrel::GetState()
{
    return 1;
}

const char *TKestrel::GetIDString()
{
    return "Developers.Kestrel";
}

void TKestrel::Execute()
{
    runWizard(false);
}

/*
** Errors of the commands end in a message box with their own message, as
** the window toolkit's default error display shows them; they never pass
** back into the IDE's menu code.
*/
void TKestrel::menuClick(void *, TIMenuItemIntf *item)
{
    const char *name = item ? item->GetName() : nullptr;
    if (!name)
        return;
    try {
        if (std::strcmp(name, "TQNTool") == 0) {
            showWebBar(item, !(item->GetFlags() & mfChecked));
        } else if (std::strcmp(name, "TQNLoad") == 0) {
            runWizard(true);
        } else if (std::strcmp(name, "TQNRun") == 0) {
            runWizard(false);
        }
    } catch (const std::exception &e) {
        expertDialogs().messageBox(library().parentWindow, QMessageBox::Critical, QStringLiteral("Quillon"),
                                   QString::fromLocal8Bit(e.what()), QMessageBox::Ok);
    }
}

void setWebBarShown(bool shown)
{
    const ExpertLibrary &lib = library();
    showWebBar(lib.expert ? lib.expert->toolItem() : nullptr, shown);
}

} // namespace quillon::expert
