// The tree's built-in pictures, drawn in code (see builtin_images.h).
#include "treeview/builtin_images.h"
#include <cmath>
#include <cstdlib>

namespace treeview {

namespace {

using namespace stripcolor;

TPixelStrip MakeStrip(int images, int side, uint32_t fill = Mask)
{
    TPixelStrip strip;
    strip.Width = images * side;
    strip.Height = side;
    strip.Pixels.assign(size_t(strip.Width) * size_t(side), fill);
    return strip;
}

void Fill(TPixelStrip& s, int left, int top, int right, int bottom, uint32_t color)
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            s.Set(x, y, color);
}

void Frame(TPixelStrip& s, int left, int top, int right, int bottom, uint32_t topLeft, uint32_t bottomRight)
{
    for (int x = left; x < right; ++x) {
        s.Set(x, top, topLeft);
        s.Set(x, bottom - 1, bottomRight);
    }
    for (int y = top; y < bottom; ++y) {
        s.Set(left, y, topLeft);
        s.Set(right - 1, y, bottomRight);
    }
}

// A check mark (a short and a long stroke) or a tick (a thinner, taller mark), left at x0.
void Mark(TPixelStrip& s, int x0, int y0, bool tick, uint32_t color)
{
    if (tick) {
        for (int i = 0; i < 3; ++i)
            s.Set(x0 + 3 + i, y0 + 7 + i, color);
        for (int i = 0; i < 6; ++i)
            s.Set(x0 + 5 + i, y0 + 9 - i, color), s.Set(x0 + 5 + i, y0 + 8 - i, color);
        return;
    }
    for (int i = 0; i < 3; ++i)
        for (int t = 0; t < 3; ++t)
            s.Set(x0 + 4 + i, y0 + 6 + i + t, color);
    for (int i = 0; i < 4; ++i)
        for (int t = 0; t < 3; ++t)
            s.Set(x0 + 7 + i, y0 + 7 - i + t, color);
}

void Disc(TPixelStrip& s, int cx, int cy, double radius, uint32_t color)
{
    for (int y = cy - int(radius) - 1; y <= cy + int(radius) + 1; ++y)
        for (int x = cx - int(radius) - 1; x <= cx + int(radius) + 1; ++x)
            if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius)
                s.Set(x, y, color);
}

// Check strip layout: 0 empty; 1..8 radio buttons (unchecked normal, hot, pressed, disabled, then
// checked likewise); 9..16 check boxes in the same order; 17..20 mixed check boxes; 21..24 push
// buttons (normal, hot, pressed, disabled).
TPixelStrip CheckStrip(bool dark, bool tick, bool flat, bool xp)
{
    TPixelStrip s = MakeStrip(25, 16);
    for (int image = 1; image <= 24; ++image) {
        int x0 = image * 16, state = (image - 1) % 4;
        uint32_t face = state == 2 || state == 3 ? Silver : White;
        uint32_t ink = state == 3 ? Grey : Black;
        uint32_t outer = xp ? 0x1C5180 : (flat ? Grey : Grey), inner = flat ? Grey : Black;
        if (image <= 8) {
            bool checked = image > 4;
            Disc(s, x0 + 8, 8, 6, outer);
            Disc(s, x0 + 8, 8, 5, flat ? outer : inner);
            Disc(s, x0 + 8, 8, 4, state == 1 && xp ? 0xF8B030 : face);
            if (checked)
                Disc(s, x0 + 8, 8, 2, dark ? ink : (state == 3 ? Grey : 0x202020));
        } else if (image <= 20) {
            Fill(s, x0 + 2, 2, x0 + 15, 15, face);
            Frame(s, x0 + 2, 2, x0 + 15, 15, outer, flat ? outer : White);
            if (!flat)
                Frame(s, x0 + 3, 3, x0 + 14, 14, inner, Silver);
            if (state == 1)
                Frame(s, x0 + 4, 4, x0 + 13, 13, xp ? 0xF8B030 : Silver, xp ? 0xF8B030 : Silver);
            if (image > 12 && image <= 16)
                Mark(s, x0 + 1, 1, tick, dark ? ink : (state == 3 ? Grey : 0x303030));
            else if (image > 16)
                Fill(s, x0 + 5, 5, x0 + 12, 12, dark ? ink : Grey);
        } else {
            Fill(s, x0 + 1, 1, x0 + 15, 15, Silver);
            if (state == 2)
                Frame(s, x0 + 1, 1, x0 + 15, 15, Grey, White);
            else
                Frame(s, x0 + 1, 1, x0 + 15, 15, White, state == 3 ? Grey : Black);
        }
    }
    return s;
}

