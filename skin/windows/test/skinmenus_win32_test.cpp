// The menu painter against the window test skin: measuring, the per-menu background and its
// border region, the drawing of items into bitmaps and into real owner-drawn popup menus, the
// hooking of items and its undoing, and the manager's factory seam.
#include "skin/engine/graphutils.h"
#include "skin/engine/skintables.h"
#include "skin/engine/tsskinmanager.h"
#include "skin/windows/mainwnd.h"
#include "skin/windows/skinmenus.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "ui/bitmap.h"
#include "ui/menu.h"
#include "ui/test/uitest.h"

#include <cmath>
#include <functional>

namespace skin {
namespace {

using namespace skin::testing;

uint32_t Rgb(uint32_t color) { return color & 0xFFFFFF; }

// Live GDI objects of the process: the system's count where it keeps one, else a walk over the
// handle table (a handle's low word names its entry).
int GdiObjectCount()
{
    if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return int(n);
    int n = 0;
    for (ULONG_PTR w = 1; w <= 0xFFFF; ++w)
        n += GetObjectType(reinterpret_cast<HGDIOBJ>(w)) != 0;
    return n;
}

// The item that Popup's timer callback inspects, and what it found.
struct OpenMenuProbe {
    std::function<void(HWND menuWnd)> inspect;
    bool seen = false;
};
OpenMenuProbe* g_probe = nullptr;

VOID CALLBACK InspectAndClose(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (g_probe) {
        if (HWND wnd = FindWindowW(L"#32768", nullptr); wnd && IsWindowVisible(wnd)) {
            g_probe->seen = true;
            if (g_probe->inspect)
                g_probe->inspect(wnd);
        }
    }
    EndMenu();
}

class SkinMenusTest : public ui::test::UiTest {
protected:
    SkinMenusTest()
    {
        InitSkinEngine();
        InitWindowSkinning();
        SetDefaultManager(&manager);
        painter = manager.Painter();
    }
    ~SkinMenusTest() override
    {
        TsMenuPainter::ClearMenuInfos();
        SetDefaultManager(nullptr);
        DoneWindowSkinning();
        DoneSkinEngine();
    }

