// The platform the Windows build is tested on: the Chinese ANSI code page of the users' machines
// and a working window system.
#include "core/win32.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ToAnsi(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::wstring FromAnsi(const std::string& bytes)
{
    int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring text(size_t(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), text.data(), size);
    return text;
}

} // namespace

TEST(WinePlatform, AnsiCodePageIsChinese)
{
    EXPECT_EQ(GetACP(), 936u);
}

TEST(WinePlatform, ChineseTextRoundTripsThroughTheAnsiCodePage)
{
    const std::wstring device = L"WAN 微型端口 (PPTP)";
    const std::string bytes = ToAnsi(device);
    EXPECT_EQ(bytes, "WAN \xCE\xA2\xD0\xCD\xB6\xCB\xBF\xDA (PPTP)");
    EXPECT_EQ(FromAnsi(bytes), device);
}

TEST(WinePlatform, CreatesAndDestroysAWindow)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"客户端", WS_OVERLAPPEDWINDOW, 10, 20, 300, 200,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    wchar_t title[16] = {};
    GetWindowTextW(window, title, 16);
    EXPECT_STREQ(title, L"客户端");
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(rect.right - rect.left, 300);
    EXPECT_EQ(rect.bottom - rect.top, 200);
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(IsWindow(window));
}
