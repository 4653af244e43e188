// The skin painters on real DIB sections, device contexts, windows and regions, over small skin
// tables made in memory with flat colours.
#include "core/inifile.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinimages.h"
#include "skin/engine/skinoptions.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "skin/engine/test/skinfolder_win32.h"
#include "skin/engine/test/skintestsupport.h"
#include "ui/jpegimage.h"
#include "ui/canvas.h"
#include "ui/graphiccontrol.h"
#include "ui/panel.h"
#include "ui/test/uitest.h"

#include <set>

namespace skin {
namespace {

using ui::test::UiTest;

constexpr uint32_t kKey = 0xFF00FF;
constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

void FillBmp(ui::Bitmap& bmp, const Rect& r, uint32_t color)
{
    GdiFlush();
    bmp.Pixels().Fill(ui::PixelRect{r.Left, r.Top, r.Right, r.Bottom}, color);
}

std::unique_ptr<ui::Bitmap> Solid(int w, int h, uint32_t color)
{
    auto bmp = NewBmp24(w, h);
    FillBmp(*bmp, Rect{0, 0, w, h}, color);
    return bmp;
}

std::set<uint32_t> ColoursIn(ui::Bitmap& bmp)
{
    std::set<uint32_t> colours;
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            colours.insert(bmp.PixelColor(x, y));
    return colours;
}

class SkinPaintTest : public UiTest {
protected:
    SkinPaintTest()
    {
        InitSkinEngine();
        t.MasterBitmap = std::shared_ptr<ui::Bitmap>(Solid(64, 64, 0x808080).release());
        t.SkinData.Active = true;
        SectionData global;
        global.Color = kWhite;
        t.ConstData.IndexGLobalInfo = int16_t(AddSection(u"GLOBALINFO", global));
        SetDefaultManager(&t);
    }
    ~SkinPaintTest() override
    {
        SetDefaultManager(nullptr);
        DoneSkinEngine();
    }

    int AddSection(core::StringView name, SectionData s)
    {
        s.ClassName = core::String(name);
        t.gd.push_back(std::move(s));
        return int(t.gd.size()) - 1;
    }
    static SectionData Section(uint32_t color)
    {
        SectionData s;
        s.Color = s.HotColor = color;
        s.BorderIndex = s.ImgTL = s.ImgTR = s.ImgBL = s.ImgBR = -1;
        for (uint32_t* c : {s.FontColor, s.HotFontColor})
            for (int i = 1; i < 5; ++i)
                c[i] = 0xFFFFFFFF;
        return s;
    }
    // A mask of the master bitmap at r, painted solid in the colour.
    int AddMask(Rect r, uint32_t color, int images = 1, int maskType = 0, int borders = 0, int drawMode = 0,
                core::StringView section = {}, core::StringView name = {})
    {
        FillBmp(*t.MasterBitmap, r, color);
        MaskData m;
        m.R = r;
        m.ImageCount = int16_t(images);
        m.MaskType = int16_t(maskType);
        m.WL = m.WT = m.WR = m.WB = int16_t(borders);
        m.DrawMode = int16_t(drawMode);
        m.ClassName = core::String(section);
        m.PropertyName = core::String(name);
        m.Manager = &t;
        t.ma.push_back(std::move(m));
        return int(t.ma.size()) - 1;
    }

