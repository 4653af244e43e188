#include "skin/windows/mnuwnd.h"

#include "skin/engine/consts.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinablemenus.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/dialogskin.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/skinmenus.h"

namespace skin {
namespace {

constexpr int kFrame = 3;

bool g_menuOpen = false;

// The window DC, released at the end of the scope.
class WindowDC {
public:
    explicit WindowDC(HWND wnd) : m_wnd(wnd), m_dc(GetWindowDC(wnd)) {}
    ~WindowDC() { ReleaseDC(m_wnd, m_dc); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_wnd;
    HDC m_dc;
};

} // namespace

bool& SkinnedMenuOpen() { return g_menuOpen; }

void TacMnuWnd::PrepareCache()
{
    UpdateGeometry();
    if (!SkinData->BGChanged)
        return;
    SkinData->EnsureCacheBmp();
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (!cache || WndSize.cx <= 0 || WndSize.cy <= 0)
        return;
    cache->SetSize(WndSize.cx, WndSize.cy);
    const POINT at{WndRect.left - ParentRect.left, WndRect.top - ParentRect.top};
    PaintControlItem(SkinData, EmptyCacheInfo, true, 0, Rect{0, 0, WndSize.cx, WndSize.cy}, at, cache, false);
    RestoreWndCorners(SkinData, 0, this);
    SkinData->BGChanged = false;
}

void TacMnuWnd::acWndProc(ui::Message& message)
{
    switch (message.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY: {
        RgnChanged = 0;
        for (TacMnuWnd*& m : TacMnuArray())
            if (m == this)
                m = nullptr;
        message.Result = CallPrevWndProc(message);
        const bool freeIt = (OldProc || OldWndProc) && !Destroyed;
        if (freeIt)
            DetachWrapper(CtrlHandle, false, this);
        TsMenuPainter::ClearMenuInfos();
        bool any = false;
        for (TacMnuWnd* m : TacMnuArray())
            if (m) {
                any = true;
                RedrawWindow(m->CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
            }
        if (!any)
            ClearMnuArray();
        SkinnedMenuOpen() = false;
        if (freeIt)
            delete this; // nothing touches the wrapper after its window procedure returns
        return;
    }
    case WM_ERASEBKGND:
        if (!SkinnedMenuOpen())
            break;
        PrepareCache();
        if (ui::Bitmap* cache = SkinData->CacheBmp()) {
            HDC dc = message.WParam ? reinterpret_cast<HDC>(message.WParam) : GetDC(CtrlHandle);
            BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), kFrame, kFrame, SRCCOPY);
            if (!message.WParam)
                ReleaseDC(CtrlHandle, dc);
        }
        RgnChanged = 0;
        message.Result = 1;
        return;
    case WM_NCPAINT: {
        if (!SkinnedMenuOpen())
            break;
        UpdateGeometry();
        WindowDC dc(CtrlHandle);
        ui::Bitmap* image = nullptr;
        if (SkinManager && SkinManager->SkinableMenus())
            image = SkinManager->SkinableMenus()->GetMenuInfo(nullptr, CtrlHandle);
        if (image && image->Width() + 2 * kFrame == WndSize.cx && image->Height() == WndSize.cy) {
            CopyDCFrame(dc.Get(), 0, 0, WndSize.cx, WndSize.cy, image->Canvas().Handle(), 0, 0, kFrame);
        } else {
            PrepareCache();
            if (ui::Bitmap* cache = SkinData->CacheBmp())
                CopyDCFrame(dc.Get(), 0, 0, WndSize.cx, WndSize.cy, cache->Canvas().Handle(), 0, 0, kFrame);
        }
        message.Result = 0;
        return;
    }
    default:
        if (IsSkinCommand(message)) {
            switch (SubCodeOf(message.WParam)) {
            case scIsSkinAware:
                message.Result = 1;
                return;
            case scSetUpdating:
                message.Result = RgnChanged;
                return;
            case scMenuRgnChanged:
                if (IsWindowVisible(CtrlHandle))
                    RgnChanged = 1;
                return;
            case scGetApplication:
                message.Result = ApplicationAnswer();
                return;
            }
            message.Result = 0; // the menu window answers no other skin command
            return;
        }
    }
    TacScrollWnd::acWndProc(message);
}

} // namespace skin
