#include "tests/e2e/driver.h"

#include <commctrl.h>

#include <algorithm>
#include <thread>

namespace e2e {

namespace {

constexpr UINT kSendTimeoutMs = 2000;
constexpr int kMessageBoxTextId = 0xFFFF;  // the static control that holds a message box's text

std::wstring Upper(std::wstring_view text)
{
    std::wstring out(text);
    for (wchar_t& c : out)
        c = static_cast<wchar_t>(towupper(c));
    return out;
}

bool SendWithTimeout(HWND window, UINT msg, WPARAM wparam, LPARAM lparam, DWORD_PTR& result)
{
    return SendMessageTimeoutW(window, msg, wparam, lparam, SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs,
                               &result) != 0;
}

struct EnumState {
    DWORD pid;
    const WindowQuery* query;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param)
{
    auto& state = *reinterpret_cast<EnumState*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != state.pid)
        return TRUE;
    const WindowQuery& q = *state.query;
    if (q.visible_only && !IsWindowVisible(window))
        return TRUE;
    if (!q.kind.empty() && !IsKind(window, q.kind))
        return TRUE;
    if (!q.title.empty() && TextOf(window) != q.title)
        return TRUE;
    state.found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

} // namespace

bool WaitFor(const std::function<bool()>& condition, Milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(Milliseconds(50));
    }
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? size_t(length) : 0);
}

std::wstring TextOf(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), copied))
        return {};
    text.resize(std::min<size_t>(copied, length));
    return text;
}

bool IsKind(HWND window, std::wstring_view kind)
{
    const std::wstring name = Upper(ClassOf(window));
    const std::wstring want = Upper(kind);
    if (name == want)
        return true;
    // The class library's superclasses: "ui.<base>.<style>".
    return name.rfind(L"UI." + want + L".", 0) == 0;
}

std::vector<HWND> TopLevelWindows(DWORD pid, const WindowQuery& query)
{
    EnumState state{pid, &query, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

HWND WaitTopLevel(DWORD pid, const WindowQuery& query, Milliseconds timeout)
{
    HWND found = nullptr;
    WaitFor(
        [&] {
            auto windows = TopLevelWindows(pid, query);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        timeout);
    return found;
}

bool WaitTopLevelGone(DWORD pid, const WindowQuery& query, Milliseconds timeout)
{
    return WaitFor([&] { return TopLevelWindows(pid, query).empty(); }, timeout);
}

std::vector<HWND> Controls(HWND parent, std::wstring_view kind)
{
    std::vector<HWND> all;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&all));
    if (kind.empty())
        return all;
    std::vector<HWND> out;
    for (HWND w : all)
        if (IsKind(w, kind))
            out.push_back(w);
    return out;
}

HWND FindControl(HWND parent, std::wstring_view kind, std::wstring_view text)
{
    for (HWND w : Controls(parent, kind))
        if (text.empty() || TextOf(w) == text)
            return w;
    return nullptr;
}

HWND ControlAt(HWND parent, std::wstring_view kind, size_t index)
{
    const auto all = Controls(parent, kind);
    return index < all.size() ? all[index] : nullptr;
}

std::wstring DescribeControls(HWND parent)
{
    std::wstring out;
    for (HWND w : Controls(parent)) {
        if (!out.empty())
            out += L", ";
        out += ClassOf(w) + L" '" + TextOf(w) + L"'";
        if (!IsWindowVisible(w))
            out += L" hidden";
        if (!IsWindowEnabled(w))
            out += L" disabled";
    }
    return out;
}

bool SetText(HWND window, std::wstring_view text)
{
    const std::wstring copy(text);
    DWORD_PTR result = 0;
    return SendWithTimeout(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()), result) && result;
}

bool TypeText(HWND window, std::wstring_view text)
{
    for (wchar_t c : text)
        if (!PostMessageW(window, WM_CHAR, c, 1))
            return false;
    return true;
}

bool PressKey(HWND window, UINT virtual_key)
{
    const UINT scan = MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (LPARAM(scan) << 16);
    const LPARAM up = down | (LPARAM(1) << 30) | (LPARAM(1) << 31);
    return PostMessageW(window, WM_KEYDOWN, virtual_key, down) && PostMessageW(window, WM_KEYUP, virtual_key, up);
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (!GetGUIThreadInfo(thread, &info))
        return nullptr;
    return info.hwndFocus;
}

