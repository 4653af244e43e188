// Window wrappers on real windows under a loaded window test skin: attachment and detachment of a
// chained list box and a subclassed raw "LISTBOX", the common messages, the scroll bars' room, hit
// test, painting and mouse tracking against a window that logs its scroll messages.
#include "skin/engine/glow.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skintables.h"
#include "skin/windows/editwnd.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "skin/windows/testwriters/windowtestskin.h"
#include "ui/bitmap.h"
#include "ui/edit.h"
#include "ui/listbox.h"
#include "ui/test/uitest.h"

#include <vector>

namespace skin {
namespace {

using namespace skin::testing;

// Glowing is off unless a test asks for it.
struct WindowSkinManager : WindowTestSkinManager {
    bool AllowGlowing() const override { return allowGlowing; }
    bool allowGlowing = false;
};

// A window with both scroll bars that logs the scroll messages it receives and answers 1 to the
// skin command message's sub-code 51 when asked to.
struct ScrollLog {
    struct Entry {
        UINT msg;
        int code, highWord;
        LPARAM lparam;
    };
    std::vector<Entry> entries;
    std::vector<UINT> seen;
    bool fullPositions = false;
};

LRESULT CALLBACK LoggingProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    auto* log = reinterpret_cast<ScrollLog*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (log) {
        log->seen.push_back(msg);
        if (msg == WM_HSCROLL || msg == WM_VSCROLL) {
            log->entries.push_back({msg, LOWORD(wparam), HIWORD(wparam), lparam});
            return 0;
        }
        if (msg == SM_SKINCMD && SubCodeOf(wparam) == scBeforeScroll)
            return log->fullPositions ? 1 : 0;
    }
    return DefWindowProcW(wnd, msg, wparam, lparam);
}

// The previous procedure of a raw window, for the subclass-on-top case.
WNDPROC g_under = nullptr;
int g_top_calls = 0;
LRESULT CALLBACK TopSubclass(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    ++g_top_calls;
    return CallWindowProcW(g_under, wnd, msg, wparam, lparam);
}

// Reports every scroll bar unavailable, as the platform does for a bar that cannot scroll.
BOOL WINAPI UnavailableBar(HWND, LONG, PSCROLLBARINFO info)
{
    info->rgstate[0] = STATE_SYSTEM_UNAVAILABLE;
    return TRUE;
}

class WindowWrappers : public ui::test::UiTest {
protected:
    WindowWrappers()
    {
        InitSkinEngine();
        InitWindowSkinning();
        form = std::make_unique<ui::Form>(nullptr);
        form->SetBounds(50, 50, 500, 400);
        form->Show();
        SetDefaultManager(&manager);
        WNDCLASSW wc{};
        wc.lpfnWndProc = LoggingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"WrapperScrollLog";
        wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
        RegisterClassW(&wc);
    }
    ~WindowWrappers() override
    {
        for (HWND w : windows)
            if (IsWindow(w))
                DestroyWindow(w);
        form.reset();
        SetDefaultManager(nullptr);
        Tracking() = {};
        DoneWindowSkinning();
        DoneSkinEngine();
    }

    HWND Child(const wchar_t* cls, DWORD style, int x, int y, int w, int h, DWORD exStyle = 0)
    {
        HWND wnd = CreateWindowExW(exStyle, cls, L"raw", WS_CHILD | WS_VISIBLE | style, x, y, w, h, form->Handle(),
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
        windows.push_back(wnd);
        return wnd;
    }
    HWND LoggingWindow(ScrollLog& log, int w = 200, int h = 150, DWORD exStyle = 0)
    {
        HWND wnd = Child(L"WrapperScrollLog", WS_HSCROLL | WS_VSCROLL | WS_BORDER, 10, 10, w, h, exStyle);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, LONG_PTR(&log));
        SCROLLINFO si{sizeof(si), SIF_ALL, 0, 99, 25, 0, 0};
        SetScrollInfo(wnd, SB_VERT, &si, FALSE);
        SetScrollInfo(wnd, SB_HORZ, &si, FALSE);
        return wnd;
    }
    // The next GetMessagePos answers p (screen coordinates).
    static void SetMessagePos(HWND wnd, POINT p)
    {
        SetCursorPos(p.x, p.y);
        PostMessageW(wnd, WM_NULL, 0, 0);
        MSG m;
        PeekMessageW(&m, wnd, WM_NULL, WM_NULL, PM_REMOVE);
    }
    static POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    static LPARAM Pack(POINT p) { return MAKELPARAM(p.x, p.y); }

