// Forms driven by real messages: modal loops ended by Enter, Esc, Close and buttons; close queries;
// accelerators of buttons outside the visible area; menu shortcuts of hidden items; minimising.
#include "ui/test/uitest.h"
#include "ui/bitmap.h"
#include "ui/button.h"
#include "ui/menu.h"

namespace ui::test {
namespace {

// A login-like form: an edit-less form with a default and a cancel button.
struct DialogForm {
    std::unique_ptr<Form> form{new Form()};
    Button* ok = nullptr;
    Button* cancel = nullptr;
    int okClicks = 0, cancelClicks = 0;

    DialogForm()
    {
        form->SetBorderStyle(bsSingle);
        form->SetBorderIcons(0);
        form->SetPosition(poScreenCenter);
        form->SetClientSize(356, 312);
        ok = new Button(form.get());
        ok->SetParent(form.get());
        ok->SetCaption(u"登  陆");
        ok->SetBounds(41, 252, 85, 27);
        ok->SetDefault(true);
        ok->SetModalResult(mrOk);
        ok->OnClick = [this](core::Object*) { ++okClicks; };
        cancel = new Button(form.get());
        cancel->SetParent(form.get());
        cancel->SetCaption(u"关  闭");
        cancel->SetBounds(227, 252, 85, 27);
        cancel->SetCancel(true);
        cancel->OnClick = [this](core::Object*) {
            ++cancelClicks;
            form->Close();
        };
    }
};

using Forms = UiTest;

TEST_F(Forms, EnterAndEscOnAModalFormPressTheDefaultAndCancelButtons)
{
    struct Case {
        WPARAM key;
        int result;
        int ok, cancel;
    };
    for (const Case& c : {Case{VK_RETURN, mrOk, 1, 0}, Case{VK_ESCAPE, mrCancel, 0, 1}}) {
        DialogForm dialog;
        // The key waits in the queue before the modal loop starts: the loop is what handles it.
        PostMessageW(dialog.form->Handle(), WM_KEYDOWN, c.key, 1);
        EXPECT_EQ(dialog.form->ShowModal(), c.result);
        EXPECT_EQ(dialog.okClicks, c.ok);
        EXPECT_EQ(dialog.cancelClicks, c.cancel);
        EXPECT_FALSE(dialog.form->Visible());
        EXPECT_FALSE(IsWindowVisible(dialog.form->Handle()));
    }
}

TEST_F(Forms, ModalFormIsCentredAndDisablesTheOtherWindows)
{
    std::unique_ptr<Form> other(new Form());
    other->Show();
    DialogForm dialog;
    bool otherEnabled = true;
    RECT bounds{};
    dialog.ok->SetModalResult(mrNone);
    dialog.ok->OnClick = [&](core::Object*) {
        otherEnabled = IsWindowEnabled(other->Handle());
        GetWindowRect(dialog.form->Handle(), &bounds);
        dialog.form->SetModalResult(mrYes);
    };
    PostMessageW(dialog.ok->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.form->ShowModal(), mrYes);
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(IsWindowEnabled(other->Handle()));
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_NEAR((bounds.left + bounds.right) / 2, (area.left + area.right) / 2, 2);
    EXPECT_NEAR((bounds.top + bounds.bottom) / 2, (area.top + area.bottom) / 2, 2);
    RECT client{};
    GetClientRect(dialog.form->Handle(), &client);
    EXPECT_EQ(client.right, 356);
    EXPECT_EQ(client.bottom, 312);
    // No title-bar buttons.
    EXPECT_EQ(GetWindowLongPtrW(dialog.form->Handle(), GWL_STYLE) & WS_SYSMENU, 0);
}

TEST_F(Forms, CloseQueryRefusesUntilAllowedAndOnCloseSeesEveryClose)
{
    DialogForm dialog;
    int queries = 0, closes = 0;
    dialog.form->OnCloseQuery = [&](core::Object*, bool& canClose) { canClose = ++queries >= 2; };
    dialog.form->OnClose = [&](core::Object*, CloseAction&) { ++closes; };
    // Two system close commands: the first is refused, the second closes.
    PostMessageW(dialog.form->Handle(), WM_CLOSE, 0, 0);
    PostMessageW(dialog.form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(dialog.form->ShowModal(), mrCancel);
    EXPECT_EQ(queries, 2);
    EXPECT_EQ(closes, 1);
}

TEST_F(Forms, CloseActionNoneKeepsAModalFormOpen)
{
    DialogForm dialog;
    int closes = 0;
    dialog.form->OnClose = [&](core::Object*, CloseAction& action) {
        if (++closes == 1)
            action = caNone;
    };
    PostMessageW(dialog.form->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(dialog.form->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(dialog.form->ShowModal(), mrCancel);
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(dialog.cancelClicks, 2);
}

TEST_F(Forms, ShowingAVisibleFormModallyIsRefused)
{
    DialogForm dialog;
    dialog.form->Show();
    EXPECT_THROW(dialog.form->ShowModal(), core::EInvalidOperation);
}

TEST_F(Forms, AltAcceleratorPressesAButtonOutsideTheVisibleArea)
{
    std::unique_ptr<Form> form(new Form());
    form->SetClientSize(696, 415);
    auto* relay = new Button(form.get());
    relay->SetParent(form.get());
    relay->SetCaption(u"启用中转(&Z)");
    relay->SetBounds(760, 20, 75, 25);
    auto* other = new Button(form.get());
    other->SetParent(form.get());
    other->SetCaption(u"连接");
    int relayClicks = 0, otherClicks = 0;
    relay->OnClick = [&](core::Object*) { ++relayClicks; };
    other->OnClick = [&](core::Object*) { ++otherClicks; };
    form->Show();
    // Alt+Z arrives at whatever control has the focus.
    SendMessageW(other->Handle(), WM_SYSKEYDOWN, 'Z', LPARAM(1) | (LPARAM(1) << 29));
    EXPECT_EQ(relayClicks, 1);
    EXPECT_EQ(otherClicks, 0);
    // A key without an accelerator does nothing; a disabled button ignores its own.
    SendMessageW(other->Handle(), WM_SYSKEYDOWN, 'Q', LPARAM(1) | (LPARAM(1) << 29));
    relay->SetEnabled(false);
    SendMessageW(form->Handle(), WM_SYSKEYDOWN, 'Z', LPARAM(1) | (LPARAM(1) << 29));
    EXPECT_EQ(relayClicks, 1);
}

struct MenuForm {
    std::unique_ptr<Form> form{new Form()};
    MainMenu* menu = nullptr;
    MenuItem* help = nullptr;   // visible submenu
    MenuItem* notice = nullptr; // hidden item, Ctrl+L
    MenuItem* settings = nullptr; // hidden submenu
    MenuItem* forced = nullptr;   // visible item inside the hidden submenu, Ctrl+K
    Button* focus = nullptr;
    std::vector<core::String> clicked;

    MenuItem* Item(core::StringView caption, ShortCut shortcut, bool visible)
    {
        auto* item = new MenuItem(form.get());
        item->SetCaption(caption);
        item->SetShortCut(shortcut);
        item->SetVisible(visible);
        item->OnClick = [this, item](core::Object*) { clicked.push_back(item->Caption()); };
        return item;
    }

    MenuForm()
    {
        menu = new MainMenu(form.get());
        help = Item(u"帮助中心(&H)", scNone, true);
        help->OnClick = nullptr;
        notice = Item(u"用户须知", scCtrl | 'L', false);
        settings = Item(u"系统设置(&O)", scNone, false);
        settings->OnClick = nullptr;
        forced = Item(u"L2TP强制生效", scCtrl | 'K', true);
        menu->Items()->Add(help);
        help->Add(notice);
        menu->Items()->Add(settings);
        settings->Add(forced);
        form->SetMenu(menu);
        focus = new Button(form.get());
        focus->SetParent(form.get());
        form->Show();
    }
};

TEST_F(Forms, ShortcutOfAHiddenMenuItemStillActs)
{
    MenuForm f;
    // Only the visible item is in the system's menu bar.
    HMENU bar = GetMenu(f.form->Handle());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetMenuItemCount(bar), 1);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 0)), 0);
    {
        KeysDown ctrl{VK_CONTROL};
        SendMessageW(f.focus->Handle(), WM_KEYDOWN, 'L', 1);
        SendMessageW(f.focus->Handle(), WM_KEYDOWN, 'K', 1);
        SendMessageW(f.focus->Handle(), WM_KEYDOWN, 'J', 1);
    }
    EXPECT_EQ(f.clicked, (std::vector<core::String>{u"用户须知", u"L2TP强制生效"}));
    // Without Ctrl the letter is no shortcut; a disabled item's shortcut does nothing.
    f.clicked.clear();
    SendMessageW(f.focus->Handle(), WM_KEYDOWN, 'L', 1);
    f.notice->SetEnabled(false);
    {
        KeysDown ctrl{VK_CONTROL};
        SendMessageW(f.focus->Handle(), WM_KEYDOWN, 'L', 1);
    }
    EXPECT_TRUE(f.clicked.empty());
}

TEST_F(Forms, MenuCommandRunsItsItemAndMenuChangesRebuildTheBar)
{
    MenuForm f;
    f.notice->SetVisible(true);
    HMENU bar = GetMenu(f.form->Handle());
    HMENU sub = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(sub), 1);
    wchar_t text[64]{};
    GetMenuStringW(sub, 0, text, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), L"用户须知\tCtrl+L");
    UINT id = GetMenuItemID(sub, 0);
    SendMessageW(f.form->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    EXPECT_EQ(f.clicked, (std::vector<core::String>{u"用户须知"}));
}

