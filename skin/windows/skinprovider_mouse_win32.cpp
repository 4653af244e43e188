// The provider's frame: its measures read from the window, the caption-button masks and places, the
// hit test with hot and pressed buttons and their hints, the title-bar mouse, the system commands,
// the system menu's drop, the maximised size, screen snapping and the border resize mode's outline.
#include "skin/windows/skinprovider.h"

#include "skin/engine/formutils.h"
#include "skin/engine/skintables.h"
#include "skin/windows/sysmenu.h"
#include "ui/application.h"
#include "ui/hintwindow.h"

namespace skin {

namespace {
int PointX(LPARAM lp) { return short(LOWORD(DWORD(lp))); }
int PointY(LPARAM lp) { return short(HIWORD(DWORD(lp))); }
} // namespace

namespace {

Rect ToRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }
RECT ToRECT(const Rect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }

FormBorderKind KindOf(ui::FormBorderStyle style) { return FormBorderKind(int(style)); }
static_assert(int(FormBorderKind::SizeToolWin) == int(ui::bsSizeToolWin));

ButtonMaskInfo MaskInfoOf(SkinManager* manager, int index)
{
    ButtonMaskInfo info;
    if (!manager || !manager->IsValidImgIndex(index))
        return info;
    const MaskData& m = manager->Mask(index);
    info.Valid = true;
    info.OwnBitmap = m.Bmp != nullptr;
    if (m.Bmp) {
        MaskSizeResult size = manager->MaskSize(index);
        info.BitmapWidth = size.cx * std::max<int>(1, m.ImageCount);
        info.BitmapHeight = size.cy * 2;
    }
    info.ImageWidth = MaskImageWidth(m);
    info.RHeight = RectHeight(m.R);
    info.ImageCount = std::max<int>(1, m.ImageCount);
    info.MaskType = m.MaskType;
    return info;
}

Rect WorkAreaOf(HWND wnd)
{
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST), &mi);
    return ToRect(mi.rcWork);
}

bool PointIn(const RECT& r, POINT p) { return PtInRect(&r, p) != FALSE; }

} // namespace

const SystemFrameMetrics& CachedFrameMetrics()
{
    // Asking for the caption and menu heights costs tens of microseconds each (they are worked
    // out from the non-client fonts), and one paint measures the frame dozens of times.
    ProviderUnitState& state = ProviderState();
    if (!state.FrameMetricsValid) {
        SystemFrameMetrics& m = state.FrameMetrics;
        m.cxFrame = GetSystemMetrics(SM_CXFRAME);
        m.cxDlgFrame = GetSystemMetrics(SM_CXDLGFRAME);
        m.cyCaption = GetSystemMetrics(SM_CYCAPTION);
        m.cySmCaption = GetSystemMetrics(SM_CYSMCAPTION);
        m.cyMenu = GetSystemMetrics(SM_CYMENU);
        state.FrameMetricsValid = true;
    }
    return state.FrameMetrics;
}

void ForgetFrameMetricsOn(UINT msg)
{
    switch (msg) {
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_DISPLAYCHANGE:
    case WM_THEMECHANGED:
    case WM_DPICHANGED:
        ProviderState().FrameMetricsValid = false;
        break;
    default:
        break;
    }
}

