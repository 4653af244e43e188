// The general-data reader of skin options documents.
#include "skin/engine/skinoptions.h"

#include "core/convert.h"
#include "core/inifile.h"
#include "core/textcodec.h"
#include "ui/color.h"

#include <algorithm>
#include <type_traits>
#include <vector>

namespace skin {

namespace {

constexpr core::StringView kMissingText = u"?";

core::String ParentOf(const core::CustomIniFile& ini, core::StringView section)
{
    return ini.ReadString(section, u"PARENTCLASS", core::String(kMissingText));
}

bool Visited(const std::vector<core::String>& chain, core::StringView section)
{
    return std::find(chain.begin(), chain.end(), section) != chain.end();
}

// Parent to follow after the sections of chain, or empty when the chain ends: no parent, the section
// itself, or a section already visited (a loop through several sections).
core::String NextSection(const core::CustomIniFile& ini, std::vector<core::String>& chain)
{
    core::String parent = ParentOf(ini, chain.back());
    if (parent.empty() || parent == kMissingText || Visited(chain, parent))
        return {};
    chain.push_back(parent);
    return parent;
}

int ReadIntOrMissing(const core::CustomIniFile& ini, core::StringView section, core::StringView key)
{
    int32_t v = -1;
    if (!core::TryStrToInt(ini.ReadString(section, key, {}), v))
        return -1;
    return v;
}

bool IsTrue(core::StringView value) { return core::UpperCase(value) == u"TRUE"; }

} // namespace

core::String ReadStrInherited(const core::CustomIniFile& ini, core::StringView section, core::StringView key,
                              core::StringView fallback)
{
    std::vector<core::String> chain{core::String(section)};
    for (;;) {
        core::String v = ini.ReadString(chain.back(), key, core::String(kMissingText));
        if (v != kMissingText)
            return v;
        if (NextSection(ini, chain).empty())
            return core::String(fallback);
    }
}

int ReadIntInherited(const core::CustomIniFile& ini, core::StringView section, core::StringView key, int fallback)
{
    std::vector<core::String> chain{core::String(section)};
    for (;;) {
        int v = ReadIntOrMissing(ini, chain.back(), key);
        if (v != -1)
            return v;
        if (NextSection(ini, chain).empty())
            return fallback;
    }
}

void CheckVersion(double version, const GeneralDataContext& context)
{
    if (!context.ShowMessage)
        return;
    if (context.Designing && version < 6.0) {
        context.ShowMessage(u"You use an old version of \"" + context.SkinName +
                            u"\" skin, please update a skins to latest or link with QuorraControls support for "
                            u"upgrading of existing skin.\r\n\r\nThis notification occurs in design-time only for "
                            u"your information and will not occur in real-time.");
    } else if (version > 255.0) {
        context.ShowMessage(u"This version of the skin have not complete support by used QuorraControls package "
                            u"release.\r\nComponents must be updated up to latest version for using this skin.");
    }
}

namespace {

int16_t Small(int v) { return int16_t(uint16_t(uint32_t(v) & 0xFFFFu)); }

int ReadIntDef(const core::CustomIniFile& ini, core::StringView key, int fallback)
{
    int32_t v = 0;
    return core::TryStrToInt(ini.ReadString(u"GLOBALINFO", key, {}), v) ? v : fallback;
}

int ReadStrict(const core::CustomIniFile& ini, core::StringView key, core::StringView fallback)
{
    return core::StrToInt(ini.ReadString(u"GLOBALINFO", key, core::String(fallback)));
}

void ReadSkinData(TsSkinData& d, const core::CustomIniFile& ini)
{
    // Skins write "." whatever the system's separator is; fixed settings leave the process's alone.
    core::FormatSettings dot;
    dot.DecimalSeparator = u'.';
    double version = 0;
    d.Version = core::TryStrToFloat(ini.ReadString(u"GLOBALINFO", u"VERSION", {}), version, dot) ? version : 0;
    d.Author = ini.ReadString(u"GLOBALINFO", u"AUTHOR", {});
    d.Description = ini.ReadString(u"GLOBALINFO", u"DESCRIPTION", {});
    d.ExBorderWidth = Small(ReadIntDef(ini, u"BORDERWIDTH", 4));
    d.ExTitleHeight = Small(ReadIntDef(ini, u"TITLEHEIGHT", 30));
    d.ExMaxHeight = Small(ReadIntDef(ini, u"MAXHEIGHT", 0));
    if (d.ExMaxHeight == 0)
        d.ExMaxHeight = d.ExTitleHeight;
    d.ExContentOffs = Small(ReadIntDef(ini, u"FORMOFFSET", 8));
    d.ExCenterOffs = Small(ReadIntDef(ini, u"CENTEROFFSET", 0));
    d.ExDrawMode = Small(ReadIntDef(ini, u"BORDERMODE", 0));
    d.Shadow1Color = uint32_t(ReadIntDef(ini, u"SHADOW1COLOR", 0));
    d.Shadow1Offset = Small(ReadStrict(ini, u"SHADOW1OFFSET", u"0"));
    d.Shadow1Blur = Small(ReadStrict(ini, u"SHADOW1BLUR", u"-1"));
    d.Shadow1Transparency = Small(ReadStrict(ini, u"SHADOW1TRANSPARENCY", u"0"));
    d.BISpacing = Small(ReadIntDef(ini, u"BISPACE", 0));
    d.BIVAlign = Small(ReadIntDef(ini, u"BIVALIGN", 0));
    d.BIRightMargin = Small(ReadIntDef(ini, u"BIRIGHT", 0));
    d.BILeftMargin = Small(ReadIntDef(ini, u"BILEFT", 0));
    d.BorderColor = uint32_t(ReadIntDef(ini, u"BORDERCOLOR", 0));
    d.BIKeepHUE = Small(ReadIntDef(ini, u"BIKEEPHUE", 0));
    d.BICloseGlow = Small(ReadStrict(ini, u"BICONCLOSEGLOW", u"0"));
    d.BICloseGlowMargin = Small(ReadStrict(ini, u"BICONCLOSEGLOWMARGIN", u"0"));
    d.BIMaxGlow = Small(ReadStrict(ini, u"BICONMAXGLOW", u"0"));
    d.BIMaxGlowMargin = Small(ReadStrict(ini, u"BICONMAXGLOWMARGIN", u"0"));
    d.BIMinGlow = Small(ReadStrict(ini, u"BICONMINGLOW", u"0"));
    d.BIMinGlowMargin = Small(ReadStrict(ini, u"BICONMINGLOWMARGIN", u"0"));
}

// The section keys in reading order, with the field each one fills. Both readers (the options
// document and the common sections) walk this table, so they cannot drift apart.
enum class Form { Color, Int, Bool, Text };
struct SectionKey {
    const char16_t* key;
    Form form;
    const char16_t* fallback; // text form of the default
    bool convertColor;        // "COLOR" goes through ColorToRGB when read from the document
    void (*store)(SectionData&, int, const core::String&);
    int (*loadInt)(const SectionData&);
    core::String (*loadText)(const SectionData&);
};

#define INT_KEY(name, form, def, conv, field)                                                                \
    SectionKey                                                                                               \
    {                                                                                                        \
        name, form, def, conv, [](SectionData& s, int v, const core::String&) { s.field = std::remove_reference_t<decltype(s.field)>(v); }, \
            [](const SectionData& s) { return int(s.field); }, nullptr                                       \
    }
#define BOOL_KEY(name, field)                                                                                \
    SectionKey                                                                                               \
    {                                                                                                        \
        name, Form::Bool, u"FALSE", false, [](SectionData& s, int, const core::String& t) { s.field = IsTrue(t); }, \
            nullptr, [](const SectionData& s) { return core::String(s.field ? u"TRUE" : u"FALSE"); }        \
    }
#define TEXT_KEY(name, def, field, array)                                                                    \
    SectionKey                                                                                               \
    {                                                                                                        \
        name, Form::Text, def, false,                                                                        \
            [](SectionData& s, int, const core::String& t) {                                                 \
                s.field = t;                                                                                 \
                if (t != u" ")                                                                               \
                    ParseGradientData(t, s.array);                                                           \
            },                                                                                               \
            nullptr, [](const SectionData& s) { return s.field; }                                            \
    }

const SectionKey kSectionKeys[] = {
    INT_KEY(u"COLOR", Form::Color, u"16777215", true, Color),
    BOOL_KEY(u"RESERVEDBOOLEAN", ReservedBoolean),
    BOOL_KEY(u"GIVEOWNFONT", GiveOwnFont),
    INT_KEY(u"GLOW", Form::Int, u"0", false, GlowCount),
    INT_KEY(u"GLOWMARGIN", Form::Int, u"0", false, GlowMargin),
    INT_KEY(u"FONTCOLOR", Form::Color, u"0", false, FontColor[0]),
    INT_KEY(u"TCLEFT", Form::Color, u"-1", false, FontColor[1]),
    INT_KEY(u"TCTOP", Form::Color, u"-1", false, FontColor[2]),
    INT_KEY(u"TCRIGHT", Form::Color, u"-1", false, FontColor[3]),
    INT_KEY(u"TCBOTTOM", Form::Color, u"-1", false, FontColor[4]),
    INT_KEY(u"HOTFONTCOLOR", Form::Color, u"0", false, HotFontColor[0]),
    INT_KEY(u"HOTTCLEFT", Form::Color, u"-1", false, HotFontColor[1]),
    INT_KEY(u"HOTTCTOP", Form::Color, u"-1", false, HotFontColor[2]),
    INT_KEY(u"HOTTCRIGHT", Form::Color, u"-1", false, HotFontColor[3]),
    INT_KEY(u"HOTTCBOTTOM", Form::Color, u"-1", false, HotFontColor[4]),
    INT_KEY(u"TRANSPARENCY", Form::Int, u"0", false, Transparency),
    INT_KEY(u"GRADIENTPERCENT", Form::Int, u"0", false, GradientPercent),
    INT_KEY(u"IMAGEPERCENT", Form::Int, u"0", false, ImagePercent),
    TEXT_KEY(u"GRADIENTDATA", u" ", GradientData, GradientArray),
    BOOL_KEY(u"SHOWFOCUS", ShowFocus),
    BOOL_KEY(u"FADINGENABLED", FadingEnabled),
    INT_KEY(u"FADINGITERATIONS", Form::Int, u"5", false, FadingIterations),
    INT_KEY(u"HOTCOLOR", Form::Color, u"16777215", false, HotColor),
    INT_KEY(u"HOTTRANSPARENCY", Form::Int, u"0", false, HotTransparency),
    INT_KEY(u"HOTGRADIENTPERCENT", Form::Int, u"0", false, HotGradientPercent),
    TEXT_KEY(u"HOTGRADIENTDATA", u"", HotGradientData, HotGradientArray),
    INT_KEY(u"HOTIMAGEPERCENT", Form::Int, u"0", false, HotImagePercent),
};

#undef INT_KEY
#undef BOOL_KEY
#undef TEXT_KEY

int FallbackInt(const SectionKey& k) { return core::StrToInt(k.fallback); }

void ReadSection(SectionData& s, const core::CustomIniFile& ini)
{
    for (const SectionKey& k : kSectionKeys) {
        if (k.form == Form::Int || k.form == Form::Color) {
            int v = ReadIntInherited(ini, s.ClassName, k.key, FallbackInt(k));
            if (k.convertColor)
                v = int(ui::ColorToRGB(uint32_t(v)));
            k.store(s, v, {});
        } else {
            k.store(s, 0, ReadStrInherited(ini, s.ClassName, k.key, k.fallback));
        }
        if (core::StringView(k.key) == u"GLOWMARGIN")
            s.ImgTL = s.ImgTR = s.ImgBL = s.ImgBR = -1;
    }
}

// A common section: its name and its key lines split at the first "=".
struct CommonSection {
    core::String name;
    std::vector<std::pair<core::String, core::String>> keys;

