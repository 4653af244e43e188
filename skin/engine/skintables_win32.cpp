// The mask size query, which reads the size of a mask's own bitmap.
#include "skin/engine/skintables.h"

#include "ui/bitmap.h"

namespace skin {

// A mask with its own bitmap is laid out as three states side by side over two rows, whatever its
// ImageCount and MaskType say.
MaskSizeResult SkinTables::MaskSize(int maskIndex) const
{
    const MaskData& m = ma[size_t(maskIndex)];
    if (m.Bmp)
        return {m.Bmp->Width() / 3, m.Bmp->Height() / 2};
    return {MaskImageWidth(m), MaskStateHeight(m)};
}

} // namespace skin
