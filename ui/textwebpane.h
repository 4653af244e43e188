// The stand-in web pane: fetches the page with an HTTP GET on a worker thread and shows the page's
// readable text in a read-only, scrolling text box. A long text goes into the box in parts, one at
// a time from a timer, so that the window keeps answering while the box takes it; a text longer than
// the box can take in good time (a page near the fetch's size limit) is cut at a line's end, and the
// cut marked with a line "…".
#pragma once

#include "ui/webpane.h"

#include <memory>

namespace ui {

class TextWebPane : public WebPane {
public:
    // The most characters the box shows of a page, the mark of a cut included.
    static constexpr size_t MaxShownChars = 1u << 19;

    explicit TextWebPane(core::Component* owner = nullptr);
    ~TextWebPane() override;

    // ---- Properties ----
    // How long a fetch may take as a whole, in milliseconds.
    unsigned Timeout() const { return m_timeout; }
    void SetTimeout(unsigned ms) { m_timeout = ms; }

    // ---- Operations ----
    void Navigate(core::StringView url) override;
    core::String LocationURL() const override { return m_url; }
    // Also while the text of a fetched page is still going into the box.
    bool Busy() const override { return m_fetch != nullptr || m_shown < m_page.size(); }

protected:
    // ---- Window creation ----
    void CreateWnd() override;
    void CreateParams(CreateParamsRec& params) override;

    // ---- Message handling ----
    void WndProc(Message& message) override;

private:
    struct Fetch;
    void CancelFetch();
    void Finished();
    void ShowNextPart();

    core::String m_url;
    unsigned m_timeout = 30000;
    std::shared_ptr<Fetch> m_fetch;
    core::String m_page;  // the text being shown, while parts of it are still to go into the box
    size_t m_shown = 0;   // how much of m_page is in the box
};

} // namespace ui
