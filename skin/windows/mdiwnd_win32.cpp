// The skinned client window of an MDI frame.
#include "skin/windows/mdiwnd.h"

#include "skin/engine/command.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinmanager.h"
#include "skin/windows/mdiform.h"
#include "skin/windows/skinprovider.h"
#include "skin/windows/sysmenu.h"
#include "ui/canvas.h"
#include "ui/form.h"

namespace skin {

namespace {

HWND ClientOf(TsSkinProvider* provider)
{
    return provider && provider->Form ? provider->Form->ClientHandle() : nullptr;
}

bool HasClientEdge(HWND client) { return (GetWindowLongPtrW(client, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0; }

// The form image holds the client's place itself, or only a plain colour is there to paint.
bool ImageHoldsClient(TsSkinProvider* provider)
{
    TsCommonData* data = provider->SkinData();
    SkinManager* manager = data->GetSkinManager();
    return data->NeedsCachePaint() || (manager && manager->GetSkinIndex(u"MDIAREA") >= 0);
}

} // namespace

void MDIClientRect(TsSkinProvider* provider, RECT& r)
{
    r = RECT{};
    if (HWND client = ClientOf(provider)) {
        GetWindowRect(client, &r);
        OffsetRect(&r, -r.left, -r.top);
    }
}

void MDIClientOffsetRect(TsSkinProvider* provider, RECT& r)
{
    r = RECT{};
    HWND client = ClientOf(provider);
    if (!client)
        return;
    GetWindowRect(client, &r);
    RECT f{};
    GetWindowRect(provider->Form->Handle(), &f);
    int dx = 0, dy = 0;
    if (provider->BorderForm()) {
        const FormFrame frame = provider->Frame();
        dx = provider->ShadowSize().Left + ExBorderExtra(frame);
        dy = provider->ShadowSize().Top + ExTitleExtra(frame);
    }
    OffsetRect(&r, dx - f.left, dy - f.top);
}

void PaintMDIArea(TsSkinProvider* provider, HDC dc, bool noEdge)
{
    if (!provider || provider->fAnimating || !ClientOf(provider))
        return;
    RECT r{}, r2{};
    MDIClientOffsetRect(provider, r);
    MDIClientRect(provider, r2);
    if (!ImageHoldsClient(provider)) {
        FillDCSolid(dc, r2, ui::Color(provider->FormColor()));
        return;
    }
    TsCommonData* data = provider->SkinData();
    if (!data->CacheBmp() || data->BGChanged)
        provider->PaintFormCache();
    ui::Bitmap* image = data->CacheBmp();
    if (!image || image->Width() == 0)
        return;
    const int e = noEdge ? 0 : HasClientEdge(ClientOf(provider)) ? 2 : 0;
    BitBlt(dc, r2.left, r2.top, r.right - r.left, r.bottom - r.top, image->Canvas().Handle(), r.left + e, r.top + e, SRCCOPY);
}

void PaintMDIFrame(TsSkinProvider* provider, HDC dc)
{
    if (!provider || !provider->SkinData()->CacheBmp() || !ClientOf(provider))
        return;
    RECT r{};
    MDIClientOffsetRect(provider, r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (ImageHoldsClient(provider)) {
        CopyDCFrame(dc, 0, 0, w, h, provider->SkinData()->CacheBmp()->Canvas().Handle(), r.left, r.top, 2);
        return;
    }
    const int e = HasClientEdge(ClientOf(provider)) ? 2 : 0;
    FillDCFrame(dc, RECT{0, 0, w, h}, e, e, e, e, ui::Color(provider->FormColor()));
}

TacMDIWnd::~TacMDIWnd()
{
    MDISkinData = nullptr;
    SkinProvider = nullptr;
    Unhook();
    FreeBars();
}

bool TacMDIWnd::MDISkinned() const { return MDISkinData && SkinProvider && MDISkinData->Skinned(false); }

bool ActiveMDIChildMaximized(HWND client)
{
    BOOL maximized = FALSE;
    return client && SendMessageW(client, WM_MDIGETACTIVE, 0, LPARAM(&maximized)) && maximized;
}

bool TacMDIWnd::ActiveChildMaximized() const { return ActiveMDIChildMaximized(CtrlHandle); }

void TacMDIWnd::UpdateGraphControls()
{
    if (!FForm || !FForm->HandleAllocated() || !ActiveChildMaximized())
        return;
    HWND form = FForm->HandleIfAllocated();
    HDC dc = GetDC(form);
    for (int i = 0; i < FForm->ControlCount(); ++i) {
        ui::Control* c = FForm->Controls(i);
        if (!PassesSplitterTest(c))
            continue;
        TacBGQuery query;
        query.PleaseDraw = true;
        query.R = c->BoundsRect();
        query.DrawDC = dc;
        SendAcMessage(form, scGetBackground, LPARAM(&query));
    }
    ReleaseDC(form, dc);
}

void TacMDIWnd::AfterTiling()
{
    TsSkinProvider* p = SkinProvider;
    if (!p)
        return;
    p->SkinData()->BGChanged = true;
    p->FLinesCount = -1;
    // The skinned frame draws the maximised child's system menu itself.
    if (FForm && FForm->FormStyle() == ui::fsMDIForm)
        if (ui::Form* child = FForm->ActiveMDIChild(); child && child->HandleAllocated()) {
            HWND h = child->HandleIfAllocated();
            SetWindowLongPtrW(h, GWL_STYLE, GetWindowLongPtrW(h, GWL_STYLE) & ~LONG_PTR(WS_SYSMENU));
        }
    if (p->MDIForm)
        p->MDIForm->UpdateMDIIconItem();
    InvalidateRect(CtrlHandle, nullptr, TRUE);
    RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
    if (p->SystemMenu)
        p->SystemMenu->UpdateItems(false);
}

void TacMDIWnd::acWndProc(ui::Message& message)
{
    if (Destroyed) {
        TacBaseWnd::acWndProc(message);
        return;
    }
    if (IsSkinCommand(message)) {
        if (SubCodeOf(message.WParam) == scChildPaint) {
            if (FForm)
                SendAcMessageTo(FForm, scChildPaint, 0);
            return;
        }
    } else {
        const bool skinned = MDISkinned();
        const bool animating = Engine().FormAnimationActive;
        switch (message.Msg) {
        case WM_PAINT:
            if (animating)
                return;
            break;
        case WM_ERASEBKGND:
            if (!skinned || !message.WParam)
                break;
            if (!animating) {
                if (ActiveChildMaximized()) {
                    UpdateGraphControls();
                } else {
                    HDC dc = HDC(message.WParam);
                    const int saved = SaveDC(dc);
                    PaintMDIArea(SkinProvider, dc, false);
                    RestoreDC(dc, saved);
                }
            }
            message.Result = 1;
            return;
        case WM_STYLECHANGED:
            message.Result = CallPrevWndProc(message);
            return;
        case WM_NCPAINT:
            if (!skinned)
                break;
            if (!ActiveChildMaximized() && !animating) {
                HDC dc = GetWindowDC(CtrlHandle);
                PaintMDIFrame(SkinProvider, dc);
                PaintScrolls(CtrlHandle, -1, dc);
                ReleaseDC(CtrlHandle, dc);
            }
            message.Result = 1;
            return;
        case WM_MDITILE:
        case WM_MDICASCADE:
            message.Result = CallPrevWndProc(message);
            AfterTiling();
            return;
        case WM_MDISETMENU:
            message.Result = CallPrevWndProc(message);
            if (TsSkinProvider* main = ProviderState().MainMDIProvider) {
                main->SkinData()->BGChanged = true;
                main->MenuChanged = true;
                main->FLinesCount = -1;
            }
            return;
        case WM_PRINT:
            if (!skinned || !message.WParam)
                break;
            message.Result = 0;
            if (SkinProvider->BorderForm() || ActiveChildMaximized())
                return;
            {
                HDC dc = HDC(message.WParam);
                const int saved = SaveDC(dc);
                PaintMDIArea(SkinProvider, dc, true);
                PaintScrolls(CtrlHandle, -1, dc);
                RestoreDC(dc, saved);
            }
            return;
        default:
            break;
        }
    }
    TacBaseWnd::acWndProc(message);
    if (Destroyed)
        return;
    if (IsSubCode(message, scBeforeScroll)) {
        SendMessageW(CtrlHandle, WM_SETREDRAW, 0, 0);
    } else if (IsSubCode(message, scAfterScroll)) {
        SendMessageW(CtrlHandle, WM_SETREDRAW, 1, 0);
        // Dragging the thumb stays smooth: the full redraw waits for the end of the drag.
        if (LOWORD(DWORD(message.LParam)) != SB_THUMBTRACK) {
            RedrawWindow(CtrlHandle, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
            UpdateScrollInfo(false);
            ReleaseCapture();
        }
    } else if (message.Msg == 0x3F || message.Msg == WM_PARENTNOTIFY) {
        const LONG_PTR style = GetWindowLongPtrW(CtrlHandle, GWL_STYLE);
        if (sBarVert)
            sBarVert->fScrollVisible = (style & WS_VSCROLL) != 0;
        if (sBarHorz)
            sBarHorz->fScrollVisible = (style & WS_HSCROLL) != 0;
        UpdateScrollInfo(true);
    } else if (message.Msg == WM_MDIREFRESHMENU && SkinProvider) {
        SkinProvider->RedrawFrame();
    }
}

} // namespace skin