void Triangle(TPixelStrip& s, int x0, int y0, bool down, uint32_t color)
{
    for (int row = 0; row < 4; ++row) {
        int y = down ? y0 + row : y0 + 3 - row;
        for (int x = x0 + row; x < x0 + 7 - row; ++x)
            s.Set(x, y, color);
    }
}

TPixelStrip UtilityStrip()
{
    TPixelStrip s = MakeStrip(9, 16);
    // 0 and 1: drop marks at a button's left and right edge.
    for (int y = 2; y < 14; ++y) {
        s.Set(16 * 0 + 0, y, Black), s.Set(16 * 0 + 1, y, Black);
        s.Set(16 * 1 + 14, y, Black), s.Set(16 * 1 + 15, y, Black);
    }
    // 2..5: sort arrows, descending and ascending, plain and in visual-style look.
    Triangle(s, 16 * 2 + 4, 6, true, Grey);
    Triangle(s, 16 * 3 + 4, 6, false, Grey);
    Triangle(s, 16 * 4 + 4, 2, true, 0x6D7A8C);
    Triangle(s, 16 * 5 + 4, 2, false, 0x6D7A8C);
    // 6..8: left, middle and right pieces of the hot underline (16 x 3 at the top).
    Fill(s, 16 * 6 + 2, 0, 16 * 7, 3, 0xF8B030);
    Fill(s, 16 * 7, 0, 16 * 8, 3, 0xF8B030);
    Fill(s, 16 * 8, 0, 16 * 8 + 14, 3, 0xF8B030);
    return s;
}

TPixelStrip XPButton(bool plus)
{
    TPixelStrip s = MakeStrip(1, 9, White);
    Frame(s, 0, 0, 9, 9, 0x7A98AF, 0x7A98AF);
    for (int x = 2; x < 7; ++x)
        s.Set(x, 4, Black);
    if (plus)
        for (int y = 2; y < 7; ++y)
            s.Set(4, y, Black);
    return s;
}

// Panning images: a disc with arrows pointing in the directions that can scroll.
TPixelStrip PanningImage(bool horizontal, bool vertical)
{
    TPixelStrip s = MakeStrip(1, 32);
    Disc(s, 16, 16, 15, Black);
    Disc(s, 16, 16, 14, White);
    Disc(s, 16, 16, 2, Black);
    auto arrow = [&](int dx, int dy) {
        // Rows of growing width from the tip (12 pixels out) towards the centre.
        for (int i = 0; i < 5; ++i)
            for (int w = -i; w <= i; ++w)
                s.Set(16 + dx * (12 - i) + (dx == 0 ? w : 0), 16 + dy * (12 - i) + (dy == 0 ? w : 0), Black);
    };
    if (horizontal)
        arrow(-1, 0), arrow(1, 0);
    if (vertical)
        arrow(0, -1), arrow(0, 1);
    return s;
}

void SetCursorPixel(TCursorShape& c, int x, int y, int value)
{
    if (x < 0 || y < 0 || x >= 32 || y >= 32)
        return;
    size_t byte = size_t(y) * 4 + size_t(x) / 8;
    uint8_t bit = uint8_t(0x80 >> (x % 8));
    c.AndMask[byte] &= uint8_t(~bit);
    if (value == 2)
        c.XorMask[byte] |= bit;
    else
        c.XorMask[byte] &= uint8_t(~bit);
}

// An arrow of black pixels with a white outline, from the centre towards (dx, dy).
void CursorArrow(TCursorShape& c, int cx, int cy, int dx, int dy, int length)
{
    for (int pass = 0; pass < 2; ++pass) {
        int value = pass == 0 ? 2 : 1;
        int grow = pass == 0 ? 1 : 0;
        for (int i = 0; i <= length; ++i)
            for (int w = -grow; w <= grow; ++w)
                SetCursorPixel(c, cx + dx * i + (dx == 0 ? w : 0), cy + dy * i + (dy == 0 ? w : 0), value);
        for (int i = 0; i < 4; ++i)
            for (int w = -i - grow; w <= i + grow; ++w) {
                int along = length - i;
                int x = cx + dx * along + (dx == 0 ? w : (dy == 0 ? 0 : w));
                int y = cy + dy * along + (dy == 0 ? w : (dx == 0 ? 0 : 0));
                SetCursorPixel(c, x, y, value);
            }
    }
}

} // namespace

