// The skinned form's menu line on real forms with real main menus: which forms show it, the hooking
// of the form's menus, the rows it wraps into, its painting into a form image, and the hot and
// pressed items the system draws.
#include "skin/engine/graphutils.h"
#include "skin/windows/mainwnd.h"
#include "skin/windows/skinmenus.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "ui/bitmap.h"
#include "ui/menu.h"
#include "ui/test/uitest.h"

namespace skin {
namespace {

using namespace skin::testing;

constexpr COLORREF kSentinel = 0x123456;
uint32_t Rgb(uint32_t color) { return color & 0xFFFFFF; }

class MenuLineTest : public ui::test::UiTest {
protected:
    MenuLineTest()
    {
        InitSkinEngine();
        InitWindowSkinning();
        SetDefaultManager(&manager);
        form = std::make_unique<ui::Form>(nullptr);
        menu = new ui::MainMenu(form.get());
    }
    ~MenuLineTest() override
    {
        provider = nullptr;
        form.reset();
        TsMenuPainter::ClearMenuInfos();
        SetDefaultManager(nullptr);
        DoneWindowSkinning();
        DoneSkinEngine();
    }

    ui::MenuItem* Top(core::StringView caption)
    {
        auto* item = new ui::MenuItem(form.get());
        item->SetCaption(caption);
        menu->Items()->Add(item);
        auto* sub = new ui::MenuItem(form.get());
        sub->SetCaption(u"Inner");
        item->Add(sub);
        return item;
    }
    void Show(int width, ui::FormBorderStyle style = ui::bsSizeable)
    {
        form->SetBorderStyle(style);
        form->SetBounds(50, 50, width, 300);
        form->SetMenu(menu);
        form->HandleNeeded();
        provider = new TsSkinProvider(form.get());
        provider->AfterConstruction();
        form->Show();
        Pump();
    }
    // A form image of the window's size, filled with the sentinel colour.
    std::unique_ptr<ui::Bitmap> Image()
    {
        RECT w{};
        GetWindowRect(form->Handle(), &w);
        auto b = std::make_unique<ui::Bitmap>(w.right - w.left, w.bottom - w.top, ui::pf24bit);
        HBRUSH brush = CreateSolidBrush(kSentinel);
        RECT all{0, 0, b->Width(), b->Height()};
        FillRect(b->Canvas().Handle(), &all, brush);
        DeleteObject(brush);
        return b;
    }
    // The item's rectangle in window coordinates.
    RECT ItemRect(int position)
    {
        RECT r{}, w{};
        GetMenuItemRect(form->Handle(), menu->Handle(), UINT(position), &r);
        GetWindowRect(form->Handle(), &w);
        OffsetRect(&r, -w.left, -w.top);
        return r;
    }
    int TitleBottom() const
    {
        const FormFrame f = provider->Frame();
        return PlainBorderWidth(f, false) + CaptionHeight(f, true);
    }

