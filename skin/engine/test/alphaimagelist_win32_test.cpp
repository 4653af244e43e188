// The alpha image list: telling PNG and ICO files apart, building the system list from kept files,
// 32-bit pictures with alpha (also scaled), icons without alpha, lists read back from their stored
// "ImgData", copies between lists and painting one cell of a glyph.
#include "skin/engine/alphaimagelist.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/testwriters/writers.h"
#include "core/test/tempfile.h"
#include "ui/propinfo.h"
#include "ui/test/uitest.h"

#include <array>

namespace skin {
namespace {

using skin::testing::EncodeIco;
using skin::testing::EncodeRgbaPng;
using skin::testing::IcoImage;

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
constexpr uint32_t kMagenta = 0x00FF00FF;

template <class F> std::string Ico(int w, int h, int bitCount, F pixel)
{
    IcoImage image;
    image.width = w;
    image.height = h;
    image.bitCount = bitCount;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.pixels.push_back(pixel(x, y));
    return EncodeIco(image);
}

// Four cells of four pixels side by side: red, green, blue, white, all opaque.
std::string FourCells()
{
    return EncodeRgbaPng(16, 4, [](int x, int) { return std::array{kRed, kGreen, kBlue, kWhite}[size_t(x / 4)]; });
}

uint32_t Alpha(uint32_t pixel) { return pixel >> 24; }

class AlphaImageListTest : public ui::test::UiTest {
protected:
    AlphaImageListTest() { InitSkinEngine(); }
    ~AlphaImageListTest() override { DoneSkinEngine(); }

    core::String Write(core::StringView name, const std::string& bytes)
    {
        core::String file = m_dir.File(name);
        core::FileStream out(file, core::fmCreate);
        out.WriteBuffer(bytes.data(), int64_t(bytes.size()));
        return file;
    }
    // A list made as a program makes one: constructed, then told so.
    static std::unique_ptr<TsAlphaImageList> NewList(int w, int h, bool doubleData = true)
    {
        auto list = std::make_unique<TsAlphaImageList>(nullptr, w, h);
        list->DoubleData = doubleData;
        list->AfterConstruction();
        return list;
    }

