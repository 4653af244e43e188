// The window test skin: "TestSkin" with the sections that window wrappers and skinned controls paint
// appended to its options file, each section and state a distinct solid colour, so that tests can
// tell the parts of a captured window apart. "TestSkin" itself stays unchanged.
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
// The skinned controls' sections: colours ($00BBGGRR) by state, normal then hot (also pressed).
constexpr uint32_t kButtonColor = 0x00C000, kButtonHotColor = 0xC0C000;
constexpr uint32_t kBoxColor = 0xD0D0D0, kBoxHotColor = 0xF0F0F0;
constexpr uint32_t kSpeedColor = 0x808000, kSpeedHotColor = 0xC0C000;
constexpr uint32_t kSplitterColor = 0x0080FF, kSplitterHotColor = 0x00C0FF;
constexpr uint32_t kLabelColor = 0xF0C0A0, kLabelFontColor = 0x000080, kLabelHotFontColor = 0x008000;
// "CTLEDIT" and "CTLGROUP" are framed by the border mask below (2 pixels); "CTLPANEL" and
// "CTLSTATUS" are plain.
constexpr uint32_t kEditColor = 0xE0FFE0, kEditHotColor = 0xFFE0E0;
constexpr uint32_t kPanelColor = 0xC0FFFF, kGroupColor = 0xFFFFC0, kStatusColor = 0xA0E0A0;
// "COMBOBOX" (plain) and its drop-down glyph: three states (normal, hot, dropped) of this size.
constexpr uint32_t kComboColor = 0xF0E0D0;
constexpr struct {
    int cx, cy;
} kComboGlyphSize{10, 8};
constexpr uint32_t kComboGlyphColors[3] = {0x303090, 0x3090C0, 0x309030};
// The border mask "CTLBTN.BMP": three 30 x 20 states (normal, hot, pressed) over their mask rows,
// frames kBorderWidth wide; the corner pixels of each state are the key colour.
constexpr uint32_t kBorderColors[3] = {0x404040, 0x00FFFF, 0x0000FF};
constexpr int kBorderWidth = 3;
// The glyph masks of "GLOBALINFO": three 12 x 12 states each (normal, hot, pressed).
constexpr int kBoxGlyphSize = 12;
constexpr uint32_t kCheckedColors[3] = {0x000080, 0x0000C0, 0x0000FF};
constexpr uint32_t kUncheckedColors[3] = {0x800000, 0xC00000, 0xFF0000};
constexpr uint32_t kGrayedColors[3] = {0x606060, 0x808080, 0xA0A0A0};
constexpr uint32_t kRadioCheckedColors[3] = {0x008000, 0x00A000, 0x00C000};
constexpr uint32_t kRadioUncheckedColors[3] = {0x008080, 0x00A0A0, 0x00C0C0};

// The sections of the composite windows' wrappers, in both flavours: each a distinct solid colour
// per state (normal, hot, pressed or selected) drawn by a three-state border mask with 1-pixel
// borders. "COMBOBOX" with its drop-down glyph and "DIVIDER" are added where the flavour lacks them.
enum WindowTestComposite {
    wcComboBtn, wcStatusBar, wcDivider, wcTabTop, wcTabBottom, wcTabLeft, wcTabRight, wcPageTop, wcPageBottom,
    wcPageLeft, wcPageRight, wcToolBar, wcToolButton, wcColHeader, wcUpDownBtn, wcCompositeCount
};
const char* WindowTestCompositeSection(WindowTestComposite part);
constexpr uint32_t WindowTestCompositeColor(WindowTestComposite part, int state)
{
    return 0x400000u | (uint32_t(0x10 + int(part) * 0x0E) << 8) | uint32_t(0x40 + state * 0x50);
}

// The wrappers' boxes and check glyphs, or the skinned controls' sections: both give "CHECKBOX" and
// the check glyphs faces of their own, which their tests read.
enum WindowTestSkinFlavour { wfWrappers, wfControls };
std::vector<SkinFile> WindowTestSkinFiles(WindowTestSkinFlavour flavour = wfWrappers);

