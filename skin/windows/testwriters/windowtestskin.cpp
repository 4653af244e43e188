// The window test skin: one three-state BMP per scroll-bar section (states side by side, each a
// solid colour, one-pixel borders), a solid grip glyph, and the skinned controls' sections with
// their border and glyph masks.
#include "skin/windows/testwriters/windowtestskin.h"

#include <algorithm>
#include <string>

namespace skin::testing {

namespace {

constexpr int kStateSize = 8;

const char* const kSections[wtPartCount] = {
    "SCROLLBAR1H", "SCROLLBAR2H", "SCROLLBAR1V", "SCROLLBAR2V", "SCROLLBTNLEFT",
    "SCROLLBTNRIGHT", "SCROLLBTNBOTTOM", "SCROLLSLIDERH", "SCROLLSLIDERV",
};

const char* const kBoxSections[wbBoxCount] = {"EDIT", "BUTTON", "CHECKBOX", "GROUPBOX", "PANEL_LOW"};
const char* const kGlyphNames[wgGlyphCount] = {"BOXCHECKED", "BOXUNCHECKED", "BOXGRAYED", "RADIOCHECKED",
                                               "RADIOUNCHECKED"};

// Takes a section (header and keys) out of an options text.
void EraseSection(std::string& options, const std::string& name)
{
    const size_t at = options.find("[" + name + "]\r\n");
    if (at == std::string::npos)
        return;
    const size_t next = options.find("\r\n[", at + 1);
    options.erase(at, next == std::string::npos ? std::string::npos : next + 2 - at);
}

void EraseLine(std::string& options, const std::string& prefix)
{
    const size_t at = options.find("\r\n" + prefix);
    if (at != std::string::npos)
        options.erase(at + 2, options.find("\r\n", at + 2) + 2 - (at + 2));
}

// The boxes and check glyphs of the simple-window wrappers, in place of TestSkin's own.
void AddBoxes(std::string& options, std::vector<SkinFile>& files)
{
    std::string glyphs;
    for (int g = 0; g < wgGlyphCount; ++g) {
        const auto glyph = WindowTestGlyph(g);
        EraseLine(options, std::string(kGlyphNames[g]) + "=");
        const std::string file = "W" + std::string(kGlyphNames[g]) + ".BMP";
        glyphs += std::string(kGlyphNames[g]) + "=!" + file + "!3!1!0\r\n";
        files.push_back({file, EncodeBmp24(3 * kCheckGlyphSize, 2 * kCheckGlyphSize, [glyph](int x, int y) {
                             return y < kCheckGlyphSize ? WindowTestGlyphColor(glyph, x / kCheckGlyphSize) : 0u;
                         })});
    }
    options.insert(options.find("[PANEL]"), glyphs);
    for (int b = 0; b < wbBoxCount; ++b) {
        const auto box = WindowTestBox(b);
        EraseSection(options, kBoxSections[b]);
        const std::string file = "W" + std::string(kBoxSections[b]) + ".BMP";
        options += "[" + std::string(kBoxSections[b]) + "]\r\n";
        options += "COLOR=" + std::to_string(WindowTestBoxColor(box, 0)) + "\r\n";
        options += "HOTCOLOR=" + std::to_string(WindowTestBoxColor(box, 1)) + "\r\n";
        options += "BORDERSMASK=!" + file + "!3!0!0!2!2!2!2\r\n";
        files.push_back({file, EncodeBmp24(3 * kBoxStateSize, kBoxStateSize, [box](int x, int y) {
                             const int sx = x % kBoxStateSize;
                             const bool cornerX = sx < 2 || sx >= kBoxStateSize - 2;
                             const bool cornerY = y < 2 || y >= kBoxStateSize - 2;
                             return cornerX && cornerY ? 0xFF00FFu : WindowTestBoxColor(box, x / kBoxStateSize);
                         })});
    }
}

// A masked image of three states side by side over their (opaque) mask rows.
std::string StatesBmp(int cellWidth, int cellHeight, const uint32_t (&colors)[3], bool keyCorners)
{
    return EncodeBmp24(cellWidth * 3, cellHeight * 2, [=](int x, int y) -> uint32_t {
        if (y >= cellHeight)
            return 0; // mask rows: opaque
        const int sx = x % cellWidth;
        if (keyCorners && (sx == 0 || sx == cellWidth - 1) && (y == 0 || y == cellHeight - 1))
            return 0xFF00FF;
        return colors[x / cellWidth];
    });
}

// The sections of the skinned controls; the box glyphs replace TestSkin's, which have no mask rows.
void AppendControlSections(std::vector<SkinFile>& files, std::string& options)
{
    for (const char* key : {"BOXCHECKED=", "BOXUNCHECKED="}) {
        const size_t at = options.find(key);
        if (at != std::string::npos)
            options.erase(at, options.find("\r\n", at) + 2 - at);
    }
    const std::string global = "[GLOBALINFO]\r\n";
    options.insert(options.find(global) + global.size(),
                   "BOXCHECKED=!CBCHK.BMP!3!1!2\r\nBOXUNCHECKED=!CBUNCHK.BMP!3!1!2\r\n"
                   "BOXGRAYED=!CBGRAY.BMP!3!1!2\r\nRADIOCHECKED=!RBCHK.BMP!3!1!2\r\n"
                   "RADIOUNCHECKED=!RBUNCHK.BMP!3!1!2\r\n");
    options += "[CTLBUTTON]\r\nCOLOR=$00C000\r\nHOTCOLOR=$C0C000\r\nFONTCOLOR=$000000\r\nHOTFONTCOLOR=$FFFFFF\r\n"
               "SHOWFOCUS=TRUE\r\nFADINGENABLED=TRUE\r\nFADINGITERATIONS=4\r\n"
               "BORDERSMASK=!CTLBTN.BMP!3!1!0!3!3!3!3\r\n"
               "[CHECKBOX]\r\nCOLOR=$D0D0D0\r\nHOTCOLOR=$F0F0F0\r\nFONTCOLOR=$000000\r\nFADINGENABLED=TRUE\r\n"
               "FADINGITERATIONS=4\r\n"
               "[RADIOBUTTON]\r\nCOLOR=$D0D0D0\r\nHOTCOLOR=$F0F0F0\r\nFONTCOLOR=$000000\r\n"
               "[SPEEDBUTTON]\r\nCOLOR=$808000\r\nHOTCOLOR=$C0C000\r\nFONTCOLOR=$000000\r\nFADINGENABLED=TRUE\r\n"
               "FADINGITERATIONS=4\r\nBORDERSMASK=!CTLBTN.BMP!3!1!0!3!3!3!3\r\n"
               "[SPLITTER]\r\nCOLOR=$0080FF\r\nHOTCOLOR=$00C0FF\r\nBORDERSMASK=!CTLBTN.BMP!3!1!0!1!1!1!1\r\n"
               "[DIVIDER]\r\nBORDERSMASK=!CTLBTN.BMP!3!1!0!1!1!1!1\r\n"
               "[CTLLABEL]\r\nCOLOR=$F0C0A0\r\nFONTCOLOR=$000080\r\nHOTFONTCOLOR=$008000\r\nTCLEFT=$FFFFFF\r\n"
               "[CTLEDIT]\r\nCOLOR=$E0FFE0\r\nHOTCOLOR=$FFE0E0\r\nFONTCOLOR=$000000\r\nHOTFONTCOLOR=$800000\r\n"
               "BORDERSMASK=!CTLBTN.BMP!3!1!0!2!2!2!2\r\n"
               "[CTLPANEL]\r\nCOLOR=$C0FFFF\r\nFONTCOLOR=$000000\r\n"
               "[CTLGROUP]\r\nCOLOR=$FFFFC0\r\nFONTCOLOR=$000000\r\nBORDERSMASK=!CTLBTN.BMP!3!1!0!2!2!2!2\r\n"
               "[CTLSTATUS]\r\nCOLOR=$A0E0A0\r\nFONTCOLOR=$000000\r\n"
               "[COMBOBOX]\r\nCOLOR=$F0E0D0\r\nFONTCOLOR=$000000\r\nGLYPHMASK=!CMBGLYPH.BMP!3!1!2\r\n";
    files.push_back({"CTLBTN.BMP", StatesBmp(30, 20, kBorderColors, true)});
    files.push_back({"CBCHK.BMP", StatesBmp(kBoxGlyphSize, kBoxGlyphSize, kCheckedColors, false)});
    files.push_back({"CBUNCHK.BMP", StatesBmp(kBoxGlyphSize, kBoxGlyphSize, kUncheckedColors, false)});
    files.push_back({"CBGRAY.BMP", StatesBmp(kBoxGlyphSize, kBoxGlyphSize, kGrayedColors, false)});
    files.push_back({"RBCHK.BMP", StatesBmp(kBoxGlyphSize, kBoxGlyphSize, kRadioCheckedColors, false)});
    files.push_back({"RBUNCHK.BMP", StatesBmp(kBoxGlyphSize, kBoxGlyphSize, kRadioUncheckedColors, false)});
    files.push_back({"CMBGLYPH.BMP", StatesBmp(kComboGlyphSize.cx, kComboGlyphSize.cy, kComboGlyphColors, false)});
}

const char* const kCompositeSections[wcCompositeCount] = {
    "COMBOBTN", "STATUSBAR", "DIVIDER", "TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT", "PAGECONTROL",
    "PAGECONTROLBOTTOM", "PAGECONTROLLEFT", "PAGECONTROLRIGHT", "TOOLBAR", "TOOLBUTTON", "COLHEADER", "UPDOWNBTN"};

// The skinned controls' flavour keeps the sections it has: its tests read those.
void AppendCompositeSections(std::vector<SkinFile>& files, std::string& options, bool replace)
{
    for (int p = 0; p < wcCompositeCount; ++p) {
        const auto part = WindowTestComposite(p);
        const std::string name = kCompositeSections[p];
        if (!replace && options.find("[" + name + "]\r\n") != std::string::npos)
            continue;
        EraseSection(options, name);
        const std::string file = "C" + name + ".BMP";
        options += "[" + name + "]\r\nCOLOR=" + std::to_string(WindowTestCompositeColor(part, 0)) + "\r\n";
        options += "HOTCOLOR=" + std::to_string(WindowTestCompositeColor(part, 1)) + "\r\nFONTCOLOR=0\r\n";
        options += "HOTFONTCOLOR=0\r\nBORDERSMASK=!" + file + "!3!0!0!1!1!1!1\r\n";
        files.push_back({file, EncodeBmp24(3 * kStateSize, kStateSize, [part](int x, int) {
                             return WindowTestCompositeColor(part, x / kStateSize);
                         })});
    }
    if (options.find("[COMBOBOX]") == std::string::npos) {
        options += "[COMBOBOX]\r\nCOLOR=$F0E0D0\r\nFONTCOLOR=$000000\r\nGLYPHMASK=!CMBGLYPH.BMP!3!1!2\r\n";
        files.push_back({"CMBGLYPH.BMP", StatesBmp(kComboGlyphSize.cx, kComboGlyphSize.cy, kComboGlyphColors, false)});
    }
}

// ---- Menus ----
// The sections the menu painter and the menu line read; TestSkin's own "MENUITEM" is replaced.
void AppendMenuSections(std::vector<SkinFile>& files, std::string& options)
{
    EraseSection(options, "MENUITEM");
    const std::string global = "[GLOBALINFO]\r\n";
    options.insert(options.find(global) + global.size(), "CHECK=!MCHECK.BMP!3!1!0\r\n");
    const auto hex = [](uint32_t c) { return std::to_string(c); };
    options += "[MENUITEM]\r\nCOLOR=" + hex(kMenuItemColor) + "\r\nHOTCOLOR=" + hex(kMenuItemHotColor) +
               "\r\nFONTCOLOR=" + hex(kMenuItemFontColor) + "\r\nHOTFONTCOLOR=" + hex(kMenuItemHotFontColor) +
               "\r\n"
               "[MAINMENU]\r\nCOLOR=" + hex(kMainMenuColor) + "\r\nBORDERSMASK=!MMBORDER.BMP!1!0!0!" +
               std::to_string(kMenuBorder) + "!" + std::to_string(kMenuBorder) + "!" + std::to_string(kMenuBorder) +
               "!" + std::to_string(kMenuBorder) + "\r\n"
               "[ICOLINE]\r\nCOLOR=" + hex(kIcoLineColor) + "\r\n"
               "[EXTRALINE]\r\nCOLOR=" + hex(kExtraLineColor) + "\r\nFONTCOLOR=" + hex(kExtraLineFontColor) + "\r\n"
               "[MENULINE]\r\nCOLOR=" + hex(kMenuLineColor) + "\r\nHOTCOLOR=" + hex(kMenuLineColor) +
               "\r\nFONTCOLOR=" + hex(kMenuLineFontColor) + "\r\n"
               "[DIVIDERV]\r\nBORDERSMASK=!DIVV.BMP!1!0!0!1!1!1!1\r\n";
    files.push_back({"MMBORDER.BMP", EncodeBmp24(kMenuBorderMaskSize, kMenuBorderMaskSize, [](int x, int y) -> uint32_t {
                         const int cx = std::min(x, kMenuBorderMaskSize - 1 - x);
                         const int cy = std::min(y, kMenuBorderMaskSize - 1 - y);
                         if (cx + cy < 2)
                             return 0xFF00FF;
                         return cx < kMenuBorder || cy < kMenuBorder ? kMenuBorderColor : kMainMenuColor;
                     })});
    files.push_back({"DIVV.BMP", EncodeBmp24(4, 2, [](int, int) { return kDividerColor; })});
    files.push_back({"MCHECK.BMP", EncodeBmp24(3 * kMenuCheckSize, 2 * kMenuCheckSize, [](int, int y) {
                         return y < kMenuCheckSize ? kMenuCheckColor : 0u;
                     })});
}

const char* const kFormButtonNames[wfbCount] = {"BICONMIN", "BICONNORM", "BICONHELP", "SICONNORM", "TITLEBUTTON"};

// The skinned form's sections and caption-button masks.
void AddFormSections(std::string& options, std::vector<SkinFile>& files)
{
    std::string global;
    for (int b = 0; b < wfbCount; ++b) {
        const auto button = WindowTestFormButton(b);
        const std::string file = "WF" + std::string(kFormButtonNames[b]) + ".BMP";
        global += std::string(kFormButtonNames[b]) + "=!" + file + "!3!0!2\r\n";
        files.push_back({file, EncodeBmp24(3 * kFormButtonSize, kFormButtonSize, [button](int x, int) {
                             return WindowTestFormButtonColor(button, x / kFormButtonSize);
                         })});
    }
    const std::string first = "[PANEL]";
    options.insert(options.find(first), global);
    auto hex = [](uint32_t c) { return std::to_string(c); };
    constexpr int cell = 4 * kFormBorder;
    options += "[FORM]\r\nCOLOR=" + hex(kFormClientColors[0]) + "\r\nHOTCOLOR=" + hex(kFormClientColors[1]) +
               "\r\nFONTCOLOR=0\r\nBORDERSMASK=!WFORM.BMP!2!0!0!" + std::to_string(kFormBorder) + "!" +
               std::to_string(kFormBorder) + "!" + std::to_string(kFormBorder) + "!" + std::to_string(kFormBorder) +
               "\r\nTITLEBAR=!WTBAR.BMP!2!0!0!2!2!2!2\r\n";
    options += "[FORMTITLE]\r\nCOLOR=" + hex(kFormTitleColors[0]) + "\r\nHOTCOLOR=" + hex(kFormTitleColors[1]) +
               "\r\nFONTCOLOR=$FFFFFF\r\nHOTFONTCOLOR=$FFFFFF\r\n";
    options += "[CAPTION]\r\nCOLOR=" + hex(kCaptionPlateColors[0]) + "\r\nHOTCOLOR=" + hex(kCaptionPlateColors[1]) +
               "\r\nFONTCOLOR=$FFFFFF\r\nHOTFONTCOLOR=$FFFFFF\r\n";
    files.push_back({"WFORM.BMP", EncodeBmp24(2 * cell, cell, [](int x, int y) {
                         const int sx = x % cell;
                         const bool cornerX = sx < kFormCorner || sx >= cell - kFormCorner;
                         const bool cornerY = y < kFormCorner || y >= cell - kFormCorner;
                         return cornerX && cornerY ? 0xFF00FFu : kFormBorderColors[x / cell];
                     })});
    files.push_back({"WTBAR.BMP", EncodeBmp24(2 * 8, 8, [](int x, int) { return kTitleBarColors[x / 8]; })});
}

} // namespace

const char* WindowTestCompositeSection(WindowTestComposite part) { return kCompositeSections[part]; }

const char* WindowTestBoxSection(WindowTestBox box) { return kBoxSections[box]; }
const char* WindowTestFormButtonName(WindowTestFormButton button) { return kFormButtonNames[button]; }
const char* WindowTestGlyphName(WindowTestGlyph glyph) { return kGlyphNames[glyph]; }

const char* WindowTestSection(WindowTestPart part) { return kSections[part]; }

std::vector<SkinFile> WindowTestSkinFiles(WindowTestSkinFlavour flavour)
{
    std::vector<SkinFile> files = TestSkinFiles();
    std::string options = files[0].bytes;
    // The grip belongs to the global section that TestSkin opens with.
    const std::string firstSection = "[PANEL]";
    options.insert(options.find(firstSection), "GRIPIMAGE=!GRIP.BMP!1!0!2\r\n");
    for (int p = 0; p < wtPartCount; ++p) {
        const auto part = WindowTestPart(p);
        const std::string file = std::string(kSections[p]) + ".BMP";
        options += "[" + std::string(kSections[p]) + "]\r\n";
        options += "COLOR=" + std::to_string(WindowTestColor(part, 0)) + "\r\n";
        options += "BORDERSMASK=!" + file + "!3!0!0!1!1!1!1\r\n";
        files.push_back({file, EncodeBmp24(3 * kStateSize, kStateSize, [part](int x, int) {
                             return WindowTestColor(part, x / kStateSize);
                         })});
    }
    // A section that shows its parent through.
    options += "[CLEARPANEL]\r\nTRANSPARENCY=100\r\n";
    files.push_back({"GRIP.BMP", EncodeBmp24(kGripSize, kGripSize, [](int, int) { return kGripColor; })});
    if (flavour == wfControls)
        AppendControlSections(files, options);
    else
        AddBoxes(options, files);
    AppendCompositeSections(files, options, flavour == wfWrappers);
    AppendMenuSections(files, options);
    AddFormSections(options, files);
    files[0].bytes = options;
    return files;
}

} // namespace skin::testing

