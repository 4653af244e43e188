#include "skin/windows/listviewwnd.h"

#include "core/collection.h"
#include "core/exception.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/windows/wrapperkit.h"
#include "ui/application.h"
#include "ui/bitmap.h"
#include "ui/color.h"
#include "ui/control.h"
#include "ui/imagelist.h"
#include "ui/propinfo.h"

#include <vector>

namespace skin {

namespace {

// The wrapper of a hooked header window.
const wchar_t* const kHeaderProp = L"ACLVHEADER";
constexpr int kHeaderTextBuffer = 258;

LRESULT CALLBACK HeaderProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    auto* w = static_cast<TacListViewWnd*>(GetPropW(wnd, kHeaderProp));
    if (!w)
        return DefWindowProcW(wnd, msg, wparam, lparam);
    ui::Message message{msg, wparam, lparam, 0};
    w->HeaderWndProc(message);
    return message.Result;
}

ui::ImageList* SmallImagesOf(ui::Control* owner)
{
    if (!owner || !ui::HasProperty(owner, u"SmallImages"))
        return nullptr;
    return dynamic_cast<ui::ImageList*>(ui::GetObjectProperty(owner, u"SmallImages"));
}

// The image the owning control keeps for a column: "ImageIndex" of item index of its "Columns"
// collection; -1 when it has none.
int ColumnImageIndexOf(ui::Control* owner, int index)
{
    auto* columns = dynamic_cast<core::Collection*>(ui::GetObjectProperty(owner, u"Columns"));
    if (!columns || index < 0 || index >= columns->Count())
        return -1;
    core::CollectionItem* column = columns->Items(index);
    return ui::HasProperty(column, u"ImageIndex") ? int(ui::GetOrdProperty(column, u"ImageIndex")) : -1;
}

} // namespace

TacListViewWnd::~TacListViewWnd()
{
    Unhook();
    UnhookHeader();
}

void TacListViewWnd::Construct(core::StringView section, bool repaint)
{
    TacEditWnd::Construct(section, repaint);
    HookHeader(FindWindowExW(CtrlHandle, nullptr, WC_HEADERW, nullptr));
}

void TacListViewWnd::HookHeader(HWND header)
{
    if (!header || FhWndHeader || m_hook_released)
        return;
    FhWndHeader = header;
    SetPropW(header, kHeaderProp, this);
    FhDefHeaderProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HeaderProc)));
}

void TacListViewWnd::UnhookHeader()
{
    if (FhWndHeader && IsWindow(FhWndHeader)) {
        if (FhDefHeaderProc)
            SetWindowLongPtrW(FhWndHeader, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FhDefHeaderProc));
        RemovePropW(FhWndHeader, kHeaderProp);
    }
    FhWndHeader = nullptr;
    FhDefHeaderProc = nullptr;
}

TViewStyle TacListViewWnd::ViewStyle() const
{
    ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if (owner && ui::HasProperty(owner, u"ViewStyle"))
        return TViewStyle(ui::GetOrdProperty(owner, u"ViewStyle"));
    switch (SendMessageW(CtrlHandle, LVM_GETVIEW, 0, 0)) {
    case LV_VIEW_ICON: return vsIcon;
    case LV_VIEW_DETAILS: return vsReport;
    case LV_VIEW_SMALLICON: return vsSmallIcon;
    default: return vsList;
    }
}

void TacListViewWnd::SaveStdParams()
{
    TacEditWnd::SaveStdParams();
    if (!CtrlHandle)
        return;
    StdColor = uint32_t(SendMessageW(CtrlHandle, LVM_GETBKCOLOR, 0, 0));
    StdFontColor = uint32_t(SendMessageW(CtrlHandle, LVM_GETTEXTCOLOR, 0, 0));
    StdTextBkColor = uint32_t(SendMessageW(CtrlHandle, LVM_GETTEXTBKCOLOR, 0, 0));
}

