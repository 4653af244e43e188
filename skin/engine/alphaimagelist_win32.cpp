// The alpha image list over the common controls' image list.
#include "skin/engine/alphaimagelist.h"

#include "core/fileio.h"
#include "core/flagscope.h"
#include "core/path.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/msgbox.h"
#include "skin/engine/pnggraphic.h"
#include "ui/propinfo.h"
#include "skin/engine/skinmanager.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace skin {

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint8_t kIcoStart[2] = {0, 0};

// Releases an icon and, once taken, the bitmaps of its ICONINFO.
class IconParts {
public:
    explicit IconParts(HICON icon) : m_icon(icon)
    {
        if (m_icon && !GetIconInfo(m_icon, &m_info))
            m_info = {};
    }
    ~IconParts()
    {
        if (m_info.hbmColor)
            DeleteObject(m_info.hbmColor);
        if (m_info.hbmMask)
            DeleteObject(m_info.hbmMask);
        if (m_icon)
            DestroyIcon(m_icon);
    }
    IconParts(const IconParts&) = delete;
    IconParts& operator=(const IconParts&) = delete;

    HBITMAP Color() const { return m_info.hbmColor; }
    HBITMAP Mask() const { return m_info.hbmMask; }
    // The colour bitmap as a 32-bit bitmap of our own; false for a monochrome icon.
    bool ColorAs32(ui::Bitmap& bmp) const
    {
        if (!m_info.hbmColor)
            return false;
        bmp.AssignHandle(m_info.hbmColor);
        bmp.SetPixelFormat(ui::pf32bit);
        return !bmp.Empty();
    }

private:
    HICON m_icon;
    ICONINFO m_info{};
};

bool AnyAlpha(ui::Bitmap& bmp)
{
    const ui::PixelView v = bmp.Pixels();
    for (int y = 0; y < v.Height(); ++y) {
        const uint8_t* row = v.Row(y);
        for (int x = 0; x < v.Width(); ++x)
            if (row[x * 4 + 3] != 0)
                return true;
    }
    return false;
}

// Alpha 255 for every pixel whose colour differs from key; pixels of key stay transparent.
void OpaqueExcept(ui::Bitmap& bmp, uint32_t key)
{
    ui::PixelView v = bmp.Pixels();
    for (int y = 0; y < v.Height(); ++y)
        for (int x = 0; x < v.Width(); ++x) {
            const uint32_t pixel = v.ReadPixel(x, y);
            if ((pixel & 0xFFFFFF) != key)
                v.WritePixel(x, y, pixel | 0xFF000000u);
        }
}

// True when the icon's colour bitmap is 32-bit and carries some alpha.
bool IconHasAlpha(HICON icon)
{
    IconParts parts(CopyIcon(icon));
    BITMAP info{};
    if (!parts.Color() || !GetObjectW(parts.Color(), sizeof(info), &info) || info.bmBitsPixel != 32)
        return false;
    ui::Bitmap bmp;
    return parts.ColorAs32(bmp) && AnyAlpha(bmp);
}

HICON PngIcon(core::Stream& stream)
{
    TPNGGraphic png;
    png.LoadFromStream(stream);
    return png.MakeIcon(false);
}

// The first icon of kept ICO data; a file the system does not take raises the icon reader's error.
HICON KeptIcon(core::MemoryStream& data)
{
    HICON icon = IconFromIcoData(data.Memory(), size_t(data.Size()));
    if (!icon)
        throw ui::EInvalidGraphic(u"Icon image is not valid");
    return icon;
}

bool WindowsBelow6() { return LOBYTE(LOWORD(GetVersion())) < 6; }

} // namespace

// ---- Items ----

TsImgListItem::TsImgListItem(core::Collection* collection) : core::CollectionItem(collection) {}

TsImgListItems* TsImgListItem::Owner() const { return static_cast<TsImgListItems*>(Collection()); }

void TsImgListItem::Assign(const core::Persistent& source)
{
    if (auto* item = dynamic_cast<const TsImgListItem*>(&source))
        item->AssignTo(*this);
    else
        core::CollectionItem::Assign(source);
}

