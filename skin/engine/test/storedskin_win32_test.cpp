// Stored skins: importing the synthetic "TestSkin" from its folder, reading it back into the skin
// tables, copying, the byte-stream property and finding a stored skin by name.
#include "skin/engine/storedskin.h"

#include "core/inifile.h"
#include "core/path.h"
#include "core/stream.h"
#include "skin/engine/test/skinfolder_win32.h"
#include "skin/engine/skinimages.h"
#include "skin/engine/testwriters/testskin.h"
#include "ui/bitmap.h"
#include "ui/jpegimage.h"
#include "ui/propinfo.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

class StoredSkinTest : public ::testing::Test {
protected:
    void SetUp() override { options = std::make_unique<core::MemIniFile>(dir.Path() + u"Options.dat"); }
    test::SkinFolder dir;
    std::unique_ptr<core::MemIniFile> options;
};

TEST_F(StoredSkinTest, ImportedFolderSkinReadsBackToTheFolderTables)
{
    SkinTables folder;
    SkinImageSource source{nullptr, dir.Path()};
    ReadMasks(folder, *options, source, nullptr, &folder);
    ReadPatterns(folder, *options, source, nullptr, &folder);
    LoadAllGeneralData(folder, *options, {});

    TsStoredSkins skins;
    TsStoredSkin& stored = *skins.Add<TsStoredSkin>();
    stored.Name = u"TestSkin";
    TsSkinData owner;
    stored.LoadSkin(*options, &owner);
    EXPECT_DOUBLE_EQ(owner.Version, 6.48);
    EXPECT_EQ(stored.Shadow1Blur, 3);
    EXPECT_EQ(stored.Shadow1Transparency, 50); // the import's own default
    EXPECT_EQ(skins.IndexOf(u"TestSkin"), 0);
    EXPECT_EQ(skins.IndexOf(u"testskin"), -1);

    SkinTables back;
    back.SkinData.ExTitleHeight = 77; // not carried by stored skins: kept
    ReadStoredMasks(back, stored, &back);
    ReadStoredPatterns(back, stored);
    LoadStoredGeneralData(back, stored, {});
    EXPECT_EQ(back.SkinData.ExTitleHeight, 77);
    EXPECT_EQ(back.SkinData.Author, folder.SkinData.Author);
    EXPECT_EQ(back.SkinData.Shadow1Blur, folder.SkinData.Shadow1Blur);

    // Sections: names, values and inherited font colours alike.
    ASSERT_EQ(back.gd.size(), folder.gd.size());
    for (size_t i = 0; i < folder.gd.size(); ++i) {
        SCOPED_TRACE(core::ToUtf8(folder.gd[i].ClassName));
        EXPECT_EQ(back.gd[i].ClassName, folder.gd[i].ClassName);
        EXPECT_EQ(back.gd[i].ParentClass, folder.gd[i].ParentClass);
        EXPECT_EQ(back.gd[i].Color, folder.gd[i].Color);
        EXPECT_EQ(back.gd[i].HotColor, folder.gd[i].HotColor);
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(back.gd[i].FontColor[k], folder.gd[i].FontColor[k]);
            EXPECT_EQ(back.gd[i].HotFontColor[k], folder.gd[i].HotFontColor[k]);
        }
        EXPECT_EQ(back.gd[i].ShowFocus, folder.gd[i].ShowFocus);
        EXPECT_EQ(back.gd[i].GradientArray.size(), folder.gd[i].GradientArray.size());
    }

    // Masks: the stored form keeps BMP images and master-bitmap masks (PNG masks and texture masks
    // made from small JPEGs are the folder reader's own), each with the folder's fields.
    for (const MaskData& m : back.ma) {
        SCOPED_TRACE(core::ToUtf8(m.ClassName + u"." + m.PropertyName));
        int f = folder.GetMaskIndex(m.ClassName, m.PropertyName);
        ASSERT_GE(f, 0);
        const MaskData& o = folder.ma[size_t(f)];
        EXPECT_EQ(m.R, o.R);
        EXPECT_EQ(m.ImageCount, o.ImageCount);
        EXPECT_EQ(m.MaskType, o.MaskType);
        EXPECT_EQ(m.DrawMode, o.DrawMode);
        EXPECT_EQ(m.ImgType, o.ImgType);
        // Glyphs and textures carry no margins in the folder; the stored form computes them as for
        // any mask whose margins are all 0.
        if (m.ImgType == itisaBorder) {
            EXPECT_EQ(m.WL * 1000 + m.WT * 100 + m.WR * 10 + m.WB, o.WL * 1000 + o.WT * 100 + o.WR * 10 + o.WB);
        }
        ASSERT_EQ(bool(m.Bmp), bool(o.Bmp));
        if (m.Bmp) {
            EXPECT_EQ(m.Bmp->PixelColor(m.Bmp->Width() / 2, 2), o.Bmp->PixelColor(o.Bmp->Width() / 2, 2));
        }
    }
    EXPECT_GE(back.GetMaskIndex(u"BUTTON", u"BORDERSMASK"), 0);
    EXPECT_GE(back.GetMaskIndex(u"EDIT", u"BORDERSMASK"), 0);
    EXPECT_EQ(back.GetMaskIndex(u"GLOBALINFO", u"BOXCHECKED"), -1);
    EXPECT_EQ(back.MasterBitmap->PixelColor(5, 5), folder.MasterBitmap->PixelColor(5, 5));

    // Both JPEGs are stored patterns; the folder made the small one a texture mask.
    ASSERT_EQ(back.pa.size(), 2u);
    EXPECT_EQ(back.pa[1].Img->Width(), 299);
}

