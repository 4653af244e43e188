// Skinned status bar. Unskinned (the client) it is the class library's status bar that accepts
// child controls and makes its window again when the skin of its own manager is removed.
#pragma once

#include "skin/controls/skinned.h"
#include "ui/statusbar.h"

#include <memory>

namespace skin {

class TsStatusBar : public ui::StatusBar {
public:
    explicit TsStatusBar(core::Component* owner = nullptr);
    ~TsStatusBar() override;

    TsCommonData* SkinData() { return m_common.get(); }
    void Loaded() override;

protected:
    void WndProc(ui::Message& message) override;
    // Skinned: the section item over the parent's background, the panels with their dividers
    // and texts, and the grip, when the background changed.
    void PrepareCache();

private:
    bool HandleSkinnedPaint(ui::Message& message);
    void PaintSkinned(HDC dc);
    // One panel (null: the simple text over the whole bar) in r; the last one has no divider.
    void DrawPanel(ui::StatusPanel* panel, const core::String& text, ui::Alignment alignment, const RECT& r, bool last);
    void DrawDivider(int x);
    void DrawGrip();

    std::unique_ptr<TsCommonData> m_common;
};

} // namespace skin
