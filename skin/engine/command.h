// The skin command message: one private window message through which skinned controls, window
// wrappers, form providers and the skin manager ask and tell each other things. The high word of
// WParam is the sub-code, the low word a small flag; LParam depends on the sub-code; the answer is
// the message result. Windowed controls with a window get it by SendMessage, all others through
// their own Perform.
#pragma once

#include "core/win32.h"
#include "skin/engine/skinmanager.h"
#include "ui/wincontrol.h"

namespace skin {

// The message's fixed identifier. Registering "SM_QUORRACMD" happens at start-up all the same
// (InitSkinCommand); the number the registration returns is not used.
constexpr UINT SM_SKINCMD = 0xA100;
void InitSkinCommand();
// The number the registration returned (0 before InitSkinCommand): only for inspection.
UINT RegisteredSkinCommand();

enum SkinSubCode : int {
    scSkinLoaded = 1, scSkinRemoved = 2, scSkinRefresh = 3, scGetProvider = 4, scChildPaint = 5,
    scUpdateDone = 6, scIsSkinAware = 7, scSetUpdating = 8, scSetUrgentPainting = 9, scIsUpdating = 10,
    scIsHalfVisible = 11, scParentBgChanged = 12, scSectionChanged = 13, scMenuRgnChanged = 14,
    scIsDroppedDown = 14, scStopFading = 16, scBgChanged = 17, scRepaint = 18, scIsTextured = 19,
    scMoved = 20, scGetBgColor = 21, scSetHalfVisible = 22, scPrepareCache = 23, scDrawFadeFrame = 24,
    scControlCreated = 25, scGetSkinIndex = 26, scGetCaptionHeight = 27, scInitDialogControls = 28,
    scMouseEnter = 29, scMouseLeave = 30, scBeginUpdate = 31, scEndUpdate = 32, scGetBackground = 34,
    scPaintDisabled = 35, scCtrlSkinState = 36, scUpdateExBorders = 37, scBeforeScroll = 51,
    scAfterScroll = 52, scGetApplication = 60, scGetClientOffset = 61,
};

inline WPARAM SkinWParam(int subCode, int flag = 0) { return (WPARAM(unsigned(subCode)) << 16) | WORD(flag); }
inline int SubCodeOf(WPARAM wparam) { return int(HIWORD(DWORD(wparam))); }
inline int FlagOf(WPARAM wparam) { return int(LOWORD(DWORD(wparam))); }
inline bool IsSkinCommand(const ui::Message& message) { return message.Msg == SM_SKINCMD; }
inline bool IsSubCode(const ui::Message& message, int subCode)
{
    return message.Msg == SM_SKINCMD && SubCodeOf(message.WParam) == subCode;
}

// ---- Senders ----
LRESULT SendAcMessage(HWND wnd, int subCode, LPARAM lparam, int flag = 0);
// Windowed controls: 0 without sending when being destroyed or without a window (no window is made
// for the message); others through Perform.
LRESULT SendAcMessageTo(ui::Control* control, int subCode, LPARAM lparam, int flag = 0);
LRESULT SendAcCode(ui::Control* control, int subCode);
bool AskAcMessage(HWND wnd, int subCode);

// ---- Notifications to children and forms ----
void NotifyFormOfControl(ui::Control* control);
void NotifyChildControls(ui::WinControl* control);
void NotifyChildWindows(HWND wnd);
// Delivers any message to the whole child tree: Perform for windowless or handle-less children,
// SendMessage for skin-aware windowed ones (which pass it on themselves), and into the children of
// windowed ones that are not skin-aware. A child being destroyed is skipped and the walk goes on;
// children removed while the walk runs are not visited.
void SendMsgToChildControls(ui::WinControl* control, ui::Message& message);
void SendMsgToChildWindows(HWND wnd, ui::Message& message);

// Hooks of the skinned controls that the engine asks (both do nothing unless installed).
using SkipsSkinBroadcastHook = bool (*)(ui::WinControl* control);
void SetSkipsSkinBroadcastHook(SkipsSkinBroadcastHook hook);
using SkinActivationHook = void (*)(bool active);
void SetSkinActivationHook(SkinActivationHook hook);
void CallSkinActivationHook(bool active);

// A window the engine tells about repaints (sub-code 3), null unless registered.
HWND RepaintNotifyWindow();
void SetRepaintNotifyWindow(HWND wnd);

// ---- Small control helpers ----
bool IsDestroying(const core::Component* component);
bool IsDesigning(const core::Component* component);
bool IsLoading(const core::Component* component);
// False for null and for a windowed control without a window; otherwise true unless the control is
// being read, loaded or destroyed, or has no parent.
bool ControlIsReady(ui::Control* control);

} // namespace skin
