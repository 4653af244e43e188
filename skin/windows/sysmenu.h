// The window menus the skinning shows in place of the system's: a popup menu of the window commands
// (Restore, Move, Size, Minimize, Maximize, Close) whose items are shown and enabled by the rules of
// the title buttons and whose clicks send the matching WM_SYSCOMMAND. TsSystemMenu copies a skinned
// form's real window menu, with its application-added commands, and can list the skins to switch
// to; TacSystemMenu is the fixed menu of a skinned dialog.
#pragma once

#include "core/stringlist.h"
#include "core/win32.h"
#include "ui/menu.h"

#include <functional>

namespace skin {

class TsSkinProvider;

// Captions of the standard items: the program's string table, else the English defaults.
core::String SysMenuText(UINT stringId);

class TsCustomSysMenu : public ui::PopupMenu {
public:
    explicit TsCustomSysMenu(core::Component* owner) : ui::PopupMenu(owner) {}
    virtual bool VisibleClose() = 0;
    virtual bool VisibleMax() = 0;
    virtual bool VisibleMin() = 0;
    virtual bool EnabledMax() = 0;
    virtual bool EnabledMin() = 0;
    virtual bool EnabledRestore() = 0;

    // The window the menu's commands go to; the menu pops up owned by it.
    HWND Window() const { return m_window; }
    void SetWindow(HWND window) { m_window = window; }
    void Popup(int x, int y) override;

protected:
    ui::MenuItem* AddItem(core::StringView caption, core::StringView name, ui::NotifyEvent onClick, int tag);
    void AddLine();
    void SendCommand(WPARAM command);

private:
    HWND m_window = nullptr;
};

// Where the skin list comes from: the names of all skins and the current one, and how one is chosen.
struct SkinListSource {
    std::function<bool(core::StringList& names, core::String& current)> GetNames;
    std::function<void(core::StringView name)> SelectSkin;
};

class TsSystemMenu : public TsCustomSysMenu {
public:
    explicit TsSystemMenu(TsSkinProvider* owner);
    core::String ClassName() const override { return u"TsSystemMenu"; }

    void Generate();
    void UpdateItems(bool full);
    void MakeSkinItems();
    void UpdateGlyphs() {}

    bool VisibleClose() override;
    bool VisibleMax() override;
    bool VisibleMin() override;
    bool EnabledMax() override;
    bool EnabledMin() override;
    bool EnabledRestore() override;
    bool VisibleRestore();
    bool VisibleSize();
    bool EnabledMove();
    bool EnabledSize();

    // The skin list's source; by default the provider's skin manager.
    void SetSkinListSource(SkinListSource source) { m_skins = std::move(source); }

    int ExtItemsCount = 0;
    TsSkinProvider* FOwner = nullptr;
    ui::Form* FForm = nullptr;
    ui::MenuItem* ItemRestore = nullptr;
    ui::MenuItem* ItemMove = nullptr;
    ui::MenuItem* ItemSize = nullptr;
    ui::MenuItem* ItemMinimize = nullptr;
    ui::MenuItem* ItemMaximize = nullptr;
    ui::MenuItem* ItemClose = nullptr;

private:
    void ExtClick(core::Object* sender);
    void SkinSelect(core::Object* sender);
    SkinListSource m_skins;
};

// The rules a dialog wrapper answers for its menu.
struct DialogMenuRules {
    bool HasSysMenu = true;          // WS_SYSMENU in the saved style
    bool VisibleRestore = false, EnabledRestore = false;
    bool VisibleMin = false, EnabledMin = false;
    bool VisibleMax = false, EnabledMax = false;
    bool VisibleSize = true, EnabledSize = true, EnabledMove = true;
};

class TacSystemMenu : public TsCustomSysMenu {
public:
    explicit TacSystemMenu(core::Component* owner);
    core::String ClassName() const override { return u"TacSystemMenu"; }

    void UpdateItems();
    // The dialog's rules, asked at each update.
    std::function<DialogMenuRules()> Rules;

    bool VisibleClose() override { return Rules && Rules().HasSysMenu; }
    bool VisibleMax() override { return false; }
    bool VisibleMin() override { return false; }
    bool EnabledMax() override { return false; }
    bool EnabledMin() override { return false; }
    bool EnabledRestore() override { return false; }

    ui::MenuItem* ItemRestore = nullptr;
    ui::MenuItem* ItemMove = nullptr;
    ui::MenuItem* ItemSize = nullptr;
    ui::MenuItem* ItemMinimize = nullptr;
    ui::MenuItem* ItemMaximize = nullptr;
    ui::MenuItem* ItemClose = nullptr;
};

} // namespace skin
