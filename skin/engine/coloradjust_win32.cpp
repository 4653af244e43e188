// Hue and saturation over the skin's own bitmaps.
#include "skin/engine/coloradjust.h"

#include "ui/bitmap.h"

namespace skin {

namespace {

ui::PixelView MasterPixels(SkinTables& tables)
{
    ui::Bitmap* master = tables.MasterBitmap.get();
    if (!master || master->Width() == 0 || master->Height() == 0)
        return {};
    master->SetPixelFormat(ui::pf24bit);
    return master->Pixels();
}

// PNG masks keep their 32 bits and alpha; every other bitmap is adjusted as 24-bit pixels.
ui::PixelView OwnPixels(MaskData& m)
{
    if (m.Bmp->Width() == 0 || m.Bmp->Height() == 0)
        return {};
    if (m.Bmp->GetPixelFormat() != ui::pf32bit)
        m.Bmp->SetPixelFormat(ui::pf24bit);
    return m.Bmp->Pixels();
}

} // namespace

void ApplyHueOffset(SkinTables& tables, int offset)
{
    if (offset != 0)
        ShiftSkinHue(tables, offset, MasterPixels(tables), OwnPixels);
}

void ApplySaturation(SkinTables& tables, int value)
{
    if (value != 0)
        ChangeSkinSaturation(tables, value, MasterPixels(tables), OwnPixels);
}

} // namespace skin
