// The menu painter: hooking of menu items, measuring, the per-menu background and its window
// border and region, and the drawing of popup items and caption and divider items.
#include "skin/windows/skinmenus.h"

#include "core/flagscope.h"
#include "skin/engine/command.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/engine/tsskinmanager.h"
#include "skin/windows/mnuwnd.h"
#include "ui/application.h"
#include "ui/bitmap.h"
#include "ui/imagelist.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace skin {
namespace {

constexpr UINT kMenuItemBorder = 0xBCB3;   // the item's menu window wants its border
constexpr UINT kMenuWindowBorder = 0xBCB4; // the menu window wants its border
constexpr char16_t kSelectItemName[] = u"SkinSelectItem";
constexpr char16_t kDefaultExtraCaption[] = u"Use OnGetExtraLineData event";

// The painters alive: a handler left on an item after its painter went does nothing.
std::set<const TsMenuPainter*>& LivePainters()
{
    static std::set<const TsMenuPainter*> live;
    return live;
}

// Per-process state of the open menus (the GUI thread's).
struct MenusUnit {
    std::vector<std::pair<TacMenuInfo, std::unique_ptr<ui::Bitmap>>> infos;
    // The extra-line values of the last query.
    core::String extraSection, extraCaption;
    std::unique_ptr<ui::Bitmap> extraGlyph;
    bool extraVisible = false;
    // The screen's menu font, read again for every menu that opens.
    LOGFONTW menuFont{};
    bool menuFontKnown = false;
};

MenusUnit& Unit()
{
    static MenusUnit unit;
    return unit;
}

// The handlers this painter gives items; told apart from others by their types.
template <auto Method>
struct OurHandler {
    TsMenuPainter* painter;
    template <class... Args>
    void operator()(Args&&... args) const
    {
        if (LivePainters().count(painter))
            (painter->*Method)(std::forward<Args>(args)...);
    }
};
using OurMeasure = OurHandler<&TsMenuPainter::sMeasureItem>;
using OurDraw = OurHandler<&TsMenuPainter::sAdvancedDrawItem>;
using OurLineMeasure = OurHandler<&TsMenuPainter::sMeasureLineItem>;
using OurLineDraw = OurHandler<&TsMenuPainter::sAdvancedDrawLineItem>;

bool OurMeasureOf(const ui::MenuItem* i) { return i->OnMeasureItem.target<OurMeasure>() != nullptr; }
bool OurDrawOf(const ui::MenuItem* i) { return i->OnAdvancedDrawItem.target<OurDraw>() != nullptr; }

void ClearOurs(ui::MenuItem* item)
{
    if (OurMeasureOf(item))
        item->OnMeasureItem = nullptr;
    if (OurDrawOf(item))
        item->OnAdvancedDrawItem = nullptr;
}

void ClearOurLineHandlers(ui::MenuItem* item)
{
    if (item->OnMeasureItem.target<OurLineMeasure>())
        item->OnMeasureItem = nullptr;
    if (item->OnAdvancedDrawItem.target<OurLineDraw>())
        item->OnAdvancedDrawItem = nullptr;
}

bool Destroying(const core::Component* c) { return c && c->HasState(core::csDestroying); }

// The caption of a caption item: the first word between hyphens.
core::String CaptionWord(const core::String& caption)
{
    size_t start = caption.find_first_not_of(u'-');
    if (start == core::String::npos)
        return {};
    size_t end = caption.find(u'-', start);
    return caption.substr(start, end == core::String::npos ? core::String::npos : end - start);
}

core::String WithoutAmpersands(core::StringView text)
{
    core::String out;
    for (char16_t c : text)
        if (c != u'&')
            out += c;
    return out;
}

int ItemTextHeight(ui::Canvas& canvas)
{
    const int h = canvas.TextHeight(u"W");
    return int(std::lround(1.25 * std::max(h, 0)));
}

// Copies part of a bitmap to a DC.
void Blt(HDC dc, int x, int y, int w, int h, ui::Bitmap* src, int sx, int sy)
{
    if (w > 0 && h > 0 && src)
        BitBlt(dc, x, y, w, h, src->Canvas().Handle(), sx, sy, SRCCOPY);
}

int SectionIndex(SkinManager* m, core::StringView name) { return m ? m->GetSkinIndex(name) : -1; }

int GlobalMask(SkinManager* m, core::StringView name)
{
    return m->GetMaskIndex(m->GetConstData().IndexGLobalInfo, u"GLOBALINFO", name);
}

LRESULT CALLBACK MenuWndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    auto old = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    switch (msg) {
    case WM_ERASEBKGND:
    case WM_NCPAINT: return 1;
    case WM_DESTROY:
        TsMenuPainter::ClearMenuInfos();
        SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        break;
    default: break;
    }
    return old ? CallWindowProcW(old, wnd, msg, wparam, lparam) : DefWindowProcW(wnd, msg, wparam, lparam);
}