void TacListViewWnd::SetSkinParams()
{
    TacEditWnd::SetSkinParams();
    if (!CtrlHandle)
        return;
    if (DlgMode) {
        SendMessageW(CtrlHandle, LVM_SETBKCOLOR, 0, ui::ColorToRGB(ui::Color(ui::clWindow)));
        SendMessageW(CtrlHandle, LVM_SETTEXTBKCOLOR, 0, ui::ColorToRGB(ui::Color(ui::clWindow)));
        SendMessageW(CtrlHandle, LVM_SETTEXTCOLOR, 0, ui::ColorToRGB(ui::Color(ui::clWindowText)));
        return;
    }
    skin::SkinManager* def = DefaultManager();
    if (!SkinData || !def || !def->IsValidSkinIndex(SkinData->SkinIndex))
        return;
    const SectionData& s = def->Section(SkinData->SkinIndex);
    SendMessageW(CtrlHandle, LVM_SETBKCOLOR, 0, s.Color);
    SendMessageW(CtrlHandle, LVM_SETTEXTBKCOLOR, 0, ui::ColorToRGB(ui::Color(s.Color)));
    SendMessageW(CtrlHandle, LVM_SETTEXTCOLOR, 0, s.FontColor[0]);
}

void TacListViewWnd::RestoreStdParams()
{
    // The list's own colours as they were before the skin.
    if (CtrlHandle && IsWindow(CtrlHandle)) {
        SendMessageW(CtrlHandle, LVM_SETTEXTCOLOR, 0, StdFontColor);
        SendMessageW(CtrlHandle, LVM_SETBKCOLOR, 0, StdColor);
        SendMessageW(CtrlHandle, LVM_SETTEXTBKCOLOR, 0, StdTextBkColor);
    }
    UnhookHeader();
    m_hook_released = true;
    TacEditWnd::RestoreStdParams();
}

void TacListViewWnd::GetHeaderColumnRect(int index, RECT& r) const
{
    r = RECT{};
    const int count = int(SendMessageW(FhWndHeader, HDM_GETITEMCOUNT, 0, 0));
    if (count <= 0 || index < 0 || index >= count)
        return;
    std::vector<int> order(size_t(count), 0);
    SendMessageW(FhWndHeader, HDM_GETORDERARRAY, WPARAM(count), LPARAM(order.data()));
    SendMessageW(FhWndHeader, HDM_GETITEMRECT, WPARAM(order[size_t(index)]), LPARAM(&r));
}

