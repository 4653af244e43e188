// A drawing surface over a device context with its own font, brush and pen. The canvas never owns a
// context it is handed; it saves the context's state when it takes it and restores it when it lets
// go. Each drawing call selects the canvas's objects for its duration only, so the context can be
// used directly between calls (Handle) and a changed pen, brush or font is never freed while
// selected. A derived canvas makes its context on demand (CreateHandle), as a bitmap's does.
#pragma once

#include "core/string.h"
#include "core/win32.h"
#include "ui/color.h"
#include "ui/font.h"
#include "ui/penbrush.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

namespace ui {

class Bitmap;

// Raster operations of CopyRect and Draw (the platform's ROP codes).
using CopyMode = DWORD;
constexpr CopyMode cmSrcCopy = SRCCOPY, cmSrcPaint = SRCPAINT, cmSrcAnd = SRCAND, cmSrcInvert = SRCINVERT,
                   cmSrcErase = SRCERASE, cmNotSrcCopy = NOTSRCCOPY, cmNotSrcErase = NOTSRCERASE,
                   cmMergeCopy = MERGECOPY, cmMergePaint = MERGEPAINT, cmPatCopy = PATCOPY, cmPatPaint = PATPAINT,
                   cmPatInvert = PATINVERT, cmDstInvert = DSTINVERT, cmBlackness = BLACKNESS, cmWhiteness = WHITENESS;

class Canvas {
public:
    Canvas();
    explicit Canvas(HDC dc);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    virtual ~Canvas();

    // ---- Properties ----
    // The device context, made first when the canvas makes its own (null when it has none).
    HDC Handle();
    bool HandleAllocated() const { return m_dc != nullptr; }
    // Takes dc (saving its state) after letting go of the previous one (restoring its state).
    void SetHandle(HDC dc);
    ui::Font& Font() { return m_font; }
    ui::Pen& Pen() { return m_pen; }
    ui::Brush& Brush() { return m_brush; }
    ui::CopyMode CopyMode() const { return m_copy_mode; }
    void SetCopyMode(ui::CopyMode mode) { m_copy_mode = mode; }
    POINT PenPos() const { return m_pen_pos; }
    void SetPenPos(POINT pos) { MoveTo(pos.x, pos.y); }

    // Short forms of the brush and pen properties.
    Color BrushColor() const { return m_brush.GetColor(); }
    void SetBrushColor(Color color) { m_brush.SetColor(color); }
    ui::BrushStyle BrushStyle() const { return m_brush.Style(); }
    void SetBrushStyle(ui::BrushStyle style) { m_brush.SetStyle(style); }
    Color PenColor() const { return m_pen.GetColor(); }
    void SetPenColor(Color color) { m_pen.SetColor(color); }
    int PenWidth() const { return m_pen.Width(); }
    void SetPenWidth(int width) { m_pen.SetWidth(width); }

    // ---- Drawing ----
    // Fills rect with the brush (nothing for a clear brush); FrameRect draws a one-pixel frame in the
    // brush colour.
    void FillRect(const RECT& rect);
    void FrameRect(const RECT& rect);
    // Shapes outlined with the pen and filled with the brush.
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const RECT& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
    void Ellipse(int left, int top, int right, int bottom);
    void Polygon(std::span<const POINT> points);
    void Polyline(std::span<const POINT> points);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    // Text in the font colour; the background is the brush colour, or left as it is with a clear brush.
    void TextOut(int x, int y, core::StringView text);
    // DrawText with the given DT_* flags inside the rectangle (DT_CALCRECT updates it). Returns the
    // height of the text.
    int TextRect(RECT& rect, core::StringView text, UINT flags);
    int DrawText(RECT& rect, core::StringView text, UINT flags) { return TextRect(rect, text, flags); }
    // Text clipped to rect, starting at (x, y).
    void TextRect(const RECT& rect, int x, int y, core::StringView text);
    SIZE TextExtent(core::StringView text);
    int TextWidth(core::StringView text) { return TextExtent(text).cx; }
    int TextHeight(core::StringView text) { return TextExtent(text).cy; }
    COLORREF Pixel(int x, int y);
    void SetPixel(int x, int y, Color color);
    // A 3D frame: highlight on the top and left, shadow on the bottom and right; rect shrinks by width.
    void Frame3D(RECT& rect, Color topLeft, Color bottomRight, int width);

    // Pictures. Draw puts the bitmap at (x, y) in its own size; StretchDraw into rect. A transparent
    // bitmap leaves out the pixels of its transparent colour; otherwise the copy mode applies.
    void Draw(int x, int y, Bitmap& bitmap);
    void StretchDraw(const RECT& rect, Bitmap& bitmap);
    // Copies source of another canvas into dest (stretching when the sizes differ) with the copy mode.
    void CopyRect(const RECT& dest, Canvas& canvas, const RECT& source);

    // ---- Clipping and state ----
    // The bounds of the clip region (the whole surface without one).
    RECT ClipRect();
    // Limits drawing to rect (in addition to the current clip); ExcludeClipRect cuts rect out.
    void IntersectClipRect(const RECT& rect);
    void ExcludeClipRect(const RECT& rect);
    // Removes the clip region.
    void ClearClip();
    // Saves the context's state (objects, clip, origin, colours); RestoreState(id) goes back to it
    // (-1: the last saved). False when there is no context or nothing to restore.
    int SaveState();
    bool RestoreState(int id = -1);

    // ---- Threads ----
    // Drawing from other threads holds the lock for the whole of a paint.
    void Lock() { m_lock.lock(); ++m_lock_count; }
    bool TryLock();
    void Unlock() { --m_lock_count; m_lock.unlock(); }
    int LockCount() const { return m_lock_count; }

    // ---- Events ----
    // OnChanging before each drawing call, OnChange after it.
    std::function<void()> OnChanging;
    std::function<void()> OnChange;

protected:
    // Makes the context of a canvas that has its own (the default has none).
    virtual void CreateHandle() {}
    // Lets go of the context: its state is restored first.
    void ReleaseHandle() { SetHandle(nullptr); }

private:
    class Selection;
    void Changing() { if (OnChanging) OnChanging(); }
    void Changed() { if (OnChange) OnChange(); }
    void PrepareText();
    void DrawBitmap(const RECT& rect, Bitmap& bitmap);

    HDC m_dc = nullptr;
    int m_saved = 0;
    std::vector<int> m_states; // SaveState ids, oldest first
    ui::Font m_font;
    ui::Pen m_pen;
    ui::Brush m_brush;
    ui::CopyMode m_copy_mode = cmSrcCopy;
    POINT m_pen_pos{0, 0};
    std::recursive_mutex m_lock;
    std::atomic<int> m_lock_count{0};
};

} // namespace ui
