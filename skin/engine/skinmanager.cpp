// The default skin manager and the engine's process-wide switches.
#include "skin/engine/skinmanager.h"

#include "core/stringlist.h"
#include "skin/engine/skintables.h"
#include "ui/color.h"

namespace skin {

namespace {

SkinManager* g_default_manager = nullptr;

} // namespace

SkinManager* DefaultManager() { return g_default_manager; }
void SetDefaultManager(SkinManager* manager) { g_default_manager = manager; }

bool SkinManager::DefaultManagerIs(const SkinManager* manager) { return manager && g_default_manager == manager; }

const TConstantSkinData& SkinManager::GetConstData() const
{
    static const TConstantSkinData none;
    return none;
}

const TsSkinData& SkinManager::GetSkinData() const
{
    static const TsSkinData none;
    return none;
}

int SkinManager::SkinTypeOfClass(core::StringView className) const
{
    for (int type = 0;; ++type) {
        const core::StringList* list = ThirdList(type);
        if (!list)
            return -1;
        for (int i = 0; i < list->Count(); ++i)
            if ((*list)[i] == className)
                return type;
    }
}

int MaskImageWidth(const MaskData& m) { return m.ImageCount == 0 ? 0 : RectWidth(m.R) / m.ImageCount; }

int MaskStateHeight(const MaskData& m) { return m.MaskType == -1 ? 0 : RectHeight(m.R) / (m.MaskType + 1); }

namespace {

// A colour that the skin uses to say "no colour of its own".
bool IsNoColor(uint32_t c) { return c == 0xFFFFFFFFu || c == MaskKeyColor || c == 0xFFFFFF; }

} // namespace

MaskSizeResult SkinManager::MaskSize(int maskIndex) const
{
    const MaskData& m = Mask(maskIndex);
    return {MaskImageWidth(m), MaskStateHeight(m)};
}

int SkinManager::MaskWidthLeft(int maskIndex)
{
    // The entry belongs to this (non-const) manager; the image count is repaired in place.
    auto& m = const_cast<MaskData&>(Mask(maskIndex));
    if (m.WL > 0)
        return m.WL;
    if (m.BorderWidth > 0)
        return m.BorderWidth;
    if (m.ImageCount == 0)
        m.ImageCount = 1;
    return MaskImageWidth(m);
}

int SkinManager::MaskWidthRight(int maskIndex) const
{
    const MaskData& m = Mask(maskIndex);
    return m.WR > 0 ? m.WR : m.BorderWidth > 0 ? m.BorderWidth : MaskImageWidth(m);
}

int SkinManager::MaskWidthTop(int maskIndex) const
{
    const MaskData& m = Mask(maskIndex);
    return m.WT > 0 ? m.WT : m.BorderWidth > 0 ? m.BorderWidth : MaskStateHeight(m);
}

int SkinManager::MaskWidthBottom(int maskIndex) const
{
    const MaskData& m = Mask(maskIndex);
    return m.WB > 0 ? m.WB : m.BorderWidth > 0 ? m.BorderWidth : MaskStateHeight(m);
}

uint32_t SkinManager::GetActiveEditColor() const
{
    int i = GetConstData().IndexGLobalInfo;
    if (!IsValidSkinIndex(i))
        return ui::ColorToRGB(ui::clWindow);
    return ui::ColorToRGB(Section(i).HotColor);
}

uint32_t SkinManager::GetActiveEditFontColor() const
{
    int i = GetSkinIndex(u"EDIT");
    return i < 0 ? MaskKeyColor : ui::ColorToRGB(Section(i).HotFontColor[0]);
}

uint32_t SkinManager::GetHighLightColor() const
{
    int i = GetSkinIndex(u"MENUITEM");
    if (i >= 0 && !IsNoColor(Section(i).HotColor))
        return ui::ColorToRGB(Section(i).HotColor);
    return ui::clHighlight;
}

uint32_t SkinManager::GetHighLightFontColor() const
{
    int i = GetSkinIndex(u"MENUITEM");
    if (i >= 0) {
        const SectionData& s = Section(i);
        if (!IsNoColor(s.HotFontColor[0]) && s.HotFontColor[0] != 0 && !IsNoColor(s.HotColor))
            return ui::ColorToRGB(s.HotFontColor[0]);
    }
    return ui::clHighlightText;
}

EngineFlags& Engine()
{
    static EngineFlags flags;
    return flags;
}

} // namespace skin
