#include "skin/windows/dialogskin.h"

#include "core/exception.h"
#include "skin/engine/command.h"
#include "skin/engine/formutils.h"
#include "skin/engine/skinablemenus.h"
#include "skin/engine/skinnedforms.h"
#include "skin/windows/dialogwnd.h"
#include "skin/windows/mnuwnd.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/spinwnd.h"
#include "ui/wincontrol.h"

#include <cwctype>

namespace skin {
namespace {

struct DialogUnit {
    std::vector<TacProvider*> providers;
    std::vector<TacMnuWnd*> menus;
    POINT position{-1, -1};
};

DialogUnit& Unit()
{
    static DialogUnit unit;
    return unit;
}

bool SkinAware(HWND wnd) { return AskAcMessage(wnd, scIsSkinAware); }

bool OwnThread(HWND wnd) { return GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId(); }

core::String LowerClassName(HWND wnd)
{
    core::String name = WndClassName(wnd);
    for (char16_t& c : name)
        c = char16_t(std::towlower(wchar_t(c)));
    return name;
}

// Raises the wrappers' dialog-mode flag for the scope of one creation.
class DialogModeScope {
public:
    DialogModeScope() { SetDialogModeFlag(true); }
    ~DialogModeScope() { SetDialogModeFlag(false); }
    DialogModeScope(const DialogModeScope&) = delete;
    DialogModeScope& operator=(const DialogModeScope&) = delete;
};

void SetSlotToNull(TacProvider* provider)
{
    for (TacProvider*& p : Unit().providers)
        if (p == provider)
            p = nullptr;
}

void WrapPopupMenu(HWND wnd)
{
    SkinManager* manager = DefaultManager();
    if (!wnd || !manager || WndClassName(wnd) != u"#32768" || DwmCompositionActive() || !manager->SkinnedPopups() ||
        SkinAware(wnd))
        return;
    // The wrapper frees itself when its window goes.
    std::unique_ptr<TacMnuWnd> w = TacMainWnd::Create<TacMnuWnd>(wnd, nullptr, manager, u"MAINMENU", false);
    w->CtrlHandle = wnd;
    Unit().menus.push_back(w.release());
}

} // namespace

std::vector<TacProvider*>& ProviderList() { return Unit().providers; }
std::vector<TacMnuWnd*>& TacMnuArray() { return Unit().menus; }
POINT& DialogPosition() { return Unit().position; }

// ---- Small routines ----

core::String WndClassName(HWND wnd)
{
    wchar_t buffer[128] = {};
    const int n = wnd ? GetClassNameW(wnd, buffer, 128) : 0;
    return core::String(reinterpret_cast<const char16_t*>(buffer), size_t(n > 0 ? n : 0));
}

void SendToChildWindows(HWND wnd, const ui::Message& message)
{
    for (HWND child = GetTopWindow(wnd); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, message.Msg, message.WParam, message.LParam);
}

bool HasChildOfClass(HWND wnd, core::StringView className)
{
    for (HWND child = GetTopWindow(wnd); child; child = GetWindow(child, GW_HWNDNEXT))
        if (LowerClassName(child) == className || HasChildOfClass(child, className))
            return true;
    return false;
}

int VisibleDialogsCount()
{
    int n = 0;
    for (TacProvider* p : Unit().providers)
        n += p && p->ListSW && IsWindowVisible(p->ListSW->CtrlHandle);
    return n;
}

TacProvider* FindDialogProvider(HWND wnd)
{
    for (TacProvider* p : Unit().providers)
        if (p && p->CtrlHandle == wnd)
            return p;
    return nullptr;
}

// The class library has no MDI forms yet; the form of the window itself is the only match.
ui::Form* FindFormOfHandle(HWND wnd) { return dynamic_cast<ui::Form*>(ui::WinControl::FindControl(wnd)); }

// ---- The hook ----

LRESULT CALLBACK CBTHookProc(int code, WPARAM wparam, LPARAM lparam)
{
    const LRESULT result = CallNextHookEx(DialogHookHandle(), code, wparam, lparam);
    try {
        HWND wnd = reinterpret_cast<HWND>(wparam);
        switch (code) {
        case HCBT_CREATEWND:
            if (wnd && OwnThread(wnd))
                WrapPopupMenu(wnd);
            break;
        case HCBT_DESTROYWND:
            FreeDestroyedProviders();
            break;
        case HCBT_ACTIVATE:
            if (wnd && IsWindow(wnd) && OwnThread(wnd))
                SkinActivatedWnd(wnd);
            break;
        }
    } catch (...) {
        core::HandleException();
    }
    return result;
}

bool SkinActivatedWnd(HWND wnd)
{
    SkinManager* manager = DefaultManager();
    if (!manager || SkinAware(wnd) || FindDialogProvider(wnd))
        return false;
    const TacSkinningRules rules = manager->SkinningRules();
    if (ui::Form* form = FindFormOfHandle(wnd)) {
        if (form->Tag() == -98)
            return false;
        const core::String cls = WndClassName(wnd);
        if (cls == u"TApplication" || cls == u"TQRStandardPreview" || cls == u"TfcPopup")
            return false;
        const bool messageForm = cls == u"TMessageForm";
        if (!(rules & SkinningRuleBit(messageForm ? srStdDialogs : srStdForms)))
            return false;
        auto* provider = new TacProvider(form); // owned by the form
        Unit().providers.push_back(provider);
        provider->InitForm(form);
        if (messageForm && provider->sp)
            provider->sp->SetMakeSkinMenu(false);
        // The children of an MDI frame are activated inside its client window, never through the
        // hook: they get their providers with the frame's.
        if (form->FormStyle() == ui::fsMDIForm)
            for (int i = 0; i < form->MDIChildCount(); ++i) {
                ui::Form* child = form->MDIChildren(i);
                if (!child || SkinAware(child->Handle()))
                    continue;
                auto* childProvider = new TacProvider(child); // owned by the child
                Unit().providers.push_back(childProvider);
                childProvider->InitForm(child);
            }
        return true;
    }
    if (WndClassName(wnd) != u"#32770" || !(rules & SkinningRuleBit(srStdDialogs)))
        return false;
    // A second dialog over a skinned one is skinned only when it carries a tool bar (a file dialog).
    if (VisibleDialogsCount() > 0 && !HasChildOfClass(wnd, u"toolbarwindow32"))
        return false;
    auto* provider = new TacProvider(nullptr);
    Unit().providers.push_back(provider);
    if (!provider->InitSkin(wnd))
        delete provider;
    return true;
}

void SyncDialogWnd(HWND wnd, std::unique_ptr<TacDialogWnd>& dialogWnd)
{
    SkinManager* manager = DefaultManager();
    const WindowSkinningFunctions& api = WindowSkinningApi();
    if (manager && manager->Active()) {
        if (api.UninitializeFlatSB)
            api.UninitializeFlatSB(wnd);
        if (dialogWnd && dialogWnd->Destroyed)
            dialogWnd.reset();
        if (!dialogWnd) {
            dialogWnd = TacMainWnd::Create<TacDialogWnd>(wnd, nullptr, manager, u"DIALOG", false);
            dialogWnd->CtrlHandle = wnd;
        }
    } else {
        dialogWnd.reset();
        if (api.InitializeFlatSB)
            api.InitializeFlatSB(wnd);
    }
}

void FreeDestroyedProviders()
{
    // The Destroyed flag stays set: the freed wrapper then leaves the dead window alone.
    for (TacProvider*& p : Unit().providers)
        if (p && p->ListSW && p->ListSW->Destroyed) {
            TacProvider* dead = p;
            p = nullptr;
            delete dead;
        }
}

void ClearMnuArray() { Unit().menus.clear(); }

void ReleaseProviders()
{
    std::vector<TacProvider*> list;
    list.swap(Unit().providers);
    for (TacProvider* p : list)
        if (p && !p->Owner())
            delete p;
}

// ---- TacProvider ----

TacProvider::TacProvider(core::Component* owner) : core::Component(owner) {}

TacProvider::~TacProvider()
{
    SetSlotToNull(this);
    if (sp)
        return; // the form frees its skin provider
    acSkinnedCtrls.clear();
    ListSW.reset();
}

void TacProvider::InitForm(ui::Form* form)
{
    sp = new TsSkinProvider(form);
    sp->Form = form;
    sp->AfterConstruction();
    if (DwmCompositionActive()) {
        if (!sp->Adapter)
            sp->Loaded();
        if (HWND h = form->HandleIfAllocated()) {
            SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_VISIBLE);
            RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        }
    }
    sp->SetMakeSkinMenu(false);
}

