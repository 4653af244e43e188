// Skinning of windows the application never declared as skinned. A thread-local window-creation
// (CBT) hook, installed by the default skin manager while it has a skin, gives forms that become
// active without a skin provider a provider of their own, wraps standard dialogs and message boxes
// ("#32770") with a skinned frame and their child windows with the wrapper of their class, and
// wraps popup-menu windows ("#32768") while skinned popups are on. Everything runs on the GUI
// thread inside the hook or inside window procedures.
#pragma once

#include "core/component.h"
#include "core/win32.h"

#include <memory>
#include <vector>

namespace ui {
class Form;
struct Message;
}

namespace skin {

class TacMainWnd;
class TacDialogWnd;
class TacMnuWnd;
class TsSkinProvider;

// One per skinned form or dialog. A form's provider is owned by the form; a dialog's has no owner
// and is freed by the dialog skinning.
class TacProvider : public core::Component {
public:
    explicit TacProvider(core::Component* owner);
    ~TacProvider() override;
    core::String ClassName() const override { return u"TacProvider"; }

    void InitForm(ui::Form* form);
    // Skins a standard dialog; false when the walk over its child windows fails.
    bool InitSkin(HWND handle);
    // Wraps every child window of hwnd not wrapped yet, depth first.
    bool InitHwndControls(HWND hwnd);
    bool AddControl(HWND handle);
    TacMainWnd* FindCtrlInList(HWND hwnd) const;

    bool BiDiLeft = false;
    HWND CtrlHandle = nullptr;
    TsSkinProvider* sp = nullptr;
    std::unique_ptr<TacDialogWnd> ListSW;
    std::vector<std::unique_ptr<TacMainWnd>> acSkinnedCtrls;
};

// ---- Unit state (GUI thread only) ----
// The providers made by the hook; a provider that leaves has its slot set to null, slots are only
// dropped when the list is released.
std::vector<TacProvider*>& ProviderList();
// The popup-menu wrappers made by the hook; an entry whose window went is null.
std::vector<TacMnuWnd*>& TacMnuArray();
// Where new dialogs are moved; (-1, -1) leaves them where the system put them.
POINT& DialogPosition();

LRESULT CALLBACK CBTHookProc(int code, WPARAM wparam, LPARAM lparam);
bool SkinActivatedWnd(HWND wnd);
// Creates or frees the dialog wrapper as the default manager's state says.
void SyncDialogWnd(HWND wnd, std::unique_ptr<TacDialogWnd>& dialogWnd);
void FreeDestroyedProviders();
void ClearMnuArray();
// Frees every listed dialog provider and forgets the list (the manager taking its hook off).
void ReleaseProviders();

// ---- Small routines ----
// The class name as GetClassNameW gives it into a 128-character buffer.
core::String WndClassName(HWND wnd);
// Sends the message to every direct child window.
void SendToChildWindows(HWND wnd, const ui::Message& message);
// Some descendant's lower-cased class name equals className.
bool HasChildOfClass(HWND wnd, core::StringView className);
// Listed dialog providers whose dialog is visible.
int VisibleDialogsCount();
TacProvider* FindDialogProvider(HWND wnd);
ui::Form* FindFormOfHandle(HWND wnd);

// Registers the hook and the clean-ups with the skin manager; the reverse empties everything.
void InitDialogSkinning();
void DoneDialogSkinning();

// Counts for leak checks: live providers (form and dialog), dialog wrappers and menu wrappers.
struct DialogSkinningCounts {
    int Providers = 0, DialogWrappers = 0, MenuWrappers = 0;
};
DialogSkinningCounts LiveDialogSkinningCounts();

} // namespace skin
