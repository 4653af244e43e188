// The skin manager's two persistent settings objects: the animation settings (button fading events,
// fade-in of forms and dialogs as they are shown and of every form after a skin change) and the
// class lists that say which control classes are skinned as which of the 18 skin types. Both are
// published with the manager and stored with the form that holds it; values equal to their defaults
// are not stored.
#pragma once

#include "core/persistent.h"
#include "core/string.h"
#include "core/stringlist.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace skin {

class SkinManager;

// ---- Animation settings ----

// The button events as bits (beMouseEnter 1, beMouseLeave 2, beMouseDown 4, beMouseUp 8: consts.h).
constexpr unsigned kAllBtnEvents = 0x0F;

class TacBtnEffects : public core::Persistent {
public:
    core::String ClassName() const override { return u"TacBtnEffects"; }
    // The mouse events on which a skinned button fades when the button defers to the manager.
    unsigned Events = kAllBtnEvents;
    SkinManager* Manager = nullptr; // the owning manager; not stored
};

// One fade-in setting: Time milliseconds in steps of 8 ms, used while Active.
class TacFormAnimation : public core::Persistent {
public:
    TacFormAnimation() = default;
    core::String ClassName() const override { return u"TacFormAnimation"; }
    uint16_t Time = 0;
    bool Active = true;
};

class TacFormShow : public TacFormAnimation {
public:
    core::String ClassName() const override { return u"TacFormShow"; }
};
class TacPageChange : public TacFormAnimation {
public:
    core::String ClassName() const override { return u"TacPageChange"; }
};
class TacDialogShow : public TacFormAnimation {
public:
    core::String ClassName() const override { return u"TacDialogShow"; }
};
class TacSkinChanging : public TacFormAnimation {
public:
    TacSkinChanging() { Time = 100; }
    core::String ClassName() const override { return u"TacSkinChanging"; }
};

class TacAnimEffects : public core::Persistent {
public:
    TacAnimEffects();
    ~TacAnimEffects() override;
    core::String ClassName() const override { return u"TacAnimEffects"; }

    std::unique_ptr<TacBtnEffects> Buttons;
    std::unique_ptr<TacDialogShow> DialogShow;
    std::unique_ptr<TacFormShow> FormShow;
    std::unique_ptr<TacPageChange> PageChange; // held and stored; nothing reads it
    std::unique_ptr<TacSkinChanging> SkinChanging;
    SkinManager* Manager = nullptr; // the owning manager; not stored
};

// ---- Class lists ----

constexpr int kSkinTypeCount = 18;

// Display names of the skin types ("Edit", "Button" ...).
extern const std::array<core::StringView, kSkinTypeCount> StdSkinTypeNames;
// The default class list of each skin type, lines joined by CR LF. Types 10 to 12 hold a single
// blank: the entry is not empty, so a stored blank is never replaced by it, and it names no class.
extern const std::array<core::StringView, kSkinTypeCount> StdSkinTypeClasses;

class ThirdPartyList : public core::Persistent {
public:
    core::String ClassName() const override { return u"ThirdPartyList"; }
    // The field of skin type index; only 0..17 are defined.
    core::String ReadClasses(int index) const;
    // Out-of-range indexes are ignored.
    void WriteClasses(int index, core::StringView value);

private:
    // In skin-type order: edits, buttons, bit buttons, check boxes, combo boxes, grids, group
    // boxes, list views, panels, tree views, wwEdits, GridEh, virtual trees, page controls, tab
    // controls, tool bars, status bars, speed buttons.
    std::array<core::String, kSkinTypeCount> m_classes;
};

// The class lists as the manager keeps them, one list per skin type.
using ThirdLists = std::vector<std::unique_ptr<core::StringList>>;
ThirdLists MakeThirdLists();
// Fills empty types of thirdParty (every type when reset) with the defaults and splits each into
// its list.
void UpdateThirdLists(ThirdPartyList& thirdParty, ThirdLists& lists, bool reset);
// Writes each list back into thirdParty, every line followed by CR LF.
void StoreThirdLists(ThirdPartyList& thirdParty, const ThirdLists& lists);

// Registers the published values of these classes by name, with their defaults.
void RegisterEffectsProperties();

} // namespace skin