    WindowSkinManager manager;
    std::unique_ptr<ui::Form> form;
    std::vector<HWND> windows;
};

// ---- Framework ----

TEST_F(WindowWrappers, RawAndChainedWindowsAreWrappedAndGivenBack)
{
    auto* list = new ui::ListBox(form.get());
    list->SetParent(form.get());
    list->SetBounds(250, 10, 150, 120);
    TsCommonData listData(list, true);
    listData.SetSkinSection(u"EDIT");
    listData.Loaded();
    HWND raw = Child(L"LISTBOX", WS_VSCROLL, 10, 10, 150, 120);
    const WNDPROC rawProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(raw, GWLP_WNDPROC));

    struct Case {
        const char* what;
        HWND wnd;
        TsCommonData* data;
    } cases[] = {{"raw", raw, nullptr}, {"chained", list->Handle(), &listData}};
    for (const Case& c : cases) {
        auto w = TacMainWnd::Create<TacEditWnd>(c.wnd, c.data, nullptr, u"EDIT");
        EXPECT_EQ(GetWrapper(c.wnd), w.get()) << c.what;
        EXPECT_EQ(SendAcMessage(c.wnd, scIsSkinAware, 0), 1) << c.what;
        EXPECT_EQ(SendAcMessage(c.wnd, scGetSkinIndex, 0), manager.GetSkinIndex(u"EDIT") + 1) << c.what;
        DetachWrapper(c.wnd, false, false, w);
        EXPECT_EQ(GetWrapper(c.wnd), nullptr) << c.what;
        EXPECT_TRUE(w->Destroyed) << c.what;
        EXPECT_EQ(SendAcMessage(c.wnd, scIsSkinAware, 0), 0) << c.what;
        w.reset();
    }
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(raw, GWLP_WNDPROC)), rawProc);
    EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 0);
}

TEST_F(WindowWrappers, CommonMessagesOfTheRoot)
{
    ScrollLog log;
    HWND wnd = LoggingWindow(log);
    auto w = TacMainWnd::Create<TacMainWnd>(wnd, nullptr, nullptr, u"PANEL");
    log.seen.clear();
    // WM_PRINT with a DC is answered by the window's own paint handling with that DC.
    SendMessageW(wnd, WM_PRINT, 0, PRF_CLIENT);
    EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), UINT(WM_PAINT)), 1);
    EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), UINT(WM_PRINT)), 0);
    SendMessageW(wnd, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    SendMessageW(wnd, WM_SETTEXT, 0, LPARAM(L"caption"));
    EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), UINT(WM_UPDATEUISTATE)), 0);
    EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), UINT(WM_SETTEXT)), 1);
    EXPECT_EQ(w->Caption, u"caption");
    EXPECT_EQ(SendAcMessage(wnd, scIsSkinAware, 0), 1);
    // With the skin switched off the wrapper passes sub-code 7 on.
    manager.SkinData.Active = false;
    EXPECT_EQ(SendAcMessage(wnd, scIsSkinAware, 0), 0);
    manager.SkinData.Active = true;
    // Destroying the window detaches the wrapper, which stays allocated.
    DestroyWindow(wnd);
    EXPECT_TRUE(w->Destroyed);
    EXPECT_EQ(GetWrapper(wnd), nullptr);
    w.reset();
}

