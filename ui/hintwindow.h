// Hints: the protocol between the application and a control about to show a hint, and the hint
// window base. The application asks the control with CM_HINTSHOWPAUSE how long to wait and with
// CM_HINTSHOW whether, where and in which window class the hint appears; the window computes its
// size (CalcHintRect), shows itself (ActivateHint) and tells the loop which messages hide it
// (IsHintMsg).
#pragma once

#include "ui/customcontrol.h"
#include "ui/messages.h"

#include <memory>

namespace ui {

// LParam: HintInfo*; Result 0 shows the hint, anything else shows none.
constexpr UINT CM_HINTSHOW = CM_BASE + 0x30;
// WParam: non-zero while a hint is shown; LParam: unsigned* holding the pause in milliseconds the
// application is about to wait, which the control may change.
constexpr UINT CM_HINTSHOWPAUSE = CM_BASE + 0x54;

class HintWindow;
// A hint window class: makes a window of the class. Two hints of one class share a window.
using HintWindowClass = std::unique_ptr<HintWindow> (*)();

// What the application hands the control with CM_HINTSHOW.
struct HintInfo {
    Control* HintControl = nullptr;
    HintWindowClass HintWindowClass = nullptr;
    POINT HintPos{};        // screen coordinates of the window's top-left corner
    int HintMaxWidth = 0;
    RECT CursorRect{};      // client coordinates: the hint goes when the cursor leaves this
    POINT CursorPos{};      // client coordinates
    core::String HintStr;
    void* HintData = nullptr;
};

class HintWindow : public CustomControl {
public:
    explicit HintWindow(core::Component* owner = nullptr);
    ~HintWindow() override;

    // The plain hint window class.
    static std::unique_ptr<HintWindow> Make();

    // The window's rectangle for a hint, with its top-left corner at (0, 0); empty for no hint.
    virtual RECT CalcHintRect(int maxWidth, const core::String& hint, void* data);
    // Shows the hint at rect (screen coordinates), top-most and without taking the activation.
    virtual void ActivateHint(RECT rect, const core::String& hint);
    // Whether msg (about to be dispatched by the loop) hides the hint.
    virtual bool IsHintMsg(MSG& msg);
    // Hides the window.
    virtual void ReleaseHandle();
    // Whether the hint is on the screen.
    bool Shown() const;
    const core::String& HintText() const { return m_hint_text; }

    // The system's font for tooltips and status text.
    static void AssignHintFont(ui::Font& font);

protected:
    void CreateParams(CreateParamsRec& params) override;
    void WndProc(Message& message) override;
    // The plain short hint: info colours, a frame and the text two pixels in.
    void Paint() override;

private:
    core::String m_hint_text;
};

} // namespace ui
