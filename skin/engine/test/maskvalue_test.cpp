// The mask values of options documents parsed to the fields of new mask records.
#include "skin/engine/maskvalue.h"

#include "core/exception.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

struct Expected {
    Rect r;
    int imageCount, maskType, borderWidth, drawMode;
    TacImgType type;
    int wl, wt, wr, wb;
};

void ExpectMask(const MaskData& m, const Expected& e)
{
    EXPECT_EQ(m.R, e.r);
    EXPECT_EQ(m.ImageCount, e.imageCount);
    EXPECT_EQ(m.MaskType, e.maskType);
    EXPECT_EQ(m.BorderWidth, e.borderWidth);
    EXPECT_EQ(m.DrawMode, e.drawMode);
    EXPECT_EQ(m.ImgType, e.type);
    EXPECT_EQ(m.WL, e.wl);
    EXPECT_EQ(m.WT, e.wt);
    EXPECT_EQ(m.WR, e.wr);
    EXPECT_EQ(m.WB, e.wb);
    EXPECT_FALSE(m.Bmp);
}

TEST(MaskValues, FormsParsedToTheirFields)
{
    struct Case {
        const char16_t* value;
        MaskForm form;
        Expected e;
    } cases[] = {
        {u"!BUTTON.BMP!3!1!0", MaskForm::OwnImage, {{0, 0, 90, 40}, 3, 1, 0, 4, itisaBorder, 10, 6, 10, 6}},
        {u"!BUTTON.BMP!3!1!0!10!6!10!6", MaskForm::OwnImage, {{0, 0, 90, 40}, 3, 1, 0, 4, itisaBorder, 10, 6, 10, 6}},
        {u"!B.PNG!1!0!4!1!2!3!4", MaskForm::OwnImage, {{0, 0, 90, 40}, 1, 0, 0, 4, itisaPngGlyph, 1, 2, 3, 4}},
        {u"!B.PNG!1!0!9", MaskForm::OwnImage, {{0, 0, 90, 40}, 1, 0, 0, 4, itisaPngGlyph, 30, 13, 30, 13}},
        {u"!B.BMP!1!0!-3", MaskForm::OwnImage, {{0, 0, 90, 40}, 1, 0, 0, 4, itisaBorder, 30, 13, 30, 13}},
        {u"!B.BMP!0!-1!1", MaskForm::OwnImage, {{0, 0, 90, 40}, 0, -1, 0, 4, itisaTexture, 0, 0, 0, 0}},
        {u"@0010,0020,0070,0036,3,1", MaskForm::Glyph, {{10, 20, 70, 36}, 3, 1, 0, 0, itisaGlyph, 0, 0, 0, 0}},
        {u"^0000,0000,0060,0021,0004,0005,0006,0007,3,1,2,0", MaskForm::Border,
         {{0, 0, 60, 21}, 3, 1, 0, 2, itisaBorder, 4, 5, 6, 7}},
        {u"^0000,0000,0060,0021,0000,0000,0000,0000,3,1,0,2", MaskForm::Border,
         {{0, 0, 60, 21}, 3, 1, 2, 0, itisaBorder, 2, 2, 2, 2}},
        {u"^0000,0000,0060,0021,0000,0000,0000,0000,3,1,0,0", MaskForm::Border,
         {{0, 0, 60, 21}, 3, 1, 0, 0, itisaBorder, 6, 3, 6, 3}},
        {u"~0000,0000,0032,0032,01", MaskForm::Texture, {{0, 0, 32, 32}, 1, 0, 0, 1, itisaTexture, 0, 0, 0, 0}},
        {u"~0000,0000,0032,0032,01,1", MaskForm::Texture, {{0, 0, 32, 32}, 1, 1, 0, 1, itisaTexture, 0, 0, 0, 0}},
        {u"#(0,0,60,21)(3,1)", MaskForm::Rectangle, {{0, 0, 60, 21}, 3, 1, 0, 1, itisaBorder, 6, 3, 6, 3}},
        {u"#(0,0,60,21)(0,-1,-5,2)", MaskForm::Rectangle, {{0, 0, 60, 21}, 1, 0, 0, 2, itisaBorder, 20, 7, 20, 7}},
        {u"#(5,6,65,27) (3,1,4,0)", MaskForm::Rectangle, {{5, 6, 65, 27}, 3, 1, 4, 0, itisaBorder, 4, 4, 4, 4}},
        {u"panel.bmp", MaskForm::BitmapFile, {{0, 0, 90, 40}, 3, 1, 0, 0, itisaBorder, 10, 6, 10, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.value));
        ASSERT_EQ(MaskFormOf(c.value), c.form);
        MaskData m = ParseMaskValue(c.form, u"Button", u"BordersMask", c.value, 90, 40);
        ExpectMask(m, c.e);
        bool upper = c.form == MaskForm::Rectangle || c.form == MaskForm::BitmapFile;
        EXPECT_EQ(m.ClassName, upper ? u"BUTTON" : u"Button");
        EXPECT_EQ(m.PropertyName, upper ? u"BORDERSMASK" : u"BordersMask");
    }
}

TEST(MaskValues, ValuesThatAreNoMask)
{
    const char16_t* values[] = {u"", u"#", u"5", u"$FF00FF", u"TRUE", u"!BUTTON.GIF!3!1!0", u"!button.bmp!3!1!0",
                                u"picture.jpg"};
    for (const char16_t* v : values)
        EXPECT_EQ(MaskFormOf(v), MaskForm::None) << core::ToUtf8(v);
}

TEST(MaskValues, FileNamesKeepOrGainTheirCase)
{
    EXPECT_EQ(MaskFileName(MaskForm::OwnImage, u"!Button.BMP!3!1!0"), u"Button.BMP");
    EXPECT_EQ(MaskFileName(MaskForm::BitmapFile, u"Panel.bmp"), u"PANEL.BMP");
    EXPECT_EQ(MaskFileName(MaskForm::Border, u"^0000"), u"");
}

TEST(MaskValues, BadFieldsRaiseTheConversionError)
{
    struct Case {
        MaskForm form;
        const char16_t *value, *message;
    } cases[] = {
        {MaskForm::OwnImage, u"!BUTTON.BMP!3!1!0!10", u"'' is not a valid integer value"},
        {MaskForm::OwnImage, u"!BUTTON.BMP!x!1!0", u"'x' is not a valid integer value"},
        {MaskForm::Glyph, u"@0010,0020,0070,0036,3", u"'' is not a valid integer value"},
        {MaskForm::Border, u"^00a0,0000,0060,0021,0004,0004,0004,0004,3,1,0,0", u"'00a0' is not a valid integer value"},
        {MaskForm::Texture, u"~0000,0000,0032,0032,", u"'' is not a valid integer value"},
        {MaskForm::Rectangle, u"#(0,0,60)(3,1)", u"'' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        try {
            ParseMaskValue(c.form, u"S", u"K", c.value, 90, 40);
            ADD_FAILURE() << core::ToUtf8(c.value);
        } catch (const core::EConvertError& e) {
            EXPECT_EQ(e.Message(), c.message) << core::ToUtf8(c.value);
        }
    }
}

} // namespace
} // namespace skin
