// Wrappers of composite windows on real common controls under the window test skin: combo boxes
// (button states, the list's colours and brush, long texts, button placement) and status bars
// (background, dividers, texts, the grip).
#include "core/collection.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skintables.h"
#include "skin/windows/combownd.h"
#include "skin/windows/listviewwnd.h"
#include "skin/windows/statuswnd.h"
#include "skin/windows/tabwnd.h"
#include "skin/windows/toolbarwnd.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "skin/windows/testwriters/windowtestskin.h"
#include "ui/bitmap.h"
#include "ui/imagelist.h"
#include "ui/propinfo.h"
#include "ui/combobox.h"
#include "ui/statusbar.h"
#include "ui/test/uitest.h"

#include <string>
#include <vector>

namespace skin {
namespace {

using namespace skin::testing;

class CompositeWrappers : public ui::test::UiTest {
protected:
    CompositeWrappers()
    {
        InitSkinEngine();
        InitWindowSkinning();
        SetDefaultManager(&manager);
        form = std::make_unique<ui::Form>(nullptr);
        form->SetBounds(40, 40, 520, 420);
        form->Show();
        SetCursorPos(1000, 700);
    }
    ~CompositeWrappers() override
    {
        for (HWND w : windows)
            if (IsWindow(w))
                DestroyWindow(w);
        form.reset();
        SetDefaultManager(nullptr);
        DoneWindowSkinning();
        DoneSkinEngine();
    }
    HWND Raw(const wchar_t* cls, DWORD style, int x, int y, int w, int h)
    {
        HWND wnd = CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, form->Handle(), nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        windows.push_back(wnd);
        return wnd;
    }
    template <class T> std::unique_ptr<T> Wrap(HWND wnd, core::StringView section, TsCommonData* data = nullptr)
    {
        auto w = TacMainWnd::Create<T>(wnd, data, nullptr, section);
        w->SkinData->UpdateIndexes();
        return w;
    }
    HWND Combo(DWORD style, std::initializer_list<const wchar_t*> items)
    {
        HWND combo = Raw(L"COMBOBOX", style | WS_VSCROLL, 20, 20, 160, 200);
        for (const wchar_t* item : items)
            SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(item));
        return combo;
    }
    static HWND ListOf(HWND combo)
    {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        GetComboBoxInfo(combo, &info);
        return info.hwndList;
    }

    WindowTestSkinManager manager;
    std::unique_ptr<ui::Form> form;
    std::vector<HWND> windows;
};

// ---- Combo boxes ----

TEST_F(CompositeWrappers, ComboButtonIsPressedExactlyWhileDropped)
{
    HWND combo = Combo(CBS_DROPDOWNLIST, {L"one", L"two", L"three"});
    auto w = Wrap<TacComboBoxWnd>(combo, u"COMBOBOX");
    RECT button{};
    w->ButtonRect(button);
    RECT window{};
    GetWindowRect(combo, &window);
    EXPECT_EQ(button.right, window.right - window.left - 2);
    EXPECT_EQ(button.right - button.left, GetSystemMetrics(SM_CXVSCROLL));
    struct Case {
        const char* what;
        BOOL dropped;
        int state;
    } cases[] = {{"closed", FALSE, 0}, {"dropped", TRUE, 2}, {"closed again", FALSE, 0}};
    for (const Case& c : cases) {
        SendMessageW(combo, CB_SHOWDROPDOWN, c.dropped, 0);
        // The shown list asks for its colours when it paints: the wrapper learns of it then.
        UpdateWindow(ListOf(combo));
        EXPECT_EQ(w->ButtonState(), c.state) << c.what;
        auto shot = CaptureByPrint(combo);
        const int mid = (window.bottom - window.top) / 2;
        EXPECT_EQ(shot->PixelColor(button.left, mid), WindowTestCompositeColor(wcComboBtn, c.state)) << c.what;
        const int gx = button.left + (button.right - button.left - kComboGlyphSize.cx) / 2;
        const int gy = (window.bottom - window.top - kComboGlyphSize.cy) / 2;
        EXPECT_EQ(shot->PixelColor(gx + kComboGlyphSize.cx / 2, gy + kComboGlyphSize.cy / 2),
                  kComboGlyphColors[c.state])
            << c.what;
    }
}

TEST_F(CompositeWrappers, ListColoursComeOnceWithABrushTheWrapperOwns)
{
    HWND combo = Combo(CBS_DROPDOWNLIST, {L"one"});
    HWND list = ListOf(combo);
    ASSERT_NE(list, nullptr);
    auto w = Wrap<TacComboBoxWnd>(combo, u"COMBOBOX");
    HDC dc = GetDC(list);
    const LRESULT first = SendMessageW(combo, WM_CTLCOLORLISTBOX, WPARAM(dc), LPARAM(list));
    const uint32_t edit = manager.Section(manager.GetSkinIndex(u"EDIT")).Color;
    EXPECT_EQ(GetBkColor(dc), edit);
    const LRESULT second = SendMessageW(combo, WM_CTLCOLORLISTBOX, WPARAM(dc), LPARAM(list));
    ReleaseDC(list, dc);
    ASSERT_NE(first, 0);
    EXPECT_NE(GetObjectType(reinterpret_cast<HGDIOBJ>(first)), 0u);
    // The second answer is the control's own: no new brush is made.
    EXPECT_NE(second, first);
    EXPECT_EQ(w->FListHandle, list);
    ASSERT_NE(w->List(), nullptr);
    EXPECT_EQ(GetWrapper(list), w->List());
    w.reset();
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(first)), 0u);
    EXPECT_EQ(GetWrapper(list), nullptr);
}

