// Image lists: images of one size with masks, kept in a system image list, drawn by index with a
// style. Holders that paint from a list register a change link and hear of every change.
#pragma once

#include "core/component.h"
#include "core/win32.h"
#include "ui/bitmap.h"
#include "ui/canvas.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace ui {

class ImageList;

enum DrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum ImageType { itImage, itMask };

// A holder's link to an image list: OnChange runs after each change of the list. The link leaves
// its list when either is freed.
class ChangeLink {
public:
    ChangeLink() = default;
    ChangeLink(const ChangeLink&) = delete;
    ChangeLink& operator=(const ChangeLink&) = delete;
    ~ChangeLink();

    ImageList* Sender() const { return m_sender; }
    std::function<void()> OnChange;

private:
    friend class ImageList;
    ImageList* m_sender = nullptr;
};

class ImageList : public core::Component {
public:
    explicit ImageList(core::Component* owner = nullptr, int width = 16, int height = 16);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TImageList"; }
    ~ImageList() override;

    // Runs once the derived constructor has finished: whoever makes a list with new calls it (lists
    // read from a stream call Loaded instead, after their properties). Nothing here.
    virtual void AfterConstruction() {}

    // ---- Properties ----
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // A new size empties the list.
    void SetSize(int width, int height);
    int Count() const;
    HIMAGELIST Handle() const { return m_handle; }
    // The colour the list's transparent parts are drawn in (clNone: left as they are).
    Color BkColor() const { return m_bk_color; }
    void SetBkColor(Color color);
    // The colour dsFocus and dsSelected blend with (clDefault: the highlight colour).
    Color BlendColor() const { return m_blend_color; }
    void SetBlendColor(Color color) { m_blend_color = color; }
    // Images shared with someone else's system list: this list never destroys its handle.
    bool ShareImages() const { return m_share_images; }
    void SetShareImages(bool value) { m_share_images = value; }
    // How many images the system list grows by (and its initial room).
    int AllocBy() const { return m_alloc_by; }
    void SetAllocBy(int value) { m_alloc_by = std::max(value, 1); }

    // ---- Images ----
    // Adds image (cut or padded to the list's size); mask pixels that are white are transparent, no
    // mask makes it opaque. Returns the new index, -1 on failure.
    int Add(Bitmap& image, Bitmap* mask = nullptr);
    // Adds image with the pixels of maskColor transparent.
    int AddMasked(Bitmap& image, Color maskColor);
    // Adds a copy of the icon (the icon stays the caller's).
    int AddIcon(HICON icon);
    bool Replace(int index, Bitmap& image, Bitmap* mask = nullptr);
    bool Delete(int index);
    void Clear();
    // The image (or its mask) at index into bitmap, resized to the list's size. False outside the list.
    bool GetBitmap(int index, Bitmap& bitmap, ImageType type = itImage);
    // A new icon of the image (the caller destroys it); null outside the list.
    HICON GetIcon(int index) const;

    // ---- Drawing ----
    // Draws image index at (x, y) through DoDraw.
    void Draw(Canvas& canvas, int x, int y, int index, DrawingStyle style = dsNormal, ImageType type = itImage,
              bool enabled = true)
    {
        DoDraw(canvas, x, y, index, style, type, enabled);
    }

    // ---- Change links ----
    void RegisterChanges(ChangeLink* link);
    void UnRegisterChanges(ChangeLink* link);
    // Changes between the two raise one notification at the end.
    void BeginUpdate() { ++m_update_count; }
    void EndUpdate();

    // ---- Events ----
    std::function<void(core::Object*)> OnChange;

protected:
    virtual void Change();
    // Draws with the system list in the style; a disabled image is drawn blended to grey.
    virtual void DoDraw(Canvas& canvas, int x, int y, int index, DrawingStyle style, ImageType type, bool enabled);
    // A new system list of the list's size (32-bit colour with a mask) in place of the old one.
    void CreateList();
    // Destroys the system list unless its images are shared; the list has no handle afterwards.
    void FreeList();

private:
    HBITMAP SizedDDB(Bitmap& image, bool monochrome, Color key, bool useKey);

    HIMAGELIST m_handle = nullptr;
    int m_width;
    int m_height;
    Color m_bk_color = clNone;
    Color m_blend_color = clDefault;
    std::vector<ChangeLink*> m_links;
    int m_update_count = 0;
    bool m_changed = false;
    bool m_share_images = false;
    int m_alloc_by = 4;
};

} // namespace ui