    core::test::TempDir m_dir;
};

TEST_F(AlphaImageListTest, DetectsPngBySignatureAndIconByStartAndExtension)
{
    const std::string png = FourCells();
    const std::string signature = png.substr(0, 8);
    const std::string iconStart("\0\0\x01", 3);
    struct Case {
        const char16_t* name;
        std::string bytes;
        bool detected;
        TsImageFormat format;
    } cases[] = {
        {u"a.png", png, true, ifPNG},
        {u"b.dat", png, true, ifPNG},             // the signature decides, not the name
        {u"c.png", signature, false, ifPNG},      // exactly 8 bytes: nothing after the signature
        {u"d.png", signature + "x", true, ifPNG},
        {u"e.ico", std::string(2, '\0'), false, ifPNG},
        {u"f.ico", iconStart, true, ifICO},
        {u"G.ICO", iconStart, true, ifICO},
        {u"h.Ico", iconStart, true, ifICO},
        {u"i.bmp", iconStart, false, ifPNG},
        {u"j", iconStart, false, ifPNG},
        {u"k.ico", std::string("\x01\0\0", 3), false, ifPNG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.name));
        TsImageFormat format = c.format == ifPNG ? ifICO : ifPNG;
        EXPECT_EQ(DetectImageFormat(Write(c.name, c.bytes), format), c.detected);
        if (c.detected) {
            EXPECT_EQ(format, c.format);
        }
    }
    TsImageFormat format = ifPNG;
    EXPECT_FALSE(DetectImageFormat(m_dir.Path() + u"\\missing.png", format));
    // Only the first 8 bytes are compared.
    const std::string longer = signature + "zz";
    EXPECT_TRUE(FileStartsWith(Write(u"l.png", png), (signature + "yy").data(), 10));
    EXPECT_FALSE(FileStartsWith(Write(u"m.png", longer), "\x89PNX", 4));
}

TEST_F(AlphaImageListTest, PaintListGlyphTakesTheLastCellForHighStates)
{
    auto list = NewList(16, 4);
    ASSERT_TRUE(list->AddImageFromFile(Write(u"cells.png", FourCells())));
    ASSERT_EQ(list->Count(), 1);
    ui::Bitmap dst(12, 10, ui::pf24bit);
    FillDCSolid(dst.Canvas().Handle(), RECT{0, 0, 12, 10}, ui::clBlack);
    SIZE size{};
    PaintListGlyph(list.get(), &dst, 2, 3, 0, 0, ui::clNone, 5, 4, false, size);
    EXPECT_EQ(size.cx, 4);
    EXPECT_EQ(size.cy, 4);
    // Composited: an opaque channel over a different one comes out at 254.
    EXPECT_EQ(dst.PixelColor(2, 3), 0xFEFEFEu);
    EXPECT_EQ(dst.PixelColor(5, 6), 0xFEFEFEu);
    EXPECT_EQ(dst.PixelColor(6, 3), ui::clBlack);
    EXPECT_EQ(dst.PixelColor(1, 3), ui::clBlack);
    EXPECT_EQ(dst.PixelColor(2, 7), ui::clBlack);
    // State 1 is the green cell; an index outside the list leaves the bitmap alone but sets the size.
    PaintListGlyph(list.get(), &dst, 6, 0, 0, 0, ui::clNone, 1, 4, false, size);
    EXPECT_EQ(dst.PixelColor(6, 0), 0x00FE00u);
    size = {};
    PaintListGlyph(list.get(), &dst, 0, 0, 3, 0, ui::clNone, 0, 2, false, size);
    EXPECT_EQ(size.cx, 8);
    EXPECT_EQ(dst.PixelColor(0, 0), ui::clBlack);
}

TEST_F(AlphaImageListTest, PaintListGlyphOfAPlainListCopiesTheCellOverTheBackground)
{
    ui::ImageList plain(nullptr, 16, 4);
    ui::Bitmap cells(16, 4, ui::pf24bit);
    const ui::Color colours[] = {ui::clRed, ui::clLime, ui::clBlue, ui::clWhite};
    for (int i = 0; i < 4; ++i)
        FillDCSolid(cells.Canvas().Handle(), RECT{i * 4, 0, i * 4 + 4, 4}, colours[i]);
    ASSERT_EQ(plain.Add(cells), 0);
    ui::Bitmap dst(10, 10, ui::pf24bit);
    FillDCSolid(dst.Canvas().Handle(), RECT{0, 0, 10, 10}, ui::clBlack);
    SIZE size{};
    PaintListGlyph(&plain, &dst, 1, 1, 0, 50, ui::clRed, 2, 4, true, size);
    EXPECT_EQ(size.cx, 4);
    EXPECT_EQ(dst.PixelColor(1, 1), ui::clBlue);
    EXPECT_EQ(dst.PixelColor(4, 4), ui::clBlue);
    EXPECT_EQ(dst.PixelColor(5, 1), ui::clBlack);
    EXPECT_EQ(dst.PixelColor(1, 5), ui::clBlack);
}

TEST_F(AlphaImageListTest, GetBitmap32ScalesKeptPngsToTheTarget)
{
    // Left half opaque red, right half clear.
    const std::string half = EncodeRgbaPng(8, 8, [](int x, int) { return x < 4 ? kRed : 0u; });
    auto list = NewList(16, 16);
    ASSERT_TRUE(list->AddImageFromFile(Write(u"half.png", half)));
    ui::Bitmap image(32, 24, ui::pf24bit);
    ASSERT_TRUE(list->GetBitmap32(0, &image));
    EXPECT_EQ(image.Width(), 32);
    EXPECT_EQ(image.Height(), 24);
    ASSERT_EQ(image.GetPixelFormat(), ui::pf32bit);
    ui::PixelView v = image.Pixels();
    EXPECT_EQ(v.ReadPixel(3, 12), 0xFF0000FFu); // $AABBGGRR: opaque red
    EXPECT_EQ(Alpha(v.ReadPixel(28, 12)), 0u);
    // A picture of the list's own size is taken as it is.
    const std::string halves = EncodeRgbaPng(16, 16, [](int x, int) { return x < 8 ? kBlue : kGreen; });
    ASSERT_TRUE(list->AddImageFromFile(Write(u"halves.png", halves)));
    ui::Bitmap same;
    ASSERT_TRUE(list->GetBitmap32(1, &same));
    EXPECT_EQ(same.Width(), 16);
    EXPECT_EQ(same.Pixels().ReadPixel(2, 2), 0xFFFF0000u);
    EXPECT_EQ(same.Pixels().ReadPixel(12, 2), 0xFF00FF00u);
    // Outside the list, or no target.
    EXPECT_FALSE(list->GetBitmap32(2, &image));
    EXPECT_FALSE(list->GetBitmap32(-1, &image));
    EXPECT_FALSE(list->GetBitmap32(0, nullptr));
}

TEST_F(AlphaImageListTest, IconsWithoutAlphaBecomeOpaqueExceptTheKeyColour)
{
    // Not keeping files: the system list alone holds the images, and a change makes the icons
    // without any alpha opaque.
    auto list = NewList(4, 4, false);
    list->Loaded();
    const std::string plain = Ico(4, 4, 24, [](int x, int y) { return x == 0 && y == 0 ? kMagenta : kBlue; });
    const std::string soft = Ico(4, 4, 32, [](int x, int) { return x < 2 ? 0x80000080u : 0u; });
    ASSERT_TRUE(list->AddImageFromFile(Write(u"plain.ico", plain)));
    ASSERT_TRUE(list->AddImageFromFile(Write(u"soft.ico", soft)));
    EXPECT_EQ(list->Items().Count(), 0);
    ui::Bitmap image;
    ASSERT_TRUE(list->GetBitmap32(0, &image));
    ASSERT_EQ(image.GetPixelFormat(), ui::pf32bit);
    EXPECT_EQ(Alpha(image.Pixels().ReadPixel(0, 0)), 0u);
    EXPECT_EQ(image.Pixels().ReadPixel(1, 0), 0xFFFF0000u);
    EXPECT_EQ(image.Pixels().ReadPixel(3, 3), 0xFFFF0000u);
    ASSERT_TRUE(list->GetBitmap32(1, &image));
    EXPECT_EQ(Alpha(image.Pixels().ReadPixel(0, 1)), 0x80u);
    EXPECT_EQ(Alpha(image.Pixels().ReadPixel(3, 1)), 0u);

    // Kept icons remember what they carry.
    auto keeping = NewList(4, 4);
    ASSERT_TRUE(keeping->AddImageFromFile(Write(u"plain2.ico", plain)));
    ASSERT_TRUE(keeping->AddImageFromFile(Write(u"soft2.ico", soft)));
    ASSERT_TRUE(keeping->AddImageFromFile(Write(u"cells.png", FourCells())));
    ASSERT_EQ(keeping->Items().Count(), 3);
    EXPECT_EQ(keeping->Items().Item(0)->ImageFormat, ifICO);
    EXPECT_EQ(keeping->Items().Item(0)->PixelFormat, ui::pf24bit);
    EXPECT_EQ(keeping->Items().Item(1)->PixelFormat, ui::pf32bit);
    EXPECT_EQ(keeping->Items().Item(2)->ImageFormat, ifPNG);
    EXPECT_EQ(keeping->Items().Item(2)->PixelFormat, ui::pf32bit);
}

TEST_F(AlphaImageListTest, StoredItemsRoundTripAndBuildTheListWhenLoaded)
{
    const std::string files[] = {FourCells(), Ico(16, 4, 32, [](int x, int) { return x < 8 ? kRed : 0x40FFFFFFu; }),
                                 EncodeRgbaPng(16, 4, [](int, int y) { return y < 2 ? kGreen : 0u; })};
    auto source = NewList(16, 4);
    ASSERT_TRUE(source->AddImageFromFile(Write(u"a.png", files[0])));
    ASSERT_TRUE(source->AddImageFromFile(Write(u"b.ico", files[1])));
    ASSERT_TRUE(source->AddImageFromFile(Write(u"c.png", files[2])));
    core::MemoryStream stored;
    for (int i = 0; i < 3; ++i)
        ui::WriteBinaryProperties(stored, source->Items().Item(i)->BinaryProperties());

    TsAlphaImageList loaded(nullptr, 16, 4);
    loaded.BeginLoad();
    loaded.AfterConstruction();
    stored.SetPosition(0);
    for (int i = 0; i < 3; ++i) {
        auto* item = static_cast<TsImgListItem*>(loaded.Items().Add());
        item->ImageFormat = source->Items().Item(i)->ImageFormat;
        ui::ReadBinaryProperties(stored, item->BinaryProperties());
    }
    EXPECT_EQ(loaded.Count(), 0);
    loaded.Loaded();
    EXPECT_TRUE(loaded.StdListIsGenerated);
    ASSERT_EQ(loaded.Count(), 3);
    ASSERT_EQ(loaded.Items().Count(), 3);
    for (int i = 0; i < 3; ++i) {
        core::MemoryStream& data = loaded.Items().Item(i)->ImgData;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.Memory()), size_t(data.Size())), files[i]);
    }
    ui::Bitmap image;
    ASSERT_TRUE(loaded.GetBitmap32(1, &image));
    EXPECT_EQ(image.Pixels().ReadPixel(2, 1), 0xFF0000FFu);
    EXPECT_EQ(Alpha(image.Pixels().ReadPixel(12, 1)), 0x40u);
}

