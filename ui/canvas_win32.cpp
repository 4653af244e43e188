// Canvas drawing through GDI.
#include "ui/canvas.h"

#include "ui/bitmap.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace ui {
namespace {

const wchar_t* W(core::StringView text) { return reinterpret_cast<const wchar_t*>(text.data()); }

int Length(core::StringView text) { return text.size() > size_t(INT_MAX) ? INT_MAX : int(text.size()); }

} // namespace

// Selects the canvas's pen, brush and font for one drawing call and puts the previous objects back.
class Canvas::Selection {
public:
    Selection(HDC dc, HGDIOBJ pen, HGDIOBJ brush, HGDIOBJ font) : m_dc(dc)
    {
        if (pen)
            m_pen = SelectObject(dc, pen);
        if (brush)
            m_brush = SelectObject(dc, brush);
        if (font)
            m_font = SelectObject(dc, font);
    }
    ~Selection()
    {
        if (m_pen)
            SelectObject(m_dc, m_pen);
        if (m_brush)
            SelectObject(m_dc, m_brush);
        if (m_font)
            SelectObject(m_dc, m_font);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_pen = nullptr, m_brush = nullptr, m_font = nullptr;
};

Canvas::Canvas() = default;

Canvas::Canvas(HDC dc) { SetHandle(dc); }

Canvas::~Canvas() { SetHandle(nullptr); }

HDC Canvas::Handle()
{
    if (!m_dc)
        CreateHandle();
    return m_dc;
}

void Canvas::SetHandle(HDC dc)
{
    if (m_dc) {
        RestoreDC(m_dc, m_saved);
        m_saved = 0;
        m_states.clear();
    }
    m_dc = dc;
    if (m_dc)
        m_saved = SaveDC(m_dc);
}

void Canvas::FillRect(const RECT& rect)
{
    if (!Handle() || m_brush.Style() == bsClear)
        return;
    Changing();
    ::FillRect(m_dc, &rect, m_brush.Handle());
    Changed();
}

void Canvas::FrameRect(const RECT& rect)
{
    if (!Handle())
        return;
    Changing();
    HBRUSH brush = CreateSolidBrush(ColorToRGB(m_brush.GetColor()));
    ::FrameRect(m_dc, &rect, brush);
    DeleteObject(brush);
    Changed();
}

void Canvas::Rectangle(int left, int top, int right, int bottom)
{
    if (!Handle())
        return;
    Changing();
    Selection selection(m_dc, m_pen.Handle(), m_brush.Handle(), nullptr);
    SetROP2(m_dc, m_pen.Rop2());
    ::Rectangle(m_dc, left, top, right, bottom);
    Changed();
}

void Canvas::RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight)
{
    if (!Handle())
        return;
    Changing();
    Selection selection(m_dc, m_pen.Handle(), m_brush.Handle(), nullptr);
    SetROP2(m_dc, m_pen.Rop2());
    ::RoundRect(m_dc, left, top, right, bottom, cornerWidth, cornerHeight);
    Changed();
}

void Canvas::Ellipse(int left, int top, int right, int bottom)
{
    if (!Handle())
        return;
    Changing();
    Selection selection(m_dc, m_pen.Handle(), m_brush.Handle(), nullptr);
    SetROP2(m_dc, m_pen.Rop2());
    ::Ellipse(m_dc, left, top, right, bottom);
    Changed();
}

void Canvas::Polygon(std::span<const POINT> points)
{
    if (!Handle() || points.size() < 2 || points.size() > size_t(INT_MAX))
        return;
    Changing();
    Selection selection(m_dc, m_pen.Handle(), m_brush.Handle(), nullptr);
    SetROP2(m_dc, m_pen.Rop2());
    SetPolyFillMode(m_dc, ALTERNATE);
    ::Polygon(m_dc, points.data(), int(points.size()));
    Changed();
}

void Canvas::Polyline(std::span<const POINT> points)
{
    if (!Handle() || points.size() < 2 || points.size() > size_t(INT_MAX))
        return;
    Changing();
    Selection selection(m_dc, m_pen.Handle(), nullptr, nullptr);
    SetROP2(m_dc, m_pen.Rop2());
    ::Polyline(m_dc, points.data(), int(points.size()));
    Changed();
}

void Canvas::MoveTo(int x, int y)
{
    m_pen_pos = POINT{x, y};
    if (Handle())
        MoveToEx(m_dc, x, y, nullptr);
}

void Canvas::LineTo(int x, int y)
{
    if (!Handle())
        return;
    Changing();
    Selection selection(m_dc, m_pen.Handle(), nullptr, nullptr);
    SetROP2(m_dc, m_pen.Rop2());
    MoveToEx(m_dc, m_pen_pos.x, m_pen_pos.y, nullptr);
    ::LineTo(m_dc, x, y);
    m_pen_pos = POINT{x, y};
    Changed();
}

void Canvas::PrepareText()
{
    ::SetTextColor(m_dc, ColorToRGB(m_font.FontColor()));
    if (m_brush.Style() == bsClear) {
        SetBkMode(m_dc, TRANSPARENT);
    } else {
        SetBkMode(m_dc, OPAQUE);
        SetBkColor(m_dc, ColorToRGB(m_brush.GetColor()));
    }
}

void Canvas::TextOut(int x, int y, core::StringView text)
{
    if (!Handle())
        return;
    Changing();
    Selection selection(m_dc, nullptr, nullptr, m_font.Handle());
    PrepareText();
    ::TextOutW(m_dc, x, y, W(text), Length(text));
    SIZE size{};
    GetTextExtentPoint32W(m_dc, W(text), Length(text), &size);
    m_pen_pos = POINT{x + size.cx, y};
    Changed();
}