void TsImgListItem::AssignTo(core::Persistent& dest) const
{
    auto* item = dynamic_cast<TsImgListItem*>(&dest);
    if (!item) {
        core::CollectionItem::AssignTo(dest);
        return;
    }
    if (item == this)
        return;
    item->ImageFormat = ImageFormat;
    item->PixelFormat = PixelFormat;
    item->ImgData.SetSize(0);
    const int64_t size = const_cast<core::MemoryStream&>(ImgData).Size();
    if (size > 0)
        item->ImgData.WriteBuffer(ImgData.Memory(), size);
    item->ImgData.SetPosition(0);
}

std::vector<ui::BinaryProperty> TsImgListItem::BinaryProperties()
{
    return {ui::MemoryStreamProperty(u"ImgData", ImgData)};
}

TsImgListItems::TsImgListItems(TsAlphaImageList* owner)
    : core::Collection([](core::Collection* c) { return new TsImgListItem(c); }, owner), m_owner(owner)
{
}

// ---- The list ----

TsAlphaImageList::TsAlphaImageList(core::Component* owner, int width, int height)
    : ui::ImageList(owner, width, height), m_items(this)
{
}

TsAlphaImageList::~TsAlphaImageList() = default;

bool TsAlphaImageList::KeepsData() const { return DoubleData || HasState(core::csDesigning); }

void TsAlphaImageList::AfterConstruction()
{
    ui::ImageList::AfterConstruction();
    if (HasState(core::csLoading))
        return;
    if (!Handle())
        CreateListHandle();
    if (!StdListIsGenerated)
        GenerateStdList();
}

void TsAlphaImageList::Loaded()
{
    ui::ImageList::Loaded();
    if (!Handle())
        CreateListHandle();
    if (!StdListIsGenerated) {
        GenerateStdList();
        StdListIsGenerated = true;
    }
}

void TsAlphaImageList::CreateListHandle()
{
    CreateList();
    if (Handle())
        ImageList_SetBkColor(Handle(), CLR_NONE);
}

void TsAlphaImageList::FreeListHandle()
{
    FreeList();
    Change();
}

void TsAlphaImageList::GenerateStdList()
{
    if (!Handle())
        return;
    core::FlagScope changing(AcChanging);
    ImageList_Remove(Handle(), -1);
    for (int i = 0; i < m_items.Count(); ++i) {
        TsImgListItem* item = m_items.Item(i);
        item->ImgData.SetPosition(0);
        HICON icon = item->ImageFormat == ifPNG ? PngIcon(item->ImgData) : KeptIcon(item->ImgData);
        if (icon) {
            ImageList_ReplaceIcon(Handle(), -1, icon);
            DestroyIcon(icon);
        }
    }
    if (m_items.Count() > 0) {
        StdListIsGenerated = true;
        if (!KeepsData())
            m_items.Clear();
    }
}

void TsAlphaImageList::Change()
{
    if (AcChanging)
        return;
    ui::ImageList::Change();
    if (!Handle() || HasState(core::csLoading) || HasState(core::csDesigning) || !StdListIsGenerated)
        return;
    if (KeepsData() && m_items.Count() >= Count()) {
        // Files were added behind the system list's back: it follows them.
        if (m_items.Count() > Count())
            GenerateStdList();
        return;
    }
    for (int i = 0; i < Count(); ++i) {
        IconParts parts(ImageList_GetIcon(Handle(), i, ILD_NORMAL));
        ui::Bitmap bmp;
        if (!parts.ColorAs32(bmp) || AnyAlpha(bmp))
            continue;
        OpaqueExcept(bmp, MaskKeyColor);
        ICONINFO info{};
        info.fIcon = TRUE;
        info.hbmColor = bmp.Handle();
        info.hbmMask = parts.Mask();
        if (HICON icon = CreateIconIndirect(&info)) {
            ImageList_ReplaceIcon(Handle(), i, icon);
            DestroyIcon(icon);
        }
    }
}

