#include "skin/windows/tabwnd.h"

#include "skin/engine/formutils.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/engine/utils.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/wrapperkit.h"
#include "ui/bitmap.h"
#include "ui/wincontrol.h"

#include <vector>

namespace skin {

namespace {

constexpr int kTabTextBuffer = 8192;
constexpr int scGetManager = 27; // a page control's answer: its skin manager

std::vector<std::unique_ptr<TacPageWnd>>& PageWrappers()
{
    static std::vector<std::unique_ptr<TacPageWnd>> pages;
    return pages;
}
constexpr int kTabTextUsed = 4096;

Rect ToRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

struct TabItem {
    core::String text;
    int image = -1;
};

TabItem ReadTab(HWND wnd, int index)
{
    std::vector<wchar_t> buffer(kTabTextBuffer, L'\0');
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_STATE;
    item.dwStateMask = 0x10;
    item.pszText = buffer.data();
    item.cchTextMax = kTabTextBuffer;
    TabItem result;
    if (!SendMessageW(wnd, TCM_GETITEMW, WPARAM(index), LPARAM(&item)))
        return result;
    const wchar_t* text = item.pszText ? item.pszText : buffer.data();
    size_t n = 0;
    while (n < kTabTextUsed && text[n])
        ++n;
    result.text.assign(text, text + n);
    result.image = item.iImage;
    return result;
}

} // namespace

TacTabControlWnd::~TacTabControlWnd()
{
    Unhook();
    BtnSW.reset();
}

void TacTabControlWnd::Construct(core::StringView section, bool repaint)
{
    TacMainWnd::Construct(section.empty() ? core::StringView(u"PAGECONTROL") : section, repaint);
}

int TacTabControlWnd::TabCount() const { return int(SendMessageW(CtrlHandle, TCM_GETITEMCOUNT, 0, 0)); }
int TacTabControlWnd::ActiveTabIndex() const { return int(SendMessageW(CtrlHandle, TCM_GETCURSEL, 0, 0)); }

RECT TacTabControlWnd::TabRect(int index) const
{
    RECT r{};
    SendMessageW(CtrlHandle, TCM_GETITEMRECT, WPARAM(index), LPARAM(&r));
    return r;
}

TTabPosition TacTabControlWnd::TabPosition() const
{
    const LONG style = GetWindowLongW(CtrlHandle, GWL_STYLE);
    if (style & TCS_VERTICAL)
        return (style & TCS_RIGHT) ? tpRight : tpLeft;
    return (style & TCS_BOTTOM) ? tpBottom : tpTop;
}

TTabStyle TacTabControlWnd::Style() const
{
    const LONG style = GetWindowLongW(CtrlHandle, GWL_STYLE);
    if (style & TCS_FLATBUTTONS)
        return tsFlatButtons;
    return (style & TCS_BUTTONS) ? tsButtons : tsTabs;
}

namespace {

// The window's rectangle in its own coordinates.
RECT OwnBounds(HWND wnd)
{
    RECT w{};
    GetWindowRect(wnd, &w);
    return RECT{0, 0, w.right - w.left, w.bottom - w.top};
}

// The page and the tab strip meet at one edge beside the client area: the page keeps the client's
// side of it, the strip the other side. With no tabs either is the whole window.
RECT PageOrTabs(const TacTabControlWnd& tab, HWND wnd, bool page)
{
    RECT r = OwnBounds(wnd);
    if (tab.TabCount() == 0)
        return r;
    const RECT c = tab.ClientRect();
    switch (tab.TabPosition()) {
    case tpTop: (page ? r.top : r.bottom) = c.top - 4; break;
    case tpBottom: (page ? r.bottom : r.top) = c.bottom + 1; break;
    case tpLeft: (page ? r.left : r.right) = c.left - 1; break;
    case tpRight: (page ? r.right : r.left) = c.right + 1; break;
    }
    return r;
}

} // namespace

RECT TacTabControlWnd::ClientRect() const
{
    RECT r = OwnBounds(CtrlHandle);
    SendMessageW(CtrlHandle, TCM_ADJUSTRECT, FALSE, LPARAM(&r));
    r.top += 2;
    return r;
}

RECT TacTabControlWnd::PageRect() const { return PageOrTabs(*this, CtrlHandle, true); }

RECT TacTabControlWnd::TabsRect() const { return PageOrTabs(*this, CtrlHandle, false); }

int TacTabControlWnd::TabRow(int index) const
{
    const int rows = int(SendMessageW(CtrlHandle, TCM_GETROWCOUNT, 0, 0));
    if (rows < 2)
        return 1;
    const RECT r = TabRect(index);
    const int w = std::max<int>(r.right - r.left, 1), h = std::max<int>(r.bottom - r.top, 1);
    const RECT t = TabsRect();
    switch (TabPosition()) {
    case tpTop: return (r.bottom + h / 2) / h;
    case tpLeft: return (r.right + w / 2) / w;
    case tpRight: return rows - (r.right + w / 2 - t.left) / w + 1;
    case tpBottom: return rows - (r.bottom + h / 2 - t.top) / h + 1;
    }
    return 1;
}

RECT TacTabControlWnd::SkinTabRect(int index, bool active) const
{
    const int count = TabCount();
    if (index < 0 || index >= count || ActiveTabIndex() < 0)
        return RECT{};
    RECT r = TabRect(index);
    if (Style() != tsTabs || r.right == r.left)
        return r;
    if (active) {
        r.bottom -= 1;
    } else {
        r.bottom += 3;
        r.right -= 1;
    }
    const int a = active ? 1 : 0;
    switch (TabPosition()) {
    case tpTop:
        InflateRect(&r, 2 * a, 2 * a);
        r.bottom += 1;
        break;
    case tpBottom:
        InflateRect(&r, 2 * a, a);
        r.top -= 2;
        r.bottom += active ? 1 : -3;
        break;
    case tpLeft:
        InflateRect(&r, 0, 1);
        r.right += 2;
        if (active) {
            InflateRect(&r, 1, 1);
        } else {
            r.bottom -= 4;
            r.right += 2;
        }
        break;
    case tpRight:
        InflateRect(&r, 1, 0);
        OffsetRect(&r, -1, -1);
        if (active) {
            InflateRect(&r, 1, 1);
            r.bottom += 3;
        } else {
            r.bottom -= 2;
        }
        break;
    }
    return r;
}

core::String TacTabControlWnd::FrameSection() const
{
    if (TabCount() == 0)
        return u"CHECKBOX";
    if (SkinData->SkinSection() != u"PAGECONTROL")
        return SkinData->SkinSection();
    switch (TabPosition()) {
    case tpBottom: return u"PAGECONTROLBOTTOM";
    case tpLeft: return u"PAGECONTROLLEFT";
    case tpRight: return u"PAGECONTROLRIGHT";
    default: return u"PAGECONTROL";
    }
}

void TacTabControlWnd::CheckUpDown()
{
    if (!SkinData || !SkinData->Skinned())
        return;
    HWND spin = FindWindowExW(CtrlHandle, nullptr, UPDOWN_CLASSW, nullptr);
    // The wrapper of the same child is kept; a new child (or none) replaces it.
    if (BtnSW && !BtnSW->Destroyed && BtnSW->CtrlHandle == spin && spin)
        return;
    BtnSW.reset();
    if (spin)
        BtnSW = TacMainWnd::Create<TacSpinWnd>(spin, nullptr, SkinData->GetSkinManager(), u"UPDOWNBTN");
}

void TacTabControlWnd::AC_WMPaint(HDC given, bool useGiven)
{
    UpdateGeometry();
    SkinData->FUpdating = SkinData->GetUpdating();
    skin::SkinManager* manager = SkinData->GetSkinManager();
    if (SkinData->FUpdating || !manager)
        return;
    const bool own = !(useGiven || Engine().FormAnimationActive) || !given;
    HDC dc = own ? GetDC(CtrlHandle) : given;
    if (!dc)
        return;
    const int saved = SaveDC(dc);
    SkinData->BGChanged = true;
    const core::String section = FrameSection();
    SkinData->SkinIndex = manager->GetSkinIndex(section);
    TCacheInfo ci;
    GetParentCacheOfWnd(CtrlHandle, ci);
    ui::Bitmap* cache = SizedCache(SkinData, WndSize.cx, WndSize.cy);
    if (!cache) {
        RestoreDC(dc, saved);
        if (own)
            ReleaseDC(CtrlHandle, dc);
        return;
    }
    const bool tabs = TabCount() > 0;
    if (tabs)
        DrawSkinTabs(ci);
    PaintSectionItem(SkinData->SkinIndex, section, ci, true, 0, ToRect(PageRect()), WndPos, cache, manager);
    SkinData->BGChanged = false;
    const int selected = tabs ? ActiveTabIndex() : -1;
    if (selected >= 0) {
        const RECT sel = SkinTabRect(selected, true);
        ExcludeClipRect(dc, sel.left, sel.top, sel.right, sel.bottom);
        BitBlt(dc, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas().Handle(), 0, 0, SRCCOPY);
        RestoreDC(dc, saved);
        DrawSkinTab(selected, 2, dc);
    } else {
        BitBlt(dc, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas().Handle(), 0, 0, SRCCOPY);
        RestoreDC(dc, saved);
    }
    if (auto* owner = dynamic_cast<ui::WinControl*>(SkinData->OwnerControl()))
        PaintGraphicChildren(dc, owner, POINT{0, 0});
    if (own)
        ReleaseDC(CtrlHandle, dc);
}

void TacTabControlWnd::DrawSkinTabs(const TCacheInfo& ci)
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    const RECT strip = TabsRect();
    HDC cdc = cache->Canvas().Handle();
    if (ci.Ready && ci.Bmp && !ci.Bmp->Empty()) {
        const int w = std::min<int>(strip.right - strip.left, ci.Bmp->Width() - ci.X - strip.left);
        const int h = std::min<int>(strip.bottom - strip.top, ci.Bmp->Height() - ci.Y - strip.top);
        if (w > 0 && h > 0)
            BitBlt(cdc, strip.left, strip.top, w, h, ci.Bmp->Canvas().Handle(), ci.X + strip.left, ci.Y + strip.top,
                   SRCCOPY);
    } else {
        FillDCSolid(cdc, strip, ui::Color(ci.FillColor));
    }
    const int rows = int(SendMessageW(CtrlHandle, TCM_GETROWCOUNT, 0, 0));
    const int selected = ActiveTabIndex();
    const int count = TabCount();
    for (int row = 1; row <= rows; ++row)
        for (int i = 0; i < count; ++i)
            if (i != selected && TabRow(i) == row)
                DrawSkinTab(i, 0, cache, POINT{0, 0});
}

