#include "skin/windows/formgeometry.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

// A 300 x 200 window; its client area depends on the frame.
FormFrame Frame(FormBorderKind style, bool thick, bool border, int clientW, int clientH)
{
    FormFrame f;
    f.BorderStyle = style;
    f.ThickFrame = thick;
    f.Border = border;
    f.Caption = style != FormBorderKind::None;
    f.WindowWidth = 300;
    f.WindowHeight = 200;
    f.ClientWidth = clientW;
    f.ClientHeight = clientH;
    return f;
}

TEST(FormGeometry, MeasuresPerBorderStyle)
{
    struct Case {
        const char* what;
        FormFrame f;
        int sysBorder, captionSkin, captionSys, offsetX, offsetY, header, captionWidth;
    };
    FormFrame zoomed = Frame(FormBorderKind::Sizeable, true, true, 292, 173);
    zoomed.Zoomed = true;
    FormFrame iconic = Frame(FormBorderKind::Sizeable, true, true, 0, 0);
    iconic.Iconic = true;
    FormFrame withMenu = Frame(FormBorderKind::Single, false, true, 294, 156);
    withMenu.HasMenu = true;
    FormFrame borderWidth = Frame(FormBorderKind::Sizeable, true, true, 280, 161);
    borderWidth.FormBorderWidth = 6;
    FormFrame scrolled = Frame(FormBorderKind::Sizeable, true, true, 275, 160);
    scrolled.VScrollWidth = 17;
    scrolled.HScrollHeight = 13;
    Case cases[] = {
        // sizeable: 4-pixel frame, 19-pixel caption, client 292 x 173
        {"sizeable", Frame(FormBorderKind::Sizeable, true, true, 292, 173), 4, 19, 19, 4, 23, 23, 300},
        {"single", Frame(FormBorderKind::Single, false, true, 294, 175), 3, 19, 19, 3, 22, 22, 300},
        {"dialog", Frame(FormBorderKind::Dialog, false, true, 294, 175), 3, 19, 19, 3, 22, 22, 300},
        {"tool window: small caption", Frame(FormBorderKind::ToolWindow, false, true, 294, 179), 3, 15, 15, 3, 18, 18, 300},
        {"sizeable tool window", Frame(FormBorderKind::SizeToolWin, true, true, 292, 177), 4, 15, 15, 4, 19, 19, 300},
        {"no border: no caption", Frame(FormBorderKind::None, false, false, 300, 200), 0, 0, 0, 0, 0, 0, 300},
        {"maximised", zoomed, 4, 19, 19, 4, 23, 23, 300},
        {"iconic: caption kept, frame added to the header", iconic, 4, 19, 19, 150, 196, 200, 300},
        {"menu line below the caption", withMenu, 3, 19, 19, 3, 41, 41, 300},
        {"form border width", borderWidth, 4, 19, 19, 10, 29, 29, 300},
        {"visible skinned scroll bars", scrolled, 4, 19, 19, 4, 23, 23, 300},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SysBorderWidth(c.f, true), c.sysBorder) << c.what;
        EXPECT_EQ(CaptionHeight(c.f, true), c.captionSkin) << c.what;
        EXPECT_EQ(CaptionHeight(c.f, false), c.captionSys) << c.what;
        EXPECT_EQ(OffsetX(c.f), c.offsetX) << c.what;
        EXPECT_EQ(OffsetY(c.f), c.offsetY) << c.what;
        EXPECT_EQ(HeaderHeight(c.f), c.header) << c.what;
        EXPECT_EQ(CaptionWidth(c.f), c.captionWidth) << c.what;
        EXPECT_EQ(PlainBorderWidth(c.f, true), c.sysBorder) << c.what;
    }
}

TEST(FormGeometry, ExtendedBordersTakeTheSkinsTitleBorderAndShadow)
{
    FormFrame f = Frame(FormBorderKind::Sizeable, true, true, 292, 173);
    f.ExBorders = true;
    f.Ex = ExBorderValues{8, 30, 26, 0, 2, 1};
    f.Shadow = Rect{5, 4, 6, 7};
    EXPECT_EQ(SysBorderWidth(f, true), 8);
    EXPECT_EQ(SysBorderWidth(f, false), 4);
    EXPECT_EQ(PlainBorderWidth(f, false), 0);
    EXPECT_EQ(CaptionHeight(f, true), 30);
    EXPECT_EQ(CaptionHeight(f, false), 19);
    EXPECT_EQ(ExBorderExtra(f), 4);
    EXPECT_EQ(ExTitleExtra(f), 30 - 19 - 4);
    EXPECT_EQ(CaptionWidth(f), 300 + 2 * 4 + 5 + 6);
    EXPECT_EQ(OffsetX(f), 8 + 5);
    EXPECT_EQ(OffsetY(f), 30 + 4);
    EXPECT_EQ(HeaderHeight(f), 30);
    EXPECT_EQ(ShadowSize(f), (Rect{5, 4, 6, 7}));
    // The title higher than the system's caption plus 4 when maximised with extended borders.
    f.SysExHeight = true;
    f.Ex.TitleHeight = 10;
    EXPECT_EQ(CaptionHeight(f, true), 23);
    // Without the border window the skin's values do not count.
    FormFrame plain = f;
    plain.ExBorders = false;
    plain.SysExHeight = false;
    EXPECT_EQ(CaptionHeight(plain, true), 19);
    EXPECT_EQ(ShadowSize(plain), Rect{});
}