std::unique_ptr<TsSkinableMenus> MakePainter(SkinManager* manager) { return std::make_unique<TsMenuPainter>(manager); }

} // namespace

void RefreshMenuFont()
{
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    MenusUnit& u = Unit();
    u.menuFontKnown = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0) != FALSE;
    if (u.menuFontKnown)
        u.menuFont = ncm.lfMenuFont;
}

void SetMenuFont(ui::Font& font, bool bold)
{
    MenusUnit& u = Unit();
    if (!u.menuFontKnown)
        RefreshMenuFont();
    if (u.menuFontKnown) {
        font.SetName(core::String(reinterpret_cast<const char16_t*>(u.menuFont.lfFaceName)));
        font.SetHeight(u.menuFont.lfHeight ? u.menuFont.lfHeight : -12);
        font.SetCharset(u.menuFont.lfCharSet);
    }
    font.SetStyle(bold ? ui::FontStyles(ui::fsBold) : ui::FontStyles(0));
}

void InstallMenuPainter() { SetSkinableMenusFactory(MakePainter); }
void RemoveMenuPainter() { SetSkinableMenusFactory(nullptr); }

// ---- Construction ----

TsMenuPainter::TsMenuPainter(SkinManager* manager) : TsSkinableMenus(manager) { LivePainters().insert(this); }

TsMenuPainter::~TsMenuPainter()
{
    LivePainters().erase(this);
    Manager = nullptr;
    if (LivePainters().empty())
        ClearMenuInfos();
}

ui::Bitmap* TsMenuPainter::Scratch(int w, int h)
{
    if (!m_scratch || m_scratch->Width() < w || m_scratch->Height() < h)
        m_scratch = NewBmp24(std::max(w, m_scratch ? m_scratch->Width() : 0), std::max(h, m_scratch ? m_scratch->Height() : 0));
    return m_scratch.get();
}

TacMenuSupport* TsMenuPainter::Support() const { return Manager ? Manager->MenuSupport() : nullptr; }
bool TsMenuPainter::SkinnedPopups() const { return Manager && Manager->SkinnedPopups(); }

void TsMenuPainter::SetActive(bool value)
{
    if (value != FActive)
        InitItems(value);
}

void TsMenuPainter::UpdateMenus() { SetActive(Manager && Manager->GetSkinData().Active); }

// ---- Hooking ----

void TsMenuPainter::InitItems(bool active)
{
    FActive = active;
    if (!Manager || Manager->Designing())
        return;
    const bool popups = active && SkinnedPopups();
    std::function<void(core::Component*)> walk = [&](core::Component* owner) {
        for (int i = 0; i < owner->ComponentCount(); ++i) {
            core::Component* c = owner->Components(i);
            if (auto* main = dynamic_cast<ui::MainMenu*>(c)) {
                InitMenuLine(main, active);
                for (int k = 0; k < main->Items()->Count(); ++k)
                    HookItem(main->Items()->Items(k), popups);
            } else if (auto* popup = dynamic_cast<ui::PopupMenu*>(c)) {
                HookPopupMenu(popup, popups);
            } else if (auto* item = dynamic_cast<ui::MenuItem*>(c)) {
                if (!dynamic_cast<ui::MainMenu*>(item->GetParentMenu()))
                    HookItem(item, popups);
            }
            walk(c);
        }
    };
    walk(&ui::App());
}

void TsMenuPainter::HookItem(ui::MenuItem* menuItem, bool active)
{
    if (!menuItem)
        return;
    for (int i = 0; i < menuItem->Count(); ++i) {
        ui::MenuItem* item = menuItem->Items(i);
        if (active) {
            if (!IsTopLine(item)) {
                if (!item->OnAdvancedDrawItem && !item->OnDrawItem)
                    item->OnAdvancedDrawItem = OurDraw{this};
                if (!item->OnMeasureItem)
                    item->OnMeasureItem = OurMeasure{this};
            }
        } else {
            ClearOurs(item);
        }
        HookItem(item, active);
    }
}

void TsMenuPainter::HookPopupMenu(ui::PopupMenu* menu, bool active)
{
    if (!menu)
        return;
    menu->SetOwnerDraw(active && SkinnedPopups());
    const unsigned none = 1u << ui::maNone;
    menu->SetMenuAnimation(active ? menu->MenuAnimation() | none : menu->MenuAnimation() & ~none);
    HookItem(menu->Items(), active);
}

void TsMenuPainter::InitMenuLine(ui::MainMenu* menu, bool active)
{
    if (!menu)
        return;
    if (active && Manager && Manager->GetSkinData().Active) {
        if (!SkinnedPopups())
            return;
        for (int i = 0; i < menu->Items()->Count(); ++i) {
            ui::MenuItem* item = menu->Items()->Items(i);
            item->OnAdvancedDrawItem = OurLineDraw{this};
            item->OnMeasureItem = OurLineMeasure{this};
        }
    } else if (!active) {
        for (int i = 0; i < menu->Items()->Count(); ++i)
            ClearOurLineHandlers(menu->Items()->Items(i));
    }
    if (!Destroying(menu))
        menu->SetOwnerDraw(active);
}