    WindowTestMenuManager manager;
    std::unique_ptr<ui::Form> form;
    ui::MainMenu* menu = nullptr;
    TsSkinProvider* provider = nullptr;
};

TEST_F(MenuLineTest, TheFormsMenusAreHookedIntoThePainter)
{
    ui::MenuItem* file = Top(u"&File");
    auto* popup = new ui::PopupMenu(form.get());
    auto* pitem = new ui::MenuItem(form.get());
    pitem->SetCaption(u"Popup item");
    popup->Items()->Add(pitem);
    Show(400);
    EXPECT_TRUE(menu->OwnerDraw());
    EXPECT_TRUE(TsMenuPainter::HasOurLineHandlers(file));
    EXPECT_TRUE(TsMenuPainter::HasOurHandlers(file->Items(0)));
    EXPECT_TRUE(TsMenuPainter::HasOurHandlers(pitem));
    EXPECT_TRUE(popup->OwnerDraw());
    // Taking the skin away gives the menus back as they were.
    provider->InitMenuItems(false);
    EXPECT_FALSE(menu->OwnerDraw());
    EXPECT_FALSE(file->HasOwnerDrawHandlers());
    EXPECT_FALSE(file->Items(0)->HasOwnerDrawHandlers());
    EXPECT_FALSE(pitem->HasOwnerDrawHandlers());
}

TEST_F(MenuLineTest, WhichFormsShowALine)
{
    ui::MenuItem* file = Top(u"File");
    Show(400);
    EXPECT_TRUE(provider->MenuPresent());
    EXPECT_EQ(provider->MenuHeight(), GetSystemMetrics(SM_CYMENU) - 1);
    file->SetVisible(false);
    EXPECT_FALSE(provider->MenuPresent()) << "no visible item";
    file->SetVisible(true);
    form->SetBorderStyle(ui::bsDialog);
    EXPECT_FALSE(provider->MenuPresent());
    auto image = Image();
    provider->MenuLineBmp.reset();  // the form image painted the line while it was shown
    provider->PaintMenuLine(image.get());
    EXPECT_EQ(provider->MenuLineBmp, nullptr);
    EXPECT_EQ(image->Canvas().Pixel(image->Width() / 2, TitleBottom() + 2), kSentinel);
    form->SetMenu(nullptr);
    EXPECT_FALSE(provider->MenuPresent());
    EXPECT_EQ(provider->MenuHeight(), 0);
}

TEST_F(MenuLineTest, RowsWrapAndTheClientOffsetGrowsByARowHeight)
{
    for (int i = 0; i < 12; ++i)
        Top(u"Item " + core::IntToStr(i));
    Show(220);
    const int rows = provider->MenuLinesCount();
    EXPECT_GE(rows, 2);
    EXPECT_EQ(provider->FLinesCount, rows);
    FormFrame f = provider->Frame();
    f.ExBorders = true;
    f.MenuLines = 1;
    const int one = OffsetY(f);
    f.MenuLines = rows;
    EXPECT_EQ(OffsetY(f) - one, (rows - 1) * provider->MenuHeight());

    // A wide form needs one row; RepaintMenu counts again (the form image asks at once).
    form->SetBounds(50, 50, 1200, 300);
    Pump();
    provider->RepaintMenu();
    EXPECT_EQ(provider->MenuLinesCount(), 1);
}

TEST_F(MenuLineTest, LineIsPaintedIntoTheFormImageWithItsItems)
{
    for (int i = 0; i < 8; ++i)
        Top(u"Menu " + core::IntToStr(i));
    Show(260);
    const int rows = provider->MenuLinesCount();
    ASSERT_GE(rows, 2);
    auto image = Image();
    provider->PaintMenuLine(image.get());
    ASSERT_NE(provider->MenuLineBmp, nullptr);
    EXPECT_EQ(provider->MenuLineBmp->Height(), rows * provider->MenuHeight());
    EXPECT_EQ(provider->MenuLineBmp->Width(), image->Width());
    ui::Canvas& c = image->Canvas();
    const int top = TitleBottom();
    // The line's section covers every row; the items lie on it in the normal "MENUITEM" state.
    EXPECT_EQ(c.Pixel(image->Width() - 8, top + rows * provider->MenuHeight() - 2), Rgb(kMenuLineColor));
    int onLaterRows = 0;
    for (int p = 0; p < 8; ++p) {
        const RECT r = ItemRect(p);
        EXPECT_EQ(c.Pixel(r.right - 2, (r.top + r.bottom) / 2), Rgb(kMenuItemColor)) << p;
        onLaterRows += r.top >= top + provider->MenuHeight();
    }
    EXPECT_GT(onLaterRows, 0);
    // The line's background was taken before the items were drawn.
    EXPECT_EQ(provider->MenuLineBmp->Canvas().Pixel(provider->MenuLineBmp->Width() - 8, 2), Rgb(kMenuLineColor));
}

TEST_F(MenuLineTest, HotAndPressedItemsTheSystemDraws)
{
    Top(u"File");
    ui::MenuItem* edit = Top(u"Edit");
    Show(400);
    auto image = Image();
    provider->PaintMenuLine(image.get());
    const struct {
        UINT state;
        bool enabled;
        uint32_t color;
    } cases[] = {
        {0, true, kMenuItemColor},
        {ODS_HOTLIGHT, true, kMenuItemHotColor},
        {ODS_SELECTED, true, kMenuItemHotColor},
        {ODS_SELECTED, false, 0}, // disabled: blended with the line, never pressed
    };
    for (const auto& c : cases) {
        edit->SetEnabled(c.enabled);
        provider->PaintMenuLine(image.get());
        auto capture = Image();
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_MENU;
        draw.itemData = edit->Command();
        draw.itemState = c.state | (c.enabled ? 0 : ODS_GRAYED);
        draw.rcItem = ItemRect(1);
        draw.hDC = capture->Canvas().Handle();
        SendMessageW(form->Handle(), WM_DRAWITEM, 0, LPARAM(&draw));
        const COLORREF at = capture->Canvas().Pixel(draw.rcItem.right - 2, (draw.rcItem.top + draw.rcItem.bottom) / 2);
        if (c.enabled) {
            EXPECT_EQ(at, Rgb(c.color)) << c.state;
        } else {
            EXPECT_NE(at, Rgb(kMenuItemHotColor));
            EXPECT_NE(at, kSentinel);
        }
    }
}

TEST_F(MenuLineTest, UpdateMenuRebuildsTheWindowMenuOnlyWithItems)
{
    Show(400);
    EXPECT_FALSE(provider->UpdateMenu()) << "no items";
    Top(u"File");
    HMENU before = GetMenu(form->Handle());
    EXPECT_TRUE(provider->UpdateMenu());
    EXPECT_NE(GetMenu(form->Handle()), before);
    EXPECT_TRUE(provider->MenuChanged);
}

TEST_F(MenuLineTest, UpdateMenuIsNotReenteredFromTheMessagesItCauses)
{
    Top(u"File");
    Show(400);
    // Giving the window its new menu sends it messages; one of them asks for another update.
    bool outer = false, asked = false, innerResult = true;
    ui::WndMethod inner = form->WindowProc();
    form->SetWindowProc([&](ui::Message& m) {
        if (outer && !asked) {
            asked = true;
            innerResult = provider->UpdateMenu();
        }
        inner(m);
    });
    outer = true;
    EXPECT_TRUE(provider->UpdateMenu());
    outer = false;
    EXPECT_TRUE(asked);
    EXPECT_FALSE(innerResult);
    // Once it has returned the next update runs again.
    EXPECT_TRUE(provider->UpdateMenu());
    form->SetWindowProc(inner);
}

} // namespace
} // namespace skin
