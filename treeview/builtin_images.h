// The tree's built-in pictures, drawn in code: the check-box strips (25 images of 16 x 16 each), the
// utility strip (9 images: drop marks, sort arrows, hot underline pieces), the wheel-panning images
// (32 x 32 with 0xFF00FF as transparent colour) and the cursors (header and row splitters, panning
// directions). Portable pixel data; the Windows side turns it into image lists and cursors.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace treeview {

// Pixels are 0x00RRGGBB, rows top-down.
struct TPixelStrip {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;
    uint32_t At(int x, int y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
    void Set(int x, int y, uint32_t color)
    {
        if (x >= 0 && y >= 0 && x < Width && y < Height)
            Pixels[size_t(y) * size_t(Width) + size_t(x)] = color;
    }
};

// Colours of the strips before the system-colour remapping: white (window), silver (button face),
// grey (button shadow), black (button text); the mask is the top-left pixel's colour.
namespace stripcolor {
constexpr uint32_t White = 0xFFFFFF, Silver = 0xC0C0C0, Grey = 0x808080, Black = 0x000000, Mask = 0xFF00FF;
} // namespace stripcolor

// "VT_CHECK_LIGHT", "VT_CHECK_DARK", "VT_TICK_LIGHT", "VT_TICK_DARK", "VT_FLAT", "VT_XP",
// "VT_UTILITIES", "VT_XPBUTTONPLUS", "VT_XPBUTTONMINUS", "VT_MOVEALL", "VT_MOVEEW", "VT_MOVENS".
// False for an unknown name.
bool BuiltinStrip(std::string_view name, TPixelStrip& strip);

// A 32 x 32 monochrome cursor: AND and XOR masks of 32 rows of 4 bytes, most significant bit left.
struct TCursorShape {
    int HotX = 16, HotY = 16;
    std::vector<uint8_t> AndMask, XorMask;
    // 0 transparent, 1 black, 2 white (for tests).
    int PixelAt(int x, int y) const;
};

// "VT_HEADERSPLIT", "VT_VERTSPLIT", "VT_MOVEALL", "VT_MOVEEW", "VT_MOVENS", "VT_MOVEN", "VT_MOVES",
// "VT_MOVEE", "VT_MOVEW", "VT_MOVENE", "VT_MOVENW", "VT_MOVESE", "VT_MOVESW".
bool BuiltinCursor(std::string_view name, TCursorShape& shape);

} // namespace treeview
