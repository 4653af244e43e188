// The sections of a skin stored with a form: one TsSkinGeneral item per section, carrying the values
// the options reader gives a section record, with the font colours as texts of five space-separated
// integers (text colour, then the left, top, right and bottom contour colours). Read into the section
// table when the skin is loaded from the store, filled from an options document when a folder skin
// is imported, and written back to options text.
#pragma once

#include "core/collection.h"
#include "core/string.h"
#include "skin/engine/skintables.h"

#include <cstdint>

namespace core {
class CustomIniFile;
}

namespace skin {

class TsSkinGeneral : public core::CollectionItem {
public:
    explicit TsSkinGeneral(core::Collection* collection = nullptr) : core::CollectionItem(collection) {}
    core::String ClassName() const override { return u"TsSkinGeneral"; }
    // Copies the published values of another section item.
    void Assign(const core::Persistent& source) override;

    // ---- Published values ----
    core::String SectionName, ParentClass;
    uint32_t Color = 0;
    bool ReservedBoolean = false;
    core::String FontColor, HotFontColor;
    int Transparency = 0, GlowCount = 0, GlowMargin = 0, GradientPercent = 0;
    core::String GradientData;
    int ImagePercent = 0;
    bool ShowFocus = false, FadingEnabled = false;
    int FadingIterations = 0;
    uint32_t HotColor = 0;
    int HotTransparency = 0, HotGradientPercent = 0;
    core::String HotGradientData;
    int HotImagePercent = 0;
    core::String Name;
    bool GiveOwnFont = false;
};

class TsSkinGenerals : public core::Collection {
public:
    explicit TsSkinGenerals(core::Persistent* owner = nullptr)
        : core::Collection([](core::Collection* c) { return new TsSkinGeneral(c); }, owner)
    {
    }
    core::String ClassName() const override { return u"TsSkinGenerals"; }
    TsSkinGeneral* Item(int index) const { return static_cast<TsSkinGeneral*>(Items(index)); }
};

// The five colours of a stored text; anything but exactly five integer words gives 0 and four -1.
void StoredFontColors(core::StringView text, uint32_t (&colors)[5]);

// Appends one section record per stored section, in order.
void LoadStoredSections(SkinTables& tables, const TsSkinGenerals& generals);

// Appends one item per section of an options document, read with inheritance as the options reader
// reads it (colours through ColorToRGB, both gradient texts defaulting to one space).
void ReadStoredGenerals(const core::CustomIniFile& sf, TsSkinGenerals& generals);

// Writes the section values of every item with a section name into sf; nothing skin-wide, no masks.
void SaveToIni(const TsSkinGenerals& generals, core::CustomIniFile& sf);

// Registers the published ordinal and colour values of the stored-skin items by name.
void RegisterStoredSectionProperties();

} // namespace skin
