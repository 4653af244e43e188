// Extended form bases and the thread dialog form. TExForm adds mouse-over events, hint colouring, an
// optional focus frame and keyboard-cue handling to ui::Form; TExtForm adds a form that a click does
// not activate, owner-window handling on showing, and showing without activation.
// TCustomThreadDialogForm is the progress form that a TThreadComponent's dialog makes. Windows only.
#pragma once
// core/sync.h goes before the Windows headers, whose INFINITE macro would clash with its constant.
#include "core/sync.h"
#include "core/win32.h"

#include "support/extcomponent.h"
#include "ui/color.h"
#include "ui/form.h"
#include "ui/timer.h"

#include <functional>
#include <memory>

namespace support {

class TExForm : public ui::Form {
public:
    explicit TExForm(core::Component* owner = nullptr);

    // Colour of this form's hints: clNone gives the application's hint colour, clDefault asks the
    // parent (default), anything else is used as it is.
    ui::Color HintColor() const { return FHintColor; }
    void SetHintColor(ui::Color color) { FHintColor = color; }
    ui::Color EffectiveHintColor() const;
    bool MouseOver() const { return FMouseOver; }
    bool DotNetHighlighting() const { return FDotNetHighlighting; }
    void SetDotNetHighlighting(bool value) { FDotNetHighlighting = value; }
    // A factory of the hint window to use in place of the library's own (kept for the hint layer).
    std::function<void*()> HintWindowClass;

    std::function<void(core::Object* sender)> OnMouseEnter;
    std::function<void(core::Object* sender)> OnMouseLeave;
    std::function<void(core::Object* sender)> OnParentColorChanged;

    static constexpr COLORREF kFocusedColor = 0x733800;
    static constexpr COLORREF kUnfocusedColor = 0x808080;

protected:
    void WndProc(ui::Message& message) override;
    // Draws the focus frame on the window's own device context.
    virtual void DrawFocusFrame();

private:
    ui::Color FHintColor = ui::clDefault;
    bool FMouseOver = false;
    bool FDotNetHighlighting = false;
};

class TExtForm : public TExForm {
public:
    explicit TExtForm(core::Component* owner = nullptr) : TExForm(owner) {}
    bool IsFocusable() const { return FIsFocusable; }
    void SetIsFocusable(bool value) { FIsFocusable = value; }
    // Drops pending WM_ENABLE messages, then shows modally.
    int ShowModal();
    // Shows without activating (optionally running the activation step first).
    void ShowNoActivate(bool callActivate);

protected:
    void WndProc(ui::Message& message) override;
    // Sets the owner window the form should have on showing.
    virtual void UpdateOwnerWindow();

private:
    bool FIsFocusable = true;
    bool m_showNoActivate = false;
};

class TThreadComponent;

class TCustomThreadDialogForm : public TExtForm, public TThreadDialogFormLink {
public:
    // owner must be a TThreadComponent: "TCustomThreadDialogForm.SetConnectedThread: A thread must be a
    // TThreadComponent-Component" otherwise.
    explicit TCustomThreadDialogForm(core::Component* owner);
    // Stay-on-top forms get no parent window; others the parent's.
    TCustomThreadDialogForm(core::Component* owner, ui::FormStyle style, ui::WinControl* parent);
    ~TCustomThreadDialogForm() override;

    TThreadComponent* ConnectedThread() const { return FConnectedThread; }
    core::Object* ConnectedDataObject() const { return FConnectedDataObject; }
    TCustomThreadDialogOptions* DialogOptions() const;
    int InternalTimerInterval() const { return FInternalTimerInterval; }
    void SetInternalTimerInterval(int ms);
    bool FormIsShown() const { return FFormIsShown; }
    int InternalShowDelay() const { return FInternalShowDelay; }
    // The cancel button's action.
    void DefaultCancelBtnClick(core::Object* sender);
    // One step of the internal timer (public so that tests can drive it).
    virtual void TimerStep();

    // Asked after the thread allows closing.
    ui::CloseQueryEvent OnDialogCloseQuery;

    // TThreadDialogFormLink.
    core::Component* FormComponent() override { return this; }
    void SetConnectedDataObject(core::Object* object) override { FConnectedDataObject = object; }
    void LoadShowDelay() override;
    void ShowDialogForm(bool modal) override;
    void HideDialogForm() override { Hide(); }
    bool DialogFormVisible() override { return Visible(); }
    void CloseDialogForm() override;

protected:
    void CreateParams(ui::CreateParamsRec& params) override;
    void DoShow() override;
    void DoClose(ui::CloseAction& action) override;
    void Notification(core::Component* component, core::Operation operation) override;
    virtual void ShowHook() {}
    virtual void UpdateHook() {}

private:
    void Init(core::Component* owner);

    core::Object* FConnectedDataObject = nullptr;
    TThreadComponent* FConnectedThread = nullptr;
    bool FFormIsShown = false;
    int FInternalShowDelay = 0;
    ui::Timer* FInternalTimer = nullptr;  // owned by the form
    int FInternalTimerInterval = 500;
    HWND FParentHandle = nullptr;
};

} // namespace support
