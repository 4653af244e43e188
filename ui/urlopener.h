// Opening a URL in the user's browser (the shell's open verb) behind an interface, so that tests
// record the URLs instead of starting a browser.
#pragma once

#include "core/string.h"

#include <vector>

namespace ui {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // True when the system accepted the request.
    virtual bool Open(core::StringView url) = 0;
};

// The opener in use: the system's unless one was installed (null puts the system's back).
UrlOpener& CurrentUrlOpener();
void SetUrlOpener(UrlOpener* opener);
bool OpenUrl(core::StringView url);
// The shell's open verb with the application window as owner and the normal show state (on the host:
// the URL goes to standard error and the answer is false).
UrlOpener& SystemUrlOpener();

// A test opener: records every URL and answers Result.
class RecordingUrlOpener : public UrlOpener {
public:
    bool Open(core::StringView url) override
    {
        m_urls.emplace_back(url);
        return Result;
    }
    const std::vector<core::String>& Urls() const { return m_urls; }

    bool Result = true;

private:
    std::vector<core::String> m_urls;
};

class UrlOpenerGuard {
public:
    explicit UrlOpenerGuard(UrlOpener& opener);
    ~UrlOpenerGuard();
    UrlOpenerGuard(const UrlOpenerGuard&) = delete;
    UrlOpenerGuard& operator=(const UrlOpenerGuard&) = delete;

private:
    UrlOpener* m_previous;
};

} // namespace ui
