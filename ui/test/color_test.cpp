// Colour values: plain colours pass through, system colours resolve, the markers give black.
#include "ui/color.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(Color, ColorToRGBResolvesSystemColoursAndMarkers)
{
    EXPECT_EQ(ColorToRGB(0x00123456), 0x123456u);
    EXPECT_EQ(ColorToRGB(clNone), 0u);
    EXPECT_EQ(ColorToRGB(clDefault), 0u);
    EXPECT_EQ(ColorToRGB(0x02123456), 0x123456u) << "a high byte other than $FF is dropped";
    EXPECT_TRUE(IsSystemColor(clBtnFace));
    EXPECT_EQ(clBtnFace, 0xFF00000Fu);
    EXPECT_FALSE(IsSystemColor(clNone));
    EXPECT_FALSE(IsSystemColor(clDefault));
    EXPECT_EQ(ColorToRGB(clWindow) & 0xFF000000u, 0u);
    EXPECT_EQ(ColorToRGB(clSystemColor | 200), 0u);
}

} // namespace
} // namespace ui