TEST_F(CompositeWrappers, ComboPrintsWhatExistsForOddContent)
{
    const std::wstring longText(6000, L'x');
    struct Case {
        const char* what;
        DWORD style;
        std::vector<const wchar_t*> items;
        int select;
    } cases[] = {
        {"text past the buffer", CBS_DROPDOWNLIST, {longText.c_str()}, 0},
        {"no items", CBS_DROPDOWN, {}, -1},
        {"simple", CBS_SIMPLE, {L"a", L"b"}, 1},
    };
    for (const Case& c : cases) {
        HWND combo = Raw(L"COMBOBOX", c.style, 20, 20, 160, 120);
        for (const wchar_t* item : c.items)
            SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(item));
        SendMessageW(combo, CB_SETCURSEL, WPARAM(c.select), 0);
        auto w = Wrap<TacComboBoxWnd>(combo, u"COMBOBOX");
        auto shot = CaptureByPrint(combo);
        EXPECT_EQ(shot->PixelColor(1, 10), kComboColor) << c.what;
        RECT button{};
        w->ButtonRect(button);
        EXPECT_EQ(button.right - button.left, c.style == CBS_SIMPLE ? 0 : GetSystemMetrics(SM_CXVSCROLL)) << c.what;
        w.reset();
        DestroyWindow(combo);
    }
}

TEST_F(CompositeWrappers, ClassLibraryComboShowsItsButtonByStyle)
{
    struct Case {
        const char* what;
        bool libraryCombo;
        ui::ComboBoxStyle style;
        bool button;
    } cases[] = {
        {"library drop-down", true, ui::csDropDown, true},
        {"library simple", true, ui::csSimple, false},
        {"other simple", false, ui::csSimple, true},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TacWWComboBoxWnd> w;
        if (c.libraryCombo) {
            auto* combo = new ui::ComboBox(form.get());
            combo->SetStyle(c.style);
            combo->SetParent(form.get());
            TsCommonData data(combo, true);
            w = Wrap<TacWWComboBoxWnd>(combo->Handle(), u"COMBOBOX", &data);
            EXPECT_EQ(w->FShowButton, c.button) << c.what;
            w.reset();
            delete combo;
        } else {
            HWND combo = Raw(L"COMBOBOX", CBS_SIMPLE, 20, 20, 160, 120);
            w = Wrap<TacWWComboBoxWnd>(combo, u"COMBOBOX");
            RECT r{};
            w->ButtonRect(r);
            EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXVSCROLL)) << c.what;
        }
    }
}

