// Hue and saturation of a loaded skin over pixel views and the section tables.
#include "skin/engine/coloradjust.h"

#include "skin/engine/alphagraph.h"

#include <algorithm>

namespace skin {

int SaturationDelta(int value) { return -value % 101; }

void AdjustPixels(const ui::PixelView& view, const ColorAdjuster& adjust)
{
    int bytes = view.Format() == ui::pf24bit ? 3 : view.Format() == ui::pf32bit ? 4 : 0;
    if (bytes == 0)
        return;
    for (int y = 0; y < view.Height(); ++y) {
        uint8_t* p = view.Row(y);
        for (int x = 0; x < view.Width(); ++x, p += bytes) {
            uint8_t b = p[0], g = p[1], r = p[2];
            uint32_t color = r | uint32_t(g) << 8 | uint32_t(b) << 16;
            if (color == MaskKeyColor || (r == g && g == b))
                continue;
            uint32_t c = adjust(color);
            p[0] = uint8_t(c >> 16);
            p[1] = uint8_t(c >> 8);
            p[2] = uint8_t(c);
        }
    }
}

void AdjustSkinColors(SkinTables& tables, const ColorAdjuster& adjust)
{
    auto gradient = [&](TsGradArray& pieces) {
        for (TsGradPie& piece : pieces) {
            piece.Color1 = adjust(piece.Color1);
            piece.Color2 = adjust(piece.Color2);
        }
    };
    for (SectionData& s : tables.gd) {
        s.Color = adjust(s.Color);
        s.HotColor = adjust(s.HotColor);
        for (int i = 0; i < 5; ++i) {
            if (s.FontColor[i] != 0xFFFFFFFFu)
                s.FontColor[i] = adjust(s.FontColor[i]);
            if (s.HotFontColor[i] != 0xFFFFFFFFu)
                s.HotFontColor[i] = adjust(s.HotFontColor[i]);
        }
        gradient(s.GradientArray);
        gradient(s.HotGradientArray);
    }
    tables.SkinData.Shadow1Color = adjust(tables.SkinData.Shadow1Color);
    if (tables.SkinData.BorderColor != MaskKeyColor)
        tables.SkinData.BorderColor = adjust(tables.SkinData.BorderColor);
}

std::vector<core::String> KeptTitleIcons(int keepHue)
{
    if (keepHue == 0)
        return {};
    std::vector<core::String> icons{u"BICONCLOSE", u"SICONCLOSE"};
    if (keepHue == 1)
        icons.insert(icons.end(), {u"BICONMAX", u"BICONMIN", u"BICONNORM", u"BICONHELP", u"SICONMAX", u"SICONMIN",
                                   u"SICONNORM"});
    return icons;
}

namespace {

// A rectangle of the master bitmap saved byte for byte, to be put back after the master changed.
struct SavedArea {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<uint8_t> bytes;
};

SavedArea SaveArea(const ui::PixelView& view, const Rect& r)
{
    SavedArea a;
    a.x = std::max(r.Left, 0);
    a.y = std::max(r.Top, 0);
    a.width = std::max(std::min(r.Right, view.Width()) - a.x, 0);
    a.height = std::max(std::min(r.Bottom, view.Height()) - a.y, 0);
    size_t line = size_t(a.width) * 3;
    for (int row = 0; row < a.height; ++row) {
        const uint8_t* p = view.Row(a.y + row) + a.x * 3;
        a.bytes.insert(a.bytes.end(), p, p + line);
    }
    return a;
}

void RestoreArea(const ui::PixelView& view, const SavedArea& a)
{
    size_t line = size_t(a.width) * 3;
    for (int row = 0; row < a.height; ++row)
        std::copy_n(a.bytes.begin() + ptrdiff_t(line) * row, line, view.Row(a.y + row) + a.x * 3);
}

void AdjustSkin(SkinTables& tables, const ui::PixelView& master, const MaskPixels& maskPixels,
                const std::vector<int>& keep, const ColorAdjuster& adjust)
{
    AdjustPixels(master, adjust);
    for (size_t i = 0; i < tables.ma.size(); ++i)
        if (tables.ma[i].Bmp && std::find(keep.begin(), keep.end(), int(i)) == keep.end())
            AdjustPixels(maskPixels(tables.ma[i]), adjust);
    AdjustSkinColors(tables, adjust);
}

} // namespace

void ShiftSkinHue(SkinTables& tables, int offset, const ui::PixelView& master, const MaskPixels& maskPixels)
{
    if (offset == 0)
        return;
    std::vector<int> keep;
    std::vector<SavedArea> saved;
    bool masterUsable = master.Format() == ui::pf24bit;
    for (const core::String& icon : KeptTitleIcons(tables.SkinData.BIKeepHUE)) {
        int index = tables.GetMaskIndex(u"GLOBALINFO", icon);
        if (index >= 0 && !tables.ma[size_t(index)].Bmp) {
            if (masterUsable)
                saved.push_back(SaveArea(master, tables.ma[size_t(index)].R));
        } else {
            keep.push_back(index);
        }
        int glow = tables.GetMaskIndex(u"GLOBALINFO", icon + u"GLOW0");
        if (glow >= 0 && tables.ma[size_t(glow)].Bmp)
            keep.push_back(glow);
    }
    AdjustSkin(tables, masterUsable ? master : ui::PixelView(), maskPixels, keep,
               [offset](uint32_t c) { return ShiftHue(offset, c); });
    for (const SavedArea& a : saved)
        RestoreArea(master, a);
}

void ChangeSkinSaturation(SkinTables& tables, int value, const ui::PixelView& master, const MaskPixels& maskPixels)
{
    if (value == 0)
        return;
    int delta = SaturationDelta(value);
    AdjustSkin(tables, master, maskPixels, {}, [delta](uint32_t c) { return ChangeSaturation(c, delta); });
}

} // namespace skin
