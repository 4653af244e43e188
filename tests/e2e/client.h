// What a user sees of client.exe, found through the driver: the login window, the main window and
// their controls by caption, kind and place; the steps a user takes (log in, pick a node, press a
// button, answer a box). Shared by the end-to-end tests and the scripted demo of ./run.
#pragma once

#include "tests/e2e/driver.h"

#include <string>
#include <vector>

namespace e2e {

// Caption of both windows: the application title.
inline constexpr wchar_t kClientTitle[] = L"客户端";

// Messages the client shows, exactly as it shows them.
namespace text {
inline constexpr wchar_t kLogin[] = L"登  陆";
inline constexpr wchar_t kClose[] = L"关  闭";
inline constexpr wchar_t kRemember[] = L"记住密码";
inline constexpr wchar_t kConnect[] = L"连接";
inline constexpr wchar_t kDisconnect[] = L"断开";
inline constexpr wchar_t kBatch[] = L"批量测速";
inline constexpr wchar_t kBatchStop[] = L"暂停测速";
inline constexpr wchar_t kUserEmpty[] = L"账号不能为空";
inline constexpr wchar_t kPasswordEmpty[] = L"密码必须输入";
inline constexpr wchar_t kWrongPassword[] = L"用户名或密码错误";
inline constexpr wchar_t kExpired[] = L"此帐户已过期，请及时充值后才能使用此功能";
inline constexpr wchar_t kUsedUp[] = L"此帐户免费测试时间已经用完，请注册正式帐户";
inline constexpr wchar_t kNetwork[] = L"网络DNS问题，稍候会自行恢复或联系商家索取6.0版本客户端暂用";
inline constexpr wchar_t kNoNode[] = L"发生错误，请关闭程序再重新运行";
inline constexpr wchar_t kStopPingFirst[] = L"请先关闭Ping测试再尝试拨号";
inline constexpr wchar_t kStopPingFirstArea[] = L"请先关闭Ping测试";
inline constexpr wchar_t kCloseWhileConnected[] = L"VPN正在连接,关闭将断开VPN连接,你确定要关闭吗";
inline constexpr wchar_t kLoggedInElsewhere[] = L"你的帐户在其它电脑已经登录，如果不是你本人所为，建议修改密码";
inline constexpr wchar_t kConnectedStatus[] = L"服务器连接成功";
inline constexpr wchar_t kDisconnectedStatus[] = L"连接已断开";
} // namespace text

// The visible top-level window of the process that has a push button with the caption.
HWND WaitWindowWithButton(DWORD pid, const wchar_t* caption, Milliseconds timeout, bool visible_only = true);

struct LoginWindow {
    HWND window = nullptr;
    HWND user = nullptr;      // the edits a user types into (a read-only banner pane is not one)
    HWND password = nullptr;
    HWND remember = nullptr;
    HWND login = nullptr;
    HWND close = nullptr;

    static LoginWindow Find(DWORD pid, Milliseconds timeout);
    bool Valid() const { return window && user && password && login; }
    // Fills in both fields (as typed) and ticks or clears "记住密码".
    bool Fill(const std::wstring& user_name, const std::wstring& password_text, bool remember_it);
    // Fills in and presses "登  陆".
    bool Submit(const std::wstring& user_name, const std::wstring& password_text, bool remember_it)
    {
        return Fill(user_name, password_text, remember_it) && Click(login);
    }
};

struct MainWindow {
    HWND window = nullptr;
    HWND area = nullptr;      // the visible area choice
    HWND node = nullptr;      // the node choice
    HWND connect = nullptr;
    HWND disconnect = nullptr;
    HWND batch = nullptr;

    static MainWindow Find(DWORD pid, Milliseconds timeout);
    bool Valid() const { return window && connect && disconnect; }
    // Texts of part 0 of every status bar of the window (the hidden ones included).
    std::vector<std::wstring> StatusTexts() const;
    // Every part of every status bar.
    std::vector<std::wstring> AllStatusTexts() const;
    bool StatusShows(const std::wstring& text) const;
};

} // namespace e2e
