// Window and form routines of the skinning code, and the form fade-in.
#include "skin/engine/formutils.h"

#include "skin/engine/command.h"
#include "skin/engine/commondata.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinnedforms.h"
#include "ui/application.h"
#include "ui/color.h"
#include "ui/graphiccontrol.h"

#include <memory>
#include <vector>

namespace skin {

namespace {

struct UtilState {
    HMODULE uxtheme = nullptr;
    using SetWindowThemeProc = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    SetWindowThemeProc setWindowTheme = nullptr;
    FadeHooks fade;
};

UtilState& State()
{
    static UtilState state;
    return state;
}

void FadeWait(unsigned ms)
{
    if (State().fade.Wait)
        State().fade.Wait(ms);
    else
        Sleep(ms);
}

void FadeFrame(int level)
{
    if (State().fade.Frame)
        State().fade.Frame(level);
}

const DWORD kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;

bool TakesPart(ui::Control* child, HDC dc)
{
    if (child->IsWindowed() || !child->Visible() || IsDestroying(child) || child->Width() < 1 || child->Height() < 1)
        return false;
    RECT r = child->BoundsRect();
    return RectVisible(dc, &r) != FALSE;
}

// The form's image painted by PaintControlToBitmap while AnimationDC names it.
void PaintFormImage(ui::Bitmap& bmp, ui::Form* form, FormSkinProvider* provider)
{
    bmp.Canvas().Lock();
    Engine().AnimationDC = bmp.Canvas().Handle();
    try {
        PaintControlToBitmap(bmp, form, 0, provider, 0);
    } catch (...) {
        Engine().AnimationDC = nullptr;
        bmp.Canvas().Unlock();
        throw;
    }
    Engine().AnimationDC = nullptr;
    bmp.Canvas().Unlock();
}

// Whatever happens inside a fade, the form draws again and the animation flag is cleared.
class FadeScope {
public:
    explicit FadeScope(ui::Form* form) : m_form(form) { Engine().FormAnimationActive = true; }
    ~FadeScope()
    {
        Engine().FormAnimationActive = false;
        if (m_form->HandleAllocated())
            SendMessageW(m_form->Handle(), WM_SETREDRAW, 1, 0);
    }
    FadeScope(const FadeScope&) = delete;
    FadeScope& operator=(const FadeScope&) = delete;

private:
    ui::Form* m_form;
};

using UpdateLayeredWindowProc = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

UpdateLayeredWindowProc LayeredUpdater()
{
    static UpdateLayeredWindowProc proc = reinterpret_cast<UpdateLayeredWindowProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "UpdateLayeredWindow")));
    return proc;
}

void ShowLayered(HWND wnd, ui::Bitmap& image, POINT at, BYTE alpha)
{
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    SIZE size{image.Width(), image.Height()};
    POINT origin{};
    HDC screen = GetDC(nullptr);
    if (UpdateLayeredWindowProc update = LayeredUpdater())
        update(wnd, screen, &at, &size, image.Canvas().Handle(), &origin, 0, &blend, ULW_ALPHA);
    ReleaseDC(nullptr, screen);
}

