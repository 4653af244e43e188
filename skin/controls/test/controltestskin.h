// "TestSkin" with the sections and masks the skinned controls paint from, for their tests and
// benchmark: flat colours per state, a push-button border whose three states differ and whose
// corner pixels are the key colour, and the check and radio glyphs of "GLOBALINFO".
#pragma once

#include "skin/engine/effects.h"
#include "skin/engine/skinimages.h"
#include "skin/engine/skinoptions.h"
#include "skin/engine/skintables.h"
#include "skin/engine/test/skinfolder_win32.h"
#include "skin/engine/test/skintestsupport.h"
#include "skin/engine/testwriters/testskin.h"

#include <string>
#include <vector>

namespace skin::test {

// Section colours ($00BBGGRR) by state: normal, then hot (also pressed).
constexpr uint32_t kButtonColor = 0x00C000, kButtonHotColor = 0xC0C000;
constexpr uint32_t kBoxColor = 0xD0D0D0, kBoxHotColor = 0xF0F0F0;
constexpr uint32_t kSpeedColor = 0x808000, kSpeedHotColor = 0xC0C000;
constexpr uint32_t kSplitterColor = 0x0080FF, kSplitterHotColor = 0x00C0FF;
constexpr uint32_t kLabelColor = 0xA0C0F0, kLabelFontColor = 0x000080, kLabelHotFontColor = 0x008000;
// The border mask "CTLBTN.BMP": three 30 x 20 states (normal, hot, pressed) over their mask rows,
// frames kBorderWidth wide; the corner pixels of each state are the key colour.
constexpr uint32_t kBorderColors[3] = {0x404040, 0x00FFFF, 0x0000FF};
constexpr int kBorderWidth = 3;
// The glyph masks: three 12 x 12 states each (normal, hot, pressed).
constexpr int kBoxGlyphSize = 12;
constexpr uint32_t kCheckedColors[3] = {0x000080, 0x0000C0, 0x0000FF};
constexpr uint32_t kUncheckedColors[3] = {0x800000, 0xC00000, 0xFF0000};
constexpr uint32_t kGrayedColors[3] = {0x606060, 0x808080, 0xA0A0A0};
constexpr uint32_t kRadioCheckedColors[3] = {0x008000, 0x00A000, 0x00C000};
constexpr uint32_t kRadioUncheckedColors[3] = {0x008080, 0x00A0A0, 0x00C0C0};

// A masked image of three states side by side over their (opaque) mask rows.
inline std::string StatesBmp(int cellWidth, int cellHeight, const uint32_t (&colors)[3], bool keyCorners)
{
    return skin::testing::EncodeBmp24(cellWidth * 3, cellHeight * 2, [=](int x, int y) -> uint32_t {
        if (y >= cellHeight)
            return 0; // mask rows: opaque
        const int sx = x % cellWidth;
        if (keyCorners && (sx == 0 || sx == cellWidth - 1) && (y == 0 || y == cellHeight - 1))
            return 0xFF00FF;
        return colors[x / cellWidth];
    });
}

inline std::vector<skin::testing::SkinFile> ControlTestSkinFiles()
{
    std::vector<skin::testing::SkinFile> files = skin::testing::TestSkinFiles();
    std::string& options = files[0].bytes;
    // The glyph masks replace the ones of the engine's tests, which have no mask rows.
    const std::string glyphs = "BOXCHECKED=!CBCHK.BMP!3!1!2\r\nBOXUNCHECKED=!CBUNCHK.BMP!3!1!2\r\n"
                               "BOXGRAYED=!CBGRAY.BMP!3!1!2\r\nRADIOCHECKED=!RBCHK.BMP!3!1!2\r\n"
                               "RADIOUNCHECKED=!RBUNCHK.BMP!3!1!2\r\n";
    for (const char* key : {"BOXCHECKED=", "BOXUNCHECKED="}) {
        const size_t at = options.find(key);
        if (at != std::string::npos)
            options.erase(at, options.find("\r\n", at) + 2 - at);
    }
    options.insert(options.find("[GLOBALINFO]\r\n") + 14, glyphs);
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
               "[CTLLABEL]\r\nCOLOR=$F0C0A0\r\nFONTCOLOR=$000080\r\nHOTFONTCOLOR=$008000\r\nTCLEFT=$FFFFFF\r\n";
    files.push_back({"CTLBTN.BMP", StatesBmp(30, 20, kBorderColors, true)});
    files.push_back({"CBCHK.BMP", StatesBmp(kBoxGlyphSize, kBoxGlyphSize, kCheckedColors, false)});
    files.push_back({"CBUNCHK.BMP", StatesBmp(kBoxGlyphSize, kBoxGlyphSize, kUncheckedColors, false)});
    files.push_back({"CBGRAY.BMP", StatesBmp(kBoxGlyphSize, kBoxGlyphSize, kGrayedColors, false)});
    files.push_back({"RBCHK.BMP", StatesBmp(kBoxGlyphSize, kBoxGlyphSize, kRadioCheckedColors, false)});
    files.push_back({"RBUNCHK.BMP", StatesBmp(kBoxGlyphSize, kBoxGlyphSize, kRadioUncheckedColors, false)});
    return files;
}

// The skin loaded into tables that act as the skin manager, switched on.
class ControlTestSkin : public SkinTables {
public:
    ControlTestSkin() : m_folder(ControlTestSkinFiles())
    {
        auto ini = OptionsText(core::FromUtf8(ControlTestSkinFiles()[0].bytes));
        ReadMasks(*this, *ini, {nullptr, m_folder.Path()}, nullptr, this);
        ReadPatterns(*this, *ini, {nullptr, m_folder.Path()}, nullptr, this);
        LoadAllGeneralData(*this, *ini, {});
        InitConstantIndexes();
        SkinData.Active = true;
        // Controls that defer to the manager change at once; a test asks for its fades.
        if (effects.Buttons)
            effects.Buttons->Events = 0;
    }
    const TacAnimEffects* AnimEffects() const override { return &effects; }

    TacAnimEffects effects;

private:
    SkinFolder m_folder;
};

} // namespace skin::test
