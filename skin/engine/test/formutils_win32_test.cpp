// Window and form routines: background colours, painting graphic children over their parent's
// background, text flags, aligned sizes, client rectangles and root windows, the output window.
#include "skin/engine/formutils.h"

#include "skin/engine/command.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/test/fakedwm_win32.h"
#include "ui/graphiccontrol.h"
#include "ui/panel.h"
#include "ui/test/uitest.h"

namespace skin {
namespace {

using ui::test::UiTest;

// A windowless child that paints itself in one colour and counts the skin commands it gets.
class Swatch : public ui::GraphicControl {
public:
    using ui::GraphicControl::GraphicControl;
    uint32_t colour = 0x00FF00;
    int halfVisible = 0;

protected:
    void Paint(ui::Canvas& canvas) override
    {
        RECT r{0, 0, Width(), Height()};
        FillDCSolid(canvas.Handle(), r, ui::Color(colour));
    }
    void WndProc(ui::Message& m) override
    {
        if (m.Msg == SM_SKINCMD && SubCodeOf(m.WParam) == scSetHalfVisible)
            ++halfVisible;
        ui::GraphicControl::WndProc(m);
    }
};

class HalfVisiblePanel : public ui::Panel {
public:
    using ui::Panel::Panel;
    int halfVisible = 0;

protected:
    void WndProc(ui::Message& m) override
    {
        if (m.Msg == SM_SKINCMD && SubCodeOf(m.WParam) == scSetHalfVisible)
            ++halfVisible;
        ui::Panel::WndProc(m);
    }
};

class FormUtilsTest : public UiTest {
protected:
    FormUtilsTest()
    {
        InitSkinEngine();
        form->SetClientSize(200, 100);
        panel = new HalfVisiblePanel(form.get());
        panel->SetParent(form.get());
        panel->SetBounds(10, 10, 100, 60);
        swatch = new Swatch(panel);
        swatch->SetParent(panel);
        swatch->SetBounds(5, 5, 20, 10);
        form->Show();
    }
    ~FormUtilsTest() override { DoneSkinEngine(); }
    std::unique_ptr<ui::Form> form{new ui::Form()};
    HalfVisiblePanel* panel = nullptr;
    Swatch* swatch = nullptr;
};

TEST_F(FormUtilsTest, GraphicChildrenArePaintedAtTheirPlaceMovedByTheOffset)
{
    ui::Bitmap bmp(120, 80, ui::pf24bit);
    RECT all{0, 0, 120, 80};
    FillDCSolid(bmp.Canvas().Handle(), all, ui::Color(0x0000FF));
    PaintGraphicChildren(bmp.Canvas().Handle(), panel, POINT{3, 2});
    GdiFlush();
    EXPECT_EQ(bmp.PixelColor(5 + 3, 5 + 2), ui::Color(0x00FF00));
    EXPECT_EQ(bmp.PixelColor(5 + 3 + 19, 5 + 2 + 9), ui::Color(0x00FF00));
    EXPECT_EQ(bmp.PixelColor(5 + 3 + 20, 5 + 2), ui::Color(0x0000FF)) << "outside the child nothing changes";
    EXPECT_EQ(panel->halfVisible, 0);

    // Nothing to paint into: the control is only told it is half visible.
    HDC dc = bmp.Canvas().Handle();
    HRGN none = CreateRectRgn(0, 0, 0, 0);
    SelectClipRgn(dc, none);
    DeleteObject(none);
    PaintGraphicChildren(dc, panel, POINT{0, 0});
    SelectClipRgn(dc, nullptr);
    EXPECT_EQ(panel->halfVisible, 1);
}

TEST_F(FormUtilsTest, SmallQueries)
{
    struct Flags {
        ui::Alignment alignment;
        UINT expected;
    } flags[] = {
        {ui::taLeftJustify, DT_LEFT | DT_EXPANDTABS | DT_VCENTER},
        {ui::taRightJustify, DT_RIGHT | DT_EXPANDTABS | DT_VCENTER},
        {ui::taCenter, DT_CENTER | DT_EXPANDTABS | DT_VCENTER},
    };
    for (const Flags& f : flags)
        EXPECT_EQ(DrawTextFlagsOf(panel, f.alignment), f.expected);

    auto* top = new ui::Panel(form.get());
    top->SetParent(form.get());
    top->SetAlign(ui::alTop);
    top->SetHeight(12);
    auto* label = new Swatch(form.get());
    label->SetParent(form.get());
    label->SetAlign(ui::alTop);
    label->SetHeight(7);
    EXPECT_EQ(SumAlignedControlSizes(form.get(), ui::alTop, false), 12);
    EXPECT_EQ(SumAlignedControlSizes(form.get(), ui::alTop, true), 19);
    EXPECT_EQ(SumAlignedControlSizes(form.get(), ui::alClient, true), 0);

    RECT client{};
    ClientRectInWindow(form->Handle(), client);
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    POINT origin{0, 0};
    ClientToScreen(form->Handle(), &origin);
    EXPECT_EQ(client.left, origin.x - wr.left);
    EXPECT_EQ(client.top, origin.y - wr.top);
    EXPECT_EQ(client.right - client.left, form->ClientWidth());
    EXPECT_EQ(RootWindowOf(panel->Handle()), form->Handle());
    EXPECT_EQ(RootWindowOf(form->Handle()), form->Handle());
    EXPECT_EQ(WndBgColor(nullptr), MaskKeyColor);
    EXPECT_EQ(WndBgColor(panel->Handle()), 0u) << "a window that does not answer gives black";
}

TEST_F(FormUtilsTest, OutputWindowIsABorderlessPopupThatNeverErases)
{
    TOutputWindow out(form.get());
    EXPECT_EQ(out.Caption(), u"acOutputWindow");
    EXPECT_FALSE(out.Visible());
    HWND wnd = out.Handle();
    EXPECT_EQ(GetWindowLongPtrW(wnd, GWL_STYLE) & (WS_POPUP | WS_CAPTION | WS_BORDER), LONG_PTR(WS_POPUP));
    EXPECT_EQ(GetWindow(wnd, GW_OWNER), ui::Application::Instance().Handle());
    EXPECT_EQ(SendMessageW(wnd, WM_ERASEBKGND, 0, 0), 1);
    EXPECT_EQ(SendMessageW(wnd, WM_NCPAINT, 1, 0), 0);
}

TEST_F(FormUtilsTest, ThemeFunctionIsBoundByName)
{
    EXPECT_TRUE(SetWindowThemeAvailable());
    EXPECT_EQ(SetWindowThemeOf(panel->Handle(), L"explorer", nullptr), S_OK);
    ReleaseSetWindowTheme();
    EXPECT_EQ(SetWindowThemeOf(panel->Handle(), L"explorer", nullptr), E_NOTIMPL);
    BindSetWindowTheme();
    EXPECT_TRUE(SetWindowThemeAvailable());
}

TEST_F(FormUtilsTest, TransitionsAreSetThroughTheCompositionTable)
{
    const HWND wnd = panel->Handle();
    struct Case {
        bool present, composition;
        HRESULT direct;
        size_t logged;
    } cases[] = {
        {true, true, S_OK, 3},      // direct call, disable, enable
        {true, false, S_OK, 1},     // only the direct call: transitions need composition
        {false, false, E_NOTIMPL, 0},
    };
    for (const Case& c : cases) {
        test::FakeDwm dwm(c.composition, c.present);
        EXPECT_EQ(DwmCompositionActive(), c.composition);
        const DWORD one = 1;
        EXPECT_EQ(SetDwmWindowAttribute(wnd, 3, &one, sizeof(one)), c.direct);
        SetDwmTransitions(wnd, true);
        SetDwmTransitions(wnd, false);
        ASSERT_EQ(dwm.Log.size(), c.logged);
        if (c.logged == 3) {
            EXPECT_EQ(dwm.Log[1].Wnd, wnd);
            EXPECT_EQ(dwm.Log[1].Attribute, 3u);
            EXPECT_EQ(dwm.Log[1].Value, 1u);
            EXPECT_EQ(dwm.Log[2].Value, 0u);
        }
    }
}

} // namespace
} // namespace skin
