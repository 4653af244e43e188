// Menus: a tree of menu items under a main menu (the form's menu bar) or a popup menu. Items carry a
// caption with '&' accelerators, a shortcut, visible/enabled/checked states and owner-draw events.
// A shortcut acts while its item is enabled, also when the item or a parent of it is hidden: the
// shortcut search walks the whole tree, the system menu shows only the visible items.
#pragma once

#include "core/component.h"
#include "core/win32.h"
#include "ui/canvas.h"
#include "ui/control.h"
#include "ui/shortcut.h"

#include <memory>
#include <vector>

namespace ui {

class Menu;
class Form;
class Bitmap;
class ImageList;

using MenuMeasureItemEvent = std::function<void(core::Object* sender, Canvas& canvas, int& width, int& height)>;
using MenuDrawItemEvent = std::function<void(core::Object* sender, Canvas& canvas, RECT rect, bool selected)>;

// The owner-draw state of an item as the system reports it (the ODS_ bits); odMenuLine is the mark
// of a main-menu item painted into a skinned form's menu line rather than by the system.
using OwnerDrawState = unsigned;
constexpr OwnerDrawState odSelected = 0x0001, odGrayed = 0x0002, odDisabled = 0x0004, odChecked = 0x0008,
                         odFocused = 0x0010, odDefault = 0x0020, odHotLight = 0x0040, odInactive = 0x0080,
                         odNoAccel = 0x0100, odNoFocusRect = 0x0200, odMenuLine = 0x0500;
using MenuAdvancedDrawItemEvent =
    std::function<void(core::Object* sender, Canvas& canvas, RECT rect, OwnerDrawState state)>;

// How a popup menu opens; maNone switches the system's animation off.
enum MenuAnimationKind : unsigned { maLeftToRight, maRightToLeft, maTopToBottom, maBottomToTop, maNone };
using MenuAnimations = unsigned; // bits of MenuAnimationKind

class MenuItem : public core::Component {
public:
    explicit MenuItem(core::Component* owner = nullptr);
    ~MenuItem() override;

    // ---- Properties ----
    const core::String& Caption() const { return m_caption; }
    void SetCaption(core::StringView caption);
    ui::ShortCut ShortCut() const { return m_shortcut; }
    void SetShortCut(ui::ShortCut shortcut);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    bool Checked() const { return m_checked; }
    void SetChecked(bool checked);
    bool Default() const { return m_default; }
    void SetDefault(bool value);
    const core::String& Hint() const { return m_hint; }
    void SetHint(core::StringView hint) { m_hint = core::String(hint); }
    bool IsLine() const { return m_caption == u"-"; }
    // The item starts a new column of its menu.
    bool Break() const { return m_break; }
    void SetBreak(bool value);
    // Checked shows a radio mark rather than a check mark.
    bool RadioItem() const { return m_radio; }
    void SetRadioItem(bool value);
    // Items of one group replace each other when menus are merged.
    int GroupIndex() const { return m_group_index; }
    void SetGroupIndex(int value);
    // The item's own glyph (copied; null for none), or an image of its menu's image list.
    ui::Bitmap* Bitmap() const { return m_bitmap.get(); }
    void SetBitmap(const ui::Bitmap* bitmap);
    int ImageIndex() const { return m_image_index; }
    void SetImageIndex(int value);
    // The images of the item's submenu (not owned).
    ImageList* SubMenuImages() const { return m_submenu_images; }
    void SetSubMenuImages(ImageList* images);
    // Command identifier of the item in the system menu (WM_COMMAND).
    UINT Command() const { return m_command; }
    // The submenu's system handle while the menu is built, else null.
    HMENU SubmenuHandle() const { return m_submenu; }

    // ---- Tree ----
    int Count() const { return int(m_items.size()); }
    MenuItem* Items(int index) const;
    MenuItem* Parent() const { return m_parent; }
    void Add(MenuItem* item);
    void Insert(int index, MenuItem* item);
    // Takes the item out without freeing it.
    void Remove(MenuItem* item);
    // Frees every child item.
    void Clear();
    int IndexOf(const MenuItem* item) const;
    // The child whose caption (accelerator marks ignored) matches, or null.
    MenuItem* Find(core::StringView caption) const;
    // The menu the tree belongs to, or null.
    Menu* GetParentMenu() const;

    // ---- Operations ----
    // Raises OnClick while the item is enabled.
    virtual void Click();