TEST_F(CompositeWrappers, ListFrameIsPrintedOnlyWhileTheListIsNotTracked)
{
    HWND list = Raw(L"LISTBOX", WS_BORDER | WS_VSCROLL, 200, 20, 120, 100);
    for (const wchar_t* item : {L"one", L"two"})
        SendMessageW(list, LB_ADDSTRING, 0, LPARAM(item));
    auto w = Wrap<TacComboListWnd>(list, u"EDIT");
    const uint32_t color = manager.Section(manager.GetSkinIndex(u"EDIT")).Color;
    struct Case {
        const char* what;
        UINT notice;
        bool showed;
        bool frame;
    } cases[] = {{"idle", 0, false, true}, {"tracked", 0x1AE, true, false}, {"closed", 0x1AF, false, true}};
    for (const Case& c : cases) {
        if (c.notice)
            SendMessageW(list, c.notice, 0, 0);
        EXPECT_EQ(w->Showed, c.showed) << c.what;
        auto shot = CaptureByPrint(list);
        EXPECT_EQ(shot->PixelColor(1, 50) == color, c.frame) << c.what;
    }
}

// ---- Status bars ----

TEST_F(CompositeWrappers, StatusBarPaintsBackgroundDividersAndGrip)
{
    HWND bar = Raw(STATUSCLASSNAMEW, SBARS_SIZEGRIP, 0, 0, 0, 0);
    int parts[] = {100, 200, -1};
    SendMessageW(bar, SB_SETPARTS, 3, LPARAM(parts));
    auto w = Wrap<TacStatusBarWnd>(bar, {});
    EXPECT_EQ(w->SkinData->SkinSection(), u"STATUSBAR");
    EXPECT_EQ(w->PartsCount(), 3);
    RECT window{};
    GetWindowRect(bar, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    auto shot = CaptureByPrint(bar);
    const uint32_t background = WindowTestCompositeColor(wcStatusBar, 0);
    const uint32_t divider = WindowTestCompositeColor(wcDivider, 0);
    const int mid = height / 2;
    EXPECT_EQ(shot->PixelColor(50, mid), background);
    // A divider at the right edge of every part but the last.
    for (int i = 0; i < 2; ++i) {
        const RECT r = w->PartRect(i);
        bool found = false;
        for (int x = r.right - 10; x < r.right; ++x)
            found = found || shot->PixelColor(x, mid) == divider;
        EXPECT_TRUE(found) << i;
    }
    const RECT last = w->PartRect(2);
    bool lastDivider = false;
    for (int x = last.right - 30; x < last.right - kGripSize - 1; ++x)
        lastDivider = lastDivider || shot->PixelColor(x, mid) == divider;
    EXPECT_FALSE(lastDivider);
    EXPECT_EQ(shot->PixelColor(width - 2, height - 2), kGripColor);
}

TEST_F(CompositeWrappers, StatusBarTextsComeFromTheControl)
{
    auto* bar = new ui::StatusBar(form.get());
    bar->SetParent(form.get());
    bar->AddPanel()->SetText(u"first");
    bar->AddPanel()->SetText(u"second");
    TsCommonData data(bar, true);
    auto w = Wrap<TacStatusBarWnd>(bar->Handle(), u"STATUSBAR", &data);
    EXPECT_EQ(w->StatusBar, bar);
    EXPECT_EQ(w->PartText(1), u"second");
    bar->SetSimplePanel(true);
    EXPECT_TRUE(w->SimplePanel());
    // A raw bar has no texts of a control.
    HWND raw = Raw(STATUSCLASSNAMEW, 0, 0, 0, 0, 0);
    auto plain = Wrap<TacStatusBarWnd>(raw, {});
    EXPECT_EQ(plain->StatusBar, nullptr);
    EXPECT_EQ(plain->PartText(0), u"");
    w.reset();
}

// ---- Tab controls ----

HWND AddTabs(HWND tab, std::initializer_list<const wchar_t*> texts)
{
    int i = 0;
    for (const wchar_t* text : texts) {
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<wchar_t*>(text);
        item.iImage = 0;
        SendMessageW(tab, TCM_INSERTITEMW, WPARAM(i++), LPARAM(&item));
    }
    return tab;
}

TEST_F(CompositeWrappers, TabsPaintPerStateWithTheSelectedTabOverThePage)
{
    HWND tab = AddTabs(Raw(WC_TABCONTROLW, 0, 20, 20, 300, 200), {L"one", L"two", L"three"});
    // An image list without images: tabs asking for image 0 show none.
    HIMAGELIST empty = ImageList_Create(16, 16, ILC_COLOR24, 0, 1);
    SendMessageW(tab, TCM_SETIMAGELIST, 0, LPARAM(empty));
    SendMessageW(tab, TCM_SETCURSEL, 1, 0);
    auto w = Wrap<TacTabControlWnd>(tab, {});
    EXPECT_EQ(w->SkinData->SkinSection(), u"PAGECONTROL");
    EXPECT_EQ(w->FrameSection(), u"PAGECONTROL");
    const RECT normal = w->SkinTabRect(0, false), selected = w->SkinTabRect(1, true), page = w->PageRect();
    auto shot = CaptureByPrint(tab);
    const int tabMid = (normal.top + normal.bottom) / 2;
    EXPECT_EQ(shot->PixelColor(normal.left, tabMid - 2), WindowTestCompositeColor(wcTabTop, 0));
    EXPECT_EQ(shot->PixelColor(selected.left, tabMid - 2), WindowTestCompositeColor(wcTabTop, 2));
    EXPECT_EQ(shot->PixelColor(page.left, (page.top + page.bottom) / 2), WindowTestCompositeColor(wcPageTop, 0));
    // The selected tab reaches into the page frame and is drawn over it.
    ASSERT_GT(selected.bottom, page.top);
    EXPECT_EQ(shot->PixelColor(selected.left, page.top), WindowTestCompositeColor(wcTabTop, 2));
    EXPECT_EQ(shot->PixelColor(selected.right + 3, page.top), WindowTestCompositeColor(wcPageTop, 0));
    w.reset();
    ImageList_Destroy(empty);
}

TEST_F(CompositeWrappers, TopTabRectanglesFollowTheItemRectangles)
{
    HWND tab = AddTabs(Raw(WC_TABCONTROLW, 0, 20, 20, 300, 200), {L"one", L"two"});
    SendMessageW(tab, TCM_SETCURSEL, 0, 0);
    auto w = Wrap<TacTabControlWnd>(tab, {});
    const RECT item0 = w->TabRect(0), item1 = w->TabRect(1);
    struct Case {
        const char* what;
        int index;
        bool active;
        RECT expected;
    } cases[] = {
        {"inactive", 1, false, RECT{item1.left, item1.top, item1.right - 1, item1.bottom + 4}},
        {"active", 0, true, RECT{item0.left - 2, item0.top - 2, item0.right + 2, item0.bottom + 2}},
        {"outside", 2, false, RECT{}},
        {"negative", -1, true, RECT{}},
    };
    for (const Case& c : cases) {
        const RECT r = w->SkinTabRect(c.index, c.active);
        EXPECT_TRUE(EqualRect(&r, &c.expected)) << c.what << " " << r.left << "," << r.top << "," << r.right << ","
                                                << r.bottom;
    }
}

TEST_F(CompositeWrappers, SelectingATabRepaintsTheFrame)
{
    HWND tab = AddTabs(Raw(WC_TABCONTROLW, 0, 20, 20, 300, 200), {L"one", L"two", L"three"});
    SendMessageW(tab, TCM_SETCURSEL, 0, 0);
    auto w = Wrap<TacTabControlWnd>(tab, {});
    RedrawWindow(tab, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    for (int index : {2, 1}) {
        SendMessageW(tab, TCM_SETCURSEL, WPARAM(index), 0);
        UpdateWindow(tab);
        const RECT selected = w->SkinTabRect(index, true);
        auto shot = CaptureWindowDC(tab);
        EXPECT_EQ(shot->PixelColor(selected.left, (selected.top + selected.bottom) / 2),
                  WindowTestCompositeColor(wcTabTop, 2))
            << index;
    }
}

TEST_F(CompositeWrappers, TabControlWithoutTabsIsOneCheckBoxSection)
{
    HWND tab = Raw(WC_TABCONTROLW, 0, 20, 20, 200, 100);
    auto w = Wrap<TacTabControlWnd>(tab, {});
    EXPECT_EQ(w->FrameSection(), u"CHECKBOX");
    auto shot = CaptureByPrint(tab);
    EXPECT_EQ(shot->PixelColor(0, 50), WindowTestBoxColor(wbCheckBox, 0));
    EXPECT_EQ(shot->PixelColor(199, 50), WindowTestBoxColor(wbCheckBox, 0));
}

TEST_F(CompositeWrappers, TabScrollArrowsGetTheUpDownSection)
{
    HWND tab = AddTabs(Raw(WC_TABCONTROLW, 0, 20, 20, 120, 100),
                       {L"first tab", L"second tab", L"third tab", L"fourth tab", L"fifth tab"});
    SendMessageW(tab, TCM_SETCURSEL, 0, 0);
    auto w = Wrap<TacTabControlWnd>(tab, {});
    CaptureByPrint(tab);
    HWND spin = FindWindowExW(tab, nullptr, UPDOWN_CLASSW, nullptr);
    ASSERT_NE(spin, nullptr);
    ASSERT_NE(w->BtnSW, nullptr);
    EXPECT_EQ(w->BtnSW->CtrlHandle, spin);
    EXPECT_EQ(w->BtnSW->SkinData->SkinSection(), u"UPDOWNBTN");
    TacSpinWnd* first = w->BtnSW.get();
    CaptureByPrint(tab);
    EXPECT_EQ(w->BtnSW.get(), first);
}

TEST_F(CompositeWrappers, PageControlWrapsEachPageOnce)
{
    HWND control = AddTabs(Raw(WC_TABCONTROLW, WS_CLIPCHILDREN, 20, 20, 300, 200), {L"one", L"two"});
    SendMessageW(control, TCM_SETCURSEL, 0, 0);
    auto page = [control](int x) {
        return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, x, 40, 100, 100, control, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    };
    HWND first = page(10);
    const int before = PageWrapperCount();
    auto w = Wrap<TacPageControlWnd>(control, {});
    EXPECT_EQ(PageWrapperCount(), before + 1);
    EXPECT_TRUE(AskAcMessage(first, scIsSkinAware));
    SendMessageW(control, WM_NCPAINT, 0, 0);
    EXPECT_EQ(PageWrapperCount(), before + 1);
    // A new page is wrapped when the control hears of it.
    HWND second = page(150);
    EXPECT_EQ(PageWrapperCount(), before + 2);
    EXPECT_TRUE(AskAcMessage(second, scIsSkinAware));
    // The page shows the control's background.
    auto erased = NewBmp24(100, 100);
    CaptureByPrint(control);
    SendMessageW(first, WM_ERASEBKGND, WPARAM(erased->Canvas().Handle()), 0);
    EXPECT_EQ(erased->PixelColor(50, 50), WindowTestCompositeColor(wcPageTop, 0));
}

// ---- Tool bars ----

TEST_F(CompositeWrappers, ToolBarButtonsPaintByState)
{
    HWND bar = Raw(TOOLBARCLASSNAMEW, CCS_NORESIZE | CCS_NODIVIDER | TBSTYLE_FLAT, 0, 200, 400, 40);
    SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, 1, 1);
    auto glyph = NewBmp24(16, 16);
    ImageList_Add(images, reinterpret_cast<HBITMAP>(glyph->Handle()), nullptr);
    SendMessageW(bar, TB_SETIMAGELIST, 0, LPARAM(images));
    TBBUTTON buttons[4] = {};
    const BYTE states[4] = {TBSTATE_ENABLED, TBSTATE_ENABLED | TBSTATE_PRESSED, 0, TBSTATE_ENABLED};
    for (int i = 0; i < 4; ++i) {
        buttons[i].idCommand = 100 + i;
        buttons[i].fsState = states[i];
        buttons[i].fsStyle = i == 3 ? BTNS_SEP : BTNS_BUTTON;
        buttons[i].iBitmap = i == 0 ? 7 : 0; // the first asks for an image past the list
        buttons[i].iString = -1;
    }
    SendMessageW(bar, TB_ADDBUTTONSW, 4, LPARAM(buttons));
    SendMessageW(bar, TB_SETBUTTONSIZE, 0, MAKELPARAM(40, 30));
    auto w = Wrap<TacToolBarWnd>(bar, u"TOOLBAR");
    ASSERT_EQ(w->Count(), 4);
    auto shot = CaptureByPrint(bar);
    const uint32_t bg = WindowTestCompositeColor(wcToolBar, 0), face = WindowTestCompositeColor(wcToolButton, 0);
    auto blend = [](uint32_t back, uint32_t front) {
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const double b = (back >> shift) & 0xFF, f = (front >> shift) & 0xFF;
            out |= uint32_t(b - 0.4 * (b - f) + 0.5) << shift;
        }
        return out;
    };
    struct Case {
        const char* what;
        int index;
        uint32_t edge;
    } cases[] = {
        {"normal", 0, face},
        {"pressed", 1, WindowTestCompositeColor(wcToolButton, 2)},
        {"disabled", 2, blend(bg, face)},
    };
    const int b = w->BorderWidth;
    for (const Case& c : cases) {
        const RECT r = w->GetButtonRect(c.index);
        const uint32_t got = shot->PixelColor(r.left + b, (r.top + r.bottom) / 2 + b);
        for (int shift = 0; shift < 24; shift += 8)
            EXPECT_NEAR(int((got >> shift) & 0xFF), int((c.edge >> shift) & 0xFF), 1) << c.what;
    }
    const RECT sep = w->GetButtonRect(3);
    EXPECT_EQ(shot->PixelColor((sep.left + sep.right) / 2 + b, (sep.top + sep.bottom) / 2 + b),
              WindowTestCompositeColor(wcDivider, 0));
    w.reset();
    ImageList_Destroy(images);
}

