// The root of the window wrappers. A wrapper skins one window it does not own: it takes over the
// window's messages (chained into a library control's window method, or subclassing a raw window),
// answers the skin command message and gives the window back untouched when detached. The window
// property "ACSBSC" holds the wrapper exactly while it is attached. Whoever creates a wrapper frees
// it; a wrapper whose window is destroyed detaches itself and stays allocated, marked Destroyed.
#pragma once

#include "core/win32.h"
#include "skin/engine/commondata.h"
#include "ui/messages.h"

#include <commctrl.h>
#include <memory>

namespace ui {
class Control;
}

namespace skin {

// ---- Functions bound at start-up, each optional; tests replace them ----
struct WindowSkinningFunctions {
    BOOL(WINAPI* GetScrollBarInfo)(HWND, LONG, PSCROLLBARINFO) = nullptr;
    BOOL(WINAPI* InitializeFlatSB)(HWND) = nullptr;
    HRESULT(WINAPI* UninitializeFlatSB)(HWND) = nullptr;
};
WindowSkinningFunctions& WindowSkinningApi();
// Binds the functions (comctl32 by LoadLibraryW) and registers the wrapper classes by name.
void InitWindowSkinning();
// Releases the libraries and forgets the functions and classes.
void DoneWindowSkinning();

// Raised by the dialog skinning while it wraps a dialog's controls; wrappers copy it at construction.
bool DialogModeFlag();
void SetDialogModeFlag(bool value);
// Raised by the control adapter while it removes all its wrappers.
bool AdapterRemovingAll();
void SetAdapterRemovingAll(bool value);

class TacMainWnd {
public:
    // Makes a wrapper of class T and attaches it to handle (nothing is attached for a null handle).
    template <class T>
    static std::unique_ptr<T> Create(HWND handle, TsCommonData* skinData, skin::SkinManager* manager,
                                     core::StringView section, bool repaint = true)
    {
        std::unique_ptr<T> w(new T(handle, skinData, manager));
        if (handle)
            w->Construct(section, repaint);
        return w;
    }
    virtual ~TacMainWnd();
    TacMainWnd(const TacMainWnd&) = delete;
    TacMainWnd& operator=(const TacMainWnd&) = delete;

    // ---- Fields ----
    bool DlgMode = false;
    core::String Caption;
    RECT WndRect{};
    SIZE WndSize{};
    POINT WndPos{};
    RECT ParentRect{};
    HWND ParentWnd = nullptr;
    ui::WndMethod OldWndProc; // the chained control's (or form's) window method
    WNDPROC OldProc = nullptr; // the raw window's procedure before subclassing
    HWND CtrlHandle = nullptr;
    skin::SkinManager* SkinManager = nullptr;
    TsCommonData* SkinData = nullptr;
    bool DontRepaint = false;
    bool ParamsChanged = false;
    uint32_t StdColor = 0;
    uint32_t StdFontColor = 0;
    bool Destroyed = false;
    bool OwnSkinData = false;
    void* NewWndProcInstance = nullptr; // the subclassing procedure while installed
    int Tag = 0;

    // ---- Standard-parameter hooks and the message handler ----
    virtual void SaveStdParams() {}
    virtual void RestoreStdParams() {}
    virtual void SetSkinParams() { ParamsChanged = true; }
    virtual void acWndProc(ui::Message& message);
    // Passes a message to whatever handled the window before; 0 when nothing did.
    LRESULT CallPrevWndProc(HWND handle, UINT msg, WPARAM wparam, LPARAM& lparam);
    LRESULT CallPrevWndProc(ui::Message& message);
    // The skin's load, removal or refresh (sub-codes 1 to 3) as every wrapper takes it from its own
    // manager: indexes read again and the background out of date on a load or refresh, the children
    // told of a load, the standard parameters back on a removal. Nothing when own is false.
    void ApplySkinChange(ui::Message& message, bool own);

    // The control (or provider's form) whose window method is chained, null for a raw window.
    ui::Control* ChainedControl() const;
    void UpdateGeometry();

    // Construction steps after allocation: themes, section, saved parameters, attachment.
    virtual void Construct(core::StringView section, bool repaint);
    // Takes the window out of visual themes unless the section is "DIALOG".
    void LeaveThemes(core::StringView section);
    // Step 1 of the destructor, for the most derived class to run while its hooks still exist.
    void Unhook();
    // Gives the window its procedure (or the control its method) back.
    void GiveBackWindowProc();

protected:
    TacMainWnd(HWND handle, TsCommonData* skinData, skin::SkinManager* manager);

private:
    std::unique_ptr<TsCommonData> m_own_data;
};

// Binds a constructed wrapper to a window.
void AttachWrapper(TacMainWnd* wrapper, HWND handle);
// Gives the window back; with freeIt frees the wrapper too and resets the variable.
template <class T> void DetachWrapper(HWND handle, bool freeIt, bool frameChanged, std::unique_ptr<T>& wrapper);
void DetachWrapper(HWND handle, bool frameChanged, TacMainWnd* wrapper);
// Makes the window repaint its frame: recalculated with frameChanged, else just repainted.
void RefreshWndFrame(HWND handle, bool frameChanged);
// The wrapper attached to a window, null when none.
TacMainWnd* GetWrapper(HWND handle);
void UpdateWndGeometry(HWND handle, HWND& parentWnd, RECT& wndRect, POINT& wndPos, SIZE& wndSize, RECT& parentRect);

template <class T> void DetachWrapper(HWND handle, bool freeIt, bool frameChanged, std::unique_ptr<T>& wrapper)
{
    if (!wrapper)
        return;
    DetachWrapper(handle, frameChanged, wrapper.get());
    if (freeIt) {
        wrapper->OldProc = nullptr;
        wrapper->OldWndProc = nullptr;
        wrapper.reset();
    }
}

// ---- Wrapper classes by name, for the control adapter and the dialog skinning ----
using WrapperFactory = std::unique_ptr<TacMainWnd> (*)(HWND handle, TsCommonData* skinData,
                                                       skin::SkinManager* manager, core::StringView section,
                                                       bool repaint);
void RegisterWrapperClass(core::StringView name, WrapperFactory factory);
// Null for an unknown name.
WrapperFactory FindWrapperClass(core::StringView name);
template <class T>
std::unique_ptr<TacMainWnd> MakeWrapperOf(HWND handle, TsCommonData* skinData, skin::SkinManager* manager,
                                          core::StringView section, bool repaint)
{
    return TacMainWnd::Create<T>(handle, skinData, manager, section, repaint);
}

} // namespace skin
