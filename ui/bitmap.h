// Bitmaps held as device-independent sections: 1-, 4- and 8-bit indexed, 24-bit (B, G, R) and
// 32-bit (B, G, R, A) pixels. The storage is bottom-up, as the platform keeps it; scan lines and the
// pixel view are top-down over it. The memory device context is made when the canvas is first used
// and dropped with the section. Pending GDI drawing is flushed before pixels are handed out.
//
// Content rules: changing the size keeps the top-left area both sizes share and makes the new
// pixels white (opaque white in 32-bit); changing the pixel format converts the pixels (24 <-> 32
// keeps the colours, 32-bit pixels made from 24-bit ones are opaque; indexed formats map to the
// nearest colour of their palette); a width or height of 0 frees the section.
#pragma once

#include "core/exception.h"
#include "core/persistent.h"
#include "core/stream.h"
#include "core/win32.h"
#include "ui/canvas.h"
#include "ui/color.h"
#include "ui/pixelview.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {

using core::EOutOfResources;

enum TransparentMode { tmAuto, tmFixed };

class Bitmap : public core::Persistent {
public:
    Bitmap();
    // The class name standard code compares.
    core::String ClassName() const override { return u"TBitmap"; }
    Bitmap(int width, int height, PixelFormat format = pf24bit);
    ~Bitmap() override;

    // ---- Properties ----
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void SetWidth(int width) { SetSize(width, m_height); }
    void SetHeight(int height) { SetSize(m_width, height); }
    // Negative sizes count as 0. EOutOfResources "Out of system resources" when the section cannot
    // be made (the bitmap keeps its previous content then).
    void SetSize(int width, int height);
    bool Empty() const { return !m_handle; }
    // pfDevice is kept as 32-bit storage.
    PixelFormat GetPixelFormat() const { return m_format; }
    void SetPixelFormat(PixelFormat format);
    // The format of the stored pixels (pf32bit for pfDevice).
    PixelFormat StorageFormat() const;

    // Palette of the indexed formats as $00BBGGRR colours. A new indexed bitmap has the default
    // palette of its format (black and white; the 16 standard colours; those plus a colour cube and
    // greys). SetPalette replaces the first entries (at most 2^bits) and keeps the pixel indexes.
    const std::vector<Color>& Palette() const { return m_palette; }
    void SetPalette(const std::vector<Color>& colors);

    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);
    // tmAuto: the bottom-left pixel's colour; tmFixed: the colour set.
    ui::TransparentMode TransparentMode() const { return m_transparent_mode; }
    void SetTransparentMode(ui::TransparentMode mode);
    Color TransparentColor();
    // clDefault goes back to tmAuto; any other colour makes the mode tmFixed.
    void SetTransparentColor(Color color);

    // The section; null while empty.
    HBITMAP Handle() const { return m_handle; }
    // Takes over a copy of any bitmap handle's pixels (the handle stays the caller's). The format is
    // the handle's when it is a known one, else 32-bit.
    void AssignHandle(HBITMAP bitmap);
    // The canvas over the lazy memory device context.
    ui::Canvas& Canvas();
    bool HandleAllocated() const;

    // ---- Pixels ----
    // Row y from the top; EInvalidGraphicOperation "Scan line index out of range" outside 0..Height-1.
    uint8_t* ScanLine(int y);
    // The pixels, top-down (invalid while empty).
    PixelView Pixels();
    // The colour of a pixel ($00BBGGRR; indexed formats through the palette; alpha left out).
    Color PixelColor(int x, int y);

    // ---- Operations ----
    // A BMP file at the stream's position (1, 4, 8, 24 or 32 bits); EInvalidGraphic "Bitmap image is
    // not valid" for anything else. SaveToStream writes the pixels as a BMP file.
    void LoadFromStream(core::Stream& stream);
    void SaveToStream(core::Stream& stream);
    void Assign(const core::Persistent& source) override;
    // Copies all of bitmap's pixels and settings. Never fails partway: this one stays as it was.
    void Assign(const Bitmap& source);
    // Frees the memory context (it is made again when needed). The section stays.
    void Dormant();
    // Puts the bitmap into dest of dc: stretched when the sizes differ, without the transparent
    // colour's pixels when transparent, else with the raster operation mode.
    void DrawTo(HDC dc, const RECT& dest, CopyMode mode = cmSrcCopy);

    // ---- Events ----
    std::function<void()> OnChange;

private:
    class BitmapCanvas;
    friend class BitmapCanvas;
    struct Section;

    HDC MemoryDC();
    void Replace(Section&& section, int width, int height, PixelFormat format);
    void Changed();

    HBITMAP m_handle = nullptr;
    uint8_t* m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
    PixelFormat m_format = pf24bit;
    std::vector<Color> m_palette;
    bool m_transparent = false;
    ui::TransparentMode m_transparent_mode = tmAuto;
    Color m_transparent_color = clDefault;
    std::unique_ptr<BitmapCanvas> m_canvas;
};

} // namespace ui
