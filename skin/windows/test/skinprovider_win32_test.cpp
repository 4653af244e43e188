// The form skin provider on real forms: what reaches the form's previous window method with and
// without a skin, the hit test of the skinned title bar, title-button clicks, double clicks, the
// system menu, the maximised size, snapping, the border resize mode, the control adapter and the
// skin state's provider steps.
#include "core/stringlist.h"
#include "skin/engine/commondata.h"
#include "skin/engine/formutils.h"
#include "skin/engine/graphutils.h"
#include "skin/windows/ctrladapter.h"
#include "skin/windows/scrollwnd.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/sysmenu.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "ui/application.h"
#include "ui/edit.h"
#include "ui/hintwindow.h"
#include "ui/label.h"
#include "ui/propinfo.h"
#include "ui/test/uitest.h"

#include <map>
#include <vector>

namespace skin {
namespace {

using namespace skin::testing;

constexpr uint32_t kFormColor = 0x203040, kFormHotColor = 0x405060;

// The window test skin with a "FORM" section, class lists and rules a test can change.
class FormTestManager : public WindowTestSkinManager {
public:
    FormTestManager()
    {
        // The window test skin's "FORM" with colours of this test's own.
        SectionData& form = gd[size_t(GetSkinIndex(u"FORM"))];
        form.Color = kFormColor;
        form.HotColor = kFormHotColor;
        lists[0].Add(u"TEdit");
    }
    TacSkinningRules SkinningRules() const override { return rules; }
    const core::StringList* ThirdList(int type) const override { return type >= 0 && type < 18 ? &lists[type] : nullptr; }

    TacSkinningRules rules = kAllSkinningRules;
    core::StringList lists[18];
};

// Logs what reaches the form's previous window method; WM_SYSCOMMAND is swallowed unless passed.
struct MessageLog {
    std::vector<ui::Message> seen;
    bool passSysCommands = false;
    int Count(UINT msg) const
    {
        int n = 0;
        for (const ui::Message& m : seen)
            n += m.Msg == msg;
        return n;
    }
    std::vector<WPARAM> SysCommands() const
    {
        std::vector<WPARAM> out;
        for (const ui::Message& m : seen)
            if (m.Msg == WM_SYSCOMMAND)
                out.push_back(m.WParam & 0xFFF0);
        return out;
    }
};

class SkinProviderTest : public ui::test::UiTest {
protected:
    SkinProviderTest()
    {
        InitSkinEngine();
        InitWindowSkinning();
        InitSkinCommand();
        form = std::make_unique<ui::Form>(nullptr);
        form->SetBounds(100, 100, 400, 300);
        form->HandleNeeded();
        ui::WndMethod previous = form->WindowProc();
        form->SetWindowProc([this, previous](ui::Message& m) {
            log.seen.push_back(m);
            if (m.Msg == WM_SYSCOMMAND && !log.passSysCommands)
                return;
            previous(m);
        });
    }
    ~SkinProviderTest() override
    {
        provider = nullptr;
        form.reset();
        SetDefaultManager(nullptr);
        DoneWindowSkinning();
        DoneSkinEngine();
    }

    // A provider on the form, skinned by the test manager when skinned is set.
    void Attach(bool skinned)
    {
        if (skinned)
            SetDefaultManager(&manager);
        provider = new TsSkinProvider(form.get());
        provider->AfterConstruction();
        form->Show();
        Pump();
        log.seen.clear();
    }
    LRESULT Send(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0) { return SendMessageW(form->Handle(), msg, wparam, lparam); }
    // A point of the window (window coordinates) on the screen.
    POINT Screen(int x, int y) const
    {
        RECT r{};
        GetWindowRect(form->HandleIfAllocated(), &r);
        return {r.left + x, r.top + y};
    }
    static LPARAM Pack(POINT p) { return MAKELPARAM(p.x, p.y); }
    static POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    int HitAt(int x, int y) { return int(Send(WM_NCHITTEST, 0, Pack(Screen(x, y)))); }

