// Rectangle runs of pictures with transparent key pixels.
#include "ui/regionruns.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

constexpr uint32_t kKey = 0xFF00FF;

// Builds a picture from rows of text: '#' opaque, '.' key.
PixelBuffer Picture(std::initializer_list<const char*> rows, PixelFormat format = pf24bit)
{
    const int width = int(std::char_traits<char>::length(*rows.begin()));
    PixelBuffer buffer(width, int(rows.size()), format, true);
    PixelView view = buffer.View();
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; x < width; ++x)
            view.WritePixel(x, y, row[x] == '#' ? 0x00123456 : (format == pf32bit ? 0x7F000000 | kKey : kKey));
        ++y;
    }
    return buffer;
}

TEST(OpaqueRuns, RowsWithEqualRunsMerge)
{
    struct Case { std::initializer_list<const char*> rows; std::vector<PixelRect> runs; };
    const Case cases[] = {
        {{"....", "...."}, {}},
        {{"####", "####"}, {{0, 0, 4, 2}}},
        {{".##.", ".##.", "####"}, {{1, 0, 3, 2}, {0, 2, 4, 3}}},
        {{"#..#", "#..#", "...."}, {{0, 0, 1, 2}, {3, 0, 4, 2}}},
        {{"#.", "..", "#."}, {{0, 0, 1, 1}, {0, 2, 1, 3}}}, // a gap row splits
    };
    for (const Case& c : cases) {
        for (PixelFormat format : {pf24bit, pf32bit}) {
            PixelBuffer buffer = Picture(c.rows, format);
            EXPECT_EQ(OpaqueRuns(buffer.View(), kKey), c.runs) << *c.rows.begin() << " " << int(format);
        }
    }
}

TEST(OpaqueRuns, OffsetMovesTheRectanglesAndOtherFormatsGiveNone)
{
    PixelBuffer buffer = Picture({".#"});
    EXPECT_EQ(OpaqueRuns(buffer.View(), kKey, 10, -5), (std::vector<PixelRect>{{11, -5, 12, -4}}));
    PixelBuffer indexed(4, 4, pf8bit);
    EXPECT_TRUE(OpaqueRuns(indexed.View(), kKey).empty());
    EXPECT_TRUE(OpaqueRuns(PixelView(), kKey).empty());
}

} // namespace
} // namespace ui
