// Pieces that the wrappers of simple windows (buttons, boxes, panels, statics, spins) share: the
// window's own font given to a canvas, the faded face of a disabled window, the mouse-move rule of
// the manager's active control, the DC a message came with or the window's own, and the
// registration of these wrapper classes by name.
#pragma once

#include "core/win32.h"
#include "skin/engine/commondata.h"

namespace ui {
class Font;
}

namespace skin {

// The window's WM_GETFONT font described into font; false (font unchanged) when it has none.
bool AssignWindowFont(HWND handle, ui::Font& font);
// Fades the cache of a disabled window: 0.6 parent + 0.4 face where the parent's bitmap is ready,
// otherwise every non-key pixel moved toward the parent's fill colour.
void FadeDisabledCache(ui::Bitmap* cache, const TCacheInfo& parentBg, POINT wndPos);
// The skin data's cache sized to w x h; null when there is none or the size is empty.
ui::Bitmap* SizedCache(TsCommonData* data, int w, int h);
// Recomputes the skin data's updating flag and answers it: a paint is skipped while it is set.
bool RefreshUpdating(TsCommonData* data);
// Answers WM_ERASEBKGND (erased) and swallows WM_NCPAINT of a wrapper that paints everything
// itself; false for other messages.
bool AbsorbEraseAndFrame(ui::Message& message);

// The cursor lies inside the window rectangle.
bool CursorInside(HWND handle);
// After WM_MOUSEMOVE: the window becomes the default manager's active control while the cursor is
// inside it and stops being it outside. Answers whether it is (and was) the active control.
bool TrackActiveControl(HWND handle);
// Makes the window the default manager's active control unless it already is.
void MakeActiveControl(HWND handle);

// The DC that came with a message, or the window's own obtained (and released) here.
class MessageDC {
public:
    MessageDC(HWND handle, WPARAM given);
    ~MessageDC();
    MessageDC(const MessageDC&) = delete;
    MessageDC& operator=(const MessageDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_wnd;
    HDC m_dc;
    bool m_obtained;
};

// The DC a WM_PAINT came with (a print into it), else the window's own between BeginPaint and
// EndPaint.
class MessagePaintDC {
public:
    MessagePaintDC(HWND handle, WPARAM given)
        : m_wnd(handle), m_dc(reinterpret_cast<HDC>(given)), m_begun(given == 0)
    {
        if (m_begun)
            m_dc = BeginPaint(handle, &m_ps);
    }
    ~MessagePaintDC()
    {
        if (m_begun)
            EndPaint(m_wnd, &m_ps);
    }
    MessagePaintDC(const MessagePaintDC&) = delete;
    MessagePaintDC& operator=(const MessagePaintDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_wnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
    bool m_begun;
};

// BeginPaint at construction, EndPaint at the end of the scope.
class PaintScope {
public:
    explicit PaintScope(HWND handle) : m_wnd(handle) { BeginPaint(handle, &m_ps); }
    ~PaintScope() { EndPaint(m_wnd, &m_ps); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

private:
    HWND m_wnd;
    PAINTSTRUCT m_ps{};
};

// Registers the wrappers of simple windows by class name, for the control adapter and the dialog
// skinning.
void RegisterSimpleWrapperClasses();

} // namespace skin
