// Pens and brushes over GDI objects.
#include "ui/penbrush.h"

namespace ui {

Pen& Pen::operator=(const Pen& other)
{
    if (this != &other && (m_color != other.m_color || m_width != other.m_width || m_style != other.m_style ||
                           m_mode != other.m_mode)) {
        m_color = other.m_color;
        m_width = other.m_width;
        m_style = other.m_style;
        m_mode = other.m_mode;
        Changed();
    }
    return *this;
}

void Pen::SetColor(Color color)
{
    if (color != m_color) {
        m_color = color;
        Changed();
    }
}

void Pen::SetWidth(int width)
{
    width = width < 1 ? 1 : width;
    if (width != m_width) {
        m_width = width;
        Changed();
    }
}

void Pen::SetStyle(PenStyle style)
{
    if (style != m_style) {
        m_style = style;
        Changed();
    }
}

void Pen::SetMode(PenMode mode)
{
    if (mode != m_mode) {
        m_mode = mode;
        Changed();
    }
}

int Pen::Rop2() const
{
    static const int codes[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN, R2_MERGEPENNOT,
                                R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
                                R2_MASKPEN, R2_NOTMASKPEN, R2_XORPEN, R2_NOTXORPEN};
    return codes[m_mode];
}

HPEN Pen::Handle() const
{
    if (!m_handle) {
        static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        m_handle = CreatePen(styles[m_style], m_width, ColorToRGB(m_color));
    }
    return m_handle;
}

void Pen::Changed()
{
    FreeHandle();
    if (OnChange)
        OnChange();
}

void Pen::FreeHandle() const
{
    if (m_handle) {
        DeleteObject(m_handle);
        m_handle = nullptr;
    }
}

Brush& Brush::operator=(const Brush& other)
{
    if (this != &other && (m_color != other.m_color || m_style != other.m_style)) {
        m_color = other.m_color;
        m_style = other.m_style;
        Changed();
    }
    return *this;
}

void Brush::SetColor(Color color)
{
    if (color != m_color || m_style == bsClear) {
        m_color = color;
        if (m_style == bsClear)
            m_style = bsSolid;
        Changed();
    }
}

void Brush::SetStyle(BrushStyle style)
{
    if (style != m_style) {
        m_style = style;
        Changed();
    }
}

HBRUSH Brush::Handle() const
{
    if (m_style == bsClear)
        return HBRUSH(GetStockObject(NULL_BRUSH));
    if (!m_handle) {
        static const int hatches[] = {0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
        const COLORREF rgb = ColorToRGB(m_color);
        m_handle = m_style == bsSolid ? CreateSolidBrush(rgb) : CreateHatchBrush(hatches[m_style], rgb);
    }
    return m_handle;
}

void Brush::Changed()
{
    FreeHandle();
    if (OnChange)
        OnChange();
}

void Brush::FreeHandle() const
{
    if (m_handle) {
        DeleteObject(m_handle);
        m_handle = nullptr;
    }
}

} // namespace ui
