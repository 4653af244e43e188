// Stored skins: the items, the import of a folder skin and the reading into the skin tables.
#include "skin/engine/storedskin.h"

#include "core/convert.h"
#include "core/fileio.h"
#include "core/inifile.h"
#include "core/path.h"
#include "skin/engine/maskvalue.h"
#include "ui/bitmap.h"
#include "ui/jpegimage.h"
#include "ui/propinfo.h"

namespace skin {

TsSkinImage::TsSkinImage(core::Collection* collection)
    : core::CollectionItem(collection), m_image(std::make_unique<ui::Bitmap>())
{
}
TsSkinImage::~TsSkinImage() = default;

void TsSkinImage::Assign(const core::Persistent& source)
{
    const auto* s = dynamic_cast<const TsSkinImage*>(&source);
    if (!s) {
        core::CollectionItem::Assign(source);
        return;
    }
    m_image->Assign(*s->m_image);
    Name = s->Name, SectionName = s->SectionName, PropertyName = s->PropertyName;
    MaskType = s->MaskType, ImageCount = s->ImageCount, Top = s->Top, Left = s->Left, Right = s->Right;
    Bottom = s->Bottom, BorderWidth = s->BorderWidth, StretchMode = s->StretchMode, ImgType = s->ImgType;
    WR = s->WR, WT = s->WT, WL = s->WL, WB = s->WB;
}

TsSkinPattern::TsSkinPattern(core::Collection* collection)
    : core::CollectionItem(collection), m_image(std::make_unique<ui::JpegImage>())
{
}
TsSkinPattern::~TsSkinPattern() = default;

void TsSkinPattern::Assign(const core::Persistent& source)
{
    const auto* s = dynamic_cast<const TsSkinPattern*>(&source);
    if (!s) {
        core::CollectionItem::Assign(source);
        return;
    }
    if (!s->m_image->Empty())
        m_image->Assign(*s->m_image);
    Name = s->Name, SectionName = s->SectionName, PropertyName = s->PropertyName;
}

TsStoredSkin::TsStoredSkin(core::Collection* collection)
    : core::CollectionItem(collection), Images(this), GeneralData(this), Patterns(this),
      m_master(std::make_unique<ui::Bitmap>())
{
}
TsStoredSkin::~TsStoredSkin() = default;

void TsStoredSkin::Assign(const core::Persistent& source)
{
    const auto* s = dynamic_cast<const TsStoredSkin*>(&source);
    if (!s) {
        core::CollectionItem::Assign(source);
        return;
    }
    PackedData.Clear();
    const_cast<core::MemoryStream&>(s->PackedData).SetPosition(0);
    PackedData.LoadFromStream(const_cast<core::MemoryStream&>(s->PackedData));
    Name = s->Name;
    GeneralData.Assign(s->GeneralData);
    Images.Assign(s->Images);
    Patterns.Assign(s->Patterns);
    m_master->Assign(*s->m_master);
    Shadow1Color = s->Shadow1Color, Shadow1Offset = s->Shadow1Offset, Shadow1Blur = s->Shadow1Blur;
    Shadow1Transparency = s->Shadow1Transparency, BorderColor = s->BorderColor, Version = s->Version;
    Author = s->Author, Description = s->Description;
}

std::vector<ui::BinaryProperty> TsStoredSkin::BinaryProperties()
{
    return {ui::MemoryStreamProperty(u"Data", PackedData)};
}

void TsStoredSkin::LoadFromIni(TsSkinGenerals& generals, const core::CustomIniFile& sf, TsSkinData* skinData)
{
    core::FormatSettings dot;
    dot.DecimalSeparator = u'.';
    double version = 0;
    Version = core::TryStrToFloat(sf.ReadString(u"GLOBALINFO", u"VERSION", {}), version, dot) ? version : 0;
    if (skinData)
        skinData->Version = Version;
    Author = sf.ReadString(u"GLOBALINFO", u"AUTHOR", {});
    Description = sf.ReadString(u"GLOBALINFO", u"DESCRIPTION", {});
    Shadow1Color = uint32_t(core::StrToInt(sf.ReadString(u"GLOBALINFO", u"SHADOW1COLOR", u"0")));
    Shadow1Offset = core::StrToInt(sf.ReadString(u"GLOBALINFO", u"SHADOW1OFFSET", u"1"));
    Shadow1Blur = core::StrToInt(sf.ReadString(u"GLOBALINFO", u"SHADOW1BLUR", u"-1"));
    Shadow1Transparency = core::StrToInt(sf.ReadString(u"GLOBALINFO", u"SHADOW1TRANSPARENCY", u"50"));
    BorderColor = uint32_t(sf.ReadInteger(u"GLOBALINFO", u"BORDERCOLOR", 0));
    ReadStoredGenerals(sf, generals);
}

namespace {

core::String InFolder(const core::String& folder, const core::String& name)
{
    return name.find(u':') != core::String::npos ? name : folder + name;
}

void LoadBitmapFile(ui::Bitmap& bmp, const core::String& file)
{
    core::FileStream stream(file, core::fmOpenRead | core::fmShareDenyWrite);
    bmp.LoadFromStream(stream);
}

void SetRect(TsSkinImage& img, const MaskData& m)
{
    img.Left = m.R.Left, img.Top = m.R.Top, img.Right = m.R.Right, img.Bottom = m.R.Bottom;
    img.ImageCount = m.ImageCount, img.MaskType = m.MaskType, img.ImgType = m.ImgType;
}

void ImportMask(TsStoredSkin& skin, const core::String& folder, const core::String& section, const core::String& key,
                const core::String& value)
{
    MaskForm form = MaskFormOf(value);
    if (form == MaskForm::None)
        return;
    if (form == MaskForm::OwnImage || form == MaskForm::BitmapFile) {
        core::String file = MaskFileName(form, value);
        if (file.find(u".BMP") == core::String::npos || !core::FileExists(InFolder(folder, file)))
            return;
        TsSkinImage& img = *skin.Images.Add<TsSkinImage>();
        img.Name = core::ExtractFileName(file);
        LoadBitmapFile(img.Image(), InFolder(folder, file));
        if (img.Image().Width() < 1) {
            delete &img;
            return;
        }
        img.SectionName = section;
        img.PropertyName = key;
        if (form == MaskForm::BitmapFile)
            return; // ImageCount 0: the reader lays it out as three states over two rows
        MaskData m = ParseMaskValue(form, section, key, value, img.Image().Width(), img.Image().Height());
        SetRect(img, m);
        // The folder reader draws own images in mode 4; the stored form keeps that, so that an
        // imported skin paints as the folder does.
        img.StretchMode = m.DrawMode;
        img.WL = m.WL, img.WT = m.WT, img.WR = m.WR, img.WB = m.WB;
        return;
    }
    MaskData m = ParseMaskValue(form, section, key, value);
    TsSkinImage& img = *skin.Images.Add<TsSkinImage>();
    bool upper = form == MaskForm::Texture || form == MaskForm::Rectangle;
    img.SectionName = upper ? core::UpperCase(section) : section;
    img.PropertyName = upper ? core::UpperCase(key) : key;
    SetRect(img, m);
    img.BorderWidth = m.BorderWidth;
    img.StretchMode = m.DrawMode;
    if (form == MaskForm::Border) // its margins, or those computed from BorderWidth or the size
        img.WL = m.WL, img.WT = m.WT, img.WR = m.WR, img.WB = m.WB;
}

} // namespace

void TsStoredSkin::LoadSkin(const core::CustomIniFile& sf, TsSkinData* skinData)
{
    const core::String folder = core::ExtractFilePath(sf.FileName());
    GeneralData.Clear();
    LoadFromIni(GeneralData, sf, skinData);
    Images.Clear();
    core::String master = InFolder(folder, sf.ReadString(u"GLOBALINFO", u"MASTERBITMAP", {}));
    if (core::FileExists(master))
        LoadBitmapFile(*m_master, master);

    core::StringList sections, keys;
    sf.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) {
        sf.ReadSection(sections[s], keys);
        for (int k = 0; k < keys.Count(); ++k) {
            if (sections[s] == u"GLOBALINFO" && keys[k] == u"MASTERBITMAP")
                continue;
            ImportMask(*this, folder, sections[s], keys[k], sf.ReadString(sections[s], keys[k], u"-"));
        }
    }
    for (int s = 0; s < sections.Count(); ++s) {
        sf.ReadSection(sections[s], keys);
        for (int k = 0; k < keys.Count(); ++k) {
            core::String value = sf.ReadString(sections[s], keys[k], u"-");
            core::String upper = core::UpperCase(value);
            if (upper.find(u".JPG") == core::String::npos && upper.find(u".JPEG") == core::String::npos)
                continue;
            core::String file = InFolder(folder, value);
            if (!core::FileExists(file))
                continue;
            core::String name = core::ExtractFileName(value);
            bool held = false;
            for (int i = 0; i < Patterns.Count() && !held; ++i)
                held = Patterns.Item(i)->Name == name && !Patterns.Item(i)->Image().Empty();
            TsSkinPattern& p = *Patterns.Add<TsSkinPattern>();
            p.Name = name;
            p.SectionName = sections[s];
            p.PropertyName = keys[k];
            if (!held) {
                core::FileStream stream(file, core::fmOpenRead | core::fmShareDenyWrite);
                p.Image().LoadFromStream(stream);
            }
        }
    }
}