// ---- Menus ----
// "MENUITEM" (normal, hot), "MAINMENU" with its border mask (kMenuBorder pixels of kMenuBorderColor
// whose three outer corner pixels, x + y < 2 at each corner, are the key colour), the glyph column
// "ICOLINE", the vertical "EXTRALINE", the form's "MENULINE", the divider "DIVIDERV" (a solid
// border mask) and the check glyph "CHECK" of "GLOBALINFO" (kMenuCheckSize, three states over
// their mask rows).
constexpr uint32_t kMenuItemColor = 0xF0E8E0, kMenuItemHotColor = 0x804020;
constexpr uint32_t kMenuItemFontColor = 0x000000, kMenuItemHotFontColor = 0xFFFFFF;
constexpr uint32_t kMainMenuColor = 0xE0F0F0, kMenuBorderColor = 0x406080;
constexpr int kMenuBorder = 3, kMenuBorderMaskSize = 12;
constexpr uint32_t kIcoLineColor = 0xC0D0E0, kExtraLineColor = 0x602040, kExtraLineFontColor = 0xFFFFFF;
constexpr uint32_t kMenuLineColor = 0xD0E0C0, kMenuLineFontColor = 0x101010;
constexpr uint32_t kDividerColor = 0x2080C0;
constexpr int kMenuCheckSize = 10;
constexpr uint32_t kMenuCheckColor = 0x00A040;

// The skinned form: "FORM" with a two-state border mask (inactive, active) of kFormBorder-pixel
// borders whose 2 x 2 corners hold the key colour, plain client colours, a "TITLEBAR" mask;
// "FORMTITLE" and "CAPTION" plain colours by state; the caption-button masks of "GLOBALINFO" that
// TestSkin lacks ("BICONMIN", "BICONNORM", "BICONHELP", "SICONNORM", "TITLEBUTTON"), three solid
// kFormButtonSize states each.
constexpr int kFormBorder = 4;
constexpr int kFormCorner = 2;
constexpr uint32_t kFormBorderColors[2] = {0x605040, 0xA08060};
constexpr uint32_t kFormClientColors[2] = {0xD8D0C8, 0xE8E0D8};
constexpr uint32_t kFormTitleColors[2] = {0x806040, 0xC08020};
constexpr uint32_t kCaptionPlateColors[2] = {0x406080, 0x2080C0};
constexpr uint32_t kTitleBarColors[2] = {0x305070, 0x3070B0};
constexpr int kFormButtonSize = 10;
enum WindowTestFormButton { wfbMin, wfbNorm, wfbHelp, wfbSNorm, wfbUser, wfbCount };
const char* WindowTestFormButtonName(WindowTestFormButton button);
constexpr uint32_t WindowTestFormButtonColor(WindowTestFormButton button, int state)
{
    return (uint32_t(0x10 + int(button) * 0x20) << 16) | (uint32_t(0x40 + state * 0x50) << 8) | 0x80u;
}

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

// ---- The virtual tree wrapper's skin ----
namespace skin::testing {

// The wrappers' skin plus "COLHEADER" (a three-state border mask, each state one solid colour) and
// sort glyphs: "GLYPHMASK" of "SCROLLBTNTOP" (up) and "SCROLLBTNBOTTOM" (down), three solid states.
std::vector<SkinFile> VirtualTreeTestSkinFiles();
constexpr uint32_t kColHeaderColors[3] = {0x40A040, 0x40C0E0, 0x2040C0};
constexpr int kSortGlyphSize = 6;
constexpr uint32_t kSortUpColors[3] = {0xC02020, 0xE06060, 0xFF8080};
constexpr uint32_t kSortDownColors[3] = {0x2020C0, 0x6060E0, 0x8080FF};

} // namespace skin::testing

// ---- Skinned dialogs ----
namespace skin::testing {
// The window test skin with a "DIALOG" section framed like "FORM" (kFormBorder pixels, kFormCorner
// key-colour corners), for dialogs and message boxes skinned by the manager's hook.
constexpr uint32_t kDialogColor = 0x50A070;
std::vector<SkinFile> DialogTestSkinFiles();
} // namespace skin::testing
