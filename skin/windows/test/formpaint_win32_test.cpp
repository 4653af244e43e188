// The skinned form's look on real windows under the window test skin: the title and border strips
// by activation, the window region and its probe, the caption buttons in their states and the
// repaint of one button, the grip, the client from the image, the caption-button fade, desktop
// composition through the composition table, and the extended border window with its hit test and
// the mouse over its shadow.
#include "skin/engine/formutils.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/test/fakedwm_win32.h"
#include "skin/engine/tsskinmanager.h"
#include "skin/windows/borderform.h"
#include "skin/windows/mainwnd.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "skin/windows/testwriters/windowtestskin.h"
#include "ui/application.h"
#include "ui/test/uitest.h"

#include <vector>

namespace skin {
namespace {

using namespace skin::testing;

// The window test skin with glowing and extended borders as a test asks.
struct FormSkinManager : WindowTestSkinManager {
    bool AllowGlowing() const override { return glowing; }
    bool ExtendedBorders() const override { return extended; }
    ui::Bitmap* ShadowTemplate(bool active) const override { return extended ? ShadowResource(active) : nullptr; }
    Rect FormShadowSize() const override { return extended ? kShadow : Rect{}; }
    static constexpr Rect kShadow{6, 6, 6, 6};
    bool glowing = false;
    bool extended = false;
};

uint32_t At(ui::Bitmap& bmp, int x, int y) { return uint32_t(ui::ColorToRGB(bmp.PixelColor(x, y))) & 0xFFFFFF; }

class FormPaintTest : public ui::test::UiTest {
protected:
    FormPaintTest()
    {
        InitSkinEngine();
        InitWindowSkinning();
        InitSkinCommand();
    }
    ~FormPaintTest() override
    {
        form.reset();
        SetDefaultManager(nullptr);
        DoneWindowSkinning();
        DoneSkinEngine();
    }

    void Make(ui::FormBorderStyle style = ui::bsSizeable)
    {
        SetDefaultManager(&manager);
        form = std::make_unique<ui::Form>(nullptr);
        form->SetBorderStyle(style);
        form->SetBounds(120, 100, 400, 300);
        form->SetCaption(u"");
        form->HandleNeeded();
        provider = new TsSkinProvider(form.get());
        provider->AfterConstruction();
    }
    void Show()
    {
        form->Show();
        Pump();
        Activate(true);
    }
    void Activate(bool active)
    {
        SendMessageW(form->Handle(), WM_NCACTIVATE, active ? 1 : 0, 0);
        Pump();
    }
    HWND H() const { return form->Handle(); }
    POINT Screen(int x, int y) const
    {
        RECT r{};
        GetWindowRect(H(), &r);
        return {r.left + x, r.top + y};
    }
    bool RegionHolds(int x, int y) const
    {
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        const int kind = GetWindowRgn(H(), rgn);
        const bool in = kind != ERROR && PtInRegion(rgn, x, y);
        DeleteObject(rgn);
        return in;
    }
    bool HasRegion() const
    {
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        const int kind = GetWindowRgn(H(), rgn);
        DeleteObject(rgn);
        return kind != ERROR;
    }

