// Window messages of the class library: the message record every window method receives, the
// component messages (CM_*) that controls send each other, and the notifications a parent reflects
// back to the child they concern (CN_* = CN_BASE + the original message).
#pragma once

#include "core/win32.h"

#include <functional>

namespace ui {

// One message on its way through a control's window method; handlers write the answer into Result.
struct Message {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// A control's window method: the hook that wrappers replace and chain (see Control::SetWindowProc).
using WndMethod = std::function<void(Message&)>;

constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0x00;
constexpr UINT CM_DEACTIVATE = CM_BASE + 0x01;
constexpr UINT CM_GOTFOCUS = CM_BASE + 0x02;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 0x03;
constexpr UINT CM_CANCELMODE = CM_BASE + 0x04;
constexpr UINT CM_DIALOGKEY = CM_BASE + 0x05;         // WParam virtual key; Result 1 = handled
constexpr UINT CM_DIALOGCHAR = CM_BASE + 0x06;        // WParam character of an Alt accelerator
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 0x07;      // LParam the control that got the focus
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 0x08;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 0x09;
constexpr UINT CM_HITTEST = CM_BASE + 0x0A;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 0x0B;    // WParam the new state
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 0x0C;
constexpr UINT CM_COLORCHANGED = CM_BASE + 0x0D;
constexpr UINT CM_FONTCHANGED = CM_BASE + 0x0E;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 0x0F;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 0x12;
constexpr UINT CM_MOUSEENTER = CM_BASE + 0x13;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 0x14;
constexpr UINT CM_MENUCHANGED = CM_BASE + 0x15;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 0x18;     // WParam group index, LParam the button
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 0x19;
constexpr UINT CM_ENTER = CM_BASE + 0x1A;
constexpr UINT CM_EXIT = CM_BASE + 0x1B;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 0x1E;    // WParam virtual key; Result 1 = the control takes it
constexpr UINT CM_RELEASE = CM_BASE + 0x21;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 0x22;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 0x23;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 0x28;
constexpr UINT CM_UIACTIVATE = CM_BASE + 0x29;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 0x2C; // WParam the child, LParam non-zero when inserting
constexpr UINT CM_RECREATEWND = CM_BASE + 0x33;
constexpr UINT CM_INVALIDATE = CM_BASE + 0x34;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 0x36;     // WParam the child, LParam non-zero when inserting
constexpr UINT CM_CHANGED = CM_BASE + 0x37;
constexpr UINT CM_PARENTBIDIMODECHANGED = CM_BASE + 0x3C;
constexpr UINT CM_MOUSEWHEEL = CM_BASE + 0x43;        // WParam/LParam as WM_MOUSEWHEEL
constexpr UINT CM_CONTROLLISTCHANGING = CM_BASE + 0x4C;

// Reflected notifications: the parent passes these back to the child window they came from.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;

static_assert(CN_NOTIFY == 0xBC4E && CN_DRAWITEM == 0xBC2B && CN_KEYDOWN == 0xBD00 && CN_KEYUP == 0xBD01);
static_assert(CM_MOUSEENTER == 0xB013 && CM_MOUSELEAVE == 0xB014 && CM_SHOWINGCHANGED == 0xB019);
static_assert(CM_FOCUSCHANGED == 0xB007 && CM_MOUSEWHEEL == 0xB043 && CM_CHANGED == 0xB037);

// Messages of the library's own windows (below the component range, above WM_APP).
constexpr UINT UM_WAKEMAINTHREAD = WM_APP + 0x3F00;

// Modal results.
enum ModalResult : int {
    mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY,
    mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO, mrClose = 8
};

// Keyboard and mouse state of an input event.
enum ShiftStateFlag : unsigned {
    ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64
};
using ShiftState = unsigned;
enum MouseButton { mbLeft, mbRight, mbMiddle };

// The modifier keys as the thread's keyboard state reports them now.
ShiftState KeyboardShiftState();
// Modifier keys and buttons from the key flags of a mouse message.
ShiftState KeysToShiftState(WPARAM keys);

} // namespace ui
