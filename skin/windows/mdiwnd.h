// The client window of a skinned MDI frame: its background and 2-pixel frame come from the frame
// provider's form image at the client's place, its scroll bars are the skinned bars, and the
// commands that rearrange the children make the provider rebuild its image and menu line.
#pragma once

#include "skin/windows/editwnd.h"

namespace ui {
class Form;
}

namespace skin {

class TsSkinProvider;

class TacMDIWnd : public TacBaseWnd {
public:
    using TacBaseWnd::TacBaseWnd;
    ~TacMDIWnd() override;

    ui::Form* FForm = nullptr;
    TsCommonData* MDISkinData = nullptr; // the provider's; its cache is the form image
    TsSkinProvider* SkinProvider = nullptr;

    void acWndProc(ui::Message& message) override;
    // Repaints the frame's background under its splitters while a maximised child covers the client.
    void UpdateGraphControls();

private:
    bool MDISkinned() const;
    bool ActiveChildMaximized() const;
    void AfterTiling();
};

// The active child of an MDI client window is maximised.
bool ActiveMDIChildMaximized(HWND client);
// The client window's rectangle at (0, 0).
void MDIClientRect(TsSkinProvider* provider, RECT& r);
// The client window's rectangle in the coordinates of the form image.
void MDIClientOffsetRect(TsSkinProvider* provider, RECT& r);
// The client's background from the form image (2 pixels further in with a client edge unless noEdge).
void PaintMDIArea(TsSkinProvider* provider, HDC dc, bool noEdge);
// The client's 2-pixel frame from the form image, or in the form colour without a textured skin.
void PaintMDIFrame(TsSkinProvider* provider, HDC dc);

} // namespace skin