bool TsAlphaImageList::GetBitmap32(int index, ui::Bitmap* image)
{
    if (!Handle() || !image || index < 0 || index >= Count())
        return false;
    if (KeepsData() && index < m_items.Count() && m_items.Item(index)->ImageFormat == ifPNG &&
        m_items.Item(index)->ImgData.Size() > 0) {
        core::MemoryStream& data = m_items.Item(index)->ImgData;
        data.SetPosition(0);
        TPNGGraphic png;
        png.LoadFromStream(data);
        if (png.Width() == Width() && png.Height() == Height()) {
            image->Assign(static_cast<const ui::Bitmap&>(png));
        } else {
            // An empty target takes the list's size: there is nothing to scale to otherwise.
            if (image->Empty())
                image->SetSize(Width(), Height());
            image->SetPixelFormat(ui::pf32bit);
            ResampleBmp(&png, image, image->Width(), image->Height(), 6);
        }
        if (image->GetPixelFormat() != ui::pf32bit) {
            image->SetPixelFormat(ui::pf32bit);
            MakeOpaqueUnlessAlpha(image);
        }
        return true;
    }
    IconParts parts(ImageList_GetIcon(Handle(), index, ILD_NORMAL));
    ui::Bitmap bmp;
    if (parts.ColorAs32(bmp)) {
        if (WindowsBelow6() && ScreenBitsPerPixel() < 32)
            MakeOpaqueUnlessAlpha(&bmp);
        image->Assign(bmp);
    }
    return true;
}

bool TsAlphaImageList::AddImageFromFile(const core::String& fileName)
{
    TsImageFormat format = ifPNG;
    if (!Handle() || !DetectImageFormat(fileName, format))
        return false;
    HICON icon = nullptr;
    if (KeepsData()) {
        auto* item = static_cast<TsImgListItem*>(m_items.Add());
        item->ImgData.LoadFromFile(fileName);
        item->ImageFormat = format;
        if (format == ifICO) {
            icon = IconFromIcoData(item->ImgData.Memory(), size_t(item->ImgData.Size()));
            item->PixelFormat = icon && IconHasAlpha(icon) ? ui::pf32bit : ui::pf24bit;
        } else {
            item->PixelFormat = ui::pf32bit;
            item->ImgData.SetPosition(0);
            icon = PngIcon(item->ImgData);
        }
    } else {
        core::MemoryStream data;
        data.LoadFromFile(fileName);
        icon = format == ifICO ? IconFromIcoData(data.Memory(), size_t(data.Size())) : PngIcon(data);
    }
    bool added = false;
    if (icon) {
        added = ImageList_ReplaceIcon(Handle(), -1, icon) >= 0;
        DestroyIcon(icon);
    }
    Change();
    return added;
}

void TsAlphaImageList::LoadFromFile(const core::String& fileName)
{
    if (!AddImageFromFile(fileName))
        ErrorBox(u"Cannot load " + fileName + u"\r\nInvalid or unexpected image format.");
}

void TsAlphaImageList::SetNewDimensions(HIMAGELIST value)
{
    int cx = 0, cy = 0;
    if (value && ImageList_GetIconSize(value, &cx, &cy))
        SetSize(cx, cy);
}

void TsAlphaImageList::AcEndUpdate(bool doChange)
{
    AcChanging = false;
    if (doChange)
        Change();
}

void TsAlphaImageList::Assign(const core::Persistent& source)
{
    if (auto* list = dynamic_cast<const TsAlphaImageList*>(&source))
        list->AssignTo(*this);
    else
        ui::ImageList::Assign(source);
}

void TsAlphaImageList::Assign(const core::Persistent* source)
{
    if (source)
        Assign(*source);
    else
        FreeListHandle();
}

void TsAlphaImageList::AssignTo(core::Persistent& dest) const
{
    auto* list = dynamic_cast<TsAlphaImageList*>(&dest);
    if (!list) {
        ui::ImageList::AssignTo(dest);
        return;
    }
    if (list == this)
        return;
    list->AcBeginUpdate();
    list->Clear();
    list->SetNewDimensions(Handle());
    // Its own system list goes first, under its own sharing flag: taking ours first would leak it.
    list->FreeList();
    list->SetShareImages(ShareImages());
    list->CreateListHandle();
    list->SetBkColor(Handle() ? ColorRefToTColor(ImageList_GetBkColor(Handle())) : ui::clNone);
    list->SetBlendColor(BlendColor());
    list->CopyImages(*this);
    list->AcEndUpdate(false);
}