void TacTabControlWnd::DrawSkinTab(int index, int state, ui::Bitmap* bmp, POINT offset)
{
    if (index < 0)
        return;
    skin::SkinManager* manager = SkinData->GetSkinManager();
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!manager || !cache)
        return;
    AssignWindowFont(CtrlHandle, bmp->Canvas().Font());
    const bool selected = index == ActiveTabIndex();
    RECT t = SkinTabRect(index, state == 2 && selected);
    const int tw = t.right - t.left, th = t.bottom - t.top;
    if (tw <= 0 || th <= 0)
        return;
    const TConstantSkinData& cd = manager->GetConstData();
    int skinIndex = -1;
    core::String section;
    if (cd.IndexTabTop > 0) {
        int mask = -1;
        switch (Style()) {
        case tsButtons:
            section = u"BUTTON";
            skinIndex = manager->GetSkinIndex(section);
            mask = manager->GetMaskIndex(skinIndex, section, u"BORDERSMASK");
            break;
        case tsFlatButtons:
            section = u"TOOLBUTTON";
            skinIndex = manager->GetSkinIndex(section);
            mask = manager->GetMaskIndex(section, u"BORDERSMASK");
            break;
        case tsTabs: {
            static const char16_t* const kNames[4] = {u"TABTOP", u"TABBOTTOM", u"TABLEFT", u"TABRIGHT"};
            const int pos = int(TabPosition());
            const int indexes[4] = {cd.IndexTabTop, cd.IndexTabBottom, cd.IndexTabLeft, cd.IndexTabRight};
            const int masks[4] = {cd.MaskTabTop, cd.MaskTabBottom, cd.MaskTabLeft, cd.MaskTabRight};
            section = kNames[pos];
            skinIndex = indexes[pos];
            mask = masks[pos];
            break;
        }
        }
        if (manager->IsValidImgIndex(mask)) {
            auto b = NewBmp24(tw, th);
            HDC bdc = b->Canvas().Handle();
            const POINT at{t.left + offset.x, t.top + offset.y};
            if (state == 2 && selected) {
                BitBlt(bdc, 0, 0, tw, th, cache->Canvas().Handle(), t.left, t.top, SRCCOPY);
                BitBlt(bmp->Canvas().Handle(), at.x, at.y, tw, th, bdc, 0, 0, SRCCOPY);
                PaintSectionItem(skinIndex, section, MakeCacheInfo(b.get(), 0, 0), true, 2, Rect{0, 0, tw, th},
                                 POINT{0, 0}, bmp, manager);
            } else {
                PaintSectionItem(skinIndex, section, MakeCacheInfo(cache, t.left, t.top), true, state,
                                 Rect{0, 0, tw, th}, POINT{0, 0}, b.get(), manager);
                HDC dst = bmp->Canvas().Handle();
                const int saved = SaveDC(dst);
                // A tab never overwrites the page below or beside it.
                if (TabPosition() == tpTop || TabPosition() == tpLeft) {
                    const RECT page = PageRect();
                    ExcludeClipRect(dst, page.left + offset.x, page.top + offset.y, page.right + offset.x,
                                    page.bottom + offset.y);
                }
                BitBlt(dst, at.x, at.y, tw, th, bdc, 0, 0, SRCCOPY);
                RestoreDC(dst, saved);
            }
        }
    }
    OffsetRect(&t, offset.x, offset.y);
    DrawTabContent(index, state, bmp, t, skinIndex);
}

