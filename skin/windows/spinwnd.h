// The wrapper of up-down controls (also the scroll arrows of a skinned tab control): two buttons
// of the skin's section (or "BUTTON") with the skin's arrow glyphs, the half under the cursor hot
// or pressed.
#pragma once

#include "skin/windows/mainwnd.h"

namespace skin {

class TacSpinWnd : public TacMainWnd {
public:
    using TacMainWnd::TacMainWnd;
    ~TacSpinWnd() override { Unhook(); }

    int lOffset = 0;           // unpainted columns at the left of a vertical control
    bool bMousePressed = false; // the left button is down over the control
    int Btn1State = 0;         // upper or left button: 0 normal, 1 hot, 2 pressed
    int Btn2State = 0;         // lower or right button

    void acWndProc(ui::Message& message) override;
    virtual bool IsVertical() const;
    // The two buttons' rectangles in window coordinates.
    void ButtonRects(RECT& first, RECT& second) const;

private:
    void AC_WMPaint(WPARAM dc);
    void PrepareCache();
};

} // namespace skin
