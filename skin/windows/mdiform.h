// The MDI side of a skinned frame's provider: the wrapper of the frame's client window, made while
// the provider is skinned and rebuilt from scratch by every refresh, and the commands of the
// maximised child's buttons in the menu line.
#pragma once

#include "core/win32.h"

#include <memory>

namespace ui {
class Form;
}

namespace skin {

class TsSkinProvider;
class TacScrollWnd;

class TsMDIForm {
public:
    explicit TsMDIForm(TsSkinProvider* owner);
    ~TsMDIForm();
    TsMDIForm(const TsMDIForm&) = delete;
    TsMDIForm& operator=(const TsMDIForm&) = delete;

    ui::Form* FForm = nullptr;
    std::unique_ptr<TacScrollWnd> ListSW; // always a TacMDIWnd when set
    TsSkinProvider* SkinProvider = nullptr;

    // Wraps the client window unless it is wrapped already.
    void ConnectToClient();
    void RefreshMDIScrolls();
    void DestroyScrolls();
    // The maximised child's icon lives in the menu line: the line is repainted.
    void UpdateMDIIconItem();
    // The child buttons' commands go to the active child only (nowhere without one).
    void CloseClick() { SendToActiveChild(SC_CLOSE); }
    void MinClick() { SendToActiveChild(SC_MINIMIZE); }
    void RestoreClick() { SendToActiveChild(SC_RESTORE); }

private:
    // Set while the client's wrapper is being made: the messages that makes must not make another.
    bool m_connecting = false;
    void SendToActiveChild(WPARAM command);
};

// Rebuilds the MDI frame's menu line and frame (the frame of the MDI frame's provider, when any).
void RefreshMDIParentFrame(bool redraw);

} // namespace skin