TEST_F(StoredSkinTest, SharedPatternFilesAndCopies)
{
    options->WriteString(u"EDIT", u"PATTERN", u"P300.JPG");
    TsStoredSkins skins;
    TsStoredSkin& stored = *skins.Add<TsStoredSkin>();
    stored.LoadSkin(*options);
    ASSERT_EQ(stored.Patterns.Count(), 3);
    EXPECT_FALSE(stored.Patterns.Item(0)->Image().Empty());
    EXPECT_TRUE(stored.Patterns.Item(2)->Image().Empty()); // the second P300.JPG holds no copy
    SkinTables t;
    ReadStoredPatterns(t, stored);
    ASSERT_EQ(t.pa.size(), 3u);
    EXPECT_EQ(t.pa[2].Img->Width(), 300);
    EXPECT_EQ(t.pa[2].ClassName, u"EDIT");

    stored.PackedData.WriteBuffer("ASzf", 4);
    TsStoredSkin& copy = *skins.Add<TsStoredSkin>();
    copy.Assign(stored);
    EXPECT_EQ(copy.GeneralData.Count(), stored.GeneralData.Count());
    EXPECT_EQ(copy.Images.Count(), stored.Images.Count());
    EXPECT_EQ(copy.Patterns.Count(), 3);
    EXPECT_EQ(copy.MasterBitmap().Width(), skin::testing::kMasterWidth);
    EXPECT_EQ(copy.PackedData.Size(), 4);
    EXPECT_EQ(copy.Shadow1Blur, 3);

    core::MemoryStream block;
    ui::WriteBinaryProperties(block, stored.BinaryProperties());
    block.SetPosition(0);
    TsStoredSkin& loaded = *skins.Add<TsStoredSkin>();
    ui::ReadBinaryProperties(block, loaded.BinaryProperties());
    EXPECT_EQ(loaded.PackedData.Size(), 4);

    TsStoredSkins other;
    other.Assign(skins); // copies nothing
    EXPECT_EQ(other.Count(), 0);
}

TEST(StoredSkin, NewItemsHaveTheirDefaults)
{
    TsStoredSkin s;
    EXPECT_EQ(s.Shadow1Blur, -1);
    EXPECT_EQ(s.BorderColor, MaskKeyColor);
    EXPECT_EQ(s.PackedData.Size(), 0);
    EXPECT_EQ(s.MasterBitmap().Width(), 0);
    TsSkinPattern p;
    EXPECT_TRUE(p.Image().Empty());
}

TEST(StoredSkin, PublishedValuesByName)
{
    RegisterStoredSkinProperties();
    TsStoredSkins skins;
    TsStoredSkin& s = *skins.Add<TsStoredSkin>();
    EXPECT_EQ(ui::GetOrdProperty(&s, u"Shadow1Blur"), -1);
    EXPECT_EQ(ui::GetOrdProperty(&s, u"BorderColor"), MaskKeyColor);
    ui::SetOrdProperty(&s, u"Shadow1Offset", 4);
    EXPECT_EQ(s.Shadow1Offset, 4);
    EXPECT_EQ(ui::GetObjectProperty(&s, u"Images"), &s.Images);

    TsSkinImage& img = *s.Images.Add<TsSkinImage>();
    ui::SetOrdProperty(&img, u"ImgType", itisaGlow);
    ui::SetOrdProperty(&img, u"WB", 7);
    EXPECT_EQ(img.ImgType, itisaGlow);
    EXPECT_EQ(img.WB, 7);
    ui::Bitmap picture(6, 4);
    ui::SetObjectProperty(&img, u"Image", &picture);
    EXPECT_EQ(img.Image().Width(), 6);
    EXPECT_NE(ui::GetObjectProperty(&img, u"Image"), &picture); // a copy of its own

    TsSkinGeneral& g = *s.GeneralData.Add<TsSkinGeneral>();
    ui::SetOrdProperty(&g, u"GlowCount", 2);
    EXPECT_EQ(g.GlowCount, 2);
}

} // namespace
} // namespace skin
