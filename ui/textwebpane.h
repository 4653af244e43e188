// The stand-in web pane: fetches the page with an HTTP GET on a worker thread and shows the page's
// readable text in a read-only, scrolling text box.
#pragma once

#include "ui/webpane.h"

#include <memory>

namespace ui {

class TextWebPane : public WebPane {
public:
    explicit TextWebPane(core::Component* owner = nullptr);
    ~TextWebPane() override;

    // ---- Properties ----
    // How long a fetch may take (connect and each read), in milliseconds.
    unsigned Timeout() const { return m_timeout; }
    void SetTimeout(unsigned ms) { m_timeout = ms; }

    // ---- Operations ----
    void Navigate(core::StringView url) override;
    core::String LocationURL() const override { return m_url; }
    bool Busy() const override { return m_fetch != nullptr; }

protected:
    // ---- Message handling ----
    void CreateParams(CreateParamsRec& params) override;
    void WndProc(Message& message) override;

private:
    struct Fetch;
    void CancelFetch();
    void Finished();

    core::String m_url;
    unsigned m_timeout = 30000;
    std::shared_ptr<Fetch> m_fetch;
};

} // namespace ui