int TsStoredSkins::IndexOf(core::StringView skinName) const
{
    for (int i = 0; i < Count(); ++i)
        if (Item(i)->Name == skinName)
            return i;
    return -1;
}

namespace {

template <class T, class F> ui::PropInfo OrdField(core::StringView name, F T::*field, ui::PropKind kind = ui::pkOrdinal)
{
    return ui::OrdProperty(
        name, [field](core::Object& o) { return int64_t(static_cast<T&>(o).*field); },
        [field](core::Object& o, int64_t v) { static_cast<T&>(o).*field = F(v); }, kind);
}

// The item's own picture, changed in place; assigning another bitmap copies it.
template <class T, class Img> ui::PropInfo ImageField(core::StringView name, Img& (T::*get)() const)
{
    return ui::ObjectProperty(
        name, [get](core::Object& o) -> core::Object* { return &(static_cast<T&>(o).*get)(); },
        [get](core::Object& o, core::Object* v) {
            if (auto* source = dynamic_cast<core::Persistent*>(v))
                (static_cast<T&>(o).*get)().Assign(*source);
        });
}

} // namespace

void RegisterStoredSkinProperties()
{
    RegisterStoredSectionProperties();
    using I = TsSkinImage;
    ui::RegisterPropClass<I>(
        u"TsSkinImage",
        {ImageField<I>(u"Image", &I::Image), OrdField<I>(u"Left", &I::Left), OrdField<I>(u"Top", &I::Top),
         OrdField<I>(u"Right", &I::Right), OrdField<I>(u"Bottom", &I::Bottom),
         OrdField<I>(u"ImageCount", &I::ImageCount), OrdField<I>(u"MaskType", &I::MaskType),
         OrdField<I>(u"BorderWidth", &I::BorderWidth), OrdField<I>(u"StretchMode", &I::StretchMode),
         OrdField<I>(u"ImgType", &I::ImgType), OrdField<I>(u"WL", &I::WL), OrdField<I>(u"WR", &I::WR),
         OrdField<I>(u"WT", &I::WT), OrdField<I>(u"WB", &I::WB)});
    ui::RegisterPropClass<TsSkinPattern>(u"TsSkinPattern", {ImageField<TsSkinPattern>(u"Image", &TsSkinPattern::Image)});
    using S = TsStoredSkin;
    ui::RegisterPropClass<S>(
        u"TsStoredSkin",
        {ImageField<S>(u"MasterBitmap", &S::MasterBitmap), OrdField<S>(u"Shadow1Offset", &S::Shadow1Offset),
         OrdField<S>(u"Shadow1Color", &S::Shadow1Color, ui::pkColor), OrdField<S>(u"Shadow1Blur", &S::Shadow1Blur),
         OrdField<S>(u"Shadow1Transparency", &S::Shadow1Transparency),
         OrdField<S>(u"BorderColor", &S::BorderColor, ui::pkColor),
         ui::ObjectProperty(u"Images", [](core::Object& o) -> core::Object* { return &static_cast<S&>(o).Images; }),
         ui::ObjectProperty(u"GeneralData",
                            [](core::Object& o) -> core::Object* { return &static_cast<S&>(o).GeneralData; }),
         ui::ObjectProperty(u"Patterns",
                            [](core::Object& o) -> core::Object* { return &static_cast<S&>(o).Patterns; })});
}