FormFrame TsSkinProvider::Frame() const
{
    FormFrame f;
    f.Sys = CachedFrameMetrics();
    if (!Form)
        return f;
    f.BorderStyle = KindOf(Form->BorderStyle());
    f.FormBorderWidth = Form->BorderWidth();
    f.HasMenu = Form->Menu() != nullptr;
    f.MenuLines = FLinesCount > 0 ? FLinesCount : 1;
    f.SysExHeight = FSysExHeight;
    if (SkinManager* manager = FCommonData->GetSkinManager(); m_borderForm && manager) {
        const TsSkinData& sd = manager->GetSkinData();
        f.ExBorders = true;
        f.Ex = ExBorderValues{sd.ExBorderWidth, sd.ExTitleHeight, sd.ExMaxHeight, sd.ExContentOffs, sd.ExCenterOffs,
                              sd.ExDrawMode};
        f.Shadow = manager->FormShadowSize();
    }
    HWND h = Form->HandleIfAllocated();
    if (!h) {
        f.WindowWidth = Form->Width();
        f.WindowHeight = Form->Height();
        f.ClientWidth = Form->ClientWidth();
        f.ClientHeight = Form->ClientHeight();
        return f;
    }
    LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
    f.ThickFrame = (style & WS_THICKFRAME) != 0;
    f.Border = (style & WS_BORDER) != 0;
    f.Caption = (style & WS_CAPTION) == WS_CAPTION;
    f.Iconic = IsIconic(h) != FALSE;
    f.Zoomed = IsZoomed(h) != FALSE;
    f.MDIChild = (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0;
    RECT w{}, c{};
    GetWindowRect(h, &w);
    GetClientRect(h, &c);
    f.WindowWidth = w.right - w.left;
    f.WindowHeight = w.bottom - w.top;
    f.ClientWidth = c.right;
    f.ClientHeight = c.bottom;
    return f;
}

FormButtonRules TsSkinProvider::ButtonRules() const
{
    FormButtonRules r;
    r.HaveSysMenu = HaveSysMenu;
    if (!Form)
        return r;
    FormFrame f = Frame();
    r.BorderStyle = f.BorderStyle;
    r.MDIChild = f.MDIChild;
    r.Minimized = f.Iconic;
    r.Maximized = f.Zoomed;
    ui::BorderIcons icons = Form->GetBorderIcons();
    r.IconMinimize = (icons & ui::biMinimize) != 0;
    r.IconMaximize = (icons & ui::biMaximize) != 0;
    r.IconHelp = (icons & ui::biHelp) != 0;
    return r;
}

bool TsSkinProvider::AppIconShown() const
{
    if (!Form || !FShowAppIcon || !Form->HandleAllocated())
        return false;
    ui::FormBorderStyle s = Form->BorderStyle();
    return (s == ui::bsSingle || s == ui::bsSizeable) && GetSystemMenu(Form->HandleIfAllocated(), FALSE) != nullptr;
}

Rect TsSkinProvider::TitleIconRect() const
{
    FormFrame f = Frame();
    int w = 0, h = 0;
    if (AppIconShown()) {
        w = FTitleIcon.Width ? FTitleIcon.Width : IconSizeFor(skin::CaptionHeight(f, true));
        h = FTitleIcon.Height ? FTitleIcon.Height : IconSizeFor(skin::CaptionHeight(f, true));
    }
    SkinManager* manager = FCommonData->GetSkinManager();
    int left = manager ? manager->GetSkinData().BILeftMargin : 0;
    return skin::TitleIconRect(f, w, h, left);
}

bool TsSkinProvider::GripShowing() const
{
    FormFrame f = Frame();
    return FGripMode == gmRightBottom && !f.Zoomed && f.ThickFrame;
}

POINT TsSkinProvider::FormScreenOrigin() const
{
    RECT r{};
    if (Form && Form->HandleAllocated())
        GetWindowRect(Form->HandleIfAllocated(), &r);
    return POINT{r.left, r.top};
}

void TsSkinProvider::UpdateCaptionButtonMasks()
{
    SkinManager* manager = FCommonData->GetSkinManager();
    if (!manager)
        return;
    const int global = manager->GetConstData().IndexGLobalInfo;
    if (global < 0 && manager->GetSkinIndex(u"GLOBALINFO") < 0)
        return;
    auto mask = [&](const char16_t* name) { return manager->GetMaskIndex(global, u"GLOBALINFO", name); };
    ButtonMin.HitCode = htMinButton;
    ButtonMax.HitCode = htMaxButton;
    ButtonClose.HitCode = htClose;
    ButtonHelp.HitCode = htHelp;
    const bool standard = IsStandardCaption(Frame());
    if (standard) {
        ButtonClose.ImageIndex = mask(u"BICONCLOSE");
        ButtonMax.ImageIndex = mask(u"BICONMAX");
        ButtonMin.ImageIndex = mask(u"BICONMIN");
        ButtonHelp.ImageIndex = mask(u"BICONHELP");
        ButtonMin.HaveAlignment = true;
    } else {
        ButtonClose.ImageIndex = mask(u"SICONCLOSE");
        ButtonMin.ImageIndex = mask(u"SICONMIN");
        ButtonMax.ImageIndex = mask(u"SICONMAX");
        ButtonHelp.ImageIndex = mask(u"SICONHELP");
        if (ButtonHelp.ImageIndex < 0)
            ButtonHelp.ImageIndex = mask(u"BICONHELP");
        ButtonMin.HaveAlignment = false;
    }
    if (!manager->IsValidImgIndex(ButtonClose.ImageIndex)) {
        ButtonClose.ImageIndex = mask(u"BICONCLOSE");
        ButtonMax.ImageIndex = mask(u"BICONMAX");
        ButtonMin.ImageIndex = mask(u"BICONMIN");
        ButtonHelp.ImageIndex = mask(u"BICONHELP");
        ButtonMin.HaveAlignment = true;
    }
    ButtonClose.HaveAlignment = ButtonMax.HaveAlignment = ButtonHelp.HaveAlignment = ButtonMin.HaveAlignment;
    UserBtnIndex = mask(u"TITLEBUTTON");
}

void TsSkinProvider::UpdateButtonRects()
{
    FormFrame f = Frame();
    SkinManager* manager = FCommonData->GetSkinManager();
    const TsSkinData empty;
    const TsSkinData& sd = manager ? manager->GetSkinData() : empty;
    ButtonPlacing p{sd.BISpacing, sd.BIVAlign, sd.BIRightMargin, sd.BILeftMargin};
    FormButtonRules rules = ButtonRules();
    // A maximised form's max button and a minimised form's min button show the restore image.
    int global = manager ? manager->GetConstData().IndexGLobalInfo : -1;
    int norm = manager ? manager->GetMaskIndex(global, u"GLOBALINFO", u"BICONNORM") : -1;
    if (manager && !manager->IsValidImgIndex(norm))
        norm = manager->GetMaskIndex(FCommonData->SkinIndex, FCommonData->SkinSection(), u"BICONNORM");
    int maxMask = f.Zoomed ? norm : (manager ? manager->GetMaskIndex(global, u"GLOBALINFO", u"BICONMAX") : -1);
    if (!f.Zoomed && manager && !manager->IsValidImgIndex(maxMask))
        maxMask = ButtonMax.ImageIndex;
    const int minMask = f.Iconic ? norm : ButtonMin.ImageIndex;
    CaptionButtonSlot sys[4];
    TsCaptionButton* buttons[4] = {&ButtonClose, &ButtonMax, &ButtonMin, &ButtonHelp};
    const int masks[4] = {ButtonClose.ImageIndex, maxMask, minMask, ButtonHelp.ImageIndex};
    const bool visible[4] = {true, rules.VisibleMax(), rules.VisibleMin(),
                             rules.IconHelp && manager && manager->IsValidImgIndex(ButtonHelp.ImageIndex)};
    for (int i = 0; i < 4; ++i) {
        sys[i].Visible = visible[i];
        sys[i].Width = CaptionButtonWidth(MaskInfoOf(manager, masks[i]));
    }
    const int height = CaptionButtonHeight(MaskInfoOf(manager, ButtonClose.ImageIndex));
    std::vector<CaptionButtonSlot> user(FTitleButtons.size());
    for (size_t i = 0; i < FTitleButtons.size(); ++i) {
        user[i].Visible = FTitleButtons[i].Visible();
        user[i].Width = ExtraButtonWidth(FTitleButtons[i].GlyphWidth ? FTitleButtons[i].GlyphWidth
                                                 : FTitleButtons[i].HasGlyph() ? FTitleButtons[i].Glyph()->Width() : 0, MaskInfoOf(manager, UserBtnIndex));
    }
    LayoutCaptionButtons(f, p, height, ButtonMin.HaveAlignment, rules.VisibleClose(), sys, user);
    for (int i = 0; i < 4; ++i) {
        buttons[i]->Rect = ToRECT(sys[i].Box);
        if (!visible[i] || !rules.VisibleClose())
            buttons[i]->State = -1;
        else if (buttons[i]->State < 0)
            buttons[i]->State = 0;
    }
    for (size_t i = 0; i < FTitleButtons.size(); ++i) {
        FTitleButtons[i].BtnData.Rect = ToRECT(user[i].Box);
        FTitleButtons[i].BtnData.HitCode = htUserButton + int(i);
    }
}

TitleHitInput TsSkinProvider::HitInput(POINT screen)
{
    UpdateButtonRects();
    POINT origin = FormScreenOrigin();
    FormFrame f = Frame();
    TitleHitInput in;
    in.P = GridPoint{screen.x - origin.x, screen.y - origin.y};
    in.Rules = ButtonRules();
    in.Close = ToRect(ButtonClose.Rect);
    in.Max = ToRect(ButtonMax.Rect);
    in.Min = ToRect(ButtonMin.Rect);
    in.Help = ToRect(ButtonHelp.Rect);
    for (const TsTitleButton& b : FTitleButtons) {
        TitleHitInput::User u;
        u.Box = ToRect(b.BtnData.Rect);
        u.Visible = b.Visible();
        u.Enabled = b.Enabled;
        in.UserButtons.push_back(u);
    }
    in.IconRect = TitleIconRect();
    in.GripShowing = GripShowing();
    SkinManager* manager = FCommonData->GetSkinManager();
    int grip = manager ? manager->GetMaskIndex(manager->GetConstData().IndexGLobalInfo, u"GLOBALINFO", u"GRIPIMAGE")
                       : -1;
    if (manager && manager->IsValidImgIndex(grip)) {
        in.GripMaskValid = true;
        const MaskData& m = manager->Mask(grip);
        in.Grip = GripPosition(f, skin::CaptionWidth(f), f.WindowHeight, MaskImageWidth(m), MaskStateHeight(m));
    }
    return in;
}

int TsSkinProvider::TitleHitTest(POINT screen)
{
    const TitleHitInput in = HitInput(screen);
    const FormFrame f = Frame();
    int code = skin::TitleHitTest(f, in);
    if (code == htClose || code == htMaxButton || code == htMinButton || code == htHelp || code >= htUserButton)
        SetHotCode(code, true);
    else if (IsSizingCode(code) && code != htBottomRight)
        SetHotCode(-1, true);
    else if (code == htClient || code == htMenu || code == htBottomRight)
        SetHotCode(code == htClient ? 0 : code, true);
    return code;
}

TsCaptionButton* TsSkinProvider::ButtonOfCode(int code)
{
    switch (code) {
    case htMinButton: return &ButtonMin;
    case htMaxButton: return &ButtonMax;
    case htClose: return &ButtonClose;
    case htHelp: return &ButtonHelp;
    default:
        if (code >= htUserButton && size_t(code - htUserButton) < FTitleButtons.size())
            return &FTitleButtons[size_t(code - htUserButton)].BtnData;
        return nullptr;
    }
}

void TsSkinProvider::SetHotCode(int code, bool repaint)
{
    if (!FDrawNonClientArea || code == CurrentHT || (CurrentHT == -1 && code == 0))
        return;
    const int previous = CurrentHT;
    if (CurrentHT > 0) {
        if (TsCaptionButton* old = ButtonOfCode(CurrentHT); old && old->State > 0) {
            old->State = 0;
            if (repaint)
                RedrawCaptionButton(previous);
        }
        if (CurrentHT >= htUserButton)
            HideTitleButtonHint();
    }
    CurrentHT = code;
    if (TsCaptionButton* b = ButtonOfCode(code)) {
        if (b->State >= 0) {
            b->State = 1;
            if (repaint)
                RedrawCaptionButton(code);
        }
        if (code >= htUserButton)
            ShowTitleButtonHint(size_t(code - htUserButton));
    }
    ProviderState().CaptionBtnPressed = false;
}

void TsSkinProvider::SetPressedCode(int code)
{
    if (CurrentHT != 0 && CurrentHT != code)
        if (TsCaptionButton* old = ButtonOfCode(CurrentHT); old && old->State > 0)
            old->State = 0;
    FormButtonRules r = ButtonRules();
    if (code == htMaxButton && !(r.EnabledMax() || (r.Maximized && r.EnabledRestore()))) {
        CurrentHT = 0;
        return;
    }
    CurrentHT = code;
    if (TsCaptionButton* b = ButtonOfCode(code); b && b->State >= 0) {
        b->State = 2;
        RedrawCaptionButton(code);
    }
    if (code >= htUserButton)
        HideTitleButtonHint();
    ProviderState().CaptionBtnPressed = true;
}

void TsSkinProvider::ShowTitleButtonHint(size_t index)
{
    HideTitleButtonHint();
    if (index >= FTitleButtons.size() || FTitleButtons[index].Hint.empty() || !Form)
        return;
    const core::String& text = FTitleButtons[index].Hint;
    m_hint = ui::HintWindow::Make();
    m_hint->SetColor(ui::clInfoBk);
    RECT r = m_hint->CalcHintRect(800, text, nullptr);
    POINT cursor{};
    GetCursorPos(&cursor);
    const int w = r.right - r.left, h = r.bottom - r.top + 4;
    Rect work = WorkAreaOf(Form->Handle());
    int x = std::min(int(cursor.x) + 8, work.Right - w);
    int y = std::min(int(cursor.y) + 16, work.Bottom - h);
    RECT place{x, y, x + w, y + h};
    BOOL animation = FALSE, fade = FALSE;
    SystemParametersInfoW(SPI_GETTOOLTIPANIMATION, 0, &animation, 0);
    SystemParametersInfoW(SPI_GETTOOLTIPFADE, 0, &fade, 0);
    m_hint->ActivateHint(place, text);
    if (text.size() < 100 && animation && fade && m_hint->HandleAllocated()) {
        HWND hint = m_hint->Handle();
        ShowWindow(hint, SW_HIDE);
        AnimateWindow(hint, 200, AW_BLEND);
    }
    if (m_hint->HandleAllocated())
        ShowWindow(m_hint->Handle(), SW_SHOWNOACTIVATE);
}

void TsSkinProvider::HideTitleButtonHint() { m_hint.reset(); }

void TsSkinProvider::RefreshSysMenu()
{
    if (SystemMenu)
        SystemMenu->UpdateItems(false);
}

void TsSkinProvider::PerformSysCommand(WPARAM command)
{
    if (Form && Form->HandleAllocated())
        SendMessageW(Form->Handle(), WM_SYSCOMMAND, command, 0);
}

void TsSkinProvider::HitTestMessage(ui::Message& message)
{
    if (CaptionHeight(true) == 0 || !FDrawNonClientArea) {
        CallOld(message);
        return;
    }
    POINT p{PointX(message.LParam), PointY(message.LParam)};
    int code = TitleHitTest(p);
    if (code == htNoWhere || code == htClient || code == htCaption || code == htMenu) {
        CallOld(message);
        SetHotCode(0, true);
        return;
    }
    message.Result = code;
}

bool TsSkinProvider::FrameMouse(ui::Message& message)
{
    ProviderUnitState& state = ProviderState();
    HWND h = Form->Handle();
    const int code = int(message.WParam);
    POINT screen{PointX(message.LParam), PointY(message.LParam)};
    if (message.Msg == WM_MOUSEMOVE || message.Msg == WM_LBUTTONUP)
        ClientToScreen(h, &screen);
    if (message.Msg == WM_SYSMENU_REQUEST) {
        POINT cursor{};
        GetCursorPos(&cursor);
        DropSysMenu(cursor.x, cursor.y);
        return true;
    }
    if (message.Msg == WM_CAPTURECHANGED) {
        // Losing the capture ends an outline drag without moving or sizing the form.
        if (state.ResizingProvider == this)
            EndBorderResize(screen, false);
        return false;
    }
    if (message.Msg == WM_MOUSEMOVE) {
        CallOld(message);
        if (SkinManager* manager = DefaultManager())
            manager->SetActiveControl(nullptr);
        if (state.ResizingProvider == this)
            TrackBorderResize(screen);
        return true;
    }
    const FormButtonRules rules = ButtonRules();
    const POINT origin = FormScreenOrigin();
    const POINT local{screen.x - origin.x, screen.y - origin.y};
    if (!FDrawNonClientArea) {
        if (message.Msg == WM_NCLBUTTONDOWN && code == HTSYSMENU) {
            DropSysMenu(origin.x + skin::SysBorderWidth(Frame(), false),
                        origin.y + BorderHeight(true) + RectHeight(TitleIconRect()));
            return true;
        }
        return false;
    }
    switch (message.Msg) {
    case WM_NCLBUTTONDOWN:
        if (code == HTSYSMENU) {
            SetHotCode(0, true);
            SkinManager* manager = FCommonData->GetSkinManager();
            if (!manager || !manager->SkinnedPopups()) {
                // A second click closes the form (double click): wait for it before dropping the menu.
                const DWORD start = GetTickCount();
                while (GetTickCount() - start < 200 && !FCommonData->FUpdating) {
                    ui::Application::Instance().ProcessMessages();
                    Sleep(1);
                }
                if (FCommonData->FUpdating) {
                    FCommonData->FUpdating = false;
                    return true;
                }
            }
            DropSysMenu(origin.x + skin::SysBorderWidth(Frame(), false),
                        origin.y + BorderHeight(true) + RectHeight(TitleIconRect()) + PlainBorderWidth(Frame(), false));
            return true;
        }
        if (code == HTMENU)
            return false;
        if (code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE || code == HTHELP ||
            code >= htUserButton) {
            SetPressedCode(code);
            if (code >= htUserButton && size_t(code - htUserButton) < FTitleButtons.size()) {
                TsTitleButton& b = FTitleButtons[size_t(code - htUserButton)];
                b.DoMouseDown(screen);
            }
            return true;
        }
        if (IsIconic(h)) {
            PerformSysCommand(SC_DRAGMOVE);
            return true;
        }
        SetHotCode(0, true);
        if (IsZoomed(h) && local.y <= PlainBorderWidth(Frame(), true) + CaptionHeight(true)) {
            if (GetActiveWindow() != h)
                SetActiveWindow(h);
            return true;
        }
        if (FResizeMode == rmStandard || code == HTMENU)
            return false;
        if (code == HTCAPTION || IsSizingCode(code)) {
            state.Track.HitCode = IsSizingCode(code) ? code : 0;
            state.Track.Moving = !IsSizingCode(code);
            BeginBorderResize(screen);
            return true;
        }
        return false;
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP: {
        if (state.ResizingProvider == this) {
            EndBorderResize(screen, true);
            return true;
        }
        int up = message.Msg == WM_NCLBUTTONUP ? code : (state.CaptionBtnPressed ? CurrentHT : 0);
        const bool pending = state.CaptionBtnPressed && up == CurrentHT;
        TsCaptionButton* button = ButtonOfCode(up);
        if (!button)
            return false;
        const bool inside = PointIn(button->Rect, local);
        state.CaptionBtnPressed = false;
        if (!pending || !inside) {
            SetHotCode(0, true);
            return up != HTMINBUTTON && up != HTMAXBUTTON;
        }
        switch (up) {
        case HTMINBUTTON:
            SetHotCode(0, true);
            if (ui::Application::Instance().MainForm() == Form)
                PerformSysCommand(SC_MINIMIZE);
            else
                PerformSysCommand(IsIconic(h) ? SC_RESTORE : SC_MINIMIZE);
            FCommonData->BGChanged = true;
            RegionChanged = true;
            break;
        case HTMAXBUTTON:
            if (!(rules.EnabledMax() || (IsZoomed(h) && rules.EnabledRestore())))
                break;
            SetHotCode(0, true);
            PerformSysCommand(IsZoomed(h) ? SC_RESTORE : SC_MAXIMIZE);
            RefreshSysMenu();
            break;
        case HTCLOSE:
            ButtonClose.State = 0;
            CurrentHT = 0;
            PerformSysCommand(SC_CLOSE);
            break;
        case HTHELP:
            PerformSysCommand(SC_CONTEXTHELP);
            SetHotCode(0, true);
            RefreshSysMenu();
            break;
        default: {
            TsTitleButton& b = FTitleButtons[size_t(up - htUserButton)];
            b.DoMouseUp(screen);
            SetHotCode(0, true);
            break;
        }
        }
        return true;
    }
    case WM_NCLBUTTONDBLCLK:
        if (state.ResizingProvider == this)
            EndBorderResize(screen, false);
        if (code == HTCAPTION) {
            if ((rules.VisibleClose() && (rules.EnabledMax() || rules.EnabledRestore())) ||
                (!HasSkinnedBorder() && IsIconic(h))) {
                PerformSysCommand(IsZoomed(h) || IsIconic(h) ? SC_RESTORE : SC_MAXIMIZE);
                RefreshSysMenu();
            }
        } else if (code == HTSYSMENU) {
            SkinManager* manager = FCommonData->GetSkinManager();
            if (!manager || !manager->SkinnedPopups())
                FCommonData->FUpdating = true;
            Form->Close();
        }
        return true;
    case WM_NCRBUTTONDOWN:
        return code == HTCAPTION || code == HTSYSMENU;
    case WM_NCRBUTTONUP:
        if (!HasSkinnedBorder())
            return false;
        {
            int hit = TitleHitTest(screen);
            if (hit == HTCAPTION || hit == HTSYSMENU) {
                SetHotCode(0, true);
                DropSysMenu(screen.x, screen.y);
            }
        }
        return true;
    default:
        return false;
    }
}

void TsSkinProvider::SysCommand(ui::Message& message)
{
    const WPARAM command = message.WParam & 0xFFF0;
    HWND h = Form->Handle();
    if (message.WParam == SC_DRAGMOVE)
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    if (FResizeMode == rmBorder && ProviderState().ResizingProvider != this &&
        (command == SC_MOVE || command == SC_SIZE) && message.WParam != SC_DRAGMOVE) {
        // The outline follows the mouse from here; the system's own move or size loop never runs.
        POINT cursor{};
        GetCursorPos(&cursor);
        ProviderState().Track.Moving = command == SC_MOVE;
        ProviderState().Track.HitCode = 0;
        BeginBorderResize(cursor);
        return;
    }
    if (command == SC_RESTORE)
        SetDwmTransitions(h, true);
    CallOld(message);
    switch (command) {
    case SC_MINIMIZE:
        FCommonData->EmptyCacheBmp();
        break;
    case SC_MAXIMIZE:
    case SC_RESTORE:
        if (ButtonMax.State >= 0 && ButtonRules().VisibleMax())
            CurrentHT = htMaxButton;
        SetHotCode(0, true);
        if (command == SC_RESTORE) {
            FCommonData->BGChanged = true;
            RegionChanged = true;
            if (HasSkinnedBorder())
                RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
            else
                SetWindowRgn(h, nullptr, TRUE);
        }
        break;
    case SC_KEYMENU:
        if (message.LParam == 32 && HasSkinnedBorder() && ButtonRules().VisibleClose()) {
            POINT origin = FormScreenOrigin();
            DropSysMenu(origin.x + skin::SysBorderWidth(Frame(), false),
                        origin.y + BorderHeight(true) + RectHeight(TitleIconRect()) + PlainBorderWidth(Frame(), false));
        }
        break;
    default:
        break;
    }
}

void TsSkinProvider::DropSysMenu(int x, int y)
{
    if (!Form || !Form->HandleAllocated())
        return;
    HWND h = Form->Handle();
    SkinManager* manager = FCommonData->GetSkinManager();
    if (manager && manager->SkinnedPopups() && SystemMenu) {
        SystemMenu->UpdateItems(SystemMenu->ExtItemsCount > 0);
        if (FMakeSkinMenu)
            SystemMenu->MakeSkinItems();
        SystemMenu->SetWindow(h);
        SystemMenu->Popup(x, y);
        return;
    }
    HMENU menu = GetSystemMenu(h, FALSE);
    if (!menu)
        return;
    const FormButtonRules r = ButtonRules();
    LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
    // The system greys the items by the visible state; hide the window from it while setting them.
    SetWindowLongPtrW(h, GWL_STYLE, style & ~LONG_PTR(WS_VISIBLE));
    auto enable = [&](UINT command, bool on) {
        EnableMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
    };
    enable(SC_RESTORE, r.VisibleRestore() && r.EnabledRestore());
    enable(SC_MOVE, r.EnabledMove() && !r.Minimized);
    enable(SC_SIZE, r.VisibleSize() && r.EnabledSize() && !r.Minimized && !r.Maximized);
    enable(SC_MINIMIZE, r.VisibleMin() && r.EnabledMin());
    enable(SC_MAXIMIZE, r.VisibleMax() && r.EnabledMax());
    enable(SC_CLOSE, r.VisibleClose());
    SetWindowLongPtrW(h, GWL_STYLE, GetWindowLongPtrW(h, GWL_STYLE) | (style & WS_VISIBLE));
    UINT chosen = UINT(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, h, nullptr));
    if (chosen)
        PostMessageW(h, WM_SYSCOMMAND, chosen, 0);
}

