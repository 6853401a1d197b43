#pragma once

/*
** TKestrel: the expert object the IDE lists on its "Projects" gallery page
** and runs through Execute. Creating it adds the menu "Qu&illon" to the
** IDE's menu bar; its items run the wizard, load a project into it, and
** show or hide the WebBar.
*/

#include "expert/ideintf.h"

#include <QIcon>

namespace quillon::expert {

class TKestrel final : public TIExpert
{
public:
    // Builds the menu through the tool services (null: no menu).
    explicit TKestrel(TIToolServices *toolServices);

    const char *GetName() override;
    const char *GetAuthor() override;
    const char *GetComment() override;
    const char *GetPage() override;
    const QIcon *GetGlyph() override;
    int GetStyle() override;
    int GetState() override;
    const char *GetIDString() override;
    void Execute() override;

    TIMenuItemIntf *newItem() const { return m_newItem; }
    TIMenuItemIntf *loadItem() const { return m_loadItem; }
    TIMenuItemIntf *toolItem() const { return m_toolItem; } // "&Show WebBar"

    // The handler of every item of the menu; tells them apart by name.
    static void menuClick(void *self, TIMenuItemIntf *item);

private:
    friend class TInterface;
    ~TKestrel();
    void buildMenu(TIToolServices &toolServices);
    void buildItems(TIMainMenuIntf &mainMenu);

    TIMenuItemIntf *m_newItem = nullptr;
    TIMenuItemIntf *m_loadItem = nullptr;
    TIMenuItemIntf *m_toolItem = nullptr;
    QIcon m_glyph;
};

// Shows or hides the WebBar and keeps the check of "&Show WebBar" in step.
void setWebBarShown(bool shown);

} // namespace quillon::expert
