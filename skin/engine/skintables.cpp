// Lookups of the loaded skin. Names are compared exactly: the loaders store them upper-cased and the
// skinning code asks with upper-case names. A section that lacks a mask or pattern borrows its
// parent's, one "PARENTCLASS" step at a time; a chain that comes back to a section already visited
// ends there, since the skin files are hand-written and such loops occur.
#include "skin/engine/skintables.h"

#include "ui/color.h"

#include <algorithm>

namespace skin {

void SkinTables::Clear()
{
    while (!ma.empty())
        ma.pop_back();
    MasterBitmap.reset();
    pa.clear();
    gd.clear();
}

int SkinTables::GetSkinIndex(core::StringView section) const
{
    for (size_t i = 0; i < gd.size(); ++i)
        if (gd[i].ClassName == section)
            return int(i);
    return -1;
}

template <class Match>
int SkinTables::SearchWithParents(int skinIndex, core::StringView section, const Match& match) const
{
    std::vector<int> visited;
    core::String current(section);
    while (skinIndex >= 0 && skinIndex < int(gd.size()) && !current.empty()) {
        int found = match(current);
        if (found >= 0)
            return found;
        visited.push_back(skinIndex);
        const core::String& parent = gd[size_t(skinIndex)].ParentClass;
        if (parent.empty() || parent == current)
            return -1;
        int parentIndex = GetSkinIndex(parent);
        if (std::find(visited.begin(), visited.end(), parentIndex) != visited.end())
            return -1;
        skinIndex = parentIndex;
        current = parent;
    }
    return -1;
}

int SkinTables::GetMaskIndex(core::StringView section, core::StringView name) const
{
    if (section.empty())
        return -1;
    for (size_t i = 0; i < ma.size(); ++i)
        if (ma[i].ClassName == section && ma[i].PropertyName == name)
            return int(i);
    return -1;
}

int SkinTables::GetMaskIndex(int skinIndex, core::StringView section, core::StringView name) const
{
    return SearchWithParents(skinIndex, section,
                             [&](const core::String& s) { return GetMaskIndex(core::StringView(s), name); });
}

int SkinTables::GetTextureIndex(int skinIndex, core::StringView section, core::StringView name) const
{
    if (ma.empty())
        return -1;
    return SearchWithParents(skinIndex, section, [&](const core::String& s) {
        for (size_t i = 0; i < ma.size(); ++i)
            if (ma[i].ClassName == s && ma[i].PropertyName == name && ma[i].ImgType == itisaTexture)
                return int(i);
        return -1;
    });
}

ui::JpegImage* SkinTables::PatternImage(int patternIndex) const
{
    if (patternIndex < 0 || patternIndex >= int(pa.size()))
        return nullptr;
    return pa[size_t(patternIndex)].Img.get();
}

int SkinTables::GetPatternIndex(int skinIndex, core::StringView section, core::StringView name) const
{
    if (pa.empty())
        return -1;
    return SearchWithParents(skinIndex, section, [&](const core::String& s) {
        for (size_t i = 0; i < pa.size(); ++i)
            if (pa[i].ClassName == s && pa[i].PropertyName == name)
                return int(i);
        return -1;
    });
}

uint32_t SkinTables::GetGlobalColor() const
{
    int i = ConstData.IndexGLobalInfo;
    if (i < 0 || i >= int(gd.size()))
        return ui::ColorToRGB(ui::clBtnFace);
    return ui::ColorToRGB(gd[size_t(i)].Color);
}

uint32_t SkinTables::GetGlobalFontColor() const
{
    int i = ConstData.IndexGLobalInfo;
    if (i < 0 || i >= int(gd.size()))
        return MaskKeyColor;
    return ui::ColorToRGB(gd[size_t(i)].FontColor[0]);
}

void SkinTables::InitMaskIndexes()
{
    int global = GetSkinIndex(u"GLOBALINFO");
    for (size_t i = 0; i < gd.size(); ++i) {
        if (int(i) == global)
            continue;
        SectionData& s = gd[i];
        s.BorderIndex = GetMaskIndex(int(i), s.ClassName, u"BORDERSMASK");
        s.ImgTL = GetMaskIndex(int(i), s.ClassName, u"IMGTOPLEFT");
        s.ImgTR = GetMaskIndex(int(i), s.ClassName, u"IMGTOPRIGHT");
        s.ImgBL = GetMaskIndex(int(i), s.ClassName, u"IMGBTMLEFT");
        s.ImgBR = GetMaskIndex(int(i), s.ClassName, u"IMGBTMRIGHT");
    }
}

int SkinTables::SectionMask(int skinIndex, core::StringView section, core::StringView name) const
{
    return skinIndex < 0 ? -1 : GetMaskIndex(skinIndex, section, name);
}

void SkinTables::InitConstantIndexes()
{
    TConstantSkinData& c = ConstData;
    auto mask = [&](core::StringView section, core::StringView name) {
        return int16_t(SectionMask(GetSkinIndex(section), section, name));
    };
    c.IndexGLobalInfo = int16_t(GetSkinIndex(u"GLOBALINFO"));
    int16_t* checks[] = {&c.CheckBoxChecked,      &c.CheckBoxUnChecked,      &c.CheckBoxGrayed,
                         &c.RadioButtonChecked,   &c.RadioButtonUnChecked,   &c.RadioButtonGrayed,
                         &c.SmallCheckBoxChecked, &c.SmallCheckBoxUnChecked, &c.SmallCheckBoxGrayed};
    const char16_t* checkNames[] = {u"BOXCHECKED",   u"BOXUNCHECKED",   u"BOXGRAYED",
                                    u"RADIOCHECKED", u"RADIOUNCHECKED", u"RADIOGRAYED",
                                    u"SMALLCHECKED", u"SMALLUNCHECKED", u"SMALLGRAYED"};
    for (size_t i = 0; i < 9; ++i)
        *checks[i] = mask(u"GLOBALINFO", checkNames[i]);
    c.ExBorder = mask(u"GLOBALINFO", u"EXBORDER");

    c.ComboBtnIndex = GetSkinIndex(u"COMBOBTN");
    c.ComboBtnBorder = GetMaskIndex(u"COMBOBTN", u"BORDERSMASK");
    c.ComboBtnBG = GetTextureIndex(c.ComboBtnIndex, u"COMBOBTN", u"PATTERN");
    c.ComboBtnBGHot = GetTextureIndex(c.ComboBtnIndex, u"COMBOBTN", u"HOTPATTERN");
    c.ComboGlyph = GetMaskIndex(u"COMBOBOX", u"GLYPHMASK");

    struct Side {
        const char16_t* tab;
        int16_t *tabIndex, *tabMask;
        const char16_t* button;
        int16_t *index, *border, *arrow, *bg, *bgHot;
    };
    const Side sides[] = {
        {u"TABTOP", &c.IndexTabTop, &c.MaskTabTop, u"SCROLLBTNTOP", &c.IndexScrollTop, &c.MaskScrollTop,
         &c.MaskArrowTop, &c.IndexBGScrollTop, &c.IndexBGHotScrollTop},
        {u"TABBOTTOM", &c.IndexTabBottom, &c.MaskTabBottom, u"SCROLLBTNBOTTOM", &c.IndexScrollBottom,
         &c.MaskScrollBottom, &c.MaskArrowBottom, &c.IndexBGScrollBottom, &c.IndexBGHotScrollBottom},
        {u"TABLEFT", &c.IndexTabLeft, &c.MaskTabLeft, u"SCROLLBTNLEFT", &c.IndexScrollLeft, &c.MaskScrollLeft,
         &c.MaskArrowLeft, &c.IndexBGScrollLeft, &c.IndexBGHotScrollLeft},
        {u"TABRIGHT", &c.IndexTabRight, &c.MaskTabRight, u"SCROLLBTNRIGHT", &c.IndexScrollRight,
         &c.MaskScrollRight, &c.MaskArrowRight, &c.IndexBGScrollRight, &c.IndexBGHotScrollRight},
    };
    for (const Side& s : sides) {
        *s.tabIndex = int16_t(GetSkinIndex(s.tab));
        *s.tabMask = mask(s.tab, u"BORDERSMASK");
    }
    // A missing section gives -1 to its glyph indexes as to every other field: an index kept from
    // the previous skin would point into a table that has been rebuilt since.
    for (const Side& s : sides) {
        *s.index = int16_t(GetSkinIndex(s.button));
        *s.border = mask(s.button, u"BORDERSMASK");
        *s.arrow = mask(s.button, u"GLYPHMASK");
    }
    c.IndexSliderVert = int16_t(GetSkinIndex(u"SCROLLSLIDERV"));
    c.IndexSliderHorz = int16_t(GetSkinIndex(u"SCROLLSLIDERH"));
    c.MaskSliderVert = mask(u"SCROLLSLIDERV", u"BORDERSMASK");
    c.MaskSliderGlyphVert = mask(u"SCROLLSLIDERV", u"GLYPHMASK");
    c.MaskSliderHorz = mask(u"SCROLLSLIDERH", u"BORDERSMASK");
    c.MaskSliderGlyphHorz = mask(u"SCROLLSLIDERH", u"GLYPHMASK");
    for (const Side& s : sides) {
        *s.bg = mask(s.button, u"PATTERN");
        *s.bgHot = mask(s.button, u"HOTPATTERN");
    }
    c.ScrollSliderBGHorz = mask(u"SCROLLSLIDERH", u"PATTERN");
    c.ScrollSliderBGHotHorz = mask(u"SCROLLSLIDERH", u"HOTPATTERN");
    c.ScrollSliderBGVert = mask(u"SCROLLSLIDERV", u"PATTERN");
    c.ScrollSliderBGHotVert = mask(u"SCROLLSLIDERV", u"HOTPATTERN");

    const char16_t* bars[] = {u"SCROLLBAR1H", u"SCROLLBAR1V", u"SCROLLBAR2H", u"SCROLLBAR2V"};
    int16_t* barIndex[] = {&c.IndexScrollBar1H, &c.IndexScrollBar1V, &c.IndexScrollBar2H, &c.IndexScrollBar2V};
    int16_t* barMask[] = {&c.MaskScrollBar1H, &c.MaskScrollBar1V, &c.MaskScrollBar2H, &c.MaskScrollBar2V};
    int16_t* barBG[] = {&c.BGScrollBar1H, &c.BGScrollBar1V, &c.BGScrollBar2H, &c.BGScrollBar2V};
    int16_t* barBGHot[] = {&c.BGHotScrollBar1H, &c.BGHotScrollBar1V, &c.BGHotScrollBar2H, &c.BGHotScrollBar2V};
    for (size_t i = 0; i < 4; ++i)
        *barIndex[i] = int16_t(GetSkinIndex(bars[i]));
    for (size_t i = 0; i < 4; ++i)
        *barMask[i] = mask(bars[i], u"BORDERSMASK");
    for (size_t i = 0; i < 4; ++i)
        *barBG[i] = mask(bars[i], u"PATTERN");
    for (size_t i = 0; i < 4; ++i)
        *barBGHot[i] = mask(bars[i], u"HOTPATTERN");
    CheckShadows();
}

} // namespace skin
