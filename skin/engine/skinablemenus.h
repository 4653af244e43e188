// The seams of the skin manager that window skinning fills: the menu painter with the menu
// options, and the dialog skinning's window-creation hook. Until window skinning installs its
// factory the menu painter paints nothing, and until it installs its hook the hook only passes
// every event on.
#pragma once

#include "core/persistent.h"
#include "core/win32.h"
#include "skin/engine/skinmanager.h"
#include "ui/font.h"

#include <functional>
#include <memory>

namespace ui {
class Bitmap;
class MenuItem;
}

namespace skin {

// A font that is also a persistent object, so that it can be read and written by property name.
class TacFont : public core::Persistent, public ui::Font {
public:
    core::String ClassName() const override { return u"TFont"; }
    using ui::Font::Assign;
    // Copies another TacFont by value.
    void Assign(const core::Persistent& source) override;
};

// The manager's menu options.
class TacMenuSupport : public core::Persistent {
public:
    core::String ClassName() const override { return u"TacMenuSupport"; }
    core::String IcoLineSkin; // section painted behind the glyph column ("ICOLINE" once loaded)
    bool UseExtraLine = false;
    int ExtraLineWidth = 32;
    TacFont ExtraLineFont; // the setter copies the value
    void SetExtraLineFont(const ui::Font& value) { ExtraLineFont.Assign(value); }
};

// Paints the application's menus in the skin; one per manager.
class TsSkinableMenus {
public:
    explicit TsSkinableMenus(SkinManager* manager) : Manager(manager) {}
    virtual ~TsSkinableMenus() = default;
    TsSkinableMenus(const TsSkinableMenus&) = delete;
    TsSkinableMenus& operator=(const TsSkinableMenus&) = delete;

    // Gives the menus of every form the skinned handlers.
    virtual void UpdateMenus() {}
    // The background image of the open menu that shows item (null: a menu without item) in wnd;
    // null when the menu is not skinned.
    virtual ui::Bitmap* GetMenuInfo(ui::MenuItem* item, HWND wnd) { return nullptr; }
    // Paints the skin's border of the menu window from its background image.
    virtual void DrawWndBorder(HWND wnd, ui::Bitmap* image) {}

    SkinManager* Manager;
    int SkinBorderWidth = -1; // cached width of the menus' border, -1 until measured
};

// Window skinning installs the maker of its menu painter; every manager created afterwards gets
// that painter, managers without it (or after the factory is reset to null) get the empty seam.
using SkinableMenusFactory = std::unique_ptr<TsSkinableMenus> (*)(SkinManager* manager);
void SetSkinableMenusFactory(SkinableMenusFactory factory);
std::unique_ptr<TsSkinableMenus> MakeSkinableMenus(SkinManager* manager);
// The drop-down speed button whose menu is open: the button sets it while the menu is shown, the
// menu painter clears it (and gives the hints back) once the menu paints.
void*& MenuDropDownButton();

// What the dialog skinning gives the manager's hook: its window-creation hook procedure, and the
// clean-ups the manager runs when it takes the hook off (the menu list, the providers the hook
// made). Empty parts leave a hook that only passes events on.
struct DialogSkinningHooks {
    HOOKPROC Procedure = nullptr;
    std::function<void()> ClearMnuArray;
    std::function<void()> ReleaseProviders;
};
void SetDialogSkinningHooks(DialogSkinningHooks hooks);
const DialogSkinningHooks& GetDialogSkinningHooks();
// The manager's window-creation hook while installed, null otherwise; for CallNextHookEx.
HHOOK DialogHookHandle();

} // namespace skin
