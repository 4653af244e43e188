#include "treeview/drag_image_win32.h"
#include "treeview/custom_tree_control.h"
#include "treeview/drag_manager_win32.h"

#include <algorithm>
#include <cmath>
#include <shlobj.h>

namespace treeview {

namespace {

// The screen's device context for one drawing step, released however the step ends.
class ScreenDC {
public:
    ScreenDC() : m_dc(GetDC(nullptr)) {}
    ~ScreenDC() { ReleaseDC(nullptr, m_dc); }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

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
    m_alpha_image.SetPixelFormat(ui::pf32bit);
    m_alpha_image.SetSize(w, h);
    m_back_image.SetPixelFormat(ui::pf32bit);
    m_back_image.SetSize(w, h);

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

void TVTDragImage::DrawToScreen(HDC screen)
{
    const int w = Width(), h = Height();
    HDC alpha = m_alpha_image.Canvas().Handle();
    BitBlt(alpha, 0, 0, w, h, m_back_image.Canvas().Handle(), 0, 0, SRCCOPY);
    const TBlendMode mode = (m_fade || m_color_key != ui::clNone) ? bmMasterAlpha : bmConstantAlpha;
    BlendBitmapArea(m_drag_image.Canvas().Handle(), alpha, RECT{0, 0, w, h}, POINT{0, 0}, mode, m_transparency,
                    m_post_blend_bias);
    BitBlt(screen, m_image_position.x, m_image_position.y, w, h, alpha, 0, 0, SRCCOPY);
}

void TVTDragImage::InternalShowDragImage(HDC screen)
{
    GdiFlush();
    m_screen_bounds = VirtualScreen();
    CaptureScreen(m_back_image.Canvas().Handle(), 0, 0, Width(), Height(), screen, m_image_position.x,
                  m_image_position.y, m_screen_bounds);
    DrawToScreen(screen);
}

void TVTDragImage::ShowDragImage()
{
    if ((m_states & (disHidden | disInDrag | disPrepared | disSystemSupport)) != (disHidden | disInDrag | disPrepared))
        return;
    m_states &= TVTDragImageStates(~disHidden);
    ScreenDC screen;
    InternalShowDragImage(screen);
}

void TVTDragImage::HideDragImage()
{
    if (!Visible())
        return;
    m_states |= disHidden;
    ScreenDC screen;
    BitBlt(screen, m_image_position.x, m_image_position.y, Width(), Height(), m_back_image.Canvas().Handle(), 0, 0,
           SRCCOPY);
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
        const int w = Width(), h = Height();
        HDC back = m_back_image.Canvas().Handle();
        ScreenDC screen;
        if (std::abs(dx) >= w || std::abs(dy) >= h || forceRepaint) {
            BitBlt(screen, m_image_position.x, m_image_position.y, w, h, back, 0, 0, SRCCOPY);
            if (forceRepaint && m_owner && m_owner->HandleAllocated())
                UpdateWindow(m_owner->Handle());
            m_image_position.x -= dx;
            m_image_position.y -= dy;
            CaptureScreen(back, 0, 0, w, h, screen, m_image_position.x, m_image_position.y, m_screen_bounds);
        } else {
            // The image moves by (-dx, -dy). The strips of the old area it leaves are the left or right
            // columns (dx) and the top or bottom rows (dy) of the old image; the strips it newly
            // covers are the opposite ones of the new image.
            const int mx = -dx, my = -dy;
            RECT leftStrip{}, enterStrip{};
            const POINT old = m_image_position;
            if (mx != 0) {
                leftStrip = mx > 0 ? RECT{0, 0, mx, h} : RECT{w + mx, 0, w, h};
                BitBlt(screen, old.x + leftStrip.left, old.y, leftStrip.right - leftStrip.left, h, back,
                       leftStrip.left, 0, SRCCOPY);
            }
            if (my != 0) {
                leftStrip = my > 0 ? RECT{0, 0, w, my} : RECT{0, h + my, w, h};
                BitBlt(screen, old.x, old.y + leftStrip.top, w, leftStrip.bottom - leftStrip.top, back, 0,
                       leftStrip.top, SRCCOPY);
            }
            GdiFlush();
            ScrollDC(back, dx, dy, nullptr, nullptr, nullptr, nullptr);
            m_image_position.x += mx;
            m_image_position.y += my;
            const POINT now = m_image_position;
            if (mx != 0) {
                enterStrip = mx > 0 ? RECT{w - mx, 0, w, h} : RECT{0, 0, -mx, h};
                CaptureScreen(back, enterStrip.left, 0, enterStrip.right - enterStrip.left, h, screen,
                              now.x + enterStrip.left, now.y, m_screen_bounds);
            }
            if (my != 0) {
                enterStrip = my > 0 ? RECT{0, h - my, w, h} : RECT{0, 0, w, -my};
                CaptureScreen(back, 0, enterStrip.top, w, enterStrip.bottom - enterStrip.top, screen, now.x,
                              now.y + enterStrip.top, m_screen_bounds);
            }
        }
        DrawToScreen(screen);
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
    const RECT imageRect = GetDragImageRect();
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    RECT cut{};
    if (!IntersectRect(&cut, &r, &imageRect))
        return;
    // The visible part of the tree window in image coordinates (all of the image without one).
    HRGN region = CreateRectRgn(0, 0, Width(), Height());
    if (visibleRegion) {
        CombineRgn(region, visibleRegion, nullptr, RGN_COPY);
        OffsetRgn(region, -m_image_position.x, -m_image_position.y);
    }
    const POINT target{cut.left - m_image_position.x, cut.top - m_image_position.y};
    RECT client = cut;
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&client), 2);
    const TRect treeWindow{client.left + tree.TreeOffsetX(), client.top - tree.OffsetY(),
                           client.right + tree.TreeOffsetX(), client.bottom - tree.OffsetY()};

    ui::Canvas& canvas = m_back_image.Canvas();
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
            SetWindowOrgEx(dc, m_image_position.x - windowRect.left, m_image_position.y - windowRect.top, &previous);
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
        ScreenDC screen;
        DrawToScreen(screen);
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
    m_states &= TVTDragImageStates(~(disInDrag | disPrepared));
    m_back_image.SetSize(0, 0);
    m_alpha_image.SetSize(0, 0);
    m_drag_image.SetSize(0, 0);
}

} // namespace treeview
