// The text-only web pane. The fetch runs on its own thread and shares only its Fetch record with the
// pane; a pane that goes away (or starts another load) marks the record cancelled, and the thread then
// drops its result instead of posting it.
#include "ui/textwebpane.h"

#include "ui/httpget.h"
#include "ui/httppage.h"

#include <mutex>
#include <thread>

namespace ui {
namespace {

constexpr UINT UM_PAGEFETCHED = WM_APP + 0x3F01;

} // namespace

struct TextWebPane::Fetch {
    std::mutex lock;
    bool cancelled = false; // guarded by lock
    HWND window = nullptr;  // guarded by lock
    bool ok = false;        // written by the thread before the message is posted
    core::String text;
    core::String error;
};

TextWebPane::TextWebPane(core::Component* owner) : WebPane(owner)
{
    SetControlStyle(ControlStyle() & ~(csClickEvents | csAcceptsControls));
    SetColor(clWindow);
    SetBounds(0, 0, 300, 150);
}

TextWebPane::~TextWebPane() { CancelFetch(); }

void TextWebPane::CancelFetch()
{
    if (m_fetch) {
        std::lock_guard guard(m_fetch->lock);
        m_fetch->cancelled = true;
    }
    m_fetch.reset();
}

void TextWebPane::Navigate(core::StringView url)
{
    CancelFetch();
    m_url = core::String(url);
    HttpUrl parsed;
    if (!ParseHttpUrl(url, parsed)) {
        SetText(u"");
        if (OnNavigateError)
            OnNavigateError(this, m_url, u"Only http:// addresses can be shown");
        return;
    }
    auto fetch = std::make_shared<Fetch>();
    fetch->window = Handle();
    m_fetch = fetch;
    unsigned timeout = m_timeout;
    std::thread([fetch, parsed, timeout] {
        std::string raw;
        core::String error;
        bool ok = false;
        core::String text;
        try {
            HttpReply reply;
            if (!HttpGet(parsed, timeout, raw, error)) {
            } else if (!ParseHttpReply(raw, reply)) {
                error = u"The server's reply is not HTTP";
            } else if (reply.status >= 400) {
                error = u"HTTP " + core::IntToStr(reply.status);
            } else {
                text = HtmlToText(ReplyText(reply));
                ok = true;
            }
        } catch (const std::exception& e) {
            error = core::FromUtf8(e.what());
        }
        std::lock_guard guard(fetch->lock);
        if (fetch->cancelled)
            return;
        fetch->ok = ok;
        fetch->text = std::move(text);
        fetch->error = std::move(error);
        PostMessageW(fetch->window, UM_PAGEFETCHED, 0, 0);
    }).detach();
}

void TextWebPane::Finished()
{
    std::shared_ptr<Fetch> fetch = m_fetch;
    if (!fetch)
        return;
    bool ok;
    core::String text, error;
    {
        std::lock_guard guard(fetch->lock);
        ok = fetch->ok;
        text = fetch->text;
        error = fetch->error;
    }
    m_fetch.reset();
    SetText(ok ? StringReplace(text, u"\n", u"\r\n", core::rfReplaceAll) : core::String());
    if (ok) {
        if (OnDocumentComplete)
            OnDocumentComplete(this, m_url);
    } else if (OnNavigateError) {
        OnNavigateError(this, m_url, error);
    }
}

void TextWebPane::CreateParams(CreateParamsRec& params)
{
    WebPane::CreateParams(params);
    params.ClassName = L"EDIT";
    params.Style |= ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TextWebPane::WndProc(Message& message)
{
    if (message.Msg == UM_PAGEFETCHED) {
        Finished();
        return;
    }
    WebPane::WndProc(message);
}

} // namespace ui