TEST(FormGeometry, IconSizesAndButtonSizes)
{
    struct {
        int h, size;
    } icons[] = {{-100, 1}, {0, 1}, {8, 1}, {9, 8}, {16, 8}, {17, 16}, {-101, 16}};
    for (auto c : icons)
        EXPECT_EQ(IconSizeFor(c.h), c.size) << c.h;

    ButtonMaskInfo none;
    ButtonMaskInfo master{true, false, 0, 0, 18, 40, 3, 1};
    ButtonMaskInfo own{true, true, 72, 36, 0, 0, 4, 0};
    EXPECT_EQ(CaptionButtonHeight(none), 21);
    EXPECT_EQ(CaptionButtonWidth(none), 21);
    EXPECT_EQ(CaptionButtonHeight(master), 20);
    EXPECT_EQ(CaptionButtonWidth(master), 18);
    EXPECT_EQ(CaptionButtonHeight(own), 18);
    EXPECT_EQ(CaptionButtonWidth(own), 18);
    EXPECT_EQ(ExtraButtonWidth(0, none), 21);
    EXPECT_EQ(ExtraButtonWidth(30, master), 32);
    EXPECT_EQ(ExtraButtonWidth(10, master), 18);
}

CaptionButtonSlot Slot(bool visible, int width)
{
    CaptionButtonSlot s;
    s.Visible = visible;
    s.Width = width;
    return s;
}

TEST(FormGeometry, CaptionButtonsLaidOutFromTheRight)
{
    FormFrame f = Frame(FormBorderKind::Sizeable, true, true, 292, 173);
    ButtonPlacing p{2, 0, 3, 0};
    CaptionButtonSlot sys[4] = {Slot(true, 20), Slot(true, 18), Slot(true, 18), Slot(false, 18)};
    std::vector<CaptionButtonSlot> user = {Slot(true, 21), Slot(false, 21), Slot(true, 21)};
    LayoutCaptionButtons(f, p, 16, true, true, sys, user);
    // Right edge 300 - 3 - 4 = 293; centred: (4 + 19 - 16) / 2 = 3.
    EXPECT_EQ(sys[0].Box, (Rect{273, 3, 293, 19}));
    EXPECT_EQ(sys[1].Box, (Rect{253, 3, 271, 19}));
    EXPECT_EQ(sys[2].Box, (Rect{233, 3, 251, 19}));
    EXPECT_EQ(sys[3].Box, Rect{});
    EXPECT_EQ(user[0].Box, (Rect{202, 3, 223, 19}));
    EXPECT_EQ(user[1].Box, Rect{});
    EXPECT_EQ(user[2].Box, (Rect{179, 3, 200, 19}));

    // Top alignment, tool window (no spacing), a small button on a standard caption moves down 2.
    FormFrame tool = Frame(FormBorderKind::ToolWindow, false, true, 294, 179);
    CaptionButtonSlot small[4] = {Slot(true, 14), Slot(false, 14), Slot(false, 14), Slot(true, 14)};
    std::vector<CaptionButtonSlot> none;
    LayoutCaptionButtons(tool, ButtonPlacing{5, 1, 0, 0}, 12, true, true, small, none);
    EXPECT_EQ(small[0].Box, (Rect{283, 0, 297, 12}));
    EXPECT_EQ(small[3].Box, (Rect{269, 0, 283, 12}));
    EXPECT_EQ(CaptionButtonTop(f, false, 12, p), (4 + 19 - 12) / 2 + 2);
    // A hidden close button leaves every system button out.
    CaptionButtonSlot hidden[4] = {Slot(true, 20), Slot(true, 18), Slot(true, 18), Slot(true, 18)};
    LayoutCaptionButtons(f, p, 16, true, false, hidden, none);
    for (const auto& b : hidden)
        EXPECT_EQ(b.Box, Rect{});
}