    FormTestManager manager;
    std::unique_ptr<ui::Form> form;
    TsSkinProvider* provider = nullptr;
    MessageLog log;
};

// ---- Without a skin ----

TEST_F(SkinProviderTest, WithoutAManagerMessagesPassUnchangedButTheAnsweredSubCodes)
{
    Attach(false);
    struct Case {
        UINT msg;
        WPARAM wparam;
        LPARAM lparam;
    } passed[] = {
        {WM_NCHITTEST, 0, Pack(Screen(200, 10))}, {WM_SETTINGCHANGE, 0, 0}, {ui::CM_COLORCHANGED, 0, 0},
        {WM_ENTERIDLE, 0, 0}, {WM_REGION_PROBE, 0x41A2, 0}, {SM_SKINCMD, SkinWParam(scSkinRefresh), 0},
        {SM_SKINCMD, SkinWParam(scGetBgColor), 0}, {WM_PRINTCLIENT, 0, 0},
    };
    for (const Case& c : passed) {
        log.seen.clear();
        Send(c.msg, c.wparam, c.lparam);
        ASSERT_EQ(log.seen.size(), 1u) << std::hex << c.msg;
        EXPECT_EQ(log.seen[0].WParam, c.wparam) << std::hex << c.msg;
        EXPECT_EQ(log.seen[0].LParam, c.lparam) << std::hex << c.msg;
    }
    log.seen.clear();
    EXPECT_EQ(Send(SM_SKINCMD, SkinWParam(scGetProvider)), LRESULT(static_cast<FormSkinProvider*>(provider)));
    EXPECT_EQ(ProviderOf(form.get()), provider);
    EXPECT_EQ(Send(SM_SKINCMD, SkinWParam(scIsSkinAware)), 1);
    EXPECT_EQ(Send(SM_SKINCMD, SkinWParam(scGetApplication)), ApplicationAnswer());
    provider->SkinData()->CtrlSkinState = 5;
    EXPECT_EQ(Send(SM_SKINCMD, SkinWParam(scCtrlSkinState)), 5);
    const LRESULT offset = Send(SM_SKINCMD, SkinWParam(scGetClientOffset));
    EXPECT_EQ(LOWORD(offset), provider->OffsetX());
    EXPECT_EQ(HIWORD(offset), provider->OffsetY());
    EXPECT_GT(provider->OffsetY(), provider->OffsetX());
    TacBGQuery query;
    Send(SM_SKINCMD, SkinWParam(scGetBackground), LPARAM(&query));
    EXPECT_EQ(log.seen.size(), 0u);
    EXPECT_EQ(query.BgType, 1); // a plain colour without a skin
    // Sub-code 2 of a manager is handed to the children, not to the form's method.
    auto* edit = new ui::Edit(form.get());
    edit->SetParent(form.get());
    edit->HandleNeeded();
    Send(SM_SKINCMD, SkinWParam(scSkinRemoved), LPARAM(&manager));
    EXPECT_EQ(log.Count(SM_SKINCMD), 0);
}

TEST_F(SkinProviderTest, TheNewestProviderWinsAndEachGivesTheFormItsMethodBack)
{
    Attach(false);
    auto* second = new TsSkinProvider(form.get());
    provider = second;
    int providers = 0;
    for (int i = 0; i < form->ComponentCount(); ++i)
        providers += dynamic_cast<TsSkinProvider*>(form->Components(i)) != nullptr;
    EXPECT_EQ(providers, 1);
    EXPECT_EQ(ProviderOf(form.get()), second);
    EXPECT_EQ(SkinnedForms().size(), 1u);
    delete second;
    provider = nullptr;
    EXPECT_TRUE(SkinnedForms().empty());
    log.seen.clear();
    // The logging method is the form's again: the skin command goes straight to it, unanswered.
    EXPECT_EQ(Send(SM_SKINCMD, SkinWParam(scIsSkinAware)), 0);
    EXPECT_EQ(log.Count(SM_SKINCMD), 1);
}

// ---- Skinned ----

TEST_F(SkinProviderTest, SkinnedStateAnswersTheFormColourAndSwallowsWhatTheSkinOwns)
{
    Attach(true);
    ASSERT_TRUE(provider->SkinData()->Skinned(true));
    EXPECT_EQ(Send(SM_SKINCMD, SkinWParam(scGetBgColor)), LRESULT(provider->FormActive ? kFormHotColor : kFormColor));
    // The system's caption buttons are gone: the provider owes WS_SYSMENU back.
    EXPECT_FALSE(GetWindowLongPtrW(form->Handle(), GWL_STYLE) & WS_SYSMENU);
    EXPECT_TRUE(provider->HaveSysMenu);
    for (UINT msg : {UINT(WM_PRINTCLIENT), UINT(WM_ENTERIDLE), UINT(WM_REGION_PROBE), ui::CM_INVALIDATE,
                     ui::CM_RECREATEWND, ui::CM_COLORCHANGED}) {
        log.seen.clear();
        EXPECT_EQ(Send(msg, msg == WM_REGION_PROBE ? 0x41A2 : 0), 0) << std::hex << msg;
        EXPECT_EQ(log.seen.size(), 0u) << std::hex << msg;
    }
    // WM_SETREDRAW counts its nesting and never goes below 0.
    Send(WM_SETREDRAW, 1);
    EXPECT_EQ(provider->LockCount, 0);
    Send(WM_SETREDRAW, 0);
    Send(WM_SETREDRAW, 0);
    EXPECT_EQ(provider->LockCount, 2);
    Send(WM_SETREDRAW, 1);
    Send(WM_SETREDRAW, 1);
    EXPECT_EQ(provider->LockCount, 0);
    // Removing the skin gives the style back and returns to passing messages on.
    Send(SM_SKINCMD, SkinWParam(scSkinRemoved), LPARAM(&manager));
    EXPECT_TRUE(GetWindowLongPtrW(form->Handle(), GWL_STYLE) & WS_SYSMENU);
}

TEST_F(SkinProviderTest, EngineStepsOfAProvidersSkinState)
{
    Attach(true);
    TsCommonData* data = provider->SkinData();
    form->SetColor(ui::Color(0x112233));
    data->SetCustomColor(true);
    // Unskinned colour answers of a provider's state are its form's colour.
    EXPECT_EQ(data->GetBgColor(0, nullptr), 0x112233u);
    data->SetCustomColor(false);
    EXPECT_EQ(data->GetBgColor(0, nullptr), kFormColor);
    // Begin and end of an update are announced to the form's window.
    SetDefaultManager(nullptr);
    log.seen.clear();
    data->BeginUpdate();
    data->EndUpdate();
    std::vector<int> codes;
    for (const ui::Message& m : log.seen)
        if (m.Msg == SM_SKINCMD)
            codes.push_back(SubCodeOf(m.WParam));
    EXPECT_EQ(codes, (std::vector<int>{scBeginUpdate, scEndUpdate}));
    // A new section of a provider's state marks its background changed.
    data->BGChanged = false;
    data->SetSkinSection(u"FORMX");
    EXPECT_TRUE(data->BGChanged);
}

TEST_F(SkinProviderTest, HitTestOfTheSkinnedTitleBar)
{
    form->SetBorderIcons(ui::biSystemMenu | ui::biMinimize | ui::biMaximize | ui::biHelp);
    Attach(true);
    provider->SetGripMode(gmRightBottom);
    TsTitleButton user;
    user.GlyphWidth = 16;
    provider->TitleButtons().push_back(user);
    provider->UpdateButtonRects();
    const int frame = GetSystemMetrics(SM_CXFRAME);
    const Rect icon = provider->TitleIconRect();
    struct Case {
        const char* what;
        POINT p;
        int code;
    } cases[] = {
        {"close", Centre(provider->ButtonClose.Rect), HTCLOSE},
        {"max", Centre(provider->ButtonMax.Rect), HTMAXBUTTON},
        {"min", Centre(provider->ButtonMin.Rect), HTMINBUTTON},
        {"user button", Centre(provider->TitleButtons()[0].BtnData.Rect), 1000},
        {"caption", {150, frame + 5}, HTCAPTION},
        {"icon", {(icon.Left + icon.Right) / 2, (icon.Top + icon.Bottom) / 2}, HTSYSMENU},
        {"left border", {1, 150}, HTLEFT},
        {"right border", {398, 150}, HTRIGHT},
        {"bottom border", {200, 298}, HTBOTTOM},
        {"top left", {1, 1}, HTTOPLEFT},
        {"grip", {400 - frame - 3, 300 - frame - 3}, HTBOTTOMRIGHT},
        {"client", {200, 150}, HTCLIENT},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HitAt(c.p.x, c.p.y), c.code) << c.what;
        if (c.code == HTCLOSE || c.code == HTMAXBUTTON || c.code == HTMINBUTTON || c.code == 1000) {
            EXPECT_EQ(provider->CurrentHT, c.code) << c.what << ": the button is hot";
        }
    }
    // Leaving the window clears the hot button.
    HitAt(Centre(provider->ButtonClose.Rect).x, Centre(provider->ButtonClose.Rect).y);
    EXPECT_EQ(provider->ButtonClose.State, 1);
    Send(WM_MOUSELEAVE);
    EXPECT_EQ(provider->CurrentHT, 0);
    EXPECT_EQ(provider->ButtonClose.State, 0);
}

TEST_F(SkinProviderTest, UserTitleButtonsShowTheirHintsWhileHot)
{
    Attach(true);
    core::String long_hint;
    for (int i = 0; i < 80; ++i)
        long_hint += u"wide words ";
    for (const core::String& hint : {core::String(u"Pin"), core::String(), long_hint}) {
        TsTitleButton user;
        user.GlyphWidth = 16;
        user.Hint = hint;
        provider->TitleButtons().push_back(user);
    }
    provider->UpdateButtonRects();
    auto hover = [&](size_t i) {
        const POINT p = Centre(provider->TitleButtons()[i].BtnData.Rect);
        return HitAt(p.x, p.y);
    };
    EXPECT_EQ(hover(0), 1000);
    ASSERT_NE(provider->TitleButtonHint(), nullptr);
    EXPECT_EQ(provider->TitleButtonHint()->HintText(), u"Pin");
    HWND shown = provider->TitleButtonHint()->Handle();
    EXPECT_TRUE(IsWindowVisible(shown));
    // The caption takes the hint away; a button without a hint shows none.
    HitAt(150, GetSystemMetrics(SM_CYFRAME) + 5);
    EXPECT_EQ(provider->TitleButtonHint(), nullptr);
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_EQ(hover(1), 1001);
    EXPECT_EQ(provider->TitleButtonHint(), nullptr);
    // A long hint wraps within 800 pixels and stays on the work area.
    EXPECT_EQ(hover(2), 1002);
    ASSERT_NE(provider->TitleButtonHint(), nullptr);
    shown = provider->TitleButtonHint()->Handle();
    RECT r{};
    GetWindowRect(shown, &r);
    EXPECT_LE(r.right - r.left, 800 + 2 * GetSystemMetrics(SM_CXBORDER) + 8);
    EXPECT_GT(r.bottom - r.top, GetSystemMetrics(SM_CYMENU));
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(r.right, work.right);
    EXPECT_LE(r.bottom, work.bottom);
    // A press on the button takes it away; so does the form going while it is up.
    const POINT p = Screen(Centre(provider->TitleButtons()[2].BtnData.Rect).x, Centre(provider->TitleButtons()[2].BtnData.Rect).y);
    Send(WM_NCLBUTTONDOWN, 1002, Pack(p));
    EXPECT_EQ(provider->TitleButtonHint(), nullptr);
    Send(WM_LBUTTONUP, 0, 0);
    ReleaseCapture();
    EXPECT_EQ(hover(0), 1000);
    shown = provider->TitleButtonHint()->Handle();
    provider = nullptr;
    form.reset();
    EXPECT_FALSE(IsWindow(shown));
}

TEST_F(SkinProviderTest, MenuBandOfAFormWithAMainMenu)
{
    ui::MainMenu menu(form.get());
    auto* item = new ui::MenuItem(&menu);
    item->SetCaption(u"File");
    menu.Items()->Add(item);
    form->SetMenu(&menu);
    Attach(true);
    RECT w{}, c{};
    GetWindowRect(form->Handle(), &w);
    GetClientRect(form->Handle(), &c);
    POINT client{0, 0};
    ClientToScreen(form->Handle(), &client);
    const int menuY = client.y - w.top - GetSystemMetrics(SM_CYMENU) / 2;
    EXPECT_EQ(HitAt(100, menuY), HTMENU);
}

TEST_F(SkinProviderTest, PressAndReleaseOfEachButtonSendsItsCommand)
{
    Attach(true);
    provider->UpdateButtonRects();
    struct Case {
        TsCaptionButton* button;
        int code;
        WPARAM command;
    } cases[] = {
        {&provider->ButtonClose, HTCLOSE, SC_CLOSE},
        {&provider->ButtonMax, HTMAXBUTTON, SC_MAXIMIZE},
        {&provider->ButtonMin, HTMINBUTTON, SC_MINIMIZE},
    };
    for (const Case& c : cases) {
        POINT p = Centre(c.button->Rect);
        LPARAM at = Pack(Screen(p.x, p.y));
        log.seen.clear();
        Send(WM_NCLBUTTONDOWN, c.code, at);
        EXPECT_EQ(c.button->State, 2);
        EXPECT_EQ(log.Count(WM_NCLBUTTONDOWN), 0) << "a press on a button is not passed on";
        Send(WM_NCLBUTTONUP, c.code, at);
        EXPECT_EQ(log.SysCommands(), std::vector<WPARAM>{c.command});
        // Released outside the button: nothing.
        log.seen.clear();
        Send(WM_NCLBUTTONDOWN, c.code, at);
        Send(WM_NCLBUTTONUP, c.code, Pack(Screen(150, 150)));
        EXPECT_TRUE(log.SysCommands().empty());
        EXPECT_EQ(c.button->State, 0);
    }
}

TEST_F(SkinProviderTest, DoubleClicksOnCaptionAndIcon)
{
    Attach(true);
    log.passSysCommands = true;
    Send(WM_NCLBUTTONDBLCLK, HTCAPTION, Pack(Screen(150, 10)));
    Pump();
    EXPECT_TRUE(IsZoomed(form->Handle()));
    Send(WM_NCLBUTTONDBLCLK, HTCAPTION, Pack(Screen(150, 10)));
    Pump();
    EXPECT_FALSE(IsZoomed(form->Handle()));
    int asked = 0;
    form->OnCloseQuery = [&](core::Object*, bool& canClose) {
        ++asked;
        canClose = false;
    };
    Send(WM_NCLBUTTONDBLCLK, HTSYSMENU, Pack(Screen(10, 10)));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(log.Count(WM_NCLBUTTONDBLCLK), 0);
}

// Closes whatever menu is up from a timer callback, so the modal loop returns.
VOID CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    EndMenu();
}