void TsSkinProvider::MinMaxInfo(ui::Message& message)
{
    FormFrame f = Frame();
    auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
    if (FDrawNonClientArea && !f.MDIChild && !Form->Parent() && info) {
        MaxInfo m = MaximizedSize(f, true, WorkAreaOf(Form->Handle()));
        CallOld(message);
        info->ptMaxPosition.y = m.MaxPositionY;
        info->ptMaxSize.x = m.MaxWidth;
        info->ptMaxSize.y = m.MaxHeight;
        message.Result = 0;
        return;
    }
    CallOld(message);
}

void TsSkinProvider::SnapWindowPos(ui::Message& message)
{
    auto* pos = reinterpret_cast<WINDOWPOS*>(message.LParam);
    if (!FScreenSnap || !pos || (pos->flags & SWP_NOMOVE) || IsZoomed(Form->Handle()) || (pos->x == 0 && pos->y == 0))
        return;
    RECT r{};
    GetWindowRect(Form->Handle(), &r);
    const int w = (pos->flags & SWP_NOSIZE) ? r.right - r.left : pos->cx;
    const int hgt = (pos->flags & SWP_NOSIZE) ? r.bottom - r.top : pos->cy;
    GridPoint p = SnapPosition(Frame(), pos->x, pos->y, w, hgt, WorkAreaOf(Form->Handle()), FSnapBuffer);
    pos->x = p.X;
    pos->y = p.Y;
}

