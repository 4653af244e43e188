// Windows tests of the worker thread component: the system-wide named mutex, and destruction while a
// worker waits in a cross-thread SendMessage to the destroying thread.
#include "support/threadcomponent.h"

#include "core/win32.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace support;

TEST(ThreadComponentWin32, CallUnderThreadMutexHoldsTheNamedMutex)
{
    std::atomic<bool> heldElsewhere{false};
    CallUnderThreadMutex([&](core::Object*) {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"ThreadComponentMutex");
        ASSERT_NE(mutex, nullptr);
        // Another thread cannot take it while the routine runs.
        HANDLE probe = CreateThread(
            nullptr, 0,
            [](LPVOID param) -> DWORD {
                HANDLE m = static_cast<HANDLE>(param);
                const DWORD result = WaitForSingleObject(m, 0);
                if (result == WAIT_OBJECT_0)
                    ReleaseMutex(m);
                return result;
            },
            mutex, 0, nullptr);
        WaitForSingleObject(probe, 5000);
        DWORD code = 0;
        GetExitCodeThread(probe, &code);
        heldElsewhere.store(code == WAIT_TIMEOUT);
        CloseHandle(probe);
        CloseHandle(mutex);
    });
    EXPECT_TRUE(heldElsewhere.load());
}

TEST(ThreadComponentWin32, DestructionServicesAWorkersSendMessage)
{
    core::SetMainThread();
    HWND target = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(target, nullptr);
    std::atomic<bool> sent{false};
    std::atomic<bool> running{false};
    {
        TThreadComponent component;
        component.OnExecute = [&](TComponentBaseThread* self, void*) {
            running.store(true);
            while (!self->Terminated())
                Sleep(1);
            // Blocks until the window's thread, which is destroying the component, handles it.
            SendMessageW(target, WM_NULL, 0, 0);
            sent.store(true);
        };
        ASSERT_NE(component.Execute(), nullptr);
        while (!running.load())
            Sleep(1);
    }
    EXPECT_TRUE(sent.load());
    DestroyWindow(target);
}