TEST_F(CompositeWrappers, ToolButtonTextKeepsTheLeadingWordsThatFit)
{
    auto measure = [](core::StringView s) { return int(s.size()) * 10; };
    struct Case {
        const char* text;
        int width;
        const char* first;
        const char* second;
    } cases[] = {
        {"Open", 30, "Open", ""},
        {"Open file", 200, "Open file", ""},
        {"Open the file now", 90, "Open the", "file now"},
        {"Open the file now", 50, "Open", "the file now"},
        {"Extraordinarily long", 50, "Extraordinarily", "long"},
    };
    for (const Case& c : cases) {
        core::String first, second;
        TacToolBarWnd::SplitButtonText(core::FromUtf8(c.text), c.width, measure, first, second);
        EXPECT_EQ(first, core::FromUtf8(c.first)) << c.text;
        EXPECT_EQ(second, core::FromUtf8(c.second)) << c.text;
    }
}

// ---- List views ----

HWND ReportList(HWND list, int rows)
{
    for (int c = 0; c < 2; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 80;
        column.pszText = const_cast<wchar_t*>(c == 0 ? L"Name" : L"Size");
        SendMessageW(list, LVM_INSERTCOLUMNW, WPARAM(c), LPARAM(&column));
    }
    for (int i = 0; i < rows; ++i) {
        const std::wstring text = L"row " + std::to_wstring(i);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&item));
    }
    return list;
}

