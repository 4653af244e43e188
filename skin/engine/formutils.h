// Window and form routines the skinned objects share: the background colour a window answers,
// painting the graphic children of a container over the right background, painting a control tree
// into a bitmap, the animated appearance of a form (a cross-fade over a cover window, or an alpha
// fade of a layered copy where the form has an extended border window), small queries on controls
// and windows, and the theme function SetWindowTheme bound by name at start-up.
#pragma once

#include "core/win32.h"
#include "ui/bitmap.h"
#include "ui/customcontrol.h"
#include "ui/form.h"

#include <cstdint>
#include <functional>

namespace skin {

class FormSkinProvider;

// ---- Colours and painting ----
// The colour a window answers to scGetBgColor through ColorToRGB (0 when it does not answer);
// $FF00FF for no window.
uint32_t WndBgColor(HWND wnd);
// Paints the visible graphic children of control into dc, moved by offset, each over the background
// its parent gives it; only marks the control half visible when dc's clip box is empty.
void PaintGraphicChildren(HDC dc, ui::WinControl* control, POINT offset);
// Paints control and its windowed descendants into bmp at (x, y). With a provider that has an
// extended border window, the client area's alpha bytes are made opaque.
void PaintControlToBitmap(ui::Bitmap& bmp, ui::Control* control, int x, FormSkinProvider* provider, int y);

// ---- Form animation ----
// The appearance of a form in time / 8 steps of 8 ms: an alpha fade of a layered copy when its
// provider has an extended border window and layered windows exist, else a cross-fade from the
// screen under the form on a cover window. Returns with the form drawing again and the animation
// flag cleared, also when it stops early.
void FadeInForm(ui::Form* form, uint16_t time);

// What a fade does between frames, replaceable for tests: the wait (Sleep by default) and an
// observer of every frame shown (the cross-fade's level of the old image, or the layered alpha).
struct FadeHooks {
    std::function<void(unsigned ms)> Wait;
    std::function<void(int level)> Frame;
};
void SetFadeHooks(FadeHooks hooks);

// The borderless window that shows the images of a form animation: a popup above everything
// when it has no parent, owned by the application window; it never erases nor paints a frame.
class TOutputWindow : public ui::CustomControl {
public:
    explicit TOutputWindow(core::Component* owner);
    core::String ClassName() const override { return u"TOutputWindow"; }

protected:
    void CreateParams(ui::CreateParamsRec& params) override;
    void WndProc(ui::Message& message) override;
};

// ---- Queries ----
// DT_LEFT, DT_RIGHT or DT_CENTER with DT_EXPANDTABS and DT_VCENTER.
UINT DrawTextFlagsOf(ui::Control* control, ui::Alignment alignment);
// Heights (top, bottom) or widths (left, right) of the visible children aligned so; graphic
// children only when withGraphic; 0 for other alignments.
int SumAlignedControlSizes(ui::WinControl* control, ui::Align align, bool withGraphic);
// The client rectangle of wnd with the window's top-left corner as origin.
void ClientRectInWindow(HWND wnd, RECT& r);
// The topmost ancestor of wnd (wnd itself when it has no parent).
HWND RootWindowOf(HWND wnd);
// Hands the message to the design-time handler of the form's provider (which does nothing here).
void SendToFormProvider(ui::Form* form, ui::Message& message);

// ---- Themes ----
void BindSetWindowTheme();
void ReleaseSetWindowTheme();
// SetWindowTheme of uxtheme.dll when it was found, else E_NOTIMPL.
HRESULT SetWindowThemeOf(HWND wnd, const wchar_t* subAppName, const wchar_t* subIdList);
bool SetWindowThemeAvailable();

// ---- Desktop composition ----
// The entry points of DWMAPI.DLL, bound once when first asked (null when missing). Tests install a
// table of their own to see composition on and off and the attributes set.
struct DwmApi {
    HRESULT(WINAPI* IsCompositionEnabled)(BOOL* enabled) = nullptr;
    HRESULT(WINAPI* SetWindowAttribute)(HWND wnd, DWORD attribute, LPCVOID value, DWORD size) = nullptr;
};
// The table in use: the one installed, else the library's.
const DwmApi& DwmTable();
// Installs a table (null goes back to the library's).
void SetDwmTable(const DwmApi* table);
// True only when the system reports composition on; false without the library.
bool DwmCompositionActive();
// DwmSetWindowAttribute, E_NOTIMPL when the library or its entry point is missing.
HRESULT SetDwmWindowAttribute(HWND wnd, DWORD attribute, LPCVOID value, DWORD size);
// While composition is active, switches the window's show and hide transitions off (or on again).
void SetDwmTransitions(HWND wnd, bool disabled);

} // namespace skin
