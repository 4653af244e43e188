// "TestSkin": a small skin of our own with flat colours and known geometry, for the tests and demos
// of the skin engine and the modules above it. Its options file names every mask form (own BMP and
// PNG images with alpha and key-colour corners, glyph, border, texture and rectangle values, a
// bitmap file), JPEG patterns of 300 x 300 and 299 x 300 pixels, gradients, transparency, text
// contours, "PARENTCLASS" chains, the sections and masks of the constant indexes, title icons with
// "GLOW0" masks and "EXBORDER", and a glowing button section.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace skin {
class TsStoredSkin;
class TsStoredSkins;
}

namespace skin::testing {

struct SkinFile {
    std::string name;
    std::string bytes;
};

// A bottom-up 24-bit BMP file; color gives $00BBGGRR of each pixel.
std::string EncodeBmp24(int width, int height, const std::function<uint32_t(int x, int y)>& color);

// Colours of the master bitmap: the close icon, the other title icons and everything else.
constexpr uint32_t kMasterColor = 0x0000C0;      // dark red
constexpr uint32_t kCloseIconColor = 0x0000FF;   // red
constexpr uint32_t kTitleIconColor = 0xC00000;   // dark blue
constexpr int kMasterWidth = 120, kMasterHeight = 60;

// The glow mask "GLOW0" of the section "GLOWBUTTON" (its "GLOWMARGIN" is kGlowMargin); the section
// "GLOWCHILD" inherits from it and has no glow mask of its own.
constexpr int kGlowSize = 28;
constexpr int kGlowLeft = 6, kGlowTop = 6, kGlowRight = 8, kGlowBottom = 8, kGlowMargin = 2;

// The skin's files, "Options.dat" first.
std::vector<SkinFile> TestSkinFiles();
// The same files packed as "TestSkin.asz".
std::string TestSkinArchive();
// Writes the files into folder (which must exist); false when one cannot be written.
bool WriteTestSkinFolder(const std::string& folder);

// Windows builds only (testwriters/storedtestskin_win32.cpp):
// "TestSkin" as a stored skin holding its archive, ready for the stored-skin fallback.
void StoreTestSkin(TsStoredSkin& stored, const std::string& name = "TestSkin");
// The same appended to a collection; answers the new item.
TsStoredSkin& AddStoredTestSkin(TsStoredSkins& skins, const std::string& name = "TestSkin");

} // namespace skin::testing
