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
constexpr UINT_PTR kPartTimer = 0x3F01;
// The box takes this many characters in one go, and takes longer for each the more it holds already
// (under Wine about 80 ms for a part and 60 ms for each million characters held): a part is small
// enough and the whole text short enough that the window always answers within a fraction of a
// second.
constexpr size_t kPartChars = 32 * 1024;

// Where a piece of at most `most` characters from `from` ends: after its last line break, else at
// its end but not between the halves of a surrogate pair.
size_t PieceEnd(const core::String& text, size_t from, size_t most)
{
    if (text.size() - from <= most)
        return text.size();
    size_t end = from + most;
    const size_t lineEnd = text.rfind(u'\n', end - 1);
    if (lineEnd != core::String::npos && lineEnd >= from)
        return lineEnd + 1;
    if (text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF)
        --end;
    return end;
}

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
    if (HandleAllocated())
        KillTimer(Handle(), kPartTimer);
    m_page.clear();
    m_shown = 0;
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
        core::String error;
        bool ok = false;
        core::String text;
        try {
            HttpReply reply;
            if (!HttpGet(parsed, timeout, reply, error)) {
            } else if (reply.status >= 400) {
                error = u"HTTP " + core::IntToStr(reply.status);
            } else {
                text = StringReplace(HtmlToText(ReplyText(reply)), u"\n", u"\r\n", core::rfReplaceAll);
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
        text = std::move(fetch->text);
        error = fetch->error;
    }
    m_fetch.reset();
    if (!ok) {
        SetText(u"");
        if (OnNavigateError)
            OnNavigateError(this, m_url, error);
        return;
    }
    m_page = std::move(text);
    if (m_page.size() > MaxShownChars) {
        // Past this the box would hold up the window for seconds: the rest is cut, and the cut shown.
        m_page.resize(PieceEnd(m_page, 0, MaxShownChars - 3));
        while (!m_page.empty() && (m_page.back() == u'\n' || m_page.back() == u'\r'))
            m_page.pop_back();
        m_page += u"\r\n\u2026";
    }
    m_shown = 0;
    ShowNextPart();
}

void TextWebPane::ShowNextPart()
{
    const size_t end = PieceEnd(m_page, m_shown, kPartChars);
    const core::String part = m_page.substr(m_shown, end - m_shown);
    if (m_shown == 0) {
        SetText(part);
    } else {
        // At the end of the box, leaving the reader's selection and scroll position as they were.
        const HWND box = Handle();
        DWORD selStart = 0, selEnd = 0;
        SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
        const LRESULT top = SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0);
        SendMessageW(box, WM_SETREDRAW, FALSE, 0);
        const int length = GetWindowTextLengthW(box);
        SendMessageW(box, EM_SETSEL, WPARAM(length), LPARAM(length));
        const std::wstring wide(part.begin(), part.end());
        SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
        SendMessageW(box, EM_SETSEL, selStart, selEnd);
        SendMessageW(box, EM_LINESCROLL, 0, top - SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0));
        SendMessageW(box, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }
    m_shown = end;
    if (m_shown < m_page.size()) {
        // A timer's message comes after input and painting: the window answers between parts.
        SetTimer(Handle(), kPartTimer, USER_TIMER_MINIMUM, nullptr);
        return;
    }
    KillTimer(Handle(), kPartTimer);
    m_page = core::String();
    m_shown = 0;
    if (OnDocumentComplete)
        OnDocumentComplete(this, m_url);
}

void TextWebPane::CreateWnd()
{
    WebPane::CreateWnd();
    // Without a limit of its own the box takes no more than 32 K characters from EM_REPLACESEL.
    SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
    if (m_shown < m_page.size())
        SetTimer(Handle(), kPartTimer, USER_TIMER_MINIMUM, nullptr);
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
    if (message.Msg == WM_TIMER && message.WParam == kPartTimer) {
        if (m_shown < m_page.size())
            ShowNextPart();
        return;
    }
    WebPane::WndProc(message);
}

} // namespace ui
