// Stored skin sections: reading into the section table, importing from and writing to options text.
#include "skin/engine/storedsections.h"

#include "core/convert.h"
#include "core/inifile.h"
#include "skin/engine/skinoptions.h"
#include "skin/engine/utils.h"
#include "ui/color.h"
#include "ui/propinfo.h"

namespace skin {

void TsSkinGeneral::Assign(const core::Persistent& source)
{
    const auto* s = dynamic_cast<const TsSkinGeneral*>(&source);
    if (!s) {
        core::CollectionItem::Assign(source);
        return;
    }
    SectionName = s->SectionName, ParentClass = s->ParentClass, Color = s->Color;
    ReservedBoolean = s->ReservedBoolean, FontColor = s->FontColor, HotFontColor = s->HotFontColor;
    Transparency = s->Transparency, GlowCount = s->GlowCount, GlowMargin = s->GlowMargin;
    GradientPercent = s->GradientPercent, GradientData = s->GradientData, ImagePercent = s->ImagePercent;
    ShowFocus = s->ShowFocus, FadingEnabled = s->FadingEnabled, FadingIterations = s->FadingIterations;
    HotColor = s->HotColor, HotTransparency = s->HotTransparency, HotGradientPercent = s->HotGradientPercent;
    HotGradientData = s->HotGradientData, HotImagePercent = s->HotImagePercent, Name = s->Name;
    GiveOwnFont = s->GiveOwnFont;
}

void StoredFontColors(core::StringView text, uint32_t (&colors)[5])
{
    const CharSet blank = MakeCharSet(" ");
    if (!text.empty() && CountWords(text, blank) == 5) {
        for (int i = 0; i < 5; ++i)
            colors[i] = uint32_t(core::StrToInt(NthWord(i + 1, text, blank)));
        return;
    }
    colors[0] = 0;
    for (int i = 1; i < 5; ++i)
        colors[i] = 0xFFFFFFFFu;
}

void LoadStoredSections(SkinTables& tables, const TsSkinGenerals& generals)
{
    for (int i = 0; i < generals.Count(); ++i) {
        const TsSkinGeneral& g = *generals.Item(i);
        SectionData s;
        s.ClassName = g.SectionName;
        s.ParentClass = g.ParentClass;
        s.Color = g.Color;
        s.ReservedBoolean = g.ReservedBoolean;
        s.GiveOwnFont = g.GiveOwnFont;
        s.GlowCount = g.GlowCount;
        s.GlowMargin = g.GlowMargin;
        s.Transparency = g.Transparency;
        s.GradientPercent = g.GradientPercent;
        s.ImagePercent = g.ImagePercent;
        s.GradientData = g.GradientData;
        ParseGradientData(s.GradientData, s.GradientArray);
        s.ShowFocus = g.ShowFocus;
        s.FadingEnabled = g.FadingEnabled;
        s.FadingIterations = g.FadingIterations;
        s.HotColor = g.HotColor;
        s.HotTransparency = g.HotTransparency;
        s.HotGradientPercent = g.HotGradientPercent;
        s.HotGradientData = g.HotGradientData;
        ParseGradientData(s.HotGradientData, s.HotGradientArray);
        s.HotImagePercent = g.HotImagePercent;
        StoredFontColors(g.HotFontColor, s.HotFontColor);
        StoredFontColors(g.FontColor, s.FontColor);
        s.BorderIndex = s.ImgTL = s.ImgTR = s.ImgBL = s.ImgBR = -1;
        tables.gd.push_back(std::move(s));
    }
}

namespace {

bool IsTrue(const core::String& v) { return core::UpperCase(v) == u"TRUE"; }

core::String FiveColors(const core::CustomIniFile& sf, core::StringView section, const char16_t* const (&keys)[5])
{
    core::String text = ReadStrInherited(sf, section, keys[0], u"0");
    for (int i = 1; i < 5; ++i)
        text += u" " + ReadStrInherited(sf, section, keys[i], u"-1");
    return text;
}

const char16_t* const kFontKeys[5] = {u"FONTCOLOR", u"TCLEFT", u"TCTOP", u"TCRIGHT", u"TCBOTTOM"};
const char16_t* const kHotFontKeys[5] = {u"HOTFONTCOLOR", u"HOTTCLEFT", u"HOTTCTOP", u"HOTTCRIGHT", u"HOTTCBOTTOM"};

core::String Bool(bool v) { return v ? u"TRUE" : u"FALSE"; }
core::String Dec(int64_t v) { return core::FromUtf8(std::to_string(v)); }

} // namespace

void ReadStoredGenerals(const core::CustomIniFile& sf, TsSkinGenerals& generals)
{
    core::StringList sections;
    sf.ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i) {
        const core::String& name = sections[i];
        TsSkinGeneral& g = *generals.Add<TsSkinGeneral>();
        g.SectionName = name;
        g.ParentClass = sf.ReadString(name, u"PARENTCLASS", {});
        g.Color = ui::ColorToRGB(uint32_t(ReadIntInherited(sf, name, u"COLOR", 0xFFFFFF)));
        g.ReservedBoolean = IsTrue(ReadStrInherited(sf, name, u"RESERVEDBOOLEAN", u"FALSE"));
        g.GiveOwnFont = IsTrue(ReadStrInherited(sf, name, u"GIVEOWNFONT", u"FALSE"));
        g.GlowCount = ReadIntInherited(sf, name, u"GLOW", 0);
        g.GlowMargin = ReadIntInherited(sf, name, u"GLOWMARGIN", 0);
        g.FontColor = FiveColors(sf, name, kFontKeys);
        g.HotFontColor = FiveColors(sf, name, kHotFontKeys);
        g.Transparency = ReadIntInherited(sf, name, u"TRANSPARENCY", 0);
        g.GradientPercent = ReadIntInherited(sf, name, u"GRADIENTPERCENT", 0);
        g.ImagePercent = ReadIntInherited(sf, name, u"IMAGEPERCENT", 0);
        g.GradientData = ReadStrInherited(sf, name, u"GRADIENTDATA", u" ");
        g.ShowFocus = IsTrue(ReadStrInherited(sf, name, u"SHOWFOCUS", u"FALSE"));
        g.FadingEnabled = IsTrue(ReadStrInherited(sf, name, u"FADINGENABLED", u"FALSE"));
        g.FadingIterations = ReadIntInherited(sf, name, u"FADINGITERATIONS", 5);
        g.HotColor = ui::ColorToRGB(uint32_t(ReadIntInherited(sf, name, u"HOTCOLOR", 0xFFFFFF)));
        g.HotTransparency = ReadIntInherited(sf, name, u"HOTTRANSPARENCY", 0);
        g.HotGradientPercent = ReadIntInherited(sf, name, u"HOTGRADIENTPERCENT", 0);
        g.HotGradientData = ReadStrInherited(sf, name, u"HOTGRADIENTDATA", u" ");
        g.HotImagePercent = ReadIntInherited(sf, name, u"HOTIMAGEPERCENT", 0);
    }
}

