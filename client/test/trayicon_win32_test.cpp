// The tray icon over a recording shell: the record it sends, adding and removing, text limits,
// the taskbar's re-creation, the session messages, the mouse actions and the icon choice.
#include "client/trayicon.h"

#include "client/test/clientfixture_win32.h"
#include "ui/imagelist.h"
#include "ui/menu.h"

#include <gtest/gtest.h>

namespace client::test {
namespace {

using core::String;

class TrayIconTest : public ClientTest {
protected:
    std::unique_ptr<TTrayIcon> icon = std::make_unique<TTrayIcon>(nullptr, &tray);
    LRESULT Mouse(UINT code) { return SendMessageW(icon->Handle(), kTrayCallbackMessage, kTrayIconId, code); }
    ~TrayIconTest() override { icon.reset(); }
};

TEST_F(TrayIconTest, RecordComesFromThePlatformHeaders)
{
    ASSERT_FALSE(tray.calls.empty());
    const NOTIFYICONDATAW& data = tray.calls.front().data;
    EXPECT_EQ(tray.calls.front().message, DWORD(NIM_ADD));
    EXPECT_EQ(data.cbSize, icon->SupportBalloonHints() ? DWORD(sizeof(NOTIFYICONDATAW)) : DWORD(NOTIFYICONDATAW_V1_SIZE));
    EXPECT_EQ(data.uID, kTrayIconId);
    EXPECT_EQ(data.hWnd, icon->Handle());
    EXPECT_EQ(data.uCallbackMessage, 0x2422u);
    EXPECT_EQ(data.uFlags & (NIF_MESSAGE | NIF_ICON), UINT(NIF_MESSAGE | NIF_ICON));
    EXPECT_NE(data.hIcon, nullptr);
    // A hidden top-level window, so that broadcasts reach it.
    EXPECT_EQ(GetParent(icon->Handle()), nullptr);
    EXPECT_EQ(GetAncestor(icon->Handle(), GA_PARENT), GetDesktopWindow());
    EXPECT_FALSE(IsWindowVisible(icon->Handle()));
}

TEST_F(TrayIconTest, EnabledAddsAndRemoves)
{
    EXPECT_EQ(tray.icons, 1);
    icon->SetEnabled(true);
    EXPECT_EQ(tray.calls.size(), 1u);  // unchanged: nothing sent
    icon->SetEnabled(false);
    EXPECT_EQ(tray.icons, 0);
    EXPECT_EQ(tray.calls.back().message, DWORD(NIM_DELETE));
    icon->SetEnabled(true);
    EXPECT_EQ(tray.icons, 1);
    icon.reset();
    EXPECT_EQ(tray.icons, 0);
}

TEST_F(TrayIconTest, WhileLoadingNothingIsSentUntilLoaded)
{
    icon.reset();
    tray.calls.clear();
    icon = std::make_unique<TTrayIcon>(nullptr, &tray, true);
    icon->SetEnabled(false);
    icon->Loaded();
    EXPECT_TRUE(tray.calls.empty());
    EXPECT_EQ(tray.icons, 0);
    icon->SetEnabled(true);
    EXPECT_EQ(tray.icons, 1);
}

TEST_F(TrayIconTest, RefusedAddTurnsItselfOff)
{
    icon.reset();
    tray.accept = false;
    icon = std::make_unique<TTrayIcon>(nullptr, &tray);
    EXPECT_FALSE(icon->Enabled());
}

TEST_F(TrayIconTest, TextsAreCutToTheRecordsFields)
{
    icon->SetHint(String(200, u'提'));
    EXPECT_EQ(std::wstring(icon->IconData().szTip).size(), 127u);
    EXPECT_TRUE(icon->IconData().uFlags & NIF_TIP);
    EXPECT_EQ(tray.calls.back().message, DWORD(NIM_MODIFY));
    icon->SetHint(u"");
    EXPECT_FALSE(icon->IconData().uFlags & NIF_TIP);
    if (!icon->SupportBalloonHints())
        GTEST_SKIP() << "the shell of this system shows no balloons";
    icon->ShowBalloonHint(String(100, u'T'), String(300, u'M'), bhiInfo, 10);
    const NOTIFYICONDATAW& sent = tray.calls.back().data;
    EXPECT_EQ(std::wstring(sent.szInfo).size(), 255u);
    EXPECT_EQ(std::wstring(sent.szInfoTitle).size(), 63u);
    EXPECT_EQ(sent.uTimeout, 10000u);
    EXPECT_EQ(sent.dwInfoFlags, DWORD(NIIF_INFO));
    EXPECT_EQ(sent.uFlags, UINT(NIF_INFO));
}

TEST_F(TrayIconTest, TaskbarRecreationPutsAnEnabledIconBack)
{
    ASSERT_NE(TaskbarCreatedMessage(), 0u);
    tray.icons = 0;  // the old taskbar took its icons with it
    SendMessageW(icon->Handle(), TaskbarCreatedMessage(), 0, 0);
    EXPECT_EQ(tray.icons, 1);
    EXPECT_EQ(tray.calls.back().message, DWORD(NIM_ADD));
    icon->SetEnabled(false);
    const size_t calls = tray.calls.size();
    SendMessageW(icon->Handle(), TaskbarCreatedMessage(), 0, 0);
    EXPECT_EQ(tray.calls.size(), calls);
    EXPECT_EQ(tray.icons, 0);
}

TEST_F(TrayIconTest, SessionMessages)
{
    bool answer = false;
    icon->OnQueryEndSession = [&](core::Object*, bool& canEnd) { canEnd = answer; };
    EXPECT_EQ(SendMessageW(icon->Handle(), WM_QUERYENDSESSION, 0, 0), 0);
    answer = true;
    EXPECT_EQ(SendMessageW(icon->Handle(), WM_QUERYENDSESSION, 0, 0), 1);
    int ends = 0;
    icon->OnEndSession = [&](core::Object*) { ++ends; };
    SendMessageW(icon->Handle(), WM_ENDSESSION, 0, 0);
    EXPECT_EQ(tray.icons, 1);
    SendMessageW(icon->Handle(), WM_ENDSESSION, 1, 0);
    EXPECT_EQ(ends, 2);
    EXPECT_EQ(tray.icons, 0);
}

TEST_F(TrayIconTest, MouseActionsRestoreShowTheMenuAndRaiseEvents)
{
    ui::PopupMenu menu;
    icon->SetPopupMenu(&menu);
    icon->RestoreOn = ticLeftClick;
    icon->PopupMenuOn = ticRightClickUp;
    std::vector<std::string> log;
    icon->OnRestoreApp = [&](core::Object*) { log.push_back("restore"); };
    icon->OnLButtonDown = [&](core::Object*) { log.push_back("ldown"); };
    icon->OnRButtonUp = [&](core::Object*) { log.push_back("rup"); };
    icon->PopupHook = [&](int, int) {
        log.push_back(icon->MenuUp() ? "menu" : "menu-not-up");
        icon->RestoreApp();  // nothing while the menu is up
    };
    Mouse(WM_LBUTTONDOWN);
    Mouse(WM_LBUTTONUP);
    Mouse(WM_RBUTTONUP);
    EXPECT_EQ(log, (std::vector<std::string>{"restore", "ldown", "menu", "rup"}));
    EXPECT_FALSE(icon->MenuUp());
    icon->SetPopupMenu(nullptr);
}

TEST_F(TrayIconTest, IconIndexOutsideTheListShowsTheApplicationIcon)
{
    ui::ImageList icons(nullptr, 16, 16);
    icons.AddIcon(LoadIconW(nullptr, IDI_WARNING));
    icon->SetIcons(&icons);
    icon->SetIconIndex(0);
    HICON fromList = icon->IconData().hIcon;
    icon->SetIconIndex(5);
    HICON application = icon->IconData().hIcon;
    EXPECT_NE(fromList, application);
    icon->SetDefaultIcon();
    EXPECT_EQ(tray.calls.back().data.hIcon, application);
    icon->SetIcons(nullptr);
}

TEST_F(TrayIconTest, AnimationStepsThroughTheList)
{
    ui::ImageList icons(nullptr, 16, 16);
    icons.AddIcon(LoadIconW(nullptr, IDI_WARNING));
    icons.AddIcon(LoadIconW(nullptr, IDI_ERROR));
    icon->SetIcons(&icons);
    icon->SetInterval(500);
    icon->SetAnimate(true);
    EXPECT_TRUE(icon->Animate());
    EXPECT_EQ(icon->Interval(), 500u);
    m_clock.Advance(500);
    EXPECT_EQ(icon->IconIndex(), 1);
    m_clock.Advance(500);
    EXPECT_EQ(icon->IconIndex(), 0);
    icon->SetAnimate(false);
    icon->SetIcons(nullptr);
}

} // namespace
} // namespace client::test