    SkinTables t;
};

// ---- Background queries ----

bool g_answer = false;
ui::Bitmap* g_answerBmp = nullptr;

LRESULT CALLBACK ProbeProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == SM_SKINCMD && HIWORD(wp) == scGetBackground && g_answer) {
        auto* q = reinterpret_cast<TacBGQuery*>(lp);
        q->BgType = 2;
        q->Bmp = g_answerBmp;
        q->Offset = POINT{7, 8};
        return 0;
    }
    if (msg == WM_ERASEBKGND)
        return 1;
    if (msg == WM_PAINT && wp) {
        RECT all{0, 0, 100, 100};
        HBRUSH red = CreateSolidBrush(kRed);
        FillRect(HDC(wp), &all, red);
        DeleteObject(red);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

HWND ProbeWindow(HWND parent = nullptr)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ProbeProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SkinPaintProbe";
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        registered = RegisterClassW(&wc) != 0;
    }
    return CreateWindowExW(0, L"SkinPaintProbe", L"", parent ? WS_CHILD : WS_POPUP, 0, 0, 100, 100, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

TEST_F(SkinPaintTest, QueryFallbacksAndSelfPainting)
{
    HWND wnd = ProbeWindow();
    ASSERT_TRUE(wnd);
    TacBGQuery q;
    EXPECT_FALSE(QueryBgOfWnd(q, wnd, false));
    EXPECT_EQ(q.BgType, 1);
    EXPECT_EQ(q.Color, kWhite); // the manager's global colour
    SetDefaultManager(nullptr);
    EXPECT_FALSE(QueryBgOfWnd(q, wnd, false));
    EXPECT_EQ(q.Color, ui::ColorToRGB(ui::clBtnFace));
    SetDefaultManager(&t);

    // Unanswered with PleaseDraw: the window paints itself shifted by the offset, clipped to R.
    auto bmp = Solid(40, 40, kWhite);
    TacBGQuery draw;
    draw.DrawDC = bmp->Canvas().Handle();
    draw.Offset = POINT{10, 5};
    draw.R = RECT{0, 0, 20, 20};
    EXPECT_FALSE(QueryBgOfWnd(draw, wnd, true));
    EXPECT_EQ(draw.BgType, 0);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(0, 0), kRed);
    EXPECT_EQ(bmp->PixelColor(19, 19), kRed);
    EXPECT_EQ(bmp->PixelColor(20, 20), kWhite);
    EXPECT_EQ(bmp->PixelColor(25, 2), kWhite);

    // A parent that answers with its picture; a window without a parent gets the empty background.
    auto picture = Solid(4, 4, kGreen);
    g_answer = true;
    g_answerBmp = picture.get();
    HWND child = ProbeWindow(wnd);
    TCacheInfo ci;
    GetParentCacheOfWnd(child, ci);
    EXPECT_TRUE(ci.Ready);
    EXPECT_EQ(ci.Bmp, picture.get());
    EXPECT_EQ(ci.X, 7);
    GetParentCacheOfWnd(wnd, ci);
    EXPECT_FALSE(ci.Ready);
    EXPECT_EQ(ci.X, -99);
    g_answer = false;
    DestroyWindow(wnd);
}

// ---- Section backgrounds ----

TEST_F(SkinPaintTest, TransparentSectionsOverTheParentsPicture)
{
    // Transparency 100 copies exactly R from the background at (ci.X + Offset.X, ci.Y + Offset.Y).
    auto parent = NewBmp24(50, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x)
            parent->Pixels().WritePixel(x, y, ui::RGBValue(uint8_t(x * 4), uint8_t(y * 4), 0));
    SectionData clear = Section(kBlue);
    clear.Transparency = 100;
    const int clearIndex = AddSection(u"CLEAR", clear);
    auto bmp = Solid(30, 30, kWhite);
    PaintSectionBg(clearIndex, u"CLEAR", MakeCacheInfo(parent.get(), 3, 4), 0, Rect{2, 2, 12, 12}, POINT{5, 6},
                   bmp.get(), nullptr, -1, -1, kKey);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(2, 2), parent->PixelColor(8, 10));
    EXPECT_EQ(bmp->PixelColor(11, 11), parent->PixelColor(17, 19));
    EXPECT_EQ(bmp->PixelColor(12, 12), kWhite);
    EXPECT_EQ(bmp->PixelColor(1, 1), kWhite);

    // 40 % over red with a blue section: (red x 102 + blue x 153 + 127) shr 8 per channel.
    SectionData mixed = Section(kBlue);
    mixed.Transparency = 40;
    const int mixedIndex = AddSection(u"MIXED", mixed);
    auto red = Solid(30, 30, kRed);
    PaintSectionBg(mixedIndex, u"MIXED", MakeCacheInfo(red.get(), 0, 0), 0, Rect{0, 0, 30, 30}, POINT{0, 0}, bmp.get(),
                   nullptr, -1, -1, kKey);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(15, 15), ui::RGBValue(102, 0, 152));

    // Over a plain colour without texture or gradient, 50 %: the colour passes through the blend.
    SectionData half = Section(kBlue);
    half.Transparency = 50;
    const int halfIndex = AddSection(u"HALF", half);
    TCacheInfo white;
    white.FillColor = kWhite;
    PaintSectionBg(halfIndex, u"HALF", white, 0, Rect{0, 0, 30, 30}, POINT{0, 0}, bmp.get(), nullptr, -1, -1, kKey);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(15, 15), 0xFEFEFEu);
    // An unknown background ($FF00FF, not ready): the section is painted opaque in its own colour.
    PaintSectionBg(halfIndex, u"HALF", TCacheInfo{}, 0, Rect{0, 0, 30, 30}, POINT{0, 0}, bmp.get(), nullptr, -1, -1,
                   kKey);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(15, 15), kBlue);
}

