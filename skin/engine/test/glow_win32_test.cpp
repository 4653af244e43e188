// Glow windows over real forms on "TestSkin": their place and size, the cut of a partly hidden
// control, the list's identifiers, mouse input passing through, and the skin state showing and
// hiding its glow.
#include "skin/engine/glow.h"

#include "skin/engine/commondata.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/test/testskinmanager_win32.h"
#include "ui/bitmap.h"
#include "ui/form.h"
#include "ui/panel.h"
#include "ui/test/uitest.h"

namespace skin {
namespace {

using namespace skin::testing;
using ui::test::UiTest;

constexpr int M = kGlowMargin, WL = kGlowLeft, WT = kGlowTop, WR = kGlowRight, WB = kGlowBottom;

Rect WindowRectOf(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    return Rect{r.left, r.top, r.right, r.bottom};
}

RECT ScreenRectOf(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    return r;
}

HWND GlowWindow(int id)
{
    TacGlowEffect* glow = GlowEffectOf(id);
    return glow && glow->Wnd ? glow->Wnd->Handle() : nullptr;
}

// A panel that routes its messages through the common handler, as skinned controls do.
class GlowPanel : public ui::Panel {
public:
    explicit GlowPanel(core::Component* owner) : ui::Panel(owner), data(this, false) {}
    TsCommonData data;

protected:
    void WndProc(ui::Message& m) override
    {
        if (AnswerSkinQuery(m) || HandleCommonMessage(m, &data))
            return;
        ui::Panel::WndProc(m);
    }
};

class GlowTest : public UiTest {
protected:
    GlowTest()
    {
        InitSkinEngine();
        SetDefaultManager(&skin);
        form->SetBounds(40, 40, 320, 220);
        form->Show();
        host = new ui::Panel(form.get());
        host->SetParent(form.get());
        host->SetBounds(20, 20, 200, 120);
        control = new ui::Panel(form.get());
        control->SetParent(host);
        control->SetBounds(30, 40, 80, 30);
        Pump();
    }
    ~GlowTest() override
    {
        ClearGlowEffects();
        Pump();
        SetDefaultManager(nullptr);
        DoneSkinEngine();
    }

    RECT ControlScreenRect() { return ScreenRectOf(control->Handle()); }
    int Add(const RECT& visible, core::StringView section = u"GLOWBUTTON")
    {
        return AddGlowEffect(ControlScreenRect(), visible, section, u"GLOW", M, 255, form->Handle(), nullptr);
    }

