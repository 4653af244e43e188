// Image lists over the common controls' image list (32-bit colour with a mask).
#include "ui/imagelist.h"

#include <algorithm>

namespace ui {

ChangeLink::~ChangeLink()
{
    if (m_sender)
        m_sender->UnRegisterChanges(this);
}

ImageList::ImageList(core::Component* owner, int width, int height)
    : core::Component(owner), m_width(std::max(width, 1)), m_height(std::max(height, 1))
{
    CreateList();
}

ImageList::~ImageList()
{
    for (ChangeLink* link : m_links)
        link->m_sender = nullptr;
    FreeList();
}

void ImageList::FreeList()
{
    if (m_handle && !m_share_images)
        ImageList_Destroy(m_handle);
    m_handle = nullptr;
}

void ImageList::CreateList()
{
    FreeList();
    m_handle = ImageList_Create(m_width, m_height, ILC_COLOR32 | ILC_MASK, m_alloc_by, m_alloc_by);
    if (m_handle)
        ImageList_SetBkColor(m_handle, m_bk_color == clNone ? CLR_NONE : ColorToRGB(m_bk_color));
}

void ImageList::SetSize(int width, int height)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == m_width && height == m_height)
        return;
    m_width = width;
    m_height = height;
    CreateList();
    Change();
}

int ImageList::Count() const { return m_handle ? ImageList_GetImageCount(m_handle) : 0; }

void ImageList::SetBkColor(Color color)
{
    if (color == m_bk_color)
        return;
    m_bk_color = color;
    if (m_handle)
        ImageList_SetBkColor(m_handle, color == clNone ? CLR_NONE : ColorToRGB(color));
    Change();
}

// A device-dependent copy of image in the list's size: a colour one, or the mask (white where the
// image is transparent) made from the key colour. The caller deletes it.
HBITMAP ImageList::SizedDDB(Bitmap& image, bool monochrome, Color key, bool useKey)
{
    HDC screen = GetDC(nullptr);
    HBITMAP result = monochrome ? CreateBitmap(m_width, m_height, 1, 1, nullptr)
                                : CreateCompatibleBitmap(screen, m_width, m_height);
    ReleaseDC(nullptr, screen);
    if (!result)
        return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, result);
    PatBlt(dc, 0, 0, m_width, m_height, monochrome ? WHITENESS : BLACKNESS);
    if (!image.Empty()) {
        HDC source = image.Canvas().Handle();
        GdiFlush();
        const int w = std::min(m_width, image.Width()), h = std::min(m_height, image.Height());
        if (monochrome && useKey) {
            // Mono targets take the source's background colour as white.
            const COLORREF oldBk = ::SetBkColor(source, ColorToRGB(key));
            BitBlt(dc, 0, 0, w, h, source, 0, 0, SRCCOPY);
            ::SetBkColor(source, oldBk);
        } else {
            BitBlt(dc, 0, 0, w, h, source, 0, 0, SRCCOPY);
        }
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    return result;
}

int ImageList::Add(Bitmap& image, Bitmap* mask)
{
    if (!m_handle)
        return -1;
    HBITMAP colour = SizedDDB(image, false, 0, false);
    HBITMAP monochrome = nullptr;
    if (mask)
        monochrome = SizedDDB(*mask, true, clWhite, true);
    else {
        // No mask: every pixel opaque.
        monochrome = CreateBitmap(m_width, m_height, 1, 1, nullptr);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, monochrome);
        PatBlt(dc, 0, 0, m_width, m_height, BLACKNESS);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    const int index = colour && monochrome ? ImageList_Add(m_handle, colour, monochrome) : -1;
    if (colour)
        DeleteObject(colour);
    if (monochrome)
        DeleteObject(monochrome);
    if (index >= 0)
        Change();
    return index;
}

int ImageList::AddMasked(Bitmap& image, Color maskColor)
{
    if (!m_handle)
        return -1;
    Bitmap mask(m_width, m_height, pf24bit);
    mask.Canvas().SetBrushColor(clWhite);
    mask.Canvas().FillRect(RECT{0, 0, m_width, m_height});
    // White where the image has the mask colour, black elsewhere.
    const Color key = ColorToRGB(maskColor);
    PixelView view = mask.Pixels();
    for (int y = 0; y < std::min(m_height, image.Height()); ++y)
        for (int x = 0; x < std::min(m_width, image.Width()); ++x)
            view.WritePixel(x, y, image.PixelColor(x, y) == key ? clWhite : clBlack);
    return Add(image, &mask);
}

