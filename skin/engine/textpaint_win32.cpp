// Captions in the skin's font colours with their contours, the small text routines, glyph strips,
// the dotted focus frame and nested 3-D frames.
#include "skin/engine/paintsupport.h"
#include "skin/engine/skinpaint.h"
#include "ui/canvas.h"
#include "ui/graphiccontrol.h"
#include "ui/wincontrol.h"

#include <algorithm>

namespace skin {

namespace {

using paint::DcOf;
using paint::SavedDC;
using paint::ViewOf;

constexpr uint32_t kNoContour = 0xFFFFFFFF;

core::StringView TextOf(const char16_t* text)
{
    return text ? core::StringView(text) : core::StringView();
}

// The four contour copies (left, up, right, down) of colours 1 to 4, then the text in colour 0.
void DrawContours(ui::Canvas& canvas, core::StringView text, const RECT& r, UINT format, const uint32_t* colors)
{
    static constexpr POINT moves[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
    for (int k = 1; k <= 4; ++k) {
        if (colors[k] == kNoContour)
            continue;
        canvas.Font().SetColor(colors[k]);
        RECT moved = r;
        OffsetRect(&moved, moves[k - 1].x, moves[k - 1].y);
        canvas.TextRect(moved, text, format);
    }
    canvas.Font().SetColor(colors[0]);
}

} // namespace

void WriteControlText(ui::Canvas& canvas, const char16_t* text, bool enabled, RECT r, UINT format, TsCommonData* data,
                      bool hot, int)
{
    PaintControlText(canvas, text, enabled, r, format, data, hot);
}

void PaintControlText(ui::Canvas& canvas, const char16_t* text, bool enabled, RECT r, UINT format, TsCommonData* data,
                      bool hot)
{
    if (!data)
        return;
    ui::Control* owner = data->OwnerControl();
    if (owner)
        canvas.Font().Assign(owner->Font());
    if (hot && data->SkinSection() == u"WEBBUTTON")
        canvas.Font().SetStyle(canvas.Font().Style() | ui::fsUnderline);
    HDC dc = canvas.Handle();
    SavedDC saved(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    const core::StringView s = TextOf(text);
    if (s.empty())
        return;
    SkinManager* manager = data->GetSkinManager();
    int f = data->SkinIndex;
    if (owner && manager && manager->IsValidSkinIndex(f) && owner->ParentFont() && owner->Parent() &&
        (data->COC == 32 || data->COC == 33 || data->COC == 74 || dynamic_cast<ui::GraphicControl*>(owner))) {
        const SectionData& section = manager->Section(f);
        if ((hot ? section.HotTransparency : section.Transparency) >= 1)
            f = ParentFontIndex(owner, f, manager);
    }
    canvas.SetBrushStyle(ui::bsClear);
    if (enabled) {
        if (manager && manager->IsValidSkinIndex(f) && !data->CustomFont()) {
            const SectionData& section = manager->Section(f);
            DrawContours(canvas, s, r, format, hot ? section.HotFontColor : section.FontColor);
        }
        canvas.TextRect(r, s, format | DT_NOCLIP);
        return;
    }
    if (manager && f >= 0 && manager->IsValidSkinIndex(f))
        canvas.Font().SetColor(BlendColors(manager->Section(f).FontColor[0], manager->GlobalColor(), 0.4));
    canvas.TextRect(r, s, format);
}

void WriteSectionText(ui::Canvas& canvas, const char16_t* text, bool enabled, RECT r, UINT format, int skinIndex,
                      bool hot, SkinManager* manager)
{
    PaintSectionText(canvas, text, enabled, r, format, skinIndex, hot, manager);
}

void PaintSectionText(ui::Canvas& canvas, const char16_t* text, bool enabled, RECT r, UINT format, int skinIndex,
                      bool hot, SkinManager* manager)
{
    if (!DefaultManager())
        return;
    if (!manager)
        manager = DefaultManager();
    if (!manager->IsValidSkinIndex(skinIndex))
        return;
    canvas.SetBrushStyle(ui::bsClear);
    const core::StringView s = TextOf(text);
    if (s.empty())
        return;
    const SectionData& section = manager->Section(skinIndex);
    if (enabled)
        DrawContours(canvas, s, r, format, hot ? section.HotFontColor : section.FontColor);
    else
        canvas.Font().SetColor(BlendColors(section.FontColor[0], section.Color, 0.4));
    canvas.TextRect(r, s, format);
}

int DrawTextStr(HDC dc, core::StringView text, RECT& r, UINT format)
{
    return DrawTextW(dc, reinterpret_cast<LPCWSTR>(text.data()), int(text.size()), &r, format);
}

int TextWidthOf(ui::Canvas& canvas, core::StringView text) { return canvas.TextExtent(text).cx; }

void TextSizeOf(ui::Canvas& canvas, core::StringView text, SIZE& size) { size = canvas.TextExtent(text); }

void CanvasTextRect(ui::Canvas& canvas, RECT& r, int x, int y, core::StringView text) { canvas.TextRect(r, x, y, text); }

void FontTextExtent(HFONT font, core::StringView text, SIZE& size)
{
    HDC dc = GetDC(nullptr);
    if (!dc) {
        size = SIZE{0, 0};
        return;
    }
    HGDIOBJ old = SelectObject(dc, font);
    if (!GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(text.data()), int(text.size()), &size))
        size = SIZE{0, 0};
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
}

void PaintGlyphBmp(ui::Bitmap* glyph, ui::Bitmap* dst, const RECT& r, int numGlyphs, bool enabled,
                   TsDisabledGlyphKind disabledKind, int state, int blend, bool down, bool)
{
    if (!glyph || glyph->Empty() || !dst || dst->Empty() || numGlyphs < 1)
        return;
    ui::Bitmap copy;
    copy.Assign(*glyph);
    copy.SetPixelFormat(ui::pf24bit);
    const int h = copy.Height();
    const Rect area{0, 0, r.right - r.left, r.bottom - r.top};
    if (numGlyphs == 1) {
        ui::Bitmap temp;
        temp.Assign(copy);
        if (!enabled && (disabledKind & dgGrayed))
            GrayBmp24(&temp);
        const uint32_t key = temp.PixelColor(0, h - 1);
        if (enabled ? (state == 0 && blend > 0) : (disabledKind & dgBlended) != 0)
            BlendRectKeyed(dst->Pixels(), r.left, r.top, key, enabled ? blend / 100.0 : 0.5, area, temp.Pixels());
        else
            CopyKeyedBmp(dst->Pixels(), temp.Pixels(), r.left, r.top, key);
        return;
    }
    const bool fourBit = glyph->GetPixelFormat() == ui::pf4bit;
    int e = 0;
    if (enabled && state == 1) {
        e = fourBit ? 0 : 1;
    } else if (enabled && state == 2) {
        const int pressed = (down ? 1 : 0) + 2;
        e = pressed < numGlyphs ? pressed : fourBit ? 0 : std::min(1, numGlyphs - 1);
    }
    const int cw = copy.Width() / numGlyphs;
    const Rect cell{e * cw, 0, (e + 1) * cw - 1, h - 1};
    const uint32_t key = copy.PixelColor(e * cw, h - 1);
    if (!enabled && state == 0 && blend > 0)
        BlendRectKeyed(dst->Pixels(), r.left, r.top, key, blend / 100.0, cell, copy.Pixels());
    else
        CopyKeyedRect(dst, &copy, r.left, r.top, key, cell);
}

void PaintDotFrame(ui::Canvas& canvas, const RECT& r)
{
    for (const FrameDot& d : DotFramePoints(Rect{r.left, r.top, r.right, r.bottom}))
        canvas.SetPixel(d.X, d.Y, d.White ? ui::clWhite : ui::clBlack);
}

void FrameDC3D(HDC dc, RECT& r, ui::Color color1, ui::Color color2, int& width)
{
    HPEN pen1 = CreatePen(PS_SOLID, 1, ui::ColorToRGB(color1));
    HPEN pen2 = CreatePen(PS_SOLID, 1, color2);
    HGDIOBJ oldPen = SelectObject(dc, pen1);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    --r.right;
    --r.bottom;
    while (width > 0) {
        --width;
        SelectObject(dc, pen1);
        const POINT first[3] = {{r.left, r.bottom}, {r.left, r.top}, {r.right, r.top}};
        Polyline(dc, first, 3);
        SelectObject(dc, pen2);
        const POINT second[3] = {{r.right, r.top}, {r.right, r.bottom}, {r.left - 1, r.bottom}};
        Polyline(dc, second, 3);
        InflateRect(&r, -1, -1);
    }
    ++r.right;
    ++r.bottom;
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen1);
    DeleteObject(pen2);
}

} // namespace skin
