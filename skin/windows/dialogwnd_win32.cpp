#include "skin/windows/dialogwnd.h"

#include "skin/engine/command.h"
#include "skin/engine/formutils.h"
#include "skin/engine/glow.h"
#include "skin/engine/skintables.h"
#include "skin/windows/dialogskin.h"
#include "skin/windows/skinmenus.h"
#include "skin/windows/sysmenu.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/wrapperkit.h"

#include <algorithm>

namespace skin {
namespace {

bool g_pressed = false;
bool g_regionChanging = false;

bool WindowsVistaOrLater()
{
    // The dialog's own WM_PAINT is swallowed from Windows 6.0 on, where the client is painted at
    // WM_ERASEBKGND.
    return LOBYTE(LOWORD(GetVersion())) >= 6;
}

int ClassStyleOf(HWND wnd) { return int(GetClassLongW(wnd, GCL_STYLE)); }

} // namespace

bool& DialogButtonPressed() { return g_pressed; }
bool& DialogRegionChanging() { return g_regionChanging; }

TacDialogWnd::TacDialogWnd(HWND handle, TsCommonData* skinData, skin::SkinManager* manager)
    : TacScrollWnd(handle, skinData, manager)
{
}

TacDialogWnd::~TacDialogWnd()
{
    Unhook();
    TitleGlyph.reset();
    TitleBG.reset();
    TempBmp.reset();
    SystemMenu.reset();
    if (TitleFont)
        DeleteObject(TitleFont);
    ClearGlowEffects();
    UpdateExBorders(false);
    for (auto& [color, brush] : m_brushes)
        DeleteObject(brush);
}

void TacDialogWnd::Construct(core::StringView section, bool repaint)
{
    TacScrollWnd::Construct(section, repaint);
    RgnChanged = true;
    BorderStyle = FormBorderKind::Single;
    TempBmp = std::make_unique<ui::Bitmap>();
    FFormActive = true;
    FWMPaintForbidden = WindowsVistaOrLater();
    FCaptionSkinIndex = -1;
    SystemMenu = std::make_unique<TacSystemMenu>(nullptr);
    SystemMenu->SetWindow(CtrlHandle);
    SystemMenu->Rules = [this] {
        DialogMenuRules r;
        r.HasSysMenu = VisibleClose();
        r.VisibleRestore = VisibleRestore();
        r.EnabledRestore = EnabledRestore();
        r.VisibleMin = VisibleMin();
        r.EnabledMin = EnabledMin();
        r.VisibleMax = VisibleMax();
        r.EnabledMax = EnabledMax();
        r.VisibleSize = (dwStyle & WS_THICKFRAME) != 0;
        r.EnabledSize = (dwStyle & WS_THICKFRAME) != 0 && !Minimized() && !Maximized();
        r.EnabledMove = !Maximized();
        return r;
    };
    SystemMenu->UpdateItems();
    SkinData->FUpdating = true;
    SetDwmTransitions(CtrlHandle, true);
    if (skin::SkinManager* m = DefaultManager(); m && m->SkinnedPopups())
        if (auto* painter = dynamic_cast<TsMenuPainter*>(m->SkinableMenus()))
            painter->HookPopupMenu(SystemMenu.get(), true);
}

void TacDialogWnd::RestoreStdParams()
{
    // The window gets back what skinning took: its system menu style and its region.
    if (!IsWindow(CtrlHandle))
        return;
    if (dwStyle & WS_SYSMENU)
        SetWindowLongW(CtrlHandle, GWL_STYLE, GetWindowLongW(CtrlHandle, GWL_STYLE) | WS_SYSMENU);
    SetWindowRgn(CtrlHandle, nullptr, IsWindowVisible(CtrlHandle));
}

void TacDialogWnd::InitParams()
{
    dwStyle = DWORD(GetWindowLongW(CtrlHandle, GWL_STYLE));
    dwExStyle = DWORD(GetWindowLongW(CtrlHandle, GWL_EXSTYLE));
    BorderStyle = FormBorderKind::Sizeable;
    if ((dwStyle & WS_POPUP) && (dwStyle & WS_CAPTION) != WS_CAPTION)
        BorderStyle = FormBorderKind::None;
    else if (dwStyle & WS_THICKFRAME)
        BorderStyle = FormBorderKind::Sizeable;
    else if (dwStyle & DS_MODALFRAME)
        BorderStyle = FormBorderKind::Dialog;
    PrepareTitleGlyph();
    UpdateIconsIndexes();
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
        if (HFONT font = CreateFontIndirectW(&ncm.lfCaptionFont)) {
            if (TitleFont)
                DeleteObject(TitleFont);
            TitleFont = font;
        }
    }
    SetWindowLongW(CtrlHandle, GWL_STYLE, LONG(dwStyle & ~DWORD(WS_SYSMENU)));
}

