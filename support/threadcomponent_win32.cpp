// Windows half of the worker thread component: the system-wide named mutex "ThreadComponentMutex"
// and the servicing of the GUI thread's messages while a component waits for its workers.
// The component header (core/sync.h) goes before the Windows headers: their INFINITE macro would
// clash with its constant.
#include "support/threadcomponent.h"

#include "core/win32.h"

#include "core/exception.h"

namespace support::detail {

namespace {
// Opened on first use (not owned) and closed at process end.
class NamedMutex {
public:
    NamedMutex() : m_handle(CreateMutexW(nullptr, FALSE, L"ThreadComponentMutex")) {}
    ~NamedMutex()
    {
        if (m_handle)
            CloseHandle(m_handle);
    }
    HANDLE Handle() const { return m_handle; }

private:
    HANDLE m_handle;
};

NamedMutex& ThreadComponentMutex()
{
    static NamedMutex mutex;
    return mutex;
}
} // namespace

void AcquireThreadComponentMutex()
{
    HANDLE handle = ThreadComponentMutex().Handle();
    if (!handle)
        throw core::EOSError(u"Cannot create the mutex \"ThreadComponentMutex\"", GetLastError());
    // An abandoned mutex is owned by the caller all the same.
    const DWORD result = WaitForSingleObject(handle, INFINITE);
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED)
        throw core::EOSError(u"Cannot wait for the mutex \"ThreadComponentMutex\"", GetLastError());
}

void ReleaseThreadComponentMutex()
{
    if (HANDLE handle = ThreadComponentMutex().Handle())
        ReleaseMutex(handle);
}

void ServiceSentMessages()
{
    MSG msg;
    // Peeking for sent messages dispatches them; nothing is removed from the posted queue.
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

void HandleOneMessage(uint32_t timeoutMs)
{
    const bool mainThread = core::CurrentThreadId() == core::MainThreadId();
    if (mainThread && core::CheckSynchronize(0))
        return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs, QS_ALLINPUT);
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));  // kept for the loop that owns it
        } else {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (mainThread)
        core::CheckSynchronize(0);
}

} // namespace support::detail