TEST_F(CompositeWrappers, HeaderColumnsPaintHotAndPressedStates)
{
    HWND list = ReportList(Raw(WC_LISTVIEWW, LVS_REPORT | WS_BORDER, 20, 20, 240, 160), 5);
    auto w = Wrap<TacListViewWnd>(list, u"EDIT");
    ASSERT_NE(w->FhWndHeader, nullptr);
    HWND header = w->FhWndHeader;
    RECT c0{}, c1{};
    w->GetHeaderColumnRect(0, c0);
    w->GetHeaderColumnRect(1, c1);
    auto columnColor = [&](const RECT& r, int index) {
        auto b = NewBmp24(200, 40);
        w->ColumnSkinPaint(r, index, b->Canvas().Handle());
        return b->PixelColor(r.left, (r.top + r.bottom) / 2);
    };
    RECT hw{};
    GetWindowRect(header, &hw);
    // Hover over the second column (screen coordinates), then press the first.
    SendMessageW(header, WM_NCHITTEST, 0, MAKELPARAM(hw.left + c1.left + 10, hw.top + 5));
    EXPECT_EQ(w->HoverColIndex, 1);
    EXPECT_EQ(columnColor(c0, 0), WindowTestCompositeColor(wcColHeader, 0));
    EXPECT_EQ(columnColor(c1, 1), WindowTestCompositeColor(wcColHeader, 1));
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c0.left + 10, 5));
    EXPECT_EQ(w->FPressedColumn, 0);
    EXPECT_EQ(columnColor(c0, 0), WindowTestCompositeColor(wcColHeader, 2));
    // While a column is pressed no column is hot.
    EXPECT_EQ(columnColor(c1, 1), WindowTestCompositeColor(wcColHeader, 0));
    SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(c0.left + 10, 5));
    EXPECT_EQ(w->FPressedColumn, -1);
    // A click on the divider presses nothing.
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c0.right, 5));
    EXPECT_EQ(w->FPressedColumn, -1);
    SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(c0.right, 5));
    ReleaseCapture();
    // The empty part right of the columns is hot under the mouse; the list's hit test keeps it.
    SendMessageW(header, WM_NCHITTEST, 0, MAKELPARAM(hw.left + c1.right + 20, hw.top + 5));
    EXPECT_EQ(w->HoverColIndex, -2);
    SendMessageW(list, WM_NCHITTEST, 0, MAKELPARAM(hw.left + 10, hw.bottom + 20));
    EXPECT_EQ(w->HoverColIndex, -2);
}

