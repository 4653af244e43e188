// Push button: Default (Enter) and Cancel (Esc) buttons of its form, a modal result that closes a
// modal form, and the '&' accelerator of its caption (Alt+letter presses it while it is visible and
// enabled, wherever it lies on the form).
#pragma once

#include "ui/wincontrol.h"

namespace ui {

class Button : public WinControl {
public:
    explicit Button(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TButton"; }
    ~Button() override;

    // ---- Properties ----
    bool Default() const { return m_default; }
    void SetDefault(bool value);
    bool Cancel() const { return m_cancel; }
    void SetCancel(bool value);
    int ModalResult() const { return m_modal_result; }
    void SetModalResult(int result) { m_modal_result = result; }
    bool WordWrap() const { return m_word_wrap; }
    void SetWordWrap(bool value);

    void SetParent(WinControl* parent) override;

    // ---- Operations ----
    // Sets the form's modal result (when the button has one), then raises OnClick.
    void Click() override;

protected:
    // ---- Message handling ----
    void CreateParams(CreateParamsRec& params) override;
    void WndProc(Message& message) override;
    bool DialogChar(core::Char key) override;

private:
    void RegisterWithForm();

    bool m_default = false;
    bool m_cancel = false;
    int m_modal_result = 0;
    bool m_word_wrap = false;
};

} // namespace ui
