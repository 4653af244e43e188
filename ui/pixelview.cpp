// Pixel views: addressing, reads and writes by format, fills and copies with or without a key colour.
#include "ui/pixelview.h"

#include <algorithm>
#include <cstring>

namespace ui {
namespace {

// The largest side a buffer or view accepts, so that row and offset arithmetic cannot overflow.
constexpr int kMaxSide = 1 << 16;

} // namespace

int BitsPerPixel(PixelFormat format)
{
    switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf24bit: return 24;
    case pf32bit: return 32;
    default: return 0;
    }
}

size_t RowBytes(int width, PixelFormat format)
{
    const int bits = BitsPerPixel(format);
    if (width <= 0 || width > kMaxSide || bits == 0)
        return 0;
    return ((size_t(width) * size_t(bits) + 31) / 32) * 4;
}

bool IsIndexed(PixelFormat format) { return format == pf1bit || format == pf4bit || format == pf8bit; }

PixelRect PixelRect::Intersect(const PixelRect& other) const
{
    PixelRect r{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
    if (r.Empty())
        return PixelRect{};
    return r;
}

PixelView::PixelView(uint8_t* row0, ptrdiff_t rowStep, int width, int height, PixelFormat format)
{
    if (!row0 || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || BitsPerPixel(format) == 0)
        return;
    const size_t step = size_t(rowStep < 0 ? -rowStep : rowStep);
    // Rows may overlap only in a one-row view.
    if (height > 1 && step < (size_t(width) * size_t(BitsPerPixel(format)) + 7) / 8)
        return;
    m_row0 = row0;
    m_step = rowStep;
    m_width = width;
    m_height = height;
    m_format = format;
}

uint32_t PixelView::ReadPixel(int x, int y) const
{
    if (!Valid() || !Contains(x, y))
        return 0;
    const uint8_t* row = Row(y);
    switch (m_format) {
    case pf24bit: {
        const uint8_t* p = row + size_t(x) * 3;
        return RGBValue(p[2], p[1], p[0]);
    }
    case pf32bit: {
        const uint8_t* p = row + size_t(x) * 4;
        return RGBValue(p[2], p[1], p[0]) | uint32_t(p[3]) << 24;
    }
    case pf8bit: return row[x];
    case pf4bit: return (x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4;
    case pf1bit: return (row[x / 8] >> (7 - (x & 7))) & 1;
    default: return 0;
    }
}

void PixelView::WritePixel(int x, int y, uint32_t value)
{
    if (!Valid() || !Contains(x, y))
        return;
    uint8_t* row = Row(y);
    switch (m_format) {
    case pf24bit: {
        uint8_t* p = row + size_t(x) * 3;
        p[0] = uint8_t(value >> 16);
        p[1] = uint8_t(value >> 8);
        p[2] = uint8_t(value);
        break;
    }
    case pf32bit: {
        uint8_t* p = row + size_t(x) * 4;
        p[0] = uint8_t(value >> 16);
        p[1] = uint8_t(value >> 8);
        p[2] = uint8_t(value);
        p[3] = uint8_t(value >> 24);
        break;
    }
    case pf8bit: row[x] = uint8_t(value); break;
    case pf4bit: {
        uint8_t& b = row[x / 2];
        b = (x & 1) ? uint8_t((b & 0xF0) | (value & 0x0F)) : uint8_t((b & 0x0F) | (value & 0x0F) << 4);
        break;
    }
    case pf1bit: {
        uint8_t& b = row[x / 8];
        const uint8_t bit = uint8_t(0x80 >> (x & 7));
        b = (value & 1) ? uint8_t(b | bit) : uint8_t(b & ~bit);
        break;
    }
    default: break;
    }
}

void PixelView::Fill(const PixelRect& rect, uint32_t value)
{
    const PixelRect r = rect.Intersect(Bounds());
    if (!Valid() || r.Empty())
        return;
    if (m_format == pf24bit || m_format == pf32bit) {
        const int size = m_format == pf24bit ? 3 : 4;
        uint8_t pixel[4] = {uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value), uint8_t(value >> 24)};
        for (int y = r.top; y < r.bottom; ++y) {
            uint8_t* p = Row(y) + size_t(r.left) * size;
            for (int x = r.left; x < r.right; ++x, p += size)
                std::memcpy(p, pixel, size_t(size));
        }
        return;
    }
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            WritePixel(x, y, value);
}

PixelView PixelView::Sub(const PixelRect& rect) const
{
    const PixelRect r = rect.Intersect(Bounds());
    if (!Valid() || r.Empty() || BitsPerPixel(m_format) < 8)
        return PixelView();
    return PixelView(PixelAddress(r.left, r.top), m_step, r.Width(), r.Height(), m_format);
}

bool PixelView::CopyFrom(const PixelView& src, int x, int y) { return Copy(src, x, y, false, 0); }

bool PixelView::CopyKeyed(const PixelView& src, int x, int y, uint32_t key) { return Copy(src, x, y, true, key & 0xFFFFFF); }

bool PixelView::Copy(const PixelView& src, int x, int y, bool keyed, uint32_t key)
{
    if (!Valid() || !src.Valid())
        return false;
    const bool direct = (m_format == pf24bit || m_format == pf32bit) && (src.m_format == pf24bit || src.m_format == pf32bit);
    if (!direct && (m_format != src.m_format || keyed))
        return false;
    // The destination area, cut to both views; (sx0, sy0) is the source pixel of its first corner.
    const int64_t left = std::max<int64_t>(0, x), top = std::max<int64_t>(0, y);
    const int64_t right = std::min<int64_t>(m_width, int64_t(x) + src.m_width);
    const int64_t bottom = std::min<int64_t>(m_height, int64_t(y) + src.m_height);
    if (right <= left || bottom <= top)
        return true;
    const int sx0 = int(left - x), sy0 = int(top - y);
    const int w = int(right - left), h = int(bottom - top);
    if (!direct) {
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w; ++col)
                WritePixel(int(left) + col, int(top) + row, src.ReadPixel(sx0 + col, sy0 + row));
        return true;
    }
    const int ss = src.m_format == pf24bit ? 3 : 4;
    const int ds = m_format == pf24bit ? 3 : 4;
    for (int row = 0; row < h; ++row) {
        const uint8_t* s = src.Row(sy0 + row) + size_t(sx0) * ss;
        uint8_t* d = Row(int(top) + row) + size_t(left) * ds;
        if (!keyed && ss == ds) {
            std::memmove(d, s, size_t(w) * ss);
            continue;
        }
        for (int col = 0; col < w; ++col, s += ss, d += ds) {
            if (keyed && RGBValue(s[2], s[1], s[0]) == key)
                continue;
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            if (ds == 4)
                d[3] = ss == 4 ? s[3] : 0xFF;
        }
    }
    return true;
}

PixelBuffer::PixelBuffer(int width, int height, PixelFormat format, bool bottomUp)
{
    const size_t row = RowBytes(width, format);
    if (row == 0 || height <= 0 || height > kMaxSide)
        return;
    m_bytes.assign(row * size_t(height), 0);
    m_width = width;
    m_height = height;
    m_format = format;
    m_bottom_up = bottomUp;
}

PixelView PixelBuffer::View()
{
    if (m_bytes.empty())
        return PixelView();
    const ptrdiff_t row = ptrdiff_t(RowBytes(m_width, m_format));
    if (m_bottom_up)
        return PixelView(m_bytes.data() + row * (m_height - 1), -row, m_width, m_height, m_format);
    return PixelView(m_bytes.data(), row, m_width, m_height, m_format);
}

} // namespace ui