TEST_F(SkinProviderTest, SystemMenuDropsOnRequestAndRightClick)
{
    Attach(true);
    for (int round = 0; round < 2; ++round) {
        log.seen.clear();
        SetTimer(nullptr, 0, 100, CloseMenu);
        if (round == 0)
            Send(WM_SYSMENU_REQUEST);
        else
            Send(WM_NCRBUTTONUP, HTCAPTION, Pack(Screen(150, 10)));
        EXPECT_GE(log.Count(WM_INITMENUPOPUP) + log.Count(WM_ENTERMENULOOP), 1) << round;
        EXPECT_EQ(log.Count(WM_SYSMENU_REQUEST), 0);
    }
    // A right press on the caption is swallowed; elsewhere it is passed on.
    log.seen.clear();
    Send(WM_NCRBUTTONDOWN, HTCAPTION, 0);
    Send(WM_NCRBUTTONDOWN, HTBOTTOM, 0);
    EXPECT_EQ(log.Count(WM_NCRBUTTONDOWN), 1);
}

// ---- System menus ----

std::map<core::String, std::pair<bool, bool>> ItemStates(TsSystemMenu& menu)
{
    std::map<core::String, std::pair<bool, bool>> states;
    for (int i = 0; i < menu.Items()->Count(); ++i) {
        ui::MenuItem* item = menu.Items()->Items(i);
        if (!item->Name().empty())
            states[item->Name()] = {item->Visible(), item->Enabled()};
    }
    return states;
}

