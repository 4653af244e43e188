// Gradient text and the painter of the band modes.
#include "skin/engine/gradient.h"

#include "core/convert.h"
#include "skin/engine/alphagraph.h"

#include <algorithm>
#include <cstring>

namespace skin {
namespace {

// A colour as channels in pixel byte order (blue, green, red) for ramps in floating point.
struct Channels {
    double v[3];
};

Channels ChannelsOf(uint32_t color)
{
    return Channels{{double(color >> 16 & 0xFF), double(color >> 8 & 0xFF), double(color & 0xFF)}};
}

void PutPixel(uint8_t* p, int size, const Channels& c)
{
    for (int i = 0; i < 3; ++i)
        p[i] = uint8_t(ClampByte(RoundEven(c.v[i])));
    if (size == 4)
        p[3] = 0xFF;
}

} // namespace

void ParseGradientData(core::StringView text, TsGradArray& data)
{
    data.clear();
    std::vector<core::StringView> fields;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u';', start);
        if (end == core::StringView::npos)
            end = text.size();
        if (end > start)
            fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    data.assign(fields.size() / 5, TsGradPie{});
    for (size_t i = 0; i < data.size(); ++i) {
        TsGradPie& pie = data[i];
        pie.Color1 = uint32_t(std::max(0, core::StrToInt(fields[5 * i])));
        pie.Color2 = uint32_t(std::max(0, core::StrToInt(fields[5 * i + 1])));
        pie.Percent = uint8_t(std::clamp(core::StrToInt(fields[5 * i + 2]), 0, 100));
        pie.Mode1 = core::StrToInt(fields[5 * i + 3]);
    }
}

void PaintGradientPixels(const ui::PixelView& view, Rect r, const TsGradArray& data, int /*offsetX*/, int offsetY)
{
    const int size = view.Format() == ui::pf32bit ? 4 : view.Format() == ui::pf24bit ? 3 : 0;
    if (data.empty() || size == 0 || !view.Valid())
        return;
    r.Right = std::min(r.Right, view.Width());
    r.Bottom = std::min(r.Bottom, view.Height());
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    if (r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    const int count = int(data.size());
    if (data[0].Mode1 == 0) {
        const int lastRow = r.Bottom - 1;
        int64_t y = int64_t(r.Top) + offsetY;
        for (int i = 0; i < count; ++i) {
            const int64_t first = y;
            y = first + int64_t(data[i].Percent) * (RectHeight(r) + int64_t(offsetY)) / 100;
            y = i == count - 1 ? lastRow : std::min<int64_t>(y, lastRow);
            if (y <= first)
                break;
            Channels c = ChannelsOf(data[i].Color1);
            const Channels to = ChannelsOf(data[i].Color2);
            const double rows = double(y - first);
            const Channels step{{(to.v[0] - c.v[0]) / rows, (to.v[1] - c.v[1]) / rows, (to.v[2] - c.v[2]) / rows}};
            for (int64_t row = first; row <= y; ++row) {
                if (row >= r.Top) {
                    // One colour per row: rounded once, then stored along the row.
                    uint8_t pixel[4];
                    PutPixel(pixel, size, c);
                    uint8_t* p = view.Row(int(row)) + ptrdiff_t(r.Left) * size;
                    for (int x = r.Left; x < r.Right; ++x, p += size)
                        std::memcpy(p, pixel, size_t(size));
                }
                for (int k = 0; k < 3; ++k)
                    c.v[k] += step.v[k];
            }
        }
    } else if (data[0].Mode1 == 1) {
        const int lastColumn = r.Right - 1;
        // Every row is the same: the first is painted, the others copy it (a single column is never
        // painted, so nothing is copied then).
        for (int row = r.Top; row < r.Bottom; ++row) {
            if (row > r.Top && RectWidth(r) > 1) {
                std::memcpy(view.Row(row) + ptrdiff_t(r.Left) * size, view.Row(r.Top) + ptrdiff_t(r.Left) * size,
                            size_t(RectWidth(r)) * size_t(size));
                continue;
            }
            uint8_t* line = view.Row(row);
            int x = r.Left;
            for (int i = 0; i < count; ++i) {
                const int first = x;
                const int next = RoundEven(data[i].Percent * RectWidth(r) / 100.0 + first);
                const int end = i == count - 1 ? lastColumn : std::min(next, lastColumn);
                x = end;
                if (end <= first)
                    continue;
                Channels c = ChannelsOf(data[i].Color1);
                const Channels to = ChannelsOf(data[i].Color2);
                const double n = end - first;
                const Channels step{{(to.v[0] - c.v[0]) / n, (to.v[1] - c.v[1]) / n, (to.v[2] - c.v[2]) / n}};
                uint8_t* p = line + ptrdiff_t(first) * size;
                for (int px = first; px <= end; ++px, p += size) {
                    PutPixel(p, size, c);
                    for (int k = 0; k < 3; ++k)
                        c.v[k] += step.v[k];
                }
            }
        }
    }
}

} // namespace skin