int TCursorShape::PixelAt(int x, int y) const
{
    size_t byte = size_t(y) * 4 + size_t(x) / 8;
    uint8_t bit = uint8_t(0x80 >> (x % 8));
    if (AndMask[byte] & bit)
        return 0;
    return (XorMask[byte] & bit) ? 2 : 1;
}

bool BuiltinStrip(std::string_view name, TPixelStrip& strip)
{
    if (name == "VT_CHECK_LIGHT")
        strip = CheckStrip(false, false, false, false);
    else if (name == "VT_CHECK_DARK")
        strip = CheckStrip(true, false, false, false);
    else if (name == "VT_TICK_LIGHT")
        strip = CheckStrip(false, true, false, false);
    else if (name == "VT_TICK_DARK")
        strip = CheckStrip(true, true, false, false);
    else if (name == "VT_FLAT")
        strip = CheckStrip(true, false, true, false);
    else if (name == "VT_XP")
        strip = CheckStrip(true, false, false, true);
    else if (name == "VT_UTILITIES")
        strip = UtilityStrip();
    else if (name == "VT_XPBUTTONPLUS")
        strip = XPButton(true);
    else if (name == "VT_XPBUTTONMINUS")
        strip = XPButton(false);
    else if (name == "VT_MOVEALL")
        strip = PanningImage(true, true);
    else if (name == "VT_MOVEEW")
        strip = PanningImage(true, false);
    else if (name == "VT_MOVENS")
        strip = PanningImage(false, true);
    else
        return false;
    return true;
}

bool BuiltinCursor(std::string_view name, TCursorShape& shape)
{
    shape = TCursorShape{};
    shape.AndMask.assign(128, 0xFF);
    shape.XorMask.assign(128, 0x00);
    struct Direction {
        std::string_view name;
        int dx, dy;
    };
    static const Direction single[] = {{"VT_MOVEN", 0, -1},  {"VT_MOVES", 0, 1},   {"VT_MOVEE", 1, 0},
                                       {"VT_MOVEW", -1, 0},  {"VT_MOVENE", 1, -1}, {"VT_MOVENW", -1, -1},
                                       {"VT_MOVESE", 1, 1},  {"VT_MOVESW", -1, 1}};
    if (name == "VT_HEADERSPLIT") {
        // A double bar with arrows to the left and right.
        for (int y = 8; y < 24; ++y)
            for (int x = 14; x < 18; ++x)
                SetCursorPixel(shape, x, y, x == 14 || x == 17 ? 2 : 1);
        CursorArrow(shape, 14, 16, -1, 0, 8);
        CursorArrow(shape, 17, 16, 1, 0, 8);
        return true;
    }
    if (name == "VT_VERTSPLIT") {
        for (int x = 8; x < 24; ++x)
            for (int y = 14; y < 18; ++y)
                SetCursorPixel(shape, x, y, y == 14 || y == 17 ? 2 : 1);
        CursorArrow(shape, 16, 14, 0, -1, 8);
        CursorArrow(shape, 16, 17, 0, 1, 8);
        return true;
    }
    bool horizontal = name == "VT_MOVEALL" || name == "VT_MOVEEW";
    bool vertical = name == "VT_MOVEALL" || name == "VT_MOVENS";
    if (horizontal || vertical) {
        for (int y = 13; y < 20; ++y)
            for (int x = 13; x < 20; ++x)
                if (std::abs(x - 16) + std::abs(y - 16) <= 3)
                    SetCursorPixel(shape, x, y, 1);
        if (horizontal)
            CursorArrow(shape, 16, 16, -1, 0, 12), CursorArrow(shape, 16, 16, 1, 0, 12);
        if (vertical)
            CursorArrow(shape, 16, 16, 0, -1, 12), CursorArrow(shape, 16, 16, 0, 1, 12);
        return true;
    }
    for (const Direction& d : single)
        if (d.name == name) {
            CursorArrow(shape, 16, 16, d.dx, d.dy, 12);
            return true;
        }
    return false;
}

} // namespace treeview