void TacDialogWnd::UpdateIconsIndexes()
{
    if (!SkinManager)
        return;
    const int global = SkinManager->GetConstData().IndexGLobalInfo;
    if (!SkinManager->IsValidSkinIndex(global))
        return;
    ButtonMin.HitCode = HTMINBUTTON;
    ButtonMax.HitCode = HTMAXBUTTON;
    ButtonClose.HitCode = HTCLOSE;
    ButtonHelp.HitCode = HTHELP;
    const auto mask = [&](const char16_t* name) { return SkinManager->GetMaskIndex(global, u"GLOBALINFO", name); };
    const auto bigSet = [&] {
        ButtonMin.ImageIndex = mask(u"BICONMIN");
        ButtonMax.ImageIndex = mask(u"BICONMAX");
        ButtonClose.ImageIndex = mask(u"BICONCLOSE");
        ButtonHelp.ImageIndex = mask(u"BICONHELP");
        ButtonMin.HaveAlignment = ButtonMax.HaveAlignment = ButtonClose.HaveAlignment = ButtonHelp.HaveAlignment = true;
    };
    if (StandardBorder()) {
        bigSet();
        return;
    }
    ButtonClose.ImageIndex = mask(u"SICONCLOSE");
    if (!SkinManager->IsValidImgIndex(ButtonClose.ImageIndex)) {
        bigSet();
        return;
    }
    ButtonMin.ImageIndex = mask(u"SICONMIN");
    ButtonMax.ImageIndex = mask(u"SICONMAX");
    ButtonHelp.ImageIndex = mask(u"SICONHELP");
    if (!SkinManager->IsValidImgIndex(ButtonHelp.ImageIndex))
        ButtonHelp.ImageIndex = mask(u"BICONHELP");
    ButtonMin.HaveAlignment = ButtonMax.HaveAlignment = ButtonClose.HaveAlignment = ButtonHelp.HaveAlignment = false;
}

// ---- Measures ----

FormFrame TacDialogWnd::Frame() const
{
    FormFrame f;
    f.Sys.cxFrame = GetSystemMetrics(SM_CXFRAME);
    f.Sys.cxDlgFrame = GetSystemMetrics(SM_CXDLGFRAME);
    f.Sys.cyCaption = GetSystemMetrics(SM_CYCAPTION);
    f.Sys.cySmCaption = GetSystemMetrics(SM_CYSMCAPTION);
    f.Sys.cyMenu = GetSystemMetrics(SM_CYMENU);
    f.BorderStyle = BorderStyle;
    const DWORD style = DWORD(GetWindowLongW(CtrlHandle, GWL_STYLE));
    f.ThickFrame = (style & WS_THICKFRAME) != 0;
    f.Border = (style & WS_BORDER) != 0;
    f.Caption = (style & WS_CAPTION) == WS_CAPTION;
    f.Iconic = Minimized();
    f.Zoomed = Maximized();
    RECT w{}, c{};
    GetWindowRect(CtrlHandle, &w);
    GetClientRect(CtrlHandle, &c);
    f.WindowWidth = w.right - w.left;
    f.WindowHeight = w.bottom - w.top;
    f.ClientWidth = c.right;
    f.ClientHeight = c.bottom;
    if (BorderForm && SkinManager) {
        const TsSkinData& sd = SkinManager->GetSkinData();
        f.ExBorders = true;
        f.Ex = ExBorderValues{sd.ExBorderWidth, sd.ExTitleHeight, sd.ExMaxHeight, sd.ExContentOffs, sd.ExCenterOffs,
                              sd.ExDrawMode};
        f.Shadow = SkinManager->FormShadowSize();
    }
    return f;
}

