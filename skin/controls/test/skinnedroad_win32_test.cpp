// The skinned road of the controls over "TestSkin" with the controls' sections: faces read from
// the screen at known points per state, fades stepped with the manual clock, the push button's
// window region, glyph masks of the boxes, the speed button's drop-down part, the splitter while
// sizing, the label's section and hot colours, and the way back to the unskinned look.
#include "skin/controls/button.h"
#include "skin/controls/checkbox.h"
#include "skin/controls/combobox.h"
#include "skin/controls/edit.h"
#include "skin/controls/framebar.h"
#include "skin/controls/label.h"
#include "skin/controls/panel.h"
#include "skin/controls/scrollbox.h"
#include "skin/controls/speedbutton.h"
#include "skin/controls/splitter.h"
#include "skin/controls/statusbar.h"
#include "skin/controls/test/controltestskin.h"
#include "skin/engine/utils.h"
#include "ui/canvas.h"
#include "ui/panel.h"
#include "ui/test/uitest.h"

namespace skin {
namespace {

using ui::test::UiTest;
using namespace skin::test;

class SkinnedRoad : public UiTest {
protected:
    SkinnedRoad()
    {
        InitSkinControls();
        SetCursorPos(2, 2); // no control starts under the mouse
        form->SetBounds(40, 40, 420, 320);
        form->SetColor(ui::clWhite);
        form->Show();
        SetDefaultManager(&skin);
    }
    ~SkinnedRoad() override
    {
        Engine().FadingSuspended = false;
        Engine().HoverSuspended = false;
        form.reset();
        SetDefaultManager(nullptr);
        DoneSkinControls();
    }

    template <class T>
    T* Add(int x, int y, int w, int h, const char16_t* section = nullptr)
    {
        auto* control = new T(form.get());
        control->SetParent(form.get());
        control->SetBounds(x, y, w, h);
        if constexpr (requires { control->SkinData(); })
            if (section)
                control->SkinData()->SetSkinSection(section);
        return control;
    }

    // The skin announced to a control (sub-code 1 from its own manager), then painted.
    void SkinIt(ui::Control* control)
    {
        SendAcMessageTo(control, scSkinLoaded, LPARAM(static_cast<SkinManager*>(&skin)));
        control->Invalidate();
        Settle();
    }
    void Unskin(ui::Control* control)
    {
        SendAcMessageTo(control, scSkinRemoved, LPARAM(static_cast<SkinManager*>(&skin)));
        Settle();
    }
    void Settle()
    {
        Pump();
        UpdateWindow(form->Handle());
        Pump();
    }

    // The mouse moved over the control (or away from the form), then the notification.
    static void Hover(ui::Control* control)
    {
        POINT p = control->ClientToScreen(POINT{control->Width() / 2, control->Height() / 2});
        SetCursorPos(p.x, p.y);
        control->Perform(ui::CM_MOUSEENTER, 0, 0);
    }
    static void Leave(ui::Control* control)
    {
        SetCursorPos(2, 2);
        control->Perform(ui::CM_MOUSELEAVE, 0, 0);
    }

    // The colour on the screen at (x, y) of a control's client area.
    static uint32_t At(ui::Control* control, int x, int y)
    {
        POINT p = control->ClientToScreen(POINT{x, y});
        HDC dc = GetDC(nullptr);
        const COLORREF c = GetPixel(dc, p.x, p.y);
        ReleaseDC(nullptr, dc);
        return c;
    }

    // The colour on the screen at (x, y) of a window's whole rectangle, its frame included.
    static uint32_t AtWindow(HWND wnd, int x, int y)
    {
        RECT r{};
        GetWindowRect(wnd, &r);
        HDC dc = GetDC(nullptr);
        const COLORREF c = GetPixel(dc, r.left + x, r.top + y);
        ReleaseDC(nullptr, dc);
        return c;
    }

    ControlTestSkin skin;
    std::unique_ptr<ui::Form> form{new ui::Form()};
};

// An edit that records what its face hands to the text writer.
class RecordingEdit : public TsEdit {
public:
    using TsEdit::TsEdit;
    void PrepareFace() { PrepareCache(); }
    std::vector<core::String> written;

protected:
    void WriteText(ui::Canvas& canvas, const core::String& text, const RECT& r, UINT flags) override
    {
        written.push_back(text);
        TsEdit::WriteText(canvas, text, r, flags);
    }
};

// Per channel within 2 of each other.
bool Near(uint32_t a, uint32_t b)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 2)
            return false;
    return true;
}

