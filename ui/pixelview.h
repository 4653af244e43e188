// A view of pixel rows in memory: the address of row 0, a signed step from one row to the next, the
// size and the pixel format. Bitmaps hand one out over their storage (top-down, whatever the storage
// order), and portable painting code works on it without the platform: on the host it runs over a
// PixelBuffer. Pixels are stored as the platform stores them: 24-bit B, G, R; 32-bit B, G, R, A;
// indexed formats hold palette indexes (1-bit and 4-bit most significant bits first).
#pragma once

#include "core/exception.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ui {

// Pictures that are not what their format says, and operations a picture cannot do.
using core::Exception;
CORE_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
CORE_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

enum PixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };

// Bits of one pixel (0 for pfDevice, whose layout is the display's).
int BitsPerPixel(PixelFormat format);
// Bytes of one stored row: rows are padded to a multiple of four bytes. 0 for a bad width or format.
size_t RowBytes(int width, PixelFormat format);
bool IsIndexed(PixelFormat format);

// A rectangle of pixel positions, right and bottom exclusive.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;

    int Width() const { return right > left ? right - left : 0; }
    int Height() const { return bottom > top ? bottom - top : 0; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool operator==(const PixelRect&) const = default;
    PixelRect Intersect(const PixelRect& other) const;
};

// A colour value as TColor lays it out, $00BBGGRR, built from its channels.
constexpr uint32_t RGBValue(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; }

class PixelView {
public:
    PixelView() = default;
    // rowStep may be negative (row 0 at the end of a bottom-up block).
    PixelView(uint8_t* row0, ptrdiff_t rowStep, int width, int height, PixelFormat format);

    bool Valid() const { return m_row0 && m_width > 0 && m_height > 0; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    PixelFormat Format() const { return m_format; }
    ptrdiff_t RowStep() const { return m_step; }
    PixelRect Bounds() const { return PixelRect{0, 0, m_width, m_height}; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

    // Row y; unchecked (the caller keeps 0 <= y < Height()).
    uint8_t* Row(int y) const { return m_row0 + ptrdiff_t(y) * m_step; }
    uint8_t* PixelAddress(int x, int y) const { return Row(y) + ptrdiff_t(x) * BitsPerPixel(m_format) / 8; }

    // The pixel as a colour: 24-bit $00BBGGRR; 32-bit $AABBGGRR (alpha in the high byte); indexed
    // formats give the palette index. Positions outside the view read 0 and are not written.
    uint32_t ReadPixel(int x, int y) const;
    void WritePixel(int x, int y, uint32_t value);

    // Fills the part of rect inside the view with value (as WritePixel stores it).
    void Fill(const PixelRect& rect, uint32_t value);
    // A view of the part of rect inside this one (invalid when nothing is left).
    PixelView Sub(const PixelRect& rect) const;

    // Copies src (the same format as this view, or 24-bit into 32-bit and back) to (x, y). Positions
    // outside either view are skipped. With a key, source pixels whose colour bytes equal key
    // ($00BBGGRR) are left out. 24-bit into 32-bit writes alpha 255; 32-bit into 32-bit keeps the
    // source alpha. Returns false (and copies nothing) for formats it cannot mix.
    bool CopyFrom(const PixelView& src, int x, int y);
    bool CopyKeyed(const PixelView& src, int x, int y, uint32_t key);

private:
    bool Copy(const PixelView& src, int x, int y, bool keyed, uint32_t key);

    uint8_t* m_row0 = nullptr;
    ptrdiff_t m_step = 0;
    int m_width = 0;
    int m_height = 0;
    PixelFormat m_format = pf24bit;
};

// Pixel rows owned in memory, laid out as a device-independent bitmap is (padded rows, optionally
// bottom-up), for portable painting and its tests.
class PixelBuffer {
public:
    PixelBuffer() = default;
    // An invalid size or format gives an empty buffer. New pixels are zero.
    PixelBuffer(int width, int height, PixelFormat format, bool bottomUp = false);

    PixelView View();
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    PixelFormat Format() const { return m_format; }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
    int m_width = 0;
    int m_height = 0;
    PixelFormat m_format = pf24bit;
    bool m_bottom_up = false;
};

} // namespace ui