TEST_F(SkinPaintTest, TextureSharesModesAndCustomColour)
{
    // ImagePercent 60 over a black section: 60 % of a texture of red 200.
    SectionData textured = Section(0x000000);
    textured.ImagePercent = 60;
    const int texturedIndex = AddSection(u"TEXTURED", textured);
    AddMask(Rect{0, 0, 8, 8}, 0x0000C8, 1, 0, 0, 0, u"TEXTURED", u"PATTERN");
    auto bmp = Solid(30, 30, kWhite);
    PaintSectionBg(texturedIndex, u"TEXTURED", EmptyCacheInfo, 0, Rect{0, 0, 30, 30}, POINT{0, 0}, bmp.get(), nullptr,
                   -1, -1, kKey);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(3, 3), 0x000078u);
    EXPECT_EQ(bmp->PixelColor(20, 20), 0x000078u);

    // Texture mode 2 of 10 rows in an area 30 high: tiles along the top, the section colour below.
    SectionData top = Section(kBlue);
    top.ImagePercent = 100;
    const int topIndex = AddSection(u"TOPROW", top);
    AddMask(Rect{10, 0, 20, 10}, kGreen, 1, 0, 0, 2, u"TOPROW", u"PATTERN");
    PaintSectionBg(topIndex, u"TOPROW", EmptyCacheInfo, 0, Rect{0, 0, 30, 30}, POINT{0, 0}, bmp.get(), nullptr, -1, -1,
                   kKey);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(25, 0), kGreen);
    EXPECT_EQ(bmp->PixelColor(25, 9), kGreen);
    EXPECT_EQ(bmp->PixelColor(25, 10), kBlue);
    EXPECT_EQ(bmp->PixelColor(0, 29), kBlue);

    // A custom colour ignores texture and gradient.
    PaintSectionBg(topIndex, u"TOPROW", EmptyCacheInfo, 0, Rect{0, 0, 30, 30}, POINT{0, 0}, bmp.get(), nullptr, -1, -1,
                   0x123456);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(25, 0), 0x123456u);

    // A texture mode the painter does not know paints nothing and leaves R.
    const int odd = AddMask(Rect{20, 0, 30, 10}, kGreen, 1, 0, 0, 8);
    Rect r{0, 0, 30, 30};
    FillBmp(*bmp, r, kWhite);
    PaintTexture(bmp->Canvas(), r, nullptr, 8, t.ma[size_t(odd)]);
    GdiFlush();
    EXPECT_EQ(r, (Rect{0, 0, 30, 30}));
    EXPECT_EQ(bmp->PixelColor(5, 5), kWhite);
    PaintTexture(bmp->Canvas(), r, nullptr, 3, t.ma[size_t(odd)]);
    GdiFlush();
    EXPECT_EQ(r, (Rect{10, 0, 30, 30}));
    EXPECT_EQ(bmp->PixelColor(5, 25), kGreen);
}

TEST_F(SkinPaintTest, PatternImagesOfTestSkinAreTiled)
{
    SkinTables skin;
    test::SkinFolder folder;
    const auto files = skin::testing::TestSkinFiles();
    auto ini = test::OptionsText(core::FromUtf8(files[0].bytes));
    ReadMasks(skin, *ini, {nullptr, folder.Path()}, nullptr, &skin);
    ReadPatterns(skin, *ini, {nullptr, folder.Path()}, nullptr, &skin);
    LoadAllGeneralData(skin, *ini, {});
    SetDefaultManager(&skin);
    const int panel = skin.GetSkinIndex(u"PANEL");
    ASSERT_GE(panel, 0);
    const int pattern = PatternIndexOf(&skin, panel, u"PANEL", u"PATTERN");
    ui::JpegImage* image = PatternImage(&skin, pattern);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->Width(), 300);
    SectionData& s = skin.gd[size_t(panel)];
    s.Transparency = s.GradientPercent = 0;
    s.ImagePercent = 100;
    auto bmp = Solid(320, 20, kWhite);
    PaintSectionBg(panel, u"PANEL", EmptyCacheInfo, 0, Rect{0, 0, 320, 20}, POINT{0, 0}, bmp.get(), nullptr, -1, -1,
                   kKey);
    GdiFlush();
    ui::Bitmap* picture = image->Bitmap();
    EXPECT_EQ(bmp->PixelColor(5, 5), picture->PixelColor(5, 5));
    EXPECT_EQ(bmp->PixelColor(299, 19), picture->PixelColor(299, 19));
    EXPECT_EQ(bmp->PixelColor(305, 7), picture->PixelColor(5, 7)); // the next tile
    SetDefaultManager(&t);
}

// ---- Items ----

