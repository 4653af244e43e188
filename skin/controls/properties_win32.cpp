// The published properties of the skinned controls and of the controls' common part, registered by
// name so that code that handles controls of classes it does not know (the window wrappers) reads
// and writes them through ui/propinfo.h.
#include "skin/controls/properties.h"

#include "skin/controls/button.h"
#include "skin/controls/checkbox.h"
#include "skin/controls/combobox.h"
#include "skin/controls/edit.h"
#include "skin/controls/framebar.h"
#include "skin/controls/label.h"
#include "skin/controls/panel.h"
#include "skin/controls/scrollbox.h"
#include "skin/controls/speedbutton.h"
#include "skin/controls/splitter.h"
#include "skin/controls/statusbar.h"

namespace skin {

namespace {

using ui::PropInfo;

const std::vector<core::String> kDisabledKind{u"dkBlended", u"dkGrayed"};
const std::vector<core::String> kDisabledGlyphKind{u"dgBlended", u"dgGrayed"};
const std::vector<core::String> kAnimatEvents{u"aeMouseEnter", u"aeMouseLeave", u"aeMouseDown", u"aeMouseUp",
                                              u"aeGlobalDef"};

// Typed builders: get and set go through the class's own accessors.
template <class T, class V> PropInfo Ord(core::StringView name, V (T::*get)() const, void (T::*set)(V),
                                         ui::PropKind kind = ui::pkOrdinal)
{
    return ui::OrdProperty(
        name, [get](core::Object& o) { return int64_t((static_cast<T&>(o).*get)()); },
        set ? std::function<void(core::Object&, int64_t)>(
                  [set](core::Object& o, int64_t v) { (static_cast<T&>(o).*set)(V(v)); })
            : nullptr,
        kind);
}

template <class T, class V> PropInfo Set(core::StringView name, const std::vector<core::String>& elements,
                                         V (T::*get)() const, void (T::*set)(V))
{
    return ui::SetProperty(
        name, elements, [get](core::Object& o) { return int64_t((static_cast<T&>(o).*get)()); },
        [set](core::Object& o, int64_t v) { (static_cast<T&>(o).*set)(V(v)); });
}

// A read-only object property (the object is the control's own and is changed in place).
template <class T, class G> PropInfo Obj(core::StringView name, G get)
{
    return ui::ObjectProperty(name, [get](core::Object& o) -> core::Object* { return get(static_cast<T&>(o)); });
}

template <class T, class L> PropInfo ListProp(core::StringView name, ui::ImageList* (T::*get)() const,
                                              void (T::*set)(L*))
{
    return ui::ObjectProperty(
        name, [get](core::Object& o) -> core::Object* { return (static_cast<T&>(o).*get)(); },
        [set](core::Object& o, core::Object* v) { (static_cast<T&>(o).*set)(dynamic_cast<L*>(v)); });
}

template <class T> PropInfo SkinDataProp()
{
    return Obj<T>(u"SkinData", [](T& t) -> core::Object* { return t.SkinData(); });
}

} // namespace

void RegisterSkinProperties()
{
    // The base of every control: what the wrappers read on any control.
    ui::RegisterPropClass<ui::Control>(u"TControl", {
        Ord<ui::Control, ui::Color>(u"Color", &ui::Control::GetColor, &ui::Control::SetColor, ui::pkColor),
        Ord<ui::Control, bool>(u"ParentColor", &ui::Control::ParentColor, &ui::Control::SetParentColor),
        Ord<ui::Control, bool>(u"Enabled", &ui::Control::Enabled, &ui::Control::SetEnabled),
        Ord<ui::Control, bool>(u"Visible", &ui::Control::Visible, &ui::Control::SetVisible),
    });
    ui::RegisterPropClass<TsCommonData>(u"TsCommonData", {
        Ord<TsCommonData, bool>(u"CustomColor", &TsCommonData::CustomColor, &TsCommonData::SetCustomColor),
        Ord<TsCommonData, bool>(u"CustomFont", &TsCommonData::CustomFont, &TsCommonData::SetCustomFont),
    });

    ui::RegisterPropClass<TsButton, ui::Control>(u"TsButton", {
        SkinDataProp<TsButton>(),
        Ord<TsButton, bool>(u"Down", &TsButton::Down, &TsButton::SetDown),
        Ord<TsButton, bool>(u"ShowFocus", &TsButton::ShowFocus, &TsButton::SetShowFocus),
        Ord<TsButton, int>(u"FocusMargin", &TsButton::FocusMargin, &TsButton::SetFocusMargin),
        Set<TsButton, TsDisabledKind>(u"DisabledKind", kDisabledKind, &TsButton::DisabledKind, &TsButton::SetDisabledKind),
        Set<TsButton, TacAnimatEvents>(u"AnimatEvents", kAnimatEvents, &TsButton::AnimatEvents, &TsButton::SetAnimatEvents),
    });
    ui::RegisterPropClass<TsEdit, ui::Control>(u"TsEdit", {
        SkinDataProp<TsEdit>(),
        Set<TsEdit, TsDisabledKind>(u"DisabledKind", kDisabledKind, &TsEdit::DisabledKind, &TsEdit::SetDisabledKind),
    });
    ui::RegisterPropClass<TsCustomComboBox, ui::Control>(u"TsCustomComboBox", {
        SkinDataProp<TsCustomComboBox>(),
        Ord<TsCustomComboBox, bool>(u"ReadOnly", &TsCustomComboBox::ReadOnly, &TsCustomComboBox::SetReadOnly),
    });
    ui::RegisterPropClass<TsComboBox, TsCustomComboBox>(u"TsComboBox", {});
    ui::RegisterPropClass<TsCheckBox, ui::Control>(u"TsCheckBox", {
        SkinDataProp<TsCheckBox>(),
        Ord<TsCheckBox, bool>(u"ReadOnly", &TsCheckBox::ReadOnly, &TsCheckBox::SetReadOnly),
        Ord<TsCheckBox, bool>(u"AutoSize", &TsCheckBox::AutoSize, &TsCheckBox::SetAutoSize),
        Ord<TsCheckBox, bool>(u"WordWrap", &TsCheckBox::WordWrap, &TsCheckBox::SetWordWrap),
        Ord<TsCheckBox, int>(u"Margin", &TsCheckBox::Margin, &TsCheckBox::SetMargin),
        Ord<TsCheckBox, int>(u"TextIndent", &TsCheckBox::TextIndent, &TsCheckBox::SetTextIndent),
        Ord<TsCheckBox, bool>(u"ShowFocus", &TsCheckBox::ShowFocus, &TsCheckBox::SetShowFocus),
        Set<TsCheckBox, TsDisabledKind>(u"DisabledKind", kDisabledKind, &TsCheckBox::DisabledKind, &TsCheckBox::SetDisabledKind),
        Set<TsCheckBox, TacAnimatEvents>(u"AnimatEvents", kAnimatEvents, &TsCheckBox::AnimatEvents, &TsCheckBox::SetAnimatEvents),
        Obj<TsCheckBox>(u"GlyphChecked", [](TsCheckBox& t) -> core::Object* { return &t.GlyphChecked(); }),
        Obj<TsCheckBox>(u"GlyphUnChecked", [](TsCheckBox& t) -> core::Object* { return &t.GlyphUnChecked(); }),
        ListProp<TsCheckBox, ui::ImageList>(u"Images", &TsCheckBox::Images, &TsCheckBox::SetImages),
        Ord<TsCheckBox, int>(u"ImgChecked", &TsCheckBox::ImgChecked, &TsCheckBox::SetImgChecked),
        Ord<TsCheckBox, int>(u"ImgUnchecked", &TsCheckBox::ImgUnchecked, &TsCheckBox::SetImgUnchecked),
    });
    ui::RegisterPropClass<TsRadioButton, ui::Control>(u"TsRadioButton", {
        SkinDataProp<TsRadioButton>(),
        Ord<TsRadioButton, bool>(u"ReadOnly", &TsRadioButton::ReadOnly, &TsRadioButton::SetReadOnly),
        Ord<TsRadioButton, bool>(u"AutoSize", &TsRadioButton::AutoSize, &TsRadioButton::SetAutoSize),
        Ord<TsRadioButton, bool>(u"WordWrap", &TsRadioButton::WordWrap, &TsRadioButton::SetWordWrap),
        Ord<TsRadioButton, int>(u"Margin", &TsRadioButton::Margin, &TsRadioButton::SetMargin),
        Ord<TsRadioButton, bool>(u"ShowFocus", &TsRadioButton::ShowFocus, &TsRadioButton::SetShowFocus),
        Obj<TsRadioButton>(u"GlyphChecked", [](TsRadioButton& t) -> core::Object* { return &t.GlyphChecked(); }),
        Obj<TsRadioButton>(u"GlyphUnChecked", [](TsRadioButton& t) -> core::Object* { return &t.GlyphUnChecked(); }),
    });
    ui::RegisterPropClass<TsSpeedButton, ui::Control>(u"TsSpeedButton", {
        SkinDataProp<TsSpeedButton>(),
        Ord<TsSpeedButton, int>(u"Blend", &TsSpeedButton::Blend, &TsSpeedButton::SetBlend),
        Ord<TsSpeedButton, bool>(u"Grayed", &TsSpeedButton::Grayed, &TsSpeedButton::SetGrayed),
        Ord<TsSpeedButton, int>(u"ImageIndex", &TsSpeedButton::ImageIndex, &TsSpeedButton::SetImageIndex),
        ListProp<TsSpeedButton, ui::ImageList>(u"Images", &TsSpeedButton::Images, &TsSpeedButton::SetImages),
        Obj<TsSpeedButton>(u"Glyph", [](TsSpeedButton& t) -> core::Object* { return &t.Glyph(); }),
        Ord<TsSpeedButton, int>(u"NumGlyphs", &TsSpeedButton::NumGlyphs, &TsSpeedButton::SetNumGlyphs),
        Ord<TsSpeedButton, bool>(u"Reflected", &TsSpeedButton::Reflected, &TsSpeedButton::SetReflected),
        Ord<TsSpeedButton, bool>(u"ShowCaption", &TsSpeedButton::ShowCaption, &TsSpeedButton::SetShowCaption),
        Ord<TsSpeedButton, bool>(u"DrawOverBorder", &TsSpeedButton::DrawOverBorder, &TsSpeedButton::SetDrawOverBorder),
        Ord<TsSpeedButton, int>(u"TextOffset", &TsSpeedButton::TextOffset, &TsSpeedButton::SetTextOffset),
        Ord<TsSpeedButton, int>(u"Margin", &TsSpeedButton::Margin, &TsSpeedButton::SetMargin),
        Ord<TsSpeedButton, int>(u"Spacing", &TsSpeedButton::Spacing, &TsSpeedButton::SetSpacing),
        Ord<TsSpeedButton, TToolButtonStyle>(u"ButtonStyle", &TsSpeedButton::ButtonStyle, &TsSpeedButton::SetButtonStyle),
        Set<TsSpeedButton, TsDisabledKind>(u"DisabledKind", kDisabledKind, &TsSpeedButton::DisabledKind, &TsSpeedButton::SetDisabledKind),
        Set<TsSpeedButton, TsDisabledGlyphKind>(u"DisabledGlyphKind", kDisabledGlyphKind, &TsSpeedButton::DisabledGlyphKind,
                                                &TsSpeedButton::SetDisabledGlyphKind),
        Set<TsSpeedButton, TacAnimatEvents>(u"AnimatEvents", kAnimatEvents, &TsSpeedButton::AnimatEvents, &TsSpeedButton::SetAnimatEvents),
    });
    ui::RegisterPropClass<TsTitleButton, TsSpeedButton>(u"TsTitleButton", {});
    ui::RegisterPropClass<TsSplitter, ui::Control>(u"TsSplitter", {
        SkinDataProp<TsSplitter>(),
        Obj<TsSplitter>(u"Glyph", [](TsSplitter& t) -> core::Object* { return &t.Glyph(); }),
        Ord<TsSplitter, TResizeStyle>(u"ResizeStyle", &TsSplitter::ResizeStyle, &TsSplitter::SetResizeStyle),
    });
    ui::RegisterPropClass<TsScrollBox, ui::Control>(u"TsScrollBox", {
        SkinDataProp<TsScrollBox>(),
        Ord<TsScrollBox, bool>(u"AutoMouseWheel", &TsScrollBox::AutoMouseWheel, &TsScrollBox::SetAutoMouseWheel),
    });
    ui::RegisterPropClass<TsFrameBar, TsScrollBox>(u"TsFrameBar", {
        ListProp<TsFrameBar, ui::ImageList>(u"Images", &TsFrameBar::Images, &TsFrameBar::SetImages),
        Ord<TsFrameBar, int>(u"TitleHeight", &TsFrameBar::TitleHeight, &TsFrameBar::SetTitleHeight),
        Ord<TsFrameBar, bool>(u"Animation", &TsFrameBar::Animation, &TsFrameBar::SetAnimation),
        Ord<TsFrameBar, int>(u"Spacing", &TsFrameBar::Spacing, &TsFrameBar::SetSpacing),
        Ord<TsFrameBar, bool>(u"AllowAllClose", &TsFrameBar::AllowAllClose, &TsFrameBar::SetAllowAllClose),
        Ord<TsFrameBar, bool>(u"AllowAllOpen", &TsFrameBar::AllowAllOpen, &TsFrameBar::SetAllowAllOpen),
        Ord<TsFrameBar, bool>(u"AutoFrameSize", &TsFrameBar::AutoFrameSize, &TsFrameBar::SetAutoFrameSize),
        Ord<TsFrameBar, int>(u"BorderWidth", &TsFrameBar::BarBorderWidth, &TsFrameBar::SetBarBorderWidth),
    });
    ui::RegisterPropClass<TsPanel, ui::Control>(u"TsPanel", {SkinDataProp<TsPanel>()});
    ui::RegisterPropClass<TsGroupBox, ui::Control>(u"TsGroupBox", {SkinDataProp<TsGroupBox>()});
    ui::RegisterPropClass<TsStatusBar, ui::Control>(u"TsStatusBar", {SkinDataProp<TsStatusBar>()});
}

} // namespace skin
