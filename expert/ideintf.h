#pragma once

/*
** The IDE's expert interface as both sides see it: the reference-counted
** base TInterface, the expert interface TIExpert, and the IDE's tool
** services, main menu and menu items. A host built on its own reaches every
** operation through the virtual table, so each operation must stand at its
** fixed slot (counted from 0, the three of TInterface included). Slots the
** system never calls are declared as reserved operations that do nothing,
** which keeps the later ones in place.
**
** None of these classes has a virtual destructor: that would take two slots
** of its own. Release destroys the object through the deleter that the most
** derived class installs, so the table holds exactly the listed operations.
** Texts are 8-bit strings; results stay owned by the object that returns
** them.
*/

class QIcon;

namespace quillon::wizard {
class DialogService;
class HelpSystem;
}

namespace quillon::expert {

class TInterface
{
public:
    virtual int AddRef();     // 0
    virtual int Release();    // 1: destroys the object when the count reaches 0
    virtual int GetVersion(); // 2: always 2

    int refCount() const { return m_refCount; }

protected:
    using Deleter = void (*)(TInterface *);
    explicit TInterface(Deleter deleter)
        : m_deleter(deleter)
    {}
    ~TInterface() = default;

    template <typename T>
    static void deleteAs(TInterface *object)
    {
        delete static_cast<T *>(object);
    }

private:
    int m_refCount = 1;
    Deleter m_deleter;
};

class TIMenuItemIntf;

// A click handler: a function and the object it belongs to.
struct TIMenuClickEvent
{
    void (*code)(void *self, TIMenuItemIntf *sender) = nullptr;
    void *self = nullptr;
};

// Menu item flags.
enum : int {
    mfInvalid = 0x1,
    mfEnabled = 0x2,
    mfVisible = 0x4,
    mfChecked = 0x8,
    mfBreak = 0x10,
    mfBarBreak = 0x20,
    mfRadioItem = 0x40,
};

class TIMenuItemIntf : public TInterface
{
public:
    virtual void Reserved3() {}
    virtual void Reserved4() {}
    virtual void Reserved5() {}
    virtual void Reserved6() {}
    virtual const char *GetName() = 0; // 7
    virtual void Reserved8() {}
    virtual void Reserved9() {}
    virtual void Reserved10() {}
    virtual void Reserved11() {}
    virtual void Reserved12() {}
    virtual int GetFlags() = 0;                     // 13
    virtual bool SetFlags(int mask, int flags) = 0; // 14
    virtual void Reserved15() {}
    virtual void Reserved16() {}
    virtual void Reserved17() {}
    virtual void Reserved18() {}
    virtual void Reserved19() {}
    virtual void Reserved20() {}
    virtual void Reserved21() {}
    virtual void Reserved22() {}
    // 23: null when the item could not be inserted.
    virtual TIMenuItemIntf *InsertItem(int index, const char *caption, const char *name, const char *hint,
                                       int shortCut, int context, int groupIndex, int flags,
                                       TIMenuClickEvent onClick) = 0;

protected:
    using TInterface::TInterface;
    ~TIMenuItemIntf() = default;
};

class TIMainMenuIntf : public TInterface
{
public:
    virtual TIMenuItemIntf *GetMenuItems() = 0;                   // 3: the menu bar itself, or null
    virtual TIMenuItemIntf *FindMenuItem(const char *name) = 0;   // 4: or null

protected:
    using TInterface::TInterface;
    ~TIMainMenuIntf() = default;
};

class TIToolServices : public TInterface
{
public:
    virtual bool CloseProject() = 0;                    // 3
    virtual bool OpenProject(const char *path) = 0;     // 4
    virtual bool OpenProjectInfo(const char *path) = 0; // 5
    virtual void Reserved6() {}
    virtual void Reserved7() {}
    virtual void Reserved8() {}
    virtual void Reserved9() {}
    virtual void Reserved10() {}
    virtual void Reserved11() {}
    virtual void Reserved12() {}
    virtual void Reserved13() {}
    virtual void *GetParentHandle() = 0; // 14: the IDE's main window (a QWidget)
    virtual void Reserved15() {}
    virtual void Reserved16() {}
    virtual void Reserved17() {}
    virtual void Reserved18() {}
    virtual void Reserved19() {}
    virtual void Reserved20() {}
    virtual void Reserved21() {}
    virtual void Reserved22() {}
    virtual void Reserved23() {}
    virtual void Reserved24() {}
    virtual void Reserved25() {}
    virtual void Reserved26() {}
    virtual void Reserved27() {}
    virtual void Reserved28() {}
    virtual void Reserved29() {}
    virtual void Reserved30() {}
    virtual void Reserved31() {}
    virtual void Reserved32() {}
    virtual TIMainMenuIntf *GetMainMenu() = 0; // 33: or null; the caller releases it
    virtual void Reserved34() {}
    virtual void Reserved35() {}
    virtual void Reserved36() {}
    virtual void Reserved37() {}
    virtual void Reserved38() {}
    virtual void Reserved39() {}
    virtual void RaiseException(const char *message) = 0; // 40: the IDE reports the error

protected:
    using TInterface::TInterface;
    ~TIToolServices() = default;
};

class TIExpert : public TInterface
{
public:
    virtual const char *GetName() = 0;    // 3
    virtual const char *GetAuthor() = 0;  // 4
    virtual const char *GetComment() = 0; // 5
    virtual const char *GetPage() = 0;    // 6
    virtual const QIcon *GetGlyph() = 0;  // 7
    virtual int GetStyle() = 0;           // 8
    virtual int GetState() = 0;           // 9
    virtual const char *GetIDString() = 0; // 10
    virtual const char *GetMenuText();    // 11: not implemented; a host must not call it
    virtual void Execute() = 0;           // 12

protected:
    using TInterface::TInterface;
    ~TIExpert() = default;
};

using TExpertRegisterProc = bool (*)(TIExpert *expert);
using TExpertTerminateProc = void (*)();
using TInitExpertProc = bool (*)(TIToolServices *toolServices, TExpertRegisterProc registerProc,
                                 TExpertTerminateProc *terminate);

inline constexpr char kExpertEntryName[] = "INITEXPERT0016";

// Beyond the IDE's interfaces, a host that drives its experts from a script
// hands each expert library its services through this second export, when
// the library has it: before the library's entry runs, so that the messages
// shown while starting already answer the script, and again with nulls when
// the script ends. The dialog service takes the expert's message boxes, file
// dialogs and pop-up menus, and those of its wizard windows; the help system
// the wizards' page help. The abstract classes cross the library boundary
// through their virtual tables, as the interfaces above do. Null: the
// expert shows real dialogs, or uses its own help.
using THostServicesProc = void (*)(quillon::wizard::DialogService *dialogs, quillon::wizard::HelpSystem *help);
inline constexpr char kHostServicesEntryName[] = "QUILLONHOSTSERVICES";

} // namespace quillon::expert