TEST_F(SkinPaintTest, ItemsPaintCornerImagesBeforeTheBorder)
{
    SectionData item = Section(0x808080);
    item.BorderIndex = AddMask(Rect{20, 20, 26, 26}, kRed, 1, 0, 2);
    item.ImgTR = AddMask(Rect{30, 0, 34, 4}, kGreen);
    const int index = AddSection(u"ITEM", item);
    auto bmp = Solid(20, 20, kWhite);
    PaintSectionItem(index, u"ITEM", EmptyCacheInfo, false, 0, Rect{0, 0, 20, 20}, POINT{0, 0}, bmp.get(), nullptr);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(19, 0), kRed);   // the border over the corner image
    EXPECT_EQ(bmp->PixelColor(16, 3), kGreen); // the corner image inside the border
    EXPECT_EQ(bmp->PixelColor(10, 10), 0x808080u);
    EXPECT_EQ(bmp->PixelColor(10, 0), kRed);

    // One pixel too wide: nothing.
    auto untouched = Solid(20, 20, kWhite);
    PaintSectionItem(index, u"ITEM", EmptyCacheInfo, false, 0, Rect{0, 0, 21, 20}, POINT{0, 0}, untouched.get(),
                     nullptr);
    EXPECT_EQ(ColoursIn(*untouched), std::set<uint32_t>{kWhite});

    // By name: the alternative when the name is unknown, -1 and nothing when both are.
    EXPECT_EQ(PaintSectionItemByName(untouched.get(), u"NOPE", u"NADA", 0, nullptr, POINT{}, kWhite, nullptr), -1);
    EXPECT_EQ(ColoursIn(*untouched), std::set<uint32_t>{kWhite});
    EXPECT_EQ(PaintSectionItemByName(untouched.get(), u"NOPE", u"ITEM", 0, nullptr, POINT{}, kWhite, nullptr), index);
    EXPECT_EQ(untouched->PixelColor(10, 10), 0x808080u);

    // The same item onto a device context.
    auto target = Solid(30, 30, kWhite);
    PaintSectionItemDC(index, u"ITEM", EmptyCacheInfo, false, 0, Rect{5, 5, 25, 25}, POINT{0, 0},
                       target->Canvas().Handle(), nullptr);
    GdiFlush();
    EXPECT_EQ(target->PixelColor(5, 5), kRed);
    EXPECT_EQ(target->PixelColor(15, 15), 0x808080u);
    EXPECT_EQ(target->PixelColor(4, 4), kWhite);
}

TEST_F(SkinPaintTest, HotOnlyBordersAndMaskedCornersOverTheParent)
{
    // DrawMode bit 1: not painted in state 0.
    const int hotOnly = AddMask(Rect{20, 20, 26, 26}, kRed, 1, 0, 2, 2);
    auto bmp = Solid(20, 20, kWhite);
    PaintMaskRect(bmp.get(), Rect{0, 0, 20, 20}, false, EmptyCacheInfo, t.ma[size_t(hotOnly)], 0, true);
    EXPECT_EQ(bmp->PixelColor(0, 0), kWhite);
    PaintMaskRect(bmp.get(), Rect{0, 0, 20, 20}, false, EmptyCacheInfo, t.ma[size_t(hotOnly)], 1, true);
    EXPECT_EQ(bmp->PixelColor(0, 0), kRed);

    // A masked entry 6 x 6 (mask of 0 below it) whose top-left pixel is the key: the parent shows there.
    const int masked = AddMask(Rect{40, 0, 46, 12}, kRed, 1, 1, 2);
    FillBmp(*t.MasterBitmap, Rect{40, 6, 46, 12}, 0);
    FillBmp(*t.MasterBitmap, Rect{40, 0, 41, 1}, kKey);
    auto parent = Solid(40, 40, kGreen);
    FillBmp(*bmp, Rect{0, 0, 20, 20}, kWhite);
    PaintMaskRect(bmp.get(), Rect{0, 0, 20, 20}, false, MakeCacheInfo(parent.get(), 5, 5), t.ma[size_t(masked)], 0,
                  true);
    EXPECT_EQ(bmp->PixelColor(0, 0), kGreen);
    EXPECT_EQ(bmp->PixelColor(1, 0), kRed);
    EXPECT_EQ(bmp->PixelColor(10, 0), kRed); // masked edges are tiled
    EXPECT_EQ(bmp->PixelColor(10, 10), kWhite);

    // Stretched plain edges (DrawMode bit 0), checked on their flat inside.
    const int stretched = AddMask(Rect{50, 20, 56, 26}, kBlue, 1, 0, 2, 1);
    PaintMaskRect(bmp.get(), Rect{0, 0, 20, 20}, false, EmptyCacheInfo, t.ma[size_t(stretched)], 0, true);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(10, 0), kBlue);
    EXPECT_EQ(bmp->PixelColor(0, 10), kBlue);
}

