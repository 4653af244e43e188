// The standard controls driven by real messages on a real form.
#include "ui/test/uitest.h"
#include "ui/button.h"
#include "ui/canvas.h"
#include "ui/checkbox.h"
#include "ui/combobox.h"
#include "ui/edit.h"
#include "ui/groupbox.h"
#include "ui/label.h"
#include "ui/listbox.h"
#include "ui/memo.h"
#include "ui/panel.h"
#include "ui/radiobutton.h"
#include "ui/scrollbox.h"
#include "ui/speedbutton.h"
#include "ui/splitter.h"
#include "ui/statusbar.h"

#include <commctrl.h>

namespace ui::test {
namespace {

class Controls : public UiTest {
protected:
    Controls()
    {
        form->SetClientSize(400, 300);
        form->Show();
    }

    template <class T>
    T* Add(WinControl* parent = nullptr)
    {
        auto* control = new T(form.get());
        control->SetParent(parent ? parent : form.get());
        return control;
    }

    static std::wstring WindowText(HWND window)
    {
        wchar_t buffer[256]{};
        GetWindowTextW(window, buffer, 256);
        return buffer;
    }

    std::unique_ptr<Form> form{new Form()};
};

TEST_F(Controls, EditTakesTypedTextMasksPasswordsAndRaisesOnChange)
{
    auto* user = Add<Edit>();
    auto* pass = Add<Edit>();
    pass->SetTop(30);
    pass->SetPasswordChar(u'*');
    int changes = 0;
    user->OnChange = [&](core::Object*) { ++changes; };
    user->SetText(u"张三");
    EXPECT_EQ(WindowText(user->Handle()), L"张三");
    EXPECT_EQ(changes, 1);
    user->SetSelStart(2);
    for (wchar_t ch : std::wstring(L"ab"))
        PostMessageW(user->Handle(), WM_CHAR, ch, 1);
    Pump();
    EXPECT_EQ(user->Text(), u"张三ab");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(SendMessageW(pass->Handle(), EM_GETPASSWORDCHAR, 0, 0), L'*');
    pass->SetText(u"secret");
    EXPECT_EQ(pass->Text(), u"secret");
    // Text survives the window being made again.
    pass->RecreateWnd();
    EXPECT_EQ(pass->Text(), u"secret");
    EXPECT_EQ(SendMessageW(pass->Handle(), EM_GETPASSWORDCHAR, 0, 0), L'*');
}

TEST_F(Controls, EnterInAnEditPressesTheDefaultButtonButAMemoKeepsIt)
{
    auto* edit = Add<Edit>();
    auto* memo = Add<Memo>();
    memo->SetTop(40);
    auto* ok = Add<Button>();
    ok->SetTop(200);
    ok->SetDefault(true);
    int clicks = 0;
    ok->OnClick = [&](core::Object*) { ++clicks; };
    auto* cancel = Add<Button>();
    cancel->SetTop(240);
    cancel->SetCancel(true);
    std::u16string typed;
    edit->OnKeyPress = [&](core::Object*, core::Char& key) { typed += key; };
    // The character that follows a key the form took never reaches the edit; the next one does.
    const struct {
        WPARAM key;
        wchar_t ch;
    } taken[] = {{VK_RETURN, L'\r'}, {VK_ESCAPE, 27}};
    for (const auto& c : taken) {
        SendMessageW(edit->Handle(), WM_KEYDOWN, c.key, 1);
        SendMessageW(edit->Handle(), WM_CHAR, c.ch, 1);
        SendMessageW(edit->Handle(), WM_CHAR, L'x', 1);
    }
    EXPECT_EQ(typed, u"xx");
    EXPECT_EQ(clicks, 1);
    SendMessageW(memo->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(clicks, 1);
    memo->Lines().Add(u"PPTP连接：最常用的连接方式");
    memo->Lines().Add(u"second");
    EXPECT_EQ(memo->Lines().Count(), 2);
    EXPECT_EQ(memo->Lines().Get(1), u"second");
    EXPECT_EQ(memo->Text(), u"PPTP连接：最常用的连接方式\r\nsecond");
    memo->Lines().Delete(0);
    EXPECT_EQ(memo->Text(), u"second");
    EXPECT_THROW(memo->Lines().Get(5), core::EStringListError);
}

TEST_F(Controls, KeyPreviewLetsTheFormSeeAndDropKeysFirst)
{
    auto* edit = Add<Edit>();
    form->SetKeyPreview(true);
    form->OnKeyPress = [](core::Object*, core::Char& key) {
        if (key == u'x')
            key = 0;
    };
    SendMessageW(edit->Handle(), WM_CHAR, L'x', 1);
    SendMessageW(edit->Handle(), WM_CHAR, L'y', 1);
    EXPECT_EQ(edit->Text(), u"y");
}

TEST_F(Controls, LabelSizesToItsTextAndItsAcceleratorFocusesItsControl)
{
    auto* label = Add<Label>();
    auto* edit = Add<Edit>();
    edit->SetTop(40);
    label->SetCaption(u"用户名(&U):");
    int shortWidth = label->Width();
    label->SetCaption(u"用户名用户名用户名(&U):");
    EXPECT_GT(label->Width(), shortWidth);
    EXPECT_GT(label->Height(), 0);
    // Right-aligned auto-sized text keeps its right edge.
    auto* right = Add<Label>();
    right->SetAlignment(taRightJustify);
    right->SetBounds(100, 100, 200, 20);
    right->SetCaption(u"选择地区：");
    EXPECT_EQ(right->Left() + right->Width(), 300);
    label->SetFocusControl(edit);
    SendMessageW(form->Handle(), WM_SYSKEYDOWN, 'U', LPARAM(1) | (LPARAM(1) << 29));
    EXPECT_TRUE(edit->Focused());
}

TEST_F(Controls, CheckBoxTogglesOnClickAndRaisesOnClickForEveryChange)
{
    auto* box = Add<CheckBox>();
    box->SetCaption(u"记住密码");
    int clicks = 0;
    box->OnClick = [&](core::Object*) { ++clicks; };
    SendMessageW(box->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    box->SetChecked(false);
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    box->SetChecked(false);
    EXPECT_EQ(clicks, 2);
    box->SetAllowGrayed(true);
    box->Toggle();
    EXPECT_EQ(box->State(), cbGrayed);
}

TEST_F(Controls, RadioButtonsOfOneParentExcludeEachOther)
{
    auto* group = Add<GroupBox>();
    group->SetCaption(u"连接协议");
    auto* pptp = Add<RadioButton>(group);
    pptp->SetCaption(u"PPTP");
    pptp->SetChecked(true);
    auto* l2tp = Add<RadioButton>(group);
    l2tp->SetCaption(u"L2TP");
    l2tp->SetLeft(60);
    auto* elsewhere = Add<RadioButton>();
    elsewhere->SetTop(150);
    elsewhere->SetChecked(true);
    SendMessageW(l2tp->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(l2tp->Checked());
    EXPECT_FALSE(pptp->Checked());
    EXPECT_EQ(SendMessageW(pptp->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_TRUE(elsewhere->Checked());
    EXPECT_EQ(GetParent(pptp->Handle()), group->Handle());
}

TEST_F(Controls, ComboBoxRaisesOnChangeOnlyForTheUsersChoice)
{
    auto* combo = Add<ComboBox>();
    combo->SetStyle(csDropDownList);
    int changes = 0, clicks = 0;
    combo->OnChange = [&](core::Object*) { ++changes; };
    combo->OnClick = [&](core::Object*) { ++clicks; };
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->Items().Add(u"电信节点");
    combo->Items().Add(u"网通节点");
    combo->Items().Add(u"海外节点");
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), u"");
    combo->SetItemIndex(0);
    EXPECT_EQ(combo->Text(), u"电信节点");
    EXPECT_EQ(changes, 0);
    // The user moves down with the keyboard: the window itself reports the selection.
    combo->SetFocus();
    SendMessageW(combo->Handle(), WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), u"网通节点");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(clicks, 1);
    combo->SetItemIndex(7); // out of range: nothing chosen
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->Clear();
    EXPECT_EQ(combo->Items().Count(), 0);
    EXPECT_EQ(SendMessageW(combo->Handle(), CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(changes, 1);
}

TEST_F(Controls, ComboBoxKeyPressMayDropTheKey)
{
    auto* combo = Add<ComboBox>();
    combo->SetStyle(csDropDownList);
    combo->Items().Add(u"alpha");
    combo->Items().Add(u"beta");
    std::vector<core::Char> seen;
    combo->OnKeyPress = [&](core::Object*, core::Char& key) {
        seen.push_back(key);
        key = 0;
    };
    SendMessageW(combo->Handle(), WM_CHAR, L'b', 1);
    EXPECT_EQ(seen, (std::vector<core::Char>{u'b'}));
    EXPECT_EQ(combo->ItemIndex(), -1); // the list never saw the key
    combo->OnKeyPress = nullptr;
    SendMessageW(combo->Handle(), WM_CHAR, L'b', 1);
    EXPECT_EQ(combo->ItemIndex(), 1);
}

TEST_F(Controls, ItemsSetBeforeTheWindowExistsReachIt)
{
    std::unique_ptr<Form> hidden(new Form());
    auto* combo = new ComboBox(hidden.get());
    combo->Items().Add(u"one");
    combo->Items().Add(u"two");
    combo->SetItemIndex(1);
    auto* list = new ListBox(hidden.get());
    list->Items().Add(u"x");
    combo->SetParent(hidden.get());
    list->SetParent(hidden.get());
    EXPECT_EQ(SendMessageW(combo->Handle(), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 1);
}

// Records the WM_SETREDRAW messages its window gets.
template <class Base>
class RedrawCounting : public Base {
public:
    using Base::Base;
    std::vector<WPARAM> redraws;

protected:
    void WndProc(Message& message) override
    {
        if (message.Msg == WM_SETREDRAW)
            redraws.push_back(message.WParam);
        Base::WndProc(message);
    }
};

TEST_F(Controls, ItemListsFilledInAnUpdateRedrawOnceAtTheEnd)
{
    auto* combo = Add<RedrawCounting<ComboBox>>();
    auto* list = Add<RedrawCounting<ListBox>>();
    list->SetTop(40);
    struct Case {
        core::Strings& items;
        std::vector<WPARAM>& redraws;
        HWND window;
        UINT count;
    };
    for (const Case& c : {Case{combo->Items(), combo->redraws, combo->Handle(), CB_GETCOUNT},
                          Case{list->Items(), list->redraws, list->Handle(), LB_GETCOUNT}}) {
        c.items.Add(u"one by one");
        EXPECT_TRUE(c.redraws.empty());
        c.items.BeginUpdate();
        c.items.BeginUpdate();
        c.items.Clear();
        for (int i = 0; i < 500; ++i)
            c.items.Add(u"节点" + core::IntToStr(i));
        c.items.EndUpdate();
        EXPECT_EQ(c.redraws, (std::vector<WPARAM>{FALSE}));
        c.items.EndUpdate();
        EXPECT_EQ(c.redraws, (std::vector<WPARAM>{FALSE, TRUE}));
        EXPECT_EQ(SendMessageW(c.window, c.count, 0, 0), 500);
    }
}

TEST_F(Controls, ListBoxClickFollowsTheUsersSelection)
{
    auto* list = Add<ListBox>();
    for (const char16_t* line : {u"节点1:  time=45 ms", u"节点1:  time<10 ms", u"Request timed out."})
        list->Items().Add(line);
    int clicks = 0;
    list->OnClick = [&](core::Object*) { ++clicks; };
    EXPECT_EQ(list->ItemIndex(), -1);
    list->SetItemIndex(0);
    EXPECT_EQ(clicks, 0);
    list->SetFocus();
    SendMessageW(list->Handle(), WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(clicks, 1);
    list->Items().Delete(0);
    EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 2);
    list->Clear();
    EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(Controls, PanelAndGroupBoxHoldChildrenAndAlignThem)
{
    auto* panel = Add<Panel>();
    panel->SetBevelOuter(bvLowered);
    panel->SetBounds(0, 280, 400, 20);
    panel->SetAlign(alBottom);
    auto* status = Add<Label>(panel);
    status->SetCaption(u"未连接");
    status->SetLeft(6);
    EXPECT_EQ(panel->Top(), 280);
    EXPECT_EQ(panel->Width(), 400);
    form->SetClientSize(500, 350);
    EXPECT_EQ(panel->Top(), 330);
    EXPECT_EQ(panel->Width(), 500);
    auto* group = Add<GroupBox>();
    group->SetBounds(15, 111, 326, 117);
    auto* inner = Add<Panel>(group);
    inner->SetAlign(alClient);
    EXPECT_GT(inner->Top(), 0);
    EXPECT_LT(inner->Width(), 326);
}

TEST_F(Controls, ScrollBoxScrollsChildrenThatDoNotFit)
{
    auto* box = Add<ScrollBox>();
    box->SetBounds(0, 0, 200, 100);
    auto* distant = Add<Button>(box);
    distant->SetBounds(10, 250, 75, 25);
    EXPECT_TRUE(box->VertScrollBar().IsScrollBarVisible());
    EXPECT_FALSE(box->HorzScrollBar().IsScrollBarVisible());
    EXPECT_EQ(box->VertScrollBar().Range(), 275);
    SendMessageW(box->Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(box->VertScrollBar().Position(), 8);
    EXPECT_EQ(distant->Top(), 242);
    box->ScrollInView(distant);
    RECT client = box->ClientRect();
    EXPECT_EQ(distant->Top() + distant->Height(), client.bottom);
    // The wheel reaches the box through the child under the mouse.
    int before = box->VertScrollBar().Position();
    SendMessageW(distant->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(box->VertScrollBar().Position(), before - 24);
    box->VertScrollBar().SetPosition(0);
    EXPECT_EQ(distant->Top(), 250);
}

TEST_F(Controls, SplitterDragResizesItsNeighbour)
{
    auto* left = Add<Panel>();
    left->SetBounds(0, 0, 100, 300);
    left->SetAlign(alLeft);
    auto* splitter = Add<Splitter>();
    splitter->SetLeft(100);
    EXPECT_EQ(splitter->Left(), 100);
    EXPECT_EQ(splitter->FindControl(), left);
    int moved = 0;
    splitter->OnMoved = [&](core::Object*) { ++moved; };
    HWND window = form->Handle();
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(101, 50));
    SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(131, 50));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(131, 50));
    EXPECT_EQ(left->Width(), 130);
    EXPECT_EQ(splitter->Left(), 130);
    EXPECT_EQ(moved, 1);
    // Never below the minimum.
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(131, 50));
    SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, 50));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(0, 50));
    EXPECT_EQ(left->Width(), 30);
}

TEST_F(Controls, StatusBarShowsPanelsAndSimpleText)
{
    auto* bar = Add<StatusBar>();
    for (int width : {200, 220, 200})
        bar->AddPanel()->SetWidth(width);
    bar->Panels(0)->SetText(u"未连接");
    bar->Panels(2)->SetText(u"用户名：test");
    int parts[4]{};
    ASSERT_EQ(SendMessageW(bar->Handle(), SB_GETPARTS, 4, LPARAM(parts)), 3);
    EXPECT_EQ(parts[0], 200);
    EXPECT_EQ(parts[1], 420);
    wchar_t text[64]{};
    SendMessageW(bar->Handle(), SB_GETTEXTW, 0, LPARAM(text));
    EXPECT_EQ(std::wstring(text), L"未连接");
    EXPECT_EQ(bar->Top() + bar->Height(), form->ClientHeight());
    bar->SetSimplePanel(true);
    bar->SetSimpleText(u"");
    EXPECT_TRUE(SendMessageW(bar->Handle(), SB_ISSIMPLE, 0, 0));
    EXPECT_THROW(bar->Panels(3), core::EListError);
}

TEST_F(Controls, StatusBarOwnerDrawnPanelsAreDrawnByTheirEvent)
{
    auto* bar = Add<StatusBar>();
    bar->AddPanel()->SetWidth(100);
    StatusPanel* drawn = bar->AddPanel();
    drawn->SetWidth(80);
    std::vector<std::pair<StatusPanel*, RECT>> calls;
    bar->OnDrawPanel = [&](StatusBar*, StatusPanel* panel, Canvas&, const RECT& r) { calls.push_back({panel, r}); };
    drawn->SetStyle(psOwnerDraw);
    RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().first, drawn);
    EXPECT_GE(calls.back().second.left, 100);
    // A panel back to text is drawn by the system again.
    calls.clear();
    drawn->SetStyle(psText);
    RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(calls.empty());
}

TEST_F(Controls, SpeedButtonsOfAGroupStayDownOneAtATimeAndTrackTheMouse)
{
    auto* a = Add<SpeedButton>();
    auto* b = Add<SpeedButton>();
    b->SetLeft(30);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    a->SetDown(true);
    b->SetDown(true);
    EXPECT_FALSE(a->Down());
    EXPECT_TRUE(b->Down());
    int clicks = 0;
    a->OnClick = [&](core::Object*) { ++clicks; };
    HWND window = form->Handle();
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(a->MouseInControl());
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(a->State(), bsDown);
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(a->Down());
    EXPECT_FALSE(b->Down());
    // Other code resets the hot state through the component message.
    a->Perform(CM_MOUSELEAVE);
    EXPECT_FALSE(a->MouseInControl());
}

} // namespace
} // namespace ui::test

namespace ui::test {
namespace {

TEST_F(Controls, HintsShowWhileTheSwitchIsOnAndTheControlAsksForThem)
{
    auto* connect = Add<Button>();
    connect->SetHint(u"连接|dial the chosen node");
    connect->SetShowHint(true);
    auto* quiet = Add<Button>();
    quiet->SetTop(40);
    quiet->SetHint(u"never shown");
    quiet->SetShowHint(false); // its own setting from now on
    App().SetHintPause(0);
    SendMessageW(connect->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(App().HintControl(), connect);
    EXPECT_EQ(App().HintText(), u"连接");
    SendMessageW(quiet->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(App().HintControl(), nullptr);
    // The switch off: nothing shows, also for a control that asks.
    App().SetShowHint(false);
    SendMessageW(connect->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(App().HintControl(), nullptr);
    App().SetShowHint(true);
    App().SetHintPause(500);
    // Children follow their parent's setting unless they have their own.
    form->SetShowHint(true);
    auto* child = Add<Button>();
    EXPECT_TRUE(child->ShowHint());
    EXPECT_FALSE(quiet->ShowHint());
}

} // namespace
} // namespace ui::test