void TsMenuPainter::InitItem(ui::MenuItem* item, bool active)
{
    if (!item)
        return;
    if (ui::Menu* menu = item->GetParentMenu())
        menu->SetOwnerDraw(active);
    if (active) {
        if (IsTopLine(item)) {
            item->OnAdvancedDrawItem = OurLineDraw{this};
            item->OnMeasureItem = OurLineMeasure{this};
        } else if (SkinnedPopups()) {
            if (!item->OnAdvancedDrawItem && !item->OnDrawItem)
                item->OnAdvancedDrawItem = OurDraw{this};
            if (!item->OnMeasureItem)
                item->OnMeasureItem = OurMeasure{this};
        }
    } else {
        ClearOurs(item);
        ClearOurLineHandlers(item);
    }
}

// ---- Item questions ----

bool TsMenuPainter::IsTopLine(const ui::MenuItem* item)
{
    return item && item->Parent() && !item->Parent()->Parent() &&
           dynamic_cast<ui::MainMenu*>(item->GetParentMenu()) != nullptr;
}

bool TsMenuPainter::IsPopupItem(const ui::MenuItem* item)
{
    return item && dynamic_cast<ui::PopupMenu*>(item->GetParentMenu()) != nullptr;
}

TsMenuItemType TsMenuPainter::ItemKind(const ui::MenuItem* item)
{
    const core::String& c = item->Caption();
    if (c == u"-")
        return smDivider;
    if (c.size() > 1 && c.front() == u'-' && c.back() == u'-')
        return smCaption;
    if (IsTopLine(item))
        return smTopLine;
    return smNormal;
}

bool TsMenuPainter::HasOurHandlers(const ui::MenuItem* item) { return OurMeasureOf(item) || OurDrawOf(item); }

bool TsMenuPainter::HasOurLineHandlers(const ui::MenuItem* item)
{
    return item->OnMeasureItem.target<OurLineMeasure>() || item->OnAdvancedDrawItem.target<OurLineDraw>();
}

SIZE TsMenuPainter::GlyphSize(const ui::MenuItem* item)
{
    if (ui::Bitmap* b = item->Bitmap())
        return SIZE{b->Width(), b->Height()};
    if (item->Parent() && item->Parent()->SubMenuImages())
        return SIZE{item->Parent()->SubMenuImages()->Width(), item->Parent()->SubMenuImages()->Height()};
    if (ui::Menu* menu = item->GetParentMenu(); menu && menu->Images())
        return SIZE{menu->Images()->Width(), menu->Images()->Height()};
    return SIZE{16, 16};
}

int TsMenuPainter::GlyphColumnWidth(const ui::MenuItem* item) const { return GlyphSize(item).cx + Margin + Spacing; }

// ---- Extra line ----

bool TsMenuPainter::QueryExtraLine(ui::MenuItem* firstItem)
{
    MenusUnit& u = Unit();
    u.extraSection = u"EXTRALINE";
    u.extraCaption = kDefaultExtraCaption;
    u.extraGlyph.reset();
    u.extraVisible = true;
    if (auto* manager = dynamic_cast<TsSkinManager*>(Manager); manager && manager->OnGetMenuExtraLineData) {
        ui::Bitmap* glyph = nullptr;
        manager->OnGetMenuExtraLineData(firstItem, u.extraSection, u.extraCaption, glyph, u.extraVisible);
        if (glyph && glyph->Width() > 0 && glyph->Height() > 0) {
            u.extraGlyph = std::make_unique<ui::Bitmap>();
            u.extraGlyph->Assign(*glyph);
        }
    }
    u.extraCaption = WithoutAmpersands(u.extraCaption);
    if (!u.extraVisible)
        u.extraGlyph.reset();
    return u.extraVisible;
}

int TsMenuPainter::ExtraWidth(const TacMenuInfo& mi) const
{
    TacMenuSupport* s = Support();
    return s && s->UseExtraLine && mi.HaveExtraLine ? s->ExtraLineWidth : 0;
}

// ---- Measuring ----

