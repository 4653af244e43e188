#include "tests/e2e/client.h"

#include <algorithm>

namespace e2e {

namespace {

using namespace std::chrono_literals;

// Where a control lies in its top-level window's client area.
POINT PlaceIn(HWND top, HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    POINT p{r.left, r.top};
    ScreenToClient(top, &p);
    return p;
}

bool Editable(HWND edit)
{
    const LONG style = GetWindowLongW(edit, GWL_STYLE);
    return !(style & (ES_READONLY | ES_MULTILINE)) && (style & WS_VISIBLE);
}

} // namespace

HWND WaitWindowWithButton(DWORD pid, const wchar_t* caption, Milliseconds timeout, bool visible_only)
{
    HWND found = nullptr;
    WaitFor(
        [&] {
            WindowQuery query;
            query.title = kClientTitle;
            query.visible_only = visible_only;
            for (HWND w : TopLevelWindows(pid, query))
                if (FindControl(w, L"BUTTON", caption)) {
                    found = w;
                    return true;
                }
            return false;
        },
        timeout);
    return found;
}

LoginWindow LoginWindow::Find(DWORD pid, Milliseconds timeout)
{
    LoginWindow l;
    l.window = WaitWindowWithButton(pid, text::kLogin, timeout);
    if (!l.window)
        return l;
    for (HWND edit : Controls(l.window, L"EDIT")) {
        if (!Editable(edit))
            continue;
        if (GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD)
            l.password = l.password ? l.password : edit;
        else
            l.user = l.user ? l.user : edit;
    }
    l.remember = FindControl(l.window, L"BUTTON", text::kRemember);
    l.login = FindControl(l.window, L"BUTTON", text::kLogin);
    l.close = FindControl(l.window, L"BUTTON", text::kClose);
    return l;
}

bool LoginWindow::Fill(const std::wstring& user_name, const std::wstring& password_text, bool remember_it)
{
    if (!Valid() || !SetText(user, L"") || !SetText(password, L""))
        return false;
    if (!TypeText(user, user_name) || !TypeText(password, password_text))
        return false;
    if (!WaitFor([&] { return TextOf(user) == user_name && TextOf(password) == password_text; }, 5s))
        return false;
    if (remember && (CheckState(remember) == BST_CHECKED) != remember_it) {
        if (!Click(remember) ||
            !WaitFor([&] { return (CheckState(remember) == BST_CHECKED) == remember_it; }, 5s))
            return false;
    }
    return true;
}

MainWindow MainWindow::Find(DWORD pid, Milliseconds timeout)
{
    MainWindow m;
    m.window = WaitWindowWithButton(pid, text::kDisconnect, timeout);
    if (!m.window)
        return m;
    m.connect = FindControl(m.window, L"BUTTON", text::kConnect);
    m.disconnect = FindControl(m.window, L"BUTTON", text::kDisconnect);
    m.batch = FindControl(m.window, L"BUTTON", text::kBatch);
    // The two choices in sight: the area above the node; the hidden twins lie outside the client area.
    RECT client{};
    GetClientRect(m.window, &client);
    std::vector<std::pair<LONG, HWND>> combos;
    for (HWND combo : Controls(m.window, L"COMBOBOX")) {
        const POINT p = PlaceIn(m.window, combo);
        if (p.x >= 0 && p.x < client.right && p.y >= 0 && p.y < client.bottom)
            combos.emplace_back(p.y, combo);
    }
    std::sort(combos.begin(), combos.end());
    if (combos.size() >= 2) {
        m.area = combos[0].second;
        m.node = combos[1].second;
    }
    return m;
}

std::vector<std::wstring> MainWindow::StatusTexts() const
{
    std::vector<std::wstring> texts;
    for (HWND bar : Controls(window, L"msctls_statusbar32"))
        texts.push_back(TextOf(bar));
    return texts;
}

std::vector<std::wstring> MainWindow::AllStatusTexts() const
{
    std::vector<std::wstring> texts;
    for (HWND bar : Controls(window, L"msctls_statusbar32"))
        for (auto& t : StatusBarTexts(bar))
            texts.push_back(std::move(t));
    return texts;
}

bool MainWindow::StatusShows(const std::wstring& wanted) const
{
    const auto texts = StatusTexts();
    return std::find(texts.begin(), texts.end(), wanted) != texts.end();
}

} // namespace e2e