TEST_F(WindowWrappers, SubclassOnTopSurvivesDetaching)
{
    HWND raw = Child(L"LISTBOX", WS_VSCROLL, 10, 10, 150, 120);
    auto w = TacMainWnd::Create<TacMainWnd>(raw, nullptr, nullptr, u"DIALOG");
    g_under = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(raw, GWLP_WNDPROC, LONG_PTR(TopSubclass)));
    DetachWrapper(raw, false, false, w);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(raw, GWLP_WNDPROC)), TopSubclass);
    g_top_calls = 0;
    SendMessageW(raw, LB_ADDSTRING, 0, LPARAM(L"item"));
    EXPECT_EQ(g_top_calls, 1);
    EXPECT_EQ(SendMessageW(raw, LB_GETCOUNT, 0, 0), 1);
    DestroyWindow(raw);
}

TEST_F(WindowWrappers, FactoriesByNameMakeTheirClass)
{
    HWND raw = Child(L"LISTBOX", WS_VSCROLL, 10, 10, 150, 120);
    ASSERT_NE(FindWrapperClass(u"TacEditWnd"), nullptr);
    EXPECT_EQ(FindWrapperClass(u"TacUnknownWnd"), nullptr);
    std::unique_ptr<TacMainWnd> w = FindWrapperClass(u"TacEditWnd")(raw, nullptr, nullptr, {}, true);
    EXPECT_NE(dynamic_cast<TacEditWnd*>(w.get()), nullptr);
    EXPECT_EQ(w->SkinData->SkinSection(), u"EDIT");
    // A null handle attaches nothing.
    EXPECT_EQ(FindWrapperClass(u"TacScrollWnd")(nullptr, nullptr, nullptr, {}, true)->CtrlHandle, nullptr);
}

// ---- Shared routines ----

TEST_F(WindowWrappers, SharedRoutinesOnMissingInput)
{
    TsCommonData data(nullptr, true);
    data.SetSkinManager(&manager);
    data.SetSkinSection(u"PANEL");
    data.UpdateIndexes();
    // A window without a parent keeps BGChanged for the next attempt.
    HWND top = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 40, 30, nullptr, nullptr, nullptr, nullptr);
    windows.push_back(top);
    data.BGChanged = true;
    PrepareWndCache(&data, top, false);
    EXPECT_TRUE(data.BGChanged);
    PrepareWndCache(nullptr, top, false);
    RestoreWndCorners(nullptr, 0, nullptr);
    EXPECT_EQ(GetColorProp(form.get(), u"NoSuchColor"), 0u);
    EXPECT_EQ(GetColorProp(nullptr, u"Color"), 0u);
    SetColorProp(form.get(), u"NoSuchColor", 0x123456);
    EXPECT_TRUE(HasStateBorder(&data)); // PANEL's border has three states
    TsCommonData plain(nullptr, true);
    EXPECT_FALSE(HasStateBorder(&plain));
    auto* list = new ui::ListBox(form.get());
    list->SetParent(form.get());
    EXPECT_EQ(FindWinControlByHandle(list->Handle(), form.get()), list);
    EXPECT_EQ(FindWinControlByHandle(top, form.get()), nullptr);
}

TEST_F(WindowWrappers, PreparedCacheOfAWrappedWindowShowsItsSection)
{
    HWND raw = Child(L"STATIC", 0, 20, 20, 60, 40);
    auto w = TacMainWnd::Create<TacMainWnd>(raw, nullptr, nullptr, u"SCROLLBAR1H");
    w->SkinData->UpdateIndexes();
    PrepareWndCache(w->SkinData, raw, false);
    EXPECT_FALSE(w->SkinData->BGChanged);
    ui::Bitmap* cache = w->SkinData->CacheBmp();
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(cache->Width(), 60);
    EXPECT_EQ(cache->PixelColor(30, 20), WindowTestColor(wtBar1H, 0));
}