TEST_F(Forms, OwnerDrawnMenuItemIsMeasuredAndDrawnByItsEvents)
{
    MenuForm f;
    int measured = 0, drawn = 0;
    f.notice->SetVisible(true);
    f.notice->OnMeasureItem = [&](core::Object*, Canvas&, int& width, int& height) {
        ++measured;
        width = 120;
        height = 30;
    };
    f.notice->OnDrawItem = [&](core::Object*, Canvas&, RECT, bool) { ++drawn; };
    f.notice->SetCaption(u"用户须知 ");
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = f.notice->Command();
    measure.itemData = f.notice->Command();
    SendMessageW(f.form->Handle(), WM_MEASUREITEM, 0, LPARAM(&measure));
    EXPECT_EQ(measured, 1);
    EXPECT_EQ(measure.itemWidth, 120u);
    EXPECT_EQ(measure.itemHeight, 30u);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemID = f.notice->Command();
    draw.itemData = f.notice->Command();
    draw.hDC = GetDC(f.form->Handle());
    SendMessageW(f.form->Handle(), WM_DRAWITEM, 0, LPARAM(&draw));
    ReleaseDC(f.form->Handle(), draw.hDC);
    EXPECT_EQ(drawn, 1);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(GetSubMenu(GetMenu(f.form->Handle()), 0), 0, TRUE, &info);
    EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
}

