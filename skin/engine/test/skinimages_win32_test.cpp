// The mask and pattern readers over the synthetic "TestSkin", from its folder and from its archive,
// then the options reader and the index fillers over the same tables.
#include "skin/engine/skinimages.h"

#include "core/exception.h"
#include "core/inifile.h"
#include "core/path.h"
#include "core/stream.h"
#include "skin/engine/coloradjust.h"
#include "skin/engine/skinoptions.h"
#include "skin/engine/skinpack.h"
#include "skin/engine/test/skinfolder_win32.h"
#include "skin/engine/test/skintestsupport.h"
#include "skin/engine/testwriters/testskin.h"
#include "skin/engine/testwriters/writers.h"
#include "ui/bitmap.h"
#include "ui/jpegimage.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

using skin::testing::SkinFile;

using test::SkinFolder;

std::unique_ptr<core::MemIniFile> OptionsOf(const std::vector<SkinFile>& files)
{
    return test::OptionsText(core::FromUtf8(files[0].bytes));
}

void LoadAll(SkinTables& t, const core::CustomIniFile& ini, const SkinImageSource& source)
{
    ReadMasks(t, ini, source, nullptr, &t);
    ReadPatterns(t, ini, source, nullptr, &t);
    LoadAllGeneralData(t, ini, {});
    t.InitConstantIndexes();
}

int MaskIndex(const SkinTables& t, core::StringView section, core::StringView name)
{
    return t.GetMaskIndex(section, name);
}

// A checksum of a bitmap's pixels, for comparing two loads.
uint64_t PixelSum(ui::Bitmap& bmp)
{
    uint64_t sum = 0;
    ui::PixelView v = bmp.Pixels();
    int bytes = bmp.GetPixelFormat() == ui::pf32bit ? 4 : 3;
    for (int y = 0; y < v.Height(); ++y)
        for (int x = 0; x < v.Width() * bytes; ++x)
            sum = sum * 31 + v.Row(y)[x];
    return sum;
}

void ExpectSameTables(SkinTables& a, SkinTables& b)
{
    ASSERT_EQ(a.ma.size(), b.ma.size());
    for (size_t i = 0; i < a.ma.size(); ++i) {
        EXPECT_EQ(a.ma[i].ClassName, b.ma[i].ClassName);
        EXPECT_EQ(a.ma[i].PropertyName, b.ma[i].PropertyName);
        EXPECT_EQ(a.ma[i].R, b.ma[i].R);
        EXPECT_EQ(a.ma[i].WL * 1000 + a.ma[i].WT, b.ma[i].WL * 1000 + b.ma[i].WT);
        EXPECT_EQ(a.ma[i].ImgType, b.ma[i].ImgType);
        ASSERT_EQ(bool(a.ma[i].Bmp), bool(b.ma[i].Bmp));
        if (a.ma[i].Bmp) {
            EXPECT_EQ(PixelSum(*a.ma[i].Bmp), PixelSum(*b.ma[i].Bmp));
        }
    }
    ASSERT_EQ(a.pa.size(), b.pa.size());
    for (size_t i = 0; i < a.pa.size(); ++i)
        EXPECT_EQ(a.pa[i].PropertyName, b.pa[i].PropertyName);
    ASSERT_EQ(a.gd.size(), b.gd.size());
    for (size_t i = 0; i < a.gd.size(); ++i) {
        EXPECT_EQ(a.gd[i].ClassName, b.gd[i].ClassName);
        EXPECT_EQ(a.gd[i].Color, b.gd[i].Color);
        EXPECT_EQ(a.gd[i].BorderIndex, b.gd[i].BorderIndex);
    }
    EXPECT_EQ(PixelSum(*a.MasterBitmap), PixelSum(*b.MasterBitmap));
}