int TacListViewWnd::ColumnAtPoint(int x, int y) const
{
    RECT w{};
    if (!FhWndHeader || !GetWindowRect(FhWndHeader, &w))
        return -2;
    const POINT p{x - w.left, y - w.top};
    const int count = int(SendMessageW(FhWndHeader, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT r{};
        GetHeaderColumnRect(i, r);
        if (PtInRect(&r, p))
            return i;
    }
    return -2;
}

void TacListViewWnd::PaintHeader(HDC dc)
{
    if (!FhWndHeader || ViewStyle() != vsReport)
        return;
    PaintScope paint(FhWndHeader);
    const int count = int(SendMessageW(FhWndHeader, HDM_GETITEMCOUNT, 0, 0));
    int right = 0;
    for (int p = 0; p < count; ++p) {
        RECT r{};
        GetHeaderColumnRect(p, r);
        if (IsRectEmpty(&r))
            continue;
        ColumnSkinPaint(r, int(SendMessageW(FhWndHeader, HDM_ORDERTOINDEX, WPARAM(p), 0)), dc);
        right = std::max<int>(right, r.right);
    }
    RECT w{};
    if (GetWindowRect(FhWndHeader, &w)) {
        const RECT rest{right, 0, w.right - w.left, w.bottom - w.top};
        if (!IsRectEmpty(&rest))
            ColumnSkinPaint(rest, -2, dc);
    }
}

void TacListViewWnd::ColumnSkinPaint(const RECT& r, int cIndex, HDC dc)
{
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return;
    try {
        auto b = NewBmp24(width, height);
        int state = 0;
        if (FPressedColumn >= 0)
            state = cIndex == FPressedColumn ? 2 : 0;
        else if (cIndex == HoverColIndex)
            state = 1;
        skin::SkinManager* manager = SkinData->GetSkinManager();
        ui::Control* owner = SkinData->OwnerControl();
        const uint32_t fill = ui::ColorToRGB(owner ? owner->GetColor() : ui::Color(ui::clWindow));
        const int si = PaintSectionItemByName(b.get(), u"COLHEADER", u"BUTTON", state, manager, POINT{r.left, r.top},
                                              fill, nullptr);
        ui::Canvas& canvas = b->Canvas();
        AssignWindowFont(CtrlHandle, canvas.Font());
        canvas.SetBrushStyle(ui::bsClear);
        RECT t{4, 1, width - 4, height - 1};
        wchar_t text[kHeaderTextBuffer] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_FORMAT | HDI_BITMAP | HDI_IMAGE;
        item.pszText = text;
        item.cchTextMax = kHeaderTextBuffer;
        if (cIndex >= 0 && manager && SendMessageW(FhWndHeader, HDM_GETITEMW, WPARAM(cIndex), LPARAM(&item))) {
            const UINT format = DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS | DT_END_ELLIPSIS;
            ui::ImageList* images = SmallImagesOf(owner);
            const bool image = images && (item.fmt & (HDF_IMAGE | HDF_OWNERDRAW));
            const int io = image ? images->Width() + 4 : 0;
            const TConstantSkinData& cd = manager->GetConstData();
            int arrow = -1;
            if (item.fmt & HDF_SORTDOWN)
                arrow = manager->GetMaskIndex(cd.IndexScrollBottom, u"SCROLLBTNBOTTOM", u"GLYPHMASK");
            else if (item.fmt & HDF_SORTUP)
                arrow = manager->GetMaskIndex(cd.IndexScrollTop, u"SCROLLBTNTOP", u"GLYPHMASK");
            const bool hasArrow = manager->IsValidImgIndex(arrow);
            const int gw = hasArrow ? MaskImageWidth(manager->Mask(arrow)) + 6 : 0;
            const int gh = hasArrow ? MaskStateHeight(manager->Mask(arrow)) : 0;
            const core::String caption(text, text + wcsnlen(text, kHeaderTextBuffer));
            const int tw = TextWidthOf(canvas, caption) + 5;
            switch (item.fmt & 0xFF) {
            case HDF_RIGHT:
                t.right -= gw;
                t.left = t.right - tw;
                break;
            case HDF_CENTER:
                t.left += (t.right - t.left - tw - gw - io) / 2 + io;
                t.right = t.left + tw;
                break;
            default:
                t.left += io;
                t.right = t.left + tw;
                break;
            }
            if (hasArrow)
                PaintMaskGlyph(b.get(), POINT{t.right + 6, (t.bottom - t.top - gh) / 2}, state, 1, manager->Mask(arrow),
                               MakeCacheInfo(b.get(), 0, 0));
            if (state == 2)
                OffsetRect(&t, 1, 1);
            WriteSectionText(canvas, caption.c_str(), true, t, format, si, state != 0, manager);
            const int imageIndex = image ? ColumnImageIndexOf(owner, cIndex) : -1;
            if (imageIndex >= 0 && imageIndex < images->Count())
                images->Draw(canvas, t.left - io, (t.bottom - t.top - images->Height()) / 2 + (state == 2 ? 1 : 0),
                             imageIndex, ui::dsNormal, ui::itImage, owner->Enabled());
        }
        HDC target = dc ? dc : GetDC(FhWndHeader);
        if (target) {
            BitBlt(target, r.left, r.top, width, height, canvas.Handle(), 0, 0, SRCCOPY);
            if (!dc)
                ReleaseDC(FhWndHeader, target);
        }
    } catch (const std::exception& e) {
        ui::App().HandleException(e);
    }
}

void TacListViewWnd::HeaderWndProc(ui::Message& message)
{
    HWND header = FhWndHeader;
    WNDPROC def = FhDefHeaderProc;
    auto passOn = [&] {
        message.Result = def ? CallWindowProcW(def, header, message.Msg, message.WParam, message.LParam) : 0;
    };
    if (ViewStyle() != vsReport || !SkinData || !SkinData->Skinned()) {
        passOn();
        if (message.Msg == WM_NCDESTROY)
            UnhookHeader();
        return;
    }
    try {
        switch (message.Msg) {
        case WM_PAINT:
            PaintHeader(nullptr);
            message.Result = 0;
            return;
        case WM_ERASEBKGND:
            message.Result = 1;
            return;
        case WM_WINDOWPOSCHANGING:
            if (IsWindowVisible(CtrlHandle))
                SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
            passOn();
            return;
        case WM_NCDESTROY:
            passOn();
            UnhookHeader();
            return;
        case WM_NCHITTEST: {
            passOn();
            const POINT p{short(LOWORD(message.LParam)), short(HIWORD(message.LParam))};
            const int pos = ColumnAtPoint(p.x, p.y);
            const int hovered = pos == -2 ? -2 : int(SendMessageW(header, HDM_ORDERTOINDEX, WPARAM(pos), 0));
            if (hovered != HoverColIndex) {
                HoverColIndex = hovered;
                PaintHeader(nullptr);
            }
            return;
        }
        case WM_LBUTTONDOWN: {
            passOn();
            HDHITTESTINFO hit{};
            hit.pt = POINT{short(LOWORD(message.LParam)), short(HIWORD(message.LParam))};
            SendMessageW(header, HDM_HITTEST, 0, LPARAM(&hit));
            FPressedColumn = (hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) ? -1 : hit.iItem;
            RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE);
            return;
        }
        case WM_LBUTTONUP:
            FPressedColumn = -1;
            passOn();
            return;
        default:
            passOn();
            return;
        }
    } catch (const std::exception& e) {
        ui::App().HandleException(e);
    }
}

