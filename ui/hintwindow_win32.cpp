// The plain hint window.
#include "ui/hintwindow.h"

#include "ui/application.h"

namespace ui {

HintWindow::HintWindow(core::Component* owner) : CustomControl(owner)
{
    SetVisible(false);
    SetColor(clInfoBk);
    AssignHintFont(Font());
}

HintWindow::~HintWindow() = default;

std::unique_ptr<HintWindow> HintWindow::Make() { return std::make_unique<HintWindow>(); }

void HintWindow::AssignHintFont(ui::Font& font)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return;
    const LOGFONTW& lf = metrics.lfStatusFont;
    font.SetName(core::String(lf.lfFaceName, lf.lfFaceName + wcsnlen(lf.lfFaceName, LF_FACESIZE)));
    font.SetHeight(lf.lfHeight);
    font.SetCharset(lf.lfCharSet);
    FontStyles style = 0;
    if (lf.lfWeight >= FW_BOLD)
        style |= fsBold;
    if (lf.lfItalic)
        style |= fsItalic;
    font.SetStyle(style);
    font.SetColor(clInfoText);
}

void HintWindow::CreateParams(CreateParamsRec& params)
{
    CustomControl::CreateParams(params);
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    // Owned by the application's window, so that it never shows in the task bar.
    params.WndParent = Application::Instance().Handle();
    params.ClassStyle |= CS_SAVEBITS;
}

RECT HintWindow::CalcHintRect(int maxWidth, const core::String& hint, void* data)
{
    (void)data;
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, Font().Handle());
    RECT r{0, 0, maxWidth, 0};
    std::wstring text(hint.begin(), hint.end());
    DrawTextW(screen, text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    r.right += 6;
    r.bottom += 2;
    return r;
}

void HintWindow::ActivateHint(RECT rect, const core::String& hint)
{
    m_hint_text = hint;
    HWND window = Handle();
    // Kept on the desktop.
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    RECT desktop{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
    desktop.right = desktop.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    desktop.bottom = desktop.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (rect.bottom > desktop.bottom)
        rect.top = desktop.bottom - height;
    if (rect.right > desktop.right)
        rect.left = desktop.right - width;
    if (rect.top < desktop.top)
        rect.top = desktop.top;
    if (rect.left < desktop.left)
        rect.left = desktop.left;
    SetBounds(rect.left, rect.top, width, height);
    SetWindowPos(window, HWND_TOPMOST, rect.left, rect.top, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, TRUE);
}

bool HintWindow::IsHintMsg(MSG& msg)
{
    const UINT m = msg.message;
    return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || m == CM_ACTIVATE || m == CM_DEACTIVATE || m == WM_COMMAND ||
           (m > WM_MOUSEMOVE && m <= WM_MOUSELAST) || m == WM_NCMOUSEMOVE;
}

void HintWindow::ReleaseHandle()
{
    if (HWND window = HandleIfAllocated())
        ShowWindow(window, SW_HIDE);
}

bool HintWindow::Shown() const { return HandleIfAllocated() && IsWindowVisible(HandleIfAllocated()); }

void HintWindow::WndProc(Message& message)
{
    switch (message.Msg) {
    case WM_NCHITTEST:
        // The hint never takes the mouse: the control below keeps it.
        message.Result = HTTRANSPARENT;
        return;
    case WM_MOUSEACTIVATE:
        message.Result = MA_NOACTIVATE;
        return;
    default:
        break;
    }
    CustomControl::WndProc(message);
}

void HintWindow::Paint()
{
    ui::Canvas& canvas = Canvas();
    RECT r = ClientRect();
    canvas.SetBrushColor(clInfoBk);
    canvas.FillRect(r);
    r.left += 2;
    r.top += 1;
    SetBkMode(canvas.Handle(), TRANSPARENT);
    canvas.Font().SetColor(clInfoText);
    canvas.TextRect(r, m_hint_text, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

} // namespace ui