TEST_F(SkinProviderTest, SystemMenuItemsPerBorderStyleAndState)
{
    Attach(true);
    using S = std::pair<bool, bool>;
    struct Case {
        const char* what;
        ui::FormBorderStyle style;
        bool maximised;
        S restore, move, size, min, max, close;
    } cases[] = {
        {"sizeable", ui::bsSizeable, false, {true, false}, {true, true}, {true, true}, {true, true}, {true, true}, {true, true}},
        {"sizeable maximised", ui::bsSizeable, true, {true, true}, {true, false}, {true, true}, {true, true}, {true, false}, {true, true}},
        {"single", ui::bsSingle, false, {true, false}, {true, true}, {true, false}, {true, true}, {true, true}, {true, true}},
        {"dialog", ui::bsDialog, false, {false, false}, {true, true}, {false, true}, {false, true}, {false, false}, {true, true}},
    };
    for (const Case& c : cases) {
        form->SetBorderStyle(c.style);
        ShowWindow(form->Handle(), c.maximised ? SW_MAXIMIZE : SW_RESTORE);
        provider->UpdateSysMenuStyle(true);
        provider->SystemMenu->UpdateItems(true);
        auto states = ItemStates(*provider->SystemMenu);
        EXPECT_EQ(states[u"acIR"], c.restore) << c.what;
        EXPECT_EQ(states[u"acIM"], c.move) << c.what;
        EXPECT_EQ(states[u"acIS"], c.size) << c.what;
        EXPECT_EQ(states[u"acIN"], c.min) << c.what;
        EXPECT_EQ(states[u"acIX"], c.max) << c.what;
        EXPECT_EQ(states[u"acIC"], c.close) << c.what;
    }
}