TEST(FormGeometry, ButtonRulesPerStyleAndState)
{
    struct Case {
        const char* what;
        FormButtonRules r;
        bool visMax, visMin, visRestore, visSize, enMax, enMin, enRestore, enMove, enSize;
    } cases[] = {
        {"sizeable normal", {true, FormBorderKind::Sizeable}, true, true, true, true, true, true, false, true, true},
        {"sizeable maximised", {true, FormBorderKind::Sizeable, false, false, true}, true, true, true, true, false, true, true, false, true},
        {"single minimised", {true, FormBorderKind::Single, false, true}, true, true, true, true, true, false, true, true, false},
        {"dialog", {true, FormBorderKind::Dialog}, false, false, false, false, false, true, false, true, true},
        {"tool window", {true, FormBorderKind::ToolWindow}, false, false, false, false, false, true, false, true, true},
        {"no system menu", {false, FormBorderKind::Sizeable}, false, false, false, true, true, true, false, true, true},
        {"no max icon", {true, FormBorderKind::Sizeable, false, false, false, true, false}, false, true, true, true, false, true, false, true, true},
        {"MDI child dialog", {true, FormBorderKind::Dialog, true}, true, true, true, true, true, true, false, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.r.VisibleMax(), c.visMax) << c.what;
        EXPECT_EQ(c.r.VisibleMin(), c.visMin) << c.what;
        EXPECT_EQ(c.r.VisibleRestore(), c.visRestore) << c.what;
        EXPECT_EQ(c.r.VisibleSize(), c.visSize) << c.what;
        EXPECT_EQ(c.r.EnabledMax(), c.enMax) << c.what;
        EXPECT_EQ(c.r.EnabledMin(), c.enMin) << c.what;
        EXPECT_EQ(c.r.EnabledRestore(), c.enRestore) << c.what;
        EXPECT_EQ(c.r.EnabledMove(), c.enMove) << c.what;
        EXPECT_EQ(c.r.EnabledSize(), c.enSize) << c.what;
    }
}

TEST(FormGeometry, TitleHitTestTable)
{
    FormFrame f = Frame(FormBorderKind::Sizeable, true, true, 292, 173);
    f.HasMenu = true;
    f.ClientHeight = 155;
    TitleHitInput in;
    in.Close = Rect{273, 3, 293, 19};
    in.Max = Rect{253, 3, 271, 19};
    in.Min = Rect{233, 3, 251, 19};
    in.UserButtons = {{Rect{210, 3, 231, 19}}, {Rect{187, 3, 208, 19}, true, false}, {Rect{275, 3, 290, 19}}};
    in.IconRect = Rect{4, 5, 20, 21};
    in.GripShowing = true;
    in.GripMaskValid = true;
    in.Grip = GridPoint{280, 180};
    struct Case {
        const char* what;
        GridPoint p;
        int code;
    } cases[] = {
        {"close", {280, 10}, htClose},
        {"close wins over a user button under it", {276, 10}, htClose},
        {"max", {260, 10}, htMaxButton},
        {"min", {240, 10}, htMinButton},
        {"user button 0", {215, 10}, htUserButton},
        {"disabled user button", {190, 10}, htCaption},
        {"gap between buttons", {272, 10}, htCaption},
        {"icon", {10, 10}, htSysMenu},
        {"caption", {100, 10}, htCaption},
        {"menu band", {100, 24}, htMenu},
        {"top border", {100, 2}, htTop},
        {"top left", {2, 2}, htTopLeft},
        {"top right", {298, 2}, htTopRight},
        {"left", {2, 100}, htLeft},
        {"right", {298, 100}, htRight},
        {"bottom", {100, 198}, htBottom},
        {"bottom left", {1, 198}, htBottomLeft},
        {"bottom right", {298, 198}, htBottomRight},
        {"grip", {285, 185}, htBottomRight},
        {"client", {100, 100}, htClient},
    };
    for (const Case& c : cases) {
        in.P = c.p;
        EXPECT_EQ(TitleHitTest(f, in), c.code) << c.what;
    }

    // Disabled max button (and no restore) answers caption; maximised forms have no sizing border.
    TitleHitInput noMax = in;
    noMax.Rules.IconMaximize = false;
    noMax.Rules.IconHelp = true;
    noMax.Help = Rect{213, 3, 231, 19};
    noMax.UserButtons.clear();
    noMax.P = {240, 10};
    EXPECT_EQ(TitleHitTest(f, noMax), htMinButton); // slot 2 now min: the max button is hidden
    noMax.P = {215, 10};
    EXPECT_EQ(TitleHitTest(f, noMax), htHelp); // the help button in the min button's slot
    // A max button that can neither maximise nor restore is part of the caption.
    TitleHitInput maxDisabled = in;
    maxDisabled.Rules.BorderStyle = FormBorderKind::Single;
    maxDisabled.Rules.Maximized = true;
    maxDisabled.Rules.IconMaximize = false;
    maxDisabled.Rules.Minimized = true; // visible through the minimised rule, restore enabled
    maxDisabled.P = {260, 10};
    EXPECT_EQ(TitleHitTest(f, maxDisabled), htMaxButton);
    maxDisabled.Rules.Minimized = false;
    maxDisabled.Rules.MDIChild = true;
    EXPECT_EQ(TitleHitTest(f, maxDisabled), htCaption);
    FormFrame zoomed = f;
    zoomed.Zoomed = true;
    in.P = {100, 2};
    EXPECT_EQ(TitleHitTest(zoomed, in), htCaption);
    // Extended borders: the border window tests the buttons and borders.
    FormFrame ex = f;
    ex.ExBorders = true;
    in.P = {280, 10};
    EXPECT_EQ(TitleHitTest(ex, in), htCaption);
}