    // ---- Events ----
    NotifyEvent OnClick;
    MenuMeasureItemEvent OnMeasureItem;
    MenuDrawItemEvent OnDrawItem;
    // Called in place of OnDrawItem when assigned, with the full owner-draw state.
    MenuAdvancedDrawItemEvent OnAdvancedDrawItem;

    // The item is drawn by its owner (it has a measure or draw handler).
    bool HasOwnerDrawHandlers() const { return OnMeasureItem || OnDrawItem || OnAdvancedDrawItem; }

private:
    friend class Menu;
    void Changed();

    core::String m_caption;
    ui::ShortCut m_shortcut = scNone;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_checked = false;
    bool m_default = false;
    bool m_break = false;
    bool m_radio = false;
    int m_group_index = 0;
    std::unique_ptr<ui::Bitmap> m_bitmap;
    int m_image_index = -1;
    ImageList* m_submenu_images = nullptr;
    core::String m_hint;
    std::vector<MenuItem*> m_items;
    MenuItem* m_parent = nullptr;
    Menu* m_menu = nullptr; // set on the root item only
    UINT m_command = 0;
    HMENU m_submenu = nullptr;
};

class Menu : public core::Component {
public:
    explicit Menu(core::Component* owner = nullptr);
    ~Menu() override;

    // ---- Properties ----
    // The invisible root item whose children are the menu's items.
    MenuItem* Items() const { return m_items.get(); }
    // The built system menu, or null.
    HMENU Handle() const { return m_handle; }
    // Every item is drawn by its owner, also those without handlers of their own.
    bool OwnerDraw() const { return m_owner_draw; }
    void SetOwnerDraw(bool value);
    // The glyphs of the items' image indexes (not owned).
    ImageList* Images() const { return m_images; }
    void SetImages(ImageList* images);

    // ---- Operations ----
    // Runs the item with this shortcut; true when one acted.
    bool IsShortCut(ShortCut shortcut);
    // The item of a command identifier, anywhere in any menu.
    static MenuItem* FindCommand(UINT command);
    // A WM_COMMAND of a menu item: runs the item; false when no item has the identifier.
    static bool DispatchCommand(UINT command);
    // WM_MEASUREITEM / WM_DRAWITEM of an owner-drawn menu item.
    static bool DispatchOwnerDraw(UINT msg, WPARAM wparam, LPARAM lparam);
    // WM_INITMENUPOPUP: the item whose submenu opens is clicked.
    static bool DispatchInitPopup(HMENU submenu);

protected:
    friend class MenuItem;
    virtual void MenuChanged();
    // Builds the system menu (a menu bar or a popup) from the visible items, or from the given ones.
    HMENU Build(bool popup, const std::vector<MenuItem*>* items = nullptr);
    void FreeHandle();

    HMENU m_handle = nullptr;

private:
    void BuildItems(HMENU target, const std::vector<MenuItem*>& items);
    std::unique_ptr<MenuItem> m_items;
    bool m_owner_draw = false;
    ImageList* m_images = nullptr;
};

class MainMenu : public Menu {
public:
    explicit MainMenu(core::Component* owner = nullptr) : Menu(owner) {}
    ~MainMenu() override;

    // The form showing the menu (Form::SetMenu sets it).
    Form* Window() const { return m_window; }
    void SetWindow(Form* form);
    // The top items of this menu with a child's merged in (the frame bar of an MDI form).
    std::vector<MenuItem*> MergedItems(const MainMenu* child) const;

protected:
    void MenuChanged() override;

private:
    Form* m_window = nullptr;
};

class PopupMenu : public Menu {
public:
    explicit PopupMenu(core::Component* owner = nullptr) : Menu(owner) {}

    // Shows the menu at a screen point and returns when it closes; the chosen item is clicked.
    virtual void Popup(int x, int y);

    // ---- Properties ----
    MenuAnimations MenuAnimation() const { return m_animation; }
    void SetMenuAnimation(MenuAnimations value) { m_animation = value; }
    // The control the menu was last shown for (set by whoever pops it up).
    core::Component* PopupComponent() const { return m_popup_component; }
    void SetPopupComponent(core::Component* value) { m_popup_component = value; }
    // The window that owns the open menu and gets its messages (the application window by default).
    HWND WindowHandle() const;
    void SetWindowHandle(HWND value) { m_window_handle = value; }

    // ---- Events ----
    NotifyEvent OnPopup;

private:
    MenuAnimations m_animation = 0;
    core::Component* m_popup_component = nullptr;
    HWND m_window_handle = nullptr;
};

} // namespace ui
