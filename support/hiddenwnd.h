// Hidden message windows for non-visual components. A THiddenWndControl borrows message numbers from
// a THiddenWndHandler, which owns one hidden window (class "HiddenWndControlWindowClass") and
// dispatches up to 100 message numbers to the components registered on them. Handlers are kept per
// thread by one process-wide pool: a component's messages arrive in the thread that attached it,
// and only while that thread pumps messages. A handler makes its window when the window is first
// needed (a component's Handle, a timer, a posted message), in the thread that owns the handler, so
// that components that never receive a message cost no window. Windows only.
#pragma once
// core/sync.h goes before the Windows headers, whose INFINITE macro would clash with its constant.
#include "core/sync.h"
#include "core/win32.h"

#include "core/component.h"
#include "core/exception.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace support {

class EHiddenWndException : public core::Exception {
public:
    using Exception::Exception;
};

// One window message as the components see it.
struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

class THiddenWndControl;
class THiddenWndHandlerList;

using TBgExceptionEvent = std::function<void(core::Object* sender, const std::exception& e, bool& canClose)>;

class THiddenWndHandler {
public:
    static constexpr int kMsgCount = 100;

    explicit THiddenWndHandler(THiddenWndHandlerList* ownerList, UINT msgLow);
    ~THiddenWndHandler();
    THiddenWndHandler(const THiddenWndHandler&) = delete;
    THiddenWndHandler& operator=(const THiddenWndHandler&) = delete;

    // Stores obj in the first free slot and returns its message number.
    UINT AllocateMsgHandler(THiddenWndControl* obj);
    void RegisterMessage(UINT msg, THiddenWndControl* obj);
    // Nothing for 0; frees the slot and sets msg to 0. The window goes with the last number.
    void UnregisterMessage(UINT& msg);
    // Timers of the components: a WM_TIMER is delivered only for a registered identifier.
    void RegisterTimer(UINT_PTR id, THiddenWndControl* owner);
    void UnregisterTimer(UINT_PTR id);

    // The window, made on first use; EHiddenWndException when that is asked from another thread
    // than the handler's.
    HWND Handle();
    HWND HandleIfAllocated() const { return FHandle; }
    UINT MsgLow() const { return FMsgLow; }
    int MsgLeft() const { return kMsgCount - FMsgCnt; }
    THiddenWndHandlerList* OwnerList() const { return FOwnerList; }
    void SetOwnerList(THiddenWndHandlerList* list) { FOwnerList = list; }

    std::function<void(THiddenWndHandler* sender, TMessage& msg, bool& handled)> OnMessage;
    TBgExceptionEvent OnBgException;

private:
    friend class THiddenWndHandlerPool;
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void CheckMsgLow() const;
    void AllocateHWnd();
    void DeallocateHWnd();

    HWND FHandle = nullptr;
    std::array<THiddenWndControl*, kMsgCount + 1> FMsgMap{};
    UINT FMsgLow;
    int FMsgCnt = 0;
    THiddenWndHandlerList* FOwnerList;
    std::vector<std::pair<UINT_PTR, THiddenWndControl*>> FTimers;
};

// The handlers of one thread.
class THiddenWndHandlerList {
public:
    explicit THiddenWndHandlerList(DWORD threadId) : ThreadID(threadId) {}
    const DWORD ThreadID;
    std::vector<std::unique_ptr<THiddenWndHandler>> Handlers;
};

// The process-wide pool of per-thread handler lists.
class THiddenWndHandlerPool {
public:
    static THiddenWndHandlerPool& Instance();
    void Lock() { FCritSect.Enter(); }
    void UnLock() { FCritSect.Leave(); }
    // A handler of the thread with at least handlerCount free numbers (a new one when none has).
    THiddenWndHandler* GetWndHandler(int handlerCount, DWORD threadId);
    void FreeWndHandler(THiddenWndHandler*& wndHandler);
    // Number of hidden windows of the process (for tests and diagnostics).
    static int WindowCount();

private:
    std::vector<std::unique_ptr<THiddenWndHandlerList>> FList;
    core::CriticalSection FCritSect;
};

// The window class name and whether the module has it registered now.
inline constexpr wchar_t kHiddenWndClassName[] = L"HiddenWndControlWindowClass";
bool HiddenWndClassRegistered();

class THiddenWndControl : public core::Component {
public:
    explicit THiddenWndControl(core::Component* owner = nullptr);
    ~THiddenWndControl() override;

    // Attaches in the calling thread on first read; the window is made then.
    HWND Handle();
    bool Attached() const { return FWndHandler != nullptr; }
    THiddenWndHandler* WndHandler() const { return FWndHandler; }
    DWORD ThreadID() const { return FThreadId; }
    bool Terminated() const { return FTerminated; }
    bool MultiThreaded() const { return FMultiThreaded; }
    void SetMultiThreaded(bool value) { FMultiThreaded = value; }

    void ThreadAttach();
    void ThreadDetach();
    // Posts the release message; the component frees itself when it is handled (heap objects only).
    virtual void Release();
    virtual void MessageLoop();
    virtual bool ProcessMessage();
    virtual void ProcessMessages();
    virtual void MessagePump();

    // Timers delivered through the hidden window; the component must be attached.
    void SetComponentTimer(UINT_PTR id, UINT intervalMs, std::function<void()> handler);
    void KillComponentTimer(UINT_PTR id);

    TBgExceptionEvent OnBgException;
    std::function<void(core::Object* sender)> OnMessagePump;

protected:
    friend class THiddenWndHandler;
    // The handler's way in: WindowProcedure with its errors routed to HandleBackgroundError.
    void DispatchToComponent(TMessage& msg);
    virtual void DisposeWindow();
    virtual void HandleTimerMessage(TMessage& msg);
    virtual void WindowProcedure(TMessage& msg);
    virtual void HandleBackgroundError(const std::exception& e);
    virtual void FireBackgroundError(const std::exception& e, bool& canAbort);
    virtual void HandleReleaseMessage(TMessage& msg);
    virtual void AttachWindow();
    virtual void DetachWindow();
    virtual int MessageCountNeeded() { return 1; }
    virtual void ReserveMessages();
    virtual void FreeMessages();
    virtual void AbortWork() {}

    bool Disposed = false;
    DWORD FThreadId = 0;
    bool FTerminated = false;
    bool FMultiThreaded = false;
    THiddenWndHandler* FWndHandler = nullptr;
    UINT FMsgRelease = 0;

private:
    std::vector<std::pair<UINT_PTR, std::function<void()>>> m_timers;
};

} // namespace support