TEST_F(SkinPaintTest, ControlItemsAndByIndexBackgrounds)
{
    SectionData item = Section(0x808080);
    item.BorderIndex = AddMask(Rect{20, 20, 26, 26}, kRed, 1, 0, 2, 2); // painted when hot only
    item.ImgBL = AddMask(Rect{30, 0, 34, 4}, kGreen);
    const int index = AddSection(u"HOTITEM", item);
    TsCommonData data(nullptr, false);
    data.SkinIndex = index;
    data.BorderIndex = item.BorderIndex;
    auto bmp = Solid(20, 20, kWhite);
    PaintControlItem(&data, EmptyCacheInfo, false, 0, Rect{0, 0, 20, 20}, POINT{0, 0}, bmp.get(), true);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(0, 0), 0x808080u); // no border in state 0
    EXPECT_EQ(bmp->PixelColor(0, 19), kGreen);   // the corner image, bottom-left
    PaintControlItem(&data, EmptyCacheInfo, false, 1, Rect{0, 0, 20, 20}, POINT{0, 0}, bmp.get(), true);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(10, 0), kRed);
    EXPECT_EQ(bmp->PixelColor(3, 17), kGreen); // corner images after the border
    // Custom colour: the owner's colour replaces the section's.
    ui::Panel owner;
    owner.SetColor(0x123456);
    TsCommonData custom(&owner, false);
    custom.SkinIndex = index;
    custom.SetCustomColor(true);
    PaintControlItem(&custom, EmptyCacheInfo, false, 0, Rect{0, 0, 20, 20}, POINT{0, 0}, bmp.get(), true);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(10, 10), 0x123456u);

    // By index: a background that is not ready counts as opaque; fully transparent takes its colour.
    SectionData clear = Section(kBlue);
    clear.Transparency = 100;
    const int clearIndex = AddSection(u"CLEARBYINDEX", clear);
    TCacheInfo colour;
    colour.FillColor = 0x654321;
    PaintSectionBgByIndex(clearIndex, -1, -1, colour, 0, Rect{0, 0, 20, 20}, POINT{0, 0}, bmp.get(), nullptr);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(5, 5), 0x654321u);
    auto parent = Solid(30, 30, kGreen);
    PaintSectionBgByIndex(clearIndex, -1, -1, MakeCacheInfo(parent.get(), 0, 0), 0, Rect{0, 0, 20, 20}, POINT{0, 0},
                          bmp.get(), nullptr);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(5, 5), kGreen);
    // The texture is taken as given, without a name lookup.
    SectionData textured = Section(kBlue);
    textured.ImagePercent = 100;
    const int texturedIndex = AddSection(u"TEXTUREBYINDEX", textured);
    const int texture = AddMask(Rect{40, 40, 50, 50}, kRed);
    PaintSectionBgByIndex(texturedIndex, texture, -1, EmptyCacheInfo, 0, Rect{0, 0, 20, 20}, POINT{0, 0}, bmp.get(),
                          nullptr);
    GdiFlush();
    EXPECT_EQ(bmp->PixelColor(15, 15), kRed);
}

TEST_F(SkinPaintTest, DisabledLookAndParentCorners)
{
    auto bmp = Solid(4, 4, 0x000000);
    auto white = Solid(10, 10, kWhite);
    ApplyDisabledKind(bmp.get(), dkBlended, nullptr, MakeCacheInfo(white.get(), 2, 2), POINT{1, 1});
    EXPECT_EQ(bmp->PixelColor(3, 3), 0x999999u); // 60 % background, 40 % control
    auto red = Solid(4, 4, kRed);
    ApplyDisabledKind(red.get(), dkGrayed, nullptr, EmptyCacheInfo, POINT{});
    EXPECT_EQ(red->PixelColor(0, 0), 0x555555u);
    TCacheInfo blue;
    blue.FillColor = kBlue;
    auto black = Solid(4, 4, 0x000000);
    ApplyDisabledKind(black.get(), dkBlended, nullptr, blue, POINT{});
    const uint32_t half = black->PixelColor(1, 1);
    EXPECT_EQ(half & 0xFFFF, 0u);
    EXPECT_NEAR(double(half >> 16), 127.5, 0.6);

    // The parent's colour goes into the transparent corner pixels of the control's cache.
    SectionData section = Section(kWhite);
    section.BorderIndex = AddMask(Rect{0, 50, 6, 56}, kRed, 1, 0, 2);
    FillBmp(*t.MasterBitmap, Rect{5, 55, 6, 56}, kKey); // bottom-right corner, last pixel
    const int index = AddSection(u"CORNERS", section);
    ui::Panel parent;
    parent.SetColor(kGreen);
    ui::Panel child;
    child.SetParent(&parent);
    child.SetBounds(5, 5, 20, 20);
    TsCommonData data(&child, true);
    data.SkinIndex = index;
    data.BorderIndex = section.BorderIndex;
    data.InitCacheBmp();
    FillBmp(*data.CacheBmp(), Rect{0, 0, 20, 20}, kWhite);
    RestoreParentCorners(&data, 0);
    EXPECT_EQ(data.CacheBmp()->PixelColor(19, 19), kGreen);
    EXPECT_EQ(data.CacheBmp()->PixelColor(18, 19), kWhite);
    EXPECT_EQ(data.CacheBmp()->PixelColor(0, 0), kWhite);
    child.SetParent(nullptr);
}

// ---- Borders ----