TEST_F(AlphaImageListTest, PublishedValuesByName)
{
    RegisterAlphaImageListProperties();
    auto source = NewList(16, 4);
    ASSERT_TRUE(source->AddImageFromFile(Write(u"a.ico", Ico(16, 4, 24, [](int, int) { return kBlue; }))));
    core::Object* items = ui::GetObjectProperty(source.get(), u"Items");
    ASSERT_EQ(items, &source->Items());
    EXPECT_EQ(ui::GetOrdProperty(source->Items().Item(0), u"ImageFormat"), int64_t(ifICO));
    EXPECT_EQ(ui::GetOrdProperty(source->Items().Item(0), u"PixelFormat"), int64_t(ui::pf24bit));
    auto copy = NewList(16, 4);
    ui::SetObjectProperty(copy.get(), u"Items", items);
    ASSERT_EQ(copy->Items().Count(), 1);
    EXPECT_EQ(copy->Items().Item(0)->ImgData.Size(), source->Items().Item(0)->ImgData.Size());
    ui::SetOrdProperty(copy->Items().Item(0), u"ImageFormat", ifPNG);
    EXPECT_EQ(copy->Items().Item(0)->ImageFormat, ifPNG);
}

TEST_F(AlphaImageListTest, AFileOfNoKnownFormatIsReportedAndNotAdded)
{
    auto list = NewList(16, 4);
    const core::String name = Write(u"picture.bmp", "BM????????");
    list->LoadFromFile(name);
    EXPECT_EQ(list->Count(), 0);
    ASSERT_EQ(m_box.Calls().size(), 1u);
    EXPECT_EQ(m_box.Calls()[0].text, u"Cannot load " + name + u"\r\nInvalid or unexpected image format.");
    EXPECT_EQ(m_box.Calls()[0].flags & 0xFF, unsigned(MB_ICONERROR | MB_OK));
    // An icon file the system does not take: the box again; its kept file stays.
    list->LoadFromFile(Write(u"broken.ico", std::string("\0\0\x01\0\x01\0", 6) + std::string(16, '\xFF')));
    EXPECT_EQ(m_box.Calls().size(), 2u);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->Items().Count(), 1);
    list->LoadFromFile(Write(u"cells.png", FourCells()));
    EXPECT_EQ(m_box.Calls().size(), 2u);
    EXPECT_EQ(list->Count(), 1);
}