void TsSkinProvider::BeginBorderResize(POINT screen)
{
    ProviderUnitState& state = ProviderState();
    if (FResizeMode != rmBorder || state.ResizingProvider)
        return;
    HWND h = Form->Handle();
    RECT r{};
    GetWindowRect(h, &r);
    const ui::SizeConstraints& c = Form->Constraints();
    BorderTrackBegin(state.Track, state.Track.Moving, state.Track.HitCode, ToRect(r), c.MinWidth, c.MinHeight,
                     GridPoint{screen.x, screen.y});
    state.BorderResizing = true;
    state.ResizingProvider = this;
    state.DesktopWnd = GetDesktopWindow();
    state.DesktopDC = GetDCEx(state.DesktopWnd, nullptr, DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    if (!state.DesktopDC)
        state.DesktopDC = GetWindowDC(state.DesktopWnd);
    state.SavedDC = state.DesktopDC ? SaveDC(state.DesktopDC) : 0;
    if (state.DesktopDC)
        SetROP2(state.DesktopDC, R2_NOT);
    SetCapture(h);
    DrawResizeFrame();
}

void TsSkinProvider::TrackBorderResize(POINT screen)
{
    ProviderUnitState& state = ProviderState();
    DrawResizeFrame();
    BorderTrackMove(state.Track, GridPoint{screen.x, screen.y});
    DrawResizeFrame();
}

void TsSkinProvider::DrawResizeFrame()
{
    ProviderUnitState& state = ProviderState();
    if (!state.DesktopDC)
        return;
    const BorderTrack& t = state.Track;
    // Moving keeps the size the form had; sizing shows the tracked rectangle.
    const Rect r = t.Moving ? Rect{t.Track.Left, t.Track.Top, t.Track.Left + RectWidth(t.Form),
                                   t.Track.Top + RectHeight(t.Form)}
                            : t.Track;
    POINT pts[5] = {{r.Left, r.Top}, {r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, {r.Left, r.Bottom - 1},
                    {r.Left, r.Top}};
    Polyline(state.DesktopDC, pts, 5);
}

void TsSkinProvider::EndBorderResize(POINT, bool apply)
{
    ProviderUnitState& state = ProviderState();
    if (state.ResizingProvider != this)
        return;
    // Cleared first: releasing the capture sends WM_CAPTURECHANGED back here.
    state.ResizingProvider = nullptr;
    state.BorderResizing = false;
    if (GetCapture() == Form->HandleIfAllocated())
        ReleaseCapture();
    DrawResizeFrame();
    if (state.DesktopDC) {
        RestoreDC(state.DesktopDC, state.SavedDC);
        ReleaseDC(state.DesktopWnd, state.DesktopDC);
    }
    state.DesktopDC = nullptr;
    Rect r;
    if (apply && Form->HandleAllocated() && BorderTrackResult(state.Track, r))
        MoveWindow(Form->Handle(), r.Left, r.Top, RectWidth(r), RectHeight(r), TRUE);
    state.Track.FirstMove = false;
}

} // namespace skin
