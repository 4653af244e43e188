// Skinned push button: the class library's push button with a skin state. Unskinned (the client) it
// is a standard push button that wraps its caption by default, has no double-click style, keeps the
// default frame its window got at creation, raises OnMouseEnter/OnMouseLeave while enabled, and
// stores Down, ShowFocus, FocusMargin, DisabledKind and AnimatEvents for its skinned look.
#pragma once

#include "skin/controls/skinned.h"
#include "skin/engine/fade.h"
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
    // The running hover or press fade; null when none.
    TsFadeTimer* FadeTimer() const { return m_fade_timer; }
    // Skinned: the cache bitmap painted for the current state (section background, border mask with
    // the window region cut to it, caption, focus frame, disabled look).
    void PrepareCache();

    void Loaded() override;

protected:
    // ---- Message handling ----
    void CreateParams(ui::CreateParamsRec& params) override;
    void WndProc(ui::Message& message) override;
    void MouseEnter() override;
    void MouseLeave() override;
    // The platform's default-style change: only remembered, the window's style is left alone.
    virtual void SetButtonStyle(bool isDefault);
    virtual RECT CaptionRect(int state);
    virtual void DrawCaption(int state);


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

    // ---- Skinned road ----
    void SkinnedWndProc(ui::Message& message);
    // The cache onto dc (the window's own paint when null), with the region applied when it changed.
    void PaintSkinned(HDC dc);
    void ApplyRegion(HDC dc, int state);
    // A region not yet given to the window; the window owns the one it was given.
    void FreeRegion();
    // Base handling with the window's redrawing off, so that the native face never shows.
    void BaseWithoutRedraw(ui::Message& message);
    TsFadeTimer* m_fade_timer = nullptr;
    HRGN m_region = nullptr;
    bool m_had_region = false;
    bool m_in_focus_change = false;
    RECT m_last_rect{};
};

} // namespace skin
