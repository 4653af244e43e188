// Reading the images of a skin into the mask and pattern tables.
#include "skin/engine/skinimages.h"

#include "core/fileio.h"
#include "core/inifile.h"
#include "core/stream.h"
#include "skin/engine/maskvalue.h"
#include "skin/engine/png.h"
#include "skin/engine/pnggraphic.h"
#include "skin/engine/skinpack.h"
#include "ui/bitmap.h"
#include "ui/jpegimage.h"

namespace skin {

namespace {

bool Contains(core::StringView s, core::StringView part) { return s.find(part) != core::StringView::npos; }

core::String InFolder(const core::String& path, core::StringView name)
{
    return Contains(name, u":") ? core::String(name) : path + core::String(name);
}

// An image's bytes, found by name: the archive entry whose upper-cased name equals it, rewound, or
// the file in the skin folder. Null when there is none.
class ImageStream {
public:
    ImageStream(const SkinImageSource& source, core::StringView name, bool archive)
    {
        if (archive && source.Archive) {
            for (const TacImageItem& item : source.Archive->Files)
                if (item.FileStream && core::UpperCase(item.FileName) == name) {
                    item.FileStream->SetPosition(0);
                    m_stream = item.FileStream.get();
                    return;
                }
            return;
        }
        core::String file = InFolder(source.SkinPath, name);
        if (!name.empty() && core::FileExists(file)) {
            m_file = std::make_unique<core::FileStream>(file, core::fmOpenRead | core::fmShareDenyWrite);
            m_stream = m_file.get();
        }
    }
    core::Stream* get() const { return m_stream; }

private:
    std::unique_ptr<core::FileStream> m_file;
    core::Stream* m_stream = nullptr;
};

std::shared_ptr<ui::Bitmap> LoadBitmap(core::Stream& stream)
{
    auto bmp = std::make_shared<ui::Bitmap>();
    bmp->LoadFromStream(stream);
    return bmp;
}

// PNG masks keep 32 bits and their alpha; fully transparent white is made transparent black.
std::shared_ptr<ui::Bitmap> LoadPngMask(core::Stream& stream)
{
    auto png = std::make_shared<TPNGGraphic>();
    png->LoadFromStream(stream);
    if (png->Width() == 0)
        return png;
    if (png->GetPixelFormat() != ui::pf32bit)
        png->SetPixelFormat(ui::pf32bit);
    ClearTransparentWhite(png->Pixels());
    return png;
}

bool Usable(const std::shared_ptr<ui::Bitmap>& bmp) { return bmp && bmp->Width() > 0; }

// A mask with an image of its own: an "!" value (BMP or PNG) or a bitmap file name. BMP masks other
// than textures are kept at 24 bits; PNG masks keep 32.
void ReadImageMask(SkinTables& tables, const SkinImageSource& source, MaskForm form, const core::String& section,
                   const core::String& key, const core::String& value, const void* manager)
{
    core::String file = MaskFileName(form, value);
    ImageStream stream(source, file, source.Archive != nullptr);
    if (!stream.get())
        return;
    bool png = form == MaskForm::OwnImage && Contains(file, u".PNG");
    std::shared_ptr<ui::Bitmap> bmp = png ? LoadPngMask(*stream.get()) : LoadBitmap(*stream.get());
    if (!Usable(bmp))
        return;
    // The entry is in the table before its fields are read: a field that is no number abandons the
    // load with the entry there, as far as it was read.
    tables.ma.emplace_back();
    MaskData& m = tables.ma.back();
    m.Bmp = bmp;
    m.Manager = manager;
    FillMaskValue(m, form, section, key, value, bmp->Width(), bmp->Height());
    if (!png && m.ImgType != itisaTexture)
        bmp->SetPixelFormat(ui::pf24bit);
}

void ReadMaster(SkinTables& tables, const core::CustomIniFile& ini, const SkinImageSource& source)
{
    core::String name = ini.ReadString(u"GLOBALINFO", u"MASTERBITMAP", {});
    tables.MasterBitmap = std::make_shared<ui::Bitmap>();
    ImageStream stream(source, name, source.Archive != nullptr);
    if (stream.get())
        tables.MasterBitmap->LoadFromStream(*stream.get());
    tables.MasterBitmap->SetPixelFormat(ui::pf24bit);
    tables.MasterBitmap->SetTransparent(true);
    tables.MasterBitmap->SetTransparentColor(MaskKeyColor);
}

void ReadCommonMasks(SkinTables& tables, const core::StringList& lines, const SkinImageSource& source,
                     const void* manager)
{
    core::MemIniFile ini(u"1.tmp");
    ini.SetStrings(lines);
    core::StringList sections, keys;
    ini.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) {
        if (core::UpperCase(sections[s]) == u"GLOBALINFO")
            continue;
        ini.ReadSection(sections[s], keys);
        for (int k = 0; k < keys.Count(); ++k) {
            core::String value = ini.ReadString(sections[s], keys[k], u"-");
            if (tables.MasterBitmap && Contains(value, u"#")) {
                if (value != u"#") {
                    MaskData m = ParseMaskValue(MaskForm::Rectangle, sections[s], keys[k], value);
                    m.Manager = manager;
                    tables.ma.push_back(std::move(m));
                }
                continue;
            }
            if (!Contains(core::UpperCase(value), u".BMP"))
                continue;
            core::String file = InFolder(source.SkinPath, value);
            if (!core::FileExists(file))
                continue;
            core::FileStream stream(file, core::fmOpenRead | core::fmShareDenyWrite);
            std::shared_ptr<ui::Bitmap> bmp = LoadBitmap(stream);
            if (!Usable(bmp))
                continue;
            bmp->SetPixelFormat(ui::pf24bit);
            MaskData m;
            m.Bmp = std::move(bmp);
            m.Manager = manager;
            m.ClassName = core::UpperCase(sections[s]);
            m.PropertyName = core::UpperCase(keys[k]);
            tables.ma.push_back(std::move(m));
        }
    }
}

bool IsJpegName(core::StringView upper) { return Contains(upper, u".JPG") || Contains(upper, u".JPEG"); }

} // namespace

