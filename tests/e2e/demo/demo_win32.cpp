// The scripted demo of ./run on a display nobody watches: starts client.exe and goes through what a
// user does with the demo account (log in, batch test, connect, watch the traffic, disconnect, exit)
// through the driver. Before each screenshot it prints "shot NAME" and waits until NAME.png exists
// in the output folder, which the calling script makes from the X display.
//
//   e2e_demo CLIENT.EXE OUTPUT-FOLDER
//
// Exit code: the client's exit code, or 1 when a step did not come about.
#include "tests/e2e/client.h"
#include "tests/e2e/process.h"

#include <cstdio>
#include <string>
#include <thread>

namespace {

using namespace e2e;
using namespace std::chrono_literals;

std::wstring g_output;

void Say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

void Shot(const char* name)
{
    const std::wstring png = g_output + L"\\" + std::wstring(name, name + strlen(name)) + L".png";
    DeleteFileW(png.c_str());
    std::printf("shot %s\n", name);
    std::fflush(stdout);
    WaitFor([&] { return GetFileAttributesW(png.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15s);
    std::this_thread::sleep_for(300ms);
}

// Brings the main window back from the notification area, as its "显示主界面" item does.
void Restore(HWND window)
{
    ShowWindowAsync(window, SW_RESTORE);
    ShowWindowAsync(window, SW_SHOW);
    SetForegroundWindow(window);
    std::this_thread::sleep_for(1s);
}

int Fail(const char* what, Process& client)
{
    std::printf("demo: %s\n", what);
    std::fflush(stdout);
    client.Kill();
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fputs("usage: e2e_demo CLIENT.EXE OUTPUT-FOLDER\n", stderr);
        return 2;
    }
    const std::wstring program = argv[1];
    g_output = argv[2];
    const std::wstring folder = program.substr(0, program.find_last_of(L"\\/"));
    Process client = Process::Start(program, {}, folder);

    LoginWindow login = LoginWindow::Find(client.Id(), 60s);
    if (!login.Valid())
        return Fail("no login window", client);
    std::this_thread::sleep_for(1s);
    Say("step: log in as demo / demo123");
    if (!login.Fill(L"demo", L"demo123", true))
        return Fail("cannot fill in the login", client);
    Shot("01-login");
    if (!Click(login.login))
        return Fail("cannot press \"登  陆\"", client);

    MainWindow main = MainWindow::Find(client.Id(), 30s);
    if (!main.Valid())
        return Fail("no main window after the login", client);
    std::this_thread::sleep_for(2s);
    Shot("02-main-window");

    Say("step: batch latency test");
    if (!main.batch || !Click(main.batch))
        return Fail("cannot start the batch test", client);
    std::this_thread::sleep_for(6s);
    Shot("03-batch-test");
    Click(main.batch);
    WaitFor([&] { return TextOf(main.batch) == text::kBatch; }, 10s);
    std::this_thread::sleep_for(1s);

    Say("step: connect (PPTP) to the first node");
    if (!Click(main.connect))
        return Fail("cannot press \"连接\"", client);
    std::this_thread::sleep_for(2s);
    Shot("04-connecting");
    if (!WaitFor([&] { return main.StatusShows(text::kConnectedStatus); }, 30s))
        return Fail("the connection did not come up", client);
    // The client hides in the notification area once connected; the traffic shows every 3 s.
    std::this_thread::sleep_for(2s);
    Restore(main.window);
    std::this_thread::sleep_for(8s);
    Shot("05-connected-traffic");

    Say("step: disconnect");
    if (!Click(main.disconnect))
        return Fail("cannot press \"断开\"", client);
    WaitFor([&] { return IsEnabled(main.connect) && !IsEnabled(main.disconnect); }, 20s);
    Restore(main.window);
    Shot("06-disconnected");

    Say("step: close the main window");
    PostMessageW(main.window, WM_CLOSE, 0, 0);
    const auto code = client.WaitExit(30s);
    if (!code)
        return Fail("the client did not end", client);
    std::printf("client.exe ended with exit code %lu\n", static_cast<unsigned long>(*code));
    return static_cast<int>(*code);
}
