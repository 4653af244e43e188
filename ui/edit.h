// Single-line edit box over the system EDIT class: text, password character, read-only, maximum
// length, selection and OnChange (raised for every change of the text, typed or set).
#pragma once

#include "ui/wincontrol.h"

namespace ui {

enum BorderStyle { bsNoBorder, bsSingleBorder };
enum EditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class Edit : public WinControl {
public:
    explicit Edit(core::Component* owner = nullptr);
    // The class name standard code compares.
    core::String ClassName() const override { return u"TEdit"; }

    // ---- Properties ----
    core::Char PasswordChar() const { return m_password_char; }
    void SetPasswordChar(core::Char ch);
    bool ReadOnly() const { return m_read_only; }
    void SetReadOnly(bool value);
    int MaxLength() const { return m_max_length; }
    void SetMaxLength(int length);
    ui::BorderStyle BorderStyle() const { return m_border_style; }
    void SetBorderStyle(ui::BorderStyle style);
    int SelStart() const;
    void SetSelStart(int start);
    int SelLength() const;
    void SetSelLength(int length);
    bool Modified() const;

    // ---- Operations ----
    void Clear() { SetText(u""); }
    void SelectAll();

    // ---- Events ----
    NotifyEvent OnChange;

protected:
    // ---- Message handling ----
    void CreateParams(CreateParamsRec& params) override;
    void CreateHandle() override;
    void WndProc(Message& message) override;
    virtual void Change();

private:
    core::Char m_password_char = 0;
    bool m_read_only = false;
    int m_max_length = 0;
    ui::BorderStyle m_border_style = bsSingleBorder;
};

} // namespace ui
