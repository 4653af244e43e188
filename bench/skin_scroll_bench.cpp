// Skinned scroll bars against the system's on a 300 x 400 list box of 1,000 items: the non-client
// paint of both bars, wrapped against unwrapped, and one thumb-drag step against the system bar's
// (its position set and the scroll message sent). Medians of one run, printed as ratios; each
// should stay at most 3x.
#include "bench/timing.h"
#include "skin/engine/graphutils.h"
#include "skin/windows/scrollwnd.h"
#include "skin/windows/testwriters/windowtestmanager_win32.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kRounds = 200;

HWND MakeList(HWND parent)
{
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL,
                                10, 10, 300, 400, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (int i = 0; i < 1000; ++i)
        SendMessageW(list, LB_ADDSTRING, 0, LPARAM(std::to_wstring(i).c_str()));
    SendMessageW(list, LB_SETHORIZONTALEXTENT, 900, 0);
    return list;
}

double MedianOf(const std::function<void()>& step)
{
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i)
        times.push_back(bench::Seconds(step));
    return bench::Median(times);
}

void SetMessagePos(HWND wnd, POINT p)
{
    SetCursorPos(p.x, p.y);
    PostMessageW(wnd, WM_NULL, 0, 0);
    MSG m;
    PeekMessageW(&m, wnd, WM_NULL, WM_NULL, PM_REMOVE);
}

} // namespace

int main()
{
    skin::InitSkinEngine();
    skin::InitWindowSkinning();
    HWND top = CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP | WS_VISIBLE, 0, 0, 340, 440, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    HWND plain = MakeList(top);
    UpdateWindow(top);
    const double plainPaint = MedianOf([&] { SendMessageW(plain, WM_NCPAINT, 1, 0); });
    int pos = 0;
    const double plainDrag = MedianOf([&] {
        pos = (pos + 7) % 900;
        SetScrollPos(plain, SB_VERT, pos, TRUE);
        SendMessageW(plain, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, pos), 0);
    });
    DestroyWindow(plain);

    skin::testing::WindowTestSkinManager manager;
    skin::SetDefaultManager(&manager);
    HWND list = MakeList(top);
    auto wrapper = skin::TacMainWnd::Create<skin::TacScrollWnd>(list, nullptr, nullptr, u"EDIT");
    const double wrappedPaint = MedianOf([&] { SendMessageW(list, WM_NCPAINT, 1, 0); });

    RECT v{};
    wrapper->VertBarRect(list, v);
    int length = 0, start = 0;
    skin::GetThumbPos(*wrapper->sBarVert, v, length, start);
    const POINT grip{(v.left + v.right) / 2, start + length / 2};
    SendMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(grip.x, grip.y));
    int offset = 0;
    const double wrappedDrag = MedianOf([&] {
        offset = (offset + 7) % 300;
        SetMessagePos(list, {grip.x, grip.y + offset});
        SendMessageW(list, WM_MOUSEMOVE, 0, 0);
    });
    SendMessageW(list, WM_LBUTTONUP, 0, 0);

    std::printf("non-client paint of both bars: wrapped %.1f us, system %.1f us, ratio %.2f\n", wrappedPaint * 1e6,
                plainPaint * 1e6, wrappedPaint / plainPaint);
    std::printf("one thumb-drag step: wrapped %.1f us, system %.1f us, ratio %.2f\n", wrappedDrag * 1e6,
                plainDrag * 1e6, wrappedDrag / plainDrag);
    wrapper.reset();
    DestroyWindow(top);
    skin::SetDefaultManager(nullptr);
    skin::DoneWindowSkinning();
    skin::DoneSkinEngine();
    return 0;
}
