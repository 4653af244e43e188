// Skins stored with a form: a stored skin holds either a whole packed archive (its byte-stream
// property "Data") or the skin taken apart into its sections, masks, patterns and master bitmap.
// A folder skin is imported with LoadSkin; a stored skin is read into the tables by the three
// Read/Load functions at the end, which take the place of the options document's readers.
#pragma once

#include "core/collection.h"
#include "core/stream.h"
#include "core/string.h"
#include "skin/engine/skinoptions.h"
#include "skin/engine/storedsections.h"
#include "ui/binaryprops.h"

#include <memory>
#include <vector>

namespace ui {
class Bitmap;
class JpegImage;
}

namespace skin {

// One stored mask: an image file of its own (Name set) or a rectangle of the master bitmap.
class TsSkinImage : public core::CollectionItem {
public:
    explicit TsSkinImage(core::Collection* collection = nullptr);
    ~TsSkinImage() override;
    core::String ClassName() const override { return u"TsSkinImage"; }
    void Assign(const core::Persistent& source) override;

    ui::Bitmap& Image() const { return *m_image; }
    core::String Name, SectionName, PropertyName;
    int MaskType = 0, ImageCount = 0, Top = 0, Left = 0, Right = 0, Bottom = 0, BorderWidth = 0, StretchMode = 0;
    TacImgType ImgType = itisaBorder;
    int WR = 0, WT = 0, WL = 0, WB = 0;

private:
    std::unique_ptr<ui::Bitmap> m_image;
};

// One stored JPEG pattern; of several patterns naming one file only the first holds the picture.
class TsSkinPattern : public core::CollectionItem {
public:
    explicit TsSkinPattern(core::Collection* collection = nullptr);
    ~TsSkinPattern() override;
    core::String ClassName() const override { return u"TsSkinPattern"; }
    void Assign(const core::Persistent& source) override;

    ui::JpegImage& Image() const { return *m_image; }
    core::String Name, SectionName, PropertyName;

private:
    std::unique_ptr<ui::JpegImage> m_image;
};

template <class T> class StoredItems : public core::Collection {
public:
    explicit StoredItems(core::Persistent* owner = nullptr)
        : core::Collection([](core::Collection* c) { return new T(c); }, owner)
    {
    }
    T* Item(int index) const { return static_cast<T*>(Items(index)); }
};
using TsSkinImages = StoredItems<TsSkinImage>;
using TsSkinPatterns = StoredItems<TsSkinPattern>;

class TsStoredSkin : public core::CollectionItem {
public:
    explicit TsStoredSkin(core::Collection* collection = nullptr);
    ~TsStoredSkin() override;
    core::String ClassName() const override { return u"TsStoredSkin"; }
    // Copies the packed data, the name, the three collections, the master bitmap and the skin-wide
    // values of another stored skin.
    void Assign(const core::Persistent& source) override;
    // The byte-stream property "Data" (always written).
    std::vector<ui::BinaryProperty> BinaryProperties();

    // Reads the skin-wide values of sf and appends one item per section to generals. skinData is the
    // owning manager's, which also gets the version; null outside a manager.
    void LoadFromIni(TsSkinGenerals& generals, const core::CustomIniFile& sf, TsSkinData* skinData = nullptr);
    // Imports the folder skin whose options document sf is; its file name locates the images.
    void LoadSkin(const core::CustomIniFile& sf, TsSkinData* skinData = nullptr);

    TsSkinImages Images;
    core::String Name;
    TsSkinGenerals GeneralData;
    TsSkinPatterns Patterns;
    ui::Bitmap& MasterBitmap() const { return *m_master; }
    double Version = 0;
    core::String Description, Author;
    int Shadow1Offset = 0;
    uint32_t Shadow1Color = 0;
    int Shadow1Blur = -1, Shadow1Transparency = 0;
    uint32_t BorderColor = MaskKeyColor;
    core::MemoryStream PackedData;

private:
    std::unique_ptr<ui::Bitmap> m_master;
};

class TsStoredSkins : public core::Collection {
public:
    explicit TsStoredSkins(core::Persistent* owner = nullptr)
        : core::Collection([](core::Collection* c) { return new TsStoredSkin(c); }, owner)
    {
    }
    core::String ClassName() const override { return u"TsStoredSkins"; }
    // Assigning another collection changes nothing: stored skins are added one by one.
    void Assign(const core::Persistent&) override {}
    TsStoredSkin* Item(int index) const { return static_cast<TsStoredSkin*>(Items(index)); }
    // Position of the first skin named exactly so, -1 when none.
    int IndexOf(core::StringView skinName) const;
};

// Registers the published values of the stored-skin classes by name (the sections' too).
void RegisterStoredSkinProperties();

// The stored skin's master bitmap and masks into the tables (after releasing the old ones).
void ReadStoredMasks(SkinTables& tables, const TsStoredSkin& skin, const void* manager);
void ReadStoredPatterns(SkinTables& tables, const TsStoredSkin& skin);
// Its skin-wide values and sections, then the common sections, mask indexes and tint.
void LoadStoredGeneralData(SkinTables& tables, const TsStoredSkin& skin, const GeneralDataContext& context);

} // namespace skin
