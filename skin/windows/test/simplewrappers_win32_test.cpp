// Wrappers of simple windows on real windows under the window test skin: edit frames per state,
// buttons, check boxes and radio buttons, group boxes, panels, statics and links, size grips,
// up-down controls, trees and grids. Controls of the class library where it has them, small
// test-only controls (with their properties registered by name) otherwise, and raw windows made
// with the dialog-mode flag.
#include "skin/engine/graphutils.h"
#include "skin/engine/skintables.h"
#include "skin/windows/btnwnd.h"
#include "skin/windows/editwnd.h"
#include "skin/windows/panelwnd.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/spinwnd.h"
#include "skin/windows/staticwnd.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "skin/windows/testwriters/windowtestskin.h"
#include "skin/windows/treewnd.h"
#include "skin/windows/wrapperkit.h"
#include "ui/bitmap.h"
#include "ui/button.h"
#include "ui/color.h"
#include "ui/edit.h"
#include "ui/listbox.h"
#include "ui/panel.h"
#include "ui/propinfo.h"
#include "ui/test/uitest.h"

#include <map>
#include <vector>

namespace skin {
namespace {

using namespace skin::testing;

constexpr int64_t kClNone = 0x1FFFFFFF;
constexpr int64_t kClBtnFace = int64_t(0xFF00000F);

// An object that only holds colours by name (a font's "Color", a look's gradient ends).
class ColorBag : public core::Object {
public:
    core::String ClassName() const override { return u"TTestColorBag"; }
    std::map<core::String, int64_t> values;
};

ui::PropInfo BagColor(core::StringView name)
{
    const core::String key(name);
    return ui::OrdProperty(
        name, [key](core::Object& o) { return static_cast<ColorBag&>(o).values[key]; },
        [key](core::Object& o, int64_t v) { static_cast<ColorBag&>(o).values[key] = v; }, ui::pkColor);
}

// A grid over a plain window with a vertical bar: its colours, fonts, look and data source by name.
class TestGrid : public ui::Panel {
public:
    explicit TestGrid(core::Component* owner) : ui::Panel(owner) {}
    core::String ClassName() const override { return u"TTestGrid"; }
    ColorBag colors, titleFont, fixedFont, look;
    ColorBag dataSource;

protected:
    void CreateParams(ui::CreateParamsRec& params) override
    {
        ui::Panel::CreateParams(params);
        params.Style |= WS_VSCROLL;
    }
};

// A grid class without a look, a fixed font or a data source.
class PlainGrid : public TestGrid {
public:
    using TestGrid::TestGrid;
    core::String ClassName() const override { return u"TPlainGrid"; }
};

// A tree over the system tree view with the drawing event by name.
class TestTree : public ui::WinControl {
public:
    explicit TestTree(core::Component* owner) : ui::WinControl(owner) {}
    core::String ClassName() const override { return u"TTestTree"; }
    ui::MethodValue onCustomDraw;

protected:
    void CreateParams(ui::CreateParamsRec& params) override
    {
        ui::WinControl::CreateParams(params);
        params.ClassName = WC_TREEVIEWW;
        params.Style |= WS_BORDER;
    }
};

// An edit with a focus colour.
class FocusEdit : public ui::Edit {
public:
    using ui::Edit::Edit;
    core::String ClassName() const override { return u"TFocusEdit"; }
    int64_t focusColor = 0x00AA55;
};

// A push button with a glyph, by name.
class TestBitBtn : public ui::Button {
public:
    using ui::Button::Button;
    core::String ClassName() const override { return u"TTestBitBtn"; }
    ui::Bitmap glyph;
    int64_t numGlyphs = 1, layout = 0, margin = -1, spacing = 4;
};

// Bevels and border of a panel, by name.
class Bevels : public core::Object {
public:
    core::String ClassName() const override { return u"TTestBevels"; }
    int64_t outer = 0, inner = 0, border = 0;
};

template <class T> ui::PropInfo ColorOf(core::StringView name, ColorBag T::*bag)
{
    const core::String key(name);
    return ui::OrdProperty(
        name, [key, bag](core::Object& o) { return (static_cast<T&>(o).*bag).values[key]; },
        [key, bag](core::Object& o, int64_t v) { (static_cast<T&>(o).*bag).values[key] = v; }, ui::pkColor);
}

template <class T> ui::PropInfo ObjectOf(core::StringView name, ColorBag T::*bag)
{
    return ui::ObjectProperty(name, [bag](core::Object& o) -> core::Object* { return &(static_cast<T&>(o).*bag); });
}

ui::PropInfo ControlColor()
{
    return ui::OrdProperty(
        u"Color", [](core::Object& o) { return int64_t(static_cast<ui::Control&>(o).GetColor()); },
        [](core::Object& o, int64_t v) { static_cast<ui::Control&>(o).SetColor(ui::Color(uint32_t(v))); },
        ui::pkColor);
}

void RegisterTestClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    ui::RegisterPropClass<ColorBag>(u"TTestColorBag", {BagColor(u"Color"), BagColor(u"FixedGradientFrom"),
                                                         BagColor(u"FixedGradientTo")});
    std::vector<ui::PropInfo> grid{ControlColor(), ObjectOf<TestGrid>(u"TitleFont", &TestGrid::titleFont)};
    for (const char16_t* name : {u"FixedColor", u"FooterColor", u"FooterCellColor", u"TitleColor",
                                 u"IndicatorIconColor", u"GridLineColor", u"GridFixedLineColor", u"SelectionColor",
                                 u"SelectionTextColor"})
        grid.push_back(ColorOf<TestGrid>(name, &TestGrid::colors));
    ui::RegisterPropClass<PlainGrid>(u"TPlainGrid", grid);
    grid.push_back(ObjectOf<TestGrid>(u"FixedFont", &TestGrid::fixedFont));
    grid.push_back(ObjectOf<TestGrid>(u"ControlLook", &TestGrid::look));
    grid.push_back(ObjectOf<TestGrid>(u"DataSource", &TestGrid::dataSource));
    ui::RegisterPropClass<TestGrid>(u"TTestGrid", grid);
    ui::RegisterPropClass<TestTree>(
        u"TTestTree", {ControlColor(), ui::MethodProperty(
                                           u"OnCustomDraw", [](core::Object& o) { return static_cast<TestTree&>(o).onCustomDraw; },
                                           [](core::Object& o, const ui::MethodValue& v) { static_cast<TestTree&>(o).onCustomDraw = v; })});
    ui::RegisterPropClass<FocusEdit>(
        u"TFocusEdit", {ControlColor(), ui::OrdProperty(
                                            u"FocusColor", [](core::Object& o) { return static_cast<FocusEdit&>(o).focusColor; },
                                            [](core::Object& o, int64_t v) { static_cast<FocusEdit&>(o).focusColor = v; },
                                            ui::pkColor)});
    auto btnOrd = [](core::StringView name, int64_t TestBitBtn::*field) {
        return ui::OrdProperty(
            name, [field](core::Object& o) { return static_cast<TestBitBtn&>(o).*field; },
            [field](core::Object& o, int64_t v) { static_cast<TestBitBtn&>(o).*field = v; });
    };
    ui::RegisterPropClass<TestBitBtn>(
        u"TTestBitBtn", {ui::ObjectProperty(u"Glyph", [](core::Object& o) -> core::Object* { return &static_cast<TestBitBtn&>(o).glyph; }),
                         btnOrd(u"NumGlyphs", &TestBitBtn::numGlyphs), btnOrd(u"Layout", &TestBitBtn::layout),
                         btnOrd(u"Margin", &TestBitBtn::margin), btnOrd(u"Spacing", &TestBitBtn::spacing)});
    auto bevel = [](core::StringView name, int64_t Bevels::*field) {
        return ui::OrdProperty(
            name, [field](core::Object& o) { return static_cast<Bevels&>(o).*field; },
            [field](core::Object& o, int64_t v) { static_cast<Bevels&>(o).*field = v; });
    };
    ui::RegisterPropClass<Bevels>(u"TTestBevels", {bevel(u"BevelOuter", &Bevels::outer),
                                                   bevel(u"BevelInner", &Bevels::inner),
                                                   bevel(u"BorderStyle", &Bevels::border)});
}

// Raises the dialog-mode flag while raw windows of a dialog are wrapped.
struct DialogMode {
    DialogMode() { SetDialogModeFlag(true); }
    ~DialogMode() { SetDialogModeFlag(false); }
};

class SimpleWrappers : public ui::test::UiTest {
protected:
    SimpleWrappers()
    {
        InitSkinEngine();
        InitWindowSkinning();
        RegisterTestClasses();
        SetDefaultManager(&manager);
        form = std::make_unique<ui::Form>(nullptr);
        form->SetBounds(40, 40, 520, 420);
        form->Show();
        // Keep the cursor off the windows: hover changes states.
        SetCursorPos(1000, 700);
    }
    ~SimpleWrappers() override
    {
        for (HWND w : windows)
            if (IsWindow(w))
                DestroyWindow(w);
        form.reset();
        SetDefaultManager(nullptr);
        DoneWindowSkinning();
        DoneSkinEngine();
    }