    test::TestSkinManager skin;
    std::unique_ptr<ui::Form> form{new ui::Form()};
    ui::Panel* host = nullptr;
    ui::Panel* control = nullptr;
};

TEST_F(GlowTest, AGlowWindowSurroundsTheControlByTheMaskBordersLessTheMargin)
{
    ASSERT_TRUE(LayeredWindowsAvailable());
    const RECT r = ControlScreenRect();
    const int id = Add(RECT{0, 0, 80, 30});
    ASSERT_EQ(id, 0);
    HWND glow = GlowWindow(id);
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(WindowRectOf(glow),
              (Rect{r.left - (WL - M), r.top - (WT - M), r.left - (WL - M) + 80 + WL + WR - 2 * M,
                    r.top - (WT - M) + 30 + WT + WB - 2 * M}));
    const LONG_PTR ex = GetWindowLongPtrW(glow, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_LAYERED);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(ex & WS_EX_APPWINDOW);
    EXPECT_TRUE(IsWindowVisible(glow));
    EXPECT_NE(GetActiveWindow(), glow);
    EXPECT_FALSE(ex & WS_EX_TOPMOST);

    // A glow of a stay-on-top host stays on top as well.
    SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const int top = Add(RECT{0, 0, 80, 30});
    EXPECT_TRUE(GetWindowLongPtrW(GlowWindow(top), GWL_EXSTYLE) & WS_EX_TOPMOST);
    SetWindowPos(form->Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TEST_F(GlowTest, APartlyHiddenControlGetsTheGlowOfItsVisiblePart)
{
    // Visible parts in the control's own coordinates, and the window they give, relative to the
    // control's screen rectangle (80 x 30).
    const int W = 80 + WL + WR - 2 * M, H = 30 + WT + WB - 2 * M;
    struct Case {
        RECT visible;
        RECT expected; // left, top, right, bottom relative to the control's top-left corner
    } cases[] = {
        // Left 10 pixels hidden: the window starts at the visible part and keeps the right border.
        {{10, 0, 80, 30}, {10, M - WT, 10 + W - (WL + 10 - M), M - WT + H}},
        // Top 5 pixels hidden.
        {{0, 5, 80, 30}, {M - WL, 5, M - WL + W, 5 + H - (WT + 5 - M)}},
        // Right 20 pixels hidden: the glow ends where the visible part does.
        {{0, 0, 60, 30}, {M - WL, M - WT, M - WL + W - (80 + WR - 60 - M), M - WT + H}},
        // Bottom 10 hidden.
        {{0, 0, 80, 20}, {M - WL, M - WT, M - WL + W, M - WT + H - (30 + WB - 20 - M)}},
        // Left and right hidden: the visible width exactly.
        {{10, 0, 60, 30}, {10, M - WT, 60, M - WT + H}},
    };
    const RECT r = ControlScreenRect();
    for (const Case& c : cases) {
        const int id = Add(c.visible);
        HWND glow = GlowWindow(id);
        ASSERT_NE(glow, nullptr);
        const RECT& e = c.expected;
        EXPECT_EQ(WindowRectOf(glow), (Rect{e.left + r.left, e.top + r.top, e.right + r.left, e.bottom + r.top})) << c.visible.left << "," << c.visible.top << "," << c.visible.right << ","
                                         << c.visible.bottom;
        RemoveGlowEffect(id);
    }
}

TEST_F(GlowTest, TheSkinStateCutsTheGlowOfAControlHiddenByItsParent)
{
    // The control's left 10 pixels lie outside its parent's client area.
    control->SetBounds(-10, 40, 80, 30);
    Pump();
    TsCommonData data(control, false);
    data.SetSkinSection(u"GLOWBUTTON");
    ASSERT_TRUE(data.Skinned());
    data.FMouseAbove = true;
    data.UpdateGlow(false, nullptr);
    ASSERT_GE(data.GlowID, 0);
    const RECT r = ControlScreenRect();
    const int W = 80 + WL + WR - 2 * M, H = 30 + WT + WB - 2 * M;
    EXPECT_EQ(WindowRectOf(GlowWindow(data.GlowID)),
              (Rect{r.left + 10, r.top + M - WT, r.left + 10 + W - (WL + 10 - M), r.top + M - WT + H}));
}

TEST_F(GlowTest, ThePictureIsTheMaskNineSlicedWithItsAlpha)
{
    TacGlowEffect glow;
    glow.SkinManager = &skin;
    glow.MaskIndex = skin.GetMaskIndex(u"GLOWBUTTON", u"GLOW0");
    ASSERT_GE(glow.MaskIndex, 0);
    glow.CreateAlphaBmp(60, 40);
    ASSERT_TRUE(glow.AlphaBmp);
    ASSERT_EQ(glow.AlphaBmp->GetPixelFormat(), ui::pf32bit);
    GdiFlush();
    ui::PixelView v = glow.AlphaBmp->Pixels();
    // Alpha 255 - 30 x the distance outside the inner rectangle of the mask (see TestSkin).
    EXPECT_EQ(v.ReadPixel(0, 0) >> 24, 255u - 30 * 6);        // corner
    EXPECT_EQ(v.ReadPixel(59, 39) >> 24, 255u - 30 * 8);      // opposite corner
    EXPECT_EQ(v.ReadPixel(30, 0) >> 24, 255u - 30 * 6);       // top edge
    EXPECT_EQ(v.ReadPixel(59, 20) >> 24, 255u - 30 * 8);      // right edge
    EXPECT_EQ(v.ReadPixel(30, 20), 0u);                       // the centre stays transparent
    // Without a mask the picture is transparent black.
    glow.MaskIndex = -1;
    glow.CreateAlphaBmp(10, 10);
    EXPECT_EQ(glow.AlphaBmp->Pixels().ReadPixel(0, 0), 0u);
}

TEST_F(GlowTest, NoGlowWithoutTheSectionsOwnMaskOrWithoutLayeredWindows)
{
    for (core::StringView section : {u"BUTTON", u"GLOWCHILD", u"NOSUCHSECTION", u""})
        EXPECT_EQ(Add(RECT{0, 0, 80, 30}, section), -1) << core::ToUtf8(core::String(section));
    EXPECT_EQ(GlowEffectCount(), 0);
    DoneSkinEngine();
    EXPECT_EQ(Add(RECT{0, 0, 80, 30}), -1);
    InitSkinEngine();
    EXPECT_EQ(Add(RECT{0, 0, 80, 30}), 0);
}

TEST_F(GlowTest, RemovedSlotsStayEmptyUntilTheListIsCleared)
{
    EXPECT_EQ(Add(RECT{0, 0, 80, 30}), 0);
    HWND first = GlowWindow(0);
    RemoveGlowEffect(-1);
    RemoveGlowEffect(5);
    EXPECT_NE(GlowEffectOf(0), nullptr);
    RemoveGlowEffect(0);
    RemoveGlowEffect(0);
    EXPECT_EQ(GlowEffectOf(0), nullptr);
    Pump();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(Add(RECT{0, 0, 80, 30}), 1);
    EXPECT_EQ(Add(RECT{0, 0, 80, 30}), 2);
    HWND third = GlowWindow(2);
    ClearGlowEffects();
    EXPECT_EQ(GlowEffectCount(), 0);
    Pump();
    EXPECT_FALSE(IsWindow(third));
    EXPECT_EQ(Add(RECT{0, 0, 80, 30}), 0);
}

TEST_F(GlowTest, AGlowOfAManagerBeingDestroyedGoesAtOnce)
{
    ASSERT_EQ(Add(RECT{0, 0, 80, 30}), 0);
    HWND glow = GlowWindow(0);
    skin.destroying = true;
    RemoveGlowEffect(0);
    EXPECT_FALSE(IsWindow(glow));
    skin.destroying = false;
}

TEST_F(GlowTest, MouseInputPassesThroughTheGlowToTheControlBelow)
{
    const RECT r = ControlScreenRect();
    const int id = Add(RECT{0, 0, 80, 30});
    HWND glow = GlowWindow(id);
    ASSERT_NE(glow, nullptr);
    // Inside the margin the glow lies over the control; outside the control over its parent.
    const POINT overControl{r.left + 1, r.top + 1};
    const POINT overParent{r.left - 2, r.top + 10};
    EXPECT_EQ(SendMessageW(glow, WM_NCHITTEST, 0, MAKELPARAM(overControl.x, overControl.y)), HTTRANSPARENT);
    EXPECT_EQ(WindowFromPoint(overControl), control->Handle());
    EXPECT_EQ(WindowFromPoint(overParent), host->Handle());
}

TEST_F(GlowTest, TheSkinStateShowsTheGlowWhileHotAndFreesItsWindowWhenItGoes)
{
    TsCommonData data(control, false);
    data.SetSkinSection(u"GLOWBUTTON");
    ASSERT_TRUE(data.Skinned());

    // Not hot: nothing.
    data.UpdateGlow(false, nullptr);
    EXPECT_EQ(data.GlowID, -1);

    data.FMouseAbove = true;
    data.UpdateGlow(false, nullptr);
    ASSERT_EQ(data.GlowID, 0);
    HWND first = GlowWindow(0);
    // Shown again: the old window makes way, so only one glow shows.
    data.UpdateGlow(false, nullptr);
    ASSERT_EQ(data.GlowID, 1);
    EXPECT_EQ(GlowEffectOf(0), nullptr);

    // A press hides it, and its window goes.
    HWND second = GlowWindow(1);
    data.UpdateGlow(true, nullptr);
    EXPECT_EQ(data.GlowID, -1);
    EXPECT_EQ(GlowEffectOf(1), nullptr);
    Pump();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(IsWindow(second));

    // The mouse leaving hides it too.
    data.UpdateGlow(false, nullptr);
    ASSERT_GE(data.GlowID, 0);
    data.FMouseAbove = false;
    data.UpdateGlow(false, nullptr);
    EXPECT_EQ(data.GlowID, -1);

    // Sections without a glow count, and managers that do not allow glowing, show none.
    data.FMouseAbove = true;
    skin.allowGlowing = false;
    data.UpdateGlow(false, nullptr);
    EXPECT_EQ(data.GlowID, -1);
    skin.allowGlowing = true;
    data.SetSkinSection(u"BUTTON");
    data.UpdateGlow(false, nullptr);
    EXPECT_EQ(data.GlowID, -1);
}

TEST_F(GlowTest, AWindowWithoutControlGlowsByItsHandle)
{
    TsCommonData data(nullptr, false);
    data.SetSkinSection(u"GLOWBUTTON");
    ASSERT_TRUE(data.Skinned());
    data.UpdateGlow(false, nullptr);
    EXPECT_EQ(data.GlowID, -1);
    data.UpdateGlow(false, control->Handle());
    ASSERT_GE(data.GlowID, 0);
    const RECT r = ControlScreenRect();
    EXPECT_EQ(WindowRectOf(GlowWindow(data.GlowID)).Left, r.left - (WL - M));
}

TEST_F(GlowTest, TheCommonHandlerShowsTheGlowOnEnterAndTakesItAwayOnLeaveAndDisabling)
{
    auto* panel = new GlowPanel(form.get());
    panel->SetParent(host);
    panel->SetBounds(30, 80, 60, 20);
    panel->data.SetSkinSection(u"GLOWBUTTON");
    ASSERT_TRUE(panel->data.Skinned());

    panel->Perform(ui::CM_MOUSEENTER, 0, 0);
    ASSERT_GE(panel->data.GlowID, 0);
    HWND glow = GlowWindow(panel->data.GlowID);
    panel->SetEnabled(false);
    EXPECT_EQ(panel->data.GlowID, -1);
    EXPECT_EQ(GlowEffectCount(), 1);
    EXPECT_EQ(GlowEffectOf(0), nullptr);
    Pump();
    EXPECT_FALSE(IsWindow(glow));

    panel->SetEnabled(true);
    panel->Perform(ui::CM_MOUSEENTER, 0, 0);
    ASSERT_GE(panel->data.GlowID, 0);
    panel->Perform(ui::CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(GlowEffectCount(), 0);
    EXPECT_EQ(panel->data.GlowID, -1);

    // Push and speed buttons show their glows themselves.
    panel->data.COC = ckButton;
    panel->Perform(ui::CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(panel->data.GlowID, -1);
}

} // namespace
} // namespace skin
