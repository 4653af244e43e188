// What the skinned controls ask of a skin manager: the section and mask tables and a few switches.
// The client creates no manager, so the default manager stays empty and every control takes its
// unskinned road; the manager itself is built by the skin-manager module, which implements this
// interface and installs itself as the default with SetDefaultManager.
#pragma once

#include "core/string.h"

#include <cstdint>

namespace skin {

// One section of the skin's section table: the fields the controls and their state read.
struct SectionData {
    core::String ClassName, ParentClass;
    uint32_t Color = 0, HotColor = 0;
    uint32_t FontColor[5] = {0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    uint32_t HotFontColor[5] = {0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    int Transparency = 0, HotTransparency = 0;
    int GradientPercent = 0, HotGradientPercent = 0;
    int ImagePercent = 0, HotImagePercent = 0;
    int GradientMode1 = -1; // mode of the first gradient piece, -1 without gradient pieces
    bool GiveOwnFont = false, ShowFocus = true, FadingEnabled = false;
    int FadingIterations = 0, GlowCount = 0, GlowMargin = 0;
    int BorderIndex = -1;
};

// One mask of the skin's mask table: the border widths and the drawing mode.
struct MaskData {
    core::String ClassName, PropertyName;
    int WL = 0, WT = 0, WR = 0, WB = 0;
    int DrawMode = 0; // bit 1: the border is drawn only in the hot state
};

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