TEST_F(WindowWrappers, ClearStateOfAWrappedRawWindowTakesItsParentsColour)
{
    ScrollLog log;
    HWND parent = LoggingWindow(log);
    HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
    // The parent answers sub-code 21 through the default procedure: 0; make it skin-aware instead.
    auto parentWrapper = TacMainWnd::Create<TacMainWnd>(parent, nullptr, nullptr, u"SCROLLBAR2H");
    parentWrapper->SkinData->UpdateIndexes();
    auto w = TacMainWnd::Create<TacMainWnd>(child, nullptr, nullptr, u"CLEARPANEL");
    w->SkinData->UpdateIndexes();
    ASSERT_GE(w->SkinData->SkinIndex, 0);
    EXPECT_EQ(w->SkinData->GetBgColor(0, child), WindowTestColor(wtBar2H, 0));
    EXPECT_EQ(uint32_t(SendAcMessage(child, scGetBgColor, 0)), WindowTestColor(wtBar2H, 0));
    w.reset();
    DestroyWindow(child);
}

// ---- Edit wrapper: focus and hover ----

TEST_F(WindowWrappers, EditWrapperFollowsFocusAndHoverOnlyWithABorderOfSeveralStates)
{
    manager.allowGlowing = true;
    constexpr int kAdapterItem = 227;
    struct Case {
        const char* what;
        const char16_t* section;
        int kind;
        bool follows, glows;
    } cases[] = {
        {"adapter item, three-state border with a glow", u"GLOWBUTTON", kAdapterItem, true, true},
        {"edit kind, three-state border with a glow", u"GLOWBUTTON", ckEdit, true, false},
        {"adapter item, no border mask", u"CTLPANEL", kAdapterItem, false, false},
    };
    for (const Case& c : cases) {
        auto* edit = new ui::Edit(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(20, 200, 120, 24);
        TsCommonData data(edit, true);
        data.COC = c.kind;
        data.SetSkinSection(c.section);
        data.Loaded();
        auto w = TacMainWnd::Create<TacEditWnd>(edit->Handle(), &data, nullptr, c.section);

        edit->Perform(ui::CM_MOUSEENTER);
        EXPECT_EQ(data.FMouseAbove, c.follows) << c.what;
        EXPECT_EQ(data.GlowID >= 0, c.glows) << c.what;
        EXPECT_EQ(GlowEffectCount() > 0, c.glows) << c.what;
        edit->Perform(ui::CM_MOUSELEAVE);
        EXPECT_FALSE(data.FMouseAbove) << c.what;
        EXPECT_EQ(GlowEffectCount(), 0) << c.what << ": leaving takes every glow away";

        SendMessageW(edit->Handle(), WM_SETFOCUS, 0, 0);
        EXPECT_EQ(data.FFocused, c.follows) << c.what;
        SendMessageW(edit->Handle(), WM_KILLFOCUS, 0, 0);
        EXPECT_FALSE(data.FFocused) << c.what;

        DetachWrapper(edit->Handle(), false, false, w);
        w.reset();
        data.GlowID = -1;
        delete edit;
    }
}

TEST_F(WindowWrappers, EditWrapperFramesShowTheHotStateWhileFocusedOrHovered)
{
    auto* edit = new ui::Edit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(20, 200, 120, 24);
    TsCommonData data(edit, true);
    data.SetSkinSection(u"SCROLLBAR1H");
    data.Loaded();
    auto w = TacMainWnd::Create<TacEditWnd>(edit->Handle(), &data, nullptr, u"SCROLLBAR1H");
    auto frameColour = [&] {
        UpdateWindow(edit->Handle());
        return CaptureWindowDC(edit->Handle())->PixelColor(0, 12);
    };
    struct Step {
        const char* what;
        UINT msg;
        bool perform;
        int state;
    } steps[] = {
        {"at rest", WM_NULL, false, 0},          {"hovered", ui::CM_MOUSEENTER, true, 1},
        {"left", ui::CM_MOUSELEAVE, true, 0},     {"focused", WM_SETFOCUS, false, 1},
        {"focus gone", WM_KILLFOCUS, false, 0},
    };
    for (const Step& s : steps) {
        if (s.perform)
            edit->Perform(s.msg);
        else if (s.msg != WM_NULL)
            SendMessageW(edit->Handle(), s.msg, 0, 0);
        else
            RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        EXPECT_EQ(frameColour(), WindowTestColor(wtBar1H, s.state)) << s.what;
    }
    DetachWrapper(edit->Handle(), false, false, w);
    w.reset();
    delete edit;
}

// ---- Scroll bars: room, hit test, painting ----

TEST_F(WindowWrappers, NonClientSizeReservesTheBars)
{
    const int h = GetSystemMetrics(SM_CYHSCROLL), v = GetSystemMetrics(SM_CXVSCROLL);
    struct Case {
        const char* what;
        int width, height;
        DWORD exStyle;
        bool horz, vert;
    } cases[] = {
        {"both bars", 200, 150, 0, true, true},
        {"left scroll bar", 200, 150, WS_EX_LEFTSCROLLBAR, true, true},
        {"too small for either", 10, 10, 0, false, false},
    };
    for (const Case& c : cases) {
        ScrollLog log;
        HWND wnd = LoggingWindow(log, c.width, c.height, c.exStyle);
        auto w = TacMainWnd::Create<TacScrollWnd>(wnd, nullptr, nullptr, u"EDIT");
        RECT client{}, window{};
        GetClientRect(wnd, &client);
        GetWindowRect(wnd, &window);
        EXPECT_EQ(w->sBarHorz->fScrollVisible, c.horz) << c.what;
        EXPECT_EQ(w->sBarVert->fScrollVisible, c.vert) << c.what;
        const int border = w->cxLeftEdge + w->cxRightEdge;
        EXPECT_EQ(client.right, c.width - border - (c.vert ? v : 0)) << c.what;
        EXPECT_EQ(client.bottom, c.height - w->cyTopEdge - w->cyBottomEdge - (c.horz ? h : 0)) << c.what;
        if (c.exStyle & WS_EX_LEFTSCROLLBAR) {
            POINT origin{0, 0};
            ClientToScreen(wnd, &origin);
            EXPECT_EQ(origin.x, window.left + w->cxLeftEdge + v) << c.what;
        }
        w.reset();
        DestroyWindow(wnd);
    }
}

TEST_F(WindowWrappers, HitTestOfBarsAndCorner)
{
    ScrollLog log;
    HWND wnd = LoggingWindow(log);
    auto w = TacMainWnd::Create<TacScrollWnd>(wnd, nullptr, nullptr, u"EDIT");
    RECT h{}, v{}, window{};
    w->HorzBarRect(wnd, h);
    w->VertBarRect(wnd, v);
    GetWindowRect(wnd, &window);
    struct Case {
        const char* what;
        POINT p;
        LRESULT code;
    } cases[] = {
        {"horizontal bar", Centre(h), HTHSCROLL},
        {"vertical bar", Centre(v), HTVSCROLL},
        {"client", {window.left + 40, window.top + 40}, HTCLIENT},
        {"corner of a child window: no grip", {v.left + 2, h.top + 2}, HTBORDER},
    };
    for (const Case& c : cases) {
        const LRESULT got = SendMessageW(wnd, WM_NCHITTEST, 0, Pack(c.p));
        if (c.code == HTBORDER)
            EXPECT_NE(got, HTBOTTOMRIGHT) << c.what;
        else
            EXPECT_EQ(got, c.code) << c.what;
    }
    // A bar whose scroll bar is unavailable hit-tests as nowhere.
    WindowSkinningApi().GetScrollBarInfo = UnavailableBar;
    EXPECT_EQ(SendMessageW(wnd, WM_NCHITTEST, 0, Pack(Centre(v))), HTNOWHERE);
}

TEST_F(WindowWrappers, BarPartsArePaintedInTheirStates)
{
    ScrollLog log;
    HWND wnd = LoggingWindow(log, 240, 150);
    // A plain section: the wrapper reports a plain colour as the bars' background.
    auto w = TacMainWnd::Create<TacScrollWnd>(wnd, nullptr, nullptr, u"SCROLLBAR2V");
    RECT window{}, h{};
    GetWindowRect(wnd, &window);
    w->HorzBarRect(wnd, h);
    OffsetRect(&h, -window.left, -window.top);
    const int arrow = GetScrollMetric(*w->sBarHorz, 0, true);
    int thumbLength = 0, thumbPos = 0;
    GetThumbPos(*w->sBarHorz, h, thumbLength, thumbPos);
    const int y = (h.top + h.bottom) / 2;
    auto paint = [&](int pressed) {
        auto bmp = std::make_unique<ui::Bitmap>(window.right - window.left, window.bottom - window.top, ui::pf24bit);
        EXPECT_EQ(PaintScrollBar(*w->sBarHorz, wnd, bmp->Canvas().Handle(), h, pressed, -1), 1);
        return bmp;
    };
    ScrollTracking& t = Tracking();
    struct Case {
        const char* what;
        int hoverPart, pressed;
        int x;
        uint32_t color;
    } cases[] = {
        {"left arrow normal", -1, -1, h.left + arrow / 2, WindowTestColor(wtBtnLeft, 0)},
        {"left arrow hot", spFirstArrow, -1, h.left + arrow / 2, WindowTestColor(wtBtnLeft, 1)},
        {"left arrow pressed", spFirstArrow, spFirstArrow, h.left + arrow / 2, WindowTestColor(wtBtnLeft, 2)},
        {"right arrow normal", -1, -1, h.right - arrow / 2, WindowTestColor(wtBtnRight, 0)},
        {"thumb normal", -1, -1, thumbPos + thumbLength / 2, WindowTestColor(wtSliderH, 0)},
        {"thumb hot", spThumb, -1, thumbPos + thumbLength / 2, WindowTestColor(wtSliderH, 1)},
        {"track after the thumb", -1, -1, h.right - arrow - 3, WindowTestColor(wtBar2H, 0)},
        {"track after the thumb pressed", -1, spTrackAfter, h.right - arrow - 3, WindowTestColor(wtBar2H, 2)},
    };
    for (const Case& c : cases) {
        t.HoverWnd = wnd;
        t.HoverBar = 0;
        t.HoverPart = c.hoverPart;
        auto bmp = paint(c.pressed);
        EXPECT_EQ(bmp->PixelColor(c.x, y), c.color) << c.what;
    }
    t = {};
    // The bar drawn by the window's own non-client painting, as the screen shows it.
    Pump();
    auto shown = CaptureWindowDC(wnd);
    EXPECT_EQ(shown->PixelColor(h.right - arrow / 2, y), WindowTestColor(wtBtnRight, 0));
    // A bar that cannot scroll is dimmed toward the background.
    const auto bound = WindowSkinningApi().GetScrollBarInfo;
    WindowSkinningApi().GetScrollBarInfo = UnavailableBar;
    auto dimmed = paint(-1);
    WindowSkinningApi().GetScrollBarInfo = bound;
    EXPECT_NE(dimmed->PixelColor(h.right - arrow / 2, y), WindowTestColor(wtBtnRight, 0));
    // A bar of two arrows only: halves, no thumb.
    RECT small = h;
    small.right = small.left + arrow;
    auto bmp = std::make_unique<ui::Bitmap>(window.right - window.left, window.bottom - window.top, ui::pf24bit);
    PaintScrollBar(*w->sBarHorz, wnd, bmp->Canvas().Handle(), small, -1, -1);
    EXPECT_EQ(bmp->PixelColor(small.left + 1, y), WindowTestColor(wtBtnLeft, 0));
    EXPECT_EQ(bmp->PixelColor(small.right - 2, y), WindowTestColor(wtBtnRight, 0));
}

// ---- Tracking ----

TEST_F(WindowWrappers, HeldArrowScrollsAtOnceThenRepeatsWhileOverIt)
{
    ScrollLog log;
    HWND wnd = LoggingWindow(log);
    auto w = TacMainWnd::Create<TacScrollWnd>(wnd, nullptr, nullptr, u"EDIT");
    RECT v{};
    w->VertBarRect(wnd, v);
    const int arrow = GetScrollMetric(*w->sBarVert, 0, false);
    const POINT down{(v.left + v.right) / 2, v.bottom - arrow / 2};
    SendMessageW(wnd, WM_NCLBUTTONDOWN, HTVSCROLL, Pack(down));
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.entries[0].msg, UINT(WM_VSCROLL));
    EXPECT_EQ(log.entries[0].code, SB_LINEDOWN);
    EXPECT_EQ(GetCapture(), wnd);
    SendMessageW(wnd, WM_TIMER, kRepeatDelayId, 0);
    EXPECT_EQ(log.entries.size(), 1u);
    SetMessagePos(wnd, down);
    SendMessageW(wnd, WM_TIMER, kRepeatTimerId, 0);
    EXPECT_EQ(log.entries.size(), 2u);
    // Off the arrow: no repeat.
    SetMessagePos(wnd, {down.x, v.top + arrow / 2});
    SendMessageW(wnd, WM_TIMER, kRepeatTimerId, 0);
    EXPECT_EQ(log.entries.size(), 2u);
    // A timer of the window's own reaches it once.
    log.seen.clear();
    SendMessageW(wnd, WM_TIMER, 7, 0);
    EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), UINT(WM_TIMER)), 1);
    SendMessageW(wnd, WM_LBUTTONUP, 0, 0);
    ASSERT_EQ(log.entries.size(), 3u);
    EXPECT_EQ(log.entries.back().code, SB_ENDSCROLL);
    EXPECT_NE(GetCapture(), wnd);
    EXPECT_EQ(Tracking().PressPart, -1);
}