void TacTabControlWnd::DrawTabContent(int index, int state, ui::Bitmap* bmp, RECT t, int skinIndex)
{
    skin::SkinManager* manager = SkinData->GetSkinManager();
    const TabItem item = ReadTab(CtrlHandle, index);
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(CtrlHandle, TCM_GETIMAGELIST, 0, 0));
    int iw = 0, ih = 0;
    const bool image = images && item.image >= 0 && item.image < ImageList_GetImageCount(images) &&
                       ImageList_GetIconSize(images, &iw, &ih);
    ui::Canvas& canvas = bmp->Canvas();
    HDC dc = canvas.Handle();
    const TTabPosition pos = TabPosition();
    const int w = t.right - t.left, h = t.bottom - t.top;
    if (pos == tpTop || pos == tpBottom) {
        if (image) {
            const int textWidth = TextWidthOf(canvas, item.text);
            ImageList_Draw(images, item.image, dc, t.left + (w - (textWidth + iw + 8)) / 2, t.top + (h - ih) / 2,
                           ILD_TRANSPARENT);
            t.left += iw;
        }
        if (!item.text.empty() && manager && manager->IsValidSkinIndex(skinIndex))
            WriteSectionText(canvas, item.text.c_str(), true, t, DT_CENTER | DT_VCENTER | DT_SINGLELINE, skinIndex,
                             state != 0, manager);
        else if (!item.text.empty())
            canvas.TextRect(t, item.text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        return;
    }
    // Rotated text: up the left side, down the right side.
    LOGFONTW lf{};
    HFONT base = reinterpret_cast<HFONT>(SendMessageW(CtrlHandle, WM_GETFONT, 0, 0));
    GetObjectW(base ? HGDIOBJ(base) : GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfEscapement = lf.lfOrientation = pos == tpLeft ? 900 : 2700;
    lf.lfWeight = FW_NORMAL;
    if (std::wstring_view(lf.lfFaceName) == L"MS Sans Serif")
        wcscpy_s(lf.lfFaceName, L"Arial");
    HFONT rotated = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, rotated);
    uint32_t color = 0;
    if (manager && manager->IsValidSkinIndex(skinIndex))
        color = state != 0 ? manager->Section(skinIndex).HotFontColor[0] : manager->Section(skinIndex).FontColor[0];
    SetTextColor(dc, color);
    SetBkMode(dc, TRANSPARENT);
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(item.text.c_str()), int(item.text.size()), &size);
    const int textW = size.cy, textH = size.cx; // exchanged: the text runs along the tab
    if (pos == tpRight)
        OffsetRect(&t, -2, -1);
    if (index == ActiveTabIndex())
        OffsetRect(&t, 2, 0);
    int x = 0, y = 0;
    if (pos == tpLeft) {
        if (image) {
            y = t.bottom - (h - (ih + textH + 4)) / 2 - ih;
            ImageList_Draw(images, item.image, dc, (w - iw) / 2 + t.left, y, ILD_TRANSPARENT);
            x = (w - textW) / 2 + t.left;
            y -= 4;
        } else {
            x = (w - textW) / 2 + t.left;
            y = t.bottom - (h - textH) / 2;
        }
    } else {
        if (image) {
            y = t.top + (h - (ih + textH + 4)) / 2;
            ImageList_Draw(images, item.image, dc, (w - iw) / 2 + t.left, y, ILD_TRANSPARENT);
            x = (w - textW) / 2 + t.left + textW;
            y += ih + 4;
        } else {
            x = (w - textW) / 2 + t.left + textW;
            y = t.top + (h - textH) / 2;
        }
    }
    ExtTextOutW(dc, x, y, ETO_CLIPPED, &t, reinterpret_cast<const wchar_t*>(item.text.c_str()), UINT(item.text.size()),
                nullptr);
    SelectObject(dc, old);
    DeleteObject(rotated);
}