    FormSkinManager manager;
    std::unique_ptr<ui::Form> form;
    TsSkinProvider* provider = nullptr;
};

// ---- The image ----

TEST_F(FormPaintTest, TitleBorderAndClientFollowActivation)
{
    Make();
    Show();
    for (int active : {1, 0, 1}) {
        Activate(active != 0);
        ASSERT_EQ(provider->FormActive, active != 0);
        auto shot = CaptureByPrint(H());
        const int w = shot->Width(), h = shot->Height();
        const int ch = provider->CaptionHeight(true);
        EXPECT_EQ(At(*shot, w / 2, ch / 2), kFormTitleColors[active]) << active;
        EXPECT_EQ(At(*shot, 1, h / 2), kFormBorderColors[active]) << active;
        EXPECT_EQ(At(*shot, w - 2, h / 2), kFormBorderColors[active]) << active;
        EXPECT_EQ(At(*shot, w / 2, h - 2), kFormBorderColors[active]) << active;
        EXPECT_EQ(At(*shot, w / 2, h / 2), kFormClientColors[active]) << active;
    }
}

TEST_F(FormPaintTest, RegionCutsTheKeyedCorners)
{
    Make();
    Show();
    const int w = form->Width(), h = form->Height();
    struct Case {
        int x, y;
        bool in;
    } cases[] = {
        {0, 0, false}, {kFormCorner - 1, kFormCorner - 1, false}, {kFormCorner, 0, true}, {0, kFormCorner, true},
        {w - 1, 0, false}, {w - 1 - kFormCorner, 0, true}, {0, h - 1, false}, {w - 1, h - 1, false},
        {w / 2, h / 2, true}, {w / 2, h - 1, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RegionHolds(c.x, c.y), c.in) << c.x << "," << c.y;
}

TEST_F(FormPaintTest, AnEqualRegionIsNotHandedOverAgainButASizedFormGetsItsNewOne)
{
    Make();
    Show();
    provider->PrepareArOR();
    // Without repaint, or asked to keep an equal one, the window's own region stays.
    EXPECT_FALSE(provider->ApplyFormRgn(false));
    EXPECT_FALSE(provider->ApplyFormRgn(true, true));
    EXPECT_TRUE(provider->ApplyFormRgn(true));
    Pump();
    SetWindowPos(H(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(H());
    Pump();
    const int w = form->Width(), h = form->Height();
    ASSERT_EQ(w, 300);
    EXPECT_FALSE(RegionHolds(w - 1, h - 1));
    EXPECT_TRUE(RegionHolds(w - 1 - kFormCorner, h - 1));
    EXPECT_FALSE(RegionHolds(w + 20, h / 2));
    // The frame of the sized form comes from its new image.
    auto shot = CaptureByPrint(H());
    EXPECT_EQ(At(*shot, w - 2, h / 2), kFormBorderColors[1]);
}

TEST_F(FormPaintTest, FrameMetricsAreReadAgainAfterASettingsChange)
{
    Make();
    Show();
    provider->Frame();
    ASSERT_TRUE(ProviderState().FrameMetricsValid);
    for (UINT msg : {UINT(WM_SETTINGCHANGE), UINT(WM_THEMECHANGED), UINT(WM_DISPLAYCHANGE)}) {
        SendMessageW(H(), msg, 0, 0);
        EXPECT_FALSE(ProviderState().FrameMetricsValid) << msg;
        const FormFrame f = provider->Frame();
        EXPECT_EQ(f.Sys.cyCaption, GetSystemMetrics(SM_CYCAPTION)) << msg;
        EXPECT_EQ(f.Sys.cyMenu, GetSystemMetrics(SM_CYMENU)) << msg;
    }
}

TEST_F(FormPaintTest, MaximisedRegionIsDeflatedUnlessAMaximumSizeKeepsTheCorners)
{
    for (bool constrained : {false, true}) {
        Make();
        if (constrained)
            form->SetConstraints(ui::SizeConstraints{0, 0, 600, 0});
        Show();
        ShowWindow(H(), SW_MAXIMIZE);
        Pump();
        SendMessageW(H(), WM_NCPAINT, 1, 0);
        const FormFrame f = provider->Frame();
        ASSERT_TRUE(f.Zoomed);
        const int b = SysBorderWidth(f, false);
        if (constrained) {
            EXPECT_FALSE(RegionHolds(0, 0));
            EXPECT_TRUE(RegionHolds(kFormCorner, 0));
        } else {
            EXPECT_FALSE(RegionHolds(b - 1, f.WindowHeight / 2));
            EXPECT_TRUE(RegionHolds(b, b));
            EXPECT_FALSE(RegionHolds(f.WindowWidth - b, f.WindowHeight / 2));
        }
        form.reset();
    }
}

TEST_F(FormPaintTest, AProbeAnsweredKeepsTheRegionOffBeforeTheFirstPaint)
{
    Make();
    ui::WndMethod inner = form->WindowProc();
    bool reserve = true;
    form->SetWindowProc([&](ui::Message& m) {
        if (m.Msg == WM_REGION_PROBE && m.WParam == 0x41A2 && reserve) {
            m.Result = 0x41A2;
            return;
        }
        inner(m);
    });
    provider->FirstInitialized = false;
    provider->PrepareArOR();
    provider->ApplyFormRgn(false);
    EXPECT_FALSE(HasRegion());
    reserve = false;
    provider->ApplyFormRgn(false);
    EXPECT_TRUE(HasRegion());
    form->SetWindowProc(inner);
}

TEST_F(FormPaintTest, CaptionButtonsShowTheirStateAndAHoverRepaintsOnlyTheButton)
{
    Make();
    Show();
    SetForegroundWindow(H());
    Activate(true);
    provider->PaintFormCache();
    const RECT r = provider->ButtonMin.Rect;
    ASSERT_GT(r.right, r.left);
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    ui::Bitmap* cache = provider->SkinData()->CacheBmp();
    EXPECT_EQ(At(*cache, cx, cy), WindowTestFormButtonColor(wfbMin, 0));
    const uint32_t title = At(*cache, provider->CaptionWidth() / 2, provider->CaptionHeight(true) / 2);
    // Hot by the hit test, then pressed: the image and the window get the button's state without a
    // rebuild of the image.
    SendMessageW(H(), WM_NCHITTEST, 0, MAKELPARAM(Screen(cx, cy).x, Screen(cx, cy).y));
    EXPECT_EQ(provider->ButtonMin.State, 1);
    EXPECT_FALSE(provider->SkinData()->BGChanged);
    EXPECT_EQ(At(*cache, cx, cy), WindowTestFormButtonColor(wfbMin, 1));
    HDC dc = GetWindowDC(H());
    EXPECT_EQ(GetPixel(dc, cx, cy) & 0xFFFFFF, WindowTestFormButtonColor(wfbMin, 1));
    ReleaseDC(H(), dc);
    provider->SetPressedCode(htMinButton);
    EXPECT_EQ(At(*cache, cx, cy), WindowTestFormButtonColor(wfbMin, 2));
    EXPECT_EQ(At(*cache, provider->CaptionWidth() / 2, provider->CaptionHeight(true) / 2), title);
    provider->SetHotCode(0, true);
    EXPECT_EQ(At(*cache, cx, cy), WindowTestFormButtonColor(wfbMin, 0));
}

TEST_F(FormPaintTest, UserTitleButtonIsPaintedFromTheSkinMask)
{
    Make();
    TsTitleButton& b = provider->TitleButtons().Add();
    EXPECT_EQ(b.Name(), u"TsTitleButton");
    EXPECT_TRUE(b.Enabled && b.Visible() && b.UseSkinData);
    provider->Loaded();
    Show();
    provider->PaintFormCache();
    const RECT r = provider->TitleButtons()[0].BtnData.Rect;
    ASSERT_GT(r.right, r.left);
    EXPECT_EQ(At(*provider->SkinData()->CacheBmp(), (r.left + r.right) / 2, (r.top + r.bottom) / 2),
              WindowTestFormButtonColor(wfbUser, 0));
}

TEST_F(FormPaintTest, GripIsDrawnAtTheBottomRight)
{
    Make();
    provider->SetGripMode(gmRightBottom);
    Show();
    auto shot = CaptureWindowDC(H());
    const FormFrame f = provider->Frame();
    const GridPoint p = GripPosition(f, provider->CaptionWidth(), f.WindowHeight, kGripSize, kGripSize);
    EXPECT_EQ(At(*shot, p.X + kGripSize / 2, p.Y + kGripSize / 2), kGripColor);
}

TEST_F(FormPaintTest, PlainBorderlessThickFrameGetsARingAndNoCaption)
{
    Make(ui::bsNone);
    SetWindowLongPtrW(H(), GWL_STYLE, GetWindowLongPtrW(H(), GWL_STYLE) | WS_THICKFRAME);
    SetWindowPos(H(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    Show();
    EXPECT_EQ(provider->CaptionHeight(true), 0);
    EXPECT_FALSE(HasRegion());
    // The ring is copied from the image.
    auto shot = CaptureByPrint(H());
    ui::Bitmap* cache = provider->SkinData()->CacheBmp();
    for (POINT p : {POINT{shot->Width() / 2, 1}, POINT{1, shot->Height() / 2}, POINT{shot->Width() - 2, 5}})
        EXPECT_EQ(At(*shot, p.x, p.y), At(*cache, p.x, p.y)) << p.x << "," << p.y;
}

// ---- The fade ----

TEST_F(FormPaintTest, ButtonFadeStepsItsAlphaOnTheTimer)
{
    manager.glowing = true;
    Make();
    Show();
    provider->StartBtnAnimation(provider->ButtonClose, 1, 10, true);
    TacSBAnimation* a = provider->ButtonClose.Timer;
    ASSERT_NE(a, nullptr);
    std::vector<int> seen{a->LastBlend()};
    for (int i = 0; i < 10; ++i) {
        m_clock.Advance(12);
        seen.push_back(a->LastBlend());
    }
    const std::vector<int> expected{25, 50, 75, 100, 125, 150, 175, 200, 225, 255, 255};
    EXPECT_EQ(seen, expected);
    HWND image = a->FormHandleOfImage();
    ASSERT_NE(image, nullptr);
    const LONG_PTR ex = GetWindowLongPtrW(image, GWL_EXSTYLE);
    for (LONG_PTR flag : {LONG_PTR(WS_EX_LAYERED), LONG_PTR(WS_EX_NOACTIVATE), LONG_PTR(WS_EX_TOOLWINDOW),
                          LONG_PTR(WS_EX_TRANSPARENT)})
        EXPECT_TRUE(ex & flag) << std::hex << flag;
    EXPECT_NE(GetForegroundWindow(), image);
    // Fading out walks back down and frees the layered window.
    provider->StartBtnAnimation(provider->ButtonClose, 0, 10, false);
    for (int i = 0; i < 12; ++i)
        m_clock.Advance(12);
    EXPECT_EQ(a->CurrentState, -1);
    EXPECT_EQ(a->FormHandleOfImage(), nullptr);
    provider->FreeButtonTimers();
    EXPECT_EQ(provider->ButtonClose.Timer, nullptr);
}

// ---- Composition ----

TEST_F(FormPaintTest, TransitionsAreSwitchedThroughTheCompositionTable)
{
    for (bool composition : {true, false}) {
        test::FakeDwm dwm(composition);
        Make();
        provider->Loaded();
        SendMessageW(H(), WM_SYSCOMMAND, SC_RESTORE, 0);
        ui::Message removed{SM_SKINCMD, SkinWParam(scSkinRemoved), LPARAM(static_cast<SkinManager*>(&manager)), 0};
        form->Perform(removed.Msg, removed.WParam, removed.LParam);
        if (!composition) {
            EXPECT_TRUE(dwm.Log.empty());
        } else {
            ASSERT_GE(dwm.Log.size(), 3u);
            for (const auto& set : dwm.Log) {
                EXPECT_EQ(set.Wnd, H());
                EXPECT_EQ(set.Attribute, 3u);
            }
            EXPECT_EQ(dwm.Log.front().Value, 1u);
            EXPECT_EQ(dwm.Log.back().Value, 0u);
        }
        form.reset();
    }
}

// ---- The extended border window ----

class BorderFormTest : public FormPaintTest {
protected:
    BorderFormTest() { manager.extended = true; }
};

TEST_F(BorderFormTest, OnlyTopLevelBorderedFormsGetOneDirectlyBehindThem)
{
    if (!LayeredWindowsAvailable() || !ShadowResource(true))
        GTEST_SKIP() << "no layered windows or shadow templates";
    Make(ui::bsNone);
    Show();
    EXPECT_EQ(provider->BorderWindow(), nullptr);
    form.reset();
    Make();
    Show();
    HWND border = provider->BorderWindow();
    ASSERT_NE(border, nullptr);
    // The display server may restack a newly mapped window once; a placement puts it back.
    Pump();
    provider->UpdateExBordersPos(false, 255);
    EXPECT_EQ(GetWindow(H(), GW_HWNDNEXT), border);
    EXPECT_TRUE(GetWindowLongPtrW(border, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_TRUE(GetWindowLongPtrW(border, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
    EXPECT_EQ(provider->SkinData()->CacheBmp()->GetPixelFormat(), ui::pf32bit);
    // The form keeps only its inner part; the border window shows the rest.
    EXPECT_TRUE(HasRegion());
    EXPECT_FALSE(RegionHolds(0, 0));
    provider->UpdateExtBorders(false);
    EXPECT_EQ(provider->BorderWindow(), nullptr);
    EXPECT_FALSE(IsWindow(border));
}

TEST_F(BorderFormTest, HitTestAndCursorsPerEdge)
{
    if (!LayeredWindowsAvailable() || !ShadowResource(true))
        GTEST_SKIP() << "no layered windows or shadow templates";
    Make();
    Show();
    TacBorderForm* b = provider->BorderForm();
    ASSERT_NE(b, nullptr);
    RECT wr{};
    GetWindowRect(b->Handle(), &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const Rect s = FormSkinManager::kShadow;
    const FormFrame f = provider->Frame();
    const int bw = SysBorderWidth(f, false);
    auto hit = [&](int x, int y) {
        ui::Message m{WM_NCHITTEST, 0, MAKELPARAM(wr.left + x, wr.top + y), 0};
        return b->Ex_WMNCHitTest(m);
    };
    struct Case {
        int x, y, code;
        LPCWSTR cursor;
    } cases[] = {
        {s.Left + 1, h / 2, HTLEFT, IDC_SIZEWE},       {w - s.Right - 1, h / 2, HTRIGHT, IDC_SIZEWE},
        {w / 2, h - s.Bottom - 1, HTBOTTOM, IDC_SIZENS}, {w / 2, s.Top + 1, HTTOP, IDC_SIZENS},
        {s.Left + 1, s.Top + 1, HTTOPLEFT, IDC_SIZENWSE}, {w - s.Right - 1, h - s.Bottom - 1, HTBOTTOMRIGHT, IDC_SIZENWSE},
        {w - s.Right - 1, s.Top + 1, HTTOPRIGHT, IDC_SIZENESW}, {w / 2, s.Top + bw + 4, HTCAPTION, IDC_ARROW},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hit(c.x, c.y), c.code) << c.x << "," << c.y;
        SetCursorPos(wr.left + c.x, wr.top + c.y);
        ui::Message m{WM_SETCURSOR, WPARAM(b->Handle()), MAKELPARAM(HTBORDER, WM_MOUSEMOVE), 0};
        EXPECT_TRUE(b->Ex_WMSetCursor(m)) << c.x << "," << c.y;
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, c.cursor)) << c.x << "," << c.y;
    }
    const RECT close = provider->ButtonClose.Rect;
    EXPECT_EQ(hit((close.left + close.right) / 2, (close.top + close.bottom) / 2), HTCLOSE);
    // Over the shadow the border window is transparent to the mouse.
    EXPECT_EQ(SendMessageW(b->Handle(), WM_NCHITTEST, 0, MAKELPARAM(wr.left + 1, wr.top + h / 2)), HTTRANSPARENT);
    EXPECT_EQ(SendMessageW(b->Handle(), WM_NCHITTEST, 0, MAKELPARAM(wr.left + w / 2, wr.top + s.Top + 2)), 19);
    // A disabled owner answers nothing.
    EnableWindow(H(), FALSE);
    EXPECT_EQ(hit(s.Left + 1, h / 2), -1);
    EnableWindow(H(), TRUE);
}

TEST_F(BorderFormTest, AClickOnTheShadowReachesTheWindowBelowInItsOwnCoordinates)
{
    if (!LayeredWindowsAvailable() || !ShadowResource(true))
        GTEST_SKIP() << "no layered windows or shadow templates";
    Make();
    Show();
    TacBorderForm* b = provider->BorderForm();
    ASSERT_NE(b, nullptr);
    RECT wr{};
    GetWindowRect(b->Handle(), &wr);
    // A plain window under the left shadow, below the border window in z-order.
    ui::Form below(nullptr);
    below.SetBorderStyle(ui::bsNone);
    below.SetBounds(wr.left - 50, wr.top, 60, 200);
    std::vector<POINT> clicks;
    ui::WndMethod old = below.WindowProc();
    below.SetWindowProc([&](ui::Message& m) {
        if (m.Msg == WM_LBUTTONDOWN)
            clicks.push_back({short(LOWORD(m.LParam)), short(HIWORD(m.LParam))});
        old(m);
    });
    ShowWindow(below.Handle(), SW_SHOWNOACTIVATE);
    SetWindowPos(below.Handle(), b->Handle(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Pump();
    const POINT client{2, 40};
    SendMessageW(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    ASSERT_EQ(clicks.size(), 1u);
    POINT expected{wr.left + client.x, wr.top + client.y};
    ScreenToClient(below.Handle(), &expected);
    EXPECT_EQ(clicks[0].x, expected.x);
    EXPECT_EQ(clicks[0].y, expected.y);
    below.SetWindowProc(old);
}

} // namespace
} // namespace skin
