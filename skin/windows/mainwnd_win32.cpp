// The wrapper root: attachment, detachment, the common messages and the start-up bindings.
#include "skin/windows/mainwnd.h"

#include "core/exception.h"
#include "skin/engine/formutils.h"
#include "skin/engine/glow.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/scrollwnd.h"
#include "skin/windows/combownd.h"
#include "skin/windows/dialogskin.h"
#include "skin/windows/skinmenus.h"
#include "skin/windows/editwnd.h"
#include "skin/windows/tabwnd.h"
#include "skin/windows/wrapperkit.h"
#include "skin/windows/virtualtreewnd.h"
#include "ui/control.h"

#include <map>
#include <unordered_map>

namespace skin {

namespace {

constexpr wchar_t kWrapperProp[] = L"ACSBSC";

struct Libraries {
    HMODULE user32 = nullptr;
    HMODULE comctl32 = nullptr;
};
Libraries g_libraries;
bool g_dialog_mode = false;
bool g_adapter_removing = false;

std::map<core::String, WrapperFactory>& Factories()
{
    static std::map<core::String, WrapperFactory> factories;
    return factories;
}

// Raw windows whose wrapper let go while another subclass sat on top of it: the subclassing
// procedure stays in their chain and passes everything to the procedure it replaced until
// WM_NCDESTROY.
std::unordered_map<HWND, WNDPROC>& PassThroughs()
{
    static std::unordered_map<HWND, WNDPROC> windows;
    return windows;
}

LRESULT CALLBACK WrapperWndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    TacMainWnd* w = GetWrapper(wnd);
    if (w && w->NewWndProcInstance && w->CtrlHandle == wnd) {
        ui::Message m{msg, wparam, lparam, 0};
        try {
            w->acWndProc(m);
        } catch (...) {
            core::HandleException();
        }
        return m.Result;
    }
    auto it = PassThroughs().find(wnd);
    if (it == PassThroughs().end())
        return DefWindowProcW(wnd, msg, wparam, lparam);
    WNDPROC previous = it->second;
    if (msg == WM_NCDESTROY)
        PassThroughs().erase(it);
    return CallWindowProcW(previous, wnd, msg, wparam, lparam);
}

template <class Fn> Fn Bind(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// A provider's skin state chains into the provider's form.
ui::Control* ProviderFormOf(core::Object* owner)
{
    auto* component = dynamic_cast<core::Component*>(owner);
    if (!component || component->ClassName() != core::String(u"TsSkinProvider"))
        return nullptr;
    return dynamic_cast<ui::Control*>(component->Owner());
}

bool ControlDestroying(ui::Control* control) { return control && IsDestroying(control); }

} // namespace

WindowSkinningFunctions& WindowSkinningApi()
{
    static WindowSkinningFunctions functions;
    return functions;
}

void InitWindowSkinning()
{
    g_libraries.user32 = LoadLibraryW(L"user32.dll");
    g_libraries.comctl32 = LoadLibraryW(L"comctl32.dll");
    WindowSkinningFunctions& api = WindowSkinningApi();
    api.GetScrollBarInfo = Bind<decltype(api.GetScrollBarInfo)>(g_libraries.user32, "GetScrollBarInfo");
    api.InitializeFlatSB = Bind<decltype(api.InitializeFlatSB)>(g_libraries.comctl32, "InitializeFlatSB");
    api.UninitializeFlatSB = Bind<decltype(api.UninitializeFlatSB)>(g_libraries.comctl32, "UninitializeFlatSB");
    RegisterWrapperClass(u"TacMainWnd", MakeWrapperOf<TacMainWnd>);
    RegisterWrapperClass(u"TacScrollWnd", MakeWrapperOf<TacScrollWnd>);
    RegisterWrapperClass(u"TacEditWnd", MakeWrapperOf<TacEditWnd>);
    RegisterWrapperClass(u"TacComboListWnd", MakeWrapperOf<TacComboListWnd>);
    RegisterSimpleWrapperClasses();
    RegisterCompositeWrapperClasses();
    InstallMenuPainter();
    RegisterVirtualTreeWrapperClass();
    InitDialogSkinning();
}

void DoneWindowSkinning()
{
    DoneDialogSkinning();
    FreePageWrappers();
    RemoveMenuPainter();
    WindowSkinningApi() = {};
    Factories().clear();
    if (g_libraries.comctl32)
        FreeLibrary(g_libraries.comctl32);
    if (g_libraries.user32)
        FreeLibrary(g_libraries.user32);
    g_libraries = {};
}

bool DialogModeFlag() { return g_dialog_mode; }
void SetDialogModeFlag(bool value) { g_dialog_mode = value; }
bool AdapterRemovingAll() { return g_adapter_removing; }
void SetAdapterRemovingAll(bool value) { g_adapter_removing = value; }

void RegisterWrapperClass(core::StringView name, WrapperFactory factory) { Factories()[core::String(name)] = factory; }

WrapperFactory FindWrapperClass(core::StringView name)
{
    auto it = Factories().find(core::String(name));
    return it == Factories().end() ? nullptr : it->second;
}

// ---- TacMainWnd ----

TacMainWnd::TacMainWnd(HWND handle, TsCommonData* skinData, skin::SkinManager* manager)
    : CtrlHandle(handle), SkinManager(manager)
{
    if (!handle)
        return;
    if (skinData) {
        SkinData = skinData;
        if (!SkinManager)
            SkinManager = skinData->GetSkinManager();
    } else {
        OwnSkinData = true;
        m_own_data = std::make_unique<TsCommonData>(nullptr, true);
        SkinData = m_own_data.get();
        // Without a manager of its own the wrapper works with the default one.
        if (!SkinManager)
            SkinManager = DefaultManager();
        else
            SkinData->SetSkinManager(SkinManager);
    }
}

void TacMainWnd::LeaveThemes(core::StringView section)
{
    if (section != core::StringView(u"DIALOG"))
        SetWindowThemeOf(CtrlHandle, L" ", L" ");
}

void TacMainWnd::Construct(core::StringView section, bool repaint)
{
    LeaveThemes(section);
    if (SkinData->SkinSection().empty())
        SkinData->SetSkinSection(section);
    DlgMode = DialogModeFlag();
    SaveStdParams();
    ParamsChanged = false;
    Caption = WindowTextOf(CtrlHandle);
    AttachWrapper(this, CtrlHandle);
    if (ui::Control* owner = SkinData->OwnerControl())
        owner->SetControlStyle(owner->ControlStyle() | ui::csOpaque);
    (void)repaint;
}

ui::Control* TacMainWnd::ChainedControl() const
{
    if (!SkinData)
        return nullptr;
    if (ui::Control* form = ProviderFormOf(SkinData->OwnerObject()))
        return form;
    return SkinData->OwnerControl();
}

void TacMainWnd::GiveBackWindowProc()
{
    if (OldWndProc) {
        if (ui::Control* control = ChainedControl())
            control->SetWindowProc(OldWndProc);
    } else if (OldProc && CtrlHandle) {
        // Only while ours is the installed procedure; under another subclass ours stays in the
        // chain as a pass-through.
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(CtrlHandle, GWLP_WNDPROC)) == WrapperWndProc)
            SetWindowLongPtrW(CtrlHandle, GWLP_WNDPROC, LONG_PTR(OldProc));
        else if (IsWindow(CtrlHandle))
            PassThroughs()[CtrlHandle] = OldProc;
        NewWndProcInstance = nullptr;
    }
    NewWndProcInstance = nullptr;
}