TEST_F(SkinPaintTest, ControlBorderBandsAndClientRect)
{
    SectionData edit = Section(kGreen);
    edit.BorderIndex = AddMask(Rect{0, 30, 9, 39}, kRed, 1, 0, 3);
    FillBmp(*t.MasterBitmap, Rect{0, 30, 1, 31}, kKey); // a transparent corner pixel
    const int index = AddSection(u"EDIT", edit);
    ui::Panel owner;
    owner.SetBounds(0, 0, 20, 20);
    TsCommonData data(&owner, true);
    data.SkinIndex = index;
    data.BorderIndex = edit.BorderIndex;
    auto window = Solid(20, 20, kWhite);
    struct Case {
        int borderWidth;
        RECT client;
        uint32_t band; // the cache at (4, 10)
    };
    const Case cases[] = {{6, RECT{6, 6, 14, 14}, kGreen}, {2, RECT{2, 2, 18, 18}, kWhite}};
    for (const Case& c : cases) {
        data.EnsureCacheBmp();
        FillBmp(*data.CacheBmp(), Rect{0, 0, 20, 20}, kWhite);
        FillBmp(*window, Rect{0, 0, 20, 20}, kWhite);
        RECT client{};
        PaintControlBorder(window->Canvas().Handle(), RECT{0, 0, 20, 20}, c.borderWidth, &data, 0, client);
        GdiFlush();
        EXPECT_EQ(client.left, c.client.left) << c.borderWidth;
        EXPECT_EQ(client.right, c.client.right) << c.borderWidth;
        EXPECT_EQ(client.bottom, c.client.bottom) << c.borderWidth;
        EXPECT_EQ(data.CacheBmp()->PixelColor(1, 10), kRed) << c.borderWidth;
        // Without a parent the control's own colour stands behind the mask's transparent pixels.
        EXPECT_EQ(data.CacheBmp()->PixelColor(0, 0), kGreen) << c.borderWidth;
        EXPECT_EQ(data.CacheBmp()->PixelColor(4, 10), c.band) << c.borderWidth;
        EXPECT_EQ(window->PixelColor(1, 10), kRed) << c.borderWidth; // the frame copied to the window
        EXPECT_EQ(window->PixelColor(10, 10), kWhite) << c.borderWidth;
    }
}

TEST_F(SkinPaintTest, MaskFrameCutsKeyRunsFromTheRegion)
{
    const int frame = AddMask(Rect{0, 40, 9, 49}, kBlue, 1, 0, 3);
    FillBmp(*t.MasterBitmap, Rect{0, 40, 3, 41}, kKey); // three key pixels starting the first row
    auto bmp = Solid(20, 20, kWhite);
    HRGN region = CreateRectRgn(0, 0, 20, 20);
    PaintMaskFrame(bmp.get(), region, false, 0, t.ma[size_t(frame)]);
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<char> bytes(size);
    auto* data = reinterpret_cast<RGNDATA*>(bytes.data());
    ASSERT_EQ(GetRegionData(region, size, data), size);
    long area = 0;
    const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
    for (DWORD i = 0; i < data->rdh.nCount; ++i)
        area += (rects[i].right - rects[i].left) * (rects[i].bottom - rects[i].top);
    EXPECT_EQ(area, 400 - 3);
    EXPECT_FALSE(PtInRegion(region, 2, 0));
    EXPECT_TRUE(PtInRegion(region, 3, 0));
    EXPECT_TRUE(PtInRegion(region, 0, 1));
    EXPECT_EQ(bmp->PixelColor(0, 0), kWhite);
    EXPECT_EQ(bmp->PixelColor(10, 0), kBlue);

    // A bitmap 1 pixel wide: nothing painted, the region unchanged.
    auto thin = Solid(1, 50, kWhite);
    HRGN whole = CreateRectRgn(0, 0, 1, 50);
    PaintMaskFrame(thin.get(), whole, true, 0, t.ma[size_t(frame)]);
    EXPECT_TRUE(PtInRegion(whole, 0, 0));
    EXPECT_EQ(ColoursIn(*thin), std::set<uint32_t>{kWhite});
    DeleteObject(region);
    DeleteObject(whole);
}

// ---- Text and glyphs ----

class CaptionTest : public SkinPaintTest {
protected:
    std::set<uint32_t> Paint(const std::function<void(ui::Canvas&)>& paint)
    {
        auto bmp = Solid(120, 40, kWhite);
        ui::Canvas& canvas = bmp->Canvas();
        canvas.Font().SetSize(16);
        canvas.Font().SetStyle(ui::fsBold);
        canvas.Font().SetQuality(NONANTIALIASED_QUALITY);
        paint(canvas);
        GdiFlush();
        return ColoursIn(*bmp);
    }
    static constexpr RECT kText{10, 5, 110, 35};
    static constexpr UINT kFormat = DT_LEFT | DT_TOP | DT_SINGLELINE;
};