void TsMenuPainter::sMeasureItem(core::Object* sender, ui::Canvas& canvas, int& width, int& height)
{
    auto* item = dynamic_cast<ui::MenuItem*>(sender);
    if (!item || Destroying(item))
        return;
    SkinnedMenuOpen() = true;
    ui::MenuItem* parent = item->Parent();
    ui::MenuItem* first = parent && parent->Count() > 0 ? parent->Items(0) : item;
    TacMenuInfo mi = GetMenuInfo(item, 0, 0, nullptr);
    const TsMenuItemType kind = ItemKind(item);
    if (!mi.FirstItem && Manager && !Manager->Designing()) {
        mi.HaveExtraLine = first->Name() != kSelectItemName && QueryExtraLine(first);
        Unit().extraGlyph.reset();
    }
    SetMenuFont(canvas.Font(), item->Default());
    core::String text;
    if (kind == smCaption)
        text = u"-" + item->Caption() + u"-";
    else if (kind != smDivider) {
        text = item->Caption();
        if (item->ShortCut() != ui::scNone)
            text += u"\t" + ui::ShortCutToText(item->ShortCut());
    }
    RECT r{0, 0, 1, 0};
    if (!text.empty())
        canvas.TextRect(r, text, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP);
    const SIZE glyph = GlyphSize(item);
    bool firstColumn = true;
    if (parent)
        for (int i = 0; i <= parent->IndexOf(item); ++i)
            firstColumn = firstColumn && !parent->Items(i)->Break();
    width = 2 * glyph.cx + int(r.right - r.left) + 3 * Margin + Spacing + (firstColumn ? ExtraWidth(mi) : 0);
    const int t = ItemTextHeight(canvas);
    if (kind == smDivider)
        height = 2;
    else if (kind == smCaption)
        height = t + 2 * Margin;
    else
        height = std::max<int>(t, glyph.cy) + 2 * Margin;
}

void TsMenuPainter::sMeasureLineItem(core::Object* sender, ui::Canvas& canvas, int& width, int& height)
{
    auto* item = dynamic_cast<ui::MenuItem*>(sender);
    if (!item)
        return;
    height = GetSystemMetrics(SM_CYMENU) - 1;
    SetMenuFont(canvas.Font(), false);
    width = canvas.TextWidth(WithoutAmpersands(item->Caption()));
    ui::Menu* menu = item->GetParentMenu();
    if (menu && menu->Images() && item->ImageIndex() >= 0)
        width += menu->Images()->Width() + 6;
}

// ---- Backgrounds ----

ui::Bitmap* TsMenuPainter::GetMenuInfo(ui::MenuItem* item, HWND wnd)
{
    RECT r{};
    int w = 0, h = 0;
    if (wnd && GetWindowRect(wnd, &r)) {
        w = r.right - r.left;
        h = r.bottom - r.top;
    }
    return GetMenuInfo(item, w, h, wnd).Bmp;
}

TacMenuInfo TsMenuPainter::GetMenuInfo(ui::MenuItem* item, int width, int height, HWND wnd)
{
    auto& infos = Unit().infos;
    if (item) {
        ui::MenuItem* parent = item->Parent();
        ui::MenuItem* first = parent && parent->Count() > 0 ? parent->Items(0) : item;
        auto find = [&]() -> TacMenuInfo* {
            for (auto& [info, bmp] : infos)
                if (info.FirstItem == first)
                    return &info;
            return nullptr;
        };
        if (TacMenuInfo* found = find()) {
            if (wnd && !found->Wnd)
                found->Wnd = wnd;
            return *found;
        }
        if (width != 0 && height > 0) {
            PrepareMenuBG(first, width, height, wnd);
            if (TacMenuInfo* found = find())
                return *found;
        }
    } else if (wnd) {
        for (auto& [info, bmp] : infos)
            if (info.Wnd == wnd)
                return info;
    }
    return TacMenuInfo{};
}

int TsMenuPainter::GetSkinBorderWidth()
{
    if (SkinBorderWidth >= 0)
        return SkinBorderWidth;
    const int section = SectionIndex(Manager, u"MAINMENU");
    const int mask = Manager ? Manager->GetMaskIndex(section, u"MAINMENU", u"BORDERSMASK") : -1;
    if (!Manager || !Manager->IsValidImgIndex(mask))
        return SkinBorderWidth = 0;
    const int w = Manager->Mask(mask).BorderWidth;
    return SkinBorderWidth = w > 0 ? w : 3;
}

