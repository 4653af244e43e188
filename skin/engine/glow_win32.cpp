// Glow windows: the list, the layered window of one glow and the picture it shows.
#include "skin/engine/glow.h"

#include "skin/engine/consts.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/engine/skintables.h"
#include "ui/bitmap.h"
#include "ui/canvas.h"
#include "ui/form.h"

#include <vector>

namespace skin {
namespace {

std::vector<std::unique_ptr<TacGlowEffect>>& Glows()
{
    static std::vector<std::unique_ptr<TacGlowEffect>> glows;
    return glows;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// The picture's W x H part from (x, y), alpha kept.
std::unique_ptr<ui::Bitmap> PartOf(ui::Bitmap& bmp, int x, int y, int w, int h)
{
    auto part = NewBmp32(w, h);
    GdiFlush();
    part->Pixels().Fill(ui::PixelRect{0, 0, w, h}, 0);
    part->Pixels().CopyFrom(bmp.Pixels().Sub(ui::PixelRect{x, y, x + w, y + h}), 0, 0);
    return part;
}

} // namespace

// ---- TacGlowEffect ----

TacGlowEffect::TacGlowEffect() = default;

TacGlowEffect::~TacGlowEffect()
{
    if (!Wnd)
        return;
    Wnd->SetWindowProc(OldWndProc);
    if (SkinManager && SkinManager->Destroying()) {
        Wnd->BeforeDestruction();
        delete Wnd;
    } else {
        Wnd->Release();
    }
    Wnd = nullptr;
}

void TacGlowEffect::CreateAlphaBmp(int width, int height)
{
    AlphaBmp.reset();
    AlphaBmp = NewBmp32(width, height);
    // A new bitmap is white; the glow starts fully transparent.
    GdiFlush();
    AlphaBmp->Pixels().Fill(ui::PixelRect{0, 0, width, height}, 0);
    if (MaskIndex >= 0 && SkinManager && SkinManager->IsValidImgIndex(MaskIndex))
        PaintMaskRect(AlphaBmp.get(), Rect{0, 0, width, height}, false, EmptyCacheInfo, SkinManager->Mask(MaskIndex), 0,
                      false, SkinManager);
}

void TacGlowEffect::NewWndProc(ui::Message& message)
{
    if (message.Msg == WM_NCHITTEST) {
        message.Result = HTTRANSPARENT;
        return;
    }
    if (OldWndProc)
        OldWndProc(message);
}

void TacGlowEffect::Show(const RECT& r, const RECT& realRect, int, HWND wndHandle)
{
    if (Wnd)
        return;
    int wl = 0, wt = 0, wr = 0, wb = 0;
    if (SkinManager && SkinManager->IsValidImgIndex(MaskIndex)) {
        wl = SkinManager->MaskWidthLeft(MaskIndex);
        wt = SkinManager->MaskWidthTop(MaskIndex);
        wr = SkinManager->MaskWidthRight(MaskIndex);
        wb = SkinManager->MaskWidthBottom(MaskIndex);
    }
    const int m = Margin;
    int w = Width(r) + wl + wr - 2 * m;
    int h = Height(r) + wt + wb - 2 * m;
    if (w <= 0 || h <= 0)
        return;

    Wnd = new ui::Form(nullptr);
    OldWndProc = Wnd->WindowProc();
    Wnd->SetWindowProc([this](ui::Message& message) { NewWndProc(message); });
    Wnd->SetControlStyle(Wnd->ControlStyle() & ~ui::csCaptureMouse);
    Wnd->SetBorderStyle(ui::bsNone);
    Wnd->SetVisible(false);
    CreateAlphaBmp(w, h);

    // A control partly hidden by its parents gets the part of the glow that lines up with what shows.
    int cl = 0, ct = 0;
    if (Width(realRect) != Width(r) || Height(realRect) != Height(r)) {
        cl = realRect.left != 0 ? wl + realRect.left - m : 0;
        ct = realRect.top != 0 ? wt + realRect.top - m : 0;
        int cr = 0, cb = 0;
        if (realRect.right != Width(r))
            cr = cl != 0 ? w - cl - Width(realRect) : Width(r) + wr - Width(realRect) - m;
        if (realRect.bottom != Height(r))
            cb = ct != 0 ? h - ct - Height(realRect) : Height(r) + wb - Height(realRect) - m;
        w -= cl + cr;
        h -= ct + cb;
        if (w <= 0 || h <= 0) {
            AlphaBmp.reset();
            return;
        }
        if (cl != 0 || ct != 0)
            AlphaBmp = PartOf(*AlphaBmp, cl, ct, w, h);
    }

    const int x = r.left + cl + m - wl, y = r.top + ct + m - wt;
    Wnd->SetBounds(x, y, w, h);
    if (wndHandle && (GetWindowLongPtrW(wndHandle, GWL_EXSTYLE) & WS_EX_TOPMOST))
        Wnd->SetFormStyle(ui::fsStayOnTop);
    HWND handle = Wnd->Handle();
    SetWindowPos(handle, nullptr, x, y, w, h, SWP_NOACTIVATE | SWP_NOZORDER);
    // A tool window never gets a taskbar button.
    const LONG_PTR ex = GetWindowLongPtrW(handle, GWL_EXSTYLE);
    SetWindowLongPtrW(handle, GWL_EXSTYLE, (ex | WS_EX_LAYERED | WS_EX_TOOLWINDOW) & ~LONG_PTR(WS_EX_APPWINDOW));

    HDC screen = GetDC(nullptr);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    SIZE size{w, h};
    POINT origin{0, 0};
    GdiFlush();
    UpdateLayeredWnd(handle, screen, nullptr, &size, AlphaBmp->Canvas().Handle(), &origin, 0, &blend, ULW_ALPHA);
    ShowWindow(handle, SW_SHOWNOACTIVATE);
    ReleaseDC(nullptr, screen);
    AlphaBmp.reset();
}

// ---- The list ----

int AddGlowEffect(const RECT& r1, const RECT& r2, core::StringView skinSection, core::StringView prefix, int margin,
                  int alpha, HWND wndHandle, SkinManager* manager)
{
    if (!LayeredWindowsAvailable())
        return -1;
    auto glow = std::make_unique<TacGlowEffect>();
    glow->SkinManager = manager ? manager : DefaultManager();
    const int mask = glow->SkinManager ? glow->SkinManager->GetMaskIndex(skinSection, core::String(prefix) + u"0") : -1;
    if (mask < 0)
        return -1;
    TacGlowEffect* g = glow.get();
    auto& glows = Glows();
    glows.push_back(std::move(glow));
    const int id = int(glows.size()) - 1;
    g->Margin = margin;
    g->MaskIndex = mask;
    g->Show(r1, r2, alpha, wndHandle);
    return id;
}

void RemoveGlowEffect(int id)
{
    auto& glows = Glows();
    if (id < 0 || id >= int(glows.size()))
        return;
    std::unique_ptr<TacGlowEffect> gone = std::move(glows[size_t(id)]);
}

void ClearGlowEffects()
{
    std::vector<std::unique_ptr<TacGlowEffect>> gone;
    gone.swap(Glows());
}

TacGlowEffect* GlowEffectOf(int id)
{
    auto& glows = Glows();
    return id >= 0 && id < int(glows.size()) ? glows[size_t(id)].get() : nullptr;
}

int GlowEffectCount() { return int(Glows().size()); }

} // namespace skin
