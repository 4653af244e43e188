// TTrayIcon: one icon in the notification area with a popup menu, restoring and minimising the
// application on chosen mouse actions, balloon hints, hiding the window when minimised, animation
// through an image list, re-adding after the taskbar is re-created and the session-end messages as
// events. Its message window is a hidden top-level window (message-only windows never see the
// "TaskbarCreated" broadcast); the icon's identifier is fixed.
#pragma once

#include "core/component.h"
#include "core/win32.h"
#include "ui/control.h"

#include <shellapi.h>

#include <functional>
#include <memory>

namespace ui {
class PopupMenu;
class ImageList;
class Timer;
}

namespace client {

enum TTrayIconClicks { ticNone, ticLeftClick, ticLeftDblClick, ticLeftClickUp, ticRightClick, ticRightDblClick, ticRightClickUp };
enum TBalloonHintIcon { bhiNone, bhiInfo, bhiWarning, bhiError };

inline constexpr UINT kTrayCallbackMessage = 0x2422;  // 9250
inline constexpr UINT kTrayIconId = 1;

// The notification-area calls, replaceable for tests.
class TrayShell {
public:
    virtual ~TrayShell() = default;
    virtual bool Notify(DWORD message, NOTIFYICONDATAW& data) = 0;
};
TrayShell& SystemTrayShell();
// The shell new icons use: the system's unless one was installed (null puts it back).
TrayShell& CurrentTrayShell();
void SetTrayShell(TrayShell* shell);

// The message number registered for "TaskbarCreated" (InitTrayIconUnit registers it).
UINT TaskbarCreatedMessage();
void InitTrayIconUnit();

class TTrayIcon : public core::Component {
public:
    // With loading, the properties set afterwards are only stored until Loaded (as when a window
    // definition is read), so that an icon that starts disabled never appears.
    explicit TTrayIcon(core::Component* owner = nullptr, TrayShell* shell = nullptr, bool loading = false);
    ~TTrayIcon() override;

    // ---- Properties ----
    bool Animate() const;
    void SetAnimate(bool value);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value);
    bool HideOnMinimize() const { return m_hide_on_minimize; }
    void SetHideOnMinimize(bool value) { m_hide_on_minimize = value; }
    bool HideOnStartup() const { return m_hide_on_startup; }
    void SetHideOnStartup(bool value) { m_hide_on_startup = value; }
    const core::String& Hint() const { return m_hint; }
    void SetHint(core::StringView value);
    ui::PopupMenu* PopupMenu() const { return m_popup_menu; }
    void SetPopupMenu(ui::PopupMenu* menu);
    ui::ImageList* Icons() const { return m_icons; }
    void SetIcons(ui::ImageList* icons);
    int IconIndex() const { return m_icon_index; }
    void SetIconIndex(int value);
    unsigned Interval() const;
    void SetInterval(unsigned value);
    TTrayIconClicks RestoreOn = ticLeftDblClick;
    TTrayIconClicks PopupMenuOn = ticRightClickUp;
    bool SupportBalloonHints() const { return m_shell_version >= 5; }
    // The record sent to the shell (tests read it).
    const NOTIFYICONDATAW& IconData() const { return m_data; }
    HWND Handle() const { return m_window; }
    bool MenuUp() const { return m_menu_up; }

    // ---- Operations ----
    void Loaded() override;
    void ShowMenu();
    void ShowBalloonHint(core::StringView title, core::StringView message, TBalloonHintIcon icon, int timeoutSeconds);
    void HideBalloonHint();
    void MinimizeApp();
    void RestoreApp();
    void SetDefaultIcon();

    // ---- Events ----
    ui::NotifyEvent OnMinimizeApp, OnRestoreApp;
    ui::NotifyEvent OnLButtonDown, OnLButtonUp, OnLButtonDblClick, OnRButtonDown, OnRButtonUp, OnRButtonDblClick;
    ui::NotifyEvent OnBalloonHintHide, OnBalloonHintClose, OnBalloonHintClick;
    std::function<void(core::Object* sender, bool& canEnd)> OnQueryEndSession;
    ui::NotifyEvent OnEndSession;

    // Where the popup appears; tests replace the menu's tracking with their own.
    std::function<void(int x, int y)> PopupHook;

protected:
    void Notification(core::Component* component, core::Operation operation) override;
    virtual LRESULT MsgWndProc(UINT msg, WPARAM wparam, LPARAM lparam);
    void DoQueryEndSession(bool& canEnd);
    void DoEndSession();
    void DoMinimizeApp();
    void DoRestoreApp();

private:
    static LRESULT CALLBACK StaticWndProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);
    void UpdateTrayIcon();
    void ModifyIcon();
    void DeleteIcon();
    void ApplyIcon();
    void MouseAction(TTrayIconClicks click, const ui::NotifyEvent& event);
    void HideApp();
    void ShowApp();
    void AnimateTimer();

    TrayShell& m_shell;
    HWND m_window = nullptr;
    HICON m_icon = nullptr;
    bool m_own_icon = false;
    std::unique_ptr<ui::Timer> m_timer;
    NOTIFYICONDATAW m_data{};
    int m_shell_version = 0;
    bool m_enabled = false;
    bool m_added = false;
    bool m_hide_on_minimize = true;
    bool m_hide_on_startup = false;
    core::String m_hint;
    ui::PopupMenu* m_popup_menu = nullptr;
    ui::ImageList* m_icons = nullptr;
    int m_icon_index = 0;
    bool m_menu_up = false;
    bool m_restoring = false;
    bool m_taskbar_recreated = false;
};

} // namespace client
