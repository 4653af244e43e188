// The skinned controls on a real form, unskinned as in the client, driven with real messages.
#include "skin/controls/button.h"
#include "skin/controls/checkbox.h"
#include "skin/controls/combobox.h"
#include "skin/controls/edit.h"
#include "skin/controls/label.h"
#include "skin/controls/panel.h"
#include "skin/controls/speedbutton.h"
#include "skin/controls/statusbar.h"
#include "ui/test/uitest.h"

#include <commctrl.h>

namespace skin {
namespace {

using ui::test::UiTest;

class SkinnedControls : public UiTest {
protected:
    SkinnedControls()
    {
        InitSkinControls();
        form->SetClientSize(500, 400);
        form->Show();
    }
    ~SkinnedControls() override { DoneSkinControls(); }

    template <class T>
    T* Add(ui::WinControl* parent = nullptr)
    {
        auto* control = new T(form.get());
        control->SetParent(parent ? parent : form.get());
        return control;
    }

    static LRESULT Ask(ui::Control* control, int subCode)
    {
        if (auto* w = dynamic_cast<ui::WinControl*>(control))
            return SendAcMessage(w->Handle(), subCode, 0);
        return control->Perform(SM_SKINCMD, SkinWParam(subCode), 0);
    }

    std::unique_ptr<ui::Form> form{new ui::Form()};
};

TEST_F(SkinnedControls, EveryKindAnswersTheLibraryMessageAndStaysUnskinned)
{
    struct Entry {
        ui::Control* control;
        TsCommonData* data;
        const char16_t* section;
    };
    auto* button = Add<TsButton>();
    auto* edit = Add<TsEdit>();
    auto* combo = Add<TsComboBox>();
    auto* check = Add<TsCheckBox>();
    auto* radio = Add<TsRadioButton>();
    auto* panel = Add<TsPanel>();
    auto* group = Add<TsGroupBox>();
    auto* status = Add<TsStatusBar>();
    auto* speed = Add<TsSpeedButton>(panel);
    Entry entries[] = {
        {button, button->SkinData(), u"BUTTON"},     {edit, edit->SkinData(), u"EDIT"},
        {combo, combo->SkinData(), u"COMBOBOX"},     {check, check->SkinData(), u"CHECKBOX"},
        {radio, radio->SkinData(), u"RADIOBUTTON"},  {panel, panel->SkinData(), u"PANEL"},
        {group, group->SkinData(), u"GROUPBOX"},     {status, status->SkinData(), u"STATUSBAR"},
        {speed, speed->SkinData(), u"SPEEDBUTTON"},
    };
    for (const auto& e : entries) {
        EXPECT_EQ(Ask(e.control, scIsSkinAware), 1) << int(&e - entries);
        EXPECT_EQ(Ask(e.control, scGetApplication), LRESULT(&ui::App())) << int(&e - entries);
        EXPECT_EQ(e.data->SkinSection(), e.section);
        // Hover and focus, then check that no skin index was ever set.
        e.control->Perform(ui::CM_MOUSEENTER, 0, 0);
        e.control->Perform(ui::CM_MOUSELEAVE, 0, 0);
        if (auto* w = dynamic_cast<ui::WinControl*>(e.control); w && w->CanFocus())
            w->SetFocus();
        Pump();
        EXPECT_EQ(e.data->SkinIndex, -1) << int(&e - entries);
        EXPECT_FALSE(e.data->Skinned()) << int(&e - entries);
    }
    // A plain window of the library does not answer.
    EXPECT_EQ(SendAcMessage(form->Handle(), scIsSkinAware, 0), 0);
    // A skin removal of another manager is ignored; of the own (absent) manager it is applied.
    int other = 0;
    for (const auto& e : entries) {
        e.data->FUpdating = false;
        if (auto* w = dynamic_cast<ui::WinControl*>(e.control))
            SendAcMessage(w->Handle(), scSkinRemoved, LPARAM(&other));
        else
            e.control->Perform(SM_SKINCMD, SkinWParam(scSkinRemoved), LPARAM(&other));
        EXPECT_FALSE(e.data->FUpdating) << int(&e - entries);
        if (auto* w = dynamic_cast<ui::WinControl*>(e.control))
            SendAcMessage(w->Handle(), scSkinRemoved, 0);
        else
            e.control->Perform(SM_SKINCMD, SkinWParam(scSkinRemoved), 0);
        EXPECT_TRUE(e.data->FUpdating) << int(&e - entries);
        EXPECT_EQ(e.data->SkinIndex, -1);
    }
}

TEST_F(SkinnedControls, ButtonWrapsByDefaultAndKeepsTheDefaultFrameOfItsCreation)
{
    auto* ok = Add<TsButton>();
    ok->SetDefault(true);
    auto* other = Add<TsButton>();
    other->SetLeft(100);
    EXPECT_TRUE(ok->WordWrap());
    EXPECT_EQ(ok->FocusMargin(), 1);
    EXPECT_TRUE(ok->ShowFocus());
    EXPECT_FALSE(ok->Down());
    EXPECT_FALSE(ok->ControlStyle() & ui::csDoubleClicks);
    EXPECT_TRUE(GetWindowLongPtrW(ok->Handle(), GWL_STYLE) & BS_MULTILINE);
    auto defStyle = [](ui::WinControl* b) { return (GetWindowLongPtrW(b->Handle(), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON; };
    EXPECT_TRUE(defStyle(ok));
    other->SetFocus();
    Pump();
    EXPECT_TRUE(defStyle(ok));
    EXPECT_FALSE(defStyle(other));
    EXPECT_FALSE(ok->IsFocused());
    ok->SetFocus();
    Pump();
    EXPECT_TRUE(ok->IsFocused());
    int clicks = 0;
    other->OnClick = [&](core::Object*) { ++clicks; };
    SendMessageW(other->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
}

TEST_F(SkinnedControls, MouseEnterAndLeaveFireOnlyForEnabledButtons)
{
    auto* button = Add<TsButton>();
    int enters = 0, leaves = 0;
    button->OnMouseEnter = [&](core::Object*) { ++enters; };
    button->OnMouseLeave = [&](core::Object*) { ++leaves; };
    button->Perform(ui::CM_MOUSEENTER, 0, 0);
    button->Perform(ui::CM_MOUSELEAVE, 0, 0);
    button->SetEnabled(false);
    button->Perform(ui::CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);
}

TEST_F(SkinnedControls, LabelsAreTransparentAndFollowFontChanges)
{
    auto* label = Add<TsLabel>(nullptr);
    EXPECT_TRUE(label->Transparent());
    EXPECT_TRUE(label->UseSkinColor());
    label->SetCaption(u"用户名：");
    int width = label->Width();
    label->Font().SetHeight(-24);
    EXPECT_GT(label->Width(), width);
    label->SetSkinSection(u"anything");
    EXPECT_EQ(label->SkinSection(), u"anything");
    int enters = 0;
    label->OnMouseEnter = [&](core::Object*) { ++enters; };
    label->Perform(ui::CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(enters, 1);
}

TEST_F(SkinnedControls, EditAnswersColourAndTextureAndCarriesItsBoundLabel)
{
    auto* edit = Add<TsEdit>();
    edit->SetName(u"ed_user");
    edit->SetBounds(150, 40, 120, 21);
    edit->SetPasswordChar(u'*');
    EXPECT_EQ(Ask(edit, scGetBgColor), LRESULT(ui::ColorToRGB(ui::clWindow)));
    EXPECT_EQ(Ask(edit, scIsTextured), 0);
    EXPECT_EQ(edit->BoundLabel().Layout(), sclLeft);
    EXPECT_FALSE(edit->BoundLabel().Active());
    edit->BoundLabel().SetCaption(u"密码：");
    edit->BoundLabel().SetActive(true);
    ui::Label* label = edit->BoundLabel().TheLabel();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Parent(), form.get());
    EXPECT_EQ(label->Left() + label->Width(), 150 - 4);
    edit->SetBounds(200, 80, 120, 21);
    EXPECT_EQ(label->Left() + label->Width(), 200 - 4);
    EXPECT_EQ(label->Top(), 80 + (21 - label->Height()) / 2);
    edit->SetVisible(false);
    EXPECT_FALSE(label->Visible());
    edit->SetVisible(true);
    EXPECT_TRUE(label->Visible());
    edit->SetEnabled(false);
    EXPECT_FALSE(label->Enabled());
    edit->SetDisabledKind(0);
    edit->SetEnabled(true);
    edit->SetEnabled(false);
    EXPECT_TRUE(label->Enabled());
    delete edit; // takes its label with it
}

TEST_F(SkinnedControls, ComboBoxFiltersInputWhileReadOnly)
{
    auto* combo = Add<TsComboBox>();
    EXPECT_EQ(combo->DropDownCount(), 16);
    for (const char16_t* item : {u"魔兽世界", u"CS", u"cs"})
        combo->Items().Add(item);
    EXPECT_EQ(combo->IndexOf(u"cs"), 2);
    EXPECT_EQ(combo->IndexOf(u"CS"), 1);
    EXPECT_EQ(combo->IndexOf(u"dota"), -1);
    combo->SetItemIndex(0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &info));
    combo->SetFocus();

    combo->SetReadOnly(true);
    SendMessageW(info.hwndItem, WM_CHAR, L'x', 1);
    SendMessageW(combo->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(combo->Handle(), WM_CHAR, L'y', 1);
    SendMessageW(combo->Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(combo->Width() - 5, 5));
    Pump();
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_EQ(combo->Text(), u"魔兽世界");
    EXPECT_FALSE(combo->DroppedDown());
    SendMessageW(combo->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(combo->Width() - 5, 5));

    combo->SetReadOnly(false);
    SendMessageW(combo->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    Pump();
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->Clear();
    EXPECT_EQ(combo->ItemIndex(), -1);
}

int PropertyCount(HWND window)
{
    int count = 0;
    EnumPropsExW(window, [](HWND, LPWSTR, HANDLE, ULONG_PTR data) -> BOOL { return ++*reinterpret_cast<int*>(data), TRUE; },
                 LPARAM(&count));
    return count;
}

TEST_F(SkinnedControls, ComboBoxListIsHookedWithoutPerMessageLookupsAndLetGoWithItsWindow)
{
    auto* combo = Add<TsComboBox>();
    combo->SetStyle(ui::csDropDownList);
    for (const char16_t* item : {u"alpha", u"beta"})
        combo->Items().Add(item);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &info));
    const HWND oldList = info.hwndList;
    // A subclass kept in a window property is looked up on every message: a long list filled item
    // by item pays for it many times over. The list has no more properties than a plain one.
    HWND plain = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0, 100, 100,
                                 form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    COMBOBOXINFO plainInfo{};
    plainInfo.cbSize = sizeof(plainInfo);
    ASSERT_TRUE(GetComboBoxInfo(plain, &plainInfo));
    EXPECT_EQ(PropertyCount(info.hwndList), PropertyCount(plainInfo.hwndList));
    DestroyWindow(plain);

    // The hook is in place: while read-only, a key typed into the list is dropped.
    combo->SetReadOnly(true);
    SendMessageW(info.hwndList, WM_CHAR, L'b', 1);
    EXPECT_EQ(SendMessageW(info.hwndList, LB_GETCURSEL, 0, 0), LB_ERR);
    combo->SetReadOnly(false);
    SendMessageW(info.hwndList, WM_CHAR, L'b', 1);
    EXPECT_EQ(SendMessageW(info.hwndList, LB_GETCURSEL, 0, 0), 1);

    // Another style makes new windows: those are hooked in turn, the edit window included.
    combo->SetStyle(ui::csDropDown);
    ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &info));
    ASSERT_NE(info.hwndItem, combo->Handle());
    EXPECT_FALSE(IsWindow(oldList) && oldList == info.hwndList);
    combo->SetReadOnly(true);
    SendMessageW(info.hwndItem, WM_CHAR, L'x', 1);
    EXPECT_EQ(combo->Text(), u"beta");
    SendMessageW(info.hwndList, WM_CHAR, L'a', 1);
    EXPECT_EQ(SendMessageW(info.hwndList, LB_GETCURSEL, 0, 0), 1);
    combo->SetReadOnly(false);
    delete combo;
}

TEST_F(SkinnedControls, CheckBoxReadOnlyKeepsItsMarkWhileHeldAndIgnoresDoubleClicks)
{
    auto* check = Add<TsCheckBox>();
    check->SetCaption(u"记住密码");
    EXPECT_EQ(check->Margin(), 2);
    EXPECT_TRUE(check->ShowFocus());
    EXPECT_EQ(check->TextIndent(), 0);
    EXPECT_TRUE(check->AutoSize());
    EXPECT_FALSE(check->WordWrap());
    EXPECT_EQ(check->DisabledKind(), unsigned(dkBlended));
    int w = 0, h = 0;
    EXPECT_FALSE(check->CanAutoSize(w, h)); // unskinned: no automatic size
    check->SetReadOnly(true);
    SendMessageW(check->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(check->Handle(), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageW(check->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ReleaseCapture();
    SendMessageW(check->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(500, 500));
    int clicks = 0;
    check->OnClick = [&](core::Object*) { ++clicks; };
    SendMessageW(check->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    Pump();
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(check->Checked());
    check->SetReadOnly(false);
    check->SetChecked(true);
    EXPECT_EQ(SendMessageW(check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(SkinnedControls, SkinnedBoxHeightTakesTheLargerOfGlyphAndCaption)
{
    struct Case {
        SIZE glyph, caption;
        int height;
    } cases[] = {{{16, 16}, {60, 30}, 30 + 4 + 2}, {{16, 16}, {60, 8}, 16 + 2}, {{13, 13}, {0, 0}, 13 + 2}};
    for (const auto& c : cases)
        EXPECT_EQ(SkinnedBoxSize(c.glyph, 2, c.caption, 0, c.caption.cx > 0).cy, c.height);
    EXPECT_EQ(SkinnedBoxSize({16, 16}, 2, {60, 12}, 3, true).cx, 16 + 4 + 60 + 3 + 8);
}

TEST_F(SkinnedControls, RadioButtonsOfOneGroupBoxExcludeEachOther)
{
    auto* group = Add<TsGroupBox>();
    group->SetBounds(10, 10, 200, 80);
    auto* l2tp = Add<TsRadioButton>(group);
    auto* pptp = Add<TsRadioButton>(group);
    l2tp->SetCaption(u"L2TP");
    pptp->SetCaption(u"PPTP");
    pptp->SetTop(30);
    pptp->SetChecked(true);
    EXPECT_EQ(l2tp->Margin(), 2);
    EXPECT_TRUE(l2tp->AutoSize());
    l2tp->SetWordWrap(true);
    l2tp->Invalidate();
    EXPECT_FALSE(l2tp->WordWrap());
    SendMessageW(l2tp->Handle(), BM_CLICK, 0, 0);
    Pump();
    EXPECT_TRUE(l2tp->Checked());
    EXPECT_FALSE(pptp->Checked());
    pptp->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(pptp->Handle()));
}

TEST_F(SkinnedControls, PanelOnPaintReplacesPaintingAndPrinting)
{
    auto* panel = Add<TsPanel>();
    panel->SetBounds(0, 0, 60, 40);
    int paints = 0;
    panel->OnPaint = [&](core::Object*, ui::Canvas& canvas) {
        ++paints;
        canvas.SetBrushColor(ui::clRed);
        RECT r{0, 0, 60, 40};
        canvas.FillRect(r);
    };
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 60, 40);
    HGDIOBJ old = SelectObject(dc, bmp);
    SendMessageW(panel->Handle(), WM_PRINT, WPARAM(dc), PRF_CLIENT);
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(GetPixel(dc, 30, 20), RGB(255, 0, 0));
    EXPECT_EQ(SendMessageW(panel->Handle(), WM_ERASEBKGND, WPARAM(dc), 0), 1);
    // Without OnPaint a printed panel draws nothing.
    panel->OnPaint = nullptr;
    RECT all{0, 0, 60, 40};
    FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
    SendMessageW(panel->Handle(), WM_PRINT, WPARAM(dc), PRF_CLIENT);
    EXPECT_EQ(GetPixel(dc, 30, 20), RGB(255, 255, 255));
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

// A windowless child that records the skin commands it receives.
class CommandProbe : public ui::GraphicControl {
public:
    using ui::GraphicControl::GraphicControl;
    std::vector<int> codes;

protected:
    void WndProc(ui::Message& m) override
    {
        if (m.Msg == SM_SKINCMD)
            codes.push_back(SubCodeOf(m.WParam));
        ui::GraphicControl::WndProc(m);
    }
};

TEST_F(SkinnedControls, ContainersPassSkinChangesToTheirChildren)
{
    for (ui::WinControl* box : std::initializer_list<ui::WinControl*>{Add<TsPanel>(), Add<TsGroupBox>(), Add<TsStatusBar>()}) {
        auto* probe = Add<CommandProbe>(box);
        for (int code : {scSkinLoaded, scSkinRemoved, scSkinRefresh})
            SendAcMessage(box->Handle(), code, 0);
        EXPECT_EQ(probe->codes, (std::vector<int>{1, 2, 3})) << box->ClassName().size();
    }
}

TEST_F(SkinnedControls, GroupBoxClientAreaMovesDownByTheCaptionOffset)
{
    auto* plain = Add<ui::GroupBox>();
    auto* box = Add<TsGroupBox>();
    for (ui::WinControl* g : std::initializer_list<ui::WinControl*>{plain, box})
        g->SetBounds(0, 0, 200, 100);
    box->SetCaptionYOffset(10);
    auto* a = Add<TsPanel>(plain);
    auto* b = Add<TsPanel>(box);
    a->SetAlign(ui::alClient);
    b->SetAlign(ui::alClient);
    EXPECT_EQ(b->Top(), a->Top() + 10);
    EXPECT_FALSE(box->ControlStyle() & ui::csOpaque);
    struct Case {
        TsGroupCaptionLayout layout;
        int left;
    } cases[] = {{clTopLeft, 6}, {clTopCenter, 70}, {clTopRight, 136}};
    for (const auto& c : cases) {
        RECT r = GroupCaptionRect(200, SIZE{50, 12}, c.layout, false, 0, false, 1);
        EXPECT_EQ(r.left, c.left);
        EXPECT_EQ(r.right - r.left, 58);
    }
}

TEST_F(SkinnedControls, StatusBarShowsSimpleTextAndAcceptsControls)
{
    auto* status = Add<TsStatusBar>();
    EXPECT_TRUE(status->ControlStyle() & ui::csAcceptsControls);
    status->SetSimplePanel(true);
    status->SetSimpleText(u"正在连接");
    wchar_t text[64]{};
    SendMessageW(status->Handle(), SB_GETTEXTW, 0, LPARAM(text));
    EXPECT_STREQ(text, L"正在连接");
    HWND before = status->Handle();
    SendAcMessage(before, scSkinRemoved, 0);
    EXPECT_NE(status->Handle(), nullptr);
}

TEST_F(SkinnedControls, SpeedButtonStylesCaptionsAndHints)
{
    auto* speed = Add<TsSpeedButton>();
    speed->SetBounds(10, 10, 80, 28);
    speed->SetCaption(u"游戏加速");
    speed->SetButtonStyle(tbsDropDown);
    EXPECT_EQ(speed->Width(), 96);
    speed->SetButtonStyle(tbsButton);
    EXPECT_EQ(speed->Width(), 80);
    speed->SetBlend(150);
    EXPECT_EQ(speed->Blend(), 100);
    speed->SetBlend(-5);
    EXPECT_EQ(speed->Blend(), 0);
    speed->SetShowCaption(false);
    EXPECT_EQ(speed->Caption(), u"");
    speed->SetShowCaption(true);
    EXPECT_EQ(speed->Caption(), u"游戏加速");
    speed->SetMargin(-1);
    EXPECT_EQ(speed->MarginValue(), 0);

    ui::App().SetShowHint(true);
    int clicks = 0;
    speed->OnClick = [&](core::Object*) { ++clicks; };
    SendMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_FALSE(ui::App().ShowHint());
    EXPECT_EQ(speed->State(), ui::bsDown);
    // Leaving while pressed brings the button back up.
    speed->Perform(ui::CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(speed->State(), ui::bsUp);
    SendMessageW(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_TRUE(ui::App().ShowHint());
    EXPECT_EQ(clicks, 1);

    // Repaints never show a box from a paint path.
    speed->GraphRepaint();
    speed->Repaint();
    Pump();
    EXPECT_TRUE(m_box.Calls().empty());

    // Caption centred with no glyph: the text block sits in the middle.
    RECT r = speed->CaptionRect();
    SIZE t = speed->TextRectSize();
    EXPECT_EQ(r.top, (28 - t.cy) / 2);
    EXPECT_LT(r.left, r.right);
}

} // namespace
} // namespace skin
