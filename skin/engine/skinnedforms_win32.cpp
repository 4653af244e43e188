// The skinned-form registry and the broadcasts to forms.
#include "skin/engine/skinnedforms.h"

#include "skin/engine/command.h"
#include "skin/engine/effects.h"
#include "skin/engine/formutils.h"
#include "skin/engine/system.h"
#include "ui/application.h"

#include <algorithm>

#include <shellapi.h>

namespace skin {

namespace {

struct RegistryState {
    std::vector<ui::Form*> forms;
    ProviderWindowsSource providerWindows;
    HICON smallIcon = nullptr;
    HICON largeIcon = nullptr;
};

RegistryState& State()
{
    static RegistryState state;
    return state;
}

bool AppMinimized()
{
    HWND app = ui::Application::Instance().Handle();
    return (app && IsIconic(app)) || ui::Application::Instance().IsMinimized();
}

// A top-level, visible, not minimised form with a provider that uses manager.
FormSkinProvider* FrozenProvider(ui::Form* form, SkinManager* manager)
{
    // MDI children draw inside their frame, which is frozen and repainted for them.
    if (!form || IsDestroying(form) || form->Parent() || form->FormStyle() == ui::fsMDIChild || !form->Visible() || !form->HandleAllocated() ||
        IsIconic(form->Handle()))
        return nullptr;
    FormSkinProvider* provider = ProviderOf(form);
    return provider && provider->ProviderManager() == manager ? provider : nullptr;
}

void SendToForm(ui::Form* form, ui::Message& message)
{
    if (form->HandleAllocated())
        SendMessageW(form->Handle(), message.Msg, message.WParam, message.LParam);
    else
        form->Perform(message.Msg, message.WParam, message.LParam);
    SendMsgToChildControls(form, message);
    // The client window of an MDI frame is no control of ours: it is reached by its handle.
    if (HWND client = form->ClientHandle())
        SendMessageW(client, message.Msg, message.WParam, message.LParam);
}

const TacSkinChanging* SkinChangingOf(SkinManager* manager)
{
    const TacAnimEffects* effects = manager ? manager->AnimEffects() : nullptr;
    return effects && effects->SkinChanging && effects->SkinChanging->Active ? effects->SkinChanging.get() : nullptr;
}

} // namespace

FormSkinProvider* ProviderOf(ui::Form* form)
{
    if (!form || IsDestroying(form))
        return nullptr;
    LRESULT answer = form->HandleAllocated() ? SendAcMessage(form->Handle(), scGetProvider, 0)
                                             : SendAcMessageTo(form, scGetProvider, 0);
    return reinterpret_cast<FormSkinProvider*>(answer);
}

void RegisterSkinnedForm(ui::Form* form) { State().forms.push_back(form); }

// Every occurrence goes: a form registered twice would otherwise stay once and dangle after it is
// freed.
void UnregisterSkinnedForm(ui::Form* form)
{
    std::vector<ui::Form*>& forms = State().forms;
    for (size_t i = 0; i < forms.size();) {
        if (forms[i] == form) {
            forms[i] = forms.back();
            forms.pop_back();
        } else {
            ++i;
        }
    }
}

const std::vector<ui::Form*>& SkinnedForms() { return State().forms; }

void LockSkinnedForms(SkinManager* manager)
{
    if (AppMinimized())
        return;
    if (manager && manager == DefaultManager() && SkinChangingOf(manager))
        Engine().FormAnimationActive = true;
    for (ui::Form* form : std::vector<ui::Form*>(State().forms)) {
        if (FormSkinProvider* provider = FrozenProvider(form, manager)) {
            provider->SetInAnimation(true);
            SendMessageW(form->Handle(), WM_SETREDRAW, 0, 0);
        }
    }
}

void UnlockSkinnedForms(SkinManager* manager, bool repaint)
{
    if (AppMinimized())
        return;
    if (manager && manager == DefaultManager())
        Engine().FormAnimationActive = false;
    for (ui::Form* form : std::vector<ui::Form*>(State().forms)) {
        FormSkinProvider* provider = FrozenProvider(form, manager);
        if (!provider)
            continue;
        HWND wnd = form->Handle();
        if (!repaint) {
            SendMessageW(wnd, WM_SETREDRAW, 1, 0);
            continue;
        }
        if (const TacSkinChanging* changing = SkinChangingOf(manager))
            FadeInForm(form, provider->DrawNonClientArea() ? changing->Time : 0);
        if (provider->BorderWindow() && IsZoomed(wnd)) {
            // Shown maximised again without a visible flash, the active window kept.
            SetWindowLongPtrW(wnd, GWL_STYLE, GetWindowLongPtrW(wnd, GWL_STYLE) & ~LONG_PTR(WS_VISIBLE));
            HWND active = GetActiveWindow();
            ShowWindow(wnd, SW_SHOWMAXIMIZED);
            SetWindowLongPtrW(wnd, GWL_STYLE, GetWindowLongPtrW(wnd, GWL_STYLE) | WS_VISIBLE);
            if (active)
                SetActiveWindow(active);
        }
        SendMessageW(wnd, WM_SETREDRAW, 1, 0);
        provider->SetInAnimation(false);
        if (provider->DrawNonClientArea()) {
            provider->ApplyFormRegion();
            RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            if (provider->BorderWindow())
                provider->UpdateExBordersPos(true, 255);
        } else {
            RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        }
    }
}

void BroadcastToAppForms(ui::Message& message)
{
    ui::Application& app = ui::Application::Instance();
    for (int i = app.ComponentCount() - 1; i >= 0; --i) {
        if (i >= app.ComponentCount())
            continue;
        auto* form = dynamic_cast<ui::Form*>(app.Components(i));
        if (!form || IsDestroying(form) || IsLoading(form) || form->FormStyle() == ui::fsMDIChild)
            continue;
        // Skin-aware forms are registered ones: the next step reaches them.
        if (form->HandleAllocated() ? AskAcMessage(form->Handle(), scIsSkinAware)
                                    : SendAcMessageTo(form, scIsSkinAware, 0) == 1)
            continue;
        SendToForm(form, message);
    }
    BroadcastToSkinnedForms(message);
}

void BroadcastToSkinnedForms(ui::Message& message)
{
    for (ui::Form* form : std::vector<ui::Form*>(State().forms)) {
        const std::vector<ui::Form*>& now = State().forms;
        if (!form || std::find(now.begin(), now.end(), form) == now.end() || IsDestroying(form))
            continue;
        SendToForm(form, message);
    }
    for (HWND wnd : ProviderWindows())
        if (IsWindowVisible(wnd))
            SendMessageW(wnd, message.Msg, message.WParam, message.LParam);
}

void SetProviderWindowsSource(ProviderWindowsSource source) { State().providerWindows = std::move(source); }

std::vector<HWND> ProviderWindows()
{
    return State().providerWindows ? State().providerWindows() : std::vector<HWND>();
}

HICON AppSmallIcon() { return State().smallIcon; }
HICON AppLargeIcon() { return State().largeIcon; }

void LoadAppIcons()
{
    RegistryState& s = State();
    if (s.smallIcon || s.largeIcon)
        return;
    wchar_t path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    core::String file(path, path + n);
    s.smallIcon = FileIconOf(file, SHGFI_SMALLICON);
    s.largeIcon = FileIconOf(file, SHGFI_LARGEICON);
}

void DoneSkinnedForms()
{
    RegistryState& s = State();
    if (s.smallIcon)
        DestroyIcon(s.smallIcon);
    if (s.largeIcon)
        DestroyIcon(s.largeIcon);
    s.smallIcon = s.largeIcon = nullptr;
    s.forms.clear();
    Engine().UpdatedSectionName.clear();
}

} // namespace skin