void TacTabControlWnd::DrawSkinTab(int index, int state, HDC dc)
{
    if (index < 0 || !dc)
        return;
    const RECT r = SkinTabRect(index, state == 2);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return;
    auto b = NewBmp24(w, h);
    DrawSkinTab(index, state, b.get(), POINT{-r.left, -r.top});
    BitBlt(dc, r.left, r.top, w, h, b->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TacTabControlWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData) {
        TacMainWnd::acWndProc(message);
        return;
    }
    const bool skinned = SkinData->Skinned();
    if (IsSkinCommand(message)) {
        const bool own = message.LParam == LPARAM(SkinData->GetSkinManager());
        ui::Control* owner = SkinData->OwnerControl();
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded:
            if (own)
                HandleCommonMessage(message, SkinData);
            BroadcastToChildren(owner, CtrlHandle, message);
            return;
        case scSkinRemoved:
            if (own) {
                HandleCommonMessage(message, SkinData);
                CheckUpDown();
                BtnSW.reset();
            }
            BroadcastToChildren(owner, CtrlHandle, message);
            if (own)
                RedrawWindow(CtrlHandle, nullptr, nullptr, 0x707);
            return;
        case scSkinRefresh:
            if (own) {
                HandleCommonMessage(message, SkinData);
                InvalidateRect(CtrlHandle, nullptr, TRUE);
                CheckUpDown();
            }
            BroadcastToChildren(owner, CtrlHandle, message);
            return;
        case scUpdateDone:
            if (skinned) {
                SkinData->FUpdating = false;
                InvalidateRect(CtrlHandle, nullptr, TRUE);
            }
            return;
        case scIsSkinAware:
            message.Result = 1;
            return;
        case scIsUpdating:
            if (skinned)
                message.Result = SkinData->FUpdating ? 1 : 0;
            return;
        case scGetManager:
            message.Result = LRESULT(SkinData->GetSkinManager());
            return;
        case scGetBackground:
            if (skinned)
                HandleCommonMessage(message, SkinData);
            return;
        default:
            break;
        }
    }
    if (skinned) {
        switch (message.Msg) {
        case WM_PAINT:
            InvalidateRect(CtrlHandle, nullptr, TRUE);
            { PaintScope paint(CtrlHandle); }
            return;
        case WM_ERASEBKGND:
            if (!IsWindowVisible(CtrlHandle))
                break;
            if (!Engine().FormAnimationActive)
                AC_WMPaint(reinterpret_cast<HDC>(message.WParam), message.LParam == 1);
            CheckUpDown();
            message.Result = 0;
            return;
        case WM_NCPAINT:
            return;
        case WM_PRINT:
            CheckUpDown();
            AC_WMPaint(reinterpret_cast<HDC>(message.WParam), true);
            return;
        default:
            break;
        }
    }
    TacMainWnd::acWndProc(message);
    if (Destroyed || !SkinData->Skinned())
        return;
    switch (message.Msg) {
    case WM_SIZE: {
        CheckUpDown();
        const SIZE now{LOWORD(message.LParam), HIWORD(message.LParam)};
        if (now.cx < m_last_size.cx || now.cy < m_last_size.cy)
            RedrawWindow(CtrlHandle, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_NOINTERNALPAINT | RDW_NOERASE | RDW_NOCHILDREN | RDW_FRAME);
        m_last_size = now;
        break;
    }
    case TCM_SETCURSEL:
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
        break;
    case ui::CM_CONTROLLISTCHANGE:
        CheckUpDown();
        break;
    default:
        break;
    }
}

} // namespace skin

