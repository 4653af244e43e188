// What the skinned controls and the window skinning ask of a skin manager: the section and mask
// tables, the constant indexes, the form-shadow templates, the skinning rules and class lists, the
// hooks and the menu painter. The client creates no manager, so the default manager stays empty and
// every control takes its unskinned road; TsSkinManager (tsskinmanager.h) implements this interface
// and installs itself as the default with SetDefaultManager.
#pragma once

#include "core/string.h"
#include "skin/engine/gradient.h"
#include "skin/engine/utils.h"

#include <cstdint>
#include <memory>

namespace core {
class StringList;
}
namespace ui {
class Bitmap;
class JpegImage;
}

namespace skin {

struct TConstantSkinData;
struct TsSkinData;
class TsSkinableMenus;
class TacAnimEffects;
class TacMenuSupport;

// What a manager skins on its own: every form that activates, standard dialogs and message boxes,
// and controls of the class lists (one bit per rule).
enum TacSkinningRule : unsigned { srStdForms, srStdDialogs, srThirdParty };
using TacSkinningRules = unsigned;
constexpr TacSkinningRules SkinningRuleBit(TacSkinningRule rule) { return 1u << rule; }
constexpr TacSkinningRules kAllSkinningRules =
    SkinningRuleBit(srStdForms) | SkinningRuleBit(srStdDialogs) | SkinningRuleBit(srThirdParty);

// A window handle in the portable headers (an HWND).
using WindowHandle = void*;

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

// Width and height of one image of a mask.
struct MaskSizeResult {
    int cx = 0, cy = 0;
    bool operator==(const MaskSizeResult&) const = default;
};

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
    // The section's own mask only, no parents; -1 for an empty section name or none.
    virtual int GetMaskIndex(core::StringView section, core::StringView name) const { return -1; }
    // Pattern index by section and pattern name, searching the parent sections; -1 when none.
    virtual int GetPatternIndex(int skinIndex, core::StringView section, core::StringView name) const { return -1; }
    // The JPEG picture of a pattern; null for an invalid index or an empty picture.
    virtual ui::JpegImage* PatternImage(int patternIndex) const { return nullptr; }

    // ---- Mask sizes (callers pass valid mask indexes) ----
    // One image's size; tables that hold a mask's own bitmap measure the bitmap.
    virtual MaskSizeResult MaskSize(int maskIndex) const;
    // Border widths of a mask: its own, else its BorderWidth, else one image's size. The left width
    // sets an ImageCount of 0 to 1 before measuring.
    virtual int MaskWidthLeft(int maskIndex);
    virtual int MaskWidthRight(int maskIndex) const;
    virtual int MaskWidthTop(int maskIndex) const;
    virtual int MaskWidthBottom(int maskIndex) const;

    // ---- Colours of edits and highlighted items (RGB, or the system colour without a skin's own) ----
    virtual uint32_t GetActiveEditColor() const;
    virtual uint32_t GetActiveEditFontColor() const;
    virtual uint32_t GetHighLightColor() const;
    virtual uint32_t GetHighLightFontColor() const;

    // A skin is loaded and switched on.
    virtual bool Active() const = 0;
    virtual bool Destroying() const { return false; }
    virtual bool Designing() const { return false; }
    virtual bool AllowGlowing() const { return false; }
    // The skin's global colour and font colour ("GLOBALINFO"), $FF00FF when none.
    virtual uint32_t GlobalColor() const = 0;
    virtual uint32_t GlobalFontColor() const = 0;

    // ---- Skin-wide data (empty records when the manager has none) ----
    virtual const TConstantSkinData& GetConstData() const;
    virtual const TsSkinData& GetSkinData() const;
    virtual ui::Bitmap* GetMasterBitmap() const { return nullptr; }
    virtual core::String SkinName() const { return {}; }
    virtual bool IsDefault() const { return DefaultManagerIs(this); }

    // ---- Form borders and shadows ----
    // Forms get the extended border window (only where layered windows exist).
    virtual bool ExtendedBorders() const { return false; }
    // The 32-bit form-shadow template of the active or inactive form; null when none.
    virtual ui::Bitmap* ShadowTemplate(bool active) const { return nullptr; }
    // Thickness of the form shadow on the left, top, right and bottom.
    virtual Rect FormShadowSize() const { return {}; }

    // ---- Skinning rules and class lists ----
    virtual TacSkinningRules SkinningRules() const { return kAllSkinningRules; }
    // Lines of class names skinned as skin type 0..17; null outside that range or without lists.
    virtual const core::StringList* ThirdList(int skinType) const { return nullptr; }
    // The skin type whose list holds className as a whole line (letter case counts), -1 when none.
    virtual int SkinTypeOfClass(core::StringView className) const;
    virtual bool SkinnedPopups() const { return false; }

    // ---- Hooks, menus and animation ----
    // The thread's window-creation hook that skins dialogs, message boxes and popup menus.
    virtual void InstallHook() {}
    virtual void UnInstallHook() {}
    virtual bool HookInstalled() const { return false; }
    // The menu painter and the menu options; null without them.
    virtual TsSkinableMenus* SkinableMenus() const { return nullptr; }
    virtual TacMenuSupport* MenuSupport() const { return nullptr; }
    virtual const TacAnimEffects* AnimEffects() const { return nullptr; }
    // The window the manager last marked as active; setting tells the previous one the mouse left
    // (sub-code 30) and the new one it entered (sub-code 29).
    virtual WindowHandle ActiveControl() const { return nullptr; }
    virtual void SetActiveControl(WindowHandle) {}

private:
    static bool DefaultManagerIs(const SkinManager* manager);
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
    bool SkinChangeInProgress = false; // a skin loads or is re-applied: no fading, no animation
    bool SkinApplyInProgress = false;  // a new skin is being announced to the forms
    bool SkinRemoving = false;         // the skin is being taken off the forms
    void* AnimationDC = nullptr;       // the HDC a form animation paints into, null otherwise
    bool NTPlatform = true;            // the system is of the NT family (set at start-up)
};
EngineFlags& Engine();

} // namespace skin