void TsAlphaImageList::CopyImages(const TsAlphaImageList& list)
{
    if (!Handle())
        return;
    if (list.Handle())
        ImageList_SetBkColor(list.Handle(), CLR_NONE);
    if (KeepsData()) {
        m_items.Clear();
        for (int i = 0; i < list.Items().Count(); ++i)
            m_items.Add()->Assign(*list.Items().Item(i));
        GenerateStdList();
        return;
    }
    ImageList_Remove(Handle(), -1);
    ImageList_SetBkColor(Handle(), CLR_NONE);
    const int count = list.Handle() ? ImageList_GetImageCount(list.Handle()) : 0;
    for (int i = 0; i < count; ++i) {
        if (HICON icon = ImageList_GetIcon(list.Handle(), i, ILD_TRANSPARENT)) {
            ImageList_ReplaceIcon(Handle(), -1, icon);
            DestroyIcon(icon);
        }
    }
}

void TsAlphaImageList::DoDraw(ui::Canvas& canvas, int x, int y, int index, ui::DrawingStyle, ui::ImageType, bool)
{
    HDC dc = canvas.Handle();
    if (!Handle() || !dc)
        return;
    ImageList_SetBkColor(Handle(), CLR_NONE);
    if (HICON icon = ImageList_GetIcon(Handle(), index, ILD_TRANSPARENT)) {
        DrawIconEx(dc, x, y, icon, Width(), Height(), 0, nullptr, DI_NORMAL);
        DestroyIcon(icon);
    }
}

// ---- Unit functions ----

void RegisterAlphaImageListProperties()
{
    using I = TsImgListItem;
    ui::RegisterPropClass<I>(
        u"TsImgListItem",
        {ui::OrdProperty(u"ImageFormat", ui::Getter<I>([](I& i) { return int64_t(i.ImageFormat); }),
                         ui::Setter<I>([](I& i, int64_t v) { i.ImageFormat = TsImageFormat(v); })),
         ui::OrdProperty(u"PixelFormat", ui::Getter<I>([](I& i) { return int64_t(i.PixelFormat); }),
                         ui::Setter<I>([](I& i, int64_t v) { i.PixelFormat = ui::PixelFormat(v); }))});
    using L = TsAlphaImageList;
    ui::RegisterPropClass<L>(
        u"TsAlphaImageList",
        {ui::ObjectProperty(
            u"Items", [](core::Object& o) -> core::Object* { return &static_cast<L&>(o).Items(); },
            [](core::Object& o, core::Object* v) {
                if (auto* items = dynamic_cast<TsImgListItems*>(v))
                    static_cast<L&>(o).SetItems(*items);
            })});
}

bool FileStartsWith(const core::String& fileName, const void* data, int count)
{
    const int n = std::clamp(count, 0, 8);
    try {
        core::FileStream stream(fileName, core::fmOpenRead | core::fmShareDenyWrite);
        if (stream.Size() - stream.Position() <= n)
            return false;
        uint8_t head[8] = {};
        stream.ReadBuffer(head, n);
        return std::memcmp(head, data, size_t(n)) == 0;
    } catch (const core::EFOpenError&) {
        return false;
    }
}

bool DetectImageFormat(const core::String& fileName, TsImageFormat& format)
{
    if (FileStartsWith(fileName, kPngSignature, 8)) {
        format = ifPNG;
        return true;
    }
    core::String ext = core::LowerCase(core::ExtractFileExt(fileName));
    if (!ext.empty())
        ext.erase(0, 1);
    if (FileStartsWith(fileName, kIcoStart, 2) && ext == u"ico") {
        format = ifICO;
        return true;
    }
    return false;
}

ui::Color ColorRefToTColor(uint32_t value)
{
    if (value == CLR_DEFAULT)
        return ui::clDefault;
    if (value == CLR_NONE)
        return ui::clNone;
    return value;
}