TEST_F(Forms, OwnerDrawMenusAndTheAdvancedDrawEvent)
{
    MenuForm f;
    f.notice->SetVisible(true);
    auto* line = f.Item(u"-", scNone, true);
    f.help->Add(line);
    auto typeOf = [&](int position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoW(GetSubMenu(GetMenu(f.form->Handle()), 0), UINT(position), TRUE, &info);
        return info.fType;
    };
    EXPECT_FALSE(typeOf(0) & MFT_OWNERDRAW) << "plain until asked";
    f.menu->SetOwnerDraw(true);
    EXPECT_TRUE(typeOf(0) & MFT_OWNERDRAW);
    EXPECT_EQ(typeOf(1) & (MFT_OWNERDRAW | MFT_SEPARATOR), UINT(MFT_OWNERDRAW | MFT_SEPARATOR));

    // The advanced event gets the whole state and wins over the plain one.
    OwnerDrawState seen = 0;
    int plain = 0;
    f.notice->OnDrawItem = [&](core::Object*, Canvas&, RECT, bool) { ++plain; };
    f.notice->OnAdvancedDrawItem = [&](core::Object*, Canvas&, RECT, OwnerDrawState state) { seen = state; };
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemData = f.notice->Command();
    draw.itemState = ODS_SELECTED | ODS_HOTLIGHT | ODS_NOACCEL | ODS_DEFAULT;
    draw.hDC = GetDC(f.form->Handle());
    SendMessageW(f.form->Handle(), WM_DRAWITEM, 0, LPARAM(&draw));
    ReleaseDC(f.form->Handle(), draw.hDC);
    EXPECT_EQ(seen, odSelected | odHotLight | odNoAccel | odDefault);
    EXPECT_EQ(plain, 0);

    // The additive properties keep their values and rebuild nothing they need not.
    f.notice->SetGroupIndex(3);
    f.notice->SetImageIndex(2);
    EXPECT_EQ(f.notice->GroupIndex(), 3);
    EXPECT_EQ(f.notice->ImageIndex(), 2);
    Bitmap glyph(12, 10);
    f.notice->SetBitmap(&glyph);
    ASSERT_NE(f.notice->Bitmap(), nullptr);
    EXPECT_EQ(f.notice->Bitmap()->Width(), 12);
    f.notice->SetBitmap(nullptr);
    EXPECT_EQ(f.notice->Bitmap(), nullptr);
    PopupMenu popup;
    EXPECT_EQ(popup.WindowHandle(), App().Handle());
    EXPECT_EQ(popup.MenuAnimation(), 0u);
    EXPECT_FALSE(popup.OwnerDraw());
}

