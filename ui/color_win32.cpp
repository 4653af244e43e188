// System colour lookup.
#include "core/win32.h"
#include "ui/color.h"

namespace ui {

uint32_t ColorToRGB(Color color)
{
    if (color == clNone || color == clDefault)
        return 0;
    if (IsSystemColor(color))
        return GetSysColor(int(color & 0xFF));
    return color & 0xFFFFFF;
}

} // namespace ui