// An owning list-view control as the wrapper sees it: view style, small images and the columns'
// image indexes, all by name.
class ColumnItem : public core::CollectionItem {
public:
    using core::CollectionItem::CollectionItem;
    int imageIndex = -1;
};

class OwningListView : public ui::Control {
public:
    using ui::Control::Control;
    core::Collection columns{[](core::Collection* c) { return new ColumnItem(c); }};
    ui::ImageList* images = nullptr;
};

void RegisterOwningListView()
{
    ui::RegisterPropClass<ColumnItem>(u"TTestListColumn",
                                      {ui::OrdProperty(
                                          u"ImageIndex", [](core::Object& o) { return static_cast<ColumnItem&>(o).imageIndex; },
                                          [](core::Object& o, int64_t v) { static_cast<ColumnItem&>(o).imageIndex = int(v); })});
    ui::RegisterPropClass<OwningListView>(
        u"TTestListView",
        {ui::OrdProperty(u"ViewStyle", [](core::Object&) { return int64_t(vsReport); }, nullptr),
         ui::ObjectProperty(u"SmallImages", [](core::Object& o) { return static_cast<OwningListView&>(o).images; }),
         ui::ObjectProperty(u"Columns", [](core::Object& o) { return &static_cast<OwningListView&>(o).columns; })});
}

