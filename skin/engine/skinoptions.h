// The reader of a skin's options document ("Options.dat"): the skin-wide values of "GLOBALINFO",
// one section record per section with keys inherited through "PARENTCLASS", and the overlay of
// sections that the application adds to every skin.
//
// Value forms: integers are decimal or hexadecimal ("$", "0x", "0X") and read as missing when they are
// no integer or -1; text and Boolean keys read as missing when absent or exactly "?"; a Boolean is
// true when its value is "TRUE" in any letter case; numbers take "." as decimal separator on every
// system. A few "GLOBALINFO" keys are strict integers: a value that is no integer stops the load
// with EConvertError.
#pragma once

#include "core/string.h"
#include "core/stringlist.h"
#include "skin/engine/skintables.h"

#include <functional>

#include <memory>
#include <string_view>

namespace core {
class CustomIniFile;
class MemIniFile;
}

namespace skin {

// Value of key in section, taken from the parent sections when the section lacks it or says "?";
// fallback when no section of the chain gives it.
core::String ReadStrInherited(const core::CustomIniFile& ini, core::StringView section, core::StringView key,
                              core::StringView fallback);
// The same for integers, where a value of -1 or one that is no integer counts as missing.
int ReadIntInherited(const core::CustomIniFile& ini, core::StringView section, core::StringView key, int fallback);

// What the general-data reader needs of the manager that runs it.
struct GeneralDataContext {
    core::String SkinName;
    bool Designing = false;
    const core::StringList* CommonSections = nullptr; // lines of options text, may be null
    // Shows an informing message; the manager passes its message box service.
    std::function<void(core::StringView)> ShowMessage;
    // Tints the freshly read skin (hue, then saturation); the manager passes ApplyHueOffset and
    // ApplySaturation with its own values. Null: the skin keeps its colours.
    std::function<void(SkinTables&)> AdjustColors;
};

// An options document from the bytes of "Options.dat": ANSI text unless a byte-order mark says
// UTF-8 or UTF-16.
std::unique_ptr<core::MemIniFile> OpenOptionsDocument(std::string_view bytes);

// Shows the old-version message (designing only, below 6) or the too-new message (above 255).
void CheckVersion(double version, const GeneralDataContext& context);

// Fills tables.SkinData and tables.gd from the document, lays the common sections over gd, fills
// the section mask indexes and tints the result.
void LoadAllGeneralData(SkinTables& tables, const core::CustomIniFile& ini, const GeneralDataContext& context);

// Appends a record for every common section that gd does not hold yet.
void ApplyCommonSections(SkinTables& tables, const core::StringList& lines);

} // namespace skin