// ---- The virtual tree wrapper's skin ----
namespace skin::testing {

namespace {

// Adds a key line right after a section's header (or replaces the section's line of that key).
void PutKey(std::string& options, const std::string& section, const std::string& key, const std::string& value)
{
    const std::string header = "[" + section + "]\r\n";
    size_t at = options.find(header);
    if (at == std::string::npos) {
        options += header;
        at = options.size() - header.size();
    }
    const size_t body = at + header.size();
    size_t end = options.find("\r\n[", body);
    if (end == std::string::npos)
        end = options.size();
    const size_t line = options.find("\r\n" + key + "=", body - 2);
    if (line != std::string::npos && line < end)
        options.erase(line + 2, options.find("\r\n", line + 2) + 2 - (line + 2));
    options.insert(body, key + "=" + value + "\r\n");
}

} // namespace

std::vector<SkinFile> VirtualTreeTestSkinFiles()
{
    std::vector<SkinFile> files = WindowTestSkinFiles(wfWrappers);
    std::string& options = files[0].bytes;
    options += "[COLHEADER]\r\nCOLOR=" + std::to_string(kColHeaderColors[0]) + "\r\nFONTCOLOR=0\r\n"
               "HOTFONTCOLOR=0\r\nBORDERSMASK=!COLHDR.BMP!3!0!0!2!2!2!2\r\n";
    files.push_back({"COLHDR.BMP", EncodeBmp24(3 * kBoxStateSize, kBoxStateSize, [](int x, int) {
                         return kColHeaderColors[x / kBoxStateSize];
                     })});
    PutKey(options, "SCROLLBTNTOP", "GLYPHMASK", "!SORTUP.BMP!3!1!2");
    PutKey(options, "SCROLLBTNBOTTOM", "GLYPHMASK", "!SORTDOWN.BMP!3!1!2");
    files.push_back({"SORTUP.BMP", StatesBmp(kSortGlyphSize, kSortGlyphSize, kSortUpColors, false)});
    files.push_back({"SORTDOWN.BMP", StatesBmp(kSortGlyphSize, kSortGlyphSize, kSortDownColors, false)});
    return files;
}

} // namespace skin::testing

// ---- Skinned dialogs ----
namespace skin::testing {

std::vector<SkinFile> DialogTestSkinFiles()
{
    std::vector<SkinFile> files = WindowTestSkinFiles(wfWrappers);
    const std::string b = std::to_string(kFormBorder);
    files[0].bytes += "[DIALOG]\r\nCOLOR=" + std::to_string(kDialogColor) + "\r\nHOTCOLOR=" +
                      std::to_string(kDialogColor) + "\r\nFONTCOLOR=0\r\nBORDERSMASK=!WFORM.BMP!2!0!0!" + b + "!" + b +
                      "!" + b + "!" + b + "\r\n";
    return files;
}

} // namespace skin::testing
