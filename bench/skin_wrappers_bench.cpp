// The wrappers of simple windows on a window of 40 standard controls (edits, lists, buttons, check
// boxes, radio buttons, group boxes, statics, links, spins and trees): the whole window repainted
// with frames and children, wrapped against the same window unwrapped (medians of one run, as a
// ratio; target at most 3x), and the cache bytes of all wrappers against 3 bytes per pixel of the
// wrapped windows (target at most 1.1x). Then a window of the composite controls (a tab control, a
// tool bar, a status bar and a report list view of 500 rows) repainted wrapped against unwrapped
// (target at most 3x).
#include "skin/engine/graphutils.h"
#include "skin/windows/btnwnd.h"
#include "skin/windows/editwnd.h"
#include "skin/windows/panelwnd.h"
#include "skin/windows/spinwnd.h"
#include "skin/windows/staticwnd.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"
#include "skin/windows/treewnd.h"
#include "bench/timing.h"
#include "skin/windows/wrapperkit.h"

#include <commctrl.h>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 100;
constexpr int kColumns = 4, kKinds = 10;

struct Kind {
    const wchar_t* cls;
    const wchar_t* text;
    DWORD style, exStyle;
    const char16_t* wrapper;
};

const Kind kKindsOf[kKinds] = {
    {L"EDIT", L"edit", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, u"TacEditWnd"},
    {L"LISTBOX", L"", WS_VSCROLL, WS_EX_CLIENTEDGE, u"TacEditWnd"},
    {L"BUTTON", L"Button", BS_PUSHBUTTON, 0, u"TacBtnWnd"},
    {L"BUTTON", L"Check", BS_AUTOCHECKBOX, 0, u"TacCheckBoxWnd"},
    {L"BUTTON", L"Radio", BS_AUTORADIOBUTTON, 0, u"TacCheckBoxWnd"},
    {L"BUTTON", L"Group", BS_GROUPBOX, 0, u"TacGroupBoxWnd"},
    {L"STATIC", L"Static text", 0, 0, u"TacStaticWnd"},
    {L"STATIC", L"<A>link</A>", 0, 0, u"TacLinkWnd"},
    {UPDOWN_CLASSW, L"", 0, 0, u"TacSpinWnd"},
    {WC_TREEVIEWW, L"", 0, WS_EX_CLIENTEDGE, u"TacTreeViewWnd"},
};

std::vector<HWND> MakeControls(HWND parent)
{
    std::vector<HWND> controls;
    for (int column = 0; column < kColumns; ++column)
        for (int k = 0; k < kKinds; ++k) {
            const Kind& kind = kKindsOf[k];
            const int w = k == 8 ? 20 : 110, h = k == 1 || k == 5 || k == 9 ? 50 : 26;
            HWND wnd = CreateWindowExW(kind.exStyle, kind.cls, kind.text, WS_CHILD | WS_VISIBLE | kind.style,
                                       10 + column * 130, 10 + k * 56, w, h, parent, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
            if (k == 1)
                for (int i = 0; i < 5; ++i)
                    SendMessageW(wnd, LB_ADDSTRING, 0, LPARAM(L"item"));
            controls.push_back(wnd);
        }
    return controls;
}

double MedianRepaint(HWND top)
{
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i)
        times.push_back(bench::Seconds([&] {
            RedrawWindow(top, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            GdiFlush();
        }));
    return bench::Median(times);
}

// Bytes of a 24-bit bitmap with rows padded to 4 bytes.
uint64_t BitmapBytes(const ui::Bitmap& bmp)
{
    return uint64_t((bmp.Width() * 3 + 3) & ~3) * uint64_t(bmp.Height());
}

struct Composite {
    HWND wnd;
    const char16_t* wrapper;
    const char16_t* section;
};

std::vector<Composite> MakeComposite(HWND parent)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND tab = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 10, 50, 240, 200,
                               parent, nullptr, instance, nullptr);
    for (int i = 0; i < 4; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"Page");
        SendMessageW(tab, TCM_INSERTITEMW, WPARAM(i), LPARAM(&item));
    }
    HWND bar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | CCS_TOP, 0, 0, 0, 0,
                               parent, nullptr, instance, nullptr);
    SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON buttons[6] = {};
    for (int i = 0; i < 6; ++i) {
        buttons[i].idCommand = 100 + i;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = i == 3 ? BTNS_SEP : BTNS_BUTTON;
        buttons[i].iBitmap = -1;
        buttons[i].iString = INT_PTR(L"Tool");
    }
    SendMessageW(bar, TB_ADDBUTTONSW, 6, LPARAM(buttons));
    HWND status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                                  nullptr, instance, nullptr);
    int parts[] = {150, 300, -1};
    SendMessageW(status, SB_SETPARTS, 3, LPARAM(parts));
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 260, 50, 270,
                                460, parent, nullptr, instance, nullptr);
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 80;
        column.pszText = const_cast<wchar_t*>(L"Column");
        SendMessageW(list, LVM_INSERTCOLUMNW, WPARAM(c), LPARAM(&column));
    }
    for (int i = 0; i < 500; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(L"row");
        SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&item));
    }
    return {{tab, u"TacTabControlWnd", u""},
            {bar, u"TacToolBarWnd", u"TOOLBAR"},
            {status, u"TacStatusBarWnd", u""},
            {list, u"TacListViewWnd", u"EDIT"}};
}

