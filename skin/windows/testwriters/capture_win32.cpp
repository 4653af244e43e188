// Captures of windows for the wrapper tests.
#include "skin/windows/testwriters/windowtestskin.h"

#include "ui/bitmap.h"

namespace skin::testing {

namespace {

std::unique_ptr<ui::Bitmap> BitmapOfWindow(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    return std::make_unique<ui::Bitmap>(std::max(1L, r.right - r.left), std::max(1L, r.bottom - r.top), ui::pf24bit);
}

} // namespace

std::unique_ptr<ui::Bitmap> CaptureByPrint(HWND wnd)
{
    auto bmp = BitmapOfWindow(wnd);
    SendMessageW(wnd, WM_PRINT, WPARAM(bmp->Canvas().Handle()),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_CHILDREN | PRF_ERASEBKGND);
    return bmp;
}

std::unique_ptr<ui::Bitmap> CaptureWindowDC(HWND wnd)
{
    auto bmp = BitmapOfWindow(wnd);
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    UpdateWindow(wnd);
    GdiFlush();
    if (HDC dc = GetWindowDC(wnd)) {
        BitBlt(bmp->Canvas().Handle(), 0, 0, bmp->Width(), bmp->Height(), dc, 0, 0, SRCCOPY);
        ReleaseDC(wnd, dc);
    }
    return bmp;
}

} // namespace skin::testing
