// System queries of the skinning code: the program folder, file icons, the caption font, waiting
// while messages are handled, the mouse position and the form or frame that owns a component.
#pragma once

#include "core/string.h"
#include "core/win32.h"
#include "ui/form.h"
#include "ui/frame.h"

namespace skin {

// The program file's folder with its trailing backslash.
core::String AppFolder();
// The file's icon (small with SHGFI_SMALLICON in flags), null when the file is missing or has none.
// The caller destroys it.
HICON FileIconOf(core::StringView fileName, UINT flags);
// lfHeight of the system's caption font, 0 when the system does not say.
int CaptionFontHeight();
// A font made from the caption font, null when the system does not say; the caller deletes it.
HFONT CreateCaptionFont();
// Handles the application's messages (at least once) until ms milliseconds have passed.
void WaitWithMessages(unsigned ms);
POINT ReadCursorPos();
ui::Message MakeMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT result = 0);
// The first form in the owner chain, or null.
ui::Form* OwnerFormOf(core::Component* component);
// The first frame in the owner chain, or null.
ui::TFrame* OwnerFrameOf(core::Component* component);

} // namespace skin
