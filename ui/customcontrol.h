// A windowed control of the library's own window class that paints itself on a canvas.
#pragma once

#include "ui/canvas.h"
#include "ui/wincontrol.h"

namespace ui {

class CustomControl : public WinControl {
public:
    explicit CustomControl(core::Component* owner = nullptr) : WinControl(owner) {}

    // ---- Properties ----
    // The canvas of the paint in progress (valid inside Paint only).
    ui::Canvas& Canvas() { return m_canvas; }

protected:
    // ---- Painting ----
    void PaintWindow(HDC dc) override;
    // Draws the control; the canvas has the control's font and colour.
    virtual void Paint() {}

private:
    ui::Canvas m_canvas;
};

} // namespace ui
