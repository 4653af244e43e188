// TsSkinManager: the component that owns a loaded skin. It finds the skin by name (a folder holding
// "Options.dat" in the skin directory, an archive "<name>.asz", or a skin stored in the component),
// reads it into its tables, works out the constant indexes and the form-shadow templates, and
// announces the change to every form with the skin command message (sub-code 1 for a new skin, 2
// when it is removed, 3 to repaint). The first manager created is the default manager, which every
// control without a manager of its own uses; the default manager also hooks the application's main
// window (popup-menu borders) and, while a skin is applied, the thread's window creation (dialogs).
//
// A failed load leaves nothing half-done: the tables are emptied, the skin is off, forms that had
// the previous skin are told it is gone (sub-code 2), and the error passes to the caller.
#pragma once

#include "core/component.h"
#include "core/stringlist.h"
#include "skin/engine/effects.h"
#include "skin/engine/skinablemenus.h"
#include "skin/engine/skinfolders.h"
#include "skin/engine/skintables.h"
#include "skin/engine/storedskin.h"
#include "ui/control.h"

#include <functional>
#include <memory>

namespace ui {
class Bitmap;
class MenuItem;
}

namespace skin {

class TacSkinConvertor;

// (FirstItem, SkinSection, Caption, Glyph, LineVisible): the extra line of a popup menu.
using TacGetExtraLineData = std::function<void(ui::MenuItem* firstItem, core::String& skinSection,
                                               core::String& caption, ui::Bitmap*& glyph, bool& lineVisible)>;

class TsSkinManager : public core::Component, public SkinTables {
public:
    explicit TsSkinManager(core::Component* owner = nullptr);
    ~TsSkinManager() override;
    core::String ClassName() const override { return u"TsSkinManager"; }
    TsSkinManager(const TsSkinManager&) = delete;
    TsSkinManager& operator=(const TsSkinManager&) = delete;

    // Runs once the constructor is done (a manager made in code): fills the class lists and the
    // skin directory and reports the activation state.
    void AfterConstruction();
    // A manager read from a form: the stored values are set, now the skin is applied.
    void Loaded() override;

    // ---- Published properties ----
    // The property Active (the interface's Active() says whether a skin is loaded and applied).
    bool GetActive() const { return m_active; }
    void SetActive(bool value);
    const core::String& GetSkinName() const { return m_skin_name; }
    void SetSkinName(core::StringView value);
    const core::String& SkinDirectory() const { return m_skin_directory; }
    void SetSkinDirectory(core::StringView value);
    void SetIsDefault(bool value);
    bool ExtendedBorders() const override;
    void SetExtendedBorders(bool value);
    bool SkinnedPopups() const override { return m_skinned_popups; }
    void SetSkinnedPopups(bool value);
    bool AllowGlowing() const override;
    void SetAllowGlowing(bool value) { m_allow_glowing = value; }
    int HueOffset() const { return m_hue_offset; }
    void SetHueOffset(int value);
    int Saturation() const { return m_saturation; }
    void SetSaturation(int value);
    TacSkinningRules SkinningRules() const override { return m_skinning_rules; }
    void SetSkinningRules(TacSkinningRules value);
    // The loaded skin's version with "." as decimal separator, "N/A" without a skin.
    core::String SkinInfo() const;
    core::StringList& CommonSections() { return m_common_sections; }
    // Spaces are removed from the lines, then the skin is reloaded.
    void SetCommonSections(const core::StringList& value);
    TsStoredSkins& InternalSkins() { return m_internal_skins; }
    // Hands the collection to the stored skins' Assign, which copies nothing.
    void SetInternalSkins(const TsStoredSkins& value) { m_internal_skins.Assign(value); }
    TacAnimEffects& AnimEffectsObject() { return *m_anim_effects; }
    ThirdPartyList& ThirdParty() { return *m_third_party; }
    TacMenuSupport* MenuSupport() const override { return m_menu_support.get(); }

    // ---- Events ----
    ui::NotifyEvent OnAfterChange;
    ui::NotifyEvent OnBeforeChange;
    TacGetExtraLineData OnGetMenuExtraLineData;

    // ---- SkinManager ----
    bool Destroying() const override { return HasState(core::csDestroying); }
    bool Designing() const override { return HasState(core::csDesigning); }
    core::String SkinName() const override { return m_skin_name; }
    ui::Bitmap* ShadowTemplate(bool active) const override;
    Rect FormShadowSize() const override { return m_form_shadow_size; }
    const core::StringList* ThirdList(int skinType) const override;
    void InstallHook() override;
    void UnInstallHook() override;
    bool HookInstalled() const override { return m_hook_installed; }
    TsSkinableMenus* SkinableMenus() const override { return m_menus.get(); }
    const TacAnimEffects* AnimEffects() const override { return m_anim_effects.get(); }
    WindowHandle ActiveControl() const override { return m_active_control; }
    void SetActiveControl(WindowHandle value) override;

