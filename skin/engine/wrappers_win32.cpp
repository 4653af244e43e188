// Scroll-bar and list wrappers of skinned windows.
#include "skin/engine/wrappers.h"

#include <commctrl.h>

namespace skin {

namespace {

constexpr wchar_t kWrapperProp[] = L"ACSBSC";

using FlatSBProc = BOOL(WINAPI*)(HWND);

// The flat scroll-bar functions are optional: bound by name, skipped when missing.
void CallFlatSB(HWND wnd, const char* name)
{
    HMODULE module = GetModuleHandleW(L"comctl32.dll");
    if (!module || !wnd)
        return;
    if (auto proc = reinterpret_cast<FlatSBProc>(reinterpret_cast<void*>(GetProcAddress(module, name))))
        proc(wnd);
}

} // namespace

TacScrollWnd::TacScrollWnd(HWND handle, TsCommonData* skinData, SkinManager* manager, core::StringView section)
    : CtrlHandle(handle), Manager(manager), SkinData(skinData)
{
    if (!SkinData) {
        m_own_data = std::make_unique<TsCommonData>(nullptr, true);
        m_own_data->SetSkinSection(section);
        SkinData = m_own_data.get();
        OwnSkinData = true;
    }
    sBarHorz.cbSize = sBarVert.cbSize = sizeof(SCROLLINFO);
    if (CtrlHandle)
        SetPropW(CtrlHandle, kWrapperProp, HANDLE(this));
    // A control of the library: chain its window method.
    if (ui::Control* owner = SkinData->OwnerControl()) {
        OldWndProc = owner->WindowProc();
        owner->SetWindowProc([this](ui::Message& m) { acWndProc(m); });
    }
}

TacScrollWnd::~TacScrollWnd()
{
    if (!Destroyed) {
        std::unique_ptr<TacScrollWnd> none;
        if (CtrlHandle && GetPropW(CtrlHandle, kWrapperProp) == HANDLE(this))
            RemovePropW(CtrlHandle, kWrapperProp);
        if (SkinData && SkinData->OwnerControl() && OldWndProc)
            SkinData->OwnerControl()->SetWindowProc(OldWndProc);
    }
}

void TacScrollWnd::acWndProc(ui::Message& message)
{
    if (OldWndProc)
        OldWndProc(message);
}

TacComboListWnd::TacComboListWnd(HWND handle, TsCommonData* skinData, SkinManager* manager, core::StringView section)
    : TacScrollWnd(handle, skinData, manager, section)
{
}

void SyncScrollWnd(TsCommonData* skinData, std::unique_ptr<TacScrollWnd>& wrapper)
{
    ui::Control* owner = skinData ? skinData->OwnerControl() : nullptr;
    if (!owner || IsLoading(owner) || IsDestroying(owner) || IsDesigning(owner))
        return;
    auto* windowed = dynamic_cast<ui::WinControl*>(owner);
    HWND handle = windowed ? windowed->HandleIfAllocated() : nullptr;
    if (skinData->Skinned()) {
        CallFlatSB(handle, "UninitializeFlatSB");
        if (wrapper && wrapper->Destroyed)
            wrapper.reset();
        if (!wrapper && handle)
            wrapper = std::make_unique<TacScrollWnd>(handle, skinData, skinData->GetSkinManager(),
                                                     skinData->SkinSection());
    } else if (wrapper) {
        ReleaseScrollWnd(wrapper, true);
        CallFlatSB(handle, "InitializeFlatSB");
    }
}

void UpdateScrollInfo(TacScrollWnd* wrapper, bool repaint)
{
    if (!wrapper || !wrapper->SkinData || wrapper->SkinData->FUpdating || !wrapper->CtrlHandle)
        return;
    wrapper->sBarHorz.fMask = wrapper->sBarVert.fMask = SIF_ALL;
    GetScrollInfo(wrapper->CtrlHandle, SB_HORZ, &wrapper->sBarHorz);
    GetScrollInfo(wrapper->CtrlHandle, SB_VERT, &wrapper->sBarVert);
}

void ReleaseScrollWnd(std::unique_ptr<TacScrollWnd>& wrapper, bool freeIt)
{
    if (!wrapper)
        return;
    if (!wrapper->Destroyed && wrapper->SkinData && wrapper->SkinData->OwnerControl()) {
        if (wrapper->OldWndProc)
            wrapper->SkinData->OwnerControl()->SetWindowProc(wrapper->OldWndProc);
        if (wrapper->CtrlHandle) {
            RemovePropW(wrapper->CtrlHandle, kWrapperProp);
            if (IsWindowVisible(wrapper->CtrlHandle))
                SetWindowPos(wrapper->CtrlHandle, nullptr, 0, 0, 0, 0,
                             SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        wrapper->Destroyed = true;
    }
    if (freeIt)
        wrapper.reset();
}

TacScrollWnd* GetWrapper(HWND wnd) { return wnd ? static_cast<TacScrollWnd*>(GetPropW(wnd, kWrapperProp)) : nullptr; }

} // namespace skin