TEST_F(WindowWrappers, DraggedThumbSendsTrackPositionsThenThePositionAndTheEnd)
{
    struct Case {
        const char* what;
        bool full;
        int nMin, nMax;
        int endPos;
        LPARAM endLParam;
        int endHighWord;
    } cases[] = {
        {"clipped positions", false, 0, 99, 76, 0, 76},
        {"full positions from a minimum", true, 100000, 100099, 100076, 100076, LOWORD(100076)},
    };
    for (const Case& c : cases) {
        ScrollLog log;
        log.fullPositions = c.full;
        HWND wnd = LoggingWindow(log);
        SCROLLINFO si{sizeof(si), SIF_ALL, c.nMin, c.nMax, 25, c.nMin, 0};
        SetScrollInfo(wnd, SB_VERT, &si, FALSE);
        auto w = TacMainWnd::Create<TacScrollWnd>(wnd, nullptr, nullptr, u"EDIT");
        RECT v{};
        w->VertBarRect(wnd, v);
        int length = 0, pos = 0;
        GetThumbPos(*w->sBarVert, v, length, pos);
        const POINT grip{(v.left + v.right) / 2, pos + length / 2};
        SendMessageW(wnd, WM_NCLBUTTONDOWN, HTVSCROLL, Pack(grip));
        EXPECT_TRUE(w->fThumbTracking) << c.what;
        // No move: nothing sent.
        SetMessagePos(wnd, grip);
        SendMessageW(wnd, WM_MOUSEMOVE, 0, 0);
        EXPECT_TRUE(log.entries.empty()) << c.what;
        SetMessagePos(wnd, {grip.x, v.bottom + 50});
        SendMessageW(wnd, WM_MOUSEMOVE, 0, 0);
        ASSERT_EQ(log.entries.size(), 1u) << c.what;
        EXPECT_EQ(log.entries[0].code, SB_THUMBTRACK) << c.what;
        EXPECT_EQ(log.entries[0].highWord, c.endHighWord) << c.what;
        EXPECT_EQ(log.entries[0].lparam, c.endLParam) << c.what;
        // The position was set before the message; the platform keeps it within the range.
        if (!c.full) {
            EXPECT_EQ(GetScrollPos(wnd, SB_VERT), c.endPos - 1) << c.what;
        }
        SendMessageW(wnd, WM_LBUTTONUP, 0, 0);
        ASSERT_EQ(log.entries.size(), 3u) << c.what;
        EXPECT_EQ(log.entries[1].code, SB_THUMBPOSITION) << c.what;
        EXPECT_EQ(log.entries[2].code, SB_ENDSCROLL) << c.what;
        EXPECT_EQ(log.entries[2].highWord, c.endHighWord) << c.what;
        EXPECT_FALSE(w->fThumbTracking) << c.what;
        w.reset();
        DestroyWindow(wnd);
    }
}