TEST_F(AlphaImageListTest, AssignCopiesSizeFilesAndImages)
{
    auto source = NewList(16, 4);
    ASSERT_TRUE(source->AddImageFromFile(Write(u"cells.png", FourCells())));
    ASSERT_TRUE(source->AddImageFromFile(Write(u"soft.ico", Ico(16, 4, 32, [](int, int) { return 0x80FF0000u; }))));
    for (bool keeping : {true, false}) {
        SCOPED_TRACE(keeping);
        auto copy = NewList(8, 8, keeping);
        copy->Assign(*source);
        EXPECT_EQ(copy->Width(), 16);
        EXPECT_EQ(copy->Height(), 4);
        ASSERT_EQ(copy->Count(), 2);
        EXPECT_EQ(copy->Items().Count(), keeping ? 2 : 0);
        ui::Bitmap image;
        ASSERT_TRUE(copy->GetBitmap32(0, &image));
        EXPECT_EQ(image.Pixels().ReadPixel(13, 1), 0xFFFFFFFFu);
        ASSERT_TRUE(copy->GetBitmap32(1, &image));
        EXPECT_EQ(Alpha(image.Pixels().ReadPixel(5, 1)), 0x80u);
        copy->Assign(nullptr);
        EXPECT_EQ(copy->Handle(), nullptr);
        EXPECT_EQ(copy->Count(), 0);
    }
    ui::ImageList plain;
    EXPECT_THROW(plain.Assign(*source), core::EConvertError);
}