TEST_F(Forms, PopupMenuShowsAndClosesWithoutAChoice)
{
    std::unique_ptr<Form> form(new Form());
    auto* popup = new PopupMenu(form.get());
    auto* item = new MenuItem(form.get());
    item->SetCaption(u"显示主界面");
    popup->Items()->Add(item);
    int popups = 0;
    popup->OnPopup = [&](core::Object*) {
        ++popups;
        // The menu loop would wait for the user: a timer closes it.
        SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            EndMenu();
        });
    };
    SetForegroundWindow(App().Handle());
    popup->Popup(100, 100);
    EXPECT_EQ(popups, 1);
}

TEST_F(Forms, MinimisingTheMainFormMinimisesTheApplicationAndRaisesItsEvents)
{
    std::unique_ptr<Form> form(new Form());
    App().SetMainForm(form.get());
    int minimised = 0, restored = 0;
    App().OnMinimize = [&](core::Object*) { ++minimised; };
    App().OnRestore = [&](core::Object*) { ++restored; };
    form->Show();
    SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(minimised, 1);
    EXPECT_TRUE(App().IsMinimized());
    EXPECT_TRUE(IsIconic(form->Handle()));
    App().Restore();
    EXPECT_EQ(restored, 1);
    EXPECT_FALSE(IsIconic(form->Handle()));
    App().OnMinimize = nullptr;
    App().OnRestore = nullptr;
    App().SetMainForm(nullptr);
}

TEST_F(Forms, TabMovesTheFocusAndFocusChangesRaiseEnterAndExit)
{
    std::unique_ptr<Form> form(new Form());
    auto* first = new Button(form.get());
    first->SetParent(form.get());
    auto* second = new Button(form.get());
    second->SetParent(form.get());
    second->SetTop(40);
    std::vector<std::string> events;
    first->OnEnter = [&](core::Object*) { events.push_back("enter first"); };
    first->OnExit = [&](core::Object*) { events.push_back("exit first"); };
    second->OnEnter = [&](core::Object*) { events.push_back("enter second"); };
    int focusChanges = 0;
    WndMethod previous = second->WindowProc();
    second->SetWindowProc([&](Message& m) {
        if (m.Msg == CM_FOCUSCHANGED)
            ++focusChanges;
        previous(m);
    });
    form->Show();
    first->SetFocus();
    SendMessageW(first->Handle(), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_TRUE(second->Focused());
    EXPECT_EQ(form->ActiveControl(), second);
    EXPECT_EQ(events, (std::vector<std::string>{"enter first", "exit first", "enter second"}));
    EXPECT_GE(focusChanges, 2);
}

TEST_F(Forms, MainFormCloseTerminatesAndRunEnds)
{
    Form* form = App().CreateForm<Form>();
    EXPECT_EQ(App().MainForm(), form);
    int closes = 0;
    form->OnClose = [&](core::Object*, CloseAction& action) {
        ++closes;
        EXPECT_EQ(action, caFree);
    };
    PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
    App().Run();
    EXPECT_TRUE(App().Terminated());
    EXPECT_EQ(closes, 1);
    App().ClearTerminated();
    delete form;
    EXPECT_EQ(App().MainForm(), nullptr);
}

} // namespace
} // namespace ui::test