TEST(SkinImages, TestSkinFromItsFolder)
{
    auto files = skin::testing::TestSkinFiles();
    SkinFolder folder(files);
    auto ini = OptionsOf(files);
    SkinTables t;
    LoadAll(t, *ini, {nullptr, folder.Path()});

    ASSERT_TRUE(t.MasterBitmap);
    EXPECT_EQ(t.MasterBitmap->Width(), skin::testing::kMasterWidth);
    EXPECT_EQ(t.MasterBitmap->GetPixelFormat(), ui::pf24bit);
    EXPECT_EQ(t.MasterBitmap->PixelColor(5, 5), skin::testing::kCloseIconColor);

    int border = MaskIndex(t, u"BUTTON", u"BORDERSMASK");
    ASSERT_GE(border, 0);
    const MaskData& b = t.ma[size_t(border)];
    ASSERT_TRUE(b.Bmp);
    EXPECT_EQ(b.Bmp->GetPixelFormat(), ui::pf24bit);
    EXPECT_EQ(b.R, (Rect{0, 0, 90, 40}));
    EXPECT_EQ(b.ImageCount, 3);
    EXPECT_EQ(b.MaskType, 1);
    EXPECT_EQ(b.DrawMode, 4);
    EXPECT_EQ(b.WL * 1000 + b.WT * 100 + b.WR * 10 + b.WB, 10000 + 600 + 100 + 6);
    EXPECT_EQ(b.Bmp->PixelColor(0, 0), MaskKeyColor);
    EXPECT_EQ(b.Bmp->PixelColor(5, 5), 0x008000u);
    EXPECT_EQ(b.Manager, &t);

    // PNG masks keep 32 bits and their alpha; transparent white became transparent black.
    int glyph = MaskIndex(t, u"GLOBALINFO", u"BOXCHECKED");
    ASSERT_GE(glyph, 0);
    ui::Bitmap& png = *t.ma[size_t(glyph)].Bmp;
    EXPECT_EQ(png.GetPixelFormat(), ui::pf32bit);
    EXPECT_EQ(t.ma[size_t(glyph)].ImgType, itisaPngGlyph);
    EXPECT_EQ(png.Pixels().Row(1)[1 * 4 + 3], 128);
    const uint8_t* edge = png.Pixels().Row(0) + 1 * 4;
    EXPECT_EQ(edge[0] | edge[1] | edge[2] | edge[3], 0);

    // The 300 x 300 JPEG is a pattern, the 299 x 300 one a texture mask and no pattern.
    ASSERT_EQ(t.pa.size(), 1u);
    EXPECT_EQ(t.pa[0].ClassName, u"PANEL");
    EXPECT_EQ(t.pa[0].PropertyName, u"PATTERN");
    int texture = MaskIndex(t, u"PANEL", u"HOTPATTERN");
    ASSERT_GE(texture, 0);
    EXPECT_EQ(t.ma[size_t(texture)].ImgType, itisaTexture);
    EXPECT_EQ(t.ma[size_t(texture)].Bmp->Width(), 299);
    EXPECT_EQ(t.ma.back().PropertyName, u"HOTPATTERN"); // texture masks come last

    // Sections, inheritance and the indexes over the images.
    int mybutton = t.GetSkinIndex(u"MYBUTTON");
    ASSERT_GE(mybutton, 0);
    EXPECT_EQ(t.gd[size_t(mybutton)].Color, 0xFF8000u);
    EXPECT_EQ(t.gd[size_t(mybutton)].BorderIndex, border);
    EXPECT_EQ(t.GetTextureIndex(mybutton, u"MYBUTTON", u"HOTPATTERN"), texture);
    EXPECT_EQ(t.GetPatternIndex(mybutton, u"MYBUTTON", u"PATTERN"), 0);
    EXPECT_EQ(t.GetMaskIndex(t.GetSkinIndex(u"CYCLEA"), u"CYCLEA", u"BORDERSMASK"), -1);
    EXPECT_EQ(t.ConstData.CheckBoxChecked, glyph);
    EXPECT_EQ(t.ConstData.ExBorder, MaskIndex(t, u"GLOBALINFO", u"EXBORDER"));
    EXPECT_EQ(t.ConstData.MaskTabTop, border);
    EXPECT_EQ(t.ConstData.ComboBtnBG, MaskIndex(t, u"SCROLLBTNTOP", u"PATTERN"));
    EXPECT_EQ(t.ConstData.MaskArrowTop, MaskIndex(t, u"SCROLLBTNTOP", u"GLYPHMASK"));
    EXPECT_DOUBLE_EQ(t.SkinData.Version, 6.48);
}

TEST(SkinImages, ArchiveGivesTheSameTablesAndFindsNoLowerCaseNames)
{
    auto files = skin::testing::TestSkinFiles();
    SkinFolder folder(files);
    auto ini = OptionsOf(files);
    SkinTables fromFolder;
    LoadAll(fromFolder, *ini, {nullptr, folder.Path()});

    core::StringStream packed(skin::testing::TestSkinArchive());
    TacSkinConvertor archive;
    archive.LendPackedData(&packed);
    archive.Unpack();
    archive.LendPackedData(nullptr);
    SkinTables fromArchive;
    LoadAll(fromArchive, *ini, {&archive, {}});

    // "arrow.BMP" is written in lower case: the folder finds the file, the archive does not.
    int arrow = MaskIndex(fromFolder, u"SCROLLBTNTOP", u"GLYPHMASK");
    ASSERT_GE(arrow, 0);
    EXPECT_EQ(MaskIndex(fromArchive, u"SCROLLBTNTOP", u"GLYPHMASK"), -1);
    fromFolder.ma.erase(fromFolder.ma.begin() + arrow);
    for (SectionData& s : fromFolder.gd)
        if (s.BorderIndex > arrow)
            --s.BorderIndex;
    ExpectSameTables(fromFolder, fromArchive);
}