TEST_F(CompositeWrappers, HeaderColumnsDrawTheImagesTheirOwnerKeeps)
{
    RegisterOwningListView();
    constexpr uint32_t kRed = 0x0000FF;
    ui::ImageList images(nullptr, 12, 12);
    auto red = NewBmp24(12, 12);
    red->Canvas().SetBrushColor(ui::Color(kRed));
    red->Canvas().FillRect(RECT{0, 0, 12, 12});
    images.Add(*red);
    OwningListView owner;
    owner.images = &images;
    HWND list = ReportList(Raw(WC_LISTVIEWW, LVS_REPORT, 20, 20, 240, 160), 2);
    TsCommonData data(&owner, false);
    auto w = Wrap<TacListViewWnd>(list, u"EDIT", &data);
    ASSERT_NE(w->FhWndHeader, nullptr);
    for (int c = 0; c < 2; ++c) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        item.fmt = HDF_LEFT | HDF_STRING | HDF_IMAGE;
        SendMessageW(w->FhWndHeader, HDM_SETITEMW, WPARAM(c), LPARAM(&item));
    }
    // An index past the list, no index, and a column the owner does not know draw no image.
    struct Case {
        int columns;
        int index;
        bool drawn;
    } cases[] = {{1, 0, true}, {1, -1, false}, {1, 5, false}, {0, 0, false}};
    for (const Case& c : cases) {
        owner.columns.Clear();
        for (int i = 0; i < c.columns; ++i)
            static_cast<ColumnItem*>(owner.columns.Add())->imageIndex = c.index;
        RECT r{};
        w->GetHeaderColumnRect(0, r);
        auto b = NewBmp24(200, 40);
        w->ColumnSkinPaint(r, 0, b->Canvas().Handle());
        // The image sits at the start of the text area, vertically centred.
        EXPECT_EQ(b->PixelColor(r.left + 4 + 6, (r.bottom - r.top) / 2) == kRed, c.drawn) << c.columns << " " << c.index;
    }
}