namespace skin {

int PageWrapperCount() { return int(PageWrappers().size()); }
void FreePageWrappers() { PageWrappers().clear(); }

// ---- Page controls ----

void TacPageControlWnd::Construct(core::StringView section, bool repaint)
{
    TacTabControlWnd::Construct(section, repaint);
    InitPages();
}

void TacPageControlWnd::InitPages(bool)
{
    struct Walk {
        HWND control;
    } walk{CtrlHandle};
    EnumChildWindows(
        CtrlHandle,
        [](HWND child, LPARAM data) -> BOOL {
            HWND control = reinterpret_cast<Walk*>(data)->control;
            if (GetParent(child) != control)
                return TRUE;
            auto* manager = reinterpret_cast<skin::SkinManager*>(SendAcMessage(control, scGetManager, 0));
            if (!manager || AskAcMessage(child, scIsSkinAware))
                return TRUE;
            PageWrappers().push_back(TacMainWnd::Create<TacPageWnd>(child, nullptr, manager, u"CHECKBOX"));
            return TRUE;
        },
        LPARAM(&walk));
}

void TacPageControlWnd::acWndProc(ui::Message& message)
{
    if (!Destroyed && SkinData && SkinData->Skinned()) {
        switch (message.Msg) {
        case WM_ERASEBKGND:
            if (!IsWindowVisible(CtrlHandle))
                break;
            if (!Engine().FormAnimationActive)
                AC_WMPaint(reinterpret_cast<HDC>(message.WParam), message.LParam == 1);
            message.Result = 1;
            return;
        case WM_NCPAINT:
            InitPages();
            return;
        case WM_PARENTNOTIFY:
            if (LOWORD(message.WParam) == WM_CREATE)
                InitPages();
            break;
        case TCM_SETCURSEL:
            NotifyFormOfControl(SkinData->OwnerControl());
            break;
        default:
            break;
        }
    }
    TacTabControlWnd::acWndProc(message);
}

// ---- Pages ----

void TacPageWnd::Construct(core::StringView section, bool repaint)
{
    TacMainWnd::Construct(section, repaint);
    UpdateGeometry();
}

TTabPosition TacPageWnd::TabPosition() const
{
    const LONG style = GetWindowLongW(GetParent(CtrlHandle), GWL_STYLE);
    if (style & TCS_VERTICAL)
        return (style & TCS_RIGHT) ? tpRight : tpLeft;
    return (style & TCS_BOTTOM) ? tpBottom : tpTop;
}

void TacPageWnd::AC_WMEraseBKGnd(HDC dc)
{
    UpdateGeometry();
    if (!dc)
        return;
    TacBGQuery query;
    query.R = RECT{0, 0, WndSize.cx, WndSize.cy};
    QueryBgOfWnd(query, ParentWnd, false);
    const POINT src{WndPos.x + query.Offset.x, WndPos.y + query.Offset.y};
    if (query.BgType == 2 && query.Bmp) {
        BitBlt(dc, 0, 0, WndSize.cx, WndSize.cy, query.Bmp->Canvas().Handle(), src.x, src.y, SRCCOPY);
        return;
    }
    if (query.BgType != 1)
        return;
    FillDCSolid(dc, RECT{0, 0, WndSize.cx, WndSize.cy}, ui::Color(query.Color));
    if (!query.Bmp || query.Bmp->Empty())
        return;
    HDC bdc = query.Bmp->Canvas().Handle();
    switch (TabPosition()) {
    case tpTop: BitBlt(dc, 0, 0, WndSize.cx, 3, bdc, src.x, src.y, SRCCOPY); break;
    case tpBottom: BitBlt(dc, 0, WndSize.cy - 3, WndSize.cx, 3, bdc, src.x, src.y + WndSize.cy - 3, SRCCOPY); break;
    case tpLeft: BitBlt(dc, 0, 0, 3, WndSize.cy, bdc, src.x, src.y, SRCCOPY); break;
    case tpRight: BitBlt(dc, WndSize.cx - 3, 0, 3, WndSize.cy, bdc, src.x + WndSize.cx - 3, src.y, SRCCOPY); break;
    }
}

void TacPageWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData) {
        TacMainWnd::acWndProc(message);
        return;
    }
    if (IsSkinCommand(message)) {
        const bool own = message.LParam == LPARAM(SkinData->GetSkinManager());
        ui::Control* owner = SkinData->OwnerControl();
        switch (SubCodeOf(message.WParam)) {
        case scSkinLoaded:
            BroadcastToChildren(owner, CtrlHandle, message);
            if (own)
                HandleCommonMessage(message, SkinData);
            return;
        case scSkinRemoved:
        case scSkinRefresh:
            if (own) {
                HandleCommonMessage(message, SkinData);
                InvalidateRect(CtrlHandle, nullptr, TRUE);
            }
            BroadcastToChildren(owner, CtrlHandle, message);
            if (SubCodeOf(message.WParam) == scSkinRefresh)
                return;
            break;
        case scUpdateDone:
            if (SkinData->FUpdating) {
                SkinData->FUpdating = false;
                InvalidateRect(CtrlHandle, nullptr, TRUE);
                return;
            }
            break;
        case scIsSkinAware:
            message.Result = 1;
            return;
        case scIsUpdating:
            message.Result = SkinData->FUpdating ? 1 : 0;
            return;
        case scGetBackground:
            if (auto* query = reinterpret_cast<TacBGQuery*>(message.LParam)) {
                UpdateGeometry();
                QueryBgOfWnd(*query, ParentWnd, query->PleaseDraw);
                query->Offset.x += WndPos.x;
                query->Offset.y += WndPos.y;
            }
            return;
        default:
            break;
        }
    } else if (SkinData->Skinned()) {
        switch (message.Msg) {
        case WM_ERASEBKGND:
            if (!IsWindowVisible(CtrlHandle))
                break;
            AC_WMEraseBKGnd(reinterpret_cast<HDC>(message.WParam));
            message.Result = 1;
            return;
        case WM_NCPAINT:
            return;
        case WM_PRINT:
            AC_WMEraseBKGnd(reinterpret_cast<HDC>(message.WParam));
            SendMessageW(CtrlHandle, WM_PAINT, message.WParam, message.LParam);
            return;
        default:
            break;
        }
    }
    TacMainWnd::acWndProc(message);
    if (!Destroyed && message.Msg == WM_PARENTNOTIFY && LOWORD(message.WParam) == WM_CREATE)
        NotifyTopWindow(CtrlHandle);
}

} // namespace skin