    HWND Raw(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h)
    {
        HWND wnd = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, form->Handle(), nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        windows.push_back(wnd);
        return wnd;
    }
    template <class T> std::unique_ptr<T> Wrap(HWND wnd, core::StringView section = {}, TsCommonData* data = nullptr)
    {
        auto w = TacMainWnd::Create<T>(wnd, data, nullptr, section);
        w->SkinData->UpdateIndexes();
        return w;
    }
    static uint32_t ScreenPixel(HWND wnd, int x, int y)
    {
        auto bmp = CaptureWindowDC(wnd);
        return bmp->PixelColor(x, y);
    }

    WindowTestSkinManager manager;
    std::unique_ptr<ui::Form> form;
    std::vector<HWND> windows;
};

// ---- Edits, lists ----

TEST_F(SimpleWrappers, EditFrameComesFromTheCachePerState)
{
    auto* edit = new ui::Edit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(20, 20, 120, 40);
    edit->SetTabStop(true);
    TsCommonData data(edit, true);
    data.SetSkinSection(u"EDIT");
    data.Loaded();
    auto w = Wrap<TacEditWnd>(edit->Handle(), u"EDIT", &data);
    ASSERT_TRUE(HasStateBorder(&data));
    struct Case {
        const char* what;
        UINT msg;
        bool enabled;
        uint32_t edge; // 0: only "not the normal colour"
    } cases[] = {
        {"normal", 0, true, WindowTestBoxColor(wbEdit, 0)},
        {"focused", WM_SETFOCUS, true, WindowTestBoxColor(wbEdit, 1)},
        {"hot", ui::CM_MOUSEENTER, true, WindowTestBoxColor(wbEdit, 1)},
        {"disabled", 0, false, 0},
    };
    for (const Case& c : cases) {
        data.FFocused = data.FMouseAbove = false;
        edit->SetEnabled(c.enabled);
        if (c.msg)
            SendMessageW(edit->Handle(), c.msg, 0, 0);
        auto shot = CaptureWindowDC(edit->Handle());
        const uint32_t edge = shot->PixelColor(0, 20), corner = shot->PixelColor(0, 0);
        if (c.edge)
            EXPECT_EQ(edge, c.edge) << c.what;
        else
            EXPECT_NE(edge, WindowTestBoxColor(wbEdit, 0)) << c.what;
        // The key-coloured corners show the parent instead.
        EXPECT_NE(corner, 0xFF00FFu) << c.what;
        EXPECT_NE(corner, WindowTestBoxColor(wbEdit, 0)) << c.what;
    }
    edit->SetEnabled(true);
}

TEST_F(SimpleWrappers, EmptyListAnswersTopIndexMinusOne)
{
    auto* list = new ui::ListBox(form.get());
    list->SetParent(form.get());
    list->SetBounds(20, 80, 120, 80);
    TsCommonData data(list, true);
    data.SetSkinSection(u"EDIT");
    data.Loaded();
    auto w = Wrap<TacEditWnd>(list->Handle(), u"EDIT", &data);
    EXPECT_EQ(SendMessageW(list->Handle(), LB_GETTOPINDEX, 0, 0), -1);
    list->Items().Add(u"item");
    EXPECT_EQ(SendMessageW(list->Handle(), LB_GETTOPINDEX, 0, 0), 0);
}

TEST_F(SimpleWrappers, StandardColoursComeBackAfterSkinRemoval)
{
    auto* edit = new FocusEdit(form.get());
    edit->SetParent(form.get());
    TsCommonData data(edit, true);
    data.SetSkinSection(u"EDIT");
    data.Loaded();
    edit->SetColor(ui::Color(0x102030));
    auto w = Wrap<TacEditWnd>(edit->Handle(), u"EDIT", &data);
    w->SetSkinParams();
    const uint32_t skinned = data.GetBgColor(0, nullptr);
    EXPECT_EQ(uint32_t(edit->GetColor()), skinned);
    EXPECT_EQ(uint32_t(edit->focusColor), skinned);
    SendAcMessage(edit->Handle(), scSkinRemoved, LPARAM(static_cast<SkinManager*>(&manager)));
    EXPECT_EQ(uint32_t(edit->GetColor()), 0x102030u);
    EXPECT_EQ(edit->focusColor, 0x00AA55);
}

// ---- Trees and grids ----

TEST_F(SimpleWrappers, TreeErasesWithTheSkinUnlessItDrawsItself)
{
    auto* tree = new TestTree(form.get());
    tree->SetParent(form.get());
    tree->SetBounds(150, 20, 120, 100);
    TsCommonData data(tree, true);
    data.SetSkinSection(u"EDIT");
    data.Loaded();
    data.SetCustomColor(true); // the tree keeps its own background
    auto w = Wrap<TacTreeViewWnd>(tree->Handle(), u"EDIT", &data);
    struct Case {
        const char* what;
        bool drawsItself;
        bool skinFill;
    } cases[] = {{"skin erase", false, true}, {"own erase", true, false}};
    for (const Case& c : cases) {
        tree->onCustomDraw = c.drawsItself ? ui::MethodValue{nullptr, &cases, nullptr} : ui::MethodValue{};
        ui::Bitmap bmp(40, 40, ui::pf24bit);
        FillDCSolid(bmp.Canvas().Handle(), RECT{0, 0, 40, 40}, ui::Color(0x010203));
        SendMessageW(tree->Handle(), WM_ERASEBKGND, WPARAM(bmp.Canvas().Handle()), 0);
        if (c.skinFill)
            EXPECT_EQ(bmp.PixelColor(10, 10), WindowTestBoxColor(wbEdit, 1)) << c.what;
        else
            EXPECT_NE(bmp.PixelColor(10, 10), WindowTestBoxColor(wbEdit, 1)) << c.what;
    }
    // Released: the tree's background is the window colour again.
    w.reset();
    EXPECT_EQ(uint32_t(SendMessageW(tree->Handle(), TVM_GETBKCOLOR, 0, 0)), ui::ColorToRGB(ui::clWindow));
}

TEST_F(SimpleWrappers, GridColoursAreSkinnedAndGivenBack)
{
    struct Case {
        const char* what;
        bool withLook;
        bool globalInfo;
    } cases[] = {{"grid with look", true, true}, {"plain grid", false, true}, {"skin without global section", true, false}};
    for (const Case& c : cases) {
        TestGrid* grid = c.withLook ? new TestGrid(form.get()) : new PlainGrid(form.get());
        grid->SetParent(form.get());
        grid->SetBounds(280, 20, 150, 120);
        grid->colors.values = {{u"FixedColor", 0x111111}, {u"FooterColor", 0x222222}, {u"TitleColor", 0x333333},
                               {u"SelectionColor", 0x444444}, {u"GridLineColor", 0x555555}};
        grid->look.values = {{u"FixedGradientFrom", kClNone}, {u"FixedGradientTo", 0x666666}};
        grid->titleFont.values[u"Color"] = 0x777777;
        grid->fixedFont.values[u"Color"] = 0x777777;
        const int16_t global = manager.ConstData.IndexGLobalInfo;
        if (!c.globalInfo)
            manager.ConstData.IndexGLobalInfo = -1;
        TsCommonData data(grid, true);
        data.SetSkinSection(u"EDIT");
        data.Loaded();
        auto w = Wrap<TacGridWnd>(grid->HandleIfAllocated() ? grid->Handle() : grid->Handle(), u"EDIT", &data);
        w->SetSkinParams();
        EXPECT_EQ(grid->colors.values[u"FixedColor"], int64_t(manager.GlobalColor())) << c.what;
        EXPECT_EQ(grid->titleFont.values[u"Color"], int64_t(manager.GlobalFontColor())) << c.what;
        if (c.globalInfo)
            EXPECT_EQ(grid->colors.values[u"FooterColor"], int64_t(manager.Section(global).Color)) << c.what;
        else
            EXPECT_EQ(grid->colors.values[u"FooterColor"], 0x222222) << c.what;
        if (c.withLook)
            EXPECT_EQ(grid->colors.values[u"SelectionColor"], int64_t(manager.GetHighLightColor())) << c.what;
        else
            EXPECT_EQ(grid->colors.values[u"SelectionColor"], 0x444444) << c.what;
        SendAcMessage(grid->Handle(), scSkinRemoved, LPARAM(static_cast<SkinManager*>(&manager)));
        manager.ConstData.IndexGLobalInfo = global;
        EXPECT_EQ(grid->colors.values[u"FixedColor"], 0x111111) << c.what;
        EXPECT_EQ(grid->colors.values[u"FooterColor"], 0x222222) << c.what;
        EXPECT_EQ(grid->titleFont.values[u"Color"], 0x777777) << c.what;
        EXPECT_EQ(grid->colors.values[u"SelectionColor"], 0x444444) << c.what;
        if (c.withLook) {
            EXPECT_EQ(grid->look.values[u"FixedGradientFrom"], kClBtnFace) << c.what; // no colour kept as face
            EXPECT_EQ(grid->look.values[u"FixedGradientTo"], 0x666666) << c.what;
        }
        w.reset();
        delete grid;
    }
}

TEST_F(SimpleWrappers, DataBoundGridThumbLandsPastTheTrackPosition)
{
    auto* grid = new TestGrid(form.get());
    grid->SetParent(form.get());
    grid->SetBounds(280, 150, 150, 120);
    TsCommonData data(grid, true);
    data.SetSkinSection(u"EDIT");
    data.Loaded();
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 100, 10, 20, 0};
    SetScrollInfo(grid->Handle(), SB_VERT, &si, FALSE);
    auto w = Wrap<TacGridWnd>(grid->Handle(), u"EDIT", &data);
    struct Case {
        const char* what;
        int code;
        int pos;
    } cases[] = {{"dropped", SB_THUMBPOSITION, 21}, {"dragged", SB_THUMBTRACK, 20}, {"line", SB_LINEDOWN, 20}};
    for (const Case& c : cases) {
        SetScrollPos(grid->Handle(), SB_VERT, 20, FALSE);
        SendMessageW(grid->Handle(), WM_VSCROLL, MAKEWPARAM(c.code, 20), 0);
        EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), c.pos) << c.what;
    }
    // The erase is absorbed, skin or no skin.
    ui::Bitmap bmp(10, 10, ui::pf24bit);
    FillDCSolid(bmp.Canvas().Handle(), RECT{0, 0, 10, 10}, ui::Color(0x010203));
    manager.SkinData.Active = false;
    EXPECT_EQ(SendMessageW(grid->Handle(), WM_ERASEBKGND, WPARAM(bmp.Canvas().Handle()), 0), 1);
    manager.SkinData.Active = true;
    EXPECT_EQ(bmp.PixelColor(5, 5), 0x010203u);
}

