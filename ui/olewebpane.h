// The web pane over the system's OLE web browser control, in-place active in the pane's window.
// Selected by CreateWebPane on Windows when the control can be created; Wine lacks the engine.
#pragma once

#include "ui/webpane.h"

struct IOleObject;
struct IWebBrowser2;

namespace ui {

class OleWebPane : public WebPane {
public:
    explicit OleWebPane(core::Component* owner = nullptr);
    ~OleWebPane() override;

    // Whether the browser control can be created on this system.
    static bool Available();

    // ---- Operations ----
    void Navigate(core::StringView url) override;
    core::String LocationURL() const override;
    bool Busy() const override;

protected:
    // ---- Message handling ----
    void CreateHandle() override;
    void DestroyingHandle() override;
    void WndProc(Message& message) override;

private:
    class Site;
    void Resize();
    void Close();

    Site* m_site = nullptr;
    IOleObject* m_object = nullptr;
    IWebBrowser2* m_browser = nullptr;
    core::String m_pending_url;
};

} // namespace ui