TEST(FormGeometry, MaximisedSizeCoversTheWorkAreaWithTheFrameOutside)
{
    FormFrame f = Frame(FormBorderKind::Sizeable, true, true, 292, 173);
    Rect work{0, 0, 1024, 740};
    MaxInfo m = MaximizedSize(f, true, work);
    EXPECT_EQ(m.MaxPositionY, 0);
    EXPECT_EQ(m.MaxWidth, 1032);
    EXPECT_EQ(m.MaxHeight, 744);
    FormFrame ex = f;
    ex.ExBorders = true;
    ex.Ex = ExBorderValues{8, 40, 30, 0, 2, 0};
    m = MaximizedSize(ex, true, work);
    // B = 40 - 19 - 4 = 17, E = 40 - 30 + 2 = 12.
    EXPECT_EQ(m.MaxPositionY, 17 - 4 - 12);
    EXPECT_EQ(m.MaxHeight, 740 + 8 - 17 + 12);
    FormFrame bare = Frame(FormBorderKind::None, false, false, 300, 200);
    m = MaximizedSize(bare, true, work);
    EXPECT_EQ(m.MaxPositionY, 0);
    EXPECT_EQ(m.MaxWidth, 1024);
}

TEST(FormGeometry, SnappingAgainstTheWorkArea)
{
    FormFrame f = Frame(FormBorderKind::Sizeable, true, true, 292, 173);
    Rect work{0, 0, 1000, 700};
    struct Case {
        const char* what;
        int x, y;
        GridPoint to;
    } cases[] = {
        {"right edge within the buffer", 695, 100, {700, 100}},
        {"bottom edge within the buffer", 100, 492, {100, 500}},
        {"left edge", 7, 100, {0, 100}},
        {"top edge", 100, -9, {100, 0}},
        {"just outside the buffer", 690, 100, {690, 100}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SnapPosition(f, c.x, c.y, 300, 200, work, 10), c.to) << c.what;
}

TEST(FormGeometry, BorderOutlineMovesAndSizes)
{
    Rect form{100, 100, 400, 300};
    BorderTrack t;
    Rect out;
    BorderTrackBegin(t, true, 0, form, 0, 0, {150, 110});
    BorderTrackMove(t, {160, 130});
    BorderTrackMove(t, {170, 140});
    ASSERT_TRUE(BorderTrackResult(t, out));
    EXPECT_EQ(out, (Rect{120, 130, 420, 330}));

    struct Case {
        const char* what;
        int ht;
        GridPoint from, to;
        Rect result;
    } cases[] = {
        {"bottom right", htBottomRight, {400, 300}, {420, 330}, {100, 100, 420, 330}},
        {"top left", htTopLeft, {100, 100}, {90, 80}, {90, 80, 400, 300}},
        {"left only", htLeft, {100, 200}, {80, 260}, {80, 100, 400, 300}},
        {"top below the minimum height", htTop, {200, 100}, {200, 290}, {100, 200, 400, 300}},
        {"right below the minimum width", htRight, {400, 200}, {150, 200}, {100, 100, 250, 300}},
        {"sizing started from the menu: bottom and right", 0, {400, 300}, {410, 305}, {100, 100, 410, 305}},
    };
    for (const Case& c : cases) {
        BorderTrackBegin(t, false, c.ht, form, 150, 100, c.from);
        BorderTrackMove(t, c.from);
        BorderTrackMove(t, c.to);
        ASSERT_TRUE(BorderTrackResult(t, out)) << c.what;
        EXPECT_EQ(out, c.result) << c.what;
    }
    // Sizing without any mouse move changes nothing.
    BorderTrackBegin(t, false, htRight, form, 0, 0, {400, 200});
    EXPECT_FALSE(BorderTrackResult(t, out));
}

} // namespace
} // namespace skin
