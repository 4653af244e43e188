// What the skinned controls ask of a skin manager: the section and mask tables and a few switches.
// The client creates no manager, so the default manager stays empty and every control takes its
// unskinned road; the manager itself is built by the skin-manager module, which implements this
// interface and installs itself as the default with SetDefaultManager.
#pragma once

#include "core/string.h"
#include "skin/engine/gradient.h"
#include "skin/engine/utils.h"

#include <cstdint>
#include <memory>

namespace ui {
class Bitmap;
}

namespace skin {

// The kind of a mask image.
enum TacImgType : uint8_t { itisaBorder, itisaTexture, itisaGlyph, itisaGlow, itisaPngGlyph };

// One section of the skin's section table (a record of `gd`). A new record is all zero or empty; the
// options reader stores its defaults (Color $FFFFFF, contour colours -1 ...) itself.
struct SectionData {
    core::String ParentClass, ClassName;
    uint32_t Color = 0;
    uint32_t FontColor[5] = {}; // text colour, then the contour copies left, top, right, bottom (-1: none)
    uint32_t HotFontColor[5] = {};
    bool GiveOwnFont = false;
    int GlowCount = 0, GlowMargin = 0;
    bool ReservedBoolean = false;
    int Transparency = 0, GradientPercent = 0;
    core::String GradientData;
    TsGradArray GradientArray;
    int ImagePercent = 0;
    bool ShowFocus = false, FadingEnabled = false;
    int FadingIterations = 0;
    uint32_t HotColor = 0;
    int HotTransparency = 0, HotGradientPercent = 0;
    core::String HotGradientData;
    TsGradArray HotGradientArray;
    int HotImagePercent = 0;
    // Indexes in the mask table of the section's border and corner images, -1 for none.
    int BorderIndex = 0, ImgTL = 0, ImgTR = 0, ImgBL = 0, ImgBR = 0;
};
using TsGeneralData = SectionData;

// One mask of the skin's mask table (a record of `ma`): a multi-state image cut into corners, edges
// and centre, either the rectangle R of the master bitmap (Bmp null) or a bitmap of its own.
struct MaskData {
    std::shared_ptr<ui::Bitmap> Bmp;
    core::String ClassName, PropertyName;
    Rect R;
    int16_t ImageCount = 0; // state images side by side in R
    int16_t MaskType = 0;   // R holds MaskType + 1 rows: the image, then transparency masks
    int16_t BorderWidth = 0;
    int16_t DrawMode = 0; // bit 1: the border is drawn only in the hot state
    TacImgType ImgType = itisaBorder;
    const void* Manager = nullptr; // the loader; an entry without one is not painted
    int16_t WL = 0, WT = 0, WR = 0, WB = 0;
};
using TsMaskData = MaskData;

// Width of one state image of a mask; 0 without images.
int MaskImageWidth(const MaskData& m);
// Height of one row of a mask; 0 for a MaskType of -1.
int MaskStateHeight(const MaskData& m);

class SkinManager {
public:
    virtual ~SkinManager() = default;

    // Index of the section whose name equals section exactly, -1 when none.
    virtual int GetSkinIndex(core::StringView section) const = 0;
    virtual int SectionCount() const = 0;
    virtual bool IsValidSkinIndex(int index) const { return index >= 0 && index < SectionCount(); }
    virtual const SectionData& Section(int index) const = 0;
    virtual bool IsValidImgIndex(int index) const = 0;
    virtual const MaskData& Mask(int index) const = 0;
    // Pattern index of a section's texture by its name ("PATTERN", "HOTPATTERN"), -1 when none.
    virtual int GetTextureIndex(int skinIndex, core::StringView section, core::StringView name) const = 0;
    // Mask index by section and mask name, searching the parent section too; -1 when none.
    virtual int GetMaskIndex(int skinIndex, core::StringView section, core::StringView name) const = 0;
    // A skin is loaded and switched on.
    virtual bool Active() const = 0;
    virtual bool Destroying() const { return false; }
    virtual bool Designing() const { return false; }
    virtual bool AllowGlowing() const { return false; }
    // The skin's global colour and font colour ("GLOBALINFO"), $FF00FF when none.
    virtual uint32_t GlobalColor() const = 0;
    virtual uint32_t GlobalFontColor() const = 0;
};

// The default manager: the first one created in the process; null when none exists (the client).
SkinManager* DefaultManager();
void SetDefaultManager(SkinManager* manager);

// The key colour of skin images; as a colour answer it means "no plain colour".
constexpr uint32_t MaskKeyColor = 0xFF00FF;

// Process-wide switches of the engine that the controls read and set (all off at start).
struct EngineFlags {
    bool FormAnimationActive = false; // forms are painted into bitmaps: controls paint only their caches
    bool HintsSuppressed = false;     // a control switched the application's hints off ...
    bool SavedShowHint = false;       // ... and saved the value to put back here
    bool FadingSuspended = false;     // no speed-button fade starts
    bool HoverSuspended = false;      // a skinned push button ignores the mouse entering it
    bool PressedPaint = false;        // a skinned push button paints itself pressed
    core::String UpdatedSectionName;  // the section that sub-code 13 announces
};
EngineFlags& Engine();

} // namespace skin
