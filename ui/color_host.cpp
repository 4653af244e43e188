// System colours on the host: the classic scheme's values, so that portable painting code can run.
#include "ui/color.h"

namespace ui {

uint32_t ColorToRGB(Color color)
{
    if (color == clNone || color == clDefault)
        return 0;
    if (!IsSystemColor(color))
        return color & 0xFFFFFF;
    // $00BBGGRR values of the classic scheme, by index.
    static const uint32_t scheme[31] = {
        0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000, 0x000000, 0xFFFFFF,
        0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4, 0x808080, 0x808080, 0x000000, 0xC8D0D4,
        0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000, 0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0x6A240A,
        0xC8D0D4,
    };
    const unsigned index = color & 0xFF;
    return index < 31 ? scheme[index] : 0;
}

} // namespace ui
