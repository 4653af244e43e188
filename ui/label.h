// Static text painted by its parent: alignment, vertical layout, word wrap, auto size, transparency,
// and the accelerator of its caption, which focuses its FocusControl.
#pragma once

#include "ui/graphiccontrol.h"

namespace ui {

class WinControl;

enum TextLayout { tlTop, tlCenter, tlBottom };

class Label : public GraphicControl {
public:
    explicit Label(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TLabel"; }

    // ---- Properties ----
    ui::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(ui::Alignment alignment);
    TextLayout Layout() const { return m_layout; }
    void SetLayout(TextLayout layout);
    bool WordWrap() const { return m_word_wrap; }
    void SetWordWrap(bool value);
    bool AutoSize() const { return m_auto_size; }
    void SetAutoSize(bool value);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);
    bool ShowAccelChar() const { return m_show_accel_char; }
    void SetShowAccelChar(bool value);
    WinControl* FocusControl() const { return m_focus_control; }
    void SetFocusControl(WinControl* control) { m_focus_control = control; }

protected:
    // ---- Painting and messages ----
    void Paint(Canvas& canvas) override;
    void WndProc(Message& message) override;
    bool DialogChar(core::Char key) override;
    // Fits the bounds to the text (keeping the width with WordWrap).
    virtual void AdjustBounds();
    UINT DrawFlags() const;

private:
    ui::Alignment m_alignment = taLeftJustify;
    TextLayout m_layout = tlTop;
    bool m_word_wrap = false;
    bool m_auto_size = true;
    bool m_transparent = false;
    bool m_show_accel_char = true;
    WinControl* m_focus_control = nullptr;
    bool m_adjusting = false;
};

} // namespace ui
