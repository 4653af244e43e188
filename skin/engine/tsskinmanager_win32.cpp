// The skin manager: loading, switching and removing skins, the broadcasts to forms, the hooks and
// the manager's unit start-up.
#include "skin/engine/tsskinmanager.h"

#include "core/fileio.h"
#include "core/flagscope.h"
#include "core/inifile.h"
#include "core/path.h"
#include "core/stream.h"
#include "skin/engine/coloradjust.h"
#include "skin/engine/command.h"
#include "skin/engine/formutils.h"
#include "skin/engine/glow.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/msgbox.h"
#include "skin/engine/png.h"
#include "skin/engine/pnggraphic.h"
#include "skin/engine/skinimages.h"
#include "skin/engine/skinnedforms.h"
#include "skin/engine/skinoptions.h"
#include "skin/engine/skinpack.h"
#include "skin/engine/system.h"
#include "ui/application.h"
#include "ui/menu.h"
#include "ui/messagebox.h"
#include "ui/propinfo.h"
#include "ui/rcdata.h"

#include <charconv>
#include <chrono>
#include <random>

#include <shellapi.h>

namespace skin {

namespace {

// The version record the platform flag is read from has the size the system expects of it.
static_assert(sizeof(OSVERSIONINFOW) == 276);

constexpr UINT CM_ACTIVATE = 0xB000;
constexpr UINT WM_THEMECHANGED_ = 0x031A;
constexpr UINT kMenuItemBorder = 0xBCB3;
constexpr UINT kMenuWindowBorder = 0xBCB4;

struct ManagerUnit {
    std::unique_ptr<ui::Bitmap> shda, shdi;
    HHOOK hook = nullptr;
    TsSkinManager* hookOwner = nullptr; // the manager that installed the hook
    bool versionAsked = false;
    DialogSkinningHooks dialogHooks;
    SkinableMenusFactory menusFactory = nullptr;
};

ManagerUnit& Unit()
{
    static ManagerUnit unit;
    return unit;
}

// Until the dialog skinning installs its own, the hook passes every event on.
LRESULT CALLBACK ChainOnlyHook(int code, WPARAM wparam, LPARAM lparam)
{
    return CallNextHookEx(Unit().hook, code, wparam, lparam);
}

std::unique_ptr<ui::Bitmap> ReadShadowResource(core::StringView name)
{
    core::MemoryStream stream;
    if (!ui::LoadRCData(nullptr, name, stream))
        return nullptr;
    try {
        auto png = std::make_unique<TPNGGraphic>();
        png->LoadFromStream(stream);
        if (png->Width() == 0)
            return nullptr;
        auto bmp = std::make_unique<ui::Bitmap>();
        bmp->Assign(*png);
        bmp->SetPixelFormat(ui::pf32bit);
        return bmp;
    } catch (const std::exception&) {
        return nullptr; // a damaged template only means no shadow
    }
}

// width x height pixels of src from (x, y) into a new 32-bit image. A 24-bit source (a mask cut
// from the master bitmap) is opaque except for the key colour.
std::unique_ptr<ui::Bitmap> CutImage(ui::Bitmap& src, int x, int y, int width, int height)
{
    auto out = NewBmp32(std::max(0, width), std::max(0, height));
    if (width <= 0 || height <= 0)
        return out;
    bool alpha = src.GetPixelFormat() == ui::pf32bit;
    ui::PixelView from = src.Pixels();
    ui::PixelView to = out->Pixels();
    for (int row = 0; row < height; ++row) {
        if (y + row < 0 || y + row >= src.Height())
            continue;
        for (int col = 0; col < width; ++col) {
            if (x + col < 0 || x + col >= src.Width())
                continue;
            uint8_t* d = to.Row(row) + col * 4;
            if (alpha) {
                const uint8_t* s = from.Row(y + row) + (x + col) * 4;
                std::copy(s, s + 4, d);
            } else {
                const uint8_t* s = from.Row(y + row) + (x + col) * 3;
                bool key = s[0] == 0xFF && s[1] == 0x00 && s[2] == 0xFF;
                d[0] = key ? 0 : s[0], d[1] = key ? 0 : s[1], d[2] = key ? 0 : s[2], d[3] = key ? 0 : 255;
            }
        }
    }
    return out;
}

std::unique_ptr<ui::Bitmap> CopyImage(ui::Bitmap& src) { return CutImage(src, 0, 0, src.Width(), src.Height()); }

std::string ReadFileBytes(const core::String& fileName)
{
    // Read to the end rather than trusting the size the file reports while it may still change.
    core::FileStream in(fileName, core::fmOpenRead | core::fmShareDenyWrite);
    std::string bytes;
    char chunk[16384];
    for (int64_t n; (n = in.Read(chunk, int64_t(sizeof(chunk)))) > 0;)
        bytes.append(chunk, size_t(n));
    return bytes;
}

std::unique_ptr<core::MemIniFile> OptionsOf(const TacSkinConvertor* convertor)
{
    if (!convertor || !convertor->Options)
        return std::make_unique<core::MemIniFile>();
    core::MemoryStream& s = *convertor->Options;
    return OpenOptionsDocument(std::string_view(reinterpret_cast<const char*>(s.Memory()), size_t(s.Size())));
}

bool IsDesignerWindow(const core::String& name, bool skipEditors)
{
    if (name.empty() || name == u"AppBuilder" || name == u"PropertyInspector")
        return true;
    return skipEditors &&
           (name.find(u"EditWindow_") != core::String::npos || name.find(u"DockSite") != core::String::npos);
}

} // namespace

// ---- Construction and destruction ----

TsSkinManager::TsSkinManager(core::Component* owner)
    : core::Component(owner), m_internal_skins(this), m_third_party(std::make_unique<ThirdPartyList>())
{
    bool first = DefaultManager() == nullptr;
    m_is_default = first;
    m_third_lists = MakeThirdLists();
    SkinData.Active = false;
    m_menu_support = std::make_unique<TacMenuSupport>();
    m_anim_effects = std::make_unique<TacAnimEffects>();
    m_anim_effects->Manager = this;
    m_anim_effects->Buttons->Manager = this;
    if (first) {
        SetDefaultManager(this);
        if (Engine().NTPlatform && !Designing()) {
            m_main_window_hook_id = ui::Application::Instance().HookMainWindow([this](ui::Message& m) {
                if (DefaultManager() != this || !m_skinned_popups)
                    return false;
                switch (m.Msg) {
                case WM_THEMECHANGED_: m.Result = 0; return true;
                case CM_ACTIVATE: {
                    std::vector<ui::Form*> forms = ScreenForms();
                    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
                        if ((*it)->HandleAllocated())
                            SendAcMessage((*it)->Handle(), scRepaint, 0);
                    return false;
                }
                case kMenuItemBorder: {
                    auto* item = reinterpret_cast<ui::MenuItem*>(m.LParam);
                    HMENU menu = item && item->Parent() ? item->Parent()->SubmenuHandle() : nullptr;
                    RECT r{};
                    if (!menu || (!GetMenuItemRect(nullptr, menu, 0, &r) &&
                                  !GetMenuItemRect(ui::Application::Instance().Handle(), menu, 0, &r)))
                        return true;
                    HWND wnd = WindowFromPoint(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
                    if (m_menus)
                        if (ui::Bitmap* image = m_menus->GetMenuInfo(item, wnd))
                            m_menus->DrawWndBorder(wnd, image);
                    return true;
                }
                case kMenuWindowBorder: {
                    HWND wnd = reinterpret_cast<HWND>(m.LParam);
                    if (m_menus)
                        if (ui::Bitmap* image = m_menus->GetMenuInfo(nullptr, wnd))
                            m_menus->DrawWndBorder(wnd, image);
                    return true;
                }
                default: return false;
                }
            });
            m_main_window_hooked = true;
        }
    }
    m_active = true;
    m_menus = MakeSkinableMenus(this);
    Clear();
}

void TsSkinManager::AfterConstruction()
{
    UpdateThirdLists(false);
    if (m_skin_directory.empty())
        m_skin_directory = core::String(kDefaultSkinDirectory);
    if (!Loading())
        CallSkinActivationHook(m_active && !m_skin_name.empty());
}

void TsSkinManager::Loaded()
{
    core::Component::Loaded();
    if (m_skin_directory.empty())
        m_skin_directory = core::String(kDefaultSkinDirectory);
    if (m_menu_support->IcoLineSkin.empty())
        m_menu_support->IcoLineSkin = u"ICOLINE";
    UpdateThirdLists(false);
    if (m_active && !m_skin_name.empty())
        ApplySkinToForms(false);
    UpdateCommonDialogs();
    if (!Loading())
        CallSkinActivationHook(m_active && !m_skin_name.empty());
}

TsSkinManager::~TsSkinManager()
{
    try {
        SetActive(false);
    } catch (...) {
        // Taking the skin off the forms failed half-way; the tables go below all the same.
    }
    m_extended_borders = false;
    UnInstallHook();
    m_anim_effects.reset();
    m_internal_skins.Clear();
    m_menus.reset();
    m_shda_template.reset();
    m_shdi_template.reset();
    m_common_sections.Clear();
    SkinData = TsSkinData();
    m_menu_support.reset();
    FreePatterns(*this);
    FreeMasks(*this);
    if (m_main_window_hooked)
        ui::Application::Instance().UnhookMainWindow(m_main_window_hook_id);
    if (DefaultManager() == this)
        SetDefaultManager(nullptr);
    StoreThirdLists();
    m_third_lists.clear();
    m_third_party.reset();
}

void TsSkinManager::Notification(core::Component* component, core::Operation operation)
{
    core::Component::Notification(component, operation);
}

// ---- Properties ----

void TsSkinManager::SetActive(bool value)
{
    if (value == m_active)
        return;
    if (value) {
        m_active = true;
        SetSkinName(core::String(m_skin_name));
        return;
    }
    m_active = false;
    if (!Loading())
        RemoveSkinFromForms();
    InitConstantIndexes();
    UpdateCommonDialogs();
}

void TsSkinManager::SetSkinName(core::StringView value)
{
    m_skin_name = core::String(value);
    if (m_active)
        SwitchSkin();
    UpdateCommonDialogs();
}

void TsSkinManager::SwitchSkin()
{
    if (OnBeforeChange)
        OnBeforeChange(this);
    bool hadSkin = SkinData.Active;
    Engine().SkinChangeInProgress = true;
    SkinData.Active = false;
    try {
        m_skin_is_packed = ArchiveExists();
        if (m_skin_is_packed)
            ReloadPackedSkin();
        else
            ReloadSkin();
    } catch (...) {
        AbandonLoad(hadSkin);
        throw;
    }
    if (!m_active)
        RemoveSkinFromForms();
    else
        ApplySkinToForms(true);
    Engine().SkinChangeInProgress = false;
    if (OnAfterChange)
        OnAfterChange(this);
}

void TsSkinManager::AbandonLoad(bool hadSkin)
{
    Engine().SkinChangeInProgress = false;
    m_options.reset();
    m_convertor.reset();
    if (hadSkin && !Loading()) {
        // Forms still hold indexes into the tables that are emptied now.
        RemoveSkinFromForms();
    } else {
        FreeMasks(*this);
        FreePatterns(*this);
        gd.clear();
    }
    SkinData.Active = false;
    InitConstantIndexes();
}

bool TsSkinManager::ArchiveExists() const { return core::FileExists(ArchiveFileOf(m_skin_directory, m_skin_name)); }

void TsSkinManager::SetSkinDirectory(core::StringView value)
{
    if (value == m_skin_directory)
        return;
    m_skin_directory = core::String(value);
    SkinData.SkinPath = GetFullSkinDirectory();
}

void TsSkinManager::SetIsDefault(bool value)
{
    if (value || !DefaultManager()) {
        m_is_default = true;
        SetDefaultManager(this);
        if (!m_active) {
            RemoveSkinFromForms();
        } else {
            ApplySkinToForms(true);
            RepaintForms();
        }
    } else if (DefaultManager() != this) {
        m_is_default = false;
    }
}

bool TsSkinManager::ExtendedBorders() const { return m_extended_borders && LayeredWindowsAvailable(); }

bool TsSkinManager::AllowGlowing() const { return m_allow_glowing && LayeredWindowsAvailable(); }

void TsSkinManager::ReloadForSetting(bool checkShadows, bool repaintWhileDesigning)
{
    if (!SkinData.Active)
        return;
    Engine().SkinChangeInProgress = true;
    m_skin_is_packed = ArchiveExists();
    if (checkShadows)
        CheckShadows();
    ReloadCurrent();
    Engine().SkinChangeInProgress = false;
    if (!Loading() && (repaintWhileDesigning || !Designing()))
        RepaintForms();
}

void TsSkinManager::ReloadCurrent()
{
    bool hadSkin = SkinData.Active;
    try {
        if (m_skin_is_packed && ArchiveExists())
            ReloadPackedSkin();
        else
            ReloadSkin();
    } catch (...) {
        AbandonLoad(hadSkin);
        throw;
    }
}

void TsSkinManager::SetExtendedBorders(bool value)
{
    if (value == m_extended_borders)
        return;
    m_extended_borders = value;
    ReloadForSetting(true, false);
}

void TsSkinManager::SetSkinnedPopups(bool value)
{
    if (value == m_skinned_popups)
        return;
    m_skinned_popups = value;
    if (!Designing() && value && m_menus && IsDefault())
        m_menus->UpdateMenus();
}

void TsSkinManager::SetHueOffset(int value)
{
    if (value == m_hue_offset)
        return;
    m_hue_offset = value;
    ReloadForSetting(false, true);
}

void TsSkinManager::SetSaturation(int value)
{
    if (value == m_saturation)
        return;
    m_saturation = value;
    ReloadForSetting(false, true);
}

void TsSkinManager::SetSkinningRules(TacSkinningRules value)
{
    m_skinning_rules = value;
    UpdateCommonDialogs();
}

core::String TsSkinManager::SkinInfo() const
{
    if (!SkinData.Active)
        return u"N/A";
    char text[64];
    auto result = std::to_chars(text, text + sizeof(text), SkinData.Version);
    return core::FromUtf8(std::string(text, result.ptr));
}

void TsSkinManager::SetCommonSections(const core::StringList& value)
{
    m_common_sections.Clear();
    for (int i = 0; i < value.Count(); ++i) {
        core::String line = value[i];
        std::erase(line, u' ');
        m_common_sections.Add(line);
    }
    ReloadForSetting(false, true);
}

ui::Bitmap* TsSkinManager::ShadowTemplate(bool active) const
{
    return active ? m_shda_template.get() : m_shdi_template.get();
}

const core::StringList* TsSkinManager::ThirdList(int skinType) const
{
    return skinType >= 0 && skinType < int(m_third_lists.size()) ? m_third_lists[size_t(skinType)].get() : nullptr;
}

void TsSkinManager::SetActiveControl(WindowHandle value)
{
    if (value == m_active_control)
        return;
    WindowHandle previous = m_active_control;
    m_active_control = value;
    LPARAM self = LPARAM(static_cast<SkinManager*>(this));
    if (previous)
        SendAcMessage(static_cast<HWND>(previous), scMouseLeave, self);
    if (value)
        SendAcMessage(static_cast<HWND>(value), scMouseEnter, self);
}

void TsSkinManager::UpdateCommonDialogs()
{
    if (IsDefault())
        ui::SetUseLatestCommonDialogs(!((m_skinning_rules & SkinningRuleBit(srStdDialogs)) && m_active));
}

void TsSkinManager::UpdateThirdLists(bool reset) { skin::UpdateThirdLists(*m_third_party, m_third_lists, reset); }

void TsSkinManager::StoreThirdLists()
{
    if (m_third_party && m_third_lists.size() == size_t(kSkinTypeCount))
        skin::StoreThirdLists(*m_third_party, m_third_lists);
}

// ---- Loading ----

GeneralDataContext TsSkinManager::LoadContext() const
{
    GeneralDataContext context;
    context.SkinName = m_skin_name;
    context.Designing = Designing();
    context.CommonSections = &m_common_sections;
    context.ShowMessage = [](core::StringView text) {
        ui::MessageBox(text, ui::Application::Instance().Title(), ui::mbOK);
    };
    int hue = m_hue_offset, saturation = m_saturation;
    context.AdjustColors = [hue, saturation](SkinTables& tables) {
        if (hue != 0)
            ApplyHueOffset(tables, hue);
        if (saturation != 0)
            ApplySaturation(tables, saturation);
    };
    return context;
}

void TsSkinManager::ReadLoadedSkin(const core::CustomIniFile* ini, const TsStoredSkin* stored)
{
    const void* self = static_cast<const SkinManager*>(this);
    if (stored) {
        ReadStoredMasks(*this, *stored, self);
        ReadStoredPatterns(*this, *stored);
        LoadStoredGeneralData(*this, *stored, LoadContext());
    } else {
        SkinImageSource source{m_skin_is_packed ? m_convertor.get() : nullptr, SkinData.SkinPath};
        ReadMasks(*this, *ini, source, &m_common_sections, self);
        ReadPatterns(*this, *ini, source, &m_common_sections, self);
        LoadAllGeneralData(*this, *ini, LoadContext());
    }
    InitConstantIndexes();
}

void TsSkinManager::LoadStoredSkin(TsStoredSkin& stored)
{
    if (stored.PackedData.Size() > 0) {
        m_convertor = std::make_unique<TacSkinConvertor>();
        m_skin_is_packed = true;
        m_convertor->LendPackedData(&stored.PackedData);
        try {
            m_convertor->Unpack();
        } catch (...) {
            m_convertor->LendPackedData(nullptr);
            m_convertor.reset();
            throw;
        }
        m_convertor->LendPackedData(nullptr);
        m_options = OptionsOf(m_convertor.get());
        ReadLoadedSkin(m_options.get(), nullptr);
    } else {
        m_skin_is_packed = false;
        ReadLoadedSkin(nullptr, &stored);
    }
}

void TsSkinManager::ReloadSkin()
{
    if (!m_active)
        return;
    Engine().SkinChangeInProgress = true;
    m_options.reset();
    const core::String dir = GetFullSkinDirectory();
    const core::String optionsFile = dir + m_skin_name + u"\\Options.dat";
    if (!m_skin_name.empty() && core::FileExists(optionsFile)) {
        m_skin_is_packed = false;
        m_options = OpenOptionsDocument(ReadFileBytes(optionsFile));
        SkinData.SkinPath = dir + m_skin_name + u"\\";
        ReadLoadedSkin(m_options.get(), nullptr);
    } else {
        SkinData.SkinPath.clear();
        int index = m_internal_skins.IndexOf(m_skin_name);
        if (index < 0) {
            if (m_internal_skins.Count() == 0) {
                m_active = false;
                return;
            }
            m_skin_name = m_internal_skins.Item(0)->Name;
            index = 0;
        }
        LoadStoredSkin(*m_internal_skins.Item(index));
    }
    m_options.reset();
    m_convertor.reset();
}

void TsSkinManager::ReloadPackedSkin()
{
    if (!m_active)
        return;
    Engine().SkinChangeInProgress = true;
    m_options.reset();
    m_convertor.reset();
    UnpackSkinFile(ArchiveFileOf(m_skin_directory, m_skin_name), m_convertor, true);
    m_options = OptionsOf(m_convertor.get());
    SkinData.SkinPath = GetFullSkinDirectory();
    ReadLoadedSkin(m_options.get(), nullptr);
    m_options.reset();
    m_convertor.reset();
}

// ---- Telling the forms ----

std::vector<ui::Form*> ScreenForms()
{
    std::vector<ui::Form*> forms;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM data) -> BOOL {
            if (auto* form = dynamic_cast<ui::Form*>(ui::WinControl::FindControl(wnd)))
                reinterpret_cast<std::vector<ui::Form*>*>(data)->push_back(form);
            return TRUE;
        },
        LPARAM(&forms));
    return forms;
}

