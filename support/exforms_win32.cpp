// The extended form bases and the thread dialog form.
#include "support/exforms.h"

#include "core/exception.h"
#include "core/tick.h"

#include "support/threadcomponent.h"
#include "ui/application.h"
#include "ui/messages.h"

namespace support {

// --- TExForm ----------------------------------------------------------------------------------------

TExForm::TExForm(core::Component* owner) : ui::Form(owner) {}

ui::Color TExForm::EffectiveHintColor() const
{
    if (FHintColor == ui::clNone)
        return ui::clInfoBk;
    if (FHintColor == ui::clDefault) {
        // A parent that is itself an extended form gives its own; any other gives the standard one.
        if (const auto* parent = dynamic_cast<const TExForm*>(Parent()))
            return parent->EffectiveHintColor();
        return ui::clInfoBk;
    }
    return FHintColor;
}

void TExForm::WndProc(ui::Message& message)
{
    switch (message.Msg) {
    case ui::CM_MOUSEENTER:
        FMouseOver = true;
        if (OnMouseEnter)
            OnMouseEnter(this);
        break;
    case ui::CM_MOUSELEAVE:
        FMouseOver = false;
        if (OnMouseLeave)
            OnMouseLeave(this);
        break;
    case ui::CM_PARENTCOLORCHANGED:
        if (OnParentColorChanged)
            OnParentColorChanged(this);
        break;
    case ui::CM_VISIBLECHANGED:
        ui::Form::WndProc(message);
        if (message.WParam && HandleAllocated())
            SendMessageW(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS), 0);
        return;
    case ui::CM_DIALOGKEY:
        if (HandleAllocated()) {
            if (message.WParam == VK_TAB || message.WParam == VK_LEFT || message.WParam == VK_RIGHT ||
                message.WParam == VK_UP || message.WParam == VK_DOWN)
                SendMessageW(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
            else if (message.WParam == VK_MENU)
                SendMessageW(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
        }
        break;
    default:
        break;
    }
    ui::Form::WndProc(message);
    if (!FDotNetHighlighting || HasState(core::csDesigning))
        return;
    switch (message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_NCPAINT:
    case ui::CM_MOUSEENTER:
        DrawFocusFrame();
        break;
    case ui::CM_MOUSELEAVE:
        DrawFocusFrame();
        if (HandleAllocated()) {
            // The ring between the window rectangle and its inset by 2 pixels.
            RECT window;
            GetWindowRect(Handle(), &window);
            OffsetRect(&window, -window.left, -window.top);
            HRGN outer = CreateRectRgnIndirect(&window);
            InflateRect(&window, -2, -2);
            HRGN inner = CreateRectRgnIndirect(&window);
            CombineRgn(outer, outer, inner, RGN_DIFF);
            RedrawWindow(Handle(), nullptr, outer, RDW_INVALIDATE | RDW_FRAME);
            DeleteObject(inner);
            DeleteObject(outer);
        }
        break;
    default:
        break;
    }
}

void TExForm::DrawFocusFrame()
{
    if (!HandleAllocated())
        return;
    HWND hwnd = Handle();
    HDC dc = GetWindowDC(hwnd);
    if (!dc)
        return;
    RECT r;
    GetWindowRect(hwnd, &r);
    OffsetRect(&r, -r.left, -r.top);
    const bool lit = GetFocus() == hwnd || GetActiveWindow() == hwnd || FMouseOver;
    HBRUSH outer = CreateSolidBrush(lit ? kFocusedColor : kUnfocusedColor);
    FrameRect(dc, &r, outer);
    DeleteObject(outer);
    InflateRect(&r, -1, -1);
    HBRUSH inner = CreateSolidBrush(lit ? kFocusedColor : ui::ColorToRGB(GetColor()));
    FrameRect(dc, &r, inner);
    DeleteObject(inner);
    ReleaseDC(hwnd, dc);
}

// --- TExtForm ---------------------------------------------------------------------------------------

int TExtForm::ShowModal()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_ENABLE, WM_ENABLE, PM_REMOVE))
        DispatchMessageW(&msg);
    return ui::Form::ShowModal();
}

void TExtForm::ShowNoActivate(bool callActivate)
{
    if (callActivate)
        Activate();
    m_showNoActivate = true;
    try {
        SetVisible(true);
    } catch (...) {
        m_showNoActivate = false;
        throw;
    }
    m_showNoActivate = false;
}

