#pragma once

/*
** Test doubles of the IDE's interfaces: a menu tree of items that record
** their inserts and flag changes, a main menu over it, and tool services
** that record every call in one list of lines.
*/

#include "expert/ideintf.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

namespace quillon::expert::test {

class FakeMenuItem final : public TIMenuItemIntf
{
public:
    FakeMenuItem(QStringList &log, std::string name, int flags = mfEnabled | mfVisible)
        : TIMenuItemIntf(&TInterface::deleteAs<FakeMenuItem>)
        , name(std::move(name))
        , flags(flags)
        , m_log(log)
    {}

    const char *GetName() override { return name.c_str(); }
    int GetFlags() override { return flags; }
    bool SetFlags(int mask, int value) override
    {
        m_log << QStringLiteral("setflags %1 %2 %3").arg(QString::fromStdString(name)).arg(mask).arg(value);
        flags = (flags & ~mask) | (value & mask);
        return true;
    }
    TIMenuItemIntf *InsertItem(int index, const char *caption, const char *itemName, const char *hint, int shortCut,
                               int context, int groupIndex, int itemFlags, TIMenuClickEvent onClick) override
    {
        m_log << QStringLiteral("insert %1 %2 %3 %4 %5 %6 %7 %8 %9")
                     .arg(QString::fromStdString(name))
                     .arg(index)
                     .arg(QString::fromLatin1(caption), QString::fromLatin1(itemName), QString::fromLatin1(hint))
                     .arg(shortCut)
                     .arg(context)
                     .arg(groupIndex)
                     .arg(itemFlags);
        if (refuseInserts)
            return nullptr;
        auto *child = new FakeMenuItem(m_log, itemName, itemFlags);
        child->onClick = onClick;
        children.push_back(child);
        child->AddRef(); // one reference for the caller, one kept by the tree
        return child;
    }

    void click() { onClick.code(onClick.self, this); }
    FakeMenuItem *child(const std::string &childName)
    {
        for (FakeMenuItem *c : children)
            if (c->name == childName)
                return c;
        return nullptr;
    }
    ~FakeMenuItem()
    {
        for (FakeMenuItem *c : children)
            c->Release();
    }

    std::string name;
    int flags;
    TIMenuClickEvent onClick;
    std::vector<FakeMenuItem *> children;
    bool refuseInserts = false;

private:
    QStringList &m_log;
};

class FakeMainMenu final : public TIMainMenuIntf
{
public:
    FakeMainMenu(QStringList &log, FakeMenuItem *bar, FakeMenuItem *tools)
        : TIMainMenuIntf(&TInterface::deleteAs<FakeMainMenu>)
        , m_log(log)
        , m_bar(bar)
        , m_tools(tools)
    {}
    int Release() override
    {
        m_log << QStringLiteral("release mainmenu");
        return TInterface::Release();
    }
    TIMenuItemIntf *GetMenuItems() override { return share(m_bar); }
    TIMenuItemIntf *FindMenuItem(const char *name) override
    {
        return m_tools && m_tools->name == name ? share(m_tools) : nullptr;
    }

private:
    static TIMenuItemIntf *share(FakeMenuItem *item)
    {
        if (item)
            item->AddRef();
        return item;
    }
    QStringList &m_log;
    FakeMenuItem *m_bar;
    FakeMenuItem *m_tools;
};

class FakeToolServices final : public TIToolServices
{
public:
    enum MenuShape { FullMenu, NoMainMenu, NoToolsItem, RefusesInsert };

    explicit FakeToolServices(MenuShape shape = FullMenu)
        : TIToolServices(&TInterface::deleteAs<FakeToolServices>)
        , shape(shape)
        , bar(std::make_unique<FakeMenuItem>(log, "MainMenu"))
        , tools(std::make_unique<FakeMenuItem>(log, "ToolsItem"))
    {
        bar->refuseInserts = shape == RefusesInsert;
    }

    bool CloseProject() override
    {
        log << QStringLiteral("ide closeproject");
        return true;
    }
    bool OpenProject(const char *path) override
    {
        log << QStringLiteral("ide openproject ") + QString::fromLocal8Bit(path);
        return true;
    }
    bool OpenProjectInfo(const char *path) override
    {
        log << QStringLiteral("ide openprojectinfo %1 -> %2").arg(QString::fromLocal8Bit(path), infoSucceeds ? "true" : "false");
        return infoSucceeds;
    }
    void *GetParentHandle() override { return parent; }
    TIMainMenuIntf *GetMainMenu() override
    {
        if (shape == NoMainMenu)
            return nullptr;
        return new FakeMainMenu(log, bar.get(), shape == NoToolsItem ? nullptr : tools.get());
    }
    void RaiseException(const char *message) override { log << QStringLiteral("ide error ") + QString::fromLocal8Bit(message); }

    FakeMenuItem *quillonMenu() { return bar->child("TQNMenu"); }

    QStringList log;
    MenuShape shape;
    std::unique_ptr<FakeMenuItem> bar;
    std::unique_ptr<FakeMenuItem> tools;
    void *parent = nullptr;
    bool infoSucceeds = true;
};

} // namespace quillon::expert::test
