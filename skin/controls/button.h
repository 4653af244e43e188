// Skinned push button: the class library's push button with a skin state. Unskinned (the client) it
// is a standard push button that wraps its caption by default, has no double-click style, keeps the
// default frame its window got at creation, raises OnMouseEnter/OnMouseLeave while enabled, and
// stores Down, ShowFocus, FocusMargin, DisabledKind and AnimatEvents for its skinned look.
#pragma once

#include "skin/controls/skinned.h"
#include "ui/button.h"

#include <memory>

namespace skin {

class TsButton : public ui::Button {
public:
    explicit TsButton(core::Component* owner = nullptr);
    ~TsButton() override;

    // ---- Properties ----
    TsCommonData* SkinData() { return m_common.get(); }
    bool Down() const { return m_down; }
    void SetDown(bool value);
    bool ShowFocus() const { return m_show_focus; }
    void SetShowFocus(bool value);
    int FocusMargin() const { return m_focus_margin; }
    void SetFocusMargin(int value) { m_focus_margin = value; }
    TsDisabledKind DisabledKind() const { return m_disabled_kind; }
    void SetDisabledKind(TsDisabledKind value);
    TacAnimatEvents AnimatEvents() const { return m_animat_events; }
    void SetAnimatEvents(TacAnimatEvents value) { m_animat_events = value; }
    // The button is the form's current default (set when the focus moves).
    bool IsFocused() const { return m_is_focused; }
    // Painting state: 2 pressed, 1 hot, 0 normal.
    int CurrentState();

    void Loaded() override;

protected:
    // ---- Message handling ----
    void CreateParams(ui::CreateParamsRec& params) override;
    void WndProc(ui::Message& message) override;
    void MouseEnter() override;
    void MouseLeave() override;
    // The platform's default-style change: only remembered, the window's style is left alone.
    virtual void SetButtonStyle(bool isDefault);

private:
    std::unique_ptr<TsCommonData> m_common;
    bool m_down = false;
    bool m_region_changed = true;
    int m_focus_margin = 1;
    TsDisabledKind m_disabled_kind = dkBlended;
    TacAnimatEvents m_animat_events = aeGlobalDef;
    bool m_show_focus = true;
    bool m_is_focused = false;
    bool m_mouse_clicked = false;
};

} // namespace skin