void TExtForm::UpdateOwnerWindow()
{
    if (!HandleAllocated() || Parent())
        return;
    HWND self = Handle();
    HWND owner = ui::App().Handle();
    if (FormStyle() == ui::fsStayOnTop) {
        SetWindowPos(self, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        auto* active = dynamic_cast<ui::Form*>(ui::WinControl::FindControl(GetActiveWindow()));
        ui::Form* main = ui::App().MainForm();
        if (active && active != this && active->Modal())
            owner = active->Handle();
        else if (main && main != this && main->HandleAllocated())
            owner = main->Handle();
    }
    if (owner != self && reinterpret_cast<HWND>(GetWindowLongPtrW(self, GWLP_HWNDPARENT)) != owner)
        SetWindowLongPtrW(self, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

void TExtForm::WndProc(ui::Message& message)
{
    if (message.Msg == WM_MOUSEACTIVATE && !FIsFocusable) {
        message.Result = MA_NOACTIVATE;
        return;
    }
    if (message.Msg == ui::CM_VISIBLECHANGED && message.WParam) {
        UpdateOwnerWindow();
        if (m_showNoActivate) {
            ShowWindow(Handle(), SW_SHOWNOACTIVATE);
            return;
        }
    }
    TExForm::WndProc(message);
}

// --- TCustomThreadDialogForm ------------------------------------------------------------------------

TCustomThreadDialogForm::TCustomThreadDialogForm(core::Component* owner) : TExtForm(owner) { Init(owner); }

TCustomThreadDialogForm::TCustomThreadDialogForm(core::Component* owner, ui::FormStyle style, ui::WinControl* parent)
    : TExtForm(owner)
{
    if (style != ui::fsStayOnTop && parent)
        FParentHandle = parent->Handle();
    SetFormStyle(style);
    Init(owner);
}

void TCustomThreadDialogForm::Init(core::Component* owner)
{
    FConnectedThread = dynamic_cast<TThreadComponent*>(owner);
    if (!FConnectedThread)
        throw core::Exception(
            u"TCustomThreadDialogForm.SetConnectedThread: A thread must be a TThreadComponent-Component");
    OnCloseQuery = [this](core::Object* sender, bool& canClose) {
        canClose = !FConnectedThread || !FConnectedThread->OneThreadIsRunning();
        if (canClose && OnDialogCloseQuery)
            OnDialogCloseQuery(sender, canClose);
    };
    FInternalTimer = new ui::Timer(this);
    FInternalTimer->SetEnabled(false);
    FInternalTimer->SetInterval(unsigned(FInternalTimerInterval));
    FInternalTimer->SetOnTimer([this](core::Object*) {
        if (!HasState(core::csDestroying))
            TimerStep();
    });
}

TCustomThreadDialogForm::~TCustomThreadDialogForm() = default;

TCustomThreadDialogOptions* TCustomThreadDialogForm::DialogOptions() const
{
    if (FConnectedThread && FConnectedThread->ThreadDialog())
        return &FConnectedThread->ThreadDialog()->DialogOptions();
    return nullptr;
}

void TCustomThreadDialogForm::SetInternalTimerInterval(int ms)
{
    FInternalTimerInterval = ms <= 0 ? 1 : ms;
    if (FInternalTimer)
        FInternalTimer->SetInterval(unsigned(FInternalTimerInterval));
}

void TCustomThreadDialogForm::CreateParams(ui::CreateParamsRec& params)
{
    TExtForm::CreateParams(params);
    if (FParentHandle)
        params.WndParent = FParentHandle;
}

void TCustomThreadDialogForm::LoadShowDelay()
{
    const TCustomThreadDialogOptions* options = DialogOptions();
    FInternalShowDelay = options ? options->ShowDelay() : 0;
}

void TCustomThreadDialogForm::ShowDialogForm(bool modal)
{
    if (modal)
        ShowModal();
    else
        Show();
}

void TCustomThreadDialogForm::CloseDialogForm()
{
    Hide();
    if (Modal())
        SetModalResult(ui::mrCancel);
    else
        Close();
}

void TCustomThreadDialogForm::DoShow()
{
    FFormIsShown = true;
    ShowHook();
    UpdateHook();
    FInternalTimer->SetEnabled(true);
    TExtForm::DoShow();
}

void TCustomThreadDialogForm::DoClose(ui::CloseAction& action)
{
    FFormIsShown = false;
    FInternalTimer->SetEnabled(false);
    action = ui::caFree;
    TExtForm::DoClose(action);
}

void TCustomThreadDialogForm::DefaultCancelBtnClick(core::Object*)
{
    TCustomThreadDialog* dialog = FConnectedThread ? FConnectedThread->ThreadDialog() : nullptr;
    if (dialog && dialog->OnPressCancel)
        dialog->OnPressCancel(FConnectedThread);
    else if (FConnectedThread)
        FConnectedThread->CancelExecute();
    SetModalResult(ui::mrNone);
}

void TCustomThreadDialogForm::TimerStep()
{
    if (FConnectedThread && !FConnectedThread->Terminated() && FConnectedThread->OneThreadIsRunning()) {
        if (FInternalShowDelay > 0)
            FInternalShowDelay -= FInternalTimerInterval;
        if (FInternalShowDelay <= 0 && !FFormIsShown) {
            if (FConnectedThread->ThreadDialogAllowed() && !FConnectedThread->IsDialogShowDelayDisabled()) {
                const TCustomThreadDialogOptions* options = DialogOptions();
                ShowDialogForm(options && options->ShowModal());
            }
        } else if (FFormIsShown && FConnectedThread->ThreadDialogAllowed()) {
            UpdateHook();
        }
    } else if (FFormIsShown || !FConnectedThread) {
        CloseDialogForm();
    }
}

void TCustomThreadDialogForm::Notification(core::Component* component, core::Operation operation)
{
    TExtForm::Notification(component, operation);
    if (operation == core::opRemove && component == FConnectedDataObject)
        FConnectedDataObject = nullptr;
}

} // namespace support
