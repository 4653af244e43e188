// Message boxes by kind.
#include "skin/engine/msgbox.h"

#include "ui/messagebox.h"

namespace skin {

namespace {

// System values, written out: portable code has no system headers.
constexpr unsigned kMbOk = 0x0, kMbOkCancel = 0x1, kMbAbortRetryIgnore = 0x2, kMbYesNoCancel = 0x3,
                   kMbYesNo = 0x4, kMbRetryCancel = 0x5, kMbIconError = 0x10, kMbIconQuestion = 0x20,
                   kMbIconWarning = 0x30, kMbIconInformation = 0x40, kMbHelp = 0x4000,
                   kMbSetForeground = 0x10000, kMbTopMost = 0x40000;

MessageBoxPos g_position;

// Puts the position back to -1, -1 on every way out of the box.
struct PositionScope {
    PositionScope(int x, int y) { g_position = {x, y}; }
    ~PositionScope() { g_position = {}; }
};

} // namespace

core::String DefaultCaptionOf(MsgDlgType kind)
{
    switch (kind) {
    case mtWarning: return u"Warning";
    case mtError: return u"Error";
    case mtInformation: return u"Information";
    case mtConfirmation: return u"Confirm";
    default: return {};
    }
}

unsigned MessageBoxStyleOf(MsgDlgType kind, MsgDlgButtons buttons)
{
    unsigned style = kMbTopMost | kMbSetForeground;
    switch (kind) {
    case mtWarning: style |= kMbIconWarning; break;
    case mtError: style |= kMbIconError; break;
    case mtInformation: style |= kMbIconInformation; break;
    case mtConfirmation: style |= kMbIconQuestion; break;
    default: break;
    }
    if (buttons & mbOK)
        style |= (buttons & mbCancel) ? kMbOkCancel : kMbOk;
    else if (buttons & (mbAbort | mbIgnore))
        style |= kMbAbortRetryIgnore;
    else if (buttons & (mbYes | mbNo))
        style |= (buttons & mbCancel) ? kMbYesNoCancel : kMbYesNo;
    else if (buttons & mbRetry)
        style |= kMbRetryCancel;
    if (buttons & mbHelp)
        style |= kMbHelp;
    return style;
}

MessageBoxPos CurrentMessageBoxPos() { return g_position; }

int ShowMessageBox(core::StringView caption, core::StringView text, MsgDlgType kind, int x, int y,
                   MsgDlgButtons buttons)
{
    core::String title = caption.empty() ? DefaultCaptionOf(kind) : core::String(caption);
    PositionScope scope(x, y);
    return ui::MessageBox(text, title, MessageBoxStyleOf(kind, buttons));
}

int MessageBoxOfKind(core::StringView text, MsgDlgType kind, MsgDlgButtons buttons)
{
    return ShowMessageBox(u"", text, kind, -1, -1, buttons);
}

int WarningBox(core::StringView text) { return MessageBoxOfKind(text, mtWarning, mbOK); }
int ErrorBox(core::StringView text) { return MessageBoxOfKind(text, mtError, mbOK); }
void ShowAlert() { WarningBox(u"Alert"); }

} // namespace skin
