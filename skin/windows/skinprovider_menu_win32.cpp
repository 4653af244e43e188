// The provider's menu line: whether the form shows one, its rows, the hooking of the form's menus
// into the menu painter, the painting of the line into the form image, and the menu messages.
#include "core/flagscope.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/skinmenus.h"
#include "skin/windows/skinprovider.h"
#include "ui/bitmap.h"

namespace skin {
namespace {

// Rebuilding the window menu sends messages that may ask for another rebuild.
bool g_updating_menu = false;

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
    if (FLinesCount != -1)
        return FLinesCount;
    int rows = 1;
    ui::MainMenu* menu = Form ? Form->Menu() : nullptr;
    HWND h = Form ? Form->HandleIfAllocated() : nullptr;
    if (menu && h && menu->Handle()) {
        const FormFrame f = Frame();
        const int start = SysBorderWidth(f, true);
        const int limit = Form->Width() - 2 * start - 2 * Form->BorderWidth();
        int x = start, position = 0;
        ui::MenuItem* items = menu->Items();
        for (int i = 0; i < items->Count(); ++i) {
            ui::MenuItem* item = items->Items(i);
            if (!item->Visible())
                continue;
            RECT r{};
            const bool placed = GetMenuItemRect(h, menu->Handle(), UINT(position++), &r) != FALSE;
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
    HWND h = Form ? Form->HandleIfAllocated() : nullptr;
    if (!image || image->Empty() || !manager || !menu || !h || !MenuPresent() || MenuHeight() <= 0)
        return;
    const FormFrame f = Frame();
    const Rect s = skin::ShadowSize(f);
    const int rows = MenuLinesCount();
    const int lineHeight = rows * MenuHeight();
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
        MenuLineBmp = NewBmp24(width, lineHeight);
        BitBlt(MenuLineBmp->Canvas().Handle(), 0, 0, width, lineHeight, image->Canvas().Handle(), FMenuLineOrigin.x,
               FMenuLineOrigin.y, SRCCOPY);
    }
    // 5. The items where the system placed them, each by its own handler.
    RECT formRect{};
    GetWindowRect(h, &formRect);
    ui::MenuItem* items = menu->Items();
    int position = 0;
    for (int i = 0; i < items->Count(); ++i) {
        ui::MenuItem* item = items->Items(i);
        if (!item->Visible())
            continue;
        RECT r{};
        const bool placed = menu->Handle() && GetMenuItemRect(h, menu->Handle(), UINT(position++), &r);
        if (!placed || !Hooked(item) || !item->OnAdvancedDrawItem)
            continue;
        const POINT at = WindowToImage(POINT{r.left - formRect.left, r.top - formRect.top});
        const RECT target{at.x, at.y, at.x + (r.right - r.left), at.y + (r.bottom - r.top)};
        item->OnAdvancedDrawItem(item, image->Canvas(), target, kMenuLineState);
    }
}

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