void TsSkinManager::BroadcastSkinMessage(int subCode, bool skipEditors)
{
    ui::Message message{SM_SKINCMD, SkinWParam(subCode), LPARAM(static_cast<SkinManager*>(this)), 0};
    if (!Designing()) {
        BroadcastToAppForms(message);
        return;
    }
    for (ui::Form* form : ScreenForms()) {
        if (IsDesignerWindow(form->Name(), skipEditors))
            continue;
        SendToFormProvider(form, message);
        SendMsgToChildControls(form, message);
        BroadcastToSkinnedForms(message);
    }
}

void TsSkinManager::ApplySkinToForms(bool repaint)
{
    if (Loading())
        return;
    ClearGlowEffects();
    if (!Designing() && repaint)
        LockSkinnedForms(this);
    if (m_menus)
        m_menus->SkinBorderWidth = -1;
    SkinData.Active = false;
    {
        core::FlagScope applying(Engine().SkinApplyInProgress);
        InitConstantIndexes();
        BroadcastSkinMessage(scSkinLoaded, false);
    }
    SkinData.Active = true;
    if (IsDefault() && !m_hook_installed)
        InstallHook();
    if (repaint)
        RepaintForms();
    CallSkinActivationHook(true);
}

void TsSkinManager::RemoveSkinFromForms()
{
    CallSkinActivationHook(false);
    core::FlagScope removing(Engine().SkinRemoving);
    ClearGlowEffects();
    UnInstallHook();
    SkinData.Active = false;
    BroadcastSkinMessage(scSkinRemoved, true);
    FreeMasks(*this);
    FreePatterns(*this);
    gd.clear();
}