void TsMenuPainter::PrepareMenuBG(ui::MenuItem* item, int width, int height, HWND wnd)
{
    if (!item || width <= 0 || height <= 0)
        return;
    RefreshMenuFont();
    TacMenuInfo mi;
    mi.FirstItem = item;
    mi.Wnd = wnd;
    if (Manager && !Manager->Designing())
        mi.HaveExtraLine = item->Name() != kSelectItemName && QueryExtraLine(item);
    auto bmp = NewBmp24(width, height);
    const int sbw = GetSkinBorderWidth();
    const int column = GlyphColumnWidth(item);
    ArOR.clear();
    const int section = SectionIndex(Manager, u"MAINMENU");
    if (Manager && Manager->IsValidSkinIndex(section)) {
        const Rect all{0, 0, width, height};
        PaintSectionItem(section, u"MAINMENU", EmptyCacheInfo, true, 0, all, POINT{0, 0}, bmp.get(), Manager);
        TacMenuSupport* s = Support();
        const int ico = s ? SectionIndex(Manager, s->IcoLineSkin) : -1;
        if (Manager->IsValidSkinIndex(ico)) {
            const int x = ExtraWidth(mi) + sbw;
            PaintSectionItem(ico, s->IcoLineSkin, MakeCacheInfo(bmp.get(), x, sbw), true, 0,
                             Rect{x, sbw, x + column, height - sbw}, POINT{0, 0}, bmp.get(), Manager);
        }
        const int mask = Manager->GetMaskIndex(section, u"MAINMENU", u"BORDERSMASK");
        if (Manager->IsValidImgIndex(mask)) {
            const MaskData& m = Manager->Mask(mask);
            PaintMaskRect(bmp.get(), all, false, EmptyCacheInfo, m, 0, false, Manager);
            AddCornerKeyRects(ArOR, width, m, false, 0);
            AddCornerKeyRects(ArOR, width, m, true, height - m.WB);
        }
    }
    MenusUnit& u = Unit();
    TacMenuSupport* s = Support();
    const int extraSection = SectionIndex(Manager, u.extraSection);
    if (s && s->UseExtraLine && mi.HaveExtraLine && Manager->IsValidSkinIndex(extraSection)) {
        const int stripH = std::max(height - 2 * sbw, 1);
        auto strip = NewBmp24(s->ExtraLineWidth, stripH);
        PaintSectionItem(extraSection, u.extraSection, EmptyCacheInfo, true, 0, Rect{0, 0, strip->Width(), stripH},
                         POINT{0, 0}, strip.get(), Manager);
        int textBottom = stripH - 12;
        if (u.extraGlyph) {
            const int gx = (strip->Width() - u.extraGlyph->Width()) / 2;
            strip->Canvas().Draw(gx, stripH - 12 - u.extraGlyph->Height(), *u.extraGlyph);
            textBottom = stripH - (u.extraGlyph->Height() + 20);
        }
        if (!u.extraCaption.empty()) {
            LOGFONTW lf{};
            lf.lfHeight = s->ExtraLineFont.Height();
            lf.lfWeight = FW_NORMAL;
            lf.lfEscapement = lf.lfOrientation = -2700;
            lf.lfCharSet = s->ExtraLineFont.Charset();
            const core::String& face = s->ExtraLineFont.Name();
            std::copy_n(face.begin(), std::min<size_t>(face.size(), LF_FACESIZE - 1), lf.lfFaceName);
            if (HFONT font = CreateFontIndirectW(&lf)) {
                HDC dc = strip->Canvas().Handle();
                HGDIOBJ old = SelectObject(dc, font);
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, COLORREF(Manager->Section(extraSection).FontColor[0] & 0xFFFFFF));
                TEXTMETRICW tm{};
                GetTextMetricsW(dc, &tm);
                const std::wstring text(u.extraCaption.begin(), u.extraCaption.end());
                TextOutW(dc, (strip->Width() - tm.tmHeight) / 2, textBottom, text.c_str(), int(text.size()));
                SelectObject(dc, old);
                DeleteObject(font);
            }
        }
        BitBlt(bmp->Canvas().Handle(), sbw, sbw, strip->Width(), stripH, strip->Canvas().Handle(), 0, 0, SRCCOPY);
    }
    u.extraGlyph.reset();
    ui::Bitmap* raw = bmp.get();
    mi.Bmp = raw;
    // Listed before the border is drawn: painting that the new region causes finds the menu's entry.
    u.infos.emplace_back(mi, std::move(bmp));
    if (wnd)
        DrawWndBorder(wnd, raw);
}

void TsMenuPainter::ClearMenuInfos() { Unit().infos.clear(); }
size_t TsMenuPainter::MenuInfoCount() { return Unit().infos.size(); }

void TsMenuPainter::DrawWndBorder(HWND wnd, ui::Bitmap* menuBmp)
{
    if (BorderDrawing || !wnd || !IsWindow(wnd))
        return;
    if (GetWindowLongPtrW(wnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&MenuWndProc)) {
        const LONG_PTR old = SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MenuWndProc));
        SetWindowLongPtrW(wnd, GWLP_USERDATA, old);
    }
    if (!Engine().NTPlatform || !menuBmp)
        return;
    if (SendAcMessage(wnd, scSetUpdating, 0) != 0)
        return;
    SendAcMessage(wnd, scMenuRgnChanged, 0);
    core::FlagScope drawing(BorderDrawing);
    HRGN region = CreateRectRgn(0, 0, menuBmp->Width(), menuBmp->Height());
    auto cut = [&](int l, int t, int r, int b) {
        HRGN piece = CreateRectRgn(l, t, r, b);
        CombineRgn(region, region, piece, RGN_DIFF);
        DeleteObject(piece);
    };
    if (ArOR.empty())
        cut(0, 0, 1, 1);
    for (const Rect& r : ArOR)
        cut(r.Left, r.Top, r.Right, r.Bottom);
    // The window owns the region from here on.
    if (!SetWindowRgn(wnd, region, TRUE))
        DeleteObject(region);
}

