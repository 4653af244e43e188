// The skin command message: senders and the walks over a control's children.
#include "skin/engine/command.h"

#include "ui/application.h"
#include "ui/form.h"

#include <algorithm>
#include <vector>

namespace skin {

namespace {

UINT g_registered = 0;
SkipsSkinBroadcastHook g_skips_hook = nullptr;
SkinActivationHook g_activation_hook = nullptr;
HWND g_repaint_notify = nullptr;

std::vector<ui::Control*> ChildrenOf(ui::WinControl* control)
{
    std::vector<ui::Control*> children;
    for (int i = 0; i < control->ControlCount(); ++i)
        children.push_back(control->Controls(i));
    return children;
}

bool IsChildOf(ui::WinControl* parent, ui::Control* child)
{
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (parent->Controls(i) == child)
            return true;
    return false;
}

} // namespace

void InitSkinCommand()
{
    g_registered = RegisterWindowMessageW(L"SM_QUORRACMD");
}

UINT RegisteredSkinCommand() { return g_registered; }

LRESULT SendAcMessage(HWND wnd, int subCode, LPARAM lparam, int flag)
{
    return SendMessageW(wnd, SM_SKINCMD, SkinWParam(subCode, flag), lparam);
}

LRESULT SendAcMessageTo(ui::Control* control, int subCode, LPARAM lparam, int flag)
{
    if (auto* windowed = dynamic_cast<ui::WinControl*>(control)) {
        if (IsDestroying(windowed) || !windowed->HandleAllocated())
            return 0;
        return SendAcMessage(windowed->HandleIfAllocated(), subCode, lparam, flag);
    }
    return control->Perform(SM_SKINCMD, SkinWParam(subCode, flag), lparam);
}

LRESULT SendAcCode(ui::Control* control, int subCode) { return SendAcMessageTo(control, subCode, 0); }

bool AskAcMessage(HWND wnd, int subCode) { return SendAcMessage(wnd, subCode, 0) == 1; }

void NotifyFormOfControl(ui::Control* control)
{
    if (!control || IsDesigning(control) || IsLoading(control))
        return;
    // The outermost form that holds the control.
    ui::Form* form = nullptr;
    for (ui::Control* c = control; c; c = c->Parent())
        if (auto* f = dynamic_cast<ui::Form*>(c))
            form = f;
    if (form && form != control && form->HandleAllocated())
        SendAcMessage(form->HandleIfAllocated(), scControlCreated, LPARAM(control));
}

void NotifyChildControls(ui::WinControl* control)
{
    if (Engine().FormAnimationActive || !control)
        return;
    for (int i = 0; i < control->ControlCount(); ++i) {
        ui::Control* child = control->Controls(i);
        if (!child->IsWindowed() || IsDestroying(child))
            continue;
        auto* windowed = static_cast<ui::WinControl*>(child);
        if (windowed->HandleAllocated()) {
            if (windowed->Showing())
                SendAcMessage(windowed->HandleIfAllocated(), scUpdateDone, 0);
        } else {
            SendAcMessageTo(child, scUpdateDone, 0);
        }
    }
}

void NotifyChildWindows(HWND wnd)
{
    for (HWND child = GetTopWindow(wnd); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD)
            SendAcMessage(child, scUpdateDone, 0);
}

void SendMsgToChildControls(ui::WinControl* control, ui::Message& message)
{
    if (!control)
        return;
    // A snapshot, so that children freed or added by a receiver do not upset the walk; each one is
    // checked to be still a child before it gets the message.
    for (ui::Control* child : ChildrenOf(control)) {
        if (!IsChildOf(control, child) || IsDestroying(child))
            continue;
        auto* windowed = child->IsWindowed() ? static_cast<ui::WinControl*>(child) : nullptr;
        if (!windowed || !windowed->HandleAllocated()) {
            child->Perform(message.Msg, message.WParam, message.LParam);
        } else if (SendAcCode(windowed, scIsSkinAware) != 0) {
            SendMessageW(windowed->HandleIfAllocated(), message.Msg, message.WParam, message.LParam);
        } else if (!(g_skips_hook && g_skips_hook(windowed))) {
            SendMsgToChildControls(windowed, message);
        }
    }
}

void SendMsgToChildWindows(HWND wnd, ui::Message& message)
{
    struct Walk {
        HWND parent;
        ui::Message* message;
    } walk{wnd, &message};
    EnumChildWindows(
        wnd,
        [](HWND child, LPARAM data) -> BOOL {
            auto* w = reinterpret_cast<Walk*>(data);
            if (GetParent(child) == w->parent)
                SendMessageW(child, w->message->Msg, w->message->WParam, w->message->LParam);
            return TRUE;
        },
        LPARAM(&walk));
}

void SetSkipsSkinBroadcastHook(SkipsSkinBroadcastHook hook) { g_skips_hook = hook; }
void SetSkinActivationHook(SkinActivationHook hook) { g_activation_hook = hook; }
void CallSkinActivationHook(bool active)
{
    if (g_activation_hook)
        g_activation_hook(active);
}

HWND RepaintNotifyWindow() { return g_repaint_notify; }
void SetRepaintNotifyWindow(HWND wnd) { g_repaint_notify = wnd; }

bool IsDestroying(const core::Component* component) { return component && component->HasState(core::csDestroying); }
bool IsDesigning(const core::Component* component) { return component && component->HasState(core::csDesigning); }
bool IsLoading(const core::Component* component) { return component && component->HasState(core::csLoading); }

bool ControlIsReady(ui::Control* control)
{
    if (!control)
        return false;
    if (control->IsWindowed() && !static_cast<ui::WinControl*>(control)->HandleAllocated())
        return false;
    if (control->HasState(core::csReading) || control->HasState(core::csLoading) || IsDestroying(control))
        return false;
    return control->Parent() != nullptr;
}

} // namespace skin