void ReadStoredMasks(SkinTables& tables, const TsStoredSkin& skin, const void* manager)
{
    while (!tables.ma.empty())
        tables.ma.pop_back();
    tables.MasterBitmap = std::make_shared<ui::Bitmap>();
    tables.MasterBitmap->Assign(skin.MasterBitmap());
    tables.MasterBitmap->SetPixelFormat(ui::pf24bit);
    tables.MasterBitmap->SetTransparent(true);
    tables.MasterBitmap->SetTransparentColor(MaskKeyColor);
    for (int i = 0; i < skin.Images.Count(); ++i) {
        const TsSkinImage& img = *skin.Images.Item(i);
        MaskData m;
        if (!img.Name.empty()) {
            m.Bmp = std::make_shared<ui::Bitmap>();
            m.Bmp->Assign(img.Image());
            m.Bmp->SetPixelFormat(ui::pf24bit);
            m.R = {0, 0, m.Bmp->Width(), m.Bmp->Height()};
        } else {
            m.R = {img.Left, img.Top, img.Right, img.Bottom};
        }
        m.PropertyName = core::UpperCase(img.PropertyName);
        m.ClassName = core::UpperCase(img.SectionName);
        m.ImageCount = int16_t(img.ImageCount);
        m.MaskType = int16_t(img.MaskType);
        m.BorderWidth = int16_t(img.BorderWidth);
        m.DrawMode = int16_t(img.StretchMode);
        m.ImgType = img.ImgType;
        m.WL = int16_t(img.WL), m.WT = int16_t(img.WT), m.WR = int16_t(img.WR), m.WB = int16_t(img.WB);
        if (m.ImageCount == 0) {
            m.ImageCount = 3;
            m.MaskType = 1;
        }
        if (m.WL == 0 && m.WT == 0 && m.WR == 0 && m.WB == 0)
            ApplyMarginRules(m);
        m.Manager = manager;
        tables.ma.push_back(std::move(m));
    }
}