    ui::MenuItem* Add(ui::MenuItem* parent, core::StringView caption)
    {
        auto* item = new ui::MenuItem(&popup);
        item->SetCaption(caption);
        parent->Add(item);
        return item;
    }
    // Opens the popup for real; inspect runs on the open menu window from a timer callback.
    bool OpenPopup(std::function<void(HWND)> inspect, UINT delay = 150)
    {
        OpenMenuProbe probe{std::move(inspect)};
        g_probe = &probe;
        SetTimer(nullptr, 0, delay, InspectAndClose);
        popup.Popup(200, 200);
        g_probe = nullptr;
        Pump();
        return probe.seen;
    }
    // The measured size of an item with a screen canvas.
    SIZE Measure(ui::MenuItem* item)
    {
        HDC dc = GetDC(nullptr);
        int w = 0, h = 0;
        {
            ui::Canvas canvas(dc);
            painter->sMeasureItem(item, canvas, w, h);
        }
        ReleaseDC(nullptr, dc);
        return SIZE{w, h};
    }
    // The menu font's "W" height x 1.25 and a text's width, as the painter measures them.
    static void MenuTextMetrics(core::StringView text, int& t, int& width)
    {
        NONCLIENTMETRICSW ncm{};
        ncm.cbSize = sizeof ncm;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
        HFONT font = CreateFontIndirectW(&ncm.lfMenuFont);
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE w{};
        GetTextExtentPoint32W(dc, L"W", 1, &w);
        t = int(std::lround(1.25 * w.cy));
        RECT r{0, 0, 1, 0};
        const std::wstring s(text.begin(), text.end());
        DrawTextW(dc, s.c_str(), int(s.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP);
        width = r.right - r.left;
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        DeleteObject(font);
    }
    // Draws an item into a bitmap filled with a sentinel colour; rect is the item's place.
    std::unique_ptr<ui::Bitmap> DrawInto(ui::MenuItem* item, RECT rect, ui::OwnerDrawState state, int width = 200,
                                         int height = 200)
    {
        auto b = std::make_unique<ui::Bitmap>(width, height, ui::pf24bit);
        RECT all{0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(kSentinel);
        FillRect(b->Canvas().Handle(), &all, brush);
        DeleteObject(brush);
        ui::Canvas canvas(b->Canvas().Handle());
        painter->sAdvancedDrawItem(item, canvas, rect, state);
        return b;
    }

    static constexpr COLORREF kSentinel = 0x123456;
    WindowTestMenuManager manager;
    TsMenuPainter* painter = nullptr;
    ui::PopupMenu popup;
};

// ---- Measuring ----

TEST_F(SkinMenusTest, ItemSizesByKindGlyphAndExtraLine)
{
    ui::MenuItem* first = Add(popup.Items(), u"Open file");
    ui::MenuItem* line = Add(popup.Items(), u"-");
    ui::MenuItem* title = Add(popup.Items(), u"-Tools-");
    ui::MenuItem* glyphed = Add(popup.Items(), u"Glyph");
    ui::Bitmap glyph(24, 20, ui::pf24bit);
    glyphed->SetBitmap(&glyph);
    ui::MenuItem* second = Add(popup.Items(), u"Next column");
    second->SetBreak(true);

    int t = 0, w = 0;
    MenuTextMetrics(u"Open file", t, w);
    // Margin 2 and Spacing 6 around a 16-pixel glyph column: 2 x 16 + text + 3 x 2 + 6.
    EXPECT_EQ(Measure(first).cx, 32 + w + 12);
    if (w == 60) {
        EXPECT_EQ(Measure(first).cx, 104);
    }
    EXPECT_EQ(Measure(first).cy, std::max(t, 16) + 4);
    EXPECT_EQ(Measure(line).cy, 2);
    int tw = 0;
    MenuTextMetrics(u"--Tools--", t, tw);
    EXPECT_EQ(Measure(title).cx, 32 + tw + 12);
    EXPECT_EQ(Measure(title).cy, t + 4);
    int gw = 0;
    MenuTextMetrics(u"Glyph", t, gw);
    EXPECT_EQ(Measure(glyphed).cx, 48 + gw + 12);
    EXPECT_EQ(Measure(glyphed).cy, std::max(t, 20) + 4);

    // The extra line widens the first column only.
    manager.Support().UseExtraLine = true;
    int sw = 0;
    MenuTextMetrics(u"Next column", t, sw);
    EXPECT_EQ(Measure(first).cx, 32 + w + 12 + 32);
    EXPECT_EQ(Measure(second).cx, 32 + sw + 12);
    // ... and never a menu that starts with the skin selector.
    first->SetName(u"SkinSelectItem");
    EXPECT_EQ(Measure(first).cx, 32 + w + 12);
}

TEST_F(SkinMenusTest, ItemKindsByCaptionAndPlace)
{
    ui::MainMenu main;
    auto* top = new ui::MenuItem(&main);
    top->SetCaption(u"File");
    main.Items()->Add(top);
    auto* sub = new ui::MenuItem(&main);
    sub->SetCaption(u"Exit");
    top->Add(sub);
    const struct {
        core::StringView caption;
        TsMenuItemType kind;
    } cases[] = {{u"-", smDivider}, {u"-Section-", smCaption}, {u"--", smCaption}, {u"-x", smNormal}, {u"&", smNormal}};
    for (const auto& c : cases) {
        ui::MenuItem item;
        item.SetCaption(c.caption);
        EXPECT_EQ(TsMenuPainter::ItemKind(&item), c.kind) << std::string(c.caption.begin(), c.caption.end());
    }
    EXPECT_EQ(TsMenuPainter::ItemKind(top), smTopLine);
    EXPECT_TRUE(TsMenuPainter::IsTopLine(top));
    EXPECT_FALSE(TsMenuPainter::IsTopLine(sub));
    EXPECT_FALSE(TsMenuPainter::IsPopupItem(sub));
    EXPECT_TRUE(TsMenuPainter::IsPopupItem(Add(popup.Items(), u"x")));
    EXPECT_FALSE(TsMenuPainter::LastItem(top));
}

// ---- Backgrounds ----

TEST_F(SkinMenusTest, BackgroundHasBorderGlyphColumnAndKeyedCorners)
{
    ui::MenuItem* first = Add(popup.Items(), u"One");
    const TacMenuInfo mi = painter->GetMenuInfo(first, 120, 80, nullptr);
    ASSERT_NE(mi.Bmp, nullptr);
    EXPECT_EQ(mi.FirstItem, first);
    EXPECT_EQ(painter->GetSkinBorderWidth(), kMenuBorder);
    ui::Canvas& c = mi.Bmp->Canvas();
    EXPECT_EQ(c.Pixel(1, 40), Rgb(kMenuBorderColor));
    EXPECT_EQ(c.Pixel(kMenuBorder + 4, 40), Rgb(kIcoLineColor));          // glyph column
    EXPECT_EQ(c.Pixel(kMenuBorder + 16 + 2 + 6 + 4, 40), Rgb(kMainMenuColor)); // past it
    // Key corners cut out at the top and bottom, both sides.
    auto holds = [&](int x, int y) {
        for (const Rect& r : painter->ArOR)
            if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom)
                return true;
        return false;
    };
    EXPECT_TRUE(holds(0, 0));
    EXPECT_TRUE(holds(1, 0));
    EXPECT_TRUE(holds(0, 1));
    EXPECT_FALSE(holds(1, 1));
    EXPECT_TRUE(holds(119, 0));
    EXPECT_TRUE(holds(0, 79));
    EXPECT_TRUE(holds(119, 79));
    EXPECT_FALSE(holds(60, 40));
    // A second lookup finds the same background, also by any item of the menu.
    EXPECT_EQ(painter->GetMenuInfo(Add(popup.Items(), u"Two"), 120, 80, nullptr).Bmp, mi.Bmp);
    EXPECT_EQ(TsMenuPainter::MenuInfoCount(), 1u);
}

TEST_F(SkinMenusTest, ExtraLineStripShiftsTheGlyphColumn)
{
    manager.Support().UseExtraLine = true;
    ui::MenuItem* first = Add(popup.Items(), u"One");
    const TacMenuInfo mi = painter->GetMenuInfo(first, 120, 200, nullptr);
    ASSERT_NE(mi.Bmp, nullptr);
    EXPECT_TRUE(mi.HaveExtraLine);
    EXPECT_EQ(painter->ExtraWidth(mi), 32);
    ui::Canvas& c = mi.Bmp->Canvas();
    EXPECT_EQ(c.Pixel(kMenuBorder + 1, 10), Rgb(kExtraLineColor));
    EXPECT_EQ(c.Pixel(kMenuBorder + 32 + 4, 40), Rgb(kIcoLineColor));
    // The default caption is written upwards in the section's font colour.
    int written = 0;
    for (int y = kMenuBorder; y < 200 - kMenuBorder; ++y)
        for (int x = kMenuBorder; x < kMenuBorder + 32; ++x)
            written += c.Pixel(x, y) == Rgb(kExtraLineFontColor);
    EXPECT_GT(written, 20);
}

TEST_F(SkinMenusTest, WithoutMainMenuSectionNoBackgroundAndNoCorners)
{
    manager.HideSection(u"MAINMENU");
    painter->SkinBorderWidth = -1;
    ui::MenuItem* first = Add(popup.Items(), u"One");
    const TacMenuInfo mi = painter->GetMenuInfo(first, 60, 40, nullptr);
    ASSERT_NE(mi.Bmp, nullptr);
    EXPECT_TRUE(painter->ArOR.empty());
    EXPECT_EQ(painter->GetSkinBorderWidth(), 0);
    EXPECT_NE(mi.Bmp->Canvas().Pixel(30, 20), Rgb(kMainMenuColor));
}

// ---- Drawing into bitmaps ----

TEST_F(SkinMenusTest, ItemStatesPaintFromTheMenuItemSection)
{
    ui::MenuItem* first = Add(popup.Items(), u"One");
    ui::MenuItem* second = Add(popup.Items(), u"Two");
    const RECT r{0, 30, 60, 52}; // inside the menu's measured width
    const struct {
        ui::OwnerDrawState state;
        bool enabled;
        uint32_t color;
    } cases[] = {
        {0, true, kMenuItemColor},
        {ui::odSelected, true, kMenuItemHotColor},
        {ui::odSelected, false, 0}, // disabled: blended toward the background, never hot
    };
    for (const auto& c : cases) {
        second->SetEnabled(c.enabled);
        auto b = DrawInto(second, r, c.state);
        const COLORREF at = b->Canvas().Pixel(50, 41);
        if (c.enabled)
            EXPECT_EQ(at, Rgb(c.color)) << c.state;
        else {
            EXPECT_NE(at, Rgb(kMenuItemColor));
            EXPECT_NE(at, Rgb(kMenuItemHotColor));
        }
    }
    (void)first;
}

TEST_F(SkinMenusTest, CheckMarksByKind)
{
    Add(popup.Items(), u"Head");
    ui::MenuItem* item = Add(popup.Items(), u"Checked");
    const RECT r{0, 30, 150, 52};
    // "CHECK" serves plain and radio items (the skin has no "RADIOCHECKED" of its own here).
    auto b = DrawInto(item, r, ui::odChecked);
    EXPECT_EQ(b->Canvas().Pixel(2 + kMenuCheckSize / 2, 41), Rgb(kMenuCheckColor));
    auto plain = DrawInto(item, r, 0);
    EXPECT_EQ(plain->Canvas().Pixel(2 + kMenuCheckSize / 2, 41), Rgb(kMenuItemColor));
    item->SetRadioItem(true);
    auto radio = DrawInto(item, r, ui::odChecked);
    EXPECT_EQ(radio->Canvas().Pixel(2 + kMenuCheckSize / 2, 41), Rgb(WindowTestGlyphColor(wgRadioChecked, 0)));
    // An item with a glyph of its own shows the glyph, not a mark.
    item->SetRadioItem(false);
    ui::Bitmap glyph(16, 16, ui::pf24bit);
    glyph.Canvas().SetBrushColor(ui::Color(0x0000FF));
    glyph.Canvas().FillRect(RECT{0, 0, 16, 16});
    item->SetBitmap(&glyph);
    auto glyphed = DrawInto(item, r, ui::odChecked);
    EXPECT_EQ(glyphed->Canvas().Pixel(2 + 4, 41), 0x0000FFu);
}

TEST_F(SkinMenusTest, DividersAndCaptionItems)
{
    Add(popup.Items(), u"Head");
    ui::MenuItem* line = Add(popup.Items(), u"-");
    auto b = DrawInto(line, RECT{0, 30, 150, 32}, 0);
    EXPECT_EQ(b->Canvas().Pixel(100, 30), Rgb(kDividerColor));
    EXPECT_NE(b->Canvas().Pixel(2, 30), Rgb(kDividerColor)); // left of the glyph column
    ui::MenuItem* title = Add(popup.Items(), u"-Tools-");
    auto t = DrawInto(title, RECT{0, 40, 150, 62}, 0);
    EXPECT_NE(t->Canvas().Pixel(75, 41), kSentinel); // painted, over the menu background
}

TEST_F(SkinMenusTest, SecondColumnIsNotShiftedByTheExtraLine)
{
    manager.Support().UseExtraLine = true;
    Add(popup.Items(), u"One");
    ui::MenuItem* firstColumn = Add(popup.Items(), u"Two");
    ui::MenuItem* secondColumn = Add(popup.Items(), u"Three");
    secondColumn->SetBreak(true);
    auto a = DrawInto(firstColumn, RECT{0, 30, 150, 52}, 0, 400);
    EXPECT_EQ(a->Canvas().Pixel(2, 41), kSentinel);
    EXPECT_EQ(a->Canvas().Pixel(32 + 100, 41), Rgb(kMenuItemColor));
    auto b = DrawInto(secondColumn, RECT{200, 8, 350, 30}, 0, 400);
    EXPECT_EQ(b->Canvas().Pixel(202, 19), Rgb(kMenuItemColor));
}

TEST_F(SkinMenusTest, SkinSelectItemMenusGetNoExtraLine)
{
    manager.Support().UseExtraLine = true;
    ui::MenuItem* first = Add(popup.Items(), u"Skins");
    first->SetName(u"SkinSelectItem");
    const TacMenuInfo mi = painter->GetMenuInfo(first, 120, 80, nullptr);
    EXPECT_FALSE(mi.HaveExtraLine);
    EXPECT_EQ(painter->ExtraWidth(mi), 0);
}

TEST_F(SkinMenusTest, BadInputIsDrawnPlainlyOrLeftAlone)
{
    ui::MenuItem* amp = Add(popup.Items(), u"&");
    EXPECT_NO_THROW(DrawInto(amp, RECT{0, 0, 100, 20}, 0));
    ui::MenuItem* image = Add(popup.Items(), u"Image");
    image->SetImageIndex(99); // no list at all
    EXPECT_NO_THROW(DrawInto(image, RECT{0, 20, 100, 40}, 0));
    EXPECT_NO_THROW(DrawInto(image, RECT{0, 20, 20, 20}, 0)); // empty rectangle
    // A skin without "MENUITEM": the item keeps the menu background.
    manager.HideSection(u"MENUITEM");
    TsMenuPainter::ClearMenuInfos();
    auto b = DrawInto(image, RECT{0, 20, 100, 40}, 0);
    EXPECT_EQ(b->Canvas().Pixel(40, 30), Rgb(kMainMenuColor));
}

// ---- Hooking ----

TEST_F(SkinMenusTest, OwnHandlersAreKeptAndOursRemovedWhenTheSkinGoes)
{
    ui::MenuItem* plain = Add(popup.Items(), u"Plain");
    ui::MenuItem* own = Add(popup.Items(), u"Own");
    int ownCalls = 0;
    own->OnMeasureItem = [&](core::Object*, ui::Canvas&, int&, int&) { ++ownCalls; };
    own->OnDrawItem = [&](core::Object*, ui::Canvas&, RECT, bool) { ++ownCalls; };
    ui::MenuItem* child = Add(plain, u"Child");

    painter->HookPopupMenu(&popup, true);
    EXPECT_TRUE(popup.OwnerDraw());
    EXPECT_TRUE(popup.MenuAnimation() & (1u << ui::maNone));
    EXPECT_TRUE(TsMenuPainter::HasOurHandlers(plain));
    EXPECT_TRUE(TsMenuPainter::HasOurHandlers(child));
    EXPECT_FALSE(TsMenuPainter::HasOurHandlers(own));
    int w = 0, h = 0;
    HDC dc = GetDC(nullptr);
    {
        ui::Canvas canvas(dc);
        own->OnMeasureItem(own, canvas, w, h);
    }
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(ownCalls, 1);

    painter->HookPopupMenu(&popup, false);
    EXPECT_FALSE(popup.OwnerDraw());
    EXPECT_FALSE(popup.MenuAnimation() & (1u << ui::maNone));
    EXPECT_FALSE(plain->HasOwnerDrawHandlers());
    EXPECT_FALSE(child->HasOwnerDrawHandlers());
    EXPECT_TRUE(own->OnMeasureItem && own->OnDrawItem);
}

TEST_F(SkinMenusTest, ManagersMadeAfterStartUpGetThePainter)
{
    SetDefaultManager(nullptr);
    {
        TsSkinManager skinned(nullptr);
        EXPECT_NE(dynamic_cast<TsMenuPainter*>(skinned.SkinableMenus()), nullptr);
    }
    RemoveMenuPainter();
    {
        TsSkinManager plain(nullptr);
        EXPECT_EQ(dynamic_cast<TsMenuPainter*>(plain.SkinableMenus()), nullptr);
        EXPECT_NE(plain.SkinableMenus(), nullptr);
    }
    InstallMenuPainter();
    SetDefaultManager(&manager);
}

// ---- Real popup menus ----

TEST_F(SkinMenusTest, OpenPopupIsOwnerDrawnWithRegionFromTheMaskCorners)
{
    ui::MenuItem* first = Add(popup.Items(), u"First item");
    Add(popup.Items(), u"-");
    ui::MenuItem* checked = Add(popup.Items(), u"Checked");
    checked->SetChecked(true);
    Add(popup.Items(), u"Last item");
    painter->HookPopupMenu(&popup, true);
    int t = 0, w = 0;
    MenuTextMetrics(u"First item", t, w);
    bool inCorner = true, inside = false;
    RECT itemRect{};
    COLORREF itemPixel = 0, checkPixel = 0;
    const bool seen = OpenPopup([&](HWND wnd) {
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        if (GetWindowRgn(wnd, rgn) != ERROR) {
            inCorner = PtInRegion(rgn, 0, 0) != FALSE;
            inside = PtInRegion(rgn, 20, 20) != FALSE;
        }
        DeleteObject(rgn);
        GetMenuItemRect(nullptr, popup.Handle(), 0, &itemRect);
        RECT window{};
        GetWindowRect(wnd, &window);
        OffsetRect(&itemRect, -window.left, -window.top);
        auto shot = CaptureWindowDC(wnd);
        itemPixel = shot->Canvas().Pixel(itemRect.right - 4, (itemRect.top + itemRect.bottom) / 2);
        RECT checkRect{};
        GetMenuItemRect(nullptr, popup.Handle(), 2, &checkRect);
        OffsetRect(&checkRect, -window.left, -window.top);
        checkPixel = shot->Canvas().Pixel(checkRect.left + 2 + kMenuCheckSize / 2, (checkRect.top + checkRect.bottom) / 2);
    });
    ASSERT_TRUE(seen);
    EXPECT_FALSE(inCorner);
    EXPECT_TRUE(inside);
    EXPECT_EQ(itemRect.bottom - itemRect.top, std::max(t, 16) + 4);
    EXPECT_EQ(itemPixel, Rgb(kMenuItemColor));
    EXPECT_EQ(checkPixel, Rgb(kMenuCheckColor));
    // The window's destruction freed the backgrounds.
    EXPECT_EQ(TsMenuPainter::MenuInfoCount(), 0u);
    (void)first;
}

TEST_F(SkinMenusTest, EmptyAndChangingMenusOpenAndCloseCleanly)
{
    painter->HookPopupMenu(&popup, true);
    EXPECT_NO_FATAL_FAILURE(OpenPopup(nullptr, 50)); // no items: the system shows nothing or an empty menu
    ui::MenuItem* gone = Add(popup.Items(), u"Removed while open");
    Add(popup.Items(), u"Stays");
    painter->HookPopupMenu(&popup, true);
    OpenPopup([&](HWND) { delete gone; }, 100);
    EXPECT_EQ(popup.Items()->Count(), 1);
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(SkinMenusTest, NoGdiObjectsLeftAfterManyOpenings)
{
    for (int i = 0; i < 5; ++i)
        Add(popup.Items(), i == 2 ? u"-" : u"Item");
    painter->HookPopupMenu(&popup, true);
    OpenPopup(nullptr, 30); // the first opening makes what stays (fonts, brushes of the system)
    const int before = GdiObjectCount();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 100; ++i)
        OpenPopup(nullptr, 10);
    const int after = GdiObjectCount();
    EXPECT_LE(after, before + 2);
    EXPECT_EQ(TsMenuPainter::MenuInfoCount(), 0u);
}

} // namespace
} // namespace skin
