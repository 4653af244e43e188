// JPEG pictures: what libjpeg's compressor makes decodes again, and what it refuses becomes an
// exception, never an exit.
#include "ui/jpegformat.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace ui {
namespace {

TEST(JpegFormat, RoundTripKeepsColoursNearly)
{
    PixelBuffer b(32, 16, pf24bit);
    b.View().Fill(PixelRect{0, 0, 16, 16}, RGBValue(200, 30, 40));
    b.View().Fill(PixelRect{16, 0, 32, 16}, RGBValue(20, 60, 220));
    const std::string file = EncodeJpeg(b.View(), 95);
    ASSERT_GT(file.size(), 100u);
    PixelBuffer decoded = DecodeJpeg(file);
    ASSERT_EQ(decoded.Width(), 32);
    ASSERT_EQ(decoded.Format(), pf24bit);
    for (auto [x, want] : {std::pair{4, RGBValue(200, 30, 40)}, {28, RGBValue(20, 60, 220)}}) {
        const uint32_t got = decoded.View().ReadPixel(x, 8);
        for (int shift = 0; shift < 24; shift += 8)
            EXPECT_NEAR(int(got >> shift & 0xFF), int(want >> shift & 0xFF), 6) << x;
    }
}

TEST(JpegFormat, RefusalsAreExceptions)
{
    PixelBuffer b(8, 8, pf24bit);
    const std::string file = EncodeJpeg(b.View());
    for (const std::string& bytes : {std::string(), std::string("not a jpeg"), file.substr(0, 20)}) {
        try {
            DecodeJpeg(bytes);
            FAIL();
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message().rfind(u"JPEG error #", 0), 0u);
        }
    }
    // A header that claims more than 2^26 pixels.
    std::string huge = file;
    const size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    huge[sof + 5] = char(0x7F), huge[sof + 6] = char(0xFF); // height 32767
    huge[sof + 7] = char(0x7F), huge[sof + 8] = char(0xFF); // width 32767
    EXPECT_THROW(DecodeJpeg(huge), EInvalidGraphic);
}

} // namespace
} // namespace ui