    const core::String* Find(core::StringView key) const
    {
        for (const auto& kv : keys)
            if (core::SameText(kv.first, key))
                return &kv.second;
        return nullptr;
    }
};

std::vector<CommonSection> ParseCommonSections(const core::StringList& lines)
{
    std::vector<CommonSection> sections;
    for (int i = 0; i < lines.Count(); ++i) {
        const core::String& line = lines[i];
        if (line.empty() || line[0] == u';')
            continue;
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            sections.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        if (sections.empty())
            continue;
        size_t eq = line.find(u'=');
        if (eq == core::String::npos)
            sections.back().keys.emplace_back(line, core::String());
        else
            sections.back().keys.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return sections;
}

int CommonInt(const CommonSection& c, const SectionKey& k)
{
    const core::String* v = c.Find(k.key);
    bool zeroWhenAbsent = core::StringView(k.key) == u"GLOW" || core::StringView(k.key) == u"GLOWMARGIN";
    if (!v)
        return zeroWhenAbsent ? 0 : -1;
    int32_t n = -1;
    return core::TryStrToInt(*v, n) ? n : -1;
}

} // namespace

void ApplyCommonSections(SkinTables& tables, const core::StringList& lines)
{
    for (const CommonSection& c : ParseCommonSections(lines)) {
        if (tables.GetSkinIndex(c.name) >= 0)
            continue;
        SectionData s;
        s.ClassName = c.name;
        const core::String* parentName = c.Find(u"PARENTCLASS");
        s.ParentClass = parentName ? core::UpperCase(*parentName) : core::String(u"-1");
        const SectionData* parent = nullptr;
        for (const SectionData& g : tables.gd)
            if (core::UpperCase(g.ClassName) == s.ParentClass) {
                parent = &g;
                break;
            }
        for (const SectionKey& k : kSectionKeys) {
            if (k.form == Form::Int || k.form == Form::Color) {
                int v = CommonInt(c, k);
                if (v == -1)
                    v = parent ? k.loadInt(*parent) : FallbackInt(k);
                k.store(s, v, {});
            } else {
                const core::String* found = c.Find(k.key);
                core::String v = found ? *found : core::String(kMissingText);
                if (v == kMissingText)
                    v = parent ? k.loadText(*parent) : core::String(k.fallback);
                k.store(s, 0, v);
            }
        }
        tables.gd.push_back(std::move(s));
    }
}

void LoadAllGeneralData(SkinTables& tables, const core::CustomIniFile& ini, const GeneralDataContext& context)
{
    ReadSkinData(tables.SkinData, ini);
    CheckVersion(tables.SkinData.Version, context);
    tables.gd.clear();
    core::StringList sections;
    ini.ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i) {
        SectionData s;
        s.ClassName = sections[i];
        s.ParentClass = ini.ReadString(s.ClassName, u"PARENTCLASS", {});
        ReadSection(s, ini);
        tables.gd.push_back(std::move(s));
    }
    if (context.CommonSections && context.CommonSections->Count() > 0)
        ApplyCommonSections(tables, *context.CommonSections);
    tables.InitMaskIndexes();
    if (context.AdjustColors)
        context.AdjustColors(tables);
}

std::unique_ptr<core::MemIniFile> OpenOptionsDocument(std::string_view bytes)
{
    core::StringList lines;
    lines.SetText(core::DecodeText(bytes));
    auto ini = std::make_unique<core::MemIniFile>();
    ini->SetStrings(lines);
    return ini;
}

} // namespace skin