int TacDialogWnd::CaptionHeight(bool checkSkin) const
{
    const DWORD style = DWORD(GetWindowLongW(CtrlHandle, GWL_STYLE));
    if ((style & WS_CAPTION) != WS_CAPTION && !Minimized())
        return 0;
    if (checkSkin && BorderForm)
        if (int h = ExTitleHeightOf(Frame()))
            return h;
    const bool tool = BorderStyle == FormBorderKind::ToolWindow || BorderStyle == FormBorderKind::SizeToolWin;
    return GetSystemMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION);
}

int TacDialogWnd::HeaderHeight() const { return CaptionHeight(true) + PlainBorderWidth(Frame(), false); }
int TacDialogWnd::BorderHeight() const { return PlainBorderWidth(Frame(), true); }

int TacDialogWnd::ButtonHeight(int maskIndex) const
{
    if (!SkinManager || !SkinManager->IsValidImgIndex(maskIndex))
        return 21;
    const MaskData& m = SkinManager->Mask(maskIndex);
    if (m.Bmp)
        return m.Bmp->Height() / 2;
    return MaskStateHeight(m);
}

int TacDialogWnd::SysButtonWidth(const TsCaptionButton& button) const
{
    if (!SkinManager || !SkinManager->IsValidImgIndex(button.ImageIndex))
        return 21;
    const MaskData& m = SkinManager->Mask(button.ImageIndex);
    if (m.Bmp)
        return m.Bmp->Width() / std::max<int>(1, m.ImageCount);
    return MaskImageWidth(m);
}

int TacDialogWnd::TitleBtnsWidth() const
{
    if (!VisibleClose())
        return 0;
    int w = SysButtonWidth(ButtonClose);
    if (VisibleMax())
        w += SysButtonWidth(ButtonMax);
    if (VisibleMin())
        w += SysButtonWidth(ButtonMin);
    if (VisibleHelp())
        w += SysButtonWidth(ButtonHelp);
    return w;
}

Rect TacDialogWnd::ShadowSize() const { return BorderForm && SkinManager ? SkinManager->FormShadowSize() : Rect{}; }

int TacDialogWnd::OffsetX() const
{
    RECT w{}, c{};
    GetWindowRect(CtrlHandle, &w);
    GetClientRect(CtrlHandle, &c);
    int x = ((w.right - w.left) - c.right) / 2;
    if (BorderForm)
        x += ExBorderExtra(Frame()) + ShadowSize().Left;
    return x;
}

int TacDialogWnd::OffsetY() const
{
    RECT w{}, c{};
    GetWindowRect(CtrlHandle, &w);
    GetClientRect(CtrlHandle, &c);
    const FormFrame f = Frame();
    int y = (w.bottom - w.top) - c.bottom - (CaptionHeight(true) != 0 ? SysBorderWidth(f, false) : 0);
    if (BorderForm)
        y += ShadowSize().Top + ExTitleExtra(f);
    return y;
}

RECT TacDialogWnd::IconRect() const
{
    const FormFrame f = Frame();
    const Rect s = ShadowSize();
    const int margin = SkinManager ? SkinManager->GetSkinData().BILeftMargin : 0;
    RECT r;
    r.left = SysBorderWidth(f, true) + margin + s.Left;
    r.top = (PlainBorderWidth(f, true) + CaptionHeight(true) - GetSystemMetrics(SM_CYSMICON)) / 2 + s.Top;
    if (BorderForm && SkinManager && SkinManager->GetSkinData().ExDrawMode == 1)
        r.top += SkinManager->GetSkinData().ExCenterOffs;
    r.right = r.left + GetSystemMetrics(SM_CXSMICON);
    r.bottom = r.top + GetSystemMetrics(SM_CYSMICON);
    return r;
}