TEST_F(WindowWrappers, PressOnAnInactiveBarDoesNothing)
{
    ScrollLog log;
    HWND wnd = LoggingWindow(log);
    auto w = TacMainWnd::Create<TacScrollWnd>(wnd, nullptr, nullptr, u"EDIT");
    RECT v{};
    w->VertBarRect(wnd, v);
    WindowSkinningApi().GetScrollBarInfo = UnavailableBar;
    SendMessageW(wnd, WM_NCLBUTTONDOWN, HTVSCROLL, Pack({(v.left + v.right) / 2, v.bottom - 3}));
    EXPECT_TRUE(log.entries.empty());
    EXPECT_NE(GetCapture(), wnd);
    // A release without a press is passed on unchanged.
    log.seen.clear();
    SendMessageW(wnd, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), UINT(WM_LBUTTONUP)), 1);
}

// ---- Synchronisation with skinned controls ----

int g_flat_init = 0, g_flat_uninit = 0;
BOOL WINAPI CountInit(HWND) { return ++g_flat_init, TRUE; }
HRESULT WINAPI CountUninit(HWND) { return ++g_flat_uninit, S_OK; }

TEST_F(WindowWrappers, SyncScrollWndFollowsTheSkinAndTheFlatBarSeam)
{
    auto* list = new ui::ListBox(form.get());
    list->SetParent(form.get());
    TsCommonData data(list, true);
    data.SetSkinSection(u"EDIT");
    data.Loaded();
    std::unique_ptr<TacScrollWnd> sw;
    WindowSkinningApi().InitializeFlatSB = CountInit;
    WindowSkinningApi().UninitializeFlatSB = CountUninit;
    g_flat_init = g_flat_uninit = 0;
    SyncScrollWnd(&data, sw);
    ASSERT_NE(sw, nullptr);
    EXPECT_EQ(g_flat_uninit, 1);
    EXPECT_EQ(GetWrapper(list->Handle()), sw.get());
    // No manager in the process: the wrapper goes and flat bars come back.
    SetDefaultManager(nullptr);
    data.UpdateIndexes();
    SyncScrollWnd(&data, sw);
    EXPECT_EQ(sw, nullptr);
    EXPECT_EQ(g_flat_init, 1);
    EXPECT_EQ(GetWrapper(list->Handle()), nullptr);
    // Without the functions nothing is called.
    WindowSkinningApi().InitializeFlatSB = nullptr;
    SyncScrollWnd(&data, sw);
    EXPECT_EQ(g_flat_init, 1);
}

} // namespace
} // namespace skin