bool TacListViewWnd::ScrollByThumb(ui::Message& message)
{
    const bool vertical = message.Msg == WM_VSCROLL;
    if (LOWORD(message.WParam) != SB_THUMBTRACK) {
        if (vertical)
            message.LParam = 0;
        message.Result = CallPrevWndProc(message);
        return true;
    }
    const int pos = message.LParam ? int(message.LParam) : int(HIWORD(message.WParam));
    const int last = Tracking().LastTrackPos;
    if (vertical && pos == last)
        return true;
    int d = pos - last;
    RECT item{};
    item.left = LVIR_BOUNDS;
    const TViewStyle view = ViewStyle();
    if ((vertical && view == vsReport) || (!vertical && view == vsList)) {
        SendMessageW(CtrlHandle, LVM_GETITEMRECT, 0, LPARAM(&item));
        d *= vertical ? item.bottom - item.top : item.right - item.left;
    }
    SendMessageW(CtrlHandle, LVM_SCROLL, vertical ? 0 : d, vertical ? d : 0);
    return true;
}

void TacListViewWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData) {
        TacEditWnd::acWndProc(message);
        return;
    }
    if (IsSkinCommand(message)) {
        switch (SubCodeOf(message.WParam)) {
        case scSkinRefresh:
            if (message.LParam == LPARAM(SkinData->GetSkinManager())) {
                TacEditWnd::acWndProc(message);
                if (FhWndHeader) {
                    ui::Message paint{WM_PAINT, 0, 0, 0};
                    HeaderWndProc(paint);
                }
                return;
            }
            break;
        case scGetSkinIndex:
            message.Result = SkinData->SkinIndex + 1;
            return;
        case scBeforeScroll:
            message.Result = 1;
            return;
        default:
            break;
        }
        TacEditWnd::acWndProc(message);
        return;
    }
    if (SkinData->Skinned()) {
        switch (message.Msg) {
        case WM_PAINT:
            SetSkinParams();
            break;
        case WM_NCHITTEST:
            if (HoverColIndex >= 0 || FPressedColumn >= 0) {
                HoverColIndex = FPressedColumn = -1;
                PaintHeader(nullptr);
            }
            break;
        case WM_NCPAINT:
            message.Result = 0;
            break;
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (ScrollByThumb(message))
                return;
            break;
        default:
            break;
        }
    }
    TacEditWnd::acWndProc(message);
    if (Destroyed || !SkinData->Skinned())
        return;
    switch (message.Msg) {
    case WM_STYLECHANGED:
    case LVM_INSERTITEMA:
    case LVM_ARRANGE:
        if (!SkinData->FUpdating)
            UpdateScrollInfo(true);
        break;
    case WM_LBUTTONUP:
        ReleaseCapture();
        break;
    case WM_PARENTNOTIFY:
        if (LOWORD(message.WParam) == WM_CREATE) {
            wchar_t name[96] = {};
            GetClassNameW(reinterpret_cast<HWND>(message.LParam), name, 96);
            if (std::wstring_view(name) == WC_HEADERW) {
                if (FhWndHeader)
                    UnhookHeader();
                else
                    HookHeader(reinterpret_cast<HWND>(message.LParam));
            }
        }
        break;
    case WM_PRINT:
        if (ViewStyle() == vsReport && message.WParam) {
            HDC dc = reinterpret_cast<HDC>(message.WParam);
            const int saved = SaveDC(dc);
            POINT origin{};
            GetWindowOrgEx(dc, &origin);
            SetWindowOrgEx(dc, origin.x - cxLeftEdge, origin.y - cxLeftEdge, nullptr);
            RECT client{};
            GetClientRect(CtrlHandle, &client);
            IntersectClipRect(dc, 0, 0, client.right, client.bottom);
            PaintHeader(dc);
            RestoreDC(dc, saved);
        }
        break;
    default:
        break;
    }
}

} // namespace skin
