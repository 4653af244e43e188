// The extended border window: placing and showing the owner's picture behind the owner, its region,
// the hit test of the title, buttons and edges, the cursors, and the mouse over the shadow passed to
// the window underneath.
#include "skin/windows/borderform.h"

#include "skin/engine/commondata.h"
#include "skin/engine/graphutils.h"
#include "ui/application.h"

namespace skin {

namespace {

int PointX(LPARAM lp) { return short(LOWORD(DWORD(lp))); }
int PointY(LPARAM lp) { return short(HIWORD(DWORD(lp))); }

bool Holds(const Rect& r, POINT p) { return p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom; }

} // namespace

TacBorderForm::TacBorderForm(BorderFormOwner* owner) : FOwner(owner)
{
    AForm = std::make_unique<ui::Form>(nullptr);
    AForm->SetTag(-98);
    AForm->SetBorderStyle(ui::bsNone);
    OldBorderProc = AForm->WindowProc();
    AForm->SetWindowProc([this](ui::Message& m) {
        try {
            BorderProc(m);
        } catch (const std::exception& e) {
            ui::Application::Instance().HandleException(e);
        }
    });
    HWND h = AForm->Handle();
    SetWindowLongPtrW(h, GWL_EXSTYLE, GetWindowLongPtrW(h, GWL_EXSTYLE) | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW);
}

TacBorderForm::~TacBorderForm()
{
    if (FOwner)
        FOwner->KillAnimations();
    if (AForm && OldBorderProc)
        AForm->SetWindowProc(OldBorderProc);
    AForm.reset();
}

HWND TacBorderForm::Handle() const { return AForm ? AForm->HandleIfAllocated() : nullptr; }

Rect TacBorderForm::ShadowSize() const { return skin::ShadowSize(FOwner->OwnerFrame()); }

int TacBorderForm::OffsetX() const
{
    const FormFrame f = FOwner->OwnerFrame();
    return ExBorderWidthOf(f) + ShadowSize().Left - SysBorderWidth(f, false);
}

int TacBorderForm::OffsetY() const
{
    const FormFrame f = FOwner->OwnerFrame();
    return ShadowSize().Top + (FOwner->OwnerCaptionHeight(false) != 0 ? ExTitleHeightOf(f) : 0) -
           SysBorderWidth(f, false) - FOwner->OwnerCaptionHeight(false);
}

POINT TacBorderForm::ImagePoint(LPARAM screen) const
{
    RECT r{};
    GetWindowRect(Handle(), &r);
    return POINT{PointX(screen) - r.left, PointY(screen) - r.top};
}

void TacBorderForm::UpdateExBordersPos(bool redraw, BYTE blend)
{
    HWND owner = FOwner ? FOwner->OwnerHandle() : nullptr;
    RECT r{};
    if (!AForm || ExBorderShowing || !owner || !GetWindowRect(owner, &r))
        return;
    switch (FOwner->CheckShow()) {
    case BorderFormOwner::ShowCheck::Skip: return;
    case BorderFormOwner::ShowCheck::Hide: ShowWindow(Handle(), SW_HIDE); return;
    case BorderFormOwner::ShowCheck::SwitchOff: return;
    case BorderFormOwner::ShowCheck::Show: break;
    }
    ExBorderShowing = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{ExBorderShowing};
    TsCommonData* data = FOwner->OwnerSkinData();
    if (data->BGChanged) {
        FOwner->PaintAll();
        redraw = true;
    }
    ui::Bitmap* picture = data->CacheBmp();
    if (!picture || picture->Empty() || picture->GetPixelFormat() != ui::pf32bit)
        return;
    const FormFrame f = FOwner->OwnerFrame();
    const Rect s = ShadowSize();
    const int dy = f.SysExHeight ? SysBorderWidth(f, false) + s.Top + ExTitleExtra(f) : OffsetY();
    const int dx = ExBorderWidthOf(f) + s.Left - SysBorderWidth(f, false);
    HWND h = Handle();
    if (GetWindowLongPtrW(owner, GWL_EXSTYLE) & WS_EX_TOPMOST)
        SetWindowLongPtrW(h, GWL_EXSTYLE, GetWindowLongPtrW(h, GWL_EXSTYLE) | WS_EX_TOPMOST);
    int w = picture->Width(), ph = picture->Height();
    RECT cur{};
    GetWindowRect(h, &cur);
    const bool changed = redraw || w != cur.right - cur.left || ph != cur.bottom - cur.top;
    UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
    if (!redraw)
        flags |= SWP_NOREDRAW;
    if (f.Zoomed)
        ph -= s.Bottom + SysBorderWidth(f, true);
    MoveWindow(h, r.left - dx, r.top - dy, w, ph, FALSE);
    if (LayeredWindowsAvailable() && changed && !acInMouseMsg) {
        BYTE alpha = blend;
        FOwner->OwnerAlphaBlend(alpha);
        BLENDFUNCTION bf{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
        SetWindowLongPtrW(h, GWL_EXSTYLE, GetWindowLongPtrW(h, GWL_EXSTYLE) | WS_EX_NOACTIVATE | WS_EX_LAYERED);
        SetWindowPos(h, owner, 0, 0, 0, 0, flags);
        SetWindowRgn(h, MakeRgn(), FALSE);
        HDC screen = GetDC(nullptr);
        SIZE size{w, ph};
        POINT src{0, 0};
        UpdateLayeredWnd(h, screen, nullptr, &size, picture->Canvas().Handle(), &src, 0x1FFFFFFF, &bf, ULW_ALPHA);
        ReleaseDC(nullptr, screen);
        // Shown in place: directly behind the owner, never activated.
        const UINT show = (flags & ~SWP_NOREDRAW) | SWP_SHOWWINDOW;
        if (blend == 0) {
            // The owner stays hidden while its border picture is prepared.
            const LONG_PTR style = GetWindowLongPtrW(owner, GWL_STYLE);
            SetWindowLongPtrW(owner, GWL_STYLE, style & ~LONG_PTR(WS_VISIBLE));
            SetWindowPos(h, owner, 0, 0, 0, 0, show);
            SetWindowLongPtrW(owner, GWL_STYLE, style);
        } else {
            SetWindowPos(h, owner, 0, 0, 0, 0, show);
        }
    } else {
        SetWindowPos(h, owner, 0, 0, 0, 0, flags);
    }
    // Showing or moving may have raised it: back directly behind the owner.
    if (GetWindow(h, GW_HWNDPREV) != owner)
        SetWindowPos(h, owner, 0, 0, 0, 0, (flags & ~SWP_NOREDRAW));
}

HRGN TacBorderForm::MakeRgn()
{
    RECT wr{};
    GetWindowRect(Handle(), &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const FormFrame f = FOwner->OwnerFrame();
    const Rect s = ShadowSize();
    BYTE alpha = 255;
    const bool translucent = FOwner->OwnerAlphaBlend(alpha);
    HRGN rgn = nullptr;
    if (f.Zoomed) {
        const int b = SysBorderWidth(f, false), e = ExBorderExtra(f);
        rgn = CreateRectRgn(b + e + s.Left, s.Top + 4, w - b - e - s.Right, h - b - e - s.Bottom);
    } else if (translucent) {
        rgn = CreateRectRgn(0, 0, w, h);
    }
    if (rgn && translucent) {
        const RECT c = FOwner->OwnerClientInImage();
        HRGN client = CreateRectRgn(c.left, c.top, c.right, c.bottom);
        CombineRgn(rgn, rgn, client, RGN_XOR);
        DeleteObject(client);
    }
    return rgn;
}

bool TacBorderForm::MouseAboveTheShadow(const ui::Message& message)
{
    POINT p{};
    if (message.Msg == WM_MOUSEMOVE)
        p = POINT{PointX(message.LParam), PointY(message.LParam)};
    else
        p = ImagePoint(message.LParam);
    const FormFrame f = FOwner->OwnerFrame();
    if (f.Zoomed)
        return false;
    RECT wr{};
    GetWindowRect(Handle(), &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const Rect s = ShadowSize();
    if (p.x >= s.Left && p.x <= w - s.Right && p.y >= s.Top && p.y <= h - s.Bottom)
        return false;
    FOwner->SetHotHT(-1, true);
    return true;
}

void TacBorderForm::PassThrough(ui::Message& message)
{
    acInMouseMsg = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{acInMouseMsg};
    HWND h = Handle();
    RECT wr{};
    GetWindowRect(h, &wr);
    POINT client{PointX(message.LParam), PointY(message.LParam)};
    POINT screen{wr.left + client.x, wr.top + client.y};
    // A one-pixel hole at the cursor lets WindowFromPoint see what lies below.
    HRGN rgn = MakeRgn();
    if (!rgn)
        rgn = CreateRectRgn(0, 0, wr.right - wr.left, wr.bottom - wr.top);
    HRGN hole = CreateRectRgn(client.x, client.y, client.x + 1, client.y + 1);
    CombineRgn(rgn, rgn, hole, RGN_XOR);
    DeleteObject(hole);
    if (!FOwner->OwnerModal())
        SetWindowRgn(h, rgn, FALSE);
    else
        DeleteObject(rgn);
    HWND below = WindowFromPoint(screen);
    if (below && below != h && below != FOwner->OwnerHandle()) {
        // The window below gets the point in its own client coordinates.
        POINT at = screen;
        ScreenToClient(below, &at);
        SendMessageW(below, message.Msg, message.WParam, MAKELPARAM(at.x, at.y));
    }
    if (!FOwner->OwnerModal())
        SetWindowRgn(h, MakeRgn(), FALSE);
}

void TacBorderForm::BorderProc(ui::Message& message)
{
    HWND owner = FOwner->OwnerHandle();
    switch (message.Msg) {
    case WM_ERASEBKGND:
    case WM_NCPAINT:
        message.Result = 1;
        return;
    case WM_SETCURSOR:
        if (Ex_WMSetCursor(message)) {
            message.Result = 1;
            return;
        }
        break;
    case WM_MOUSEACTIVATE:
        message.Result = MA_NOACTIVATE;
        if (owner)
            SetForegroundWindow(owner);
        return;
    case WM_WINDOWPOSCHANGED:
        FOwner->KillAnimations();
        OldBorderProc(message);
        if (!acInMouseMsg)
            UpdateExBordersPos(false, 255);
        return;
    case WM_NCHITTEST:
        if (MouseAboveTheShadow(message)) {
            OldBorderProc(message);
            message.Result = HTTRANSPARENT;
            return;
        }
        message.Result = 19; // HTBORDER: the clicks that follow come as non-client messages
        return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONUP:
        if (MouseAboveTheShadow(message))
            return;
        if (owner)
            message.Result = SendMessageW(owner, message.Msg, WPARAM(-1), message.LParam);
        return;
    case WM_NCRBUTTONDOWN:
        if (MouseAboveTheShadow(message))
            return;
        if (owner)
            message.Result = SendMessageW(owner, message.Msg, WPARAM(Ex_WMNCHitTest(message)), message.LParam);
        return;
    case WM_NCLBUTTONDBLCLK: {
        FOwner->EndPendingDrag(POINT{PointX(message.LParam), PointY(message.LParam)});
        const int code = Ex_WMNCHitTest(message);
        if (code == HTCAPTION && owner) {
            FOwner->TitleDoubleClick();
        } else if (code == HTSYSMENU && owner) {
            SendMessageW(owner, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return;
    }
    default:
        if (message.Msg >= WM_MOUSEMOVE && message.Msg <= WM_MBUTTONDBLCLK && MouseAboveTheShadow(message)) {
            PassThrough(message);
            return;
        }
        break;
    }
    OldBorderProc(message);
}

int TacBorderForm::Ex_WMNCHitTest(ui::Message& message)
{
    const POINT p = ImagePoint(message.LParam);
    message.Result = 0;
    if (int code = FOwner->ExtHitTest(message); code != 0)
        return code;
    HWND o = FOwner->OwnerHandle();
    if (!o || !IsWindowEnabled(o))
        return -1;
    const TitleHitInput in = FOwner->TitleButtons();
    const FormButtonRules& m = in.Rules;
    const bool help = (GetWindowLongPtrW(o, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
    const bool minimized = IsIconic(o) != FALSE;
    // Slots counted from the right: close, max, min, help, then the user buttons.
    int g = 0;
    if (m.VisibleClose()) {
        int slot = 0;
        auto probe = [&](bool shown, const Rect& r) {
            if (!shown)
                return;
            ++slot;
            if (g == 0 && Holds(r, p))
                g = slot;
        };
        probe(true, in.Close);
        probe(m.VisibleMax(), in.Max);
        probe(m.VisibleMin(), in.Min);
        probe(m.IconHelp, in.Help);
        for (const TitleHitInput::User& u : in.UserButtons) {
            ++slot;
            if (g == 0 && u.Visible && Holds(u.Box, p))
                g = slot;
        }
    }
    if (g > 0) {
        const int n = m.VisibleClose() ? 1 + m.VisibleMax() + (m.VisibleMin() || minimized) + (help || m.IconHelp) : 0;
        int code = -1;
        if (g > n) {
            const size_t i = size_t(g - n - 1);
            if (i < in.UserButtons.size() && in.UserButtons[i].Enabled)
                code = htUserButton + int(i);
        } else if (g == 1) {
            code = HTCLOSE;
        } else if (g == 2) {
            if (m.VisibleMax())
                code = m.EnabledMax() || (m.EnabledRestore() && !minimized) ? HTMAXBUTTON : HTCAPTION;
            else if (m.VisibleMin() || minimized)
                code = m.EnabledMin() ? HTMINBUTTON : HTCAPTION;
            else
                code = HTHELP;
        } else if (g == 3) {
            if (m.VisibleMin() || minimized)
                code = minimized || m.EnabledMin() ? HTMINBUTTON : HTCAPTION;
            else
                code = HTHELP;
        } else if (g == 4) {
            code = HTHELP;
        }
        if (code != -1) {
            FOwner->SetHotHT(code, true);
            return code;
        }
    }
    RECT wr{};
    GetWindowRect(Handle(), &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const Rect s = ShadowSize();
    const FormFrame f = FOwner->OwnerFrame();
    if (!IsZoomed(o) && (GetWindowLongPtrW(o, GWL_STYLE) & WS_THICKFRAME)) {
        const int b = SysBorderWidth(f, false);
        int code = 0;
        const bool top = p.y >= s.Top && p.y <= s.Top + b;
        const bool bottom = p.y >= h - b - s.Bottom && p.y <= h - s.Bottom;
        const bool left = p.x >= s.Left && p.x <= s.Left + b;
        const bool right = p.x >= w - b - s.Right && p.x <= w - s.Right;
        if (bottom)
            code = HTBOTTOM;
        else if (top)
            code = HTTOP;
        if (left)
            code = code == HTTOP ? HTTOPLEFT : code == HTBOTTOM ? HTBOTTOMLEFT : HTLEFT;
        else if (right)
            code = code == HTTOP ? HTTOPRIGHT : code == HTBOTTOM ? HTBOTTOMRIGHT : HTRIGHT;
        if (code != 0) {
            FOwner->SetHotHT(-1, true);
            return code;
        }
    }
    FOwner->SetHotHT(-1, true);
    const int ch = FOwner->OwnerCaptionHeight(true);
    const int menu = FOwner->OwnerMenuHeight();
    if (p.y >= 0 && p.y <= ch + s.Top) {
        const RECT icon = FOwner->IconRect();
        const bool inIcon = PtInRect(&icon, p) != FALSE;
        const bool inMenu = p.y >= FOwner->OwnerCaptionHeight(false) && p.y <= FOwner->OwnerCaptionHeight(false) + menu;
        return inIcon && !inMenu ? HTSYSMENU : HTCAPTION;
    }
    if (p.y <= ch + menu)
        return HTMENU;
    int code = 0;
    if ((in.GripShowing || in.ScrollCorner) && in.GripMaskValid && p.x >= in.Grip.X && p.y >= in.Grip.Y)
        code = HTBOTTOMRIGHT;
    FOwner->SetHotHT(code, true);
    return code != 0 ? code : -1;
}

bool TacBorderForm::Ex_WMSetCursor(ui::Message&)
{
    POINT cursor{};
    GetCursorPos(&cursor);
    ui::Message probe{WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y), 0};
    RECT wr{};
    GetWindowRect(Handle(), &wr);
    ui::Message move{WM_NCHITTEST, 0, probe.LParam, 0};
    if (MouseAboveTheShadow(move))
        return false;
    LPCWSTR cursorId = nullptr;
    switch (Ex_WMNCHitTest(probe)) {
    case HTCAPTION:
    case HTMENU: cursorId = IDC_ARROW; break;
    case HTLEFT:
    case HTRIGHT: cursorId = IDC_SIZEWE; break;
    case HTTOP:
    case HTBOTTOM: cursorId = IDC_SIZENS; break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: cursorId = IDC_SIZENWSE; break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: cursorId = IDC_SIZENESW; break;
    default: return false;
    }
    SetCursor(LoadCursorW(nullptr, cursorId));
    return true;
}

} // namespace skin