bool TacDialogWnd::EnabledClose() const { return VisibleClose() && !(ClassStyleOf(CtrlHandle) & CS_NOCLOSE); }

bool TacDialogWnd::EnabledMax() const
{
    return VisibleMax() && !Maximized() &&
           (StandardBorder() || BorderStyle == FormBorderKind::SizeToolWin);
}

TitleHitInput TacDialogWnd::TitleButtons() const
{
    TitleHitInput in;
    in.Rules.HaveSysMenu = VisibleClose();
    in.Rules.BorderStyle = BorderStyle;
    in.Rules.Minimized = Minimized();
    in.Rules.Maximized = Maximized();
    in.Rules.IconMinimize = VisibleMin();
    in.Rules.IconMaximize = VisibleMax();
    in.Rules.IconHelp = VisibleHelp();
    const auto toRect = [](const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; };
    in.Close = toRect(ButtonClose.Rect);
    in.Max = toRect(ButtonMax.Rect);
    in.Min = toRect(ButtonMin.Rect);
    in.Help = toRect(ButtonHelp.Rect);
    in.IconRect = toRect(IconRect());
    return in;
}

BorderFormOwner::ShowCheck TacDialogWnd::CheckShow() const
{
    if (!SkinManager || !SkinManager->Active() || !SkinManager->ExtendedBorders())
        return ShowCheck::SwitchOff;
    return IsWindowVisible(CtrlHandle) ? ShowCheck::Show : ShowCheck::Hide;
}

// ---- Hit testing and the mouse ----

POINT TacDialogWnd::CursorToPoint(int x, int y)
{
    GetWindowRect(CtrlHandle, &WndRect);
    return {x - WndRect.left, y - WndRect.top};
}

TsCaptionButton* TacDialogWnd::ButtonOfCode(int code)
{
    switch (code) {
    case HTMINBUTTON: return &ButtonMin;
    case HTMAXBUTTON: return &ButtonMax;
    case HTCLOSE: return &ButtonClose;
    case HTHELP: return &ButtonHelp;
    }
    return nullptr;
}

int TacDialogWnd::HTProcess(ui::Message& message)
{
    const POINT sp = PointOfLParam(message.LParam);
    const POINT p = CursorToPoint(sp.x, sp.y);
    // The button rectangles are kept in image coordinates; the image is the window without a border window.
    const Rect s = ShadowSize();
    const FormFrame f = Frame();
    const POINT ip{p.x + (BorderForm ? s.Left + ExBorderExtra(f) : 0), p.y + (BorderForm ? s.Top + ExTitleExtra(f) : 0)};
    const int height = ButtonHeight(ButtonClose.ImageIndex);
    const int top = (PlainBorderWidth(f, true) + CaptionHeight(true) - height) / 2;
    if (p.y >= top && p.y <= top + height) {
        const int left = SysBorderWidth(f, true);
        if (p.x >= left && p.x <= left + GetSystemMetrics(SM_CXSMICON)) {
            SetHotHT(HTSYSMENU, true);
            return HTSYSMENU;
        }
        const bool close = VisibleClose(), max = close && VisibleMax(), min = close && VisibleMin(),
                   help = close && VisibleHelp();
        const TsCaptionButton* order[4] = {};
        int n = 0;
        if (close)
            order[n++] = &ButtonClose;
        if (max)
            order[n++] = &ButtonMax;
        if (min)
            order[n++] = &ButtonMin;
        if (help)
            order[n++] = &ButtonHelp;
        int g = 0;
        for (int i = 0; i < n && !g; ++i)
            if (ip.x >= order[i]->Rect.left && ip.x <= order[i]->Rect.right)
                g = i + 1;
        const int count = int(close) + int(max) + int(min || Minimized());
        int code = HTCAPTION;
        if (g >= 1 && g <= count + int(help)) {
            switch (g) {
            case 1:
                code = close ? HTCLOSE : HTCAPTION;
                break;
            case 2:
                if (max)
                    code = EnabledMax() || EnabledRestore() ? HTMAXBUTTON : HTCAPTION;
                else if (min || Minimized())
                    code = EnabledMin() ? HTMINBUTTON : HTCAPTION;
                else if (help)
                    code = HTHELP;
                break;
            case 3:
                if (min || Minimized())
                    code = Minimized() || EnabledMin() ? HTMINBUTTON : HTCAPTION;
                else if (help)
                    code = HTHELP;
                break;
            case 4:
                if (help && max)
                    code = HTHELP;
                break;
            }
            SetHotHT(code, true);
            return code;
        }
    }
    if (Maximized() && (p.x < 2 || p.y < 2 || p.x > WndSize.cx - 4 || p.y > WndSize.cy - 4)) {
        SetHotHT(0, true);
        return HTTRANSPARENT;
    }
    return int(message.Result);
}

