// System colours on the host: the classic scheme's values, so that portable painting code can run.
#include "ui/color.h"

namespace ui {

uint32_t ColorToRGB(Color color)
{
    if (color == clNone || color == clDefault)
        return 0;
    if (!(color & clSystemColor))
        return color & 0xFFFFFF;
    switch (color & 0xFF) {
    case 5: case 14: case 20: return 0xFFFFFF;
    case 13: return 0x6A240A;
    case 15: case 22: return 0xC8D0D4;
    case 16: case 17: return 0x808080;
    case 24: return 0xE1FFFF;
    default: return 0;
    }
}

} // namespace ui