void TacMainWnd::Unhook()
{
    if (Destroyed || !CtrlHandle)
        return;
    Destroyed = true;
    ui::Control* control = SkinData ? SkinData->OwnerControl() : nullptr;
    // While the control adapter empties its list the windows are being torn down anyway; a control
    // being destroyed or a window gone is left alone then. Every other window gets its own back.
    if (AdapterRemovingAll() && !Engine().SkinRemoving && (ControlDestroying(control) || !IsWindow(CtrlHandle)))
        return;
    SetWindowThemeOf(CtrlHandle, nullptr, nullptr);
    GiveBackWindowProc();
    if (IsWindow(CtrlHandle) && GetPropW(CtrlHandle, kWrapperProp) == HANDLE(this))
        RemovePropW(CtrlHandle, kWrapperProp);
    RestoreStdParams();
}

TacMainWnd::~TacMainWnd()
{
    Unhook();
    SkinManager = nullptr;
}

LRESULT TacMainWnd::CallPrevWndProc(HWND handle, UINT msg, WPARAM wparam, LPARAM& lparam)
{
    if (OldWndProc) {
        ui::Message m{msg, wparam, lparam, 0};
        OldWndProc(m);
        lparam = m.LParam;
        return m.Result;
    }
    if (OldProc)
        return CallWindowProcW(OldProc, handle, msg, wparam, lparam);
    return 0;
}

LRESULT TacMainWnd::CallPrevWndProc(ui::Message& message)
{
    return CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
}

void TacMainWnd::UpdateGeometry() { UpdateWndGeometry(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect); }

