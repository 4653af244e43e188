// Check box over the system BUTTON class. The control keeps the state itself: a click toggles it
// (unchecked, checked and, with AllowGrayed, grayed) and OnClick follows every change of the state,
// also one made by the program, as on the platform.
#pragma once

#include "ui/wincontrol.h"

namespace ui {

enum CheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class CheckBox : public WinControl {
public:
    explicit CheckBox(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TCheckBox"; }

    // ---- Properties ----
    bool Checked() const { return m_state == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    CheckBoxState State() const { return m_state; }
    void SetState(CheckBoxState state);
    bool AllowGrayed() const { return m_allow_grayed; }
    void SetAllowGrayed(bool value) { m_allow_grayed = value; }
    ui::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(ui::Alignment alignment);

    // ---- Operations ----
    // The next state, as a click makes it.
    void Toggle();

protected:
    // ---- Message handling ----
    void CreateParams(CreateParamsRec& params) override;
    void CreateHandle() override;
    void WndProc(Message& message) override;
    bool DialogChar(core::Char key) override;

private:
    CheckBoxState m_state = cbUnchecked;
    bool m_allow_grayed = false;
    ui::Alignment m_alignment = taRightJustify;
};

} // namespace ui