TEST_F(SkinnedRoad, PushButtonFaceFollowsItsStateAndItsRegionLeavesTheCornersOut)
{
    auto* button = Add<TsButton>(20, 20, 100, 30, u"CTLBUTTON");
    auto* other = Add<TsButton>(20, 80, 100, 30);
    int clicks = 0;
    button->OnClick = [&](core::Object*) { ++clicks; };
    SkinIt(button);
    ASSERT_TRUE(button->SkinData()->Skinned());
    EXPECT_EQ(GetWindowLongPtrW(button->Handle(), GWL_STYLE) & 0xF, BS_OWNERDRAW);

    // Centre: the section colour; left edge: the border of the state.
    auto expect = [&](uint32_t face, uint32_t border, const char* what) {
        Settle();
        EXPECT_EQ(At(button, 50, 15), face) << what;
        EXPECT_EQ(At(button, 1, 15), border) << what;
    };
    expect(kButtonColor, kBorderColors[0], "normal");
    Hover(button);
    expect(kButtonHotColor, kBorderColors[1], "hot");
    SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    expect(kButtonHotColor, kBorderColors[2], "pressed");
    SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    expect(kButtonHotColor, kBorderColors[1], "released, still hot");
    EXPECT_EQ(clicks, 1);
    // A release that did not start on the button is not a click.
    SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(clicks, 1);
    Leave(button);
    other->SetFocus();
    expect(kButtonColor, kBorderColors[0], "left");
    button->SetFocus();
    expect(kButtonHotColor, kBorderColors[1], "focused");
    other->SetFocus();

    // Disabled: grey by the channel mean, or blended half with the form's white.
    struct Case {
        TsDisabledKind kind;
        uint32_t face;
    } cases[] = {{dkGrayed, 0x404040}, {dkBlended, BlendColors(kButtonColor, 0xFFFFFF, 0.5)}};
    for (const Case& c : cases) {
        button->SetDisabledKind(c.kind);
        button->SetEnabled(false);
        Settle();
        EXPECT_TRUE(Near(At(button, 50, 15), c.face)) << std::hex << At(button, 50, 15) << " " << c.kind;
        button->SetEnabled(true);
    }

    // The key-colour corner pixels are outside the window region.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(button->Handle(), region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_FALSE(PtInRegion(region, 99, 29));
    EXPECT_TRUE(PtInRegion(region, 1, 0));
    EXPECT_TRUE(PtInRegion(region, 50, 15));
    DeleteObject(region);
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(SkinnedRoad, NarrowedPushButtonUncoversTheParent)
{
    auto* button = Add<TsButton>(20, 20, 100, 30, u"CTLBUTTON");
    SkinIt(button);
    button->SetWidth(60);
    Settle();
    EXPECT_EQ(At(form.get(), 20 + 80, 20 + 15), 0xFFFFFFu);
    EXPECT_EQ(At(button, 58, 15), kBorderColors[0]);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(button->Handle(), region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 59, 29));
    EXPECT_TRUE(PtInRegion(region, 58, 29));
    DeleteObject(region);
}

TEST_F(SkinnedRoad, PushButtonFadeEndsInTheTargetColoursAndStopsWithTheSkin)
{
    auto* button = Add<TsButton>(20, 20, 100, 30, u"CTLBUTTON");
    button->SetAnimatEvents(aeMouseEnter | aeMouseLeave);
    SkinIt(button);
    Hover(button);
    ASSERT_NE(button->FadeTimer(), nullptr);
    m_clock.Advance(20);
    EXPECT_NE(button->FadeTimer(), nullptr); // four steps of 10 ms
    m_clock.Advance(100);
    Settle();
    EXPECT_EQ(button->FadeTimer(), nullptr);
    EXPECT_EQ(At(button, 50, 15), kButtonHotColor);
    EXPECT_EQ(At(button, 1, 15), kBorderColors[1]);

    // A skin removal in the middle of a fade frees its timer; so does destroying the button.
    Leave(button);
    ASSERT_NE(button->FadeTimer(), nullptr);
    Unskin(button);
    EXPECT_EQ(button->FadeTimer(), nullptr);
    SkinIt(button);
    Hover(button);
    ASSERT_NE(button->FadeTimer(), nullptr);
    delete button;
    m_clock.Advance(100);
    EXPECT_EQ(m_clock.ScheduledCount(), 0);
}