namespace ui::test {
namespace {

class EventForm : public Form {
public:
    EventForm(core::Component* owner, std::vector<std::string>& log) : Form(owner), m_log(log)
    {
        OnCreate = [this](core::Object*) { m_log.push_back("create " + Ready()); };
        OnShow = [this](core::Object*) { m_log.push_back("show"); };
        OnHide = [this](core::Object*) { m_log.push_back("hide"); };
        OnDestroy = [this](core::Object*) { m_log.push_back("destroy " + Ready()); };
    }

private:
    // The derived part exists while the events run.
    std::string Ready() const { return m_marker; }
    std::vector<std::string>& m_log;
    std::string m_marker = "whole";
};

TEST_F(Forms, FormEventsRunWhileTheWholeFormExists)
{
    std::vector<std::string> log;
    auto* form = App().CreateForm<EventForm>(log);
    App().SetMainForm(nullptr);
    form->Show();
    form->Hide();
    form->Release();
    Pump();
    EXPECT_EQ(log, (std::vector<std::string>{"create whole", "show", "hide", "destroy whole"}));
}

TEST_F(Forms, BorderStylesAndAlwaysOnTopReachTheWindow)
{
    struct Case {
        FormBorderStyle border;
        DWORD style;
        DWORD absent;
        DWORD exStyle;
    };
    for (const Case& c : {Case{bsSingle, WS_CAPTION, WS_THICKFRAME, 0}, Case{bsSizeable, WS_THICKFRAME, 0, 0},
                          Case{bsNone, WS_POPUP, WS_CAPTION, 0}, Case{bsToolWindow, WS_CAPTION, WS_THICKFRAME, WS_EX_TOOLWINDOW}}) {
        std::unique_ptr<Form> form(new Form());
        form->SetBorderStyle(c.border);
        form->SetFormStyle(fsStayOnTop);
        HWND h = form->Handle();
        auto style = DWORD(GetWindowLongPtrW(h, GWL_STYLE));
        auto exStyle = DWORD(GetWindowLongPtrW(h, GWL_EXSTYLE));
        EXPECT_EQ(style & c.style, c.style) << c.border;
        EXPECT_EQ(style & c.absent, 0u) << c.border;
        EXPECT_EQ(exStyle & c.exStyle, c.exStyle) << c.border;
        EXPECT_TRUE(exStyle & WS_EX_TOPMOST) << c.border;
    }
}

TEST_F(Forms, SystemClockTimerTicksInTheMessageLoop)
{
    TimerClockGuard system(SystemTimerClock());
    Timer timer;
    timer.SetInterval(10);
    int ticks = 0;
    timer.SetOnTimer([&](core::Object*) {
        if (++ticks == 2)
            throw core::Exception(u"tick failed");
    });
    for (int i = 0; i < 300 && ticks < 3; ++i) {
        App().ProcessMessages();
        Sleep(2);
    }
    EXPECT_GE(ticks, 3);
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_EQ(m_errors[0], u"tick failed");
    timer.SetEnabled(false);
    int stopped = ticks;
    for (int i = 0; i < 10; ++i) {
        App().ProcessMessages();
        Sleep(5);
    }
    EXPECT_EQ(ticks, stopped);
}

} // namespace
} // namespace ui::test

namespace ui::test {
namespace {

TEST_F(Forms, ShownFormFocusesItsFirstControlInTabOrder)
{
    DialogForm dialog;
    dialog.cancel->SetTabOrder(0);
    dialog.form->Show();
    EXPECT_TRUE(dialog.cancel->Focused());
    EXPECT_EQ(dialog.form->ActiveControl(), dialog.cancel);
}

} // namespace
} // namespace ui::test