// ---- Drawing of popup items ----

void TsMenuPainter::PaintBorderStrips(HDC, HWND wnd, const TacMenuInfo& mi, const ui::MenuItem* item, RECT rect,
                                      bool firstColumn)
{
    HDC dc = GetWindowDC(wnd);
    if (!dc)
        return;
    ui::Bitmap* bg = mi.Bmp;
    const int w = bg->Width(), h = bg->Height();
    const ui::MenuItem* parent = item->Parent();
    int firstVisible = -1, lastVisible = -1;
    for (int i = 0; parent && i < parent->Count(); ++i)
        if (parent->Items(i)->Visible()) {
            if (firstVisible < 0)
                firstVisible = i;
            lastVisible = i;
        }
    const int index = parent ? parent->IndexOf(item) : 0;
    if (index == firstVisible)
        Blt(dc, 0, 0, w, BorderWidth, bg, 0, 0);
    if (index == lastVisible)
        Blt(dc, 0, h - BorderWidth, w, BorderWidth, bg, 0, h - BorderWidth);
    const int top = rect.top + BorderWidth, rows = rect.bottom - rect.top;
    const int left = (firstColumn ? ExtraWidth(mi) : 0) + std::max(GetSkinBorderWidth(), BorderWidth);
    Blt(dc, 0, top, left, rows, bg, 0, top);
    Blt(dc, w - BorderWidth, top, BorderWidth, rows, bg, w - BorderWidth, top);
    ReleaseDC(wnd, dc);
}

void TsMenuPainter::PaintDivider(ui::Canvas& canvas, RECT rect, const TacMenuInfo& mi, const ui::MenuItem* item)
{
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0)
        return;
    const int section = SectionIndex(Manager, u"DIVIDERV");
    const int mask = Manager->GetMaskIndex(section, u"DIVIDERV", u"BORDERSMASK");
    if (!Manager->IsValidImgIndex(mask) || !mi.Bmp) {
        RECT line{rect.left + 2, rect.top + h / 2 - 1, rect.right - 2, rect.top + h / 2};
        FillRect(canvas.Handle(), &line, GetSysColorBrush(COLOR_BTNSHADOW));
        OffsetRect(&line, 0, 1);
        FillRect(canvas.Handle(), &line, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
        return;
    }
    ui::Bitmap* b = Scratch(w, h);
    Blt(b->Canvas().Handle(), 0, 0, w, h, mi.Bmp, rect.left + BorderWidth, rect.top + BorderWidth);
    const int extra = ExtraWidth(mi);
    const int from = std::max(extra + Margin + Spacing, GlyphColumnWidth(item) + 2);
    const int to = w - (extra + 2 * Margin + Spacing);
    if (to > from)
        PaintMaskRect(b, Rect{from, 0, to, h}, false, MakeCacheInfo(mi.Bmp, rect.left + BorderWidth, rect.top + BorderWidth),
                      Manager->Mask(mask), 0, true, Manager);
    Blt(canvas.Handle(), rect.left, rect.top, w, h, b, 0, 0);
}

void TsMenuPainter::PaintCaptionItem(ui::Canvas& canvas, RECT rect, const TacMenuInfo& mi, const ui::MenuItem* item,
                                     ui::OwnerDrawState)
{
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0)
        return;
    ui::Bitmap* b = Scratch(w, h);
    if (mi.Bmp)
        Blt(b->Canvas().Handle(), 0, 0, w, h, mi.Bmp, rect.left + BorderWidth, rect.top + BorderWidth);
    const int extra = ExtraWidth(mi);
    const int section = SectionIndex(Manager, u"TOOLBAR");
    RECT r{extra + 1, 1, w - 1, h - 1};
    if (Manager->IsValidSkinIndex(section))
        PaintSectionItem(section, u"TOOLBAR", MakeCacheInfo(b, 0, 0), true, 0, Rect{r.left, r.top, r.right, r.bottom},
                         POINT{0, 0}, b, Manager);
    ui::Canvas& c = b->Canvas();
    c.Font().Assign(CaptionFont);
    const core::String word = CaptionWord(item->Caption());
    if (Manager->IsValidSkinIndex(section))
        WriteSectionText(c, word.c_str(), true, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE, section, false, Manager);
    else
        c.TextRect(r, word, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    Blt(canvas.Handle(), rect.left, rect.top, w, h, b, 0, 0);
}