TEST(SkinImages, MissingMasterStillGivesRectangleMasks)
{
    auto files = skin::testing::TestSkinFiles();
    files.erase(files.begin() + 1); // MASTER.BMP
    SkinFolder folder(files);
    SkinTables t;
    ReadMasks(t, *OptionsOf(files), {nullptr, folder.Path()}, nullptr, &t);
    ASSERT_TRUE(t.MasterBitmap);
    EXPECT_EQ(t.MasterBitmap->Width(), 0);
    EXPECT_EQ(t.MasterBitmap->GetPixelFormat(), ui::pf24bit);
    int close = MaskIndex(t, u"GLOBALINFO", u"BICONCLOSE");
    ASSERT_GE(close, 0);
    EXPECT_EQ(t.ma[size_t(close)].R, (Rect{0, 0, 30, 10}));
    EXPECT_GE(MaskIndex(t, u"PANEL", u"BORDERSMASK"), 0);
}

TEST(SkinImages, TheMasterBitmapKeyIsNoMaskWhateverItsCase)
{
    for (const char* key : {"MASTERBITMAP", "MasterBitmap", "masterbitmap"}) {
        SCOPED_TRACE(key);
        auto files = skin::testing::TestSkinFiles();
        std::string& options = files[0].bytes;
        options.replace(options.find("MASTERBITMAP"), 12, key);
        SkinFolder folder(files);
        SkinTables t;
        ReadMasks(t, *OptionsOf(files), {nullptr, folder.Path()}, nullptr, &t);
        EXPECT_EQ(t.MasterBitmap->Width(), skin::testing::kMasterWidth);
        for (const MaskData& m : t.ma)
            EXPECT_FALSE(core::SameText(m.PropertyName, u"MASTERBITMAP"));
    }
}

TEST(SkinImages, DamagedPngRaisesAndKeepsTheMasksReadBefore)
{
    auto files = skin::testing::TestSkinFiles();
    for (SkinFile& f : files)
        if (f.name == "GLYPH.PNG")
            f.bytes.resize(f.bytes.size() / 2);
    SkinFolder folder(files);
    SkinTables t;
    EXPECT_ANY_THROW(ReadMasks(t, *OptionsOf(files), {nullptr, folder.Path()}, nullptr, &t));
    EXPECT_GE(MaskIndex(t, u"GLOBALINFO", u"BICONCLOSE"), 0);
    EXPECT_EQ(MaskIndex(t, u"GLOBALINFO", u"BOXCHECKED"), -1);
    EXPECT_EQ(MaskIndex(t, u"PANEL", u"BORDERSMASK"), -1);
}

