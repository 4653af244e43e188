// The menu painter of window skinning: popup and sub-menu items owner-drawn from the skin over one
// background image per open menu ("MAINMENU" with its border mask, the glyph column "ICOLINE" and
// the optional vertical extra line), the menu window's border and region cut from the mask's key
// corners, and the top-line items of a main menu painted into the skinned form's menu line.
#pragma once

#include "core/win32.h"
#include "skin/engine/consts.h"
#include "skin/engine/skinablemenus.h"
#include "ui/menu.h"

#include <functional>
#include <memory>
#include <vector>

namespace skin {

enum TsMenuItemType { smCaption, smDivider, smNormal, smTopLine };
using TsMenuManagerDrawItemEvent = std::function<void(core::Object* sender, ui::Canvas& canvas, RECT rect,
                                                      ui::OwnerDrawState state, TsMenuItemType itemType)>;

// One open menu: its first item is the key, its background and its window once found.
struct TacMenuInfo {
    ui::MenuItem* FirstItem = nullptr;
    ui::Bitmap* Bmp = nullptr; // owned by the painter's list
    HWND Wnd = nullptr;
    bool HaveExtraLine = false;
};

// The owner-draw state of the top-line items painted into a form's menu line.
constexpr ui::OwnerDrawState kMenuLineState = ui::odMenuLine;

class TsMenuPainter : public TsSkinableMenus {
public:
    explicit TsMenuPainter(SkinManager* manager);
    ~TsMenuPainter() override;

    // ---- Properties ----
    int Margin = 2;
    ui::Alignment Alignment = ui::taLeftJustify;
    int BevelWidth = 0; // stored only
    int BorderWidth = 3;
    int Spacing = 6;
    ui::Font CaptionFont;
    bool Active() const { return FActive; }
    void SetActive(bool value);

    // ---- Events ----
    TsMenuManagerDrawItemEvent OnDrawItem;

    // ---- Hooking ----
    void UpdateMenus() override;
    void InitItems(bool active);
    void InitItem(ui::MenuItem* item, bool active);
    void InitMenuLine(ui::MainMenu* menu, bool active);
    void HookItem(ui::MenuItem* menuItem, bool active);
    void HookPopupMenu(ui::PopupMenu* menu, bool active);

    // ---- Handlers ----
    void sMeasureItem(core::Object* sender, ui::Canvas& canvas, int& width, int& height);
    void sAdvancedDrawItem(core::Object* sender, ui::Canvas& canvas, RECT rect, ui::OwnerDrawState state);
    void sMeasureLineItem(core::Object* sender, ui::Canvas& canvas, int& width, int& height);
    void sAdvancedDrawLineItem(core::Object* sender, ui::Canvas& canvas, RECT rect, ui::OwnerDrawState state);

    // ---- Menu backgrounds and windows ----
    ui::Bitmap* GetMenuInfo(ui::MenuItem* item, HWND wnd) override;
    // The entry of item's menu, built when missing and width is not 0; without item the entry of
    // the window. An entry with null FirstItem when none.
    TacMenuInfo GetMenuInfo(ui::MenuItem* item, int width, int height, HWND wnd);
    void PrepareMenuBG(ui::MenuItem* item, int width, int height, HWND wnd);
    void DrawWndBorder(HWND wnd, ui::Bitmap* menuBmp) override;
    int ExtraWidth(const TacMenuInfo& mi) const;
    int GetSkinBorderWidth();
    // Frees every cached background.
    static void ClearMenuInfos();
    static size_t MenuInfoCount();

    // ---- Item questions ----
    static bool IsTopLine(const ui::MenuItem* item);
    static bool IsPopupItem(const ui::MenuItem* item);
    static bool LastItem(const ui::MenuItem*) { return false; }
    static TsMenuItemType ItemKind(const ui::MenuItem* item);
    // The glyph size of an item: its bitmap, its parent's submenu images, its menu's images, 16 x 16.
    static SIZE GlyphSize(const ui::MenuItem* item);
    // The handlers are this painter's (also after copying the item's events).
    static bool HasOurHandlers(const ui::MenuItem* item);
    static bool HasOurLineHandlers(const ui::MenuItem* item);

    // ---- State ----
    TAOR ArOR;
    bool Pressed = false;
    bool BorderDrawing = false;

private:
    TacMenuSupport* Support() const;
    bool SkinnedPopups() const;
    // The extra-line values of the menu of firstItem; false for no line.
    bool QueryExtraLine(ui::MenuItem* firstItem);
    int GlyphColumnWidth(const ui::MenuItem* item) const;
    void PaintDivider(ui::Canvas& canvas, RECT rect, const TacMenuInfo& mi, const ui::MenuItem* item);
    void PaintCaptionItem(ui::Canvas& canvas, RECT rect, const TacMenuInfo& mi, const ui::MenuItem* item,
                          ui::OwnerDrawState state);
    void PaintBorderStrips(HDC dc, HWND wnd, const TacMenuInfo& mi, const ui::MenuItem* item, RECT rect, bool firstColumn);

    // A bitmap of at least w x h for one item's picture, kept between items: a new bitmap per
    // item would cost more than painting it.
    ui::Bitmap* Scratch(int w, int h);

    bool FActive = false;
    std::unique_ptr<ui::Bitmap> m_scratch;
};

// Registers the painter as the manager's menu painter (window skinning's start-up).
void InstallMenuPainter();
void RemoveMenuPainter();
// The screen's menu font into a canvas font, bold when asked; read from the system on first use and
// again by RefreshMenuFont (each popup menu that opens).
void SetMenuFont(ui::Font& font, bool bold);
void RefreshMenuFont();

} // namespace skin