TEST_F(SkinProviderTest, SystemMenuCopiesApplicationItemsAndPostsThem)
{
    HMENU system = GetSystemMenu(form->Handle(), FALSE);
    AppendMenuW(system, MF_STRING, 0x0120, L"About\tCtrl+B");
    Attach(true);
    TsSystemMenu& menu = *provider->SystemMenu;
    menu.UpdateItems(true);
    EXPECT_EQ(menu.ExtItemsCount, 1);
    ui::MenuItem* about = nullptr;
    int aboutAt = -1, closeAt = -1, maxAt = -1;
    for (int i = 0; i < menu.Items()->Count(); ++i) {
        ui::MenuItem* item = menu.Items()->Items(i);
        if (item->Caption() == u"About")
            about = item, aboutAt = i;
        if (item->Name() == u"acIC")
            closeAt = i;
        if (item->Name() == u"acIX")
            maxAt = i;
    }
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(maxAt < aboutAt && aboutAt < closeAt);
    EXPECT_EQ(about->Tag(), 0x0120);
    EXPECT_NE(about->ShortCut(), ui::scNone);
    log.seen.clear();
    about->Click();
    EXPECT_TRUE(log.SysCommands().empty()) << "posted, not sent";
    Pump();
    ASSERT_EQ(log.SysCommands().size(), 1u);
    EXPECT_EQ(log.SysCommands()[0], 0x0120u);
    // The standard captions are read from the window menu or fall back to the English defaults.
    EXPECT_FALSE(menu.ItemClose->Caption().empty());
    EXPECT_EQ(SysMenuText(58981), u"Restore");
    EXPECT_EQ(SysMenuText(58964), u"Available skins");
}

