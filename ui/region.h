// Window regions: an owning region handle, regions from rectangle lists, and the screen's resolution
// and system metrics that layout code scales by.
#pragma once

#include "core/win32.h"
#include "ui/pixelview.h"

#include <span>
#include <vector>

namespace ui {

// Owns one region handle (null for none). SetWindowRgn takes the handle over: Release() it then.
class Region {
public:
    Region() = default;
    explicit Region(HRGN handle) : m_handle(handle) {}
    Region(Region&& other) noexcept : m_handle(other.Release()) {}
    Region& operator=(Region&& other) noexcept;
    ~Region();

    HRGN Handle() const { return m_handle; }
    HRGN Release();
    bool Contains(int x, int y) const { return m_handle && PtInRegion(m_handle, x, y); }
    // The bounding box (empty without a region).
    RECT Bounds() const;

private:
    HRGN m_handle = nullptr;
};

// The union of the rectangles (empty rectangles left out); an empty list gives an empty region.
Region RegionFromRects(std::span<const PixelRect> rects);
Region RegionFromRects(std::span<const RECT> rects);
// The region of the pixels of view whose colour is not key (see OpaqueRuns).
Region RegionFromPixels(const PixelView& view, uint32_t key, int offsetX = 0, int offsetY = 0);

// ---- Resolution and metrics ----
// The screen's logical pixels per inch (96 when it cannot be read).
int ScreenDpi();
// value, given at 96 per inch, at the screen's resolution.
int ScaleByDpi(int value);
// GetSystemMetrics(index).
int SystemMetric(int index);
// The work area of the primary screen (the screen without the task bar).
RECT WorkArea();

} // namespace ui