    // ---- Operations ----
    // Loads the skin named SkinName from its folder or the stored skins / from its archive.
    void ReloadSkin();
    void ReloadPackedSkin();
    void UpdateSkin();
    void UpdateSkinSection(core::StringView sectionName);
    void RepaintForms();
    void ApplySkinToForms(bool repaint);
    void RemoveSkinFromForms();
    void CheckShadows() override;
    void UpdateCommonDialogs();
    // The class lists from ThirdParty (every type from the defaults when reset) and back.
    void UpdateThirdLists(bool reset);
    void StoreThirdLists();

    // ---- Skin folders and names ----
    core::String GetFullSkinDirectory() const;
    core::String GetSkinNames(core::StringList& names, TacSkinTypes type = stAllSkins) const;
    core::String GetExternalSkinNames(core::StringList& names, TacSkinTypes type = stAllSkins) const;
    core::String GetRandomSkin() const;
    void GetSkinSections(core::StringList& names) const;
    void ExtractInternalSkin(core::StringView nameOfSkin, core::StringView destDir);
    void ExtractByIndex(int index, core::StringView destDir);

protected:
    void Notification(core::Component* component, core::Operation operation) override;

private:
    // The stored skin's packed data goes back to it whatever happens while it is lent.
    void LoadStoredSkin(TsStoredSkin& stored);
    void ReadLoadedSkin(const core::CustomIniFile* ini, const TsStoredSkin* stored);
    void SwitchSkin();
    // A setting the loaded skin depends on changed: while a skin is applied it is read again and the
    // forms repainted.
    void ReloadForSetting(bool checkShadows, bool repaintWhileDesigning);
    void ReloadCurrent();
    bool ArchiveExists() const;
    void BroadcastSkinMessage(int subCode, bool skipEditors);
    // Leaves no half-loaded skin behind a failed load and passes the error on.
    void AbandonLoad(bool hadSkin);
    GeneralDataContext LoadContext() const;
    bool Loading() const { return HasState(core::csLoading) || HasState(core::csReading); }

    // ---- Published state ----
    core::String m_skin_name;
    core::String m_skin_directory;
    bool m_active = true;
    bool m_is_default = false;
    bool m_skinned_popups = true;
    bool m_allow_glowing = true;
    bool m_extended_borders = false;
    int m_hue_offset = 0;
    int m_saturation = 0;
    TacSkinningRules m_skinning_rules = kAllSkinningRules;
    core::StringList m_common_sections;
    TsStoredSkins m_internal_skins;
    std::unique_ptr<ThirdPartyList> m_third_party;
    ThirdLists m_third_lists;
    std::unique_ptr<TacAnimEffects> m_anim_effects;
    std::unique_ptr<TacMenuSupport> m_menu_support;
    std::unique_ptr<TsSkinableMenus> m_menus;

    // ---- Working state ----
    WindowHandle m_active_control = nullptr;
    bool m_hook_installed = false;
    bool m_main_window_hooked = false;
    int m_main_window_hook_id = 0;
    bool m_skin_is_packed = false;
    std::unique_ptr<core::MemIniFile> m_options;
    std::unique_ptr<TacSkinConvertor> m_convertor;
    std::unique_ptr<ui::Bitmap> m_shda_template;
    std::unique_ptr<ui::Bitmap> m_shdi_template;
    Rect m_form_shadow_size;
};

// ---- The manager's unit ----
// Start-up: the platform flag, the shadow templates "acSHDA" and "acSHDI" from the program's
// resources, the application's file icons, SetWindowTheme, and the "/acver" switch of the command
// line (shows the version box). Shut-down releases what it made. Both run from InitSkinEngine and
// DoneSkinEngine.
void InitSkinManagerUnit();
void DoneSkinManagerUnit();
// The shadow templates read at start-up (null when the resources are missing).
ui::Bitmap* ShadowResource(bool active);
// The version text the "/acver" switch shows.
inline constexpr core::StringView kVersionMessage = u"QuorraControls v6.48";
// True for the command-line parameters that ask for the version box (the first one that equals
// "/acver" without regard to letter case).
bool AsksForVersion(const std::vector<core::String>& parameters);
// Registers the published values of the manager and its menu options by name, with their defaults
// (run by the unit's start-up).
void RegisterSkinManagerProperties();
// The screen's forms as the design-time broadcasts see them; the thread's top-level forms.
std::vector<ui::Form*> ScreenForms();

} // namespace skin