TEST(SkinImages, OwnImageMaskWithABadFieldIsInTheTableWhenTheLoadStops)
{
    struct Case {
        const char* value;
        TacImgType type;       // read first
        int16_t imageCount;    // read next, before the field that fails
    } cases[] = {
        {"!GLYPH.PNG!3!x!4", itisaPngGlyph, 3},
        {"!GLYPH.PNG!three!0!4", itisaPngGlyph, 0},
        {"!GLYPH.PNG!3!0!4!1!2!z!4", itisaPngGlyph, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        auto files = skin::testing::TestSkinFiles();
        std::string& options = files[0].bytes;
        const std::string sound = "BOXCHECKED=!GLYPH.PNG!3!0!4";
        options.replace(options.find(sound), sound.size(), std::string("BOXCHECKED=") + c.value);
        SkinFolder folder(files);
        SkinTables t;
        EXPECT_ANY_THROW(ReadMasks(t, *OptionsOf(files), {nullptr, folder.Path()}, nullptr, &t));
        int i = MaskIndex(t, u"GLOBALINFO", u"BOXCHECKED");
        ASSERT_GE(i, 0);
        EXPECT_EQ(i, int(t.ma.size()) - 1) << "the last entry read";
        const MaskData& m = t.ma[size_t(i)];
        EXPECT_TRUE(m.Bmp);
        EXPECT_EQ(m.Manager, &t);
        EXPECT_EQ(m.ImgType, c.type);
        EXPECT_EQ(m.ImageCount, c.imageCount);
    }
}

TEST(SkinImages, CommonSectionsAddMasksAndPatternsFromFiles)
{
    auto files = skin::testing::TestSkinFiles();
    SkinFolder folder(files);
    core::StringList common;
    common.SetText(u"[MyPanel]\nBordersMask=#(0,20,60,41)(3,1)\nGlyph=edit.bmp\nMissing=NONE.BMP\nHash=#\n"
                   u"Pattern=p300.jpg\nSmall=P299.JPG\n[GLOBALINFO]\nBOX=#(0,0,10,10)(1,0)\nBACK=P300.JPG\n");
    SkinTables t;
    auto ini = OptionsOf(files);
    ReadMasks(t, *ini, {nullptr, folder.Path()}, &common, &t);
    ReadPatterns(t, *ini, {nullptr, folder.Path()}, &common, &t);

    int rect = MaskIndex(t, u"MYPANEL", u"BORDERSMASK");
    ASSERT_GE(rect, 0);
    EXPECT_EQ(t.ma[size_t(rect)].R, (Rect{0, 20, 60, 41}));
    EXPECT_EQ(t.ma[size_t(rect)].Manager, &t);
    int glyph = MaskIndex(t, u"MYPANEL", u"GLYPH");
    ASSERT_GE(glyph, 0);
    const MaskData& g = t.ma[size_t(glyph)];
    ASSERT_TRUE(g.Bmp);
    EXPECT_EQ(g.Bmp->GetPixelFormat(), ui::pf24bit);
    EXPECT_EQ(g.R, Rect{}); // a common bitmap mask carries only its image
    EXPECT_EQ(g.ImageCount, 0);
    EXPECT_EQ(MaskIndex(t, u"MYPANEL", u"MISSING"), -1);
    EXPECT_EQ(MaskIndex(t, u"MYPANEL", u"HASH"), -1);
    EXPECT_EQ(MaskIndex(t, u"GLOBALINFO", u"BOX"), -1); // "GLOBALINFO" gives no common masks

    // Common patterns stay patterns whatever their size, "GLOBALINFO" included.
    auto pattern = [&](core::StringView section, core::StringView name) {
        for (size_t i = 0; i < t.pa.size(); ++i)
            if (t.pa[i].ClassName == section && t.pa[i].PropertyName == name)
                return int(i);
        return -1;
    };
    EXPECT_GE(pattern(u"MYPANEL", u"PATTERN"), 0);
    ASSERT_GE(pattern(u"MYPANEL", u"SMALL"), 0);
    EXPECT_EQ(t.pa[size_t(pattern(u"MYPANEL", u"SMALL"))].Img->Width(), 299);
    EXPECT_GE(pattern(u"GLOBALINFO", u"BACK"), 0);
}

TEST(SkinImages, HueKeepsTheCloseIconByBIKeepHue)
{
    auto files = skin::testing::TestSkinFiles();
    SkinFolder folder(files);
    struct Case {
        int keep;
        bool closeKept, maxKept;
    } cases[] = {{0, false, false}, {1, true, true}, {2, true, false}};
    for (const Case& c : cases) {
        SkinTables t;
        LoadAll(t, *OptionsOf(files), {nullptr, folder.Path()});
        t.SkinData.BIKeepHUE = int16_t(c.keep);
        int glow = MaskIndex(t, u"GLOBALINFO", u"BICONCLOSEGLOW0");
        ASSERT_GE(glow, 0);
        uint64_t glowBefore = PixelSum(*t.ma[size_t(glow)].Bmp);
        ApplyHueOffset(t, 120);
        EXPECT_EQ(t.MasterBitmap->PixelColor(5, 5) == skin::testing::kCloseIconColor, c.closeKept) << c.keep;
        EXPECT_EQ(t.MasterBitmap->PixelColor(45, 5) == skin::testing::kTitleIconColor, c.maxKept) << c.keep;
        EXPECT_NE(t.MasterBitmap->PixelColor(5, 30), skin::testing::kMasterColor);
        EXPECT_EQ(PixelSum(*t.ma[size_t(glow)].Bmp) == glowBefore, c.closeKept) << c.keep;
        EXPECT_EQ(t.SkinData.BorderColor, MaskKeyColor);
    }
}

} // namespace
} // namespace skin
