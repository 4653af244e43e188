// Radio button over the system BUTTON class. Checking one unchecks the radio buttons that share its
// parent; OnClick follows every check, also one made by the program, as on the platform.
#pragma once

#include "ui/wincontrol.h"

namespace ui {

class RadioButton : public WinControl {
public:
    explicit RadioButton(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TRadioButton"; }

    // ---- Properties ----
    bool Checked() const { return m_checked; }
    void SetChecked(bool value);

protected:
    // ---- Message handling ----
    void CreateParams(CreateParamsRec& params) override;
    void CreateHandle() override;
    void WndProc(Message& message) override;
    bool DialogChar(core::Char key) override;

private:
    bool m_checked = false;
};

} // namespace ui