TEST_F(CaptionTest, ContoursDisabledColourAndEmptyText)
{
    SectionData caption = Section(kWhite);
    const uint32_t contours[5] = {0x000000, kRed, kGreen, kBlue, 0x00FFFF};
    std::copy(contours, contours + 5, caption.FontColor);
    const int index = AddSection(u"CAPTION", caption);
    auto colours = Paint([&](ui::Canvas& c) { PaintSectionText(c, u"WMgq", true, kText, kFormat, index, false, nullptr); });
    for (uint32_t colour : contours)
        EXPECT_TRUE(colours.count(colour)) << std::hex << colour;

    // Disabled: 40 % of black over the section's white.
    colours = Paint([&](ui::Canvas& c) { PaintSectionText(c, u"WMgq", false, kText, kFormat, index, false, nullptr); });
    EXPECT_TRUE(colours.count(0x999999));
    EXPECT_FALSE(colours.count(kRed));
    EXPECT_EQ(Paint([&](ui::Canvas& c) { PaintSectionText(c, u"", true, kText, kFormat, index, false, nullptr); }),
              std::set<uint32_t>{kWhite});

    // A control caption: contours as well; disabled against the global colour (white).
    TsCommonData data(nullptr, false);
    data.SkinIndex = index;
    colours = Paint([&](ui::Canvas& c) { PaintControlText(c, u"WMgq", true, kText, kFormat, &data, false); });
    EXPECT_TRUE(colours.count(kBlue));
    colours = Paint([&](ui::Canvas& c) { WriteControlText(c, u"WMgq", false, kText, kFormat, &data, false); });
    EXPECT_TRUE(colours.count(0x999999));
    EXPECT_EQ(Paint([&](ui::Canvas& c) { PaintControlText(c, nullptr, true, kText, kFormat, &data, false); }),
              std::set<uint32_t>{kWhite});

    // Section texts need a default manager, whatever manager is passed.
    SetDefaultManager(nullptr);
    EXPECT_EQ(Paint([&](ui::Canvas& c) { PaintSectionText(c, u"WMgq", true, kText, kFormat, index, false, &t); }),
              std::set<uint32_t>{kWhite});
}

TEST_F(SkinPaintTest, GlyphCellsByState)
{
    // Four cells 5 x 5 in their own colours, each with a key bottom-left pixel.
    const uint32_t cells[4] = {kRed, kGreen, kBlue, 0x00FFFF};
    auto strip = NewBmp24(20, 5);
    for (int i = 0; i < 4; ++i) {
        FillBmp(*strip, Rect{i * 5, 0, i * 5 + 5, 5}, cells[i]);
        FillBmp(*strip, Rect{i * 5, 4, i * 5 + 1, 5}, kKey);
    }
    auto two = NewBmp24(10, 5);
    two->Pixels().CopyFrom(strip->Pixels().Sub(ui::PixelRect{0, 0, 10, 5}), 0, 0);
    struct Case {
        ui::Bitmap* glyph;
        int numGlyphs;
        bool enabled;
        int state;
        bool down;
        uint32_t shown;
    };
    const Case cases[] = {
        {strip.get(), 4, true, 0, false, kRed},  {strip.get(), 4, true, 1, false, kGreen},
        {strip.get(), 4, true, 2, true, 0x00FFFF}, {strip.get(), 4, true, 2, false, kBlue},
        {two.get(), 2, true, 2, false, kGreen},   {strip.get(), 4, false, 2, true, kRed},
    };
    for (const Case& c : cases) {
        auto dst = Solid(10, 10, kWhite);
        PaintGlyphBmp(c.glyph, dst.get(), RECT{2, 2, 7, 7}, c.numGlyphs, c.enabled, 0, c.state, 0, c.down, false);
        EXPECT_EQ(dst->PixelColor(3, 3), c.shown) << c.numGlyphs << " " << c.state << " " << c.down;
        EXPECT_EQ(dst->PixelColor(2, 6), kWhite); // the key pixel
        EXPECT_EQ(dst->PixelColor(8, 3), kWhite);
    }
    // A single glyph blended 30 % with a black background; Blend 0 copies it.
    auto single = Solid(4, 4, 0x0000C8);
    FillBmp(*single, Rect{0, 3, 1, 4}, kKey);
    auto dst = Solid(10, 10, 0);
    PaintGlyphBmp(single.get(), dst.get(), RECT{0, 0, 4, 4}, 1, true, 0, 0, 30, false, false);
    EXPECT_EQ(dst->PixelColor(1, 1), 0x00008Cu);
    EXPECT_EQ(dst->PixelColor(0, 3), 0u);
    PaintGlyphBmp(single.get(), dst.get(), RECT{0, 0, 4, 4}, 1, true, 0, 0, 0, false, false);
    EXPECT_EQ(dst->PixelColor(1, 1), 0x0000C8u);
}

TEST_F(SkinPaintTest, DotFrameAndNestedFrames)
{
    auto bmp = Solid(30, 30, 0x808080);
    PaintDotFrame(bmp->Canvas(), RECT{10, 10, 19, 13});
    GdiFlush();
    for (POINT p : {POINT{10, 10}, POINT{13, 10}, POINT{16, 10}, POINT{19, 10}, POINT{10, 13}, POINT{19, 13}})
        EXPECT_EQ(bmp->PixelColor(p.x, p.y), 0u) << p.x << "," << p.y;
    EXPECT_EQ(bmp->PixelColor(9, 9), kWhite);
    EXPECT_EQ(bmp->PixelColor(12, 9), kWhite);
    EXPECT_EQ(bmp->PixelColor(11, 10), 0x808080u);

    auto frame = Solid(12, 12, 0x808080);
    RECT r{0, 0, 10, 10};
    int width = 2;
    FrameDC3D(frame->Canvas().Handle(), r, kRed, kBlue, width);
    GdiFlush();
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.right, 8);
    EXPECT_EQ(r.bottom, 8);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(frame->PixelColor(0, 0), kRed);
    EXPECT_EQ(frame->PixelColor(0, 5), kRed);
    EXPECT_EQ(frame->PixelColor(9, 9), kBlue);
    EXPECT_EQ(frame->PixelColor(5, 9), kBlue);
    EXPECT_EQ(frame->PixelColor(1, 1), kRed);
    EXPECT_EQ(frame->PixelColor(8, 8), kBlue);
    EXPECT_EQ(frame->PixelColor(2, 2), 0x808080u);
    RECT same{0, 0, 10, 10};
    int none = 0;
    FrameDC3D(frame->Canvas().Handle(), same, kGreen, kGreen, none);
    GdiFlush();
    EXPECT_EQ(same.right, 10);
    EXPECT_EQ(frame->PixelColor(0, 0), kRed);
}

