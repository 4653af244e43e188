#include "skin/windows/combownd.h"

#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/windows/listviewwnd.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/statuswnd.h"
#include "skin/windows/tabwnd.h"
#include "skin/windows/toolbarwnd.h"
#include "skin/windows/wrapperkit.h"
#include "ui/bitmap.h"
#include "ui/color.h"
#include "ui/control.h"

#include <vector>

namespace skin {

namespace {

constexpr int kTextBufferSize = 4096;

Rect ToRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

SIZE WindowSize(HWND wnd)
{
    RECT w{};
    GetWindowRect(wnd, &w);
    return SIZE{w.right - w.left, w.bottom - w.top};
}

// The text of an item, read whole however long it is.
core::String ItemText(HWND wnd, int index)
{
    const LRESULT length = SendMessageW(wnd, CB_GETLBTEXTLEN, WPARAM(index), 0);
    if (length == CB_ERR || length <= 0)
        return {};
    std::vector<wchar_t> buffer(size_t(length) + 1);
    const LRESULT got = SendMessageW(wnd, CB_GETLBTEXT, WPARAM(index), LPARAM(buffer.data()));
    if (got == CB_ERR)
        return {};
    return core::String(buffer.begin(), buffer.begin() + std::min<LRESULT>(got, length));
}

} // namespace

TacComboBoxWnd::~TacComboBoxWnd()
{
    Unhook();
    ListSW.reset();
    if (m_list_brush)
        DeleteObject(m_list_brush);
}

TacComboListWnd* TacComboBoxWnd::List() const { return static_cast<TacComboListWnd*>(ListSW.get()); }

bool TacComboBoxWnd::IsSimple() const { return (GetWindowLongW(CtrlHandle, GWL_STYLE) & 3) == CBS_SIMPLE; }

void TacComboBoxWnd::ButtonRect(RECT& r) const
{
    const int b = (GetWindowLongW(CtrlHandle, GWL_STYLE) & CBS_DROPDOWN) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    const SIZE size = WindowSize(CtrlHandle);
    r.left = (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_RTLREADING) ? 2 : size.cx - b - 2;
    r.top = 2;
    r.right = r.left + b;
    r.bottom = size.cy - 2;
}

void TacWWComboBoxWnd::Construct(core::StringView section, bool repaint)
{
    TacComboBoxWnd::Construct(section, repaint);
    FShowButton = true;
    if (ui::Control* owner = SkinData ? SkinData->OwnerControl() : nullptr; owner && owner->ClassName() == u"TComboBox")
        FShowButton = (GetWindowLongW(CtrlHandle, GWL_STYLE) & CBS_DROPDOWN) != 0;
}

void TacWWComboBoxWnd::ButtonRect(RECT& r) const
{
    const int w = FShowButton ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    const SIZE size = WindowSize(CtrlHandle);
    if (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_RTLREADING)
        r = RECT{2, 2, 2 + w, size.cy - 2};
    else
        r = RECT{size.cx - w - 2, 2, size.cx - 2, size.cy - 2};
}

int TacComboBoxWnd::ButtonHeight() const
{
    skin::SkinManager* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
    if (!manager || !manager->IsValidImgIndex(manager->GetConstData().ComboGlyph))
        return 16;
    const MaskData& m = manager->Mask(manager->GetConstData().ComboGlyph);
    return RectHeight(m.R) / (m.MaskType + 1);
}

int TacComboBoxWnd::ButtonState() const
{
    if (FListHandle && IsWindowVisible(FListHandle))
        return 2;
    skin::SkinManager* def = DefaultManager();
    if (SkinData->IsHotOrFocused() || (def && def->ActiveControl() == CtrlHandle))
        return 1;
    return 0;
}

void TacComboBoxWnd::PaintButton(HDC dc)
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    skin::SkinManager* manager = SkinData->GetSkinManager();
    if (!dc || !cache || cache->Empty() || !manager)
        return;
    const int state = ButtonState();
    auto b = NewBmp24(cache->Width(), cache->Height());
    BitBlt(b->Canvas().Handle(), 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
    RECT r{};
    ButtonRect(r);
    const TConstantSkinData& cd = manager->GetConstData();
    if (cd.ComboBtnIndex >= 0)
        PaintSectionItem(cd.ComboBtnIndex, u"COMBOBTN", MakeCacheInfo(b.get(), 0, 0), true, state, ToRect(r),
                         POINT{0, 0}, b.get(), manager, cd.ComboBtnBG, cd.ComboBtnBGHot);
    if (manager->IsValidImgIndex(cd.ComboGlyph)) {
        const MaskData& m = manager->Mask(cd.ComboGlyph);
        const int imageWidth = m.ImageCount ? RectWidth(m.R) / m.ImageCount : 0;
        const POINT p{r.left + (r.right - r.left - imageWidth) / 2, (WindowSize(CtrlHandle).cy - ButtonHeight()) / 2};
        PaintMaskGlyph(b.get(), p, state, 1, m, MakeCacheInfo(b.get(), 0, 0));
    }
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, b->Canvas().Handle(), r.left, r.top, SRCCOPY);
}

