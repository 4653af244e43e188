#include "treeview/drag_image_win32.h"
#include "treeview/custom_tree_control.h"
#include "treeview/drag_manager_win32.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <shlobj.h>

namespace treeview {

namespace {

// The shell helper that shows a drag image for the system; null where there is none.
IDragSourceHelper* CreateDragSourceHelper()
{
    IDragSourceHelper* helper = nullptr;
    CreateDragDropHelper(IID_IDragSourceHelper, reinterpret_cast<void**>(&helper));
    return helper;
}

RECT VirtualScreen()
{
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// Copies w x h pixels of the screen at (x, y) to (tx, ty) of dc, only the part that lies within the
// screen's bounds: a source rectangle reaching past its edges may not be copied at all otherwise.
void CaptureScreen(HDC dc, int tx, int ty, int w, int h, HDC screen, int x, int y, const RECT& bounds)
{
    const RECT wanted{x, y, x + w, y + h};
    RECT part{};
    if (!IntersectRect(&part, &wanted, &bounds))
        return;
    BitBlt(dc, tx + part.left - x, ty + part.top - y, part.right - part.left, part.bottom - part.top, screen, part.left,
           part.top, SRCCOPY);
}

} // namespace

TVTDragImage::TVTDragImage(TCustomVirtualTreeControl* owner) : m_owner(owner) {}

TVTDragImage::~TVTDragImage()
{
    EndDrag();
}

bool TVTDragImage::Visible() const
{
    return (m_states & (disHidden | disInDrag | disPrepared | disSystemSupport)) == (disInDrag | disPrepared);
}

void TVTDragImage::PrepareDrag(ui::Bitmap& dragImage, POINT imagePosition, POINT hotSpot, IDataObject* dataObject)
{
    const int w = dragImage.Width(), h = dragImage.Height();
    m_states &= TVTDragImageStates(~disSystemSupport);
    if (dataObject) {
        if (IDragSourceHelper* helper = CreateDragSourceHelper()) {
            SHDRAGIMAGE info{};
            info.sizeDragImage = SIZE{w, h};
            info.ptOffset = POINT{w / 2, h / 2};
            // The helper owns the copy once it accepted it.
            info.hbmpDragImage = static_cast<HBITMAP>(
                CopyImage(dragImage.Handle(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
            info.crColorKey = ui::ColorToRGB(m_color_key);
            if (info.hbmpDragImage && SUCCEEDED(helper->InitializeFromBitmap(&info, dataObject)))
                m_states |= disSystemSupport;
            else if (info.hbmpDragImage)
                DeleteObject(info.hbmpDragImage);
            helper->Release();
        }
    }
    // Every x64 processor blends on 32-bit pixels, so the own drawing is always possible.
    if ((m_states & disSystemSupport) || w <= 0 || h <= 0)
        return;

    m_last_position = hotSpot;
    ui::Bitmap source;
    source.Assign(dragImage);
    source.SetPixelFormat(ui::pf32bit);
    m_drag_image.SetPixelFormat(ui::pf32bit);
    m_drag_image.SetSize(w, h);
    for (ui::Bitmap* band : {&m_alpha_image, &m_band_images[0], &m_band_images[1]}) {
        band->SetPixelFormat(ui::pf32bit);
        band->SetSize(w + 2 * BandMargin, h + 2 * BandMargin);
    }

    const bool keyed = m_color_key != ui::clNone;
    const uint32_t key = ui::ColorToRGB(m_color_key);
    const uint8_t keyR = key & 0xFF, keyG = (key >> 8) & 0xFF, keyB = (key >> 16) & 0xFF;
    const double m = std::max(w, h);
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = source.ScanLine(y);
        uint8_t* d = m_drag_image.ScanLine(y);
        if (m_pre_blend_bias != 0) {
            std::copy(s, s + 4 * w, d);
            BlendRow(s, d, w, bmConstantAlpha, 255, m_pre_blend_bias);
        } else {
            std::copy(s, s + 4 * w, d);
        }
        for (int x = 0; x < w; ++x) {
            const uint8_t* sp = s + 4 * x;
            if (keyed && sp[0] == keyB && sp[1] == keyG && sp[2] == keyR) {
                d[4 * x + 3] = 0;
                continue;
            }
            const double dx = (x - w / 2) / m, dy = (y - h / 2) / m;
            d[4 * x + 3] = uint8_t(std::lround(255.0 * std::exp(-8.0 * std::sqrt(dx * dx + dy * dy))));
        }
    }
    m_image_position = imagePosition;
    m_states |= disHidden | disInDrag | disPrepared;
}

RECT TVTDragImage::ImageRect() const
{
    return RECT{m_image_position.x, m_image_position.y, m_image_position.x + Width(), m_image_position.y + Height()};
}

void TVTDragImage::CaptureBand(HDC screen, const RECT& part)
{
    m_band_frame = ImageRect();
    InflateRect(&m_band_frame, BandMargin, BandMargin);
    m_band = part;
    CaptureScreen(m_back_image->Canvas().Handle(), part.left - m_band_frame.left, part.top - m_band_frame.top,
                  part.right - part.left, part.bottom - part.top, screen, part.left, part.top, m_screen_bounds);
}

void TVTDragImage::RestoreScreen(HDC screen, const RECT& area)
{
    RestoreFrom(screen, area, *m_back_image, m_band_frame);
}

void TVTDragImage::RestoreFrom(HDC screen, const RECT& area, ui::Bitmap& band, const RECT& frame)
{
    BitBlt(screen, area.left, area.top, area.right - area.left, area.bottom - area.top, band.Canvas().Handle(),
           area.left - frame.left, area.top - frame.top, SRCCOPY);
}

void TVTDragImage::DrawToScreen(HDC screen, const RECT& area)
{
    HDC alpha = m_alpha_image.Canvas().Handle();
    const int x = area.left - m_band_frame.left, y = area.top - m_band_frame.top;
    const int w = area.right - area.left, h = area.bottom - area.top;
    // Memory to memory, rows copied by hand cost less than a copy through the system.
    const ui::PixelView from = m_back_image->Pixels(), to = m_alpha_image.Pixels();
    for (int row = y; row < y + h; ++row)
        std::memcpy(to.Row(row) + 4 * x, from.Row(row) + 4 * x, size_t(4) * size_t(w));
    const TBlendMode mode = (m_fade || m_color_key != ui::clNone) ? bmMasterAlpha : bmConstantAlpha;
    BlendBitmapArea(m_drag_image.Canvas().Handle(), alpha, RECT{0, 0, Width(), Height()},
                    POINT{m_image_position.x - m_band_frame.left, m_image_position.y - m_band_frame.top}, mode,
                    m_transparency, m_post_blend_bias);
    BitBlt(screen, area.left, area.top, w, h, alpha, x, y, SRCCOPY);
}

void TVTDragImage::ShowDragImage()
{
    if ((m_states & (disHidden | disInDrag | disPrepared | disSystemSupport)) != (disHidden | disInDrag | disPrepared))
        return;
    m_states &= TVTDragImageStates(~disHidden);
    // The screen's device context is kept while the image is shown: getting one costs a move a
    // good part of its time.
    if (!m_screen)
        m_screen = GetDC(nullptr);
    HDC screen = m_screen;
    GdiFlush();
    m_screen_bounds = VirtualScreen();
    RECT band = ImageRect();
    InflateRect(&band, BandMargin, BandMargin);
    CaptureBand(screen, band);
    DrawToScreen(screen, ImageRect());
}

void TVTDragImage::HideDragImage()
{
    if (!Visible())
        return;
    m_states |= disHidden;
    RestoreScreen(m_screen, ImageRect());
    ReleaseDC(nullptr, m_screen);
    m_screen = nullptr;
}

bool TVTDragImage::WillMove(POINT p) const
{
    if (!Visible())
        return false;
    int dx = m_last_position.x - p.x, dy = m_last_position.y - p.y;
    if (m_restriction == dmrHorizontalOnly)
        dy = 0;
    else if (m_restriction == dmrVerticalOnly)
        dx = 0;
    return dx != 0 || dy != 0;
}

bool TVTDragImage::DragTo(POINT p, bool forceRepaint)
{
    int dx = m_last_position.x - p.x, dy = m_last_position.y - p.y;
    if (m_restriction == dmrHorizontalOnly)
        dy = 0;
    else if (m_restriction == dmrVerticalOnly)
        dx = 0;
    const bool result = dx != 0 || dy != 0 || forceRepaint;
    if (!result)
        return false;
    if (Visible()) {
        HDC screen = m_screen;
        const RECT old = ImageRect();
        RECT now = old;
        OffsetRect(&now, -dx, -dy);
        if (std::abs(dx) >= Width() || std::abs(dy) >= Height() || forceRepaint) {
            // The old area is put back whole and the new one read whole; the band around it is read
            // when a later move leaves the image's area.
            RestoreScreen(screen, old);
            if (forceRepaint && m_owner && m_owner->HandleAllocated())
                UpdateWindow(m_owner->Handle());
            m_image_position = POINT{now.left, now.top};
            CaptureBand(screen, now);
            DrawToScreen(screen, now);
        } else if (RECT inside{}; IntersectRect(&inside, &now, &m_band) && EqualRect(&inside, &now)) {
            // Within the band: the strips the image uncovers and the image go out in one copy.
            m_image_position = POINT{now.left, now.top};
            RECT both{};
            UnionRect(&both, &old, &now);
            DrawToScreen(screen, both);
        } else {
            // Leaving the band: read a new one around the new area, keeping what was saved under the old
            // area (the screen shows the image there), then put back the strips the image uncovers.
            m_image_position = POINT{now.left, now.top};
            std::swap(m_back_image, m_spare_image);
            const RECT oldFrame = m_band_frame;
            RECT band = now;
            InflateRect(&band, BandMargin, BandMargin);
            CaptureBand(screen, band);
            RECT kept{};
            if (IntersectRect(&kept, &old, &m_band_frame))
                BitBlt(m_back_image->Canvas().Handle(), kept.left - m_band_frame.left, kept.top - m_band_frame.top,
                       kept.right - kept.left, kept.bottom - kept.top, m_spare_image->Canvas().Handle(),
                       kept.left - oldFrame.left, kept.top - oldFrame.top, SRCCOPY);
            if (dx != 0)
                RestoreFrom(screen, dx < 0 ? RECT{old.left, old.top, now.left, old.bottom}
                                           : RECT{now.right, old.top, old.right, old.bottom},
                            *m_spare_image, oldFrame);
            if (dy != 0)
                RestoreFrom(screen, dy < 0 ? RECT{old.left, old.top, old.right, now.top}
                                           : RECT{old.left, now.bottom, old.right, old.bottom},
                            *m_spare_image, oldFrame);
            DrawToScreen(screen, now);
        }
    }
    m_last_position = p;
    return true;
}

void TVTDragImage::RecaptureBackground(TCustomVirtualTreeControl& tree, RECT r, HRGN visibleRegion,
                                       bool captureNCArea, bool reshowDragImage)
{
    if (!Visible() || !tree.HandleAllocated())
        return;
    HWND window = tree.Handle();
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    RECT cut{};
    if (!IntersectRect(&cut, &r, &m_band))
        return;
    // The visible part of the tree window in band coordinates (all of the band without one).
    const POINT frame{m_band_frame.left, m_band_frame.top};
    HRGN region = CreateRectRgn(0, 0, m_band_frame.right - frame.x, m_band_frame.bottom - frame.y);
    if (visibleRegion) {
        CombineRgn(region, visibleRegion, nullptr, RGN_COPY);
        OffsetRgn(region, -frame.x, -frame.y);
    }
    const POINT target{cut.left - frame.x, cut.top - frame.y};
    RECT client = cut;
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&client), 2);
    const TRect treeWindow{client.left + tree.TreeOffsetX(), client.top - tree.OffsetY(),
                           client.right + tree.TreeOffsetX(), client.bottom - tree.OffsetY()};

    ui::Canvas& canvas = m_back_image->Canvas();
    HDC dc = canvas.Handle();
    HRGN clip = CreateRectRgn(target.x, target.y, target.x + (cut.right - cut.left),
                              target.y + (cut.bottom - cut.top));
    CombineRgn(clip, clip, region, RGN_AND);
    SelectClipRgn(dc, clip);
    DeleteObject(clip);
    try {
        tree.PaintTree(canvas, treeWindow, TPoint{target.x, target.y},
                       poBackground | poColumnColor | poDrawFocusRect | poDrawSelection | poDrawDropMark | poGridLines);
        if (captureNCArea) {
            SelectClipRgn(dc, region);
            RECT windowRect{};
            GetWindowRect(window, &windowRect);
            POINT previous{};
            SetWindowOrgEx(dc, frame.x - windowRect.left, frame.y - windowRect.top, &previous);
            SendMessageW(window, WM_PRINT, WPARAM(dc), PRF_NONCLIENT);
            SetWindowOrgEx(dc, previous.x, previous.y, nullptr);
        }
    } catch (...) {
        SelectClipRgn(dc, nullptr);
        DeleteObject(region);
        throw;
    }
    SelectClipRgn(dc, nullptr);
    DeleteObject(region);
    if (reshowDragImage) {
        GdiFlush();
        DrawToScreen(m_screen, ImageRect());
    }
}

RECT TVTDragImage::GetDragImageRect() const
{
    if (!Visible())
        return RECT{};
    return RECT{m_image_position.x, m_image_position.y, m_image_position.x + Width(), m_image_position.y + Height()};
}

void TVTDragImage::EndDrag()
{
    HideDragImage();
    if (m_screen) {
        // Held when the image was prepared anew while shown.
        ReleaseDC(nullptr, m_screen);
        m_screen = nullptr;
    }
    m_states &= TVTDragImageStates(~(disInDrag | disPrepared));
    m_band_images[0].SetSize(0, 0);
    m_band_images[1].SetSize(0, 0);
    m_alpha_image.SetSize(0, 0);
    m_drag_image.SetSize(0, 0);
}

} // namespace treeview
