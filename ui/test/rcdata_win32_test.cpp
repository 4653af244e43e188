// An RCDATA resource of the test program, read and carried through a binary property block.
#include "ui/binaryprops.h"
#include "ui/rcdata.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(RCData, ResourceRoundTripsThroughAnImgDataProperty)
{
    const std::optional<std::string> glyph = FindRCData(nullptr, u"UITESTGLYPH");
    ASSERT_TRUE(glyph.has_value());
    EXPECT_EQ(*glyph, std::string("BM\x00\x01\x02\xff\xfePNG\r\n\x1a\nend", 17));

    core::MemoryStream img;
    ASSERT_TRUE(LoadRCData(nullptr, u"UITESTGLYPH", img));
    EXPECT_EQ(img.Position(), 0);
    core::MemoryStream block;
    WriteBinaryProperties(block, {MemoryStreamProperty(u"ImgData", img)});
    core::MemoryStream back;
    block.SetPosition(0);
    ReadBinaryProperties(block, {MemoryStreamProperty(u"ImgData", back)});
    back.SetPosition(0);
    EXPECT_EQ(back.ReadToEnd(), *glyph);

    core::MemoryStream untouched;
    untouched.WriteBuffer("keep", 4);
    EXPECT_FALSE(LoadRCData(nullptr, u"NOSUCHRESOURCE", untouched));
    EXPECT_EQ(untouched.Size(), 4);
    EXPECT_FALSE(FindRCData(nullptr, u"").has_value());
}

} // namespace
} // namespace ui
