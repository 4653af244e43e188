// Canvas drawing through GDI. Pens are made per use and dropped when the canvas lets the context go.
#include "ui/canvas.h"

namespace ui {
namespace {

const wchar_t* W(core::StringView text) { return reinterpret_cast<const wchar_t*>(text.data()); }

} // namespace

void Canvas::SetHandle(HDC dc)
{
    if (m_dc) {
        RestoreDC(m_dc, m_saved);
        m_saved = 0;
    }
    if (m_pen) {
        DeleteObject(m_pen);
        m_pen = nullptr;
    }
    m_dc = dc;
    if (m_dc)
        m_saved = SaveDC(m_dc);
}

void Canvas::FillRect(const RECT& rect)
{
    if (!m_dc || m_brush_style == bsClear)
        return;
    HBRUSH brush = CreateSolidBrush(ColorToRGB(m_brush_color));
    ::FillRect(m_dc, &rect, brush);
    DeleteObject(brush);
}

void Canvas::FrameRect(const RECT& rect)
{
    if (!m_dc)
        return;
    HBRUSH brush = CreateSolidBrush(ColorToRGB(m_brush_color));
    ::FrameRect(m_dc, &rect, brush);
    DeleteObject(brush);
}

void Canvas::Rectangle(int left, int top, int right, int bottom)
{
    if (!m_dc)
        return;
    UsePen();
    HBRUSH brush = m_brush_style == bsClear ? HBRUSH(GetStockObject(NULL_BRUSH))
                                            : CreateSolidBrush(ColorToRGB(m_brush_color));
    HGDIOBJ old = SelectObject(m_dc, brush);
    ::Rectangle(m_dc, left, top, right, bottom);
    SelectObject(m_dc, old);
    if (m_brush_style != bsClear)
        DeleteObject(brush);
}

void Canvas::MoveTo(int x, int y)
{
    if (m_dc)
        MoveToEx(m_dc, x, y, nullptr);
}

void Canvas::LineTo(int x, int y)
{
    if (!m_dc)
        return;
    UsePen();
    ::LineTo(m_dc, x, y);
}

void Canvas::TextOut(int x, int y, core::StringView text)
{
    if (!m_dc)
        return;
    UseFont();
    ::TextOutW(m_dc, x, y, W(text), int(text.size()));
}

int Canvas::TextRect(RECT& rect, core::StringView text, UINT flags)
{
    if (!m_dc)
        return 0;
    UseFont();
    return DrawTextW(m_dc, W(text), int(text.size()), &rect, flags);
}

SIZE Canvas::TextExtent(core::StringView text)
{
    SIZE size{};
    if (!m_dc)
        return size;
    UseFont();
    GetTextExtentPoint32W(m_dc, W(text), int(text.size()), &size);
    if (text.empty()) {
        TEXTMETRICW tm{};
        GetTextMetricsW(m_dc, &tm);
        size.cy = tm.tmHeight;
    }
    return size;
}

void Canvas::Frame3D(RECT& rect, Color topLeft, Color bottomRight, int width)
{
    for (int i = 0; i < width; ++i) {
        m_pen_color = topLeft;
        MoveTo(rect.left, rect.bottom - 1);
        LineTo(rect.left, rect.top);
        LineTo(rect.right - 1, rect.top);
        m_pen_color = bottomRight;
        LineTo(rect.right - 1, rect.bottom - 1);
        LineTo(rect.left - 1, rect.bottom - 1);
        InflateRect(&rect, -1, -1);
    }
}

void Canvas::UseFont()
{
    SelectObject(m_dc, m_font.Handle());
    ::SetTextColor(m_dc, ColorToRGB(m_font.FontColor()));
    if (m_brush_style == bsClear) {
        SetBkMode(m_dc, TRANSPARENT);
    } else {
        SetBkMode(m_dc, OPAQUE);
        SetBkColor(m_dc, ColorToRGB(m_brush_color));
    }
}

void Canvas::UsePen()
{
    // The new pen goes in before the old one is freed: GDI will not free a selected pen.
    HPEN pen = CreatePen(PS_SOLID, m_pen_width, ColorToRGB(m_pen_color));
    SelectObject(m_dc, pen);
    if (m_pen)
        DeleteObject(m_pen);
    m_pen = pen;
}

} // namespace ui
