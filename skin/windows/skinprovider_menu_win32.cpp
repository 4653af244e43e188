// The provider's menu line: whether the form shows one, its rows, the hooking of the form's menus
// into the menu painter, the painting of the line into the form image, and the menu messages.
#include "core/flagscope.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/skinmenus.h"
#include "skin/windows/skinprovider.h"
#include "ui/bitmap.h"

#include <utility>

namespace skin {
namespace {

// Rebuilding the window menu sends messages that may ask for another rebuild.
bool g_updating_menu = false;
// The provider whose line is being painted: its items need not ask the form for it.
TsSkinProvider* g_painting_line = nullptr;

bool Hooked(const ui::MenuItem* item) { return item->OnMeasureItem || item->OnAdvancedDrawItem; }

TsMenuPainter* PainterOf(SkinManager* manager)
{
    return manager ? dynamic_cast<TsMenuPainter*>(manager->SkinableMenus()) : nullptr;
}

} // namespace

bool TsSkinProvider::MenuPresent() const
{
    if (!Form || Form->BorderStyle() == ui::bsDialog || !Form->Menu())
        return false;
    if (HWND h = Form->HandleIfAllocated(); h && (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_MDICHILD))
        return false;
    ui::MenuItem* items = Form->Menu()->Items();
    for (int i = 0; i < items->Count(); ++i)
        if (items->Items(i)->Visible())
            return true;
    return false;
}

int TsSkinProvider::MenuLinesCount()
{
    ui::MainMenu* menu = Form ? Form->Menu() : nullptr;
    HWND h = Form ? Form->HandleIfAllocated() : nullptr;
    HMENU handle = menu && h ? menu->Handle() : nullptr;
    if (FLinesCount != -1 && FMenuRectsOf == handle)
        return FLinesCount;
    int rows = 1;
    FMenuItemRects.clear();
    FMenuRectsOf = handle;
    if (handle) {
        const FormFrame f = Frame();
        const int start = SysBorderWidth(f, true);
        const int limit = Form->Width() - 2 * start - 2 * Form->BorderWidth();
        RECT window{};
        GetWindowRect(h, &window);
        int x = start;
        ui::MenuItem* items = menu->Items();
        for (int i = 0; i < items->Count(); ++i) {
            ui::MenuItem* item = items->Items(i);
            if (!item->Visible())
                continue;
            RECT r{};
            const bool placed = GetMenuItemRect(h, handle, UINT(FMenuItemRects.size()), &r) != FALSE;
            if (placed)
                OffsetRect(&r, -window.left, -window.top);
            FMenuItemRects.push_back(placed ? r : RECT{});
            if (!Hooked(item) || !placed)
                continue;
            const int width = r.right - r.left;
            if (x + width > limit && x > start) {
                ++rows;
                x = start;
            }
            x += width;
        }
    }
    FLinesCount = rows;
    return rows;
}

bool TsSkinProvider::UpdateMenu()
{
    ui::MainMenu* menu = Form ? Form->Menu() : nullptr;
    if (g_updating_menu || !menu || menu->Items()->Count() == 0)
        return false;
    core::FlagScope updating(g_updating_menu);
    menu->SetWindow(Form);
    MenuChanged = true;
    return true;
}

void TsSkinProvider::InitMenuItems(bool active)
{
    SkinManager* manager = FCommonData->GetSkinManager();
    TsMenuPainter* painter = PainterOf(manager);
    if (!Form || HasState(core::csDesigning) || !painter || !manager->IsDefault())
        return;
    const bool popups = active && manager->SkinnedPopups();
    std::function<void(core::Component*)> hook = [&](core::Component* c) {
        if (auto* main = dynamic_cast<ui::MainMenu*>(c)) {
            painter->InitMenuLine(main, active && FDrawNonClientArea);
            for (int i = 0; i < main->Items()->Count(); ++i)
                painter->HookItem(main->Items()->Items(i), popups);
        } else if (auto* popup = dynamic_cast<ui::PopupMenu*>(c)) {
            painter->HookPopupMenu(popup, popups);
        } else if (auto* item = dynamic_cast<ui::MenuItem*>(c)) {
            if (dynamic_cast<ui::MainMenu*>(item->GetParentMenu())) {
                for (int i = 0; i < item->ComponentCount(); ++i)
                    hook(item->Components(i));
            } else {
                painter->HookItem(item, popups);
            }
        }
    };
    for (int i = 0; i < Form->ComponentCount(); ++i)
        hook(Form->Components(i));
}

void TsSkinProvider::RepaintMenu()
{
    FCommonData->BGChanged = true;
    MenuChanged = true;
    FLinesCount = -1;
    if (Form && Form->HandleAllocated())
        SendMessageW(Form->Handle(), WM_NCPAINT, 0, 0);
}

POINT TsSkinProvider::WindowToImage(POINT p) const
{
    const FormFrame f = Frame();
    const Rect s = skin::ShadowSize(f);
    return POINT{p.x + s.Left + ExBorderExtra(f), p.y + s.Top + ExTitleExtra(f) + (FSysExHeight ? 4 : 0)};
}

void TsSkinProvider::PaintMenuLine(ui::Bitmap* image)
{
    SkinManager* manager = FCommonData->GetSkinManager();
    ui::MainMenu* menu = Form ? Form->Menu() : nullptr;
    if (!image || image->Empty() || !manager || !menu || !Form->HandleAllocated() || !MenuPresent())
        return;
    const FormFrame f = Frame();
    const int rowHeight = skin::MenuHeight(f);
    if (rowHeight <= 0)
        return;
    const Rect s = skin::ShadowSize(f);
    const int rows = MenuLinesCount();
    const int lineHeight = rows * rowHeight;
    const int titleBottom = PlainBorderWidth(f, false) + skin::CaptionHeight(f, true) + s.Top;
    // 1. The line's section over all its rows.
    int section = FMenuLineSkin.empty() ? -1 : manager->GetSkinIndex(FMenuLineSkin);
    core::String name = FMenuLineSkin;
    if (!manager->IsValidSkinIndex(section)) {
        name = u"MENULINE";
        section = manager->GetSkinIndex(name);
    }
    if (manager->IsValidSkinIndex(section))
        PaintSectionItem(section, name, MakeCacheInfo(image, 0, 0), true, FormActive ? 1 : 0,
                         Rect{s.Left, titleBottom, image->Width() - s.Right, titleBottom + lineHeight}, POINT{0, 0},
                         image, manager);
    // 2. The line's background, kept for the items the system draws later.
    const int width = image->Width() - s.Left - s.Right;
    FMenuLineOrigin = POINT{skin::OffsetX(f) - Form->BorderWidth(),
                            skin::OffsetY(f) - lineHeight - Form->BorderWidth() - (f.ExBorders ? 0 : 1)};
    if (width > 0 && lineHeight > 0) {
        if (!MenuLineBmp || MenuLineBmp->Width() != width || MenuLineBmp->Height() != lineHeight)
            MenuLineBmp = NewBmp24(width, lineHeight);
        BitBlt(MenuLineBmp->Canvas().Handle(), 0, 0, width, lineHeight, image->Canvas().Handle(), FMenuLineOrigin.x,
               FMenuLineOrigin.y, SRCCOPY);
    }
    // 5. The items where the system placed them, each by its own handler.
    const POINT shift = WindowToImage(POINT{0, 0});
    TsSkinProvider* outer = std::exchange(g_painting_line, this);
    ui::MenuItem* items = menu->Items();
    size_t position = 0;
    for (int i = 0; i < items->Count(); ++i) {
        ui::MenuItem* item = items->Items(i);
        if (!item->Visible())
            continue;
        const RECT r = position < FMenuItemRects.size() ? FMenuItemRects[position] : RECT{};
        ++position;
        if (IsRectEmpty(&r) || !Hooked(item) || !item->OnAdvancedDrawItem)
            continue;
        const RECT target{r.left + shift.x, r.top + shift.y, r.right + shift.x, r.bottom + shift.y};
        item->OnAdvancedDrawItem(item, image->Canvas(), target, kMenuLineState);
    }
    g_painting_line = outer;
}

TsSkinProvider* TsSkinProvider::PaintingMenuLine() { return g_painting_line; }

bool TsSkinProvider::MenuMessage(ui::Message& message)
{
    switch (message.Msg) {
    case WM_SYSCOMMAND:
        // An MDI child's menu key goes nowhere: the parent's line holds the menus.
        if ((message.WParam & 0xFFF0) == SC_KEYMENU && Frame().MDIChild)
            return true;
        return false;
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
        SkinManager* manager = FCommonData->GetSkinManager();
        // Only while the menu is owner-drawn already: switching it would rebuild it mid-measure.
        if (measure && measure->CtlType == ODT_MENU && Form->Menu() && Form->Menu()->OwnerDraw() && manager &&
            !Frame().MDIChild)
            if (ui::MenuItem* item = ui::Menu::FindCommand(UINT(measure->itemData));
                item && item->GetParentMenu() == Form->Menu())
                if (TsMenuPainter* painter = PainterOf(manager))
                    painter->InitItem(item, true);
        return false;
    }
    default: return false;
    }
}

} // namespace skin
