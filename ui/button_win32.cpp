// Push buttons over the system BUTTON class.
#include "ui/button.h"

#include "ui/form.h"
#include "ui/shortcut.h"

namespace ui {

Button::Button(core::Component* owner) : WinControl(owner)
{
    // Clicks come from the window's BN_CLICKED, not from the mouse handling of the base.
    SetControlStyle(ControlStyle() & ~(csClickEvents | csDoubleClicks | csAcceptsControls));
    SetTabStop(true);
    SetColor(clBtnFace);
    SetBounds(0, 0, 75, 25);
}

Button::~Button()
{
    if (Form* form = ParentForm()) {
        form->SetDefaultButton(this, false);
        form->SetCancelButton(this, false);
    }
}

void Button::SetDefault(bool value)
{
    m_default = value;
    if (Form* form = ParentForm())
        form->SetDefaultButton(this, value);
    if (HandleAllocated()) {
        LONG_PTR style = GetWindowLongPtrW(HandleIfAllocated(), GWL_STYLE);
        SendMessageW(HandleIfAllocated(), BM_SETSTYLE, (style & ~LONG_PTR(0xF)) | (value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), TRUE);
    }
}

void Button::SetCancel(bool value)
{
    m_cancel = value;
    if (Form* form = ParentForm())
        form->SetCancelButton(this, value);
}

void Button::SetWordWrap(bool value)
{
    if (value == m_word_wrap)
        return;
    m_word_wrap = value;
    RecreateWnd();
}

void Button::Click()
{
    if (Form* form = ParentForm(); form && m_modal_result != 0)
        form->SetModalResult(m_modal_result);
    WinControl::Click();
}

void Button::CreateParams(CreateParamsRec& params)
{
    WinControl::CreateParams(params);
    params.ClassName = L"BUTTON";
    params.Style |= (m_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (m_word_wrap ? BS_MULTILINE : 0);
}

bool Button::DialogChar(core::Char key)
{
    if (IsAccel(key, Caption()) && CanFocus()) {
        Click();
        return true;
    }
    return false;
}

void Button::WndProc(Message& message)
{
    switch (message.Msg) {
    case CN_COMMAND:
        if (HIWORD(message.WParam) == BN_CLICKED) {
            Click();
            return;
        }
        break;
    case CM_PARENTFONTCHANGED:
    case CM_TEXTCHANGED:
        break;
    default:
        break;
    }
    WinControl::WndProc(message);
    // A button inside a container that reached its form later registers when its window is made.
    if (message.Msg == WM_CREATE)
        RegisterWithForm();
}

void Button::SetParent(WinControl* parent)
{
    WinControl::SetParent(parent);
    RegisterWithForm();
}

// Default and Cancel are kept by the form, which is only known once the button is placed.
void Button::RegisterWithForm()
{
    if (Form* form = ParentForm()) {
        if (m_default)
            form->SetDefaultButton(this, true);
        if (m_cancel)
            form->SetCancelButton(this, true);
    }
}

} // namespace ui