void FreeMasks(SkinTables& tables)
{
    while (!tables.ma.empty())
        tables.ma.pop_back();
    tables.MasterBitmap.reset();
}

void FreePatterns(SkinTables& tables) { tables.pa.clear(); }

void ReadMasks(SkinTables& tables, const core::CustomIniFile& ini, const SkinImageSource& source,
               const core::StringList* commonSections, const void* manager)
{
    FreeMasks(tables);
    ReadMaster(tables, ini, source);
    core::StringList sections, keys;
    ini.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) {
        const core::String& section = sections[s];
        ini.ReadSection(section, keys);
        for (int k = 0; k < keys.Count(); ++k) {
            const core::String key = keys[k];
            if (core::SameText(section, u"GLOBALINFO") && core::SameText(key, u"MASTERBITMAP"))
                continue;
            core::String value = ini.ReadString(section, key, {});
            MaskForm form = MaskFormOf(value);
            switch (form) {
            case MaskForm::None: break;
            case MaskForm::OwnImage:
            case MaskForm::BitmapFile: ReadImageMask(tables, source, form, section, key, value, manager); break;
            default: {
                MaskData m = ParseMaskValue(form, section, key, value);
                m.Manager = manager;
                tables.ma.push_back(std::move(m));
                break;
            }
            }
        }
    }
    if (commonSections && commonSections->Count() > 0)
        ReadCommonMasks(tables, *commonSections, source, manager);
}

void ReadPatterns(SkinTables& tables, const core::CustomIniFile& ini, const SkinImageSource& source,
                  const core::StringList* commonSections, const void* manager)
{
    FreePatterns(tables);
    core::StringList sections, keys;
    ini.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) {
        ini.ReadSection(sections[s], keys);
        for (int k = 0; k < keys.Count(); ++k) {
            core::String value = core::UpperCase(ini.ReadString(sections[s], keys[k], u"-"));
            if (!IsJpegName(value))
                continue;
            ImageStream stream(source, value, source.Archive != nullptr);
            if (!stream.get())
                continue;
            auto jpeg = std::make_shared<ui::JpegImage>();
            jpeg->LoadFromStream(*stream.get());
            if (jpeg->Width() == 0)
                continue;
            if (jpeg->Width() * jpeg->Height() < kPatternMinPixels) {
                MaskData m;
                m.Bmp = std::make_shared<ui::Bitmap>();
                m.Bmp->Assign(*jpeg->Bitmap());
                m.Bmp->SetPixelFormat(ui::pf24bit);
                m.ClassName = core::UpperCase(sections[s]);
                m.PropertyName = core::UpperCase(keys[k]);
                m.ImgType = itisaTexture;
                m.ImageCount = 1;
                m.Manager = manager;
                tables.ma.push_back(std::move(m));
                continue;
            }
            tables.pa.push_back({std::move(jpeg), core::UpperCase(sections[s]), core::UpperCase(keys[k])});
        }
    }
    if (!commonSections || commonSections->Count() == 0)
        return;
    core::MemIniFile common(u"2.tmp");
    common.SetStrings(*commonSections);
    common.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) {
        common.ReadSection(sections[s], keys);
        for (int k = 0; k < keys.Count(); ++k) {
            core::String value = core::UpperCase(common.ReadString(sections[s], keys[k], u"-"));
            if (!IsJpegName(value))
                continue;
            core::String file = InFolder(source.SkinPath, value);
            if (!core::FileExists(file))
                continue;
            core::FileStream stream(file, core::fmOpenRead | core::fmShareDenyWrite);
            auto jpeg = std::make_shared<ui::JpegImage>();
            jpeg->LoadFromStream(stream);
            if (jpeg->Width() > 0)
                tables.pa.push_back({std::move(jpeg), core::UpperCase(sections[s]), core::UpperCase(keys[k])});
        }
    }
}

} // namespace skin
