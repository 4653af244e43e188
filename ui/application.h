// The application object: title, main form, the message loop, minimising and restoring, ending the
// program, the hint switch and the place every exception from a window procedure or timer ends up.
#pragma once

#include "core/component.h"
#include "core/string.h"
#include "core/win32.h"
#include "ui/control.h"
#include "ui/messagebox.h" // before MessageBox is declared below: it undoes the system macro

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace ui {

class Form;
class HintWindow;
class Timer;
using HintWindowClass = std::unique_ptr<HintWindow> (*)();

using ExceptionEvent = std::function<void(core::Object* sender, const std::exception& error)>;

class Application : public core::Component {
public:
    // The one application object of the process, made on first use.
    static Application& Instance();

    // ---- Properties ----
    const core::String& Title() const { return m_title; }
    void SetTitle(core::StringView title);
    Form* MainForm() const { return m_main_form; }
    void SetMainForm(Form* form) { m_main_form = form; }
    // Hidden window of the application: wakes from other threads and releases of forms go here.
    HWND Handle();
    bool Terminated() const { return m_terminated; }
    bool ShowMainForm() const { return m_show_main_form; }
    void SetShowMainForm(bool value) { m_show_main_form = value; }
    // The hint switch: while off, no control's hint is shown (and a shown one goes away).
    bool ShowHint() const { return m_show_hint; }
    void SetShowHint(bool value);
    // Milliseconds the mouse rests on a control before its hint shows, and how long it stays.
    unsigned HintPause() const { return m_hint_pause; }
    void SetHintPause(unsigned ms) { m_hint_pause = ms; }
    unsigned HintHidePause() const { return m_hint_hide_pause; }
    void SetHintHidePause(unsigned ms) { m_hint_hide_pause = ms; }
    // The control whose hint is shown now, or null.
    Control* HintControl() const { return m_hint_shown ? m_hint_control : nullptr; }
    core::String HintText() const { return m_hint_shown ? m_hint_text : core::String(); }
    void CancelHint();
    // The window of the hint shown now (or last), null before the first hint.
    HintWindow* ActiveHintWindow() const { return m_hint_window.get(); }
    bool IsMinimized() const { return m_minimized; }

    // ---- Forms ----
    // Makes a form owned by the application; the first one becomes the main form. The form's
    // OnCreate runs once it is fully constructed.
    template <class T, class... Args>
    T* CreateForm(Args&&... args)
    {
        T* form = new T(this, std::forward<Args>(args)...);
        if (!m_main_form)
            m_main_form = form;
        FormCreated(form);
        return form;
    }

    // ---- The message loop ----
    // Shows the main form and handles messages until the application is terminated.
    void Run();
    // Handles every waiting message and returns.
    void ProcessMessages();
    // Handles one message, or waits for one when none is waiting.
    void HandleMessage();
    // Ends the loop once the messages already queued have been handled.
    void Terminate();
    // Lets a loop run again after the application was terminated (a second loop in one process).
    void ClearTerminated() { m_terminated = false; }
    // Ends the process with an exit code at once. With a halt hook installed (tests) the hook runs
    // instead and Halt returns.
    void Halt(int exitCode);
    void SetHaltHook(std::function<void(int)> hook) { m_halt_hook = std::move(hook); }

    // ---- Minimising ----
    void Minimize();
    void Restore();
    // Brings the main form to the front.
    void BringToFront();

    // ---- Errors ----
    // Every exception caught at a window procedure or a timer ends up here (EAbort never does).
    void HandleException(const std::exception& error);
    // Shows the error in a message box with the application title.
    void ShowException(const std::exception& error);
    // A message box through the installed service, owned by the active form.
    int MessageBox(core::StringView text, core::StringView caption, unsigned flags);

    // ---- Threads ----
    // Runs the calls other threads queued for the main thread (core::Thread's Synchronize and
    // Queue); nothing on any other thread.
    void CheckSynchronize();
    // Safe from any thread: makes the loop wake and run CheckSynchronize. core::Thread calls it
    // whenever a call is queued for the main thread.
    void WakeMainThread();

    // Popup menus are tracked with the application window as owner; their owner-draw and command
    // messages go to this handler while one is up.
    using PopupHandler = std::function<LRESULT(UINT msg, WPARAM wparam, LPARAM lparam)>;
    void SetPopupHandler(PopupHandler handler) { m_popup_handler = std::move(handler); }

    // ---- Hooks of the application window ----
    // Each hook sees every message of the application window before the window's own handling, in
    // the order they were installed; the first that answers true has handled it (its Result is the
    // window's answer). HookMainWindow answers the id that UnhookMainWindow takes.
    using MainWindowHook = std::function<bool(Message& message)>;
    int HookMainWindow(MainWindowHook hook);
    void UnhookMainWindow(int id);

    // ---- Mouse tracking of controls (used by the controls themselves) ----
    Control* MouseControl() const { return m_mouse_control; }
    void SetMouseControl(Control* control);
    void ControlDestroying(Control* control);

    // ---- Events ----
    NotifyEvent OnMinimize;
    NotifyEvent OnRestore;
    ExceptionEvent OnException;
    NotifyEvent OnIdle;

    ~Application() override;

private:
    Application();
    void FormCreated(Form* form);
    bool ProcessMessage(MSG& msg);
    void Idle();
    static LRESULT CALLBACK AppWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);

    core::String m_title;
    Form* m_main_form = nullptr;
    HWND m_handle = nullptr;
    bool m_terminated = false;
    bool m_show_main_form = true;
    bool m_show_hint = true;
    bool m_minimized = false;
    Control* m_mouse_control = nullptr;
    std::function<void(int)> m_halt_hook;
    PopupHandler m_popup_handler;
    std::vector<std::pair<int, MainWindowHook>> m_main_window_hooks;
    int m_next_hook_id = 0;
    std::atomic<HWND> m_wake_window{nullptr}; // read by other threads
    // ---- Hints (hintwindow.h: CM_HINTSHOWPAUSE, CM_HINTSHOW, the hint window) ----
    void HintMouseMoved(Control* control);
    void StartHintPause(bool hintActive);
    void ShowHintNow();
    std::unique_ptr<HintWindow> m_hint_window;
    HintWindowClass m_hint_window_class = nullptr;
    std::unique_ptr<Timer> m_hint_pause_timer;
    std::unique_ptr<Timer> m_hint_hide_timer;
    Control* m_hint_control = nullptr;
    RECT m_hint_cursor_rect{};
    core::String m_hint_text;
    bool m_hint_shown = false;
    unsigned m_hint_pause = 500;
    unsigned m_hint_hide_pause = 2500;
};

// The application object, as the platform's global of that name.
inline Application& App() { return Application::Instance(); }

} // namespace ui