int ImageList::AddIcon(HICON icon)
{
    if (!m_handle || !icon)
        return -1;
    const int index = ImageList_ReplaceIcon(m_handle, -1, icon);
    if (index >= 0)
        Change();
    return index;
}

bool ImageList::Replace(int index, Bitmap& image, Bitmap* mask)
{
    if (!m_handle || index < 0 || index >= Count())
        return false;
    const int added = Add(image, mask);
    if (added < 0)
        return false;
    BeginUpdate();
    ImageList_Copy(m_handle, index, m_handle, added, ILCF_SWAP);
    ImageList_Remove(m_handle, added);
    m_changed = true;
    EndUpdate();
    return true;
}

bool ImageList::Delete(int index)
{
    if (!m_handle || index < 0 || index >= Count())
        return false;
    const bool removed = ImageList_Remove(m_handle, index) != FALSE;
    if (removed)
        Change();
    return removed;
}

void ImageList::Clear()
{
    if (m_handle && Count() > 0) {
        ImageList_Remove(m_handle, -1);
        Change();
    }
}

bool ImageList::GetBitmap(int index, Bitmap& bitmap, ImageType type)
{
    if (!m_handle || index < 0 || index >= Count())
        return false;
    bitmap.SetSize(m_width, m_height);
    HDC dc = bitmap.Canvas().Handle();
    PatBlt(dc, 0, 0, m_width, m_height, type == itMask ? WHITENESS : BLACKNESS);
    ImageList_DrawEx(m_handle, index, dc, 0, 0, 0, 0, CLR_NONE, CLR_NONE, type == itMask ? ILD_MASK : ILD_NORMAL);
    GdiFlush();
    return true;
}

HICON ImageList::GetIcon(int index) const
{
    if (!m_handle || index < 0 || index >= Count())
        return nullptr;
    return ImageList_GetIcon(m_handle, index, ILD_NORMAL);
}

void ImageList::DoDraw(Canvas& canvas, int x, int y, int index, DrawingStyle style, ImageType type, bool enabled)
{
    HDC dc = canvas.Handle();
    if (!m_handle || !dc || index < 0 || index >= Count())
        return;
    UINT flags = type == itMask ? ILD_MASK : ILD_NORMAL;
    switch (style) {
    case dsFocus: flags |= ILD_FOCUS; break;
    case dsSelected: flags |= ILD_SELECTED; break;
    case dsTransparent: flags |= ILD_TRANSPARENT; break;
    default: break;
    }
    COLORREF blend = m_blend_color == clDefault ? CLR_DEFAULT : ColorToRGB(m_blend_color);
    if (!enabled) {
        flags |= ILD_BLEND50;
        blend = GetSysColor(COLOR_BTNFACE);
    }
    const COLORREF bk = m_bk_color == clNone ? CLR_NONE : ColorToRGB(m_bk_color);
    ImageList_DrawEx(m_handle, index, dc, x, y, 0, 0, style == dsTransparent ? CLR_NONE : bk, blend, flags);
}

void ImageList::RegisterChanges(ChangeLink* link)
{
    if (!link || link->m_sender == this)
        return;
    if (link->m_sender)
        link->m_sender->UnRegisterChanges(link);
    link->m_sender = this;
    m_links.push_back(link);
}

void ImageList::UnRegisterChanges(ChangeLink* link)
{
    auto it = std::find(m_links.begin(), m_links.end(), link);
    if (it != m_links.end()) {
        (*it)->m_sender = nullptr;
        m_links.erase(it);
    }
}

void ImageList::EndUpdate()
{
    if (m_update_count > 0 && --m_update_count == 0 && m_changed)
        Change();
}

void ImageList::Change()
{
    m_changed = true;
    if (m_update_count > 0)
        return;
    m_changed = false;
    // A link may unregister itself (or others) from its handler: walk a copy, skipping the gone.
    const std::vector<ChangeLink*> links = m_links;
    for (ChangeLink* link : links)
        if (std::find(m_links.begin(), m_links.end(), link) != m_links.end() && link->OnChange)
            link->OnChange();
    if (OnChange)
        OnChange(this);
}

} // namespace ui