void TacComboBoxWnd::RepaintButton()
{
    if (!SkinData || !SkinData->Skinned())
        return;
    if (HDC dc = GetWindowDC(CtrlHandle)) {
        PaintButton(dc);
        ReleaseDC(CtrlHandle, dc);
    }
}

void TacComboBoxWnd::PrepareSimple()
{
    ui::Bitmap* cache = SizedCache(SkinData, WindowSize(CtrlHandle).cx,
                                   int(SendMessageW(CtrlHandle, CB_GETITEMHEIGHT, 0, 0)) + 8);
    if (!cache)
        return;
    const RECT all{0, 0, cache->Width(), cache->Height()};
    skin::SkinManager* def = DefaultManager();
    if (DlgMode && def && def->GetSkinData().BorderColor != MaskKeyColor) {
        FillDCSolid(cache->Canvas().Handle(), all, ui::Color(ui::clWindow));
        HBRUSH frame = CreateSolidBrush(def->GetSkinData().BorderColor);
        FrameRect(cache->Canvas().Handle(), &all, frame);
        DeleteObject(frame);
        return;
    }
    TCacheInfo ci;
    SkinData->GetParentCache(ci);
    PaintControlItem(SkinData, ci, true, SkinData->IsHotOrFocused() ? 1 : 0, ToRect(all), POINT{0, 0}, cache, true);
}

void TacComboBoxWnd::PaintText()
{
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache || cache->Empty())
        return;
    ui::Canvas& canvas = cache->Canvas();
    if (ui::Control* owner = SkinData->OwnerControl())
        canvas.Font().Assign(owner->Font());
    else
        AssignWindowFont(CtrlHandle, canvas.Font());
    RECT button{};
    ButtonRect(button);
    const SIZE size = WindowSize(CtrlHandle);
    RECT t{3, 3, button.left, size.cy - 3};
    if (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_RTLREADING)
        t = RECT{button.right, 3, size.cx - 3, size.cy - 3};
    const LRESULT selected = SendMessageW(CtrlHandle, CB_GETCURSEL, 0, 0);
    const core::String text = selected >= 0 ? ItemText(CtrlHandle, int(selected)) : WindowTextOf(CtrlHandle);
    const bool list = (GetWindowLongW(CtrlHandle, GWL_STYLE) & 3) == CBS_DROPDOWNLIST;
    const bool focused = list && GetFocus() == CtrlHandle;
    if (focused) {
        FillDCSolid(canvas.Handle(), t, ui::Color(ui::clHighlight));
        canvas.Font().SetColor(ui::clHighlightText);
    }
    canvas.SetBrushStyle(ui::bsClear);
    const int d = list ? 1 : 0;
    if (!text.empty())
        canvas.TextRect(t, t.left + d, t.top + d, text);
    if (focused)
        DrawFocusRect(canvas.Handle(), &t);
}

void TacComboBoxWnd::AnswerListColors(ui::Message& message)
{
    TacEditWnd::acWndProc(message);
    if (FListHandle)
        return;
    FListHandle = reinterpret_cast<HWND>(message.LParam);
    if (!ListSW) {
        const bool ownerless = !SkinData->OwnerControl();
        if (ownerless)
            SetDialogModeFlag(DlgMode);
        const bool hasItems = SendMessageW(CtrlHandle, CB_GETCOUNT, 0, 0) > 0;
        ListSW = TacMainWnd::Create<TacComboListWnd>(FListHandle, nullptr, SkinData->GetSkinManager(), u"EDIT",
                                                     hasItems);
        if (ownerless)
            SetDialogModeFlag(false);
        List()->SimplyBox = IsSimple();
    }
    const LRESULT index = SendAcMessage(FListHandle, scGetSkinIndex, 0) - 1;
    skin::SkinManager* manager = SkinData->GetSkinManager();
    if (index < 0 || DlgMode || !manager || !manager->IsValidSkinIndex(int(index)))
        return;
    const SectionData& s = manager->Section(int(index));
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    if (int32_t(s.FontColor[0]) >= 0)
        SetTextColor(dc, ui::ColorToRGB(ui::Color(s.FontColor[0])));
    const uint32_t back = ui::ColorToRGB(ui::Color(s.Color));
    SetBkColor(dc, back);
    if (!m_list_brush)
        m_list_brush = CreateSolidBrush(back);
    message.Result = LRESULT(m_list_brush);
}

