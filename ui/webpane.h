// Web panes: a control that shows the page at a URL. On Windows with a working browser engine the OLE
// web browser fills the pane; without one (as under Wine) a stand-in fetches the page over HTTP and
// shows its text. CreateWebPane picks the one that works.
#pragma once

#include "ui/wincontrol.h"

namespace ui {

using NavigateEvent = std::function<void(core::Object* sender, const core::String& url)>;
using NavigateErrorEvent = std::function<void(core::Object* sender, const core::String& url, const core::String& error)>;

class WebPane : public WinControl {
public:
    explicit WebPane(core::Component* owner = nullptr) : WinControl(owner) {}

    // ---- Operations ----
    // Starts loading the page; the events report the end. A later call replaces an unfinished load.
    virtual void Navigate(core::StringView url) = 0;
    // The URL of the page shown or being loaded.
    virtual core::String LocationURL() const = 0;
    virtual bool Busy() const = 0;

    // ---- Events ----
    NavigateEvent OnDocumentComplete;
    NavigateErrorEvent OnNavigateError;
};

// The OLE browser when the browser control can be created and the system is not Wine (where the
// engine is missing), else the text stand-in. CLIENT_WEBPANE=text in the environment forces the
// stand-in.
WebPane* CreateWebPane(core::Component* owner);

} // namespace ui
