// Rectangle runs of non-key pixels, merged across rows with identical runs.
#include "ui/regionruns.h"

namespace ui {

std::vector<PixelRect> OpaqueRuns(const PixelView& view, uint32_t key, int offsetX, int offsetY)
{
    std::vector<PixelRect> result;
    if (!view.Valid() || (view.Format() != pf24bit && view.Format() != pf32bit))
        return result;
    key &= 0xFFFFFF;
    // The runs of the rows seen so far that may still grow downwards: [first, result.size()).
    size_t open = 0;
    std::vector<PixelRect> row;
    for (int y = 0; y < view.Height(); ++y) {
        row.clear();
        int x = 0;
        while (x < view.Width()) {
            while (x < view.Width() && (view.ReadPixel(x, y) & 0xFFFFFF) == key)
                ++x;
            const int start = x;
            while (x < view.Width() && (view.ReadPixel(x, y) & 0xFFFFFF) != key)
                ++x;
            if (x > start)
                row.push_back(PixelRect{start + offsetX, y + offsetY, x + offsetX, y + offsetY + 1});
        }
        bool same = result.size() - open == row.size() && !row.empty();
        for (size_t i = 0; same && i < row.size(); ++i)
            same = result[open + i].left == row[i].left && result[open + i].right == row[i].right &&
                   result[open + i].bottom == row[i].top;
        if (same) {
            for (size_t i = 0; i < row.size(); ++i)
                result[open + i].bottom = row[i].bottom;
        } else {
            open = result.size();
            result.insert(result.end(), row.begin(), row.end());
        }
    }
    return result;
}

} // namespace ui
