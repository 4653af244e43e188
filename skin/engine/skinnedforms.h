// The skinned-form registry: the forms that carry a skin provider, in order of registration, and the
// broadcasts that reach every form of the application (plain forms first, then the registered
// ones), with their child controls. Also the freezing of registered forms' drawing around a skin
// change, and the application's file icons that skinned title bars show.
#pragma once

#include "core/win32.h"
#include "skin/engine/skinmanager.h"
#include "ui/form.h"

#include <functional>
#include <vector>

namespace skin {

// What the registry and the form animation ask of a form's skin provider. A form answers
// scGetProvider with a pointer to its provider; the window-skinning module implements it.
class FormSkinProvider {
public:
    virtual ~FormSkinProvider() = default;
    virtual SkinManager* ProviderManager() const = 0;
    // The provider paints the form's non-client area (caption, borders).
    virtual bool DrawNonClientArea() const = 0;
    // Set while the form is frozen for a skin change or animated.
    virtual void SetInAnimation(bool value) = 0;
    // The extended border window (the form's shadow and outer border), null when none.
    virtual HWND BorderWindow() const { return nullptr; }
    // Rebuilds the cut-out rectangles and applies the form's region, repainting.
    virtual void ApplyFormRegion() {}
    // The region of the form's skinned outline at (0, 0); null for none. The caller owns it.
    virtual HRGN CreateFormRegion() { return nullptr; }
    // Places and shows the extended border window at the given alpha.
    virtual void UpdateExBordersPos(bool repaint, BYTE alpha) {}
    // Offsets of the client area in the image the layered animation paints.
    virtual POINT ImageOffset() const { return {}; }
    // Repaints the form's non-client image before a layered animation.
    virtual void PaintFormCache() {}
    // The border window's region after a layered animation.
    virtual void MakeBorderRegion() {}
    // The form the provider skins, null when none.
    virtual ui::Form* ProviderForm() const { return nullptr; }
    // The form's background: the skin section's colour, or the form's own without a skin.
    virtual uint32_t FormColor() const { return MaskKeyColor; }
};

// The provider a form answers scGetProvider with, null when it has none.
FormSkinProvider* ProviderOf(ui::Form* form);

// ---- The registry ----
void RegisterSkinnedForm(ui::Form* form);
// Removes every occurrence; the last form takes the freed place, so the order is not kept.
void UnregisterSkinnedForm(ui::Form* form);
const std::vector<ui::Form*>& SkinnedForms();

// Around a skin change: freeze the drawing of the registered top-level forms whose provider uses
// manager, and thaw it (repaint: redraw them, fading them in when the manager says so). Both do
// nothing while the application is minimised.
void LockSkinnedForms(SkinManager* manager);
void UnlockSkinnedForms(SkinManager* manager, bool repaint);

// Every form owned by the application that is not skin-aware, last first, with its child tree;
// then BroadcastToSkinnedForms.
void BroadcastToAppForms(ui::Message& message);
// Every registered form with its child tree, then the visible windows of the dialog providers.
void BroadcastToSkinnedForms(ui::Message& message);

// The windows of the providers that the dialog skinning keeps (its hook fills the list); a seam
// until the dialog skinning exists: empty.
using ProviderWindowsSource = std::function<std::vector<HWND>()>;
void SetProviderWindowsSource(ProviderWindowsSource source);
std::vector<HWND> ProviderWindows();

// The program file's small and large shell icons (null when they cannot be read), loaded at
// start-up.
HICON AppSmallIcon();
HICON AppLargeIcon();
void LoadAppIcons();
// Frees the icons and empties the registry and the changed-section name.
void DoneSkinnedForms();

} // namespace skin