void SaveToIni(const TsSkinGenerals& generals, core::CustomIniFile& sf)
{
    const CharSet blank = MakeCharSet(" ");
    for (int i = 0; i < generals.Count(); ++i) {
        const TsSkinGeneral& g = *generals.Item(i);
        if (g.SectionName.empty())
            continue;
        const core::String& s = g.SectionName;
        sf.WriteString(s, u"PARENTCLASS", g.ParentClass);
        sf.WriteString(s, u"COLOR", Dec(int32_t(g.Color)));
        sf.WriteString(s, u"RESERVEDBOOLEAN", Bool(g.ReservedBoolean));
        sf.WriteString(s, u"GIVEOWNFONT", Bool(g.GiveOwnFont));
        sf.WriteString(s, u"GLOW", Dec(g.GlowCount));
        sf.WriteString(s, u"GLOWMARGIN", Dec(g.GlowMargin));
        for (int k = 0; k < 5; ++k)
            sf.WriteString(s, kFontKeys[k], NthWord(k + 1, g.FontColor, blank));
        for (int k = 0; k < 5; ++k)
            sf.WriteString(s, kHotFontKeys[k], NthWord(k + 1, g.HotFontColor, blank));
        sf.WriteString(s, u"TRANSPARENCY", Dec(g.Transparency));
        sf.WriteString(s, u"GRADIENTPERCENT", Dec(g.GradientPercent));
        sf.WriteString(s, u"IMAGEPERCENT", Dec(g.ImagePercent));
        sf.WriteString(s, u"GRADIENTDATA", g.GradientData);
        sf.WriteString(s, u"SHOWFOCUS", Bool(g.ShowFocus));
        sf.WriteString(s, u"FADINGENABLED", Bool(g.FadingEnabled));
        sf.WriteString(s, u"FADINGITERATIONS", Dec(g.FadingIterations));
        sf.WriteString(s, u"HOTCOLOR", Dec(int32_t(g.HotColor)));
        sf.WriteString(s, u"HOTTRANSPARENCY", Dec(g.HotTransparency));
        sf.WriteString(s, u"HOTGRADIENTPERCENT", Dec(g.HotGradientPercent));
        sf.WriteString(s, u"HOTGRADIENTDATA", g.HotGradientData);
        sf.WriteString(s, u"HOTIMAGEPERCENT", Dec(g.HotImagePercent));
    }
}

void RegisterStoredSectionProperties()
{
    auto ord = [](core::StringView name, auto field, ui::PropKind kind = ui::pkOrdinal) {
        return ui::OrdProperty(
            name, [field](core::Object& o) { return int64_t(static_cast<TsSkinGeneral&>(o).*field); },
            [field](core::Object& o, int64_t v) {
                auto& f = static_cast<TsSkinGeneral&>(o).*field;
                f = std::remove_reference_t<decltype(f)>(v);
            },
            kind);
    };
    ui::RegisterPropClass<TsSkinGeneral>(
        u"TsSkinGeneral",
        {ord(u"Color", &TsSkinGeneral::Color, ui::pkColor), ord(u"ReservedBoolean", &TsSkinGeneral::ReservedBoolean),
         ord(u"Transparency", &TsSkinGeneral::Transparency), ord(u"GlowCount", &TsSkinGeneral::GlowCount),
         ord(u"GlowMargin", &TsSkinGeneral::GlowMargin), ord(u"GradientPercent", &TsSkinGeneral::GradientPercent),
         ord(u"ImagePercent", &TsSkinGeneral::ImagePercent), ord(u"ShowFocus", &TsSkinGeneral::ShowFocus),
         ord(u"FadingEnabled", &TsSkinGeneral::FadingEnabled),
         ord(u"FadingIterations", &TsSkinGeneral::FadingIterations),
         ord(u"HotColor", &TsSkinGeneral::HotColor, ui::pkColor),
         ord(u"HotTransparency", &TsSkinGeneral::HotTransparency),
         ord(u"HotGradientPercent", &TsSkinGeneral::HotGradientPercent),
         ord(u"HotImagePercent", &TsSkinGeneral::HotImagePercent), ord(u"GiveOwnFont", &TsSkinGeneral::GiveOwnFont)});
}

} // namespace skin