void TacComboBoxWnd::PaintOverControl(ui::Message& message)
{
    if (!ParamsChanged)
        SetSkinParams();
    UpdateGeometry();
    const bool simple = IsSimple();
    message.Result = CallPrevWndProc(message);
    MessageDC dc(CtrlHandle, message.WParam);
    if (!dc.Get())
        return;
    SkinData->FUpdating = SkinData->GetUpdating();
    if (SkinData->FUpdating)
        return;
    if (simple) {
        PrepareSimple();
    } else {
        SkinData->BGChanged = true;
        SendAcMessage(CtrlHandle, scPrepareCache, 0);
    }
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (cache && !cache->Empty())
        CopyDCFrame(dc.Get(), 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, 3);
    if (!simple)
        PaintButton(dc.Get());
}

void TacComboBoxWnd::PrintCombo(HDC dc)
{
    UpdateGeometry();
    SkinData->FUpdating = false;
    SkinData->BGChanged = true;
    if (!ParamsChanged)
        SetSkinParams();
    if (IsSimple())
        PrepareSimple();
    else
        SendAcMessage(CtrlHandle, scPrepareCache, 0);
    PrepareWndCache(SkinData, CtrlHandle, DlgMode);
    PaintText();
    RestoreWndCorners(SkinData, 0, this);
    if (ui::Bitmap* cache = SkinData->CacheBmp(); cache && !cache->Empty())
        BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
    PaintButton(dc);
}

void TacComboBoxWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData || !SkinData->Skinned()) {
        TacEditWnd::acWndProc(message);
        return;
    }
    if (IsSkinCommand(message)) {
        TacEditWnd::acWndProc(message);
        const int code = SubCodeOf(message.WParam);
        if (code == scMouseEnter || code == scMouseLeave)
            RepaintButton();
        return;
    }
    switch (message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_LBUTTONUP:
        TacEditWnd::acWndProc(message);
        RepaintButton();
        return;
    case WM_PAINT:
        PaintOverControl(message);
        return;
    case WM_ERASEBKGND:
        message.Result = 1;
        return;
    case WM_DRAWITEM:
        message.Result = CallPrevWndProc(message);
        return;
    case WM_NCCALCSIZE:
        TacEditWnd::acWndProc(message);
        cxLeftEdge = 3;
        return;
    case WM_CTLCOLORLISTBOX:
        AnswerListColors(message);
        return;
    case WM_PRINT:
        if (message.WParam)
            PrintCombo(reinterpret_cast<HDC>(message.WParam));
        return;
    case ui::CM_MOUSEENTER:
    case ui::CM_MOUSELEAVE:
        TacEditWnd::acWndProc(message);
        SkinData->FMouseAbove = message.Msg == ui::CM_MOUSEENTER;
        return;
    default:
        TacEditWnd::acWndProc(message);
        return;
    }
}

} // namespace skin

namespace skin {

void RegisterCompositeWrapperClasses()
{
    RegisterWrapperClass(u"TacComboBoxWnd", MakeWrapperOf<TacComboBoxWnd>);
    RegisterWrapperClass(u"TacWWComboBoxWnd", MakeWrapperOf<TacWWComboBoxWnd>);
    RegisterWrapperClass(u"TacStatusBarWnd", MakeWrapperOf<TacStatusBarWnd>);
    RegisterWrapperClass(u"TacTabControlWnd", MakeWrapperOf<TacTabControlWnd>);
    RegisterWrapperClass(u"TacPageControlWnd", MakeWrapperOf<TacPageControlWnd>);
    RegisterWrapperClass(u"TacListViewWnd", MakeWrapperOf<TacListViewWnd>);
    RegisterWrapperClass(u"TacToolBarWnd", MakeWrapperOf<TacToolBarWnd>);
}

} // namespace skin