void TsMenuPainter::sAdvancedDrawItem(core::Object* sender, ui::Canvas& canvas, RECT rect, ui::OwnerDrawState state)
{
    auto* item = dynamic_cast<ui::MenuItem*>(sender);
    if (!item || !Manager || !Manager->Active() || Destroying(item))
        return;
    ui::MenuItem* parent = item->Parent();
    const int index = parent ? parent->IndexOf(item) : 0;
    bool firstColumn = true;
    for (int i = 0; parent && i <= index; ++i)
        firstColumn = firstColumn && !parent->Items(i)->Break();
    RestoreHints();
    MenuDropDownButton() = nullptr;

    HDC dc = canvas.Handle();
    HWND wnd = Engine().NTPlatform ? WindowFromDC(dc) : nullptr;
    // Item rectangles are client coordinates; the background is the whole window.
    POINT off{BorderWidth, BorderWidth};
    int menuW = 0, menuH = 0;
    if (RECT wr{}; wnd && GetWindowRect(wnd, &wr)) {
        menuW = wr.right - wr.left;
        menuH = wr.bottom - wr.top;
        POINT client{0, 0};
        ClientToScreen(wnd, &client);
        off = POINT{client.x - wr.left, client.y - wr.top};
    } else {
        wnd = nullptr;
        HDC screen = GetDC(nullptr);
        {
            ui::Canvas measure(screen);
            std::vector<int> widths(1, 0), heights(1, 0);
            for (int i = 0; parent && i < parent->Count(); ++i) {
                ui::MenuItem* it = parent->Items(i);
                if (!it->Visible())
                    continue;
                if (it->Break() && heights.back() > 0) {
                    widths.push_back(0);
                    heights.push_back(0);
                }
                int w = 0, h = 0;
                sMeasureItem(it, measure, w, h);
                widths.back() = std::max(widths.back(), w);
                heights.back() += h;
            }
            for (size_t c = 0; c < widths.size(); ++c)
                menuW += widths[c] + 12 + (c ? 4 : 0);
            menuH = *std::max_element(heights.begin(), heights.end());
        }
        ReleaseDC(nullptr, screen);
        menuW += 2 * BorderWidth;
        menuH += 2 * BorderWidth;
    }
    const TacMenuInfo mi = GetMenuInfo(item, menuW, menuH, wnd);
    if (wnd && mi.Bmp)
        PaintBorderStrips(dc, wnd, mi, item, rect, firstColumn);
    if (!wnd) {
        MSG queued{};
        HWND app = ui::App().Handle();
        if (!PeekMessageW(&queued, app, kMenuItemBorder, kMenuWindowBorder, PM_NOREMOVE))
            PostMessageW(app, kMenuItemBorder, 0, reinterpret_cast<LPARAM>(item));
    }
    const TsMenuItemType kind = ItemKind(item);
    if (kind == smDivider) {
        PaintDivider(canvas, rect, mi, item);
        return;
    }
    if (kind == smCaption) {
        PaintCaptionItem(canvas, rect, mi, item, state);
        return;
    }
    ui::Bitmap* bg = mi.Bmp;
    const int extra = firstColumn ? ExtraWidth(mi) : 0;
    const int itemW = rect.right - rect.left - extra, itemH = rect.bottom - rect.top;
    if (itemW <= 0 || itemH <= 0)
        return;
    if (bg) {
        // Below a column's last item the menu shows its background down to the bottom border.
        const bool lastOfColumn = index + 1 >= (parent ? parent->Count() : 0) || parent->Items(index + 1)->Break();
        if (lastOfColumn) {
            const int bottom = menuH - 6 - off.y;
            Blt(dc, rect.left, rect.bottom, rect.right - rect.left, bottom - rect.bottom, bg, rect.left + off.x,
                rect.bottom + off.y);
        }
        if (item->Break())
            Blt(dc, rect.left - 4, rect.top, 4, menuH - 2 * off.y, bg, rect.left - 4 + off.x, rect.top + off.y);
    }
    ui::Bitmap* image = Scratch(itemW, itemH);
    const POINT at{rect.left + extra + off.x, rect.top + off.y};
    if (bg)
        Blt(image->Canvas().Handle(), 0, 0, itemW, itemH, bg, at.x, at.y);
    const bool enabled = item->Enabled() && !(state & (ui::odDisabled | ui::odGrayed));
    const bool selected = enabled && (state & ui::odSelected);
    const int section = SectionIndex(Manager, u"MENUITEM");
    if (Manager->IsValidSkinIndex(section))
        PaintSectionItem(section, u"MENUITEM", bg ? MakeCacheInfo(bg, at.x, at.y) : EmptyCacheInfo, true,
                         selected ? 1 : 0, Rect{0, 0, itemW, itemH}, POINT{0, 0}, image, Manager);
    ui::Canvas& c = image->Canvas();
    const SIZE glyph = GlyphSize(item);
    ui::Menu* menu = item->GetParentMenu();
    ui::ImageList* images = parent && parent->SubMenuImages() ? parent->SubMenuImages() : menu ? menu->Images() : nullptr;
    const bool hasImage = images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count();
    const bool rtl = false; // menus of this library are left to right
    // Check mark of items without a glyph of their own.
    if ((state & ui::odChecked) && !item->Bitmap() && !hasImage) {
        int mask = item->RadioItem() ? GlobalMask(Manager, u"RADIOCHECKED") : GlobalMask(Manager, u"CHECK");
        if (!Manager->IsValidImgIndex(mask))
            mask = GlobalMask(Manager, u"BOXCHECKED");
        if (Manager->IsValidImgIndex(mask)) {
            const MaskData& m = Manager->Mask(mask);
            PaintMaskGlyph(image, POINT{Margin, (itemH - MaskStateHeight(m)) / 2}, 0, 1, m,
                           MakeCacheInfo(image, 0, 0));
        }
    }
    // The glyph: an image of the list or the item's bitmap, a pressed frame behind it when checked.
    const int gy = (itemH - glyph.cy) / 2, gx = rtl ? itemW - Margin - glyph.cx : Margin;
    if ((item->Bitmap() || hasImage) && (state & ui::odChecked)) {
        const int frame = SectionIndex(Manager, u"SPEEDBUTTON_SMALL");
        if (Manager->IsValidSkinIndex(frame))
            PaintSectionItem(frame, u"SPEEDBUTTON_SMALL", MakeCacheInfo(image, 0, 0), true, 2,
                             Rect{gx - 1, gy - 1, gx + glyph.cx + 1, gy + glyph.cy + 1}, POINT{0, 0}, image, Manager);
    }
    if (hasImage) {
        images->Draw(c, gx, gy, item->ImageIndex(), ui::dsNormal, ui::itImage, enabled);
    } else if (ui::Bitmap* b = item->Bitmap()) {
        if (b->GetPixelFormat() == ui::pf32bit)
            DrawAlphaBmp(Rect{gx, gy, gx + b->Width(), gy + b->Height()}, Rect{0, 0, b->Width(), b->Height()}, image,
                         b, EmptyCacheInfo, false, NoColorize, 0, false);
        else
            c.Draw(gx, gy, *b);
    } else if (menu && menu->Name() == u"SysMenu") {
        const char16_t* mark = nullptr;
        switch (item->Tag()) {
        case SC_MINIMIZE: mark = u"0"; break;
        case SC_MAXIMIZE: mark = u"1"; break;
        case SC_CLOSE: mark = u"r"; break;
        case SC_RESTORE: mark = u"2"; break;
        default: break;
        }
        if (mark) {
            c.Font().SetName(u"Webdings");
            c.Font().SetSize(10);
            c.Font().SetStyle(0);
            RECT gr{gx, 0, gx + glyph.cx, itemH};
            if (Manager->IsValidSkinIndex(section))
                WriteSectionText(c, mark, enabled, gr, DT_CENTER | DT_VCENTER | DT_SINGLELINE, section, selected, Manager);
        }
    }
    // Caption and shortcut.
    SetMenuFont(c.Font(), (state & ui::odDefault) != 0 || item->Default());
    RECT tr{glyph.cx + 2 * Margin + Spacing, 0, itemW, itemH};
    core::String caption = item->Caption();
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | DT_NOCLIP;
    if (!caption.empty() && caption.front() == char16_t(8)) {
        caption = caption.substr(1) + u"      ";
        flags |= DT_RIGHT;
    } else if (Alignment == ui::taRightJustify) {
        flags |= DT_RIGHT;
    } else if (Alignment == ui::taCenter) {
        flags |= DT_CENTER;
    }
    if (state & ui::odNoAccel)
        flags |= DT_HIDEPREFIX;
    const bool hot = selected || (enabled && (state & ui::odHotLight));
    if (Manager->IsValidSkinIndex(section)) {
        WriteSectionText(c, caption.c_str(), true, tr, flags, section, hot, Manager);
        if (item->ShortCut() != ui::scNone) {
            const core::String shortcut = ui::ShortCutToText(item->ShortCut());
            RECT sr{tr.left, 0, itemW - 8, itemH};
            WriteSectionText(c, shortcut.c_str(), true, sr, DT_SINGLELINE | DT_VCENTER | DT_RIGHT, section, hot, Manager);
        }
    } else {
        c.SetBrushStyle(ui::bsClear);
        c.TextRect(tr, caption, flags);
    }
    if (OnDrawItem)
        OnDrawItem(item, c, RECT{0, 0, itemW, itemH}, state, kind);
    if (!enabled && bg)
        BlendRectKeyed(image, 0, 0, ui::Color(MaskKeyColor), 0.4,
                       Rect{at.x, at.y, at.x + itemW - 1, at.y + itemH - 1}, bg);
    Blt(dc, rect.left + extra, rect.top, itemW, itemH, image, 0, 0);
    if (index == 0 && extra > 0 && bg)
        Blt(dc, 0, 0, extra + 3, menuH, bg, off.x, off.y);
}

} // namespace skin