void TsSkinManager::RepaintForms()
{
    const LPARAM self = LPARAM(static_cast<SkinManager*>(this));
    if (!Designing()) {
        ui::Message stop{SM_SKINCMD, SkinWParam(scStopFading), self, 0};
        BroadcastToAppForms(stop);
    }
    ui::Message refresh{SM_SKINCMD, SkinWParam(scSkinRefresh), self, 0};
    if (Designing()) {
        for (ui::Form* form : ScreenForms()) {
            if (IsDesignerWindow(form->Name(), false))
                continue;
            SendMsgToChildControls(form, refresh);
            SendToFormProvider(form, refresh);
            BroadcastToSkinnedForms(refresh);
        }
    } else {
        if (!Loading())
            LockSkinnedForms(this);
        BroadcastToAppForms(refresh);
        if (!Loading())
            UnlockSkinnedForms(this, true);
    }
    if (HWND extra = RepaintNotifyWindow())
        SendMessageW(extra, refresh.Msg, refresh.WParam, refresh.LParam);
    for (HWND wnd : ProviderWindows())
        if (IsWindowVisible(wnd))
            RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

void TsSkinManager::UpdateSkin()
{
    if (m_active)
        ApplySkinToForms(true);
}

void TsSkinManager::UpdateSkinSection(core::StringView sectionName)
{
    Engine().UpdatedSectionName = core::UpperCase(sectionName);
    ui::Message message{SM_SKINCMD, SkinWParam(scSectionChanged), 0, 0};
    if (Designing()) {
        for (ui::Form* form : ScreenForms())
            SendMsgToChildControls(form, message);
    } else {
        BroadcastToAppForms(message);
    }
}

// ---- Shadows ----

void TsSkinManager::CheckShadows()
{
    if (!m_active || !ExtendedBorders()) {
        m_form_shadow_size = {};
        return;
    }
    m_shda_template.reset();
    m_shdi_template.reset();
    m_shda_template = NewBmp32(0, 0);
    m_shdi_template = NewBmp32(0, 0);
    const int exBorder = ConstData.ExBorder;
    if (exBorder >= 0 && exBorder < int(ma.size())) {
        const MaskData& m = ma[size_t(exBorder)];
        const int offs = SkinData.ExContentOffs;
        if (SkinData.ExDrawMode != 0)
            m_form_shadow_size = {offs, offs, offs, offs};
        else
            m_form_shadow_size = {m.WL - offs, m.WT - offs, m.WR - offs, m.WB - offs};
        // A mask without its own bitmap is cut from the master bitmap.
        ui::Bitmap* source = m.Bmp ? m.Bmp.get() : MasterBitmap.get();
        int x = m.Bmp ? 0 : m.R.Left, y = m.Bmp ? 0 : m.R.Top;
        int w = MaskImageWidth(m), h = MaskStateHeight(m);
        if (source && !source->Empty()) {
            m_shdi_template = CutImage(*source, x, y, w, h);
            m_shda_template = m.ImageCount == 1 ? CopyImage(*m_shdi_template) : CutImage(*source, x + w, y, w, h);
        }
    } else if (ShadowResource(true) && ShadowResource(false)) {
        m_form_shadow_size = {11, 7, 11, 11};
        m_shda_template = CopyImage(*ShadowResource(true));
        m_shdi_template = CopyImage(*ShadowResource(false));
        if (DwmCompositionActive()) {
            ++m_form_shadow_size.Left;
            ++m_form_shadow_size.Top;
            ++m_form_shadow_size.Right;
            ++m_form_shadow_size.Bottom;
        }
    }
    for (ui::Bitmap* t : {m_shda_template.get(), m_shdi_template.get()})
        if (t->Width() > 0 && t->Height() > 0)
            ClearTransparentWhite(t->Pixels());
}

// ---- Hooks ----

void TsSkinManager::InstallHook()
{
    if (Designing() || !IsDefault() || m_hook_installed)
        return;
    // One hook per thread: a manager that became the default takes it over from the previous one.
    if (Unit().hookOwner)
        Unit().hookOwner->UnInstallHook();
    m_hook_installed = true;
    HOOKPROC proc = Unit().dialogHooks.Procedure ? Unit().dialogHooks.Procedure : ChainOnlyHook;
    Unit().hook = SetWindowsHookExW(WH_CBT, proc, nullptr, GetCurrentThreadId());
    Unit().hookOwner = this;
}

// Whoever installed the hook takes it off, default manager or not any more: a hook must not
// outlive the manager that put it there.
void TsSkinManager::UnInstallHook()
{
    if (Designing() || !m_hook_installed)
        return;
    ManagerUnit& unit = Unit();
    if (unit.dialogHooks.ClearMnuArray)
        unit.dialogHooks.ClearMnuArray();
    if (unit.hook)
        UnhookWindowsHookEx(unit.hook);
    if (unit.dialogHooks.ReleaseProviders)
        unit.dialogHooks.ReleaseProviders();
    unit.hook = nullptr;
    unit.hookOwner = nullptr;
    m_hook_installed = false;
}

void SetDialogSkinningHooks(DialogSkinningHooks hooks) { Unit().dialogHooks = std::move(hooks); }

void SetSkinableMenusFactory(SkinableMenusFactory factory) { Unit().menusFactory = factory; }

std::unique_ptr<TsSkinableMenus> MakeSkinableMenus(SkinManager* manager)
{
    if (SkinableMenusFactory factory = Unit().menusFactory)
        if (std::unique_ptr<TsSkinableMenus> menus = factory(manager))
            return menus;
    return std::make_unique<TsSkinableMenus>(manager);
}

void*& MenuDropDownButton()
{
    static void* button = nullptr;
    return button;
}

void TacFont::Assign(const core::Persistent& source)
{
    if (const auto* font = dynamic_cast<const TacFont*>(&source)) {
        ui::Font::Assign(*font);
        return;
    }
    core::Persistent::Assign(source);
}
const DialogSkinningHooks& GetDialogSkinningHooks() { return Unit().dialogHooks; }

HHOOK DialogHookHandle() { return Unit().hook; }

// ---- Skin folders and names ----

core::String TsSkinManager::GetFullSkinDirectory() const { return ResolveSkinDirectory(m_skin_directory, AppFolder()); }

namespace {

std::vector<SkinDirEntry> ListSkinDirectory(const core::String& dir)
{
    std::vector<SkinDirEntry> entries;
    if (!DirExists(dir))
        return entries;
    // The pattern doubles the final separator, which the system accepts.
    const core::String patternText = dir + u"\\*.*";
    std::wstring pattern(patternText.begin(), patternText.end());
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &data, FindExSearchLimitToDirectories, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return entries;
    do {
        SkinDirEntry entry;
        entry.Name = core::String(data.cFileName, data.cFileName + wcslen(data.cFileName));
        entry.IsFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (entry.IsFolder && !entry.Name.empty() && entry.Name[0] != u'.')
            entry.HasOptions = core::FileExists(dir + u"\\" + entry.Name + u"\\Options.dat");
        entries.push_back(std::move(entry));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return entries;
}

} // namespace

core::String TsSkinManager::GetSkinNames(core::StringList& names, TacSkinTypes type) const
{
    std::vector<core::String> stored;
    for (int i = 0; i < m_internal_skins.Count(); ++i)
        stored.push_back(m_internal_skins.Item(i)->Name);
    return CollectSkinNames(stored, ListSkinDirectory(GetFullSkinDirectory()), type, names);
}

core::String TsSkinManager::GetExternalSkinNames(core::StringList& names, TacSkinTypes type) const
{
    return CollectSkinNames({}, ListSkinDirectory(GetFullSkinDirectory()), type, names);
}

core::String TsSkinManager::GetRandomSkin() const
{
    core::StringList names;
    GetSkinNames(names, stAllSkins);
    if (names.Count() == 0)
        return {};
    std::mt19937 random(unsigned(std::chrono::steady_clock::now().time_since_epoch().count()));
    return names[int(random() % unsigned(names.Count()))];
}

void TsSkinManager::GetSkinSections(core::StringList& names) const
{
    names.Clear();
    if (SkinData.Active)
        for (const SectionData& s : gd)
            names.Add(s.ClassName);
}

void TsSkinManager::ExtractByIndex(int index, core::StringView destDir)
{
    core::String dir = NormalizeDirPath(destDir);
    if (!core::DirectoryExists(dir) && !core::CreateDir(dir)) {
        ErrorBox(u"Directory " + dir + u" creation error.");
        return;
    }
    TsStoredSkin& stored = *m_internal_skins.Item(index);
    if (stored.PackedData.Size() <= 0)
        return;
    core::String file = ExtractedSkinFile(dir, stored.Name);
    // A name with a path in it would put the file outside the folder.
    if (!IsPlainSkinName(stored.Name))
        throw core::EFCreateError(u"Cannot create file \"" + file + u"\". " + core::SysErrorMessage(ERROR_INVALID_NAME));
    core::FileStream out(file, core::fmCreate);
    out.WriteBuffer(stored.PackedData.Memory(), stored.PackedData.Size());
}

void TsSkinManager::ExtractInternalSkin(core::StringView nameOfSkin, core::StringView destDir)
{
    bool found = false;
    for (int i = 0; i < m_internal_skins.Count(); ++i) {
        if (m_internal_skins.Item(i)->Name != nameOfSkin)
            continue;
        found = true;
        if (core::DirectoryExists(core::String(destDir)))
            ExtractByIndex(i, destDir);
        else
            ErrorBox(u"Directory does not exists.");
    }
    if (!found)
        ErrorBox(u"Skin does not exists.");
}

// ---- Published properties ----

void RegisterSkinManagerProperties()
{
    using M = TsSkinManager;
    auto flag = [](core::StringView name, bool (M::*get)() const, void (M::*set)(bool), bool fallback) {
        return ui::WithDefault(ui::OrdProperty(
                                   name, [get](core::Object& o) { return int64_t((static_cast<M&>(o).*get)()); },
                                   [set](core::Object& o, int64_t v) { (static_cast<M&>(o).*set)(v != 0); }),
                               fallback ? 1 : 0);
    };
    auto number = [](core::StringView name, int (M::*get)() const, void (M::*set)(int)) {
        return ui::WithDefault(ui::OrdProperty(
                                   name, [get](core::Object& o) { return int64_t((static_cast<M&>(o).*get)()); },
                                   [set](core::Object& o, int64_t v) { (static_cast<M&>(o).*set)(int(v)); }),
                               0);
    };
    ui::RegisterPropClass<M>(
        u"TsSkinManager",
        {flag(u"ExtendedBorders", &M::ExtendedBorders, &M::SetExtendedBorders, false),
         flag(u"SkinnedPopups", &M::SkinnedPopups, &M::SetSkinnedPopups, true),
         flag(u"AllowGlowing", &M::AllowGlowing, &M::SetAllowGlowing, true),
         ui::ObjectProperty(u"AnimEffects", [](core::Object& o) -> core::Object* { return &static_cast<M&>(o).AnimEffectsObject(); }),
         flag(u"IsDefault", &M::IsDefault, &M::SetIsDefault, true),
         flag(u"Active", &M::GetActive, &M::SetActive, true),
         ui::ObjectProperty(u"CommonSections",
                            [](core::Object& o) -> core::Object* { return &static_cast<M&>(o).CommonSections(); },
                            [](core::Object& o, core::Object* v) {
                                if (auto* lines = dynamic_cast<core::StringList*>(v))
                                    static_cast<M&>(o).SetCommonSections(*lines);
                            }),
         number(u"Saturation", &M::Saturation, &M::SetSaturation),
         number(u"HueOffset", &M::HueOffset, &M::SetHueOffset),
         ui::ObjectProperty(u"InternalSkins",
                            [](core::Object& o) -> core::Object* { return &static_cast<M&>(o).InternalSkins(); },
                            [](core::Object& o, core::Object* v) {
                                if (auto* skins = dynamic_cast<TsStoredSkins*>(v))
                                    static_cast<M&>(o).SetInternalSkins(*skins);
                            }),
         ui::ObjectProperty(u"MenuSupport", [](core::Object& o) -> core::Object* { return static_cast<M&>(o).MenuSupport(); }),
         ui::StrProperty(
             u"SkinDirectory", [](core::Object& o) { return static_cast<M&>(o).SkinDirectory(); },
             [](core::Object& o, core::StringView v) { static_cast<M&>(o).SetSkinDirectory(v); }),
         ui::StrProperty(
             u"SkinName", [](core::Object& o) { return static_cast<M&>(o).GetSkinName(); },
             [](core::Object& o, core::StringView v) { static_cast<M&>(o).SetSkinName(v); }),
         ui::StrProperty(
             u"SkinInfo", [](core::Object& o) { return static_cast<M&>(o).SkinInfo(); }, [](core::Object&, core::StringView) {}),
         ui::WithDefault(ui::SetProperty(
                             u"SkinningRules", {u"srStdForms", u"srStdDialogs", u"srThirdParty"},
                             [](core::Object& o) { return int64_t(static_cast<M&>(o).SkinningRules()); },
                             [](core::Object& o, int64_t v) { static_cast<M&>(o).SetSkinningRules(TacSkinningRules(v)); }),
                         kAllSkinningRules),
         ui::ObjectProperty(u"ThirdParty", [](core::Object& o) -> core::Object* { return &static_cast<M&>(o).ThirdParty(); })});
    using S = TacMenuSupport;
    ui::RegisterPropClass<S>(
        u"TacMenuSupport",
        {ui::StrProperty(
             u"IcoLineSkin", [](core::Object& o) { return static_cast<S&>(o).IcoLineSkin; },
             [](core::Object& o, core::StringView v) { static_cast<S&>(o).IcoLineSkin = core::String(v); }),
         ui::WithDefault(ui::OrdProperty(
                             u"UseExtraLine", [](core::Object& o) { return int64_t(static_cast<S&>(o).UseExtraLine); },
                             [](core::Object& o, int64_t v) { static_cast<S&>(o).UseExtraLine = v != 0; }),
                         0),
         ui::WithDefault(ui::OrdProperty(
                             u"ExtraLineWidth", [](core::Object& o) { return int64_t(static_cast<S&>(o).ExtraLineWidth); },
                             [](core::Object& o, int64_t v) { static_cast<S&>(o).ExtraLineWidth = int(v); }),
                         32),
         ui::ObjectProperty(
             u"ExtraLineFont", [](core::Object& o) -> core::Object* { return &static_cast<S&>(o).ExtraLineFont; },
             [](core::Object& o, core::Object* v) {
                 if (auto* font = dynamic_cast<TacFont*>(v))
                     static_cast<S&>(o).SetExtraLineFont(*font);
             })});
    using F = TacFont;
    ui::RegisterPropClass<F>(
        u"TFont",
        {ui::StrProperty(
             u"Name", [](core::Object& o) { return static_cast<F&>(o).Name(); },
             [](core::Object& o, core::StringView v) { static_cast<F&>(o).SetName(v); }),
         ui::OrdProperty(
             u"Height", [](core::Object& o) { return int64_t(static_cast<F&>(o).Height()); },
             [](core::Object& o, int64_t v) { static_cast<F&>(o).SetHeight(int(v)); }),
         ui::OrdProperty(
             u"Color", [](core::Object& o) { return int64_t(static_cast<F&>(o).FontColor()); },
             [](core::Object& o, int64_t v) { static_cast<F&>(o).SetColor(ui::Color(v)); }),
         ui::OrdProperty(
             u"Charset", [](core::Object& o) { return int64_t(static_cast<F&>(o).Charset()); },
             [](core::Object& o, int64_t v) { static_cast<F&>(o).SetCharset(BYTE(v)); }),
         ui::SetProperty(
             u"Style", {u"fsBold", u"fsItalic", u"fsUnderline", u"fsStrikeOut"},
             [](core::Object& o) { return int64_t(static_cast<F&>(o).Style()); },
             [](core::Object& o, int64_t v) { static_cast<F&>(o).SetStyle(ui::FontStyles(v)); })});
}

// ---- The manager's unit ----

bool AsksForVersion(const std::vector<core::String>& parameters)
{
    for (const core::String& p : parameters)
        if (core::CompareText(p, u"/acver") == 0)
            return true;
    return false;
}

ui::Bitmap* ShadowResource(bool active) { return active ? Unit().shda.get() : Unit().shdi.get(); }

void InitSkinManagerUnit()
{
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExW(&version))
        Engine().NTPlatform = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
    ManagerUnit& unit = Unit();
    if (!unit.shda)
        unit.shda = ReadShadowResource(u"acSHDA");
    if (!unit.shdi)
        unit.shdi = ReadShadowResource(u"acSHDI");
    LoadAppIcons();
    BindSetWindowTheme();
    RegisterEffectsProperties();
    RegisterSkinManagerProperties();
    if (unit.versionAsked)
        return;
    unit.versionAsked = true;
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<core::String> parameters;
    for (int i = 1; args && i < count; ++i)
        parameters.push_back(core::String(args[i], args[i] + wcslen(args[i])));
    if (args)
        LocalFree(args);
    if (AsksForVersion(parameters))
        ui::MessageBox(kVersionMessage, ui::Application::Instance().Title(), ui::mbOK);
}

void DoneSkinManagerUnit()
{
    Unit().shda.reset();
    Unit().shdi.reset();
    DoneSkinnedForms();
    ReleaseSetWindowTheme();
}

} // namespace skin