void LayeredFade(ui::Form* form, FormSkinProvider* provider, int steps)
{
    // A translucent form fades to its own opacity.
    const int target = form->AlphaBlend() ? form->AlphaBlendValue() : 255;
    provider->PaintFormCache();
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    POINT offset = provider->ImageOffset();
    auto image = NewBmp32(wr.right - wr.left + 2 * offset.x, wr.bottom - wr.top + 2 * offset.y);
    PaintFormImage(*image, form, provider);
    POINT at{wr.left - offset.x, wr.top - offset.y};

    // A temporary window that skinning leaves alone (Tag -98) shows the image while it fades in.
    auto temp = std::make_unique<TOutputWindow>(nullptr);
    temp->SetTag(-98);
    temp->SetBounds(at.x, at.y, image->Width(), image->Height());
    HWND tempWnd = temp->Handle();
    HWND border = provider->BorderWindow();
    for (HWND w : {tempWnd, border})
        SetWindowLongPtrW(w, GWL_EXSTYLE, GetWindowLongPtrW(w, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE);
    bool topmost = (GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    int alpha = steps > 0 ? 0 : target;
    ShowLayered(tempWnd, *image, at, BYTE(alpha));
    FadeFrame(alpha);
    SetWindowPos(tempWnd, topmost ? HWND_TOPMOST : GetWindow(form->Handle(), GW_HWNDPREV), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    for (int i = 0; i < steps; ++i) {
        FadeWait(8);
        alpha = std::min(target, alpha + target / steps);
        ShowLayered(tempWnd, *image, at, BYTE(alpha));
        FadeFrame(alpha);
    }
    ShowWindow(border, SW_HIDE);
    ShowLayered(border, *image, at, BYTE(target));
    Engine().FormAnimationActive = false;
    SendMessageW(form->Handle(), WM_SETREDRAW, 1, 0);
    provider->MakeBorderRegion();
    RedrawWindow(form->Handle(), nullptr, nullptr, kRedrawAll);
    temp.reset();
    SetWindowPos(border, form->Handle(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void CrossFade(ui::Form* form, FormSkinProvider* provider, int steps)
{
    HWND wnd = form->Handle();
    RECT wr{};
    GetWindowRect(wnd, &wr);
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (w <= 0 || h <= 0)
        return;
    // The screen under the form, which the new image fades in over.
    auto screen = NewBmp24(w, h);
    HDC screenDC = GetDC(nullptr);
    BitBlt(screen->Canvas().Handle(), 0, 0, w, h, screenDC, wr.left, wr.top, SRCCOPY);
    ReleaseDC(nullptr, screenDC);

    auto cover = std::make_unique<TOutputWindow>(form);
    if (form->Parent()) {
        cover->SetParent(form->Parent());
        cover->SetBounds(form->Left(), form->Top(), form->Width(), form->Height());
    } else {
        cover->SetBounds(wr.left, wr.top, w, h);
    }
    HWND coverWnd = cover->Handle();
    SetWindowPos(coverWnd, GetWindow(wnd, GW_HWNDPREV) ? GetWindow(wnd, GW_HWNDPREV) : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);

    auto image = NewBmp24(w, h);
    PaintFormImage(*image, form, nullptr);
    auto step = NewBmp32(w, h);
    if (provider && !provider->BorderWindow()) {
        if (HRGN rgn = provider->CreateFormRegion())
            SetWindowRgn(coverWnd, rgn, FALSE);
    }
    HDC coverDC = GetDC(coverWnd);
    int level = 255;
    const int delta = steps > 0 ? 255 / steps : 255;
    for (int i = 0; i <= steps; ++i) {
        MixBmpsTo32(step.get(), screen.get(), image.get(), uint16_t(level), nullptr);
        BitBlt(coverDC, 0, 0, w, h, step->Canvas().Handle(), 0, 0, SRCCOPY);
        FadeFrame(level);
        if (i < steps)
            FadeWait(8);
        level = std::max(0, level - delta);
    }
    BitBlt(coverDC, 0, 0, w, h, image->Canvas().Handle(), 0, 0, SRCCOPY);
    ReleaseDC(coverWnd, coverDC);
    Engine().FormAnimationActive = false;
    SendMessageW(wnd, WM_SETREDRAW, 1, 0);
    RedrawWindow(wnd, nullptr, nullptr, kRedrawAll);
    SetWindowPos(coverWnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
}

} // namespace

// ---- Colours and painting ----

uint32_t WndBgColor(HWND wnd)
{
    if (!wnd)
        return MaskKeyColor;
    return ui::ColorToRGB(ui::Color(SendMessageW(wnd, SM_SKINCMD, SkinWParam(scGetBgColor), LPARAM(MaskKeyColor))));
}

void PaintGraphicChildren(HDC dc, ui::WinControl* control, POINT offset)
{
    if (!control || (!control->Visible() && !IsDesigning(control)) || control->ControlCount() == 0)
        return;
    RECT clip{};
    if (GetClipBox(dc, &clip) == NULLREGION || clip.right <= clip.left || clip.bottom <= clip.top) {
        SendAcMessageTo(control, scSetHalfVisible, 0);
        return;
    }
    TacBGQuery own;
    QueryBgOfControl(own, control, false);
    std::vector<ui::Control*> children;
    for (int i = 0; i < control->ControlCount(); ++i)
        if (TakesPart(control->Controls(i), dc))
            children.push_back(control->Controls(i));
    if (children.empty())
        return;
    // Aligned children of an MDI frame border its client window: they repaint themselves first.
    if (auto* form = dynamic_cast<ui::Form*>(control); form && form->FormStyle() == ui::fsMDIForm)
        for (ui::Control* child : children)
            if (child->Align() != ui::alNone)
                child->Perform(SM_SKINCMD, SkinWParam(scRepaint), 0);
    auto bmp = NewBmp24(std::max(1, control->Width()), std::max(1, control->Height()));
    HDC mem = bmp->Canvas().Handle();
    for (ui::Control* child : children) {
        RECT r = child->BoundsRect();
        if (child->ControlStyle() & ui::csOpaque)
            FillDCSolid(mem, r, ui::Color(ControlBgColor(child)));
        else if (own.BgType == 1)
            FillDCSolid(mem, r, ui::Color(own.Color));
        else if (own.BgType == 2 && own.Bmp)
            BitBlt(mem, r.left, r.top, r.right - r.left, r.bottom - r.top, own.Bmp->Canvas().Handle(),
                   r.left + own.Offset.x, r.top + own.Offset.y, SRCCOPY);
    }
    for (ui::Control* child : children) {
        RECT r = child->BoundsRect();
        int saved = SaveDC(mem);
        POINT origin{};
        GetWindowOrgEx(mem, &origin);
        SetWindowOrgEx(mem, origin.x - r.left, origin.y - r.top, nullptr);
        IntersectClipRect(mem, 0, 0, r.right - r.left, r.bottom - r.top);
        child->PaintTo(mem);
        SetWindowOrgEx(mem, origin.x, origin.y, nullptr);
        RestoreDC(mem, saved);
    }
    for (ui::Control* child : children) {
        RECT r = child->BoundsRect();
        if (GetPixel(mem, r.left + offset.x, r.top + offset.y) == MaskKeyColor)
            continue;
        BitBlt(dc, r.left + offset.x, r.top + offset.y, r.right - r.left, r.bottom - r.top, mem, r.left, r.top, SRCCOPY);
    }
}

void PaintControlToBitmap(ui::Bitmap& bmp, ui::Control* control, int x, FormSkinProvider* provider, int y)
{
    if (!control)
        return;
    HDC dc = bmp.Canvas().Handle();
    if (!control->Visible()) {
        if (provider || !control->Parent())
            return;
        TacBGQuery query;
        QueryBgOfControl(query, control->Parent(), false);
        RECT r{x, y, x + control->Width(), y + control->Height()};
        if (query.BgType == 2 && query.Bmp)
            BitBlt(dc, x, y, control->Width(), control->Height(), query.Bmp->Canvas().Handle(),
                   control->Left() + query.Offset.x, control->Top() + query.Offset.y, SRCCOPY);
        else
            FillDCSolid(dc, r, ui::Color(query.Color));
        return;
    }
    int saved = SaveDC(dc);
    if (!provider || !provider->BorderWindow())
        IntersectClipRect(dc, x, y, x + control->Width(), y + control->Height());
    POINT origin{};
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - x, origin.y - y, nullptr);
    if (!control->IsWindowed()) {
        control->PaintTo(dc);
    } else {
        auto* windowed = static_cast<ui::WinControl*>(control);
        // The children of an MDI frame are no controls of it: each is painted at its place.
        if (auto* frame = dynamic_cast<ui::Form*>(control); frame && frame->HandleAllocated() && frame->ClientHandle()) {
            RECT fr{};
            GetWindowRect(frame->HandleIfAllocated(), &fr);
            for (int i = frame->MDIChildCount() - 1; i >= 0; --i) {
                ui::Form* child = frame->MDIChildren(i);
                RECT cr{};
                GetWindowRect(child->Handle(), &cr);
                PaintControlToBitmap(bmp, child, x + cr.left - fr.left, nullptr, y + cr.top - fr.top);
            }
        }
        if (windowed->HandleAllocated())
            SendMessageW(windowed->Handle(), WM_PRINT, WPARAM(dc),
                         PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND | (AskAcMessage(windowed->Handle(), scIsSkinAware) ? 0 : PRF_CHILDREN));
        for (int i = 0; i < windowed->ControlCount(); ++i) {
            ui::Control* child = windowed->Controls(i);
            if (!child->IsWindowed() || !child->Visible())
                continue;
            bool topLevel = dynamic_cast<ui::Form*>(child) != nullptr;
            RECT cr{};
            auto* w = static_cast<ui::WinControl*>(child);
            if (w->HandleAllocated() && windowed->HandleAllocated()) {
                GetWindowRect(w->Handle(), &cr);
                MapWindowPoints(nullptr, windowed->Handle(), reinterpret_cast<POINT*>(&cr), 2);
                RECT client{};
                ClientRectInWindow(windowed->Handle(), client);
                OffsetRect(&cr, client.left, client.top);
            }
            PaintControlToBitmap(bmp, child, topLevel ? x : x + cr.left, nullptr, topLevel ? y : y + cr.top);
        }
    }
    SetWindowOrgEx(dc, origin.x, origin.y, nullptr);
    RestoreDC(dc, saved);
    if (provider && provider->BorderWindow() && control->IsWindowed()) {
        RECT client{};
        ClientRectInWindow(static_cast<ui::WinControl*>(control)->Handle(), client);
        POINT off = provider->ImageOffset();
        OffsetRect(&client, off.x, off.y);
        ui::PixelView pixels = bmp.Pixels();
        for (int py = std::max<int>(0, client.top); py < std::min<int>(bmp.Height(), client.bottom); ++py)
            for (int px = std::max<int>(0, client.left); px < std::min<int>(bmp.Width(), client.right); ++px)
                pixels.Row(py)[px * 4 + 3] = 255;
    }
}

// ---- Form animation ----

void SetFadeHooks(FadeHooks hooks) { State().fade = std::move(hooks); }

void FadeInForm(ui::Form* form, uint16_t time)
{
    if (!form || !form->HandleAllocated())
        return;
    FadeScope scope(form);
    const int steps = time / 8;
    FormSkinProvider* provider = ProviderOf(form);
    if (provider && provider->BorderWindow() && LayeredWindowsAvailable())
        LayeredFade(form, provider, steps);
    else
        CrossFade(form, provider, steps);
    // The fade's windows are gone: the form shows its own opacity again.
    if (form->AlphaBlend())
        form->SetAlphaBlendValue(form->AlphaBlendValue());
}

TOutputWindow::TOutputWindow(core::Component* owner) : ui::CustomControl(owner)
{
    SetCaption(u"acOutputWindow");
    SetVisible(false);
    SetColor(ui::Color(0x800080));
}

void TOutputWindow::CreateParams(ui::CreateParamsRec& params)
{
    ui::CustomControl::CreateParams(params);
    if (!Parent()) {
        params.Style = WS_POPUP;
        auto* owner = dynamic_cast<ui::WinControl*>(Owner());
        if (owner && owner->HandleAllocated() && (GetWindowLongPtrW(owner->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST))
            params.ExStyle |= WS_EX_TOPMOST;
        params.WndParent = ui::Application::Instance().Handle();
    }
}

void TOutputWindow::WndProc(ui::Message& message)
{
    switch (message.Msg) {
    case WM_ERASEBKGND: message.Result = 1; return;
    case WM_NCPAINT: message.Result = 0; return;
    default: ui::CustomControl::WndProc(message);
    }
}

// ---- Queries ----

UINT DrawTextFlagsOf(ui::Control*, ui::Alignment alignment)
{
    UINT align = alignment == ui::taRightJustify ? DT_RIGHT : alignment == ui::taCenter ? DT_CENTER : DT_LEFT;
    // The class library writes left to right only, so there is no bidirectional adjustment.
    return align | DT_EXPANDTABS | DT_VCENTER;
}

int SumAlignedControlSizes(ui::WinControl* control, ui::Align align, bool withGraphic)
{
    if (!control)
        return 0;
    int sum = 0;
    for (int i = 0; i < control->ControlCount(); ++i) {
        ui::Control* child = control->Controls(i);
        if (!child->Visible() || child->Align() != align || (!withGraphic && !child->IsWindowed()))
            continue;
        if (align == ui::alTop || align == ui::alBottom)
            sum += child->Height();
        else if (align == ui::alLeft || align == ui::alRight)
            sum += child->Width();
    }
    return sum;
}

void ClientRectInWindow(HWND wnd, RECT& r)
{
    RECT wr{};
    GetWindowRect(wnd, &wr);
    GetClientRect(wnd, &r);
    POINT p{0, 0};
    ClientToScreen(wnd, &p);
    OffsetRect(&r, p.x - wr.left, p.y - wr.top);
}

HWND RootWindowOf(HWND wnd)
{
    HWND result = wnd;
    for (HWND p = GetParent(wnd); p; p = GetParent(p))
        result = p;
    return result;
}

void SendToFormProvider(ui::Form* form, ui::Message&)
{
    // The providers' design-time handler does nothing in this program; finding the provider is all.
    (void)ProviderOf(form);
}

// ---- Themes ----

void BindSetWindowTheme()
{
    UtilState& s = State();
    if (s.uxtheme)
        return;
    s.uxtheme = LoadLibraryW(L"uxtheme.dll");
    if (s.uxtheme)
        s.setWindowTheme = reinterpret_cast<UtilState::SetWindowThemeProc>(
            reinterpret_cast<void*>(GetProcAddress(s.uxtheme, "SetWindowTheme")));
}

void ReleaseSetWindowTheme()
{
    UtilState& s = State();
    s.setWindowTheme = nullptr;
    if (s.uxtheme)
        FreeLibrary(s.uxtheme);
    s.uxtheme = nullptr;
}

HRESULT SetWindowThemeOf(HWND wnd, const wchar_t* subAppName, const wchar_t* subIdList)
{
    return State().setWindowTheme ? State().setWindowTheme(wnd, subAppName, subIdList) : E_NOTIMPL;
}

bool SetWindowThemeAvailable() { return State().setWindowTheme != nullptr; }

// ---- Desktop composition ----

namespace {

const DwmApi* g_dwmOverride = nullptr;

const DwmApi& LibraryDwmTable()
{
    static const DwmApi table = [] {
        DwmApi t;
        // Loaded once and kept for the life of the process.
        if (HMODULE dwm = LoadLibraryW(L"DWMAPI.DLL")) {
            t.IsCompositionEnabled = reinterpret_cast<decltype(t.IsCompositionEnabled)>(
                reinterpret_cast<void*>(GetProcAddress(dwm, "DwmIsCompositionEnabled")));
            t.SetWindowAttribute = reinterpret_cast<decltype(t.SetWindowAttribute)>(
                reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
        }
        return t;
    }();
    return table;
}

} // namespace

const DwmApi& DwmTable() { return g_dwmOverride ? *g_dwmOverride : LibraryDwmTable(); }

void SetDwmTable(const DwmApi* table) { g_dwmOverride = table; }

bool DwmCompositionActive()
{
    const DwmApi& t = DwmTable();
    BOOL enabled = FALSE;
    return t.IsCompositionEnabled && SUCCEEDED(t.IsCompositionEnabled(&enabled)) && enabled;
}

HRESULT SetDwmWindowAttribute(HWND wnd, DWORD attribute, LPCVOID value, DWORD size)
{
    const DwmApi& t = DwmTable();
    return t.SetWindowAttribute ? t.SetWindowAttribute(wnd, attribute, value, size) : E_NOTIMPL;
}

void SetDwmTransitions(HWND wnd, bool disabled)
{
    if (!DwmCompositionActive())
        return;
    const DWORD value = disabled ? 1 : 0;
    constexpr DWORD kTransitionsForceDisabled = 3;
    SetDwmWindowAttribute(wnd, kTransitionsForceDisabled, &value, sizeof(value));
}

} // namespace skin