// ---- Buttons and check boxes ----

TEST_F(SimpleWrappers, ButtonFacesFollowTheirState)
{
    DialogMode dialog;
    struct Case {
        const char* what;
        DWORD style;
        bool pressed;
        int state;
    } cases[] = {
        {"normal", BS_PUSHBUTTON, false, 0},
        {"default", BS_DEFPUSHBUTTON, false, 1},
        {"pressed", BS_PUSHBUTTON, true, 2},
    };
    for (const Case& c : cases) {
        HWND b = Raw(L"BUTTON", L"OK", c.style, 20, 200, 90, 30);
        auto w = Wrap<TacBtnWnd>(b);
        EXPECT_EQ(w->SkinData->SkinSection(), u"BUTTON") << c.what;
        if (c.pressed)
            SendMessageW(b, BM_SETSTATE, TRUE, 0); // repaints at once
        else
            SendMessageW(b, WM_PAINT, 0, 0);
        EXPECT_EQ(w->CurrentState(), c.state) << c.what;
        auto shot = CaptureByPrint(b);
        EXPECT_EQ(shot->PixelColor(4, 4), WindowTestBoxColor(wbButton, c.state)) << c.what;
        EXPECT_EQ(ScreenPixel(b, 4, 4), WindowTestBoxColor(wbButton, c.state)) << c.what;
        w.reset();
        DestroyWindow(b);
    }
}

