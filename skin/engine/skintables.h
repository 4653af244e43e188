// The skin loaded into memory: the section, mask and pattern tables, the constant indexes, the
// skin-wide values and the master bitmap, with every lookup the painters use. The skin manager owns
// one; the readers of the options document, masks and patterns fill it.
#pragma once

#include "core/string.h"
#include "skin/engine/skinmanager.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ui {
class Bitmap;
class JpegImage;
}

namespace skin {

// One pattern: a large JPEG texture of a section.
struct TsPatternData {
    std::shared_ptr<ui::JpegImage> Img;
    core::String ClassName, PropertyName;
};

// The indexes the skinning code asks for most often, computed once per loaded skin; -1 for none.
struct TConstantSkinData {
    int16_t IndexGLobalInfo = -1, ExBorder = -1;
    int16_t IndexTabTop = -1, IndexTabBottom = -1, IndexTabLeft = -1, IndexTabRight = -1;
    int16_t MaskTabTop = -1, MaskTabBottom = -1, MaskTabLeft = -1, MaskTabRight = -1;
    int16_t IndexScrollTop = -1, IndexScrollBottom = -1, IndexScrollLeft = -1, IndexScrollRight = -1;
    int16_t MaskScrollTop = -1, MaskScrollBottom = -1, MaskScrollLeft = -1, MaskScrollRight = -1;
    int16_t IndexBGScrollTop = -1, IndexBGScrollBottom = -1, IndexBGScrollLeft = -1, IndexBGScrollRight = -1;
    int16_t IndexBGHotScrollTop = -1, IndexBGHotScrollBottom = -1, IndexBGHotScrollLeft = -1,
            IndexBGHotScrollRight = -1;
    int16_t MaskArrowTop = -1, MaskArrowBottom = -1, MaskArrowLeft = -1, MaskArrowRight = -1;
    int16_t IndexSliderVert = -1, IndexSliderHorz = -1;
    int16_t MaskSliderVert = -1, MaskSliderHorz = -1;
    int16_t MaskSliderGlyphVert = -1, MaskSliderGlyphHorz = -1;
    int16_t ScrollSliderBGHorz = -1, ScrollSliderBGHotHorz = -1;
    int16_t ScrollSliderBGVert = -1, ScrollSliderBGHotVert = -1;
    int16_t IndexScrollBar1H = -1, IndexScrollBar1V = -1, IndexScrollBar2H = -1, IndexScrollBar2V = -1;
    int16_t MaskScrollBar1H = -1, MaskScrollBar1V = -1, MaskScrollBar2H = -1, MaskScrollBar2V = -1;
    int16_t BGScrollBar1H = -1, BGScrollBar1V = -1, BGScrollBar2H = -1, BGScrollBar2V = -1;
    int16_t BGHotScrollBar1H = -1, BGHotScrollBar1V = -1, BGHotScrollBar2H = -1, BGHotScrollBar2V = -1;
    int16_t CheckBoxChecked = -1, CheckBoxUnChecked = -1, CheckBoxGrayed = -1;
    int16_t RadioButtonChecked = -1, RadioButtonUnChecked = -1, RadioButtonGrayed = -1;
    int16_t SmallCheckBoxChecked = -1, SmallCheckBoxUnChecked = -1, SmallCheckBoxGrayed = -1;
    int ComboBtnIndex = -1, ComboBtnBorder = -1, ComboBtnBG = -1, ComboBtnBGHot = -1, ComboGlyph = -1;
};

// The skin-wide values of "GLOBALINFO" and the skin's folder; a new record is all zero or empty.
struct TsSkinData {
    core::String SkinPath;
    bool Active = false;
    double Version = 0;
    core::String Author, Description;
    uint32_t Shadow1Color = 0;
    int16_t Shadow1Offset = 0, Shadow1Blur = 0, Shadow1Transparency = 0;
    int16_t ExBorderWidth = 0, ExTitleHeight = 0, ExMaxHeight = 0, ExContentOffs = 0, ExCenterOffs = 0,
            ExDrawMode = 0;
    uint32_t FXColor = 0, BorderColor = 0;
    int16_t BISpacing = 0, BIVAlign = 0, BIRightMargin = 0, BILeftMargin = 0, BIKeepHUE = 0;
    int16_t BICloseGlow = 0, BICloseGlowMargin = 0, BIMaxGlow = 0, BIMaxGlowMargin = 0, BIMinGlow = 0,
            BIMinGlowMargin = 0;
};

class SkinTables : public SkinManager {
public:
    std::vector<SectionData> gd;
    std::vector<MaskData> ma;
    std::vector<TsPatternData> pa;
    TConstantSkinData ConstData;
    TsSkinData SkinData;
    std::shared_ptr<ui::Bitmap> MasterBitmap;

    // Empties the tables; the masks' own bitmaps go from the last entry to the first, then the master.
    void Clear();

    // ---- SkinManager ----
    int GetSkinIndex(core::StringView section) const override;
    int SectionCount() const override { return int(gd.size()); }
    const SectionData& Section(int index) const override { return gd[size_t(index)]; }
    bool IsValidImgIndex(int index) const override { return index >= 0 && index < int(ma.size()); }
    const MaskData& Mask(int index) const override { return ma[size_t(index)]; }
    int GetTextureIndex(int skinIndex, core::StringView section, core::StringView name) const override;
    int GetMaskIndex(int skinIndex, core::StringView section, core::StringView name) const override;
    bool Active() const override { return SkinData.Active; }
    uint32_t GlobalColor() const override { return GetGlobalColor(); }
    uint32_t GlobalFontColor() const override { return GetGlobalFontColor(); }
    const TConstantSkinData& GetConstData() const override { return ConstData; }
    const TsSkinData& GetSkinData() const override { return SkinData; }
    ui::Bitmap* GetMasterBitmap() const override { return MasterBitmap.get(); }

    // ---- Lookups ----
    int GetMaskIndex(core::StringView section, core::StringView name) const override;
    int GetPatternIndex(int skinIndex, core::StringView section, core::StringView name) const override;
    ui::JpegImage* PatternImage(int patternIndex) const override;
#ifdef _WIN32
    MaskSizeResult MaskSize(int maskIndex) const override; // it reads the mask's own bitmap
#endif

    // ---- Global colours (RGB, or the key colour where the skin has none) ----
    uint32_t GetGlobalColor() const;
    uint32_t GetGlobalFontColor() const;

    // ---- Index fillers ----
    void InitMaskIndexes();
    // Fills ConstData, then lets the owner prepare its form shadows (CheckShadows).
    void InitConstantIndexes();
    // The manager's form-shadow step, which needs the "EXBORDER" index; nothing for bare tables.
    virtual void CheckShadows() {}

private:
    template <class Match>
    int SearchWithParents(int skinIndex, core::StringView section, const Match& match) const;
    int SectionMask(int skinIndex, core::StringView section, core::StringView name) const;
};

} // namespace skin
