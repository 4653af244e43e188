// Message boxes by kind with default captions, and the position a caller asked for while a box is
// open (the dialog skinning moves the box there).
#pragma once

#include "core/string.h"

namespace skin {

enum MsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum MsgDlgBtn : unsigned {
    mbYes = 1u << 0, mbNo = 1u << 1, mbOK = 1u << 2, mbCancel = 1u << 3, mbAbort = 1u << 4,
    mbRetry = 1u << 5, mbIgnore = 1u << 6, mbAll = 1u << 7, mbNoToAll = 1u << 8, mbYesToAll = 1u << 9,
    mbHelp = 1u << 10,
};
using MsgDlgButtons = unsigned;

// "Warning", "Error", "Information", "Confirm", or empty for mtCustom.
core::String DefaultCaptionOf(MsgDlgType kind);
// The system message box style for a kind and buttons (icon, MB_TOPMOST, MB_SETFOREGROUND, buttons).
unsigned MessageBoxStyleOf(MsgDlgType kind, MsgDlgButtons buttons);

struct MessageBoxPos {
    int X = -1, Y = -1;
};
// -1, -1 except while ShowMessageBox runs.
MessageBoxPos CurrentMessageBoxPos();

// Shows the box through the class library's message box service; an empty caption is the kind's
// default. Answers the system's button identifier.
int ShowMessageBox(core::StringView caption, core::StringView text, MsgDlgType kind, int x, int y,
                   MsgDlgButtons buttons);
int MessageBoxOfKind(core::StringView text, MsgDlgType kind, MsgDlgButtons buttons);
int WarningBox(core::StringView text);
int ErrorBox(core::StringView text);
// A warning box with the text "Alert".
void ShowAlert();

} // namespace skin
