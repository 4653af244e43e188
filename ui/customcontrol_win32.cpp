// Custom controls: the paint handler hands the device context to the canvas for the duration of Paint.
#include "ui/customcontrol.h"

namespace ui {

void CustomControl::PaintWindow(HDC dc)
{
    m_canvas.SetHandle(dc);
    m_canvas.Font().Assign(Font());
    m_canvas.SetBrushColor(GetColor());
    try {
        Paint();
    } catch (...) {
        m_canvas.SetHandle(nullptr);
        throw;
    }
    m_canvas.SetHandle(nullptr);
}

} // namespace ui
