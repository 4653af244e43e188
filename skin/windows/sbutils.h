// Routines that many window wrappers share: the cache bitmap of a wrapped window painted from its
// skin section over the parent's background, the transparent corners of that cache given the
// parent's background, skin commands passed on to children, the top-level window told that a child
// appeared, the control of a window handle, and colour properties read and written by name. All of
// them do nothing (or answer null / 0) when their inputs are missing.
#pragma once

#include "core/win32.h"
#include "skin/engine/commondata.h"
#include "ui/messages.h"

namespace core {
class Component;
class Object;
}
namespace ui {
class Control;
}

namespace skin {

class TacMainWnd;

// The window's text.
core::String WindowTextOf(HWND handle);

// Paints the window's skin item into the skin state's cache when BGChanged is set; a window without
// a parent keeps BGChanged so that the next attempt paints again.
void PrepareWndCache(TsCommonData* skinData, HWND handle, bool dlgMode);
// Puts the parent's background into the key-coloured corner pixels of the cache.
void RestoreWndCorners(TsCommonData* skinData, int state, TacMainWnd* wrapper);
// To the child controls of control, or without one to the child windows of handle.
void BroadcastToChildren(ui::Control* control, HWND handle, ui::Message& message);
// The border mask has more than one state image, so focus and hover change the border.
bool HasStateBorder(TsCommonData* skinData);
// Sends sub-code 25 to the outermost ancestor of handle.
void NotifyTopWindow(HWND handle);
// The windowed control among owner's components (searched depth first) whose handle is handle.
core::Component* FindWinControlByHandle(HWND handle, core::Component* owner);
// A published colour property by name through ColorToRGB; 0 when missing.
uint32_t GetColorProp(core::Object* obj, core::StringView propName);
void SetColorProp(core::Object* obj, core::StringView propName, uint32_t value);

} // namespace skin
