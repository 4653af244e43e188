// The tree's hint window: ordinary hints and tooltips that show a clipped cell's whole text in the
// cell's font right over the cell, faded or slid in over the captured screen.
#pragma once
#include "treeview/custom_tree_control.h"
#include "ui/bitmap.h"
#include "ui/hintwindow.h"

namespace treeview {

class TVirtualTreeHintWindow : public ui::HintWindow {
public:
    explicit TVirtualTreeHintWindow(core::Component* owner = nullptr);
    ~TVirtualTreeHintWindow() override;
    static std::unique_ptr<ui::HintWindow> Make();

    RECT CalcHintRect(int maxWidth, const core::String& hint, void* data) override;
    void ActivateHint(RECT rect, const core::String& hint) override;
    bool IsHintMsg(MSG& msg) override;
    void ReleaseHandle() override;

    const TVTHintData& HintData() const { return m_hint_data; }
    // The picture of the hint (after CalcHintRect and a paint).
    ui::Bitmap& DrawBuffer() { return m_draw_buffer; }
    // Paint steps run so far (tests watch the fade and the slide).
    int PaintSteps() const { return m_paint_steps; }

    // The unit-wide flag that stops hint animations: set at start, when a hint window goes and when
    // a tree's window goes during an animation; cleared when a hint window is made or hidden.
    static bool AnimationStopped();
    static void SetAnimationStopped(bool value);

protected:
    void CreateParams(ui::CreateParamsRec& params) override;
    void WndProc(ui::Message& message) override;
    void Paint() override;
    // Builds the picture at step 0 and puts it (or the step's blend or slide) on the window.
    virtual void InternalPaint(int step, int stepSize);

private:
    bool AnimationStep(int step, int stepSize);
    THintAnimationType Animation() const;
    void PutOnWindow(HDC source);

    TVTHintData m_hint_data;
    ui::Bitmap m_background;
    ui::Bitmap m_draw_buffer;
    ui::Bitmap m_target;
    int m_text_height = 0;
    int m_paint_steps = 0;
};

// hatSystemDefault as the system's tooltip settings make it.
THintAnimationType EffectiveAnimationType(THintAnimationType type);

} // namespace treeview