void MakeOpaqueUnlessAlpha(ui::Bitmap* bmp)
{
    if (!bmp || bmp->Width() < 2 || bmp->Height() < 2 || bmp->GetPixelFormat() != ui::pf32bit || AnyAlpha(*bmp))
        return;
    const ui::PixelView v = bmp->Pixels();
    OpaqueExcept(*bmp, v.ReadPixel(0, v.Height() - 1) & 0xFFFFFF);
}

int ScreenBitsPerPixel()
{
    HDC dc = GetDC(nullptr);
    const int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    ReleaseDC(nullptr, dc);
    return bits;
}

HICON IconFromIcoData(const uint8_t* data, size_t size)
{
    // Header: reserved 0, type 1, count; then 16-byte entries whose last two fields are the image's
    // byte count and its offset in the file.
    constexpr size_t kHeader = 6, kEntry = 16;
    if (!data || size < kHeader + kEntry)
        return nullptr;
    auto u16 = [&](size_t at) { return uint32_t(data[at]) | uint32_t(data[at + 1]) << 8; };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    if (u16(0) != 0 || u16(2) != 1 || u16(4) == 0)
        return nullptr;
    const size_t bytes = u32(kHeader + 8), offset = u32(kHeader + 12);
    if (bytes == 0 || offset > size || bytes > size - offset)
        return nullptr;
    return CreateIconFromResourceEx(const_cast<BYTE*>(data + offset), DWORD(bytes), TRUE, 0x00030000, 0, 0,
                                    LR_DEFAULTCOLOR);
}

void PaintListGlyph(ui::ImageList* imgList, ui::Bitmap* dstBmp, int x, int y, int index, int blendPercent,
                    ui::Color colorizeColor, int state, int numGlyphs, bool reflected, SIZE& size)
{
    if (!dstBmp || dstBmp->Width() == 0 || !imgList || !imgList->Handle())
        return;
    numGlyphs = std::max(numGlyphs, 1);
    const int w = imgList->Width(), h = imgList->Height();
    const int cellWidth = w / numGlyphs;
    const int cell = state < numGlyphs ? state : numGlyphs - 1;
    const Rect dst{x, y, x + cellWidth, y + h};
    const Rect src{cellWidth * cell, 0, cellWidth * (cell + 1), h};
    size = SIZE{cellWidth, h};
    if (auto* alphaList = dynamic_cast<TsAlphaImageList*>(imgList)) {
        auto bmp = NewBmp32(w, h);
        if (alphaList->GetBitmap32(index, bmp.get()))
            DrawAlphaBmp(dst, src, dstBmp, bmp.get(), EmptyCacheInfo, false, colorizeColor, blendPercent, reflected);
        return;
    }
    auto bmp = NewBmp24(w, h);
    HDC work = bmp->Canvas().Handle(), target = dstBmp->Canvas().Handle();
    BitBlt(work, src.Left, src.Top, cellWidth, h, target, dst.Left, dst.Top, SRCCOPY);
    imgList->Draw(bmp->Canvas(), 0, 0, index, ui::dsNormal, ui::itImage, true);
    BitBlt(target, dst.Left, dst.Top, cellWidth, h, work, src.Left, src.Top, SRCCOPY);
    GdiFlush();
}

void PaintListGlyphDC(ui::ImageList* imgList, HDC dc, int x, int y, int index, int blendPercent,
                      ui::Color colorizeColor, int state, int numGlyphs, bool reflected)
{
    if (!imgList || !dc)
        return;
    const int w = imgList->Width(), h = imgList->Height() + (reflected ? imgList->Height() / 2 : 0);
    auto bmp = NewBmp24(w, h);
    BitBlt(bmp->Canvas().Handle(), 0, 0, w, h, dc, x, y, SRCCOPY);
    SIZE size{};
    PaintListGlyph(imgList, bmp.get(), 0, 0, index, blendPercent, colorizeColor, state, numGlyphs, reflected, size);
    BitBlt(dc, x, y, w, h, bmp->Canvas().Handle(), 0, 0, SRCCOPY);
}

} // namespace skin
