// A drawing surface over a device context with the current font, brush and pen. The canvas never owns
// the device context; it restores the context's state when it lets go of it.
#pragma once

#include "core/string.h"
#include "core/win32.h"
#include "ui/color.h"
#include "ui/font.h"

namespace ui {

enum BrushStyle { bsSolid, bsClear };

class Canvas {
public:
    Canvas() = default;
    explicit Canvas(HDC dc) { SetHandle(dc); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() { SetHandle(nullptr); }

    // ---- Properties ----
    HDC Handle() const { return m_dc; }
    void SetHandle(HDC dc);
    ui::Font& Font() { return m_font; }
    Color BrushColor() const { return m_brush_color; }
    void SetBrushColor(Color color) { m_brush_color = color; m_brush_style = bsSolid; }
    BrushStyle BrushStyle() const { return m_brush_style; }
    void SetBrushStyle(ui::BrushStyle style) { m_brush_style = style; }
    Color PenColor() const { return m_pen_color; }
    void SetPenColor(Color color) { m_pen_color = color; }
    int PenWidth() const { return m_pen_width; }
    void SetPenWidth(int width) { m_pen_width = width; }

    // ---- Drawing ----
    void FillRect(const RECT& rect);
    void FrameRect(const RECT& rect);
    void Rectangle(int left, int top, int right, int bottom);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void TextOut(int x, int y, core::StringView text);
    // DrawText with the given DT_* flags inside the rectangle (DT_CALCRECT updates it).
    int TextRect(RECT& rect, core::StringView text, UINT flags);
    SIZE TextExtent(core::StringView text);
    int TextWidth(core::StringView text) { return TextExtent(text).cx; }
    int TextHeight(core::StringView text) { return TextExtent(text).cy; }
    COLORREF Pixel(int x, int y) const { return GetPixel(m_dc, x, y); }
    void SetPixel(int x, int y, Color color) { ::SetPixel(m_dc, x, y, ColorToRGB(color)); }
    // A 3D frame: highlight on the top and left, shadow on the bottom and right.
    void Frame3D(RECT& rect, Color topLeft, Color bottomRight, int width);

private:
    void UseFont();
    void UsePen();

    HDC m_dc = nullptr;
    int m_saved = 0;
    ui::Font m_font;
    Color m_brush_color = clWhite;
    ui::BrushStyle m_brush_style = bsSolid;
    Color m_pen_color = clBlack;
    int m_pen_width = 1;
    HPEN m_pen = nullptr;
};

} // namespace ui