// The composite window repainted unwrapped, then wrapped; the skin manager must be the default.
void CompositeFigure(HWND top)
{
    std::vector<Composite> plain = MakeComposite(top);
    UpdateWindow(top);
    const double plainTime = MedianRepaint(top);
    for (const Composite& c : plain)
        DestroyWindow(c.wnd);
    std::vector<Composite> controls = MakeComposite(top);
    std::vector<std::unique_ptr<skin::TacMainWnd>> wrappers;
    for (const Composite& c : controls) {
        wrappers.push_back(skin::FindWrapperClass(c.wrapper)(c.wnd, nullptr, nullptr, c.section, true));
        wrappers.back()->SkinData->UpdateIndexes();
    }
    UpdateWindow(top);
    const double wrappedTime = MedianRepaint(top);
    std::printf("repaint of tab control, tool bar, status bar and a report list of 500 rows: wrapped %.1f us, "
                "unwrapped %.1f us, ratio %.2f (target at most 3)\n",
                wrappedTime * 1e6, plainTime * 1e6, wrappedTime / plainTime);
    wrappers.clear();
    for (const Composite& c : controls)
        DestroyWindow(c.wnd);
}

} // namespace

int main()
{
    skin::InitSkinEngine();
    skin::InitWindowSkinning();
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_UPDOWN_CLASS | ICC_TREEVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                              ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND top = CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 540, 580,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);

    std::vector<HWND> plain = MakeControls(top);
    UpdateWindow(top);
    const double plainTime = MedianRepaint(top);
    for (HWND w : plain)
        DestroyWindow(w);

    skin::testing::WindowTestSkinManager manager;
    skin::SetDefaultManager(&manager);
    std::vector<HWND> controls = MakeControls(top);
    std::vector<std::unique_ptr<skin::TacMainWnd>> wrappers;
    for (size_t i = 0; i < controls.size(); ++i) {
        auto make = skin::FindWrapperClass(kKindsOf[i % kKinds].wrapper);
        wrappers.push_back(make(controls[i], nullptr, nullptr, {}, true));
        wrappers.back()->SkinData->UpdateIndexes();
    }
    UpdateWindow(top);
    const double wrappedTime = MedianRepaint(top);

    uint64_t cacheBytes = 0, windowPixels = 0;
    for (size_t i = 0; i < controls.size(); ++i) {
        RECT r{};
        GetWindowRect(controls[i], &r);
        windowPixels += uint64_t(r.right - r.left) * uint64_t(r.bottom - r.top);
        if (ui::Bitmap* cache = wrappers[i]->SkinData->CacheBmp(); cache && !cache->Empty())
            cacheBytes += BitmapBytes(*cache);
    }

    std::printf("repaint of %zu controls: wrapped %.1f us, unwrapped %.1f us, ratio %.2f (target at most 3)\n",
                controls.size(), wrappedTime * 1e6, plainTime * 1e6, wrappedTime / plainTime);
    std::printf("cache memory: %llu bytes for %llu window pixels, ratio to 3 bytes a pixel %.2f (target at most 1.1)\n",
                static_cast<unsigned long long>(cacheBytes), static_cast<unsigned long long>(windowPixels),
                double(cacheBytes) / (3.0 * double(windowPixels)));
    wrappers.clear();
    for (HWND w : controls)
        DestroyWindow(w);
    CompositeFigure(top);
    DestroyWindow(top);
    skin::SetDefaultManager(nullptr);
    skin::DoneWindowSkinning();
    skin::DoneSkinEngine();
    return 0;
}