TEST_F(SkinProviderTest, SkinListOfFortyFiveNamesInColumnsFromTwentyAndForty)
{
    Attach(true);
    TsSystemMenu& menu = *provider->SystemMenu;
    core::String chosen;
    menu.SetSkinListSource({[](core::StringList& names, core::String& current) {
                                for (int i = 0; i < 44; ++i)
                                    names.Add(u"Skin" + core::IntToStr(i));
                                names.Add(u"Stored (internal) copy");
                                current = u"Skin3";
                                return true;
                            },
                            [&](core::StringView name) { chosen = core::String(name); }});
    menu.MakeSkinItems();
    menu.MakeSkinItems(); // a second drop replaces the list
    ASSERT_EQ(menu.Items()->Items(0)->Name(), u"SkinSelectItem");
    EXPECT_TRUE(menu.Items()->Items(1)->IsLine());
    EXPECT_NE(menu.Items()->Items(2)->Name(), u"SkinSelectItem");
    ui::MenuItem* list = menu.Items()->Items(0);
    ASSERT_EQ(list->Count(), 45);
    std::vector<int> breaks;
    for (int i = 0; i < list->Count(); ++i)
        if (list->Items(i)->Break())
            breaks.push_back(i);
    EXPECT_EQ(breaks, (std::vector<int>{20, 40}));
    EXPECT_TRUE(list->Items(3)->Checked());
    EXPECT_EQ(list->Items(7)->Name(), u"SkinSelectItem7");
    list->Items(44)->Click();
    EXPECT_EQ(chosen, u"Stored (internal)");
}

// ---- Size, snapping and the border resize mode ----

