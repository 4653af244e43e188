// The drop-down list of a combo box: its frame and skinned scroll bars.
#include "skin/windows/editwnd.h"

#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/sbutils.h"
#include "skin/windows/wrapperkit.h"
#include "ui/bitmap.h"

namespace skin {

namespace {

// The combo box's list messages around the time the list is shown and tracked.
constexpr UINT kListShowing = 0x1AE;
constexpr UINT kListHidden = 0x1AF;

} // namespace

void TacComboListWnd::PrepareListCache()
{
    UpdateGeometry();
    if (SimplyBox) {
        SendAcMessage(CtrlHandle, scPrepareCache, 0);
        return;
    }
    SkinData->UpdateIndexes();
    SetSkinParams();
    ui::Bitmap* cache = SizedCache(SkinData, WndSize.cx, WndSize.cy);
    if (!cache)
        return;
    HDC dc = cache->Canvas().Handle();
    HBRUSH brush = CreateSolidBrush(Color);
    HPEN pen = CreatePen(PS_SOLID, 1, COLORREF(FrameColor));
    HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
    Rectangle(dc, 0, 0, WndSize.cx, WndSize.cy);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
    SkinData->BGChanged = false;
}

void TacComboListWnd::PaintNonClient(ui::Message& message)
{
    UpdateGeometry();
    PrepareListCache();
    if (!DlgMode)
        RestoreWndCorners(SkinData, 0, this);
    HDC dc = GetWindowDC(CtrlHandle);
    if (!dc)
        return;
    const int saved = SaveDC(dc);
    if (ui::Bitmap* cache = SkinData->CacheBmp(); cache && !cache->Empty())
        CopyDCFrame(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, 2);
    message.Result = PaintScrolls(CtrlHandle, -1, dc);
    RestoreDC(dc, saved);
    ReleaseDC(CtrlHandle, dc);
    if (SimplyBox)
        PaintBelowSimpleList();
}

// A simple combo's window is taller than its edit and list: the rest shows the parent's picture.
void TacComboListWnd::PaintBelowSimpleList()
{
    HWND combo = GetParent(CtrlHandle);
    HWND parent = combo ? GetParent(combo) : nullptr;
    if (!parent)
        return;
    TacBGQuery query;
    RECT cw{}, pw{}, lw{};
    GetWindowRect(combo, &cw);
    GetWindowRect(parent, &pw);
    GetWindowRect(CtrlHandle, &lw);
    query.R = RECT{0, 0, cw.right - cw.left, cw.bottom - cw.top};
    if (!QueryBgOfWnd(query, parent, false) || query.BgType != 2 || !query.Bmp)
        return;
    HDC dc = GetWindowDC(combo);
    if (!dc)
        return;
    const int y = lw.bottom - cw.top;
    BitBlt(dc, 0, y, cw.right - cw.left, cw.bottom - cw.top, query.Bmp->Canvas().Handle(),
           cw.left - pw.left + query.Offset.x, cw.top - pw.top + (lw.bottom - lw.top) + query.Offset.y, SRCCOPY);
    ReleaseDC(combo, dc);
}

void TacComboListWnd::PrintList(ui::Message& message)
{
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    PrepareListCache();
    message.Result = CallPrevWndProc(message);
    if (message.Msg != WM_PRINT || SendMessageW(CtrlHandle, LB_GETCOUNT, 0, 0) < 1)
        return;
    // The frame is left out while the list is tracked or one of its bars is pressed.
    ui::Bitmap* cache = SkinData->CacheBmp();
    if (Tracking().PressPart == -1 && !Showed && cache && !cache->Empty())
        CopyDCFrame(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, 3);
    message.Result = PaintScrolls(CtrlHandle, -1, dc);
}

void TacComboListWnd::acWndProc(ui::Message& message)
{
    if (Destroyed || !SkinData || !SkinData->Skinned()) {
        TacEditWnd::acWndProc(message);
        return;
    }
    switch (message.Msg) {
    case WM_ERASEBKGND:
    case WM_HSCROLL:
    case WM_VSCROLL:
        message.Result = CallPrevWndProc(message);
        return;
    case WM_NCCALCSIZE:
        message.Result = HandleNcCalcSize(message);
        return;
    case WM_NCPAINT:
        if (!DontRepaint) {
            PaintNonClient(message);
            return;
        }
        break;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
        const LRESULT hit = HandleNcHitTest(message);
        if (hit == HTHSCROLL || hit == HTVSCROLL) {
            message.WParam = WPARAM(hit);
            message.Result = HandleNcLButtonDown(message);
        }
        // A click on the frame outside the bars is swallowed.
        return;
    }
    case kListShowing:
        Showed = true;
        break;
    case kListHidden:
        Showed = false;
        SkinData->BGChanged = true;
        break;
    case WM_PRINT:
    case WM_PRINTCLIENT:
        if (message.WParam && IsWindowVisible(CtrlHandle)) {
            PrintList(message);
            return;
        }
        break;
    default:
        break;
    }
    TacEditWnd::acWndProc(message);
    if (!Destroyed && message.Msg == WM_WINDOWPOSCHANGED)
        UpdateScrollInfo(true);
}

} // namespace skin