ui::Control* g_splitter = nullptr;

TEST_F(SkinPaintTest, CacheToWindowLeavesOpaqueAndGraphicChildrenOut)
{
    ui::Panel parent;
    parent.SetBounds(0, 0, 40, 40);
    auto place = [&](ui::Control* c, int x, int y) {
        c->SetParent(&parent);
        c->SetBounds(x, y, 4, 4);
    };
    ui::GraphicControl graphic;
    place(&graphic, 2, 2);
    ui::Panel windowed;
    place(&windowed, 10, 10);
    windowed.SetControlStyle(windowed.ControlStyle() & ~ui::csOpaque);
    ui::Panel opaque;
    place(&opaque, 20, 20);
    opaque.SetControlStyle(opaque.ControlStyle() | ui::csOpaque);
    ui::GraphicControl splitter;
    place(&splitter, 30, 2);
    g_splitter = &splitter;
    SetSplitterTest([](ui::Control* c) { return c == g_splitter; });
    TsCommonData data(nullptr, true);
    data.CacheBmp()->SetSize(40, 40);
    FillBmp(*data.CacheBmp(), Rect{0, 0, 40, 40}, kGreen);
    auto target = Solid(50, 50, kWhite);
    // The cache lands 5 pixels right and down: the children's bounds move with it.
    BltCacheExceptChildren(&parent, &data, RECT{0, 0, 40, 40}, 5, 5, false, target->Canvas().Handle(),
                           RECT{5, 5, 45, 45});
    GdiFlush();
    EXPECT_EQ(target->PixelColor(8, 8), kWhite);   // graphic child
    EXPECT_EQ(target->PixelColor(16, 16), kGreen); // a windowed child that is not opaque paints over it later
    EXPECT_EQ(target->PixelColor(26, 26), kWhite); // opaque child
    EXPECT_EQ(target->PixelColor(36, 8), kGreen);  // the splitter is never clipped out
    EXPECT_EQ(target->PixelColor(2, 2), kWhite);   // outside the destination
    SetSplitterTest(nullptr);
    for (ui::Control* c : {static_cast<ui::Control*>(&graphic), static_cast<ui::Control*>(&windowed),
                           static_cast<ui::Control*>(&opaque), static_cast<ui::Control*>(&splitter)})
        c->SetParent(nullptr);
}

TEST_F(SkinPaintTest, CacheToWindowLeavesChildWindowsOut)
{
    HWND wnd = ProbeWindow();
    HWND child = ProbeWindow(wnd);
    SetWindowPos(child, nullptr, 10, 10, 5, 5, SWP_NOZORDER | SWP_SHOWWINDOW);
    // A group box keeps only its frame out: the "GROUPBOX" border widths (2) and its caption band (0).
    SectionData groupSection = Section(kWhite);
    AddSection(u"GROUPBOX", groupSection);
    AddMask(Rect{0, 0, 6, 6}, kRed, 1, 0, 2, 0, u"GROUPBOX", u"BORDERSMASK");
    CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 20, 20, 12, 12, wnd, nullptr,
                    GetModuleHandleW(nullptr), nullptr);
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    TsCommonData data(nullptr, true);
    data.CacheBmp()->SetSize(50, 50);
    FillBmp(*data.CacheBmp(), Rect{0, 0, 50, 50}, kGreen);
    auto target = Solid(50, 50, kWhite);
    BltCacheExceptChildWnds(wnd, &data, RECT{0, 0, 50, 50}, 0, 0, false, target->Canvas().Handle(),
                            RECT{0, 0, 40, 40});
    GdiFlush();
    EXPECT_EQ(target->PixelColor(0, 0), kGreen);
    EXPECT_EQ(target->PixelColor(12, 12), kWhite); // the child
    EXPECT_EQ(target->PixelColor(45, 45), kWhite); // outside the destination
    EXPECT_EQ(target->PixelColor(21, 26), kWhite); // the group box's left band
    EXPECT_EQ(target->PixelColor(30, 26), kWhite); // its right band
    EXPECT_EQ(target->PixelColor(26, 30), kWhite); // its bottom band
    EXPECT_EQ(target->PixelColor(26, 26), kGreen); // its inside
    DestroyWindow(wnd);
}

} // namespace
} // namespace skin
