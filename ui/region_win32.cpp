// Regions from rectangle lists through one ExtCreateRegion call; screen resolution and metrics.
#include "ui/region.h"

#include "ui/regionruns.h"

#include <cstring>

namespace ui {

Region& Region::operator=(Region&& other) noexcept
{
    if (this != &other) {
        if (m_handle)
            DeleteObject(m_handle);
        m_handle = other.Release();
    }
    return *this;
}

Region::~Region()
{
    if (m_handle)
        DeleteObject(m_handle);
}

HRGN Region::Release()
{
    HRGN handle = m_handle;
    m_handle = nullptr;
    return handle;
}

RECT Region::Bounds() const
{
    RECT rect{};
    if (m_handle)
        GetRgnBox(m_handle, &rect);
    return rect;
}

Region RegionFromRects(std::span<const RECT> rects)
{
    // RGNDATA: a header followed by the rectangles.
    std::vector<RECT> kept;
    kept.reserve(rects.size());
    RECT bounds{};
    for (const RECT& r : rects) {
        if (r.right <= r.left || r.bottom <= r.top)
            continue;
        if (kept.empty())
            bounds = r;
        else
            UnionRect(&bounds, &bounds, &r);
        kept.push_back(r);
    }
    if (kept.empty())
        return Region(CreateRectRgn(0, 0, 0, 0));
    std::vector<unsigned char> data(sizeof(RGNDATAHEADER) + kept.size() * sizeof(RECT));
    RGNDATAHEADER header{};
    header.dwSize = sizeof header;
    header.iType = RDH_RECTANGLES;
    header.nCount = DWORD(kept.size());
    header.nRgnSize = DWORD(kept.size() * sizeof(RECT));
    header.rcBound = bounds;
    std::memcpy(data.data(), &header, sizeof header);
    std::memcpy(data.data() + sizeof header, kept.data(), kept.size() * sizeof(RECT));
    return Region(ExtCreateRegion(nullptr, DWORD(data.size()), reinterpret_cast<const RGNDATA*>(data.data())));
}

Region RegionFromRects(std::span<const PixelRect> rects)
{
    std::vector<RECT> converted;
    converted.reserve(rects.size());
    for (const PixelRect& r : rects)
        converted.push_back(RECT{r.left, r.top, r.right, r.bottom});
    return RegionFromRects(std::span<const RECT>(converted));
}

Region RegionFromPixels(const PixelView& view, uint32_t key, int offsetX, int offsetY)
{
    const std::vector<PixelRect> runs = OpaqueRuns(view, key, offsetX, offsetY);
    return RegionFromRects(std::span<const PixelRect>(runs));
}

int ScreenDpi()
{
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc)
        ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

int ScaleByDpi(int value) { return MulDiv(value, ScreenDpi(), 96); }

int SystemMetric(int index) { return GetSystemMetrics(index); }

RECT WorkArea()
{
    RECT rect{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &rect, 0))
        rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return rect;
}

} // namespace ui