void TacMainWnd::acWndProc(ui::Message& message)
{
    switch (message.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY:
        if (SkinData && SkinData->GlowID > -1)
            RemoveGlowEffect(SkinData->GlowID);
        message.Result = CallPrevWndProc(message);
        if (OldProc || OldWndProc)
            DetachWrapper(CtrlHandle, false, this);
        return;
    case WM_UPDATEUISTATE:
        return;
    case WM_SIZE:
        if (SkinData)
            SkinData->BGChanged = true;
        break;
    case WM_SETTEXT:
        message.Result = CallPrevWndProc(message);
        Caption = WindowTextOf(CtrlHandle);
        return;
    case WM_MOUSEMOVE:
        if (skin::SkinManager* m = DefaultManager();
            m && !m->Designing() && IsWindowEnabled(CtrlHandle) && m->ActiveControl() != CtrlHandle)
            m->SetActiveControl(CtrlHandle);
        break;
    case WM_PRINT:
        message.Result = SendMessageW(CtrlHandle, WM_PAINT, message.WParam, message.LParam);
        return;
    }
    if (!SkinData || !SkinManager || !SkinManager->Active() || !IsSkinCommand(message)) {
        message.Result = CallPrevWndProc(message);
        return;
    }
    const bool own = message.LParam == LPARAM(SkinManager);
    switch (SubCodeOf(message.WParam)) {
    case scSkinLoaded:
    case scSkinRemoved:
        ApplySkinChange(message, own);
        break;
    case scSkinRefresh:
        ApplySkinChange(message, own);
        if (own) {
            SkinData->FUpdating = false;
            SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
            return;
        }
        break;
    case scUpdateDone:
        if (SkinData->FUpdating) {
            SkinData->FUpdating = false;
            SkinData->FUpdating = SkinData->GetUpdating();
            if (!SkinData->FUpdating)
                RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
            return;
        }
        break;
    case scIsSkinAware:
        message.Result = 1;
        return;
    case scIsUpdating:
        message.Result = SkinData->FUpdating ? 1 : 0;
        return;
    case scIsTextured:
        if (SkinData->OwnerControl()) {
            HandleSkinCommand(message, SkinData);
            return;
        }
        break;
    case scGetBgColor:
        message.Result = CallPrevWndProc(message);
        if (message.Result == 0)
            message.Result = LRESULT(SkinData->GetBgColor(0, CtrlHandle));
        return;
    case scPrepareCache:
        if (SkinData->BGChanged)
            PrepareWndCache(SkinData, CtrlHandle, DlgMode);
        break;
    case scGetBackground:
        if (message.LParam)
            SkinData->GetBgInfo(*reinterpret_cast<TacBGQuery*>(message.LParam), 0, CtrlHandle);
        return;
    case scGetApplication:
        message.Result = ApplicationAnswer();
        return;
    }
    message.Result = CallPrevWndProc(message);
}

void TacMainWnd::ApplySkinChange(ui::Message& message, bool own)
{
    if (!own)
        return;
    const int subCode = SubCodeOf(message.WParam);
    if (subCode == scSkinRemoved) {
        RestoreStdParams();
        return;
    }
    SkinData->UpdateIndexes();
    SkinData->BGChanged = true;
    if (subCode == scSkinLoaded)
        BroadcastToChildren(SkinData->OwnerControl(), CtrlHandle, message);
}

// ---- Attachment ----

void AttachWrapper(TacMainWnd* wrapper, HWND handle)
{
    if (!wrapper || !handle || !IsWindow(handle))
        return;
    wrapper->DontRepaint = false;
    wrapper->CtrlHandle = handle;
    SetPropW(handle, kWrapperProp, HANDLE(wrapper));
    if (ui::Control* control = wrapper->ChainedControl()) {
        wrapper->OldWndProc = control->WindowProc();
        control->SetWindowProc([wrapper](ui::Message& m) { wrapper->acWndProc(m); });
    } else {
        wrapper->OldProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(handle, GWLP_WNDPROC));
        wrapper->NewWndProcInstance = reinterpret_cast<void*>(WrapperWndProc);
        PassThroughs().erase(handle);
        SetWindowLongPtrW(handle, GWLP_WNDPROC, LONG_PTR(WrapperWndProc));
    }
}

void DetachWrapper(HWND handle, bool frameChanged, TacMainWnd* wrapper)
{
    if (!wrapper || wrapper->Destroyed)
        return;
    wrapper->GiveBackWindowProc();
    if (handle && IsWindow(handle) && GetPropW(handle, kWrapperProp) == HANDLE(wrapper))
        RemovePropW(handle, kWrapperProp);
    wrapper->RestoreStdParams();
    if (handle && IsWindowVisible(handle))
        RefreshWndFrame(handle, frameChanged);
    wrapper->Destroyed = true;
}

void RefreshWndFrame(HWND handle, bool frameChanged)
{
    if (frameChanged)
        SetWindowPos(handle, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    else
        SendMessageW(handle, WM_NCPAINT, 1, 0);
}

TacMainWnd* GetWrapper(HWND handle)
{
    return handle ? static_cast<TacMainWnd*>(GetPropW(handle, kWrapperProp)) : nullptr;
}

void UpdateWndGeometry(HWND handle, HWND& parentWnd, RECT& wndRect, POINT& wndPos, SIZE& wndSize, RECT& parentRect)
{
    GetWindowRect(handle, &wndRect);
    parentWnd = GetParent(handle);
    if (parentWnd)
        GetWindowRect(parentWnd, &parentRect);
    wndSize = {wndRect.right - wndRect.left, wndRect.bottom - wndRect.top};
    wndPos = {wndRect.left, wndRect.top};
    if (parentWnd)
        ScreenToClient(parentWnd, &wndPos);
}

} // namespace skin