bool Click(HWND button)
{
    // The button's own visibility: a window minimised to the tray keeps its controls shown.
    if (!button || !(GetWindowLongW(button, GWL_STYLE) & WS_VISIBLE) || !IsWindowEnabled(button))
        return false;
    return PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

bool IsEnabled(HWND window) { return window && IsWindowEnabled(window); }

bool IsVisible(HWND window) { return window && IsWindowVisible(window); }

int CheckState(HWND button)
{
    DWORD_PTR state = 0;
    if (!SendWithTimeout(button, BM_GETCHECK, 0, 0, state))
        return -1;
    return static_cast<int>(state);
}

int ComboCount(HWND combo)
{
    DWORD_PTR count = 0;
    if (!SendWithTimeout(combo, CB_GETCOUNT, 0, 0, count))
        return -1;
    return static_cast<int>(static_cast<LRESULT>(count));
}

std::optional<std::wstring> ComboItem(HWND combo, size_t index)
{
    DWORD_PTR length = 0;
    if (!SendWithTimeout(combo, CB_GETLBTEXTLEN, index, 0, length) || static_cast<LRESULT>(length) < 0)
        return std::nullopt;
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendWithTimeout(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()), copied) ||
        static_cast<LRESULT>(copied) < 0)
        return std::nullopt;
    text.resize(std::min<size_t>(copied, length));
    return text;
}

std::vector<std::wstring> ComboItems(HWND combo)
{
    std::vector<std::wstring> items;
    const int count = ComboCount(combo);
    for (int i = 0; i < count; ++i) {
        auto item = ComboItem(combo, size_t(i));
        if (!item)
            break;
        items.push_back(std::move(*item));
    }
    return items;
}

bool ComboSelect(HWND combo, std::wstring_view text)
{
    if (!IsWindowEnabled(combo))
        return false;
    const std::wstring wanted(text);
    DWORD_PTR index = 0;
    if (!SendWithTimeout(combo, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(wanted.c_str()), index) ||
        static_cast<LRESULT>(index) == CB_ERR || ComboItem(combo, index) != wanted)
        return false;
    DWORD_PTR result = 0;
    if (!SendWithTimeout(combo, CB_SETCURSEL, index, 0, result))
        return false;
    const int id = GetDlgCtrlID(combo);
    return PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::vector<std::wstring> StatusBarTexts(HWND status_bar)
{
    std::vector<std::wstring> texts;
    DWORD pid = 0;
    GetWindowThreadProcessId(status_bar, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process)
        return texts;
    constexpr size_t kBufferBytes = 8192;
    void* remote = VirtualAllocEx(process, nullptr, kBufferBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote) {
        DWORD_PTR parts = 0;
        if (SendWithTimeout(status_bar, SB_GETPARTS, 0, 0, parts)) {
            for (DWORD_PTR i = 0; i < parts && i < 64; ++i) {
                DWORD_PTR result = 0;
                if (!SendWithTimeout(status_bar, SB_GETTEXTLENGTHW, i, 0, result))
                    break;
                const size_t length = std::min<size_t>(LOWORD(result), kBufferBytes / sizeof(wchar_t) - 1);
                std::wstring text(length + 1, L'\0');
                SIZE_T read = 0;
                if (!SendWithTimeout(status_bar, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(remote), result) ||
                    !ReadProcessMemory(process, remote, text.data(), (length + 1) * sizeof(wchar_t), &read))
                    break;
                text.resize(wcsnlen(text.c_str(), length));
                texts.push_back(text);
            }
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return texts;
}

std::vector<MessageBoxInfo> MessageBoxes(DWORD pid)
{
    std::vector<MessageBoxInfo> boxes;
    WindowQuery query;
    query.kind = L"#32770";
    for (HWND dialog : TopLevelWindows(pid, query)) {
        MessageBoxInfo box;
        box.window = dialog;
        box.caption = TextOf(dialog);
        for (HWND child : Controls(dialog)) {
            if (IsKind(child, L"BUTTON")) {
                if (IsWindowVisible(child))
                    box.buttons.push_back(TextOf(child));
            } else if (IsKind(child, L"STATIC")) {
                if (GetDlgCtrlID(child) == kMessageBoxTextId)
                    box.text = TextOf(child);
                else if (GetWindowLongW(child, GWL_STYLE) & SS_ICON)
                    box.has_icon = true;
            }
        }
        boxes.push_back(std::move(box));
    }
    return boxes;
}

std::optional<MessageBoxInfo> WaitMessageBox(DWORD pid, Milliseconds timeout)
{
    std::optional<MessageBoxInfo> found;
    WaitFor(
        [&] {
            auto boxes = MessageBoxes(pid);
            if (boxes.empty())
                return false;
            found = boxes.front();
            return true;
        },
        timeout);
    return found;
}

bool Answer(const MessageBoxInfo& box, int command_id, Milliseconds timeout)
{
    HWND button = GetDlgItem(box.window, command_id);
    if (!button || !PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(command_id, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(button)))
        return false;
    return WaitFor([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, timeout);
}

} // namespace e2e