void ReadStoredPatterns(SkinTables& tables, const TsStoredSkin& skin)
{
    tables.pa.clear();
    for (int i = 0; i < skin.Patterns.Count(); ++i) {
        const TsSkinPattern& p = *skin.Patterns.Item(i);
        const TsSkinPattern* holder = &p;
        for (int j = 0; j < skin.Patterns.Count() && holder->Image().Empty(); ++j)
            if (skin.Patterns.Item(j)->Name == p.Name && !skin.Patterns.Item(j)->Image().Empty())
                holder = skin.Patterns.Item(j);
        auto img = std::make_shared<ui::JpegImage>();
        if (!holder->Image().Empty())
            img->Assign(holder->Image());
        tables.pa.push_back({std::move(img), core::UpperCase(p.SectionName), core::UpperCase(p.PropertyName)});
    }
}

void LoadStoredGeneralData(SkinTables& tables, const TsStoredSkin& skin, const GeneralDataContext& context)
{
    TsSkinData& d = tables.SkinData;
    d.Version = skin.Version;
    d.Author = skin.Author;
    d.Description = skin.Description;
    d.Shadow1Color = skin.Shadow1Color;
    d.Shadow1Offset = int16_t(skin.Shadow1Offset);
    d.Shadow1Blur = int16_t(skin.Shadow1Blur);
    d.Shadow1Transparency = int16_t(skin.Shadow1Transparency);
    d.BorderColor = skin.BorderColor;
    CheckVersion(d.Version, context);
    tables.gd.clear();
    LoadStoredSections(tables, skin.GeneralData);
    if (context.CommonSections && context.CommonSections->Count() > 0)
        ApplyCommonSections(tables, *context.CommonSections);
    tables.InitMaskIndexes();
    if (context.AdjustColors)
        context.AdjustColors(tables);
}

} // namespace skin