TEST_F(CompositeWrappers, ListColoursComeBackAfterTheSkin)
{
    HWND list = ReportList(Raw(WC_LISTVIEWW, LVS_REPORT, 20, 20, 240, 160), 3);
    SendMessageW(list, LVM_SETBKCOLOR, 0, 0x123456);
    SendMessageW(list, LVM_SETTEXTCOLOR, 0, 0x010203);
    auto w = Wrap<TacListViewWnd>(list, u"EDIT");
    w->SetSkinParams();
    const uint32_t edit = manager.Section(manager.GetSkinIndex(u"EDIT")).Color;
    EXPECT_EQ(uint32_t(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)), edit);
    HWND header = w->FhWndHeader;
    SendAcMessage(list, scSkinRemoved, LPARAM(static_cast<SkinManager*>(&manager)));
    EXPECT_EQ(SendMessageW(list, LVM_GETBKCOLOR, 0, 0), 0x123456);
    EXPECT_EQ(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0), 0x010203);
    // The header has its own procedure back.
    EXPECT_EQ(w->FhWndHeader, nullptr);
    EXPECT_EQ(GetPropW(header, L"ACLVHEADER"), nullptr);
}

TEST_F(CompositeWrappers, ReportThumbDragScrollsWholeItems)
{
    HWND list = ReportList(Raw(WC_LISTVIEWW, LVS_REPORT, 20, 20, 240, 120), 40);
    auto w = Wrap<TacListViewWnd>(list, u"EDIT");
    struct Case {
        int pos;
        int top;
    } cases[] = {{3, 3}, {3, 3}, {5, 5}, {1, 1}};
    for (const Case& c : cases) {
        const int last = int(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
        Tracking().LastTrackPos = last;
        SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, c.pos), 0);
        EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), c.top) << c.pos;
    }
}

TEST_F(CompositeWrappers, IconViewLeavesTheHeaderAlone)
{
    HWND list = ReportList(Raw(WC_LISTVIEWW, LVS_REPORT, 20, 20, 240, 120), 3);
    auto w = Wrap<TacListViewWnd>(list, u"EDIT");
    SendMessageW(list, LVM_SETVIEW, LV_VIEW_ICON, 0);
    EXPECT_EQ(w->ViewStyle(), vsIcon);
    HWND header = w->FhWndHeader;
    ASSERT_NE(header, nullptr);
    RECT hw{};
    GetWindowRect(header, &hw);
    SendMessageW(header, WM_NCHITTEST, 0, MAKELPARAM(hw.left + 10, hw.top + 5));
    EXPECT_EQ(w->HoverColIndex, -1);
    // Without a header at all the wrapper still works.
    HWND bare = Raw(WC_LISTVIEWW, LVS_LIST, 20, 150, 200, 100);
    auto plain = Wrap<TacListViewWnd>(bare, u"EDIT");
    CaptureByPrint(bare);
    EXPECT_EQ(plain->ViewStyle(), vsList);
}

} // namespace
} // namespace skin