TEST_F(SkinnedRoad, CheckBoxGlyphFollowsStateAndReadOnlyNeverToggles)
{
    auto* check = Add<TsCheckBox>(20, 20, 120, 20);
    check->SetAutoSize(false);
    SkinIt(check);
    ASSERT_TRUE(check->SkinData()->Skinned());
    const int gx = check->Margin() + kBoxGlyphSize / 2, gy = 10;
    auto expect = [&](uint32_t glyph, uint32_t face, const char* what) {
        Settle();
        EXPECT_EQ(At(check, gx, gy), glyph) << what;
        EXPECT_EQ(At(check, 110, 10), face) << what;
    };
    expect(kUncheckedColors[0], kBoxColor, "unchecked");
    Hover(check);
    expect(kUncheckedColors[1], kBoxHotColor, "hot");
    SendMessageW(check->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(check->Pressed());
    expect(kUncheckedColors[2], kBoxHotColor, "pressed");
    SendMessageW(check->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(check->State(), ui::cbChecked);
    expect(kCheckedColors[1], kBoxHotColor, "checked, hot");
    Leave(check);
    expect(kCheckedColors[1], kBoxHotColor, "checked, focused");
    form->SetFocus();
    expect(kCheckedColors[0], kBoxColor, "checked");
    // Space down and up toggles once.
    SendMessageW(check->Handle(), WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(check->Handle(), WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(check->State(), ui::cbUnchecked);
    form->SetFocus();
    check->SetAllowGrayed(true);
    check->SetState(ui::cbGrayed);
    expect(kGrayedColors[0], kBoxColor, "grayed");
    // Mouse-up without a press on the box does nothing.
    SendMessageW(check->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(check->State(), ui::cbGrayed);

    check->SetState(ui::cbUnchecked);
    check->SetReadOnly(true);
    Hover(check);
    expect(kUncheckedColors[0], kBoxColor, "read-only, no hot look");
    SendMessageW(check->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(check->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageW(check->Handle(), WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(check->Handle(), WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(check->State(), ui::cbUnchecked);
}

TEST_F(SkinnedRoad, RadioButtonChecksOnlyOnMouseUpAndNeverUnchecks)
{
    auto* radio = Add<TsRadioButton>(20, 20, 120, 20);
    auto* other = Add<TsRadioButton>(20, 50, 120, 20);
    radio->SetAutoSize(false);
    other->SetChecked(true);
    SkinIt(radio);
    int ups = 0;
    radio->OnMouseUp = [&](core::Object*, ui::MouseButton, ui::ShiftState, int, int) { ++ups; };
    const int gx = radio->Margin() + kBoxGlyphSize / 2, gy = 10;
    Settle();
    EXPECT_EQ(At(radio, gx, gy), kRadioUncheckedColors[0]);
    SendMessageW(radio->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    Settle();
    EXPECT_FALSE(radio->Checked());
    EXPECT_EQ(At(radio, gx, gy), kRadioUncheckedColors[2]);
    SendMessageW(radio->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Settle();
    EXPECT_TRUE(radio->Checked());
    EXPECT_FALSE(other->Checked());
    EXPECT_EQ(ups, 1);
    // A second click leaves it checked.
    SendMessageW(radio->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(radio->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(radio->Checked());
    // Read-only: unchanged, but the release is still reported.
    other->SetChecked(true);
    radio->SetReadOnly(true);
    SendMessageW(radio->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(radio->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(radio->Checked());
    EXPECT_EQ(ups, 3);
}

TEST_F(SkinnedRoad, SpeedButtonFacesDropDownPartAndFade)
{
    auto* speed = Add<TsSpeedButton>(20, 150, 60, 24);
    SkinIt(speed);
    ASSERT_TRUE(speed->SkinData()->Skinned());
    // The border mask covers the whole face, its centre included.
    EXPECT_EQ(At(speed, 30, 12), kBorderColors[0]);
    Hover(speed);
    Settle();
    EXPECT_EQ(At(speed, 30, 12), kBorderColors[1]);
    Leave(speed);
    Settle();

    // The drop-down part: its own item at the right, pressed while the button is down.
    speed->SetButtonStyle(tbsDropDown);
    EXPECT_EQ(speed->Width(), 76);
    Settle();
    EXPECT_EQ(At(speed, 60 + 1, 12), kBorderColors[0]);
    speed->SetGroupIndex(1);
    speed->SetAllowAllUp(true);
    speed->SetDown(true);
    speed->GraphRepaint();
    Settle();
    EXPECT_EQ(At(speed, 60 + 1, 12), kBorderColors[2]);
    speed->SetDown(false);
    speed->SetButtonStyle(tbsButton);
    Settle();

    // A fade through the animation timer ends in the hot face; suspended, the change is at once.
    speed->SetAnimatEvents(aeMouseEnter | aeMouseLeave);
    Hover(speed);
    ASSERT_NE(speed->FadeTimer(), nullptr);
    m_clock.Advance(200);
    Settle();
    EXPECT_EQ(speed->FadeTimer(), nullptr);
    EXPECT_EQ(At(speed, 30, 12), kBorderColors[1]);
    Engine().FadingSuspended = true;
    Leave(speed);
    EXPECT_EQ(speed->FadeTimer(), nullptr);
    Settle();
    EXPECT_EQ(At(speed, 30, 12), kBorderColors[0]);
}

TEST_F(SkinnedRoad, SpeedButtonRepaintKeepsTheSiblingOverItAndDrawsTheSkinsArrow)
{
    auto* speed = Add<TsSpeedButton>(20, 150, 60, 24);
    speed->SetButtonStyle(tbsDropDown);
    // A graphic sibling after the button covers its left 10 pixels.
    auto* cover = Add<ui::Label>(10, 145, 20, 34);
    cover->SetTransparent(false);
    cover->SetColor(ui::Color(0x0000FF));
    SkinIt(speed);
    ASSERT_TRUE(speed->SkinData()->Skinned());
    EXPECT_EQ(At(speed, 5, 12), 0x0000FFu);
    speed->SkinData()->BGChanged = true;
    speed->GraphRepaint();
    GdiFlush();
    EXPECT_EQ(At(speed, 5, 12), 0x0000FFu) << "a direct repaint keeps the sibling over the button";
    EXPECT_EQ(At(speed, 30, 12), kBorderColors[0]);

    // The arrow part shows the skin's bottom-arrow glyph (black here), none without one.
    auto blackInPart = [&] {
        for (int y = 2; y < 22; ++y)
            for (int x = 62; x < 74; ++x)
                if (At(speed, x, y) == 0)
                    return true;
        return false;
    };
    ASSERT_LT(skin.ConstData.MaskArrowBottom, 0);
    EXPECT_FALSE(blackInPart());
    skin.ConstData.MaskArrowBottom = skin.ConstData.MaskArrowTop;
    ASSERT_GE(skin.ConstData.MaskArrowBottom, 0);
    speed->SkinData()->BGChanged = true;
    speed->GraphRepaint();
    Settle();
    EXPECT_TRUE(blackInPart());
    skin.ConstData.MaskArrowBottom = -1;
}

TEST_F(SkinnedRoad, SplitterShowsStateTwoWhileSizing)
{
    auto* left = Add<ui::Panel>(0, 0, 100, 300);
    left->SetAlign(ui::alLeft);
    auto* splitter = new TsSplitter(form.get());
    splitter->SetParent(form.get());
    splitter->SetLeft(120);
    splitter->SetAlign(ui::alLeft);
    splitter->SetResizeStyle(rsUpdate);
    SkinIt(splitter);
    ASSERT_TRUE(splitter->SkinData()->Skinned());
    EXPECT_EQ(At(splitter, 0, 100), kBorderColors[0]);
    splitter->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 100));
    EXPECT_TRUE(splitter->Sizing());
    Settle();
    EXPECT_EQ(At(splitter, 0, 100), kBorderColors[2]);
    splitter->Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 100));
    ReleaseCapture();
    Settle();
    EXPECT_FALSE(splitter->Sizing());
    EXPECT_EQ(At(splitter, 0, 100), kBorderColors[0]);
}

TEST_F(SkinnedRoad, LabelPaintsItsSectionAndTakesTheHotFontColour)
{
    auto* label = Add<TsLabel>(20, 200, 100, 20);
    label->SetAutoSize(false);
    label->SetCaption(u"i");
    label->SetSkinSection(u"CTLLABEL");
    Settle();
    EXPECT_EQ(At(label, 90, 10), 0xF0C0A0u);
    EXPECT_EQ(label->Font().FontColor(), kLabelFontColor);
    Hover(label);
    Settle();
    EXPECT_EQ(label->Font().FontColor(), kLabelHotFontColor);
    Leave(label);
    Settle();
    EXPECT_EQ(label->Font().FontColor(), kLabelFontColor);
}

TEST_F(SkinnedRoad, EditFrameAndNativeColoursFollowTheSection)
{
    auto* edit = Add<TsEdit>(20, 20, 120, 24, u"CTLEDIT");
    auto* other = Add<TsEdit>(20, 60, 120, 24);
    SkinIt(edit);
    ASSERT_TRUE(edit->SkinData()->Skinned());
    struct Step {
        const char* what;
        ui::WinControl* focus;
        uint32_t frame, color;
    } steps[] = {
        {"normal", nullptr, kBorderColors[0], kEditColor},
        {"focused", edit, kBorderColors[1], kEditHotColor},
        {"focus gone", other, kBorderColors[0], kEditColor},
    };
    for (const Step& step : steps) {
        if (step.focus)
            step.focus->SetFocus();
        edit->Invalidate();
        Settle();
        EXPECT_EQ(AtWindow(edit->Handle(), 0, 12), step.frame) << step.what;
        EXPECT_EQ(ui::ColorToRGB(edit->GetColor()), step.color) << step.what;
        EXPECT_EQ(edit->Font().FontColor(), step.focus == edit ? 0x800000u : 0u) << step.what;
    }
    // A printed edit shows the same frame.
    auto printed = std::make_unique<ui::Bitmap>(edit->Width(), edit->Height(), ui::pf24bit);
    SendMessageW(edit->Handle(), WM_PRINT, WPARAM(printed->Canvas().Handle()), PRF_NONCLIENT | PRF_CLIENT);
    EXPECT_EQ(printed->PixelColor(0, 12), kBorderColors[0]);
}

TEST_F(SkinnedRoad, EditPasswordFaceHandsOnlyPasswordCharactersToTheWriter)
{
    auto* edit = Add<RecordingEdit>(20, 100, 120, 24, u"CTLEDIT");
    edit->SetPasswordChar(u'*');
    SkinIt(edit);
    ASSERT_TRUE(edit->SkinData()->Skinned());
    edit->SetEnabled(false);
    const struct {
        const char* what;
        core::String text;
    } cases[] = {{"short", u"secret"}, {"10,000 characters", core::String(10000, u'x')}, {"empty", u""}};
    for (const auto& c : cases) {
        edit->SetText(c.text);
        edit->written.clear();
        edit->PrepareFace();
        ASSERT_EQ(edit->written.size(), 1u) << c.what;
        EXPECT_EQ(edit->written[0], core::String(c.text.size(), u'*')) << c.what;
    }
    // The disabled face painted on the screen goes through the same writer.
    edit->SetText(u"secret");
    edit->written.clear();
    edit->SkinData()->BGChanged = true;
    edit->Invalidate();
    Settle();
    ASSERT_FALSE(edit->written.empty());
    for (const core::String& text : edit->written)
        EXPECT_EQ(text, u"******");
}

TEST_F(SkinnedRoad, StatusBarPaintsItsSectionDividersAndGrip)
{
    auto* bar = Add<TsStatusBar>(0, 0, 300, 22, u"CTLSTATUS");
    bar->AddPanel()->SetWidth(50);
    bar->AddPanel()->SetWidth(60);
    bar->AddPanel();
    bar->SetSizeGrip(true);
    SkinIt(bar);
    ASSERT_TRUE(bar->SkinData()->Skinned());
    const int w = bar->Width(), h = bar->Height();
    const struct {
        const char* what;
        int x, y;
        uint32_t color;
    } probes[] = {
        {"first panel", 20, 4, kStatusColor},
        {"divider after the first panel", 47, h / 2, kBorderColors[0]},
        {"divider after the second panel", 107, h / 2, kBorderColors[0]},
        {"second panel", 80, 4, kStatusColor},
        {"grip", w - 1, h - 1, kGripColor},
    };
    for (const auto& p : probes)
        EXPECT_EQ(At(bar, p.x, p.y), p.color) << p.what;
    // A simple text: no dividers.
    bar->SetSimplePanel(true);
    bar->SetSimpleText(u"ready");
    bar->SkinData()->BGChanged = true;
    bar->Invalidate();
    Settle();
    EXPECT_EQ(At(bar, 47, h / 2), kStatusColor);
}

TEST_F(SkinnedRoad, StatusBarHandsOwnerDrawnPanelsToItsEvent)
{
    auto* bar = Add<TsStatusBar>(0, 0, 300, 22, u"CTLSTATUS");
    bar->AddPanel()->SetWidth(50);
    ui::StatusPanel* drawn = bar->AddPanel();
    drawn->SetWidth(60);
    drawn->SetText(u"text");
    drawn->SetStyle(ui::psOwnerDraw);
    bar->AddPanel();
    std::vector<RECT> rects;
    bar->OnDrawPanel = [&](ui::StatusBar*, ui::StatusPanel* panel, ui::Canvas& canvas, const RECT& r) {
        EXPECT_EQ(panel, drawn);
        rects.push_back(r);
        canvas.SetBrushColor(ui::Color(0x0000FF));
        canvas.FillRect(r);
    };
    SkinIt(bar);
    ASSERT_TRUE(bar->SkinData()->Skinned());
    ASSERT_FALSE(rects.empty());
    // The panel's rectangle shrunk by one pixel; the divider is still the skin's.
    EXPECT_EQ(rects.back().left, 51);
    EXPECT_EQ(rects.back().right, 109);
    EXPECT_EQ(At(bar, 80, 4), 0x0000FFu);
    EXPECT_EQ(At(bar, 20, 4), kStatusColor);
}

TEST_F(SkinnedRoad, PanelAndGroupBoxPaintTheirSectionsBandAndCaptionSkin)
{
    auto* panel = Add<TsPanel>(240, 20, 120, 80, u"CTLPANEL");
    panel->SetBevelOuter(ui::bvNone);
    auto* box = Add<TsGroupBox>(20, 140, 200, 120, u"CTLGROUP");
    box->SetCaption(u"Box");
    SkinIt(panel);
    SkinIt(box);
    ASSERT_TRUE(panel->SkinData()->Skinned());
    ASSERT_TRUE(box->SkinData()->Skinned());
    const RECT caption = box->CaptionRect();
    const struct {
        const char* what;
        ui::Control* control;
        int x, y;
        uint32_t color;
    } probes[] = {
        {"panel face", panel, 5, 5, kPanelColor},
        {"group frame, left edge", box, 0, 60, kBorderColors[0]},
        {"band above the frame, right of the caption", box, 195, 1, 0xFFFFFF},
        {"caption background over a plain parent", box, int(caption.left) + 1, 2, 0xFFFFFF},
    };
    for (const auto& p : probes)
        EXPECT_EQ(At(p.control, p.x, p.y), p.color) << p.what;
    box->SetCaptionSkin(u"CTLPANEL");
    Settle();
    EXPECT_EQ(At(box, int(caption.left) + 1, 2), kPanelColor) << "caption skin";
}

TEST_F(SkinnedRoad, ComboBoxFaceAndButtonFollowTheListAndTheListIsWrappedOnlyWhenItScrolls)
{
    const struct {
        const char* what;
        int items;
        bool wrapped;
    } cases[] = {{"no items", 0, false}, {"as many items as the drop-down count", 16, false},
                 {"one item more", 17, true}};
    int y = 20;
    for (const auto& c : cases) {
        auto* combo = Add<TsComboBox>(240, y, 120, 24);
        y += 40;
        combo->SetStyle(ui::csDropDownList);
        for (int i = 0; i < c.items; ++i)
            combo->Items().Add(u"item");
        SkinIt(combo);
        ASSERT_TRUE(combo->SkinData()->Skinned()) << c.what;
        EXPECT_EQ(combo->ButtonHeight(), kComboGlyphSize.cy) << c.what;
        const RECT b = combo->ButtonRect();
        const int gx = b.left + (b.right - b.left - kComboGlyphSize.cx) / 2 + kComboGlyphSize.cx / 2;
        const int gy = (combo->Height() - kComboGlyphSize.cy) / 2 + kComboGlyphSize.cy / 2;
        EXPECT_EQ(AtWindow(combo->Handle(), 1, 2), kComboColor) << c.what;
        EXPECT_EQ(AtWindow(combo->Handle(), gx, gy), kComboGlyphColors[0]) << c.what;

        combo->SetDroppedDown(true);
        Settle();
        EXPECT_TRUE(combo->ListDropped()) << c.what;
        EXPECT_EQ(AtWindow(combo->Handle(), gx, gy), kComboGlyphColors[2]) << c.what << ": pressed while down";
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &info));
        EXPECT_EQ(GetWrapper(info.hwndList) != nullptr, c.wrapped) << c.what;
        combo->SetDroppedDown(false);
        Settle();
        EXPECT_NE(AtWindow(combo->Handle(), gx, gy), kComboGlyphColors[2]) << c.what << ": up once closed";

        Unskin(combo);
        ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &info));
        EXPECT_EQ(GetWrapper(info.hwndList), nullptr) << c.what;
        EXPECT_NE(AtWindow(combo->Handle(), gx, gy), kComboGlyphColors[0]) << c.what;
    }
}

TEST_F(SkinnedRoad, ScrollBoxPaintsItsFrameFromTheCacheAndItsBarsFromTheSkin)
{
    auto* box = Add<TsScrollBox>(20, 20, 160, 120);
    auto* tall = Add<ui::Panel>(0, 0, 100, 400);
    tall->SetParent(box);
    box->SkinData()->SetSkinSection(u"CTLEDIT");
    Settle();
    ASSERT_TRUE(box->SkinData()->Skinned());
    ASSERT_NE(box->ListSW(), nullptr);
    HWND wnd = box->Handle();
    RECT window{}, v{};
    GetWindowRect(wnd, &window);
    box->ListSW()->VertBarRect(wnd, v);
    OffsetRect(&v, -window.left, -window.top);
    const int arrow = GetScrollMetric(*box->ListSW()->sBarVert, 0, true);
    const struct {
        const char* what;
        int x, y;
        uint32_t color;
    } probes[] = {
        {"frame", 0, 60, kBorderColors[0]},
        {"bottom arrow of the vertical bar", (v.left + v.right) / 2, v.bottom - arrow / 2, WindowTestColor(wtBtnBottom, 0)},
    };
    for (const auto& p : probes)
        EXPECT_EQ(AtWindow(wnd, p.x, p.y), p.color) << p.what;
    // Printed, the frame and the bars come along.
    auto printed = std::make_unique<ui::Bitmap>(box->Width(), box->Height(), ui::pf24bit);
    SendMessageW(wnd, WM_PRINT, WPARAM(printed->Canvas().Handle()), PRF_NONCLIENT | PRF_CLIENT);
    for (const auto& p : probes)
        EXPECT_EQ(printed->PixelColor(p.x, p.y), p.color) << p.what << " (printed)";
    // Scrolling is announced around the base scrolling and keeps the skinned frame.
    int before = 0, after = 0;
    box->OnBeforeScroll = [&](core::Object*) { ++before; };
    box->OnAfterScroll = [&](core::Object*) { ++after; };
    box->ScrollBy(0, -40);
    Settle();
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    EXPECT_EQ(AtWindow(wnd, 0, 60), kBorderColors[0]);
    // The skin going frees the wrapper.
    Unskin(box);
    EXPECT_EQ(box->ListSW(), nullptr);
}

TEST_F(SkinnedRoad, FrameBarPaintsItsSectionAndItsTitlesFollowTheMouse)
{
    auto* bar = new TsFrameBar(form.get());
    bar->SetParent(form.get());
    bar->SetWidth(160);
    bar->SkinData()->SetSkinSection(u"CTLPANEL");
    TsTitleItem* item = bar->Items().Add();
    item->SetCaption(u"A");
    item->TitleButton->SkinData()->SetSkinSection(u"SPEEDBUTTON");
    Settle();
    ASSERT_TRUE(bar->SkinData()->Skinned());
    ASSERT_TRUE(item->TitleButton->SkinData()->Skinned());
    TsTitleButton* title = item->TitleButton;
    EXPECT_EQ(At(bar, 80, title->Top() + title->Height() + 40), kPanelColor) << "the bar under its titles";
    EXPECT_EQ(At(title, title->Width() / 2, 3), kBorderColors[0]) << "title at rest";
    Hover(title);
    Settle();
    EXPECT_EQ(At(title, title->Width() / 2, 3), kBorderColors[1]) << "title under the mouse";
    Leave(title);
    Settle();
    EXPECT_EQ(At(title, title->Width() / 2, 3), kBorderColors[0]) << "title left";
}

TEST_F(SkinnedRoad, SkinRemovalAndBadInputLeaveTheUnskinnedLook)
{
    SetDefaultManager(nullptr); // made and captured before any skin exists
    auto* button = Add<TsButton>(20, 20, 100, 30, u"CTLBUTTON");
    auto* check = Add<TsCheckBox>(20, 60, 120, 20);
    check->SetAutoSize(false);
    auto* speed = Add<TsSpeedButton>(20, 150, 60, 24);
    auto* missing = Add<TsButton>(200, 20, 100, 30, u"NOSUCHSECTION");
    auto* edit = Add<TsEdit>(200, 60, 100, 24, u"CTLEDIT");
    auto* bar = Add<TsStatusBar>(0, 0, 300, 22, u"CTLSTATUS");
    auto* panel = Add<TsPanel>(320, 20, 80, 60, u"CTLPANEL");
    auto* box = Add<TsGroupBox>(200, 100, 120, 80, u"CTLGROUP");
    auto* combo = Add<TsComboBox>(200, 200, 100, 24);
    combo->SetStyle(ui::csDropDownList);
    struct Probe {
        ui::Control* control;
        POINT at;
        uint32_t before = 0;
    } probes[] = {{button, {50, 15}}, {check, {8, 10}}, {speed, {30, 12}}, {missing, {50, 15}},
                  {edit, {-2, 10}},   {bar, {20, 4}},   {panel, {5, 5}},   {box, {0, 40}},
                  {combo, {1, 2}}};
    Settle();
    for (Probe& p : probes)
        p.before = At(p.control, p.at.x, p.at.y);
    SetDefaultManager(&skin);
    for (Probe& p : probes)
        SkinIt(p.control);
    // The manager's repaint after loading a skin (sub-code 3) ends the wait that setting a section
    // without a manager began.
    for (Probe& p : probes)
        SendAcMessageTo(p.control, scSkinRefresh, LPARAM(static_cast<SkinManager*>(&skin)));
    Settle();
    EXPECT_FALSE(missing->SkinData()->Skinned());
    for (Probe& p : probes) {
        if (p.control != missing) {
            EXPECT_NE(At(p.control, p.at.x, p.at.y), p.before) << int(&p - probes);
        }
    }
    skin.SkinData.Active = false; // as a removal does before it tells the controls
    for (Probe& p : probes)
        Unskin(p.control);
    for (Probe& p : probes)
        EXPECT_EQ(At(p.control, p.at.x, p.at.y), p.before) << int(&p - probes);

    // An image index outside the list and a 0 x 0 glyph paint nothing of theirs and raise nothing.
    skin.SkinData.Active = true;
    SkinIt(speed);
    ui::ImageList list(nullptr, 16, 16);
    speed->SetImages(&list);
    speed->SetImageIndex(5);
    speed->SetGlyph(ui::Bitmap());
    Settle();
    EXPECT_EQ(At(speed, 30, 12), kBorderColors[0]);
    speed->SetImages(nullptr);
    EXPECT_TRUE(m_errors.empty());
}

} // namespace
} // namespace skin