void TacDialogWnd::SetHotHT(int code, bool repaint)
{
    if (code == CurrentHT)
        return;
    if (TsCaptionButton* old = ButtonOfCode(CurrentHT)) {
        old->State = 0;
        if (repaint)
            RepaintButton(CurrentHT);
    }
    CurrentHT = code;
    DialogButtonPressed() = false;
    if (TsCaptionButton* b = ButtonOfCode(code)) {
        b->State = 1;
        if (repaint)
            RepaintButton(code);
    }
}

void TacDialogWnd::SetPressedHT(int code)
{
    if (code != CurrentHT)
        if (TsCaptionButton* old = ButtonOfCode(CurrentHT)) {
            old->State = 0;
            RepaintButton(CurrentHT);
        }
    CurrentHT = code;
    if (TsCaptionButton* b = ButtonOfCode(code)) {
        const bool maxOk = code != HTMAXBUTTON || EnabledMax() || (Maximized() && EnabledRestore());
        b->State = maxOk ? 2 : 1;
        RepaintButton(code);
    }
    DialogButtonPressed() = true;
}

void TacDialogWnd::DropSysMenu(int x, int y)
{
    SystemMenu->SetWindow(CtrlHandle);
    SystemMenu->UpdateItems();
    SystemMenu->Popup(x, y);
}