TEST_F(SkinProviderTest, MaximisedSizeAndSnapping)
{
    Attach(true);
    MINMAXINFO info{};
    Send(WM_GETMINMAXINFO, 0, LPARAM(&info));
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int a = GetSystemMetrics(SM_CXFRAME);
    EXPECT_EQ(info.ptMaxSize.x, work.right - work.left + 2 * a);
    EXPECT_EQ(info.ptMaxPosition.y, 0);
    provider->SetScreenSnap(true);
    form->SetBounds(work.right - 400 + 6, 120, 400, 300);
    RECT r{};
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.right, work.right);
    provider->SetScreenSnap(false);
    form->SetBounds(work.right - 400 + 6, 120, 400, 300);
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.right, work.right + 6);
}

TEST_F(SkinProviderTest, BorderModeDragsAnOutlineAndMovesOnRelease)
{
    Attach(true);
    provider->SetResizeMode(rmBorder);
    struct Case {
        const char* what;
        int code;
        int endHow; // 0 released, 1 released without a move, 2 capture lost
        RECT expected;
    } cases[] = {
        {"move", HTCAPTION, 0, {130, 120, 530, 420}},
        {"size bottom right", HTBOTTOMRIGHT, 0, {100, 100, 530, 420}},
        {"size without a move", HTRIGHT, 1, {100, 100, 500, 400}},
        {"capture lost", HTCAPTION, 2, {100, 100, 500, 400}},
    };
    for (const Case& c : cases) {
        SetWindowPos(form->Handle(), nullptr, 100, 100, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
        POINT start = Screen(c.code == HTCAPTION ? 150 : 399, c.code == HTCAPTION ? 10 : 299);
        Send(WM_NCLBUTTONDOWN, c.code, Pack(start));
        EXPECT_TRUE(ProviderState().BorderResizing) << c.what;
        if (c.endHow != 1) {
            // Sizing takes its reference point from the first move.
            for (POINT p : {start, POINT{start.x + 30, start.y + 20}}) {
                ScreenToClient(form->Handle(), &p);
                Send(WM_MOUSEMOVE, 0, Pack(p));
            }
        }
        if (c.endHow == 2) {
            ReleaseCapture();
            Send(WM_CAPTURECHANGED, 0, 0);
        } else {
            POINT client{start.x + (c.endHow == 1 ? 0 : 30), start.y + (c.endHow == 1 ? 0 : 20)};
            ScreenToClient(form->Handle(), &client);
            Send(WM_LBUTTONUP, 0, Pack(client));
        }
        EXPECT_FALSE(ProviderState().BorderResizing) << c.what;
        EXPECT_EQ(ProviderState().DesktopDC, nullptr) << c.what;
        RECT r{};
        GetWindowRect(form->Handle(), &r);
        EXPECT_EQ(r.left, c.expected.left) << c.what;
        EXPECT_EQ(r.top, c.expected.top) << c.what;
        EXPECT_EQ(r.right, c.expected.right) << c.what;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.what;
    }
}

// ---- Control adapter ----

TEST_F(SkinProviderTest, AdapterWrapsListedClassesUnderItsRules)
{
    Attach(true);
    auto* edit = new ui::Edit(form.get());
    edit->SetParent(form.get());
    edit->HandleNeeded();
    auto* hidden = new ui::Edit(form.get());
    hidden->SetParent(form.get());
    hidden->SetTag(-98);
    hidden->HandleNeeded();
    auto* label = new ui::Label(form.get());
    label->SetParent(form.get());
    struct Case {
        const char* what;
        TacSkinningRules rules;
        bool veto;
        const char16_t* listName;
        int items;
        bool labelTransparent;
    } cases[] = {
        {"third-party rule on", kAllSkinningRules, false, u"TEdit", 1, true},
        {"third-party rule off", SkinningRuleBit(srStdForms), false, u"TEdit", 0, false},
        {"vetoed by OnSkinItem (labels too)", kAllSkinningRules, true, u"TEdit", 0, false},
        {"class name in another case", kAllSkinningRules, false, u"Tedit", 0, true},
    };
    for (const Case& c : cases) {
        manager.rules = c.rules;
        manager.lists[0].Clear();
        manager.lists[0].Add(c.listName);
        label->SetTransparent(false);
        const bool veto = c.veto;
        provider->OnSkinItem = [veto](core::Component*, bool& canBeAdded, core::String&) { canBeAdded = !veto; };
        // The provider's own adapter wrapped the edit when its window was made: start afresh.
        provider->Adapter = std::make_unique<TacCtrlAdapter>(provider);
        TacCtrlAdapter& adapter = *provider->Adapter;
        adapter.AddAllItems(nullptr);
        EXPECT_EQ(adapter.Count(), c.items) << c.what;
        EXPECT_EQ(label->Transparent(), c.labelTransparent) << c.what;
        if (c.items) {
            EXPECT_EQ(adapter.GetItem(0)->WinCtrl, edit) << c.what;
            EXPECT_NE(GetWrapper(edit->Handle()), nullptr) << c.what;
            // The same control twice keeps one item; bad indexes are ignored.
            adapter.AddNewItem(edit);
            EXPECT_EQ(adapter.Count(), 1) << c.what;
            adapter.RemoveItem(5);
            adapter.RemoveItem(-1);
            EXPECT_EQ(adapter.Count(), 1) << c.what;
            EXPECT_EQ(adapter.GetItem(1), nullptr);
        }
    }
    provider->Adapter.reset();
    EXPECT_EQ(GetWrapper(edit->Handle()), nullptr) << "the adapter gave the windows back";
    EXPECT_EQ(GetWrapper(hidden->Handle()), nullptr);
    // A section from OnSkinItem goes to the windowed control.
    manager.rules = kAllSkinningRules;
    manager.lists[0].Clear();
    manager.lists[0].Add(u"TEdit");
    provider->OnSkinItem = [](core::Component*, bool&, core::String& section) { section = u"panel"; };
    provider->Adapter = std::make_unique<TacCtrlAdapter>(provider);
    provider->Adapter->AddNewItem(edit, u"");
    ASSERT_EQ(provider->Adapter->Count(), 1);
    EXPECT_EQ(provider->Adapter->GetItem(0)->SkinData->SkinSection(), u"PANEL");
    provider->OnSkinItem = nullptr;
}

// A form class that scrolls its client area, as the provider learns it: by name.
class ScrollingForm : public ui::Form {
public:
    using ui::Form::Form;
    bool autoScroll = true;
};

TEST_F(SkinProviderTest, OnlyScrollingFormsGetSkinnedScrollBars)
{
    ui::RegisterPropClass<ScrollingForm>(
        u"TTestScrollingForm",
        {ui::OrdProperty(
            u"AutoScroll", [](core::Object& o) { return int64_t(static_cast<ScrollingForm&>(o).autoScroll); },
            [](core::Object& o, int64_t v) { static_cast<ScrollingForm&>(o).autoScroll = v != 0; })});
    struct Case {
        const char* what;
        bool scrolling;
        bool autoScroll;
        bool wrapped;
    } cases[] = {{"plain form", false, false, false}, {"AutoScroll off", true, false, false}, {"AutoScroll on", true, true, true}};
    for (const Case& c : cases) {
        provider = nullptr;
        form.reset();
        if (c.scrolling) {
            auto scrolling = std::make_unique<ScrollingForm>(nullptr);
            scrolling->autoScroll = c.autoScroll;
            form = std::move(scrolling);
        } else {
            form = std::make_unique<ui::Form>(nullptr);
        }
        form->SetBounds(100, 100, 400, 300);
        Attach(true);
        HWND h = form->Handle();
        EXPECT_EQ(provider->ListSW != nullptr, c.wrapped) << c.what;
        if (!c.wrapped)
            continue;
        EXPECT_EQ(GetWrapper(h), static_cast<TacMainWnd*>(provider->ListSW.get()));
        // Removing the skin gives the form its bars back; the form still answers.
        SendAcMessage(h, scSkinRemoved, LPARAM(static_cast<SkinManager*>(&manager)));
        EXPECT_EQ(provider->ListSW, nullptr);
        EXPECT_EQ(GetWrapper(h), static_cast<TacMainWnd*>(nullptr));
        EXPECT_EQ(SendMessageW(h, WM_GETTEXTLENGTH, 0, 0), LRESULT(form->Caption().size()));
    }
}

TEST_F(SkinProviderTest, FadeInEndsAtTheFormsOpacity)
{
    Attach(false);
    form->SetAlphaBlend(true);
    form->SetAlphaBlendValue(180);
    FadeInForm(form.get(), 16);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(form->Handle(), nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 180);
    form->SetAlphaBlend(false);
    EXPECT_FALSE(GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

} // namespace
} // namespace skin
