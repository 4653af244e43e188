// Glows around hot controls: a soft halo cut from a section's glow mask ("GLOW" followed by 0),
// shown in a borderless layered tool window over the control's form that lets the mouse through.
// Every glow sits in one list whose index is its identifier, kept by the control's skin state in
// GlowID so that it can take the glow away again. A removed glow leaves its slot empty; slots are
// reused only after the list is cleared. GUI thread only.
#pragma once

#include "core/object.h"
#include "core/string.h"
#include "core/win32.h"
#include "ui/messages.h"

#include <memory>

namespace ui {
class Bitmap;
class Form;
}

namespace skin {

class SkinManager;

class TacGlowEffect : public core::Object {
public:
    TacGlowEffect();
    ~TacGlowEffect() override;
    core::String ClassName() const override { return u"TacGlowEffect"; }
    TacGlowEffect(const TacGlowEffect&) = delete;
    TacGlowEffect& operator=(const TacGlowEffect&) = delete;

    // AlphaBmp := a new transparent 32-bit picture of the size with the glow mask (when there is
    // one) nine-sliced over all of it.
    virtual void CreateAlphaBmp(int width, int height);
    // Makes and shows the window around r (screen coordinates) of which realRect (the control's
    // own coordinates) is visible; nothing when the window exists already. alpha is not used: the
    // mask's own per-pixel alpha is shown at constant alpha 255.
    void Show(const RECT& r, const RECT& realRect, int alpha, HWND wndHandle);
    int IntBorderWidth() const { return 2; }

    // ---- Fields ----
    skin::SkinManager* SkinManager = nullptr;
    int MaskIndex = -1;
    // How far the glow reaches inside the control's rectangle.
    int Margin = 0;
    // The layered window; null until Show. Freed by this glow (deferred unless the manager goes).
    ui::Form* Wnd = nullptr;
    // The picture while it is being shown.
    std::unique_ptr<ui::Bitmap> AlphaBmp;
    ui::WndMethod OldWndProc;

protected:
    // WM_NCHITTEST answers "transparent", so that the mouse reaches the windows below.
    void NewWndProc(ui::Message& message);
};

// Shows a glow of the mask prefix + "0" of skinSection (the section's own, never a parent's) around
// r1 (screen coordinates) with r2 its visible part (the control's coordinates); wndHandle is the
// host window. The identifier, or -1 without layered windows or without the mask. A null manager
// means the default manager.
int AddGlowEffect(const RECT& r1, const RECT& r2, core::StringView skinSection, core::StringView prefix, int margin,
                  int alpha, HWND wndHandle, SkinManager* manager);
// Frees the glow and empties its slot; identifiers outside the list and empty slots are ignored.
void RemoveGlowEffect(int id);
// Frees every glow and empties the list (skin changes, forms closing, engine shutdown).
void ClearGlowEffects();

// The glow of an identifier (null for an empty slot or outside the list) and the list's length.
TacGlowEffect* GlowEffectOf(int id);
int GlowEffectCount();

} // namespace skin