TEST_F(AlphaImageListTest, DrawingAndPaintingOntoADeviceContextKeepAlpha)
{
    auto list = NewList(8, 4);
    const std::string half = EncodeRgbaPng(8, 4, [](int x, int) { return x < 2 ? kRed : 0u; });
    ASSERT_TRUE(list->AddImageFromFile(Write(u"half.png", half)));
    ui::Bitmap canvas(20, 10, ui::pf24bit);
    FillDCSolid(canvas.Canvas().Handle(), RECT{0, 0, 20, 10}, ui::clBlue);
    list->Draw(canvas.Canvas(), 1, 1, 0, ui::dsFocus, ui::itImage, false);
    GdiFlush();
    EXPECT_EQ(canvas.PixelColor(1, 1), ui::clRed);
    EXPECT_EQ(canvas.PixelColor(5, 1), ui::clBlue);
    // The first of two cells (4 x 4) at (10, 2): red in its left half.
    FillDCSolid(canvas.Canvas().Handle(), RECT{0, 0, 20, 10}, ui::clBlue);
    PaintListGlyphDC(list.get(), canvas.Canvas().Handle(), 10, 2, 0, 0, ui::clNone, 0, 2, false);
    GdiFlush();
    EXPECT_EQ(canvas.PixelColor(10, 2), 0x0000FEu);
    EXPECT_EQ(canvas.PixelColor(12, 2), ui::clBlue);
    EXPECT_EQ(canvas.PixelColor(9, 2), ui::clBlue);
}

TEST_F(AlphaImageListTest, OpaqueUnlessAlphaAndColourValues)
{
    struct Case {
        int w, h;
        uint32_t corner, other; // bottom-left pixel, every other pixel ($AABBGGRR)
        uint32_t cornerAfter, otherAfter;
    } cases[] = {
        {3, 3, 0x00FF00FF, 0x00123456, 0x00FF00FF, 0xFF123456}, // the bottom-left colour stays clear
        {3, 3, 0x00FF00FF, 0x01123456, 0x00FF00FF, 0x01123456}, // some alpha: untouched
        {1, 3, 0x00FF00FF, 0x00123456, 0x00FF00FF, 0x00123456}, // too narrow
        {3, 1, 0x00FF00FF, 0x00123456, 0x00FF00FF, 0x00123456}, // too low
    };
    for (const Case& c : cases) {
        ui::Bitmap bmp(c.w, c.h, ui::pf32bit);
        ui::PixelView v = bmp.Pixels();
        v.Fill(v.Bounds(), c.other);
        v.WritePixel(0, c.h - 1, c.corner);
        MakeOpaqueUnlessAlpha(&bmp);
        EXPECT_EQ(v.ReadPixel(0, c.h - 1), c.cornerAfter);
        EXPECT_EQ(v.ReadPixel(c.w - 1, 0), c.otherAfter);
    }
    EXPECT_EQ(ColorRefToTColor(CLR_DEFAULT), ui::clDefault);
    EXPECT_EQ(ColorRefToTColor(CLR_NONE), ui::clNone);
    EXPECT_EQ(ColorRefToTColor(0x00123456), 0x00123456u);
}

} // namespace
} // namespace skin