LRESULT TacDialogWnd::LButtonUp(ui::Message& message)
{
    const bool pressed = DialogButtonPressed();
    switch (int(message.WParam)) {
    case HTMINBUTTON: {
        if (!pressed) {
            SetHotHT(0, true);
            break;
        }
        const POINT p = CursorToPoint(PointOfLParam(message.LParam).x, PointOfLParam(message.LParam).y);
        (void)p;
        SetHotHT(0, true);
        SendMessageW(CtrlHandle, WM_SYSCOMMAND, Minimized() ? SC_RESTORE : SC_MINIMIZE, 0);
        break;
    }
    case HTMAXBUTTON:
        if (Minimized() && !EnabledMax())
            break;
        SetHotHT(0, true);
        if (pressed) {
            SendMessageW(CtrlHandle, WM_SYSCOMMAND, Maximized() ? SC_RESTORE : SC_MAXIMIZE, 0);
            SystemMenu->UpdateItems();
        }
        break;
    case HTCLOSE:
        if (pressed) {
            ButtonClose.State = 0;
            SetHotHT(0, true);
            SendMessageW(CtrlHandle, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        break;
    case HTHELP:
        SetHotHT(0, true);
        if (pressed) {
            SendMessageW(CtrlHandle, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
            SystemMenu->UpdateItems();
            SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
        }
        break;
    default:
        return CallPrevWndProc(message);
    }
    message.WParam = 0;
    return 0;
}

// The title-bar mouse messages; false for the ones passed to the inherited handling.
bool TacDialogWnd::NcMouse(ui::Message& message)
{
    const auto borderHit = [&] {
        if (BorderForm && int(message.WParam) == -1)
            message.WParam = WPARAM(BorderForm->Ex_WMNCHitTest(message));
    };
    switch (message.Msg) {
    case WM_NCHITTEST: {
        message.Result = CallPrevWndProc(message);
        const int code = HTProcess(message);
        if (code == 0 || code == HTCAPTION) {
            SetHotHT(0, true);
            return true;
        }
        message.Result = code;
        return true;
    }
    case WM_NCLBUTTONDOWN: {
        if (BorderForm && message.WParam == 19) {
            message.Result = CallPrevWndProc(message);
            return true;
        }
        borderHit();
        if (message.WParam != HTBOTTOMRIGHT) {
            ui::Message hit{WM_NCHITTEST, 0, message.LParam, LRESULT(message.WParam)};
            message.WParam = WPARAM(HTProcess(hit));
        }
        const int code = int(message.WParam);
        if (code == HTSYSMENU) {
            SetHotHT(0, true);
            DropSysMenu(WndRect.left + SysBorderWidth(Frame(), true),
                        WndRect.top + BorderHeight() + GetSystemMetrics(SM_CYSMICON));
            return true;
        }
        if (code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE || code == HTHELP ||
            (code >= htMDIClose && code <= htMDIMinimize)) {
            SetPressedHT(code);
            return true;
        }
        if (Minimized()) {
            SendMessageW(CtrlHandle, WM_SYSCOMMAND, SC_DRAGMOVE, 0);
            return true;
        }
        SetHotHT(0, true);
        if (Maximized() && code == HTCAPTION) {
            if (GetActiveWindow() != CtrlHandle)
                SetFocus(CtrlHandle);
            return true;
        }
        message.Result = CallPrevWndProc(message);
        return true;
    }
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP:
        if (message.Msg == WM_LBUTTONUP && !DialogButtonPressed() && CurrentHT == 0)
            return false;
        borderHit();
        if (message.Msg == WM_LBUTTONUP)
            message.WParam = WPARAM(CurrentHT);
        message.Result = LButtonUp(message);
        return true;
    case WM_NCLBUTTONDBLCLK:
        if (message.WParam == HTCAPTION && (EnabledMax() || EnabledRestore())) {
            SendMessageW(CtrlHandle, WM_SYSCOMMAND, Maximized() || Minimized() ? SC_RESTORE : SC_MAXIMIZE, 0);
            SystemMenu->UpdateItems();
        } else if (message.WParam == HTSYSMENU) {
            SendMessageW(CtrlHandle, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        message.Result = 0;
        return true;
    case WM_NCRBUTTONDOWN:
        if (message.WParam == HTCAPTION || message.WParam == HTSYSMENU)
            return true;
        return false;
    case WM_NCRBUTTONUP: {
        borderHit();
        if (message.WParam == HTCAPTION || message.WParam == HTSYSMENU) {
            SetHotHT(0, true);
            const POINT p = PointOfLParam(message.LParam);
            DropSysMenu(p.x, p.y);
        }
        return true;
    }
    }
    return false;
}

// ---- Messages ----

void TacDialogWnd::PlaceBorder(bool repaint)
{
    if (BorderForm && IsWindowVisible(CtrlHandle))
        BorderForm->UpdateExBordersPos(repaint, 255);
}

void TacDialogWnd::SkinCommand(ui::Message& message)
{
    const bool own = message.LParam == LPARAM(SkinManager);
    switch (SubCodeOf(message.WParam)) {
    case scSkinLoaded:
        UpdateExBorders(SkinManager && SkinManager->ExtendedBorders());
        if (own) {
            SkinData->UpdateIndexes();
            SkinData->BGChanged = true;
            FCaptionSkinIndex = SkinManager->GetSkinIndex(u"CAPTION");
            UpdateIconsIndexes();
            SendToChildWindows(CtrlHandle, message);
        }
        return;
    case scSkinRefresh:
        SkinData->UpdateIndexes();
        UpdateExBorders(SkinManager && SkinManager->ExtendedBorders());
        Redraw(RDW_INVALIDATE | RDW_FRAME);
        PlaceBorder(true);
        return;
    case scSetUpdating:
        SkinData->FUpdating = LOWORD(DWORD(message.LParam)) == 1;
        if (SkinData->FUpdating)
            SkinData->BGChanged = true;
        break;
    case scIsUpdating:
        message.Result = SkinData->FUpdating ? 1 : 0;
        return;
    case scRepaint:
        if (BorderForm)
            BorderForm->UpdateExBordersPos(false, 255);
        break;
    case scIsTextured:
        if (const SectionData* s = SkinData->Section())
            message.Result = s->GradientPercent + s->ImagePercent > 0 ? 1 : 0;
        return;
    case scGetBgColor:
        message.Result = LRESULT(SkinData->GetBgColor(0, CtrlHandle));
        return;
    case scInitDialogControls:
        if (Provider)
            Provider->InitHwndControls(CtrlHandle);
        break;
    case scGetBackground: {
        auto* query = reinterpret_cast<TacBGQuery*>(message.LParam);
        if (!query)
            return;
        if (query->PleaseDraw) {
            query->Offset.x += OffsetX();
            query->Offset.y += OffsetY();
            SkinData->GetBgInfo(*query, 0, CtrlHandle);
            return;
        }
        SkinData->GetBgInfo(*query, 0, CtrlHandle);
        if (query->BgType == 2) {
            if (!SkinData->CacheBmp() || SkinData->BGChanged)
                PaintAll();
            query->Bmp = SkinData->CacheBmp();
            query->Offset = {OffsetX(), OffsetY()};
        }
        return;
    }
    case scGetClientOffset:
        message.Result = MAKELONG(OffsetX(), OffsetY());
        return;
    }
    TacScrollWnd::acWndProc(message);
}

void TacDialogWnd::InheritedAfter(ui::Message& message)
{
    switch (message.Msg) {
    case WM_MOVE:
    case WM_SIZING:
        PlaceBorder(false);
        break;
    case WM_WINDOWPOSCHANGING:
        if (BorderForm) {
            const auto* wp = reinterpret_cast<const WINDOWPOS*>(message.LParam);
            if (wp && (wp->flags & SWP_HIDEWINDOW))
                UpdateExBorders(false);
            else
                PlaceBorder(false);
        }
        break;
    case WM_SYSCOMMAND:
        if ((message.WParam & 0xFFF0) == SC_DRAGMOVE) {
            UpdateWindow(CtrlHandle);
            PlaceBorder(false);
        } else if ((message.WParam & 0xFFF0) == SC_MAXIMIZE || (message.WParam & 0xFFF0) == SC_RESTORE) {
            if (VisibleMax())
                CurrentHT = HTMAXBUTTON;
            SetHotHT(0, true);
        }
        break;
    }
}

void TacDialogWnd::acWndProc(ui::Message& message)
{
    if (message.Msg == WM_DESTROY || message.Msg == WM_NCDESTROY) {
        message.Result = CallPrevWndProc(message);
        if (!Destroyed && (OldProc || OldWndProc))
            DetachWrapper(CtrlHandle, false, this);
        return;
    }
    if (!SkinManager || !SkinManager->Active()) {
        TacScrollWnd::acWndProc(message);
        return;
    }
    if (IsSkinCommand(message)) {
        SkinCommand(message);
        return;
    }
    if (NcMouse(message))
        return;
    const bool visible = IsWindowVisible(CtrlHandle) != FALSE;
    switch (message.Msg) {
    case WM_SIZE:
        SkinData->BGChanged = true;
        RgnChanged = true;
        message.Result = CallPrevWndProc(message);
        PlaceBorder(true);
        Redraw(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
        return;
    case WM_SETFOCUS:
        message.Result = CallPrevWndProc(message);
        if (HWND active = GetActiveWindow())
            RedrawWindow(active, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        return;
    case WM_ENABLE:
        if (!visible)
            break;
        message.Result = CallPrevWndProc(message);
        SkinData->BGChanged = true;
        SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
        return;
    case WM_SETTEXT:
        if (!visible)
            break;
        message.Result = CallPrevWndProc(message);
        Caption = WindowTextOf(CtrlHandle);
        SkinData->BGChanged = true;
        if (BorderForm)
            BorderForm->UpdateExBordersPos(false, 255);
        else
            SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
        return;
    case WM_PAINT:
        if (FWMPaintForbidden) {
            PaintScope paint(CtrlHandle);
            message.Result = 0;
            return;
        }
        message.Result = CallPrevWndProc(message);
        return;
    case WM_ERASEBKGND:
        UpdateGeometry();
        if (!Initialized) {
            Initialized = true;
            if (Provider)
                Provider->InitHwndControls(CtrlHandle);
        }
        Ac_WMPaint(reinterpret_cast<HDC>(message.WParam));
        message.Result = 1;
        return;
    case WM_SHOWWINDOW:
        if (DwmCompositionActive()) {
            SetWindowLongW(CtrlHandle, GWL_EXSTYLE, GetWindowLongW(CtrlHandle, GWL_EXSTYLE) | WS_EX_LAYERED);
            message.Result = CallPrevWndProc(message);
            SetWindowLongW(CtrlHandle, GWL_EXSTYLE, GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & ~WS_EX_LAYERED);
            return;
        }
        break;
    case WM_DRAWITEM:
        if (auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam); di && di->CtlType == ODT_STATIC)
            SetBkMode(di->hDC, TRANSPARENT);
        break;
    case WM_WINDOWPOSCHANGED:
        SkinData->BGChanged = true;
        RgnChanged = true;
        message.Result = CallPrevWndProc(message);
        PlaceBorder(false);
        return;
    case WM_GETDLGCODE:
        message.Result = 0;
        return;
    case WM_NCPAINT:
        if (!visible)
            break;
        UpdateGeometry();
        Caption = WindowTextOf(CtrlHandle);
        if (BorderForm && !IsWindowVisible(BorderForm->Handle())) {
            if (DwmCompositionActive()) {
                ApplyDialogRgn(false);
                BorderForm->UpdateExBordersPos(true, 255);
                SetFocus(CtrlHandle);
            } else {
                BorderForm->UpdateExBordersPos(false, 255);
            }
        }
        Ac_WMNCPaint();
        message.Result = 1;
        return;
    case WM_NCACTIVATE:
        if (!visible)
            break;
        SendMessageW(CtrlHandle, WM_SETREDRAW, 0, 0);
        message.Result = CallPrevWndProc(message);
        FFormActive = message.WParam != 0;
        SendMessageW(CtrlHandle, WM_SETREDRAW, 1, 0);
        SkinData->BGChanged = true;
        Redraw(RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
        if (BorderForm)
            BorderForm->UpdateExBordersPos(false, 255);
        message.Result = 1;
        return;
    case WM_CTLCOLORDLG: {
        const uint32_t color = SkinManager->GlobalColor();
        HBRUSH& brush = m_brushes[color];
        if (!brush)
            brush = CreateSolidBrush(COLORREF(color & 0xFFFFFF));
        message.Result = LRESULT(brush);
        return;
    }
    case WM_MOUSEMOVE:
        if (IsWindowEnabled(CtrlHandle))
            SkinManager->SetActiveControl(nullptr);
        break;
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE:
        SetHotHT(0, true);
        break;
    case DM_SETDEFID:
        TacScrollWnd::acWndProc(message);
        if (Provider)
            Provider->InitHwndControls(CtrlHandle);
        return;
    case 0x052E:
        message.Result = CallPrevWndProc(message);
        if (Provider)
            Provider->InitHwndControls(CtrlHandle);
        Redraw(RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
        return;
    case 0xB00B:
        TacScrollWnd::acWndProc(message);
        if (message.WParam == 0)
            KillAnimations();
        return;
    }
    TacScrollWnd::acWndProc(message);
    InheritedAfter(message);
}

} // namespace skin
