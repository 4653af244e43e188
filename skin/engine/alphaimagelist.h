// The alpha image list: an image list that keeps, beside the system list it hands to controls, the
// file of every image as it was loaded (a PNG or an ICO file per image). The system list is built
// from those files as 32-bit icons with alpha, and any image can be had as a 32-bit bitmap with
// straight alpha for compositing. The files, not the system list, are what is stored with a form.
// Also: painting one cell of a multi-cell glyph from any image list into a bitmap or onto a device
// context.
#pragma once

#include "core/collection.h"
#include "core/stream.h"
#include "core/string.h"
#include "core/win32.h"
#include "ui/binaryprops.h"
#include "ui/bitmap.h"
#include "ui/imagelist.h"

#include <vector>

namespace skin {

enum TsImageFormat { ifPNG, ifICO };

class TsImgListItems;

// One image: its whole file and what it carries (32-bit for PNG images and for icons with alpha,
// 24-bit for other icons).
class TsImgListItem : public core::CollectionItem {
public:
    explicit TsImgListItem(core::Collection* collection = nullptr);
    core::String ClassName() const override { return u"TsImgListItem"; }
    // Format, pixel format and the whole file from another item; anything else: the assignment error.
    void Assign(const core::Persistent& source) override;
    // The byte-stream property "ImgData": the file as it was loaded.
    std::vector<ui::BinaryProperty> BinaryProperties();

    TsImgListItems* Owner() const;

    TsImageFormat ImageFormat = ifPNG;
    ui::PixelFormat PixelFormat = ui::pf32bit;
    core::MemoryStream ImgData;

protected:
    void AssignTo(core::Persistent& dest) const override;
};

class TsAlphaImageList;

class TsImgListItems : public core::Collection {
public:
    explicit TsImgListItems(TsAlphaImageList* owner);
    core::String ClassName() const override { return u"TsImgListItems"; }
    TsImgListItem* Item(int index) const { return static_cast<TsImgListItem*>(Items(index)); }
    TsAlphaImageList* OwnerList() const { return m_owner; }

private:
    TsAlphaImageList* m_owner;
};

class TsAlphaImageList : public ui::ImageList {
public:
    explicit TsAlphaImageList(core::Component* owner = nullptr, int width = 16, int height = 16);
    ~TsAlphaImageList() override;
    core::String ClassName() const override { return u"TsAlphaImageList"; }

    // Another alpha list: its settings, a new system list of its size and its images (with their
    // files); none frees the system list; other lists: the image list's own assignment.
    void Assign(const core::Persistent& source) override;
    void Assign(const core::Persistent* source);
    // Unless loading: the system list is made when missing and built from Items when it is not yet.
    void AfterConstruction() override;
    // The system list is made when missing and built from Items once.
    void Loaded() override;

    TsImgListItems& Items() { return m_items; }
    const TsImgListItems& Items() const { return m_items; }
    void SetItems(const TsImgListItems& items) { m_items.Assign(items); }
    // Items are kept after the system list is built: DoubleData, or while designing.
    bool KeepsData() const;

    void CreateListHandle();
    void FreeListHandle();
    // Rebuilds the system list from Items. A damaged file raises its reader's error.
    void GenerateStdList();
    // Image index as a 32-bit bitmap with straight alpha. A kept PNG of another size than the list's
    // is resampled to image's current size. False without a handle or image, or outside the list.
    bool GetBitmap32(int index, ui::Bitmap* image);
    // Appends the image of a PNG or ICO file (its first icon); false when the file is neither or the
    // system list refuses it.
    bool AddImageFromFile(const core::String& fileName);
    // AddImageFromFile, telling the user when the file cannot be taken.
    void LoadFromFile(const core::String& fileName);
    void CopyImages(const TsAlphaImageList& list);
    // Width and height of that system list's icons.
    void SetNewDimensions(HIMAGELIST value);
    void AcBeginUpdate() { AcChanging = true; }
    void AcEndUpdate(bool doChange);

    bool StdListIsGenerated = false;
    // A rebuild or bulk copy is under way: Change does nothing meanwhile.
    bool AcChanging = false;
    bool DoubleData = true;

protected:
    void AssignTo(core::Persistent& dest) const override;
    // After the change links: kept files newer than the system list rebuild it; otherwise images
    // without any alpha are made opaque except for the key colour.
    void Change() override;
    // The image as an icon with transparency at the list's size; style and enabled are not used.
    void DoDraw(ui::Canvas& canvas, int x, int y, int index, ui::DrawingStyle style, ui::ImageType type,
                bool enabled) override;

private:
    TsImgListItems m_items;
};

// Registers the published values by name: ImageFormat and PixelFormat of an item, Items of a list
// (setting it copies the collection).
void RegisterAlphaImageListProperties();

// PNG by its signature; ICO by two leading zero bytes and the extension ".ico" in any case.
bool DetectImageFormat(const core::String& fileName, TsImageFormat& format);
// The first min(count, 8) bytes of the file equal data, and the file is longer than that.
bool FileStartsWith(const core::String& fileName, const void* data, int count);
// The system's default and none colour values as clDefault and clNone; others unchanged.
ui::Color ColorRefToTColor(uint32_t value);
// A 32-bit bitmap without any alpha becomes opaque except for the bottom-left pixel's colour.
void MakeOpaqueUnlessAlpha(ui::Bitmap* bmp);
int ScreenBitsPerPixel();
// A new icon of the first image of an ICO file; null when the file holds none the system takes.
HICON IconFromIcoData(const uint8_t* data, size_t size);

// Cell min(state, numGlyphs - 1) of image index (cells side by side, list width div numGlyphs each)
// into dstBmp at (x, y); size receives the cell's size. Alpha lists are composited with tint,
// blending and reflection; other lists draw over a copy of the background.
void PaintListGlyph(ui::ImageList* imgList, ui::Bitmap* dstBmp, int x, int y, int index, int blendPercent,
                    ui::Color colorizeColor, int state, int numGlyphs, bool reflected, SIZE& size);
// The same onto a device context, through a copy of its area (half as high again when reflected).
void PaintListGlyphDC(ui::ImageList* imgList, HDC dc, int x, int y, int index, int blendPercent,
                      ui::Color colorizeColor, int state, int numGlyphs, bool reflected);

} // namespace skin
