// The window test skin: "TestSkin" with the sections that window wrappers paint appended to its
// options file, each section and state a distinct solid colour, so that tests can tell the parts of
// a captured window apart. "TestSkin" itself stays unchanged.
#pragma once

#include "skin/engine/testwriters/testskin.h"

#include <memory>

namespace ui {
class Bitmap;
}

namespace skin::testing {

enum WindowTestPart {
    wtBar1H, wtBar2H, wtBar1V, wtBar2V, wtBtnLeft, wtBtnRight, wtBtnBottom, wtSliderH, wtSliderV, wtPartCount
};
// Section name of a part.
const char* WindowTestSection(WindowTestPart part);
// $00BBGGRR of a part in state 0 (normal), 1 (hot) or 2 (pressed).
constexpr uint32_t WindowTestColor(WindowTestPart part, int state)
{
    return 0x900000u | (uint32_t(0x30 + state * 0x60) << 8) | uint32_t(0x20 + int(part) * 0x18);
}
// The grip image "GRIPIMAGE" of "GLOBALINFO": a solid square of this size and colour.
constexpr int kGripSize = 6;
constexpr uint32_t kGripColor = 0x00A0FF;

// The boxes of the simple-window wrappers: each a section whose three-state border mask is a
// solid colour per state with 2 x 2 key-colour ($FF00FF) corners and 2-pixel borders.
enum WindowTestBox { wbEdit, wbButton, wbCheckBox, wbGroupBox, wbPanelLow, wbBoxCount };
const char* WindowTestBoxSection(WindowTestBox box);
constexpr int kBoxStateSize = 8;
constexpr uint32_t WindowTestBoxColor(WindowTestBox box, int state)
{
    return (uint32_t(0x20 + int(box) * 0x28) << 16) | (uint32_t(0x30 + state * 0x50) << 8) | 0xC0u;
}
// The check glyphs of "GLOBALINFO" (masks of their own: three states side by side over a black
// mask row), each state a solid colour.
enum WindowTestGlyph { wgBoxChecked, wgBoxUnchecked, wgBoxGrayed, wgRadioChecked, wgRadioUnchecked, wgGlyphCount };
const char* WindowTestGlyphName(WindowTestGlyph glyph);
constexpr int kCheckGlyphSize = 10;
constexpr uint32_t WindowTestGlyphColor(WindowTestGlyph glyph, int state)
{
    return 0xE00000u | (uint32_t(0x20 + int(glyph) * 0x28) << 8) | uint32_t(0x10 + state * 0x50);
}

std::vector<SkinFile> WindowTestSkinFiles();

} // namespace skin::testing

#ifdef _WIN32
#include "core/win32.h"

namespace skin::testing {

// The window, its frame and children printed (WM_PRINT) into a 24-bit bitmap of the window's size.
std::unique_ptr<ui::Bitmap> CaptureByPrint(HWND wnd);
// What the screen shows of the window, copied from its window DC after it was updated.
std::unique_ptr<ui::Bitmap> CaptureWindowDC(HWND wnd);

} // namespace skin::testing
#endif