TEST_F(SimpleWrappers, ButtonOfAControlIsHotWhenDefault)
{
    auto* btn = new ui::Button(form.get());
    btn->SetParent(form.get());
    btn->SetBounds(20, 200, 90, 30);
    btn->SetCaption(u"OK");
    TsCommonData data(btn, true);
    data.Loaded();
    auto w = Wrap<TacBtnWnd>(btn->Handle(), {}, &data);
    for (bool isDefault : {false, true}) {
        SetWindowLongW(btn->Handle(), GWL_STYLE,
                       (GetWindowLongW(btn->Handle(), GWL_STYLE) & ~0xF) | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
        const int state = isDefault ? 1 : 0;
        EXPECT_EQ(w->CurrentState(), state);
        EXPECT_EQ(CaptureByPrint(btn->Handle())->PixelColor(4, 4), WindowTestBoxColor(wbButton, state));
    }
    // The window's own painting never runs: a state change repaints the skinned face at once.
    SendMessageW(btn->Handle(), BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(ScreenPixel(btn->Handle(), 4, 4), WindowTestBoxColor(wbButton, 2));
    SendMessageW(btn->Handle(), BM_SETSTATE, FALSE, 0);
}

TEST_F(SimpleWrappers, DisabledFaceBlendsWithTheParent)
{
    // A face of colour f over a parent of colour p: 0.6 p + 0.4 f in every channel.
    ui::Bitmap face(10, 10, ui::pf24bit), parent(30, 30, ui::pf24bit);
    FillDCSolid(face.Canvas().Handle(), RECT{0, 0, 10, 10}, ui::Color(0x00C8FA));
    FillDCSolid(parent.Canvas().Handle(), RECT{0, 0, 30, 30}, ui::Color(0x640A32));
    TCacheInfo ci = MakeCacheInfo(&parent, 0, 0);
    FadeDisabledCache(&face, ci, POINT{5, 5});
    const uint32_t got = face.PixelColor(3, 3);
    const int expected[3] = {int(0.6 * 0x32 + 0.4 * 0xFA), int(0.6 * 0x0A + 0.4 * 0xC8), int(0.6 * 0x64 + 0.4 * 0x00)};
    for (int ch = 0; ch < 3; ++ch)
        EXPECT_NEAR(int((got >> (8 * ch)) & 0xFF), expected[ch], 2) << "channel " << ch;
    // A disabled button is neither its face nor its parent.
    DialogMode dialog;
    HWND b = Raw(L"BUTTON", L"OK", BS_PUSHBUTTON | WS_DISABLED, 20, 200, 90, 30);
    auto w = Wrap<TacBtnWnd>(b);
    // Disabled: the focus never reaches the face.
    SendMessageW(b, WM_SETFOCUS, 0, 0);
    EXPECT_FALSE(w->SkinData->FFocused);
    const uint32_t px = CaptureByPrint(b)->PixelColor(4, 4);
    EXPECT_NE(px, WindowTestBoxColor(wbButton, 0));
}

TEST_F(SimpleWrappers, CheckGlyphsFollowStateAndStyle)
{
    DialogMode dialog;
    struct Case {
        const char* what;
        DWORD style;
        WPARAM check;
        WindowTestGlyph glyph;
        bool rightGlyph;
    } cases[] = {
        {"check box unchecked", BS_AUTOCHECKBOX, BST_UNCHECKED, wgBoxUnchecked, false},
        {"check box checked", BS_AUTOCHECKBOX, BST_CHECKED, wgBoxChecked, false},
        {"three-state grayed", BS_AUTO3STATE, BST_INDETERMINATE, wgBoxGrayed, false},
        {"radio checked", BS_AUTORADIOBUTTON, BST_CHECKED, wgRadioChecked, false},
        {"radio unchecked", BS_RADIOBUTTON, BST_UNCHECKED, wgRadioUnchecked, false},
        {"text at the left", BS_AUTOCHECKBOX | BS_LEFTTEXT, BST_CHECKED, wgBoxChecked, true},
    };
    for (const Case& c : cases) {
        HWND b = Raw(L"BUTTON", L"Check", c.style, 20, 250, 120, 24);
        auto w = Wrap<TacCheckBoxWnd>(b);
        EXPECT_EQ(w->SkinData->SkinSection(), u"CHECKBOX") << c.what;
        SendMessageW(b, BM_SETCHECK, c.check, 0);
        const RECT r = w->CheckRect();
        EXPECT_EQ(r.right - r.left, kCheckGlyphSize) << c.what;
        EXPECT_EQ(r.left, c.rightGlyph ? 120 - kCheckGlyphSize : 0) << c.what;
        const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        EXPECT_EQ(ScreenPixel(b, x, y), WindowTestGlyphColor(c.glyph, 0)) << c.what;
        // Pushed: the glyph's pressed image.
        SendMessageW(b, BM_SETSTATE, TRUE, 0);
        EXPECT_EQ(CaptureByPrint(b)->PixelColor(x, y), WindowTestGlyphColor(c.glyph, 2)) << c.what;
        SendMessageW(b, BM_SETSTATE, FALSE, 0);
        // Away from glyph and text: the box's own face.
        EXPECT_EQ(CaptureByPrint(b)->PixelColor(c.rightGlyph ? 119 - kCheckGlyphSize - 2 : 117, 3),
                  WindowTestBoxColor(wbCheckBox, 0))
            << c.what;
        w.reset();
        DestroyWindow(b);
    }
}

// ---- Group boxes and panels ----

TEST_F(SimpleWrappers, GroupBoxCaptionBandAndFrameLine)
{
    HWND g = Raw(L"BUTTON", L"Group", BS_GROUPBOX, 160, 150, 200, 120);
    auto w = Wrap<TacGroupBoxWnd>(g);
    EXPECT_EQ(w->SkinData->SkinSection(), u"GROUPBOX");
    const RECT c = w->CaptionRect();
    const int ch = c.bottom - c.top;
    EXPECT_EQ(c.left, 6);
    EXPECT_GE(ch, 6);
    EXPECT_EQ(SendAcMessage(g, scGetCaptionHeight, 0), ch);
    auto shot = CaptureByPrint(g);
    const uint32_t band = shot->PixelColor(199, 1), line = shot->PixelColor(0, ch / 2 + 4);
    EXPECT_EQ(line, WindowTestBoxColor(wbGroupBox, 0));
    // Above the frame line the parent shows through.
    EXPECT_NE(band, WindowTestBoxColor(wbGroupBox, 0));
    EXPECT_NE(band, 0xFF00FFu);
    // The frame line does not run through the caption.
    EXPECT_NE(shot->PixelColor(c.left + 1, ch / 2), WindowTestBoxColor(wbGroupBox, 0));
    // A new text reaches the window once and is taken.
    SendMessageW(g, WM_SETTEXT, 0, LPARAM(L"Other group"));
    EXPECT_EQ(w->Caption, u"Other group");
    EXPECT_EQ(WindowTextOf(g), u"Other group");
}

TEST_F(SimpleWrappers, PanelSectionFollowsItsBevels)
{
    struct Case {
        int outer, inner, border;
        const char16_t* section;
    } cases[] = {
        {1, 2, 0, u"GROUPBOX"}, {1, 0, 0, u"PANEL_LOW"}, {2, 1, 0, u"GROUPBOX"},
        {2, 0, 0, u"PANEL"},    {0, 0, 1, u"PANEL_LOW"}, {0, 0, 0, u"CHECKBOX"},
    };
    for (const Case& c : cases) {
        Bevels b;
        b.outer = c.outer, b.inner = c.inner, b.border = c.border;
        EXPECT_EQ(TacPanelWnd::SectionOfPanel(&b), core::StringView(c.section)) << c.outer << c.inner << c.border;
    }
    EXPECT_EQ(TacPanelWnd::SectionOfPanel(nullptr), core::StringView(u"CHECKBOX"));
}

TEST_F(SimpleWrappers, PanelPaintsItsSectionAroundChildren)
{
    auto* panel = new ui::Panel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(20, 280, 150, 100);
    auto* child = new ui::Edit(form.get());
    child->SetParent(panel);
    child->SetBounds(60, 40, 60, 24);
    TsCommonData data(panel, true);
    data.SetSkinSection(u"PANEL_LOW");
    data.Loaded();
    auto w = Wrap<TacPanelWnd>(panel->Handle(), u"PANEL_LOW", &data);
    RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_EQ(ScreenPixel(panel->Handle(), 10, 10), WindowTestBoxColor(wbPanelLow, 0));
    EXPECT_NE(ScreenPixel(panel->Handle(), 70, 50), WindowTestBoxColor(wbPanelLow, 0));
}

// ---- Statics, links, grips, spins ----

TEST_F(SimpleWrappers, StaticsWithTabStopOrEdgeAreLeftAlone)
{
    DialogMode dialog;
    struct Case {
        const char* what;
        DWORD style, exStyle;
        bool skinned;
    } cases[] = {
        {"plain", 0, 0, true},
        {"tab stop", WS_TABSTOP, 0, false},
        {"static edge", 0, WS_EX_STATICEDGE, false},
    };
    for (const Case& c : cases) {
        HWND s = Raw(L"STATIC", L"", c.style, 20, 340, 60, 30);
        SetWindowLongW(s, GWL_EXSTYLE, c.exStyle);
        auto w = Wrap<TacStaticWnd>(s, u"PANEL_LOW");
        ui::Bitmap bmp(60, 30, ui::pf24bit);
        SendMessageW(s, WM_ERASEBKGND, WPARAM(bmp.Canvas().Handle()), 0);
        EXPECT_EQ(bmp.PixelColor(30, 15) == WindowTestBoxColor(wbPanelLow, 0), c.skinned) << c.what;
        w.reset();
        DestroyWindow(s);
    }
}

TEST_F(SimpleWrappers, LinkTextLosesItsTags)
{
    struct Case {
        const char16_t* text;
        const char16_t* plain;
    } cases[] = {
        {u"<A>go</A> now", u"go now"},
        {u"see <A>here", u"see here"}, // unclosed
        {u"<a>kept</a>", u"<a>kept</a>"}, // tags are case-sensitive
        {u"", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TacLinkWnd::PlainText(c.text), core::String(c.plain));
}

TEST_F(SimpleWrappers, LinkPaintsWithOneFontMadeOnce)
{
    DialogMode dialog;
    HWND s = Raw(L"STATIC", L"<A>link</A>", 0, 200, 340, 80, 24);
    auto w = Wrap<TacLinkWnd>(s, u"PANEL_LOW");
    ui::Bitmap bmp(80, 24, ui::pf24bit);
    SendMessageW(s, WM_ERASEBKGND, WPARAM(bmp.Canvas().Handle()), 0);
    const HFONT font = w->LinkFont();
    ASSERT_NE(font, nullptr);
    LOGFONTW lf{};
    ASSERT_EQ(GetObjectW(font, sizeof(lf), &lf), int(sizeof(lf)));
    EXPECT_TRUE(lf.lfUnderline);
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 100; ++i)
        SendMessageW(s, WM_ERASEBKGND, WPARAM(bmp.Canvas().Handle()), 0);
    EXPECT_EQ(w->LinkFont(), font);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
    w.reset();
    EXPECT_EQ(GetObjectType(font), 0u); // deleted with the wrapper
}

TEST_F(SimpleWrappers, SizeGripHitTestsAsTheCornerAndShowsTheGrip)
{
    DialogMode dialog;
    HWND grip = Raw(L"SCROLLBAR", L"", SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN, 480, 360, 16, 16);
    auto w = Wrap<TacSizerWnd>(grip, u"PANEL_LOW");
    RECT r{};
    GetWindowRect(grip, &r);
    for (POINT p : {POINT{r.left + 1, r.top + 1}, POINT{r.right - 2, r.bottom - 2}})
        EXPECT_EQ(SendMessageW(grip, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTBOTTOMRIGHT);
    SendMessageW(grip, WM_PAINT, 0, 0);
    EXPECT_EQ(ScreenPixel(grip, 15, 15), kGripColor);
}

TEST_F(SimpleWrappers, SpinHalvesFollowCursorAndPress)
{
    DialogMode dialog;
    struct Case {
        const char* what;
        DWORD style;
        bool lowerHalf, press;
        int first, second;
    } cases[] = {
        {"vertical, over the lower half", 0, true, false, 0, 1},
        {"vertical, pressed on the lower half", 0, true, true, 0, 2},
        {"vertical, pressed on the upper half", 0, false, true, 2, 0},
        {"horizontal, over the right half", UDS_HORZ, true, false, 0, 1},
    };
    for (const Case& c : cases) {
        HWND spin = Raw(UPDOWN_CLASSW, L"", c.style, 300, 300, 21, 31);
        auto w = Wrap<TacSpinWnd>(spin);
        w->lOffset = c.style & UDS_HORZ ? 0 : 2;
        RECT r{};
        GetWindowRect(spin, &r);
        const bool vertical = !(c.style & UDS_HORZ);
        const POINT at = vertical ? POINT{r.left + 10, c.lowerHalf ? r.bottom - 4 : r.top + 4}
                                  : POINT{c.lowerHalf ? r.right - 4 : r.left + 4, r.top + 15};
        SetCursorPos(at.x, at.y);
        if (c.press)
            SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        else
            SendMessageW(spin, WM_PAINT, 0, 0);
        EXPECT_EQ(w->Btn1State, c.first) << c.what;
        EXPECT_EQ(w->Btn2State, c.second) << c.what;
        RECT first{}, second{};
        w->ButtonRects(first, second);
        // A border column of each button, away from its corners and the arrow.
        auto shot = CaptureWindowDC(spin);
        const int x1 = first.right - 1, y1 = (first.top + first.bottom) / 2;
        const int x2 = second.right - 1, y2 = (second.top + second.bottom) / 2;
        if (vertical) {
            EXPECT_EQ(shot->PixelColor(x1, y1), WindowTestBoxColor(wbButton, c.first)) << c.what;
            EXPECT_EQ(shot->PixelColor(x2, y2), WindowTestBoxColor(wbButton, c.second)) << c.what;
            EXPECT_EQ(first.bottom - first.top, 16) << c.what; // 31 rows: 16 over 16, one shared
            EXPECT_EQ(second.top, 15) << c.what;
        } else {
            EXPECT_EQ(shot->PixelColor(first.left, (first.top + first.bottom) / 2), WindowTestBoxColor(wbButton, c.first))
                << c.what;
            EXPECT_EQ(shot->PixelColor(x2, y2), WindowTestBoxColor(wbButton, c.second)) << c.what;
        }
        if (c.press)
            SendMessageW(spin, WM_LBUTTONUP, 0, 0);
        EXPECT_FALSE(w->bMousePressed) << c.what;
        SetCursorPos(1000, 700);
        w.reset();
        DestroyWindow(spin);
    }
}

// ---- Registration and bad input ----

TEST_F(SimpleWrappers, EveryWrapperIsRegisteredByName)
{
    for (const char16_t* name : {u"TacTreeViewWnd", u"TacGridWnd", u"TacGridEhWnd", u"TacBtnWnd", u"TacBitBtnWnd",
                                 u"TacCheckBoxWnd", u"TacPanelWnd", u"TacDlgPanelWnd", u"TacTransPanelWnd",
                                 u"TacGroupBoxWnd", u"TacStaticWnd", u"TacLinkWnd", u"TacIconWnd", u"TacSizerWnd",
                                 u"TacSpinWnd"}) {
        WrapperFactory make = FindWrapperClass(name);
        ASSERT_NE(make, nullptr) << core::ToUtf8(name);
        // A null handle attaches nothing.
        EXPECT_EQ(make(nullptr, nullptr, nullptr, {}, true)->CtrlHandle, nullptr);
    }
}

TEST_F(SimpleWrappers, WindowsDestroyedWhileWrappedAreLetGo)
{
    DialogMode dialog;
    struct Case {
        const char* what;
        const wchar_t* cls;
        DWORD style;
        const char16_t* wrapper;
    } cases[] = {
        {"button", L"BUTTON", BS_PUSHBUTTON, u"TacBitBtnWnd"},
        {"check box", L"BUTTON", BS_AUTOCHECKBOX, u"TacCheckBoxWnd"},
        {"group box", L"BUTTON", BS_GROUPBOX, u"TacGroupBoxWnd"},
        {"static", L"STATIC", 0, u"TacStaticWnd"},
        {"icon", L"STATIC", SS_ICON, u"TacIconWnd"},
        {"bitmap", L"STATIC", SS_BITMAP, u"TacIconWnd"},
        {"spin", UPDOWN_CLASSW, 0, u"TacSpinWnd"},
        {"list", L"LISTBOX", WS_VSCROLL, u"TacEditWnd"},
        {"tree", WC_TREEVIEWW, 0, u"TacTreeViewWnd"},
        {"panel", L"STATIC", 0, u"TacDlgPanelWnd"},
        {"container", L"STATIC", 0, u"TacTransPanelWnd"},
    };
    for (const Case& c : cases) {
        HWND wnd = Raw(c.cls, L"text", c.style, 20, 20, 80, 40);
        std::unique_ptr<TacMainWnd> w = FindWrapperClass(c.wrapper)(wnd, nullptr, nullptr, {}, true);
        // Painted once in full, with nothing in the skin for some of them.
        CaptureByPrint(wnd);
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        DestroyWindow(wnd);
        EXPECT_TRUE(w->Destroyed) << c.what;
        EXPECT_EQ(GetWrapper(wnd), nullptr) << c.what;
        w.reset();
    }
}

TEST_F(SimpleWrappers, BitButtonGlyphFollowsItsLayout)
{
    constexpr uint32_t kGlyph = 0x3399CC;
    struct Case {
        const char* what;
        int layout;
        int glyphWidth;
        int side; // where the glyph's centre lies from the window's: 0 left, 1 right, 2 above, 3 below
    } cases[] = {
        {"glyph left", 0, 8, 0}, {"glyph right", 1, 8, 1}, {"glyph top", 2, 8, 2}, {"glyph bottom", 3, 8, 3},
        {"no glyph", 0, 0, -1},
    };
    for (const Case& c : cases) {
        auto* btn = new TestBitBtn(form.get());
        btn->SetParent(form.get());
        btn->SetBounds(150, 280, 100, 70);
        btn->SetCaption(u"Go");
        btn->layout = c.layout;
        if (c.glyphWidth) {
            btn->glyph.SetSize(c.glyphWidth, 8);
            FillDCSolid(btn->glyph.Canvas().Handle(), RECT{0, 0, c.glyphWidth, 8}, ui::Color(kGlyph));
            // The bottom-left pixel names the glyph's transparent colour.
            SetPixel(btn->glyph.Canvas().Handle(), 0, 7, RGB(0, 255, 0));
        }
        TsCommonData data(btn, true);
        data.Loaded();
        auto w = Wrap<TacBitBtnWnd>(btn->Handle(), {}, &data);
        EXPECT_EQ(w->SkinData->SkinSection(), u"BUTTON") << c.what;
        auto shot = CaptureByPrint(btn->Handle());
        const RECT g = w->GlyphRect();
        EXPECT_EQ(g.right - g.left, c.glyphWidth) << c.what;
        if (c.side < 0) {
            EXPECT_EQ(shot->PixelColor(4, 4), WindowTestBoxColor(wbButton, 0)) << c.what;
        } else {
            const POINT centre{(g.left + g.right) / 2, (g.top + g.bottom) / 2};
            EXPECT_EQ(shot->PixelColor(centre.x, centre.y), kGlyph) << c.what;
            const bool sides[4] = {centre.x < 50, centre.x > 50, centre.y < 35, centre.y > 35};
            EXPECT_TRUE(sides[c.side]) << c.what;
        }
        w.reset();
        delete btn;
    }
}

TEST_F(SimpleWrappers, DialogPanelPaintsASkinnedFrame)
{
    DialogMode dialog;
    HWND p = Raw(L"STATIC", L"", WS_BORDER, 300, 20, 120, 80);
    auto w = Wrap<TacDlgPanelWnd>(p);
    EXPECT_EQ(w->Panel, nullptr);
    EXPECT_EQ(w->SkinData->SkinSection(), u"GROUPBOX");
    auto shot = CaptureWindowDC(p);
    EXPECT_EQ(shot->PixelColor(4, 40), WindowTestBoxColor(wbGroupBox, 0));
    EXPECT_EQ(shot->PixelColor(60, 3), WindowTestBoxColor(wbGroupBox, 0));
}

TEST_F(SimpleWrappers, BitButtonWithoutGlyphShowsOnlyItsCaption)
{
    DialogMode dialog;
    HWND b = Raw(L"BUTTON", L"Go", BS_PUSHBUTTON, 20, 200, 90, 30);
    auto w = Wrap<TacBitBtnWnd>(b);
    EXPECT_EQ(w->GlyphSize().cx, 0);
    EXPECT_EQ(w->GlyphRect().right, 0);
    const RECT plain = w->TacBtnWnd::CaptionRect();
    const RECT got = w->CaptionRect();
    EXPECT_EQ(got.left, plain.left);
    EXPECT_EQ(CaptureByPrint(b)->PixelColor(4, 4), WindowTestBoxColor(wbButton, 0));
}

} // namespace
} // namespace skin