int Canvas::TextRect(RECT& rect, core::StringView text, UINT flags)
{
    if (!Handle())
        return 0;
    Changing();
    Selection selection(m_dc, nullptr, nullptr, m_font.Handle());
    PrepareText();
    const int height = ::DrawTextW(m_dc, W(text), Length(text), &rect, flags);
    Changed();
    return height;
}

void Canvas::TextRect(const RECT& rect, int x, int y, core::StringView text)
{
    if (!Handle())
        return;
    Changing();
    Selection selection(m_dc, nullptr, nullptr, m_font.Handle());
    PrepareText();
    const UINT options = ETO_CLIPPED | (m_brush.Style() == bsClear ? 0 : ETO_OPAQUE);
    ExtTextOutW(m_dc, x, y, options, &rect, W(text), UINT(Length(text)), nullptr);
    Changed();
}

SIZE Canvas::TextExtent(core::StringView text)
{
    SIZE size{};
    if (!Handle())
        return size;
    Selection selection(m_dc, nullptr, nullptr, m_font.Handle());
    GetTextExtentPoint32W(m_dc, W(text), Length(text), &size);
    if (text.empty()) {
        TEXTMETRICW tm{};
        GetTextMetricsW(m_dc, &tm);
        size.cy = tm.tmHeight;
    }
    return size;
}

COLORREF Canvas::Pixel(int x, int y)
{
    if (!Handle())
        return CLR_INVALID;
    GdiFlush();
    return GetPixel(m_dc, x, y);
}

void Canvas::SetPixel(int x, int y, Color color)
{
    if (!Handle())
        return;
    Changing();
    ::SetPixel(m_dc, x, y, ColorToRGB(color));
    Changed();
}

void Canvas::Frame3D(RECT& rect, Color topLeft, Color bottomRight, int width)
{
    const Color saved = m_pen.GetColor();
    const int savedWidth = m_pen.Width();
    m_pen.SetWidth(1);
    for (int i = 0; i < width; ++i) {
        m_pen.SetColor(topLeft);
        MoveTo(rect.left, rect.bottom - 1);
        LineTo(rect.left, rect.top);
        LineTo(rect.right - 1, rect.top);
        m_pen.SetColor(bottomRight);
        LineTo(rect.right - 1, rect.bottom - 1);
        LineTo(rect.left - 1, rect.bottom - 1);
        InflateRect(&rect, -1, -1);
    }
    m_pen.SetColor(saved);
    m_pen.SetWidth(savedWidth);
}

void Canvas::Draw(int x, int y, Bitmap& bitmap)
{
    DrawBitmap(RECT{x, y, x + bitmap.Width(), y + bitmap.Height()}, bitmap);
}

void Canvas::StretchDraw(const RECT& rect, Bitmap& bitmap) { DrawBitmap(rect, bitmap); }

void Canvas::DrawBitmap(const RECT& rect, Bitmap& bitmap)
{
    if (bitmap.Empty() || !Handle())
        return;
    Changing();
    bitmap.DrawTo(m_dc, rect, m_copy_mode);
    Changed();
}

void Canvas::CopyRect(const RECT& dest, Canvas& canvas, const RECT& source)
{
    HDC src = canvas.Handle();
    if (!src || !Handle())
        return;
    Changing();
    GdiFlush();
    const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    const int sw = source.right - source.left, sh = source.bottom - source.top;
    Selection selection(m_dc, nullptr, m_brush.Handle(), nullptr); // for the pattern modes
    if (dw == sw && dh == sh) {
        BitBlt(m_dc, dest.left, dest.top, dw, dh, src, source.left, source.top, m_copy_mode);
    } else {
        // Colour on colour keeps solid areas exact: no blending of neighbours.
        const int old = SetStretchBltMode(m_dc, COLORONCOLOR);
        StretchBlt(m_dc, dest.left, dest.top, dw, dh, src, source.left, source.top, sw, sh, m_copy_mode);
        SetStretchBltMode(m_dc, old);
    }
    Changed();
}

RECT Canvas::ClipRect()
{
    RECT rect{};
    if (Handle())
        GetClipBox(m_dc, &rect);
    return rect;
}

void Canvas::IntersectClipRect(const RECT& rect)
{
    if (Handle())
        ::IntersectClipRect(m_dc, rect.left, rect.top, rect.right, rect.bottom);
}

void Canvas::ExcludeClipRect(const RECT& rect)
{
    if (Handle())
        ::ExcludeClipRect(m_dc, rect.left, rect.top, rect.right, rect.bottom);
}

void Canvas::ClearClip()
{
    if (Handle())
        SelectClipRgn(m_dc, nullptr);
}

int Canvas::SaveState()
{
    if (!Handle())
        return 0;
    const int id = SaveDC(m_dc);
    if (id > 0)
        m_states.push_back(id);
    return id;
}

bool Canvas::RestoreState(int id)
{
    // Only states saved through the canvas go back: the one taken with the context is its own.
    if (!m_dc || m_states.empty())
        return false;
    if (id == -1)
        id = m_states.back();
    auto it = std::find(m_states.begin(), m_states.end(), id);
    if (it == m_states.end())
        return false;
    m_states.erase(it, m_states.end());
    return RestoreDC(m_dc, id) != FALSE;
}

bool Canvas::TryLock()
{
    if (!m_lock.try_lock())
        return false;
    ++m_lock_count;
    return true;
}

} // namespace ui
