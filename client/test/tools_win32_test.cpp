// The process, service and IP-helper utilities against the real system under Wine.
#include "core/win32.h"

#include "client/tools.h"  // after the Windows headers: it takes back their StartService macro

#include <gtest/gtest.h>

#include <string>

namespace client {
namespace {

TEST(Tools, CommandLineOfTheOwnAndOfAChildProcess)
{
    const std::u16string own = GetProcessCommandLine(GetCurrentProcessId());
    EXPECT_EQ(own, std::u16string(reinterpret_cast<const char16_t*>(GetCommandLineW())));

    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(exe) + L"\" --gtest_list_tests -k netsvc";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr,
                               nullptr, &startup, &info));
    const std::u16string child = GetProcessCommandLine(info.dwProcessId);
    TerminateProcess(info.hProcess, 0);
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    EXPECT_EQ(child, std::u16string(line.begin(), line.end()));
    EXPECT_NE(child.find(u"-k netsvc"), std::u16string::npos);
}

TEST(Tools, CommandLineOfNoProcessIsEmpty)
{
    EXPECT_EQ(GetProcessCommandLine(0xFFFFFFF0u), u"");
}

TEST(Tools, EveryHandleOpenedIsClosed)
{
    DWORD before = 0, after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
    for (int i = 0; i < 20; ++i) {
        GetProcessCommandLine(GetCurrentProcessId());
        SystemActionsOfPlatform().Processes();
        TServiceManager manager;
        manager.Connect();
        manager.OpenServiceConnection(u"NoSuchServiceOfTheClient");
    }
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
    EXPECT_LE(after, before + 2);  // the system may keep a cached handle or two
}

TEST(Tools, ProcessesIncludeTheOwn)
{
    bool found = false;
    for (const ProcessInfo& process : SystemActionsOfPlatform().Processes())
        found |= process.pid == GetCurrentProcessId();
    EXPECT_TRUE(found);
}

TEST(Tools, IpHelperLoadsOnce)
{
    ASSERT_TRUE(LoadIpHlpApi());
    HMODULE first = GetModuleHandleW(L"IPHLPAPI.DLL");
    EXPECT_GT(IpHlpApiBoundCount(), 20);
    EXPECT_TRUE(LoadIpHlpApi());
    EXPECT_EQ(GetModuleHandleW(L"IPHLPAPI.DLL"), first);
    UnloadIpHlpApi();
    EXPECT_EQ(IpHlpApiBoundCount(), 0);
}

TEST(Tools, UnknownServiceCannotBeStarted)
{
    TServiceManager manager;
    ASSERT_TRUE(manager.Connect());
    EXPECT_NE(manager.ServiceControlManager(), 0u);
    EXPECT_FALSE(manager.OpenServiceConnection(u"NoSuchServiceOfTheClient"));
    EXPECT_EQ(manager.ServiceHandle(), 0u);
    EXPECT_FALSE(manager.StartService());
    EXPECT_FALSE(SystemActionsOfPlatform().StartService(u"NoSuchServiceOfTheClient"));
}

TEST(Tools, DebugPrivilegeCanBeAskedForAgain)
{
    EnableDebugPrivilege();
    EnableDebugPrivilege();
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    LUID debug{};
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &debug));
    PRIVILEGE_SET set{1, PRIVILEGE_SET_ALL_NECESSARY, {{debug, 0}}};
    BOOL enabled = FALSE;
    ASSERT_TRUE(PrivilegeCheck(token, &set, &enabled));
    CloseHandle(token);
    EXPECT_TRUE(enabled);
}

} // namespace
} // namespace client