bool TacProvider::InitSkin(HWND handle)
{
    CtrlHandle = handle;
    acSkinnedCtrls.clear();
    SkinManager* manager = DefaultManager();
    if (ListSW || !manager || !manager->Active())
        return true;
    BiDiLeft = (GetWindowLongW(handle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
    const core::String cls = WndClassName(handle);
    if (cls == u"#32770" || cls == u"TMessageForm") {
        SyncDialogWnd(CtrlHandle, ListSW);
        if (ListSW)
            ListSW->Provider = this;
    }
    const POINT at = DialogPosition();
    if (at.x != -1 || at.y != -1)
        SetWindowPos(CtrlHandle, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOREDRAW | SWP_NOOWNERZORDER);
    if (!InitHwndControls(CtrlHandle)) {
        SetSlotToNull(this);
        return false;
    }
    if (ListSW)
        ListSW->InitParams();
    SendAcMessage(CtrlHandle, scSkinLoaded, LPARAM(manager));
    return true;
}

bool TacProvider::InitHwndControls(HWND hwnd)
{
    for (HWND child = GetTopWindow(hwnd); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!InitHwndControls(child))
            return false;
        if ((GetWindowLongW(child, GWL_STYLE) & WS_CHILD) && !AddControl(child))
            return false;
    }
    return true;
}

TacMainWnd* TacProvider::FindCtrlInList(HWND hwnd) const
{
    for (const std::unique_ptr<TacMainWnd>& w : acSkinnedCtrls)
        if (w && w->CtrlHandle == hwnd)
            return w.get();
    return nullptr;
}

bool TacProvider::AddControl(HWND handle)
{
    if (SkinAware(handle))
        return true;
    DialogModeScope dialogMode;
    const core::String cls = LowerClassName(handle);
    const DWORD style = DWORD(GetWindowLongW(handle, GWL_STYLE));
    SkinManager* manager = ListSW && ListSW->SkinData ? ListSW->SkinData->GetSkinManager() : DefaultManager();
    const auto paintAllowed = [this] {
        if (ListSW)
            ListSW->FWMPaintForbidden = false;
    };
    const char16_t* wrapper = nullptr;
    const char16_t* section = u"CHECKBOX";
    bool record = true;
    if (cls == u"static") {
        if ((style & 3) == 3 || (style & 14) == 14)
            wrapper = u"TacIconWnd";
        else if (!((style & 13) == 13 || (style & 31) == 5 || (style & 31) == 6))
            wrapper = u"TacStaticWnd";
    } else if (cls == u"#32770") {
        wrapper = u"TacTransPanelWnd";
    } else if (cls == u"tpanel" || cls == u"tsilentpaintpanel") {
        wrapper = u"TacDlgPanelWnd", section = u"PANEL", record = false;
    } else if (cls == u"button") {
        if ((style & 7) == 7)
            wrapper = u"TacGroupBoxWnd", section = u"GROUPBOX";
        else if ((style & 6) != 0 || (style & 9) == 9)
            wrapper = u"TacCheckBoxWnd";
        else
            wrapper = u"TacBtnWnd", section = u"BUTTON";
    } else if (cls == u"combobox" || cls == u"comboboxex32") {
        wrapper = u"TacComboBoxWnd", section = u"COMBOBOX";
        paintAllowed();
    } else if (cls == u"combolbox") {
        wrapper = u"TacEditWnd", section = u"COMBOBOX";
        paintAllowed();
    } else if (cls == u"scrollbar") {
        wrapper = u"TacSizerWnd";
    } else if (cls == u"systabcontrol32") {
        if (!(style & 0x2000))
            wrapper = u"TacTabControlWnd", section = u"PAGECONTROL";
    } else if (cls == u"syslistview32") {
        wrapper = u"TacListViewWnd", section = u"EDIT";
    } else if (cls == u"msctls_updown32") {
        wrapper = u"TacSpinWnd", section = u"SPEEDBUTTON_SMALL";
    } else if (cls == u"listbox") {
        wrapper = u"TacEditWnd", section = u"EDIT";
    } else if (cls == u"link window" || cls == u"syslink") {
        wrapper = u"TacLinkWnd";
    } else if (cls == u"toolbarwindow32") {
        wrapper = u"TacToolBarWnd", section = (style & 0x200) ? u"BAR" : u"CHECKBOX";
    } else if (cls == u"edit") {
        paintAllowed();
        if (IsWindowVisible(handle))
            wrapper = u"TacEditWnd", section = u"EDIT";
    } else if (cls == u"systreeview32") {
        wrapper = u"TacTreeViewWnd", section = u"EDIT";
    } else if (cls.find(u"shbrowseforfolder") != core::String::npos) {
        wrapper = u"TacTransPanelWnd";
    }
    if (!wrapper)
        return true;
    WrapperFactory make = FindWrapperClass(wrapper);
    if (!make)
        return true;
    std::unique_ptr<TacMainWnd> w = make(handle, nullptr, manager, section, true);
    if (!w)
        return true;
    if (auto* spin = dynamic_cast<TacSpinWnd*>(w.get()))
        spin->lOffset = 2;
    if (record)
        w->UpdateGeometry();
    acSkinnedCtrls.push_back(std::move(w));
    return true;
}

// ---- Registration ----

void InitDialogSkinning()
{
    SetDialogSkinningHooks({CBTHookProc, ClearMnuArray, ReleaseProviders});
    SetProviderWindowsSource([] {
        std::vector<HWND> out;
        for (TacProvider* p : Unit().providers)
            if (p && p->ListSW && !p->ListSW->Destroyed)
                out.push_back(p->ListSW->CtrlHandle);
        return out;
    });
}

void DoneDialogSkinning()
{
    SetDialogSkinningHooks({});
    SetProviderWindowsSource(nullptr);
    ClearMnuArray();
    ReleaseProviders();
    Unit().providers.shrink_to_fit();
    Unit().menus.shrink_to_fit();
}

DialogSkinningCounts LiveDialogSkinningCounts()
{
    DialogSkinningCounts c;
    for (TacProvider* p : Unit().providers)
        if (p) {
            ++c.Providers;
            c.DialogWrappers += p->ListSW != nullptr;
        }
    for (TacMnuWnd* m : Unit().menus)
        c.MenuWrappers += m != nullptr;
    return c;
}

} // namespace skin
