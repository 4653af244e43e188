// Black-box driver of another process's windows through the Win32 API only: finds its top-level
// windows and their controls, types and presses, finds and answers its message boxes, and waits for
// all of that with time-outs. Everything that sends to the other process uses time-outs as well, so a
// hung program fails a test instead of hanging it.
//
// The class library superclasses the system controls under names such as "ui.EDIT.0"; a "kind" here
// is the system class a control is built on ("EDIT", "BUTTON", "COMBOBOX", "#32770"), which matches
// both the system class itself and the library's classes made from it.
#pragma once

#include "core/win32.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

using Milliseconds = std::chrono::milliseconds;

// Polls the condition every 50 ms until it holds or the time-out passes; its last value.
bool WaitFor(const std::function<bool()>& condition, Milliseconds timeout);

std::wstring ClassOf(HWND window);
// The window's text (WM_GETTEXT, at most 2 s); empty when the window does not answer.
std::wstring TextOf(HWND window);
bool IsKind(HWND window, std::wstring_view kind);

struct WindowQuery {
    std::wstring kind;   // empty: any class
    std::wstring title;  // empty: any title; otherwise exact
    bool visible_only = true;
};

// Top-level windows of the process, in Z order.
std::vector<HWND> TopLevelWindows(DWORD pid, const WindowQuery& query = {});
// The first matching top-level window once one exists; nullptr after the time-out.
HWND WaitTopLevel(DWORD pid, const WindowQuery& query, Milliseconds timeout);
// Waits until no top-level window of the process matches any more.
bool WaitTopLevelGone(DWORD pid, const WindowQuery& query, Milliseconds timeout);

// Every descendant control of the window in creation (Z) order, optionally of one kind.
std::vector<HWND> Controls(HWND parent, std::wstring_view kind = {});
// The first descendant of the kind whose text is exactly the given one; nullptr when none.
HWND FindControl(HWND parent, std::wstring_view kind, std::wstring_view text);
// The index-th descendant of the kind (0 the first); nullptr when there are fewer.
HWND ControlAt(HWND parent, std::wstring_view kind, size_t index);
// Descendant texts, for failure messages: "EDIT 'abc', BUTTON '登  陆', ...".
std::wstring DescribeControls(HWND parent);

// Replaces an edit's text (WM_SETTEXT).
bool SetText(HWND window, std::wstring_view text);
// Types the text into the window as characters (posted WM_CHAR, one per UTF-16 unit).
bool TypeText(HWND window, std::wstring_view text);
// A key press and release posted to the window as the keyboard would deliver it to the focus.
bool PressKey(HWND window, UINT virtual_key);
// The focus window of the thread that owns the given window.
HWND FocusOf(HWND window);
// Presses a push button, check box or radio button as a click does (posted BM_CLICK, so that a
// modal loop the click opens does not block the caller). False when the button itself is hidden or
// disabled: a user could not press it either.
bool Click(HWND button);
bool IsEnabled(HWND window);
bool IsVisible(HWND window);
// A check box's state (BM_GETCHECK): BST_CHECKED, BST_UNCHECKED or -1 when it does not answer.
int CheckState(HWND button);
// The items of a combo box's list (CB_GETCOUNT, CB_GETLBTEXT); one item; the count (-1: no answer).
std::vector<std::wstring> ComboItems(HWND combo);
std::optional<std::wstring> ComboItem(HWND combo, size_t index);
int ComboCount(HWND combo);
// Selects the item with the exact text and tells the parent as a user's choice does.
bool ComboSelect(HWND combo, std::wstring_view text);

// The texts of every part of a status bar (read through the process's own memory, as the status
// bar's messages carry pointers).
std::vector<std::wstring> StatusBarTexts(HWND status_bar);

struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    std::vector<std::wstring> buttons;  // captions in order
    bool has_icon = false;
};

// The message boxes ("#32770" dialogs) the process shows now.
std::vector<MessageBoxInfo> MessageBoxes(DWORD pid);
std::optional<MessageBoxInfo> WaitMessageBox(DWORD pid, Milliseconds timeout);
// Answers with the button of the given command id (IDOK, IDYES, IDNO, IDCANCEL) and waits until the
// box has gone.
bool Answer(const MessageBoxInfo& box, int command_id, Milliseconds timeout = Milliseconds(5000));

} // namespace e2e
