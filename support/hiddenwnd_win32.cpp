// Hidden message windows: the per-thread handler pool, the window class with its reference count,
// message-number allocation and dispatching to the components.
#include "support/hiddenwnd.h"

#include "core/sync.h"

#include <algorithm>

namespace support {

namespace {

// The base message number of every handler, as the system always used it.
constexpr UINT kMsgBase = 1025;

// Guards the window class registration and the count of hidden windows.
struct ClassState {
    core::CriticalSection lock;
    int windowCount = 0;
    bool registered = false;
};

ClassState& Classes()
{
    static ClassState state;
    return state;
}

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

core::String ErrorText(const char16_t* head, DWORD code)
{
    return core::String(head) + core::UIntToStr(code) + u".";
}

} // namespace

bool HiddenWndClassRegistered()
{
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    return GetClassInfoExW(ModuleInstance(), kHiddenWndClassName, &info) != FALSE;
}

// --- THiddenWndHandler ------------------------------------------------------------------------------

THiddenWndHandler::THiddenWndHandler(THiddenWndHandlerList* ownerList, UINT msgLow)
    : FMsgLow(msgLow), FOwnerList(ownerList)
{
}

THiddenWndHandler::~THiddenWndHandler() { DeallocateHWnd(); }

void THiddenWndHandler::CheckMsgLow() const
{
    if (FMsgLow < 1024)
        throw EHiddenWndException(u"MsgLow not defined");
}

HWND THiddenWndHandler::Handle()
{
    AllocateHWnd();
    return FHandle;
}

void THiddenWndHandler::AllocateHWnd()
{
    if (FHandle)
        return;
    // The window's messages arrive in the thread that makes it: that must be the handler's own.
    if (FOwnerList && FOwnerList->ThreadID != GetCurrentThreadId())
        throw EHiddenWndException(u"Cannot create the hidden window from another thread");
    ClassState& classes = Classes();
    core::CriticalSection::Lock guard(classes.lock);
    if (!classes.registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = 0;
        wc.lpfnWndProc = &THiddenWndHandler::WindowProc;
        wc.cbWndExtra = sizeof(LONG_PTR);  // the handler, at full width
        wc.hInstance = ModuleInstance();
        wc.lpszClassName = kHiddenWndClassName;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            throw EHiddenWndException(
                ErrorText(u"Unable to register THiddenWndControl hidden window class. Error #", GetLastError()));
        classes.registered = true;
    }
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, kHiddenWndClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                ModuleInstance(), nullptr);
    if (!hwnd) {
        const DWORD error = GetLastError();
        if (classes.windowCount == 0) {
            UnregisterClassW(kHiddenWndClassName, ModuleInstance());
            classes.registered = false;
        }
        throw EHiddenWndException(ErrorText(u"Unable to create THiddenWndControl hidden window.  Error #", error));
    }
    SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(this));
    FHandle = hwnd;
    ++classes.windowCount;
}

void THiddenWndHandler::DeallocateHWnd()
{
    if (!FHandle)
        return;
    ClassState& classes = Classes();
    core::CriticalSection::Lock guard(classes.lock);
    FMsgMap.fill(nullptr);
    FMsgCnt = 0;
    FTimers.clear();
    SetWindowLongPtrW(FHandle, 0, 0);
    DestroyWindow(FHandle);
    FHandle = nullptr;
    if (--classes.windowCount == 0 && classes.registered) {
        UnregisterClassW(kHiddenWndClassName, ModuleInstance());
        classes.registered = false;
    }
}

UINT THiddenWndHandler::AllocateMsgHandler(THiddenWndControl* obj)
{
    CheckMsgLow();
    if (FMsgCnt >= kMsgCount)
        throw EHiddenWndException(u"No more free message");
    int slot = 0;
    while (slot < kMsgCount && FMsgMap[size_t(slot)])
        ++slot;
    FMsgMap[size_t(slot)] = obj;
    ++FMsgCnt;
    return FMsgLow + UINT(slot);
}

void THiddenWndHandler::RegisterMessage(UINT msg, THiddenWndControl* obj)
{
    CheckMsgLow();
    if (msg < FMsgLow || msg > FMsgLow + kMsgCount - 1)
        throw EHiddenWndException(u"Msg value out of bound");
    if (FMsgMap[msg - FMsgLow])
        throw EHiddenWndException(u"Msg already registered");
    FMsgMap[msg - FMsgLow] = obj;
    ++FMsgCnt;
}

void THiddenWndHandler::UnregisterMessage(UINT& msg)
{
    if (msg == 0)
        return;
    CheckMsgLow();
    // A number below the base would index before the map.
    if (msg < FMsgLow || msg >= FMsgLow + kMsgCount)
        throw EHiddenWndException(u"Msg value out of bound");
    if (!FMsgMap[msg - FMsgLow])
        throw EHiddenWndException(u"Msg not registered");
    THiddenWndControl* owner = FMsgMap[msg - FMsgLow];
    FMsgMap[msg - FMsgLow] = nullptr;
    --FMsgCnt;
    msg = 0;
    // A component without numbers here has no timers here either.
    if (std::find(FMsgMap.begin(), FMsgMap.end(), owner) == FMsgMap.end()) {
        for (auto it = FTimers.begin(); it != FTimers.end();) {
            if (it->second == owner) {
                if (FHandle)
                    KillTimer(FHandle, it->first);
                it = FTimers.erase(it);
            } else {
                ++it;
            }
        }
    }
    if (FMsgCnt == 0)
        DeallocateHWnd();
}

void THiddenWndHandler::RegisterTimer(UINT_PTR id, THiddenWndControl* owner)
{
    for (auto& timer : FTimers) {
        if (timer.first == id) {
            timer.second = owner;
            return;
        }
    }
    FTimers.emplace_back(id, owner);
}

void THiddenWndHandler::UnregisterTimer(UINT_PTR id)
{
    FTimers.erase(std::remove_if(FTimers.begin(), FTimers.end(), [id](const auto& t) { return t.first == id; }),
                  FTimers.end());
}

LRESULT CALLBACK THiddenWndHandler::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* handler = reinterpret_cast<THiddenWndHandler*>(GetWindowLongPtrW(hwnd, 0));
    if (!handler || handler->FHandle != hwnd)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    return handler->Dispatch(hwnd, msg, wParam, lParam);
}

LRESULT THiddenWndHandler::Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TMessage message{msg, wParam, lParam, 0};
    try {
        if (msg >= FMsgLow && msg < FMsgLow + kMsgCount && FMsgMap[msg - FMsgLow]) {
            FMsgMap[msg - FMsgLow]->DispatchToComponent(message);
            return message.Result;
        }
        if (msg == WM_TIMER) {
            for (const auto& timer : FTimers) {
                if (timer.first == wParam) {
                    timer.second->DispatchToComponent(message);
                    return message.Result;
                }
            }
            return 0;  // not one of ours: ignored
        }
        bool handled = false;
        if (OnMessage)
            OnMessage(this, message, handled);
        if (handled)
            return message.Result;
    } catch (const core::Exception& e) {
        bool canClose = false;
        if (OnBgException) {
            try {
                OnBgException(nullptr, e, canClose);
            } catch (...) {
            }
        }
        return 0;
    } catch (...) {
        // Nothing may leave a window procedure.
        core::HandleException();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// --- THiddenWndHandlerPool --------------------------------------------------------------------------

THiddenWndHandlerPool& THiddenWndHandlerPool::Instance()
{
    static THiddenWndHandlerPool pool;
    return pool;
}

int THiddenWndHandlerPool::WindowCount()
{
    ClassState& classes = Classes();
    core::CriticalSection::Lock guard(classes.lock);
    return classes.windowCount;
}

THiddenWndHandler* THiddenWndHandlerPool::GetWndHandler(int handlerCount, DWORD threadId)
{
    core::CriticalSection::Lock guard(FCritSect);
    THiddenWndHandlerList* list = nullptr;
    for (auto it = FList.rbegin(); it != FList.rend() && !list; ++it) {
        if ((*it)->ThreadID == threadId)
            list = it->get();
    }
    if (!list) {
        FList.push_back(std::make_unique<THiddenWndHandlerList>(threadId));
        list = FList.back().get();
    }
    for (auto& handler : list->Handlers) {
        if (handler->MsgLeft() >= handlerCount)
            return handler.get();
    }
    list->Handlers.push_back(std::make_unique<THiddenWndHandler>(list, kMsgBase));
    return list->Handlers.back().get();
}

void THiddenWndHandlerPool::FreeWndHandler(THiddenWndHandler*& wndHandler)
{
    if (!wndHandler)
        return;
    core::CriticalSection::Lock guard(FCritSect);
    THiddenWndHandlerList* list = wndHandler->OwnerList();
    std::unique_ptr<THiddenWndHandler> owned;
    if (list) {
        auto it = std::find_if(list->Handlers.begin(), list->Handlers.end(),
                               [&](const auto& h) { return h.get() == wndHandler; });
        if (it != list->Handlers.end()) {
            owned = std::move(*it);
            list->Handlers.erase(it);
        }
        if (list->Handlers.empty()) {
            FList.erase(std::remove_if(FList.begin(), FList.end(), [&](const auto& l) { return l.get() == list; }),
                        FList.end());
        }
    }
    owned.reset();
    wndHandler = nullptr;
}

// --- THiddenWndControl ------------------------------------------------------------------------------

THiddenWndControl::THiddenWndControl(core::Component* owner) : core::Component(owner) {}

THiddenWndControl::~THiddenWndControl() { DisposeWindow(); }

void THiddenWndControl::DisposeWindow()
{
    if (Disposed)
        return;
    try {
        DetachWindow();
    } catch (...) {
        // A destructor raises nothing.
    }
    Disposed = true;
}

HWND THiddenWndControl::Handle()
{
    if (!FWndHandler)
        AttachWindow();
    return FWndHandler->Handle();
}

void THiddenWndControl::AttachWindow()
{
    if (FWndHandler)
        return;
    FThreadId = GetCurrentThreadId();
    THiddenWndHandlerPool& pool = THiddenWndHandlerPool::Instance();
    pool.Lock();
    try {
        if (!FWndHandler)
            FWndHandler = pool.GetWndHandler(MessageCountNeeded(), FThreadId);
        ReserveMessages();
    } catch (...) {
        try {
            FreeMessages();
        } catch (...) {
        }
        if (FWndHandler && FWndHandler->MsgLeft() == THiddenWndHandler::kMsgCount)
            pool.FreeWndHandler(FWndHandler);
        FWndHandler = nullptr;
        FThreadId = 0;
        pool.UnLock();
        throw;
    }
    pool.UnLock();
}

void THiddenWndControl::DetachWindow()
{
    if (!FWndHandler)
        return;
    THiddenWndHandlerPool& pool = THiddenWndHandlerPool::Instance();
    pool.Lock();
    for (const auto& timer : m_timers) {
        if (HWND hwnd = FWndHandler->HandleIfAllocated())
            KillTimer(hwnd, timer.first);
        FWndHandler->UnregisterTimer(timer.first);
    }
    m_timers.clear();
    try {
        FreeMessages();
    } catch (...) {
        pool.UnLock();
        throw;
    }
    if (FWndHandler && FWndHandler->MsgLeft() == THiddenWndHandler::kMsgCount)
        pool.FreeWndHandler(FWndHandler);
    FWndHandler = nullptr;
    FThreadId = 0;
    pool.UnLock();
}

void THiddenWndControl::ReserveMessages() { FMsgRelease = FWndHandler->AllocateMsgHandler(this); }

void THiddenWndControl::FreeMessages()
{
    if (FWndHandler)
        FWndHandler->UnregisterMessage(FMsgRelease);
}

void THiddenWndControl::ThreadAttach()
{
    if (FWndHandler)
        throw EHiddenWndException(u"Cannot attach when not detached");
    AttachWindow();
}

void THiddenWndControl::ThreadDetach()
{
    if (GetCurrentThreadId() != FThreadId)
        throw EHiddenWndException(u"Cannot detach from another thread");
    DetachWindow();
}

void THiddenWndControl::Release() { PostMessageW(Handle(), FMsgRelease, 0, reinterpret_cast<LPARAM>(this)); }

void THiddenWndControl::HandleReleaseMessage(TMessage&) { delete this; }

void THiddenWndControl::SetComponentTimer(UINT_PTR id, UINT intervalMs, std::function<void()> handler)
{
    HWND hwnd = Handle();
    KillComponentTimer(id);
    if (!SetTimer(hwnd, id, intervalMs, nullptr))
        throw EHiddenWndException(u"Cannot set timer");
    m_timers.emplace_back(id, std::move(handler));
    FWndHandler->RegisterTimer(id, this);
}

void THiddenWndControl::KillComponentTimer(UINT_PTR id)
{
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->first == id) {
            if (FWndHandler && FWndHandler->HandleIfAllocated())
                KillTimer(FWndHandler->HandleIfAllocated(), id);
            if (FWndHandler)
                FWndHandler->UnregisterTimer(id);
            m_timers.erase(it);
            return;
        }
    }
}

void THiddenWndControl::HandleTimerMessage(TMessage& msg)
{
    for (const auto& timer : m_timers) {
        if (timer.first == msg.WParam) {
            if (timer.second)
                timer.second();
            return;
        }
    }
}

void THiddenWndControl::DispatchToComponent(TMessage& msg)
{
    try {
        WindowProcedure(msg);
    } catch (const core::Exception& e) {
        HandleBackgroundError(e);
    }
}

void THiddenWndControl::WindowProcedure(TMessage& msg)
{
    try {
        if (msg.Msg == FMsgRelease && FMsgRelease != 0)
            HandleReleaseMessage(msg);
        else if (msg.Msg == WM_TIMER)
            HandleTimerMessage(msg);
        else
            msg.Result = DefWindowProcW(FWndHandler ? FWndHandler->HandleIfAllocated() : nullptr, msg.Msg, msg.WParam,
                                        msg.LParam);
    } catch (const core::Exception& e) {
        HandleBackgroundError(e);
    }
}

void THiddenWndControl::HandleBackgroundError(const std::exception& e)
{
    bool canAbort = true;
    if (OnBgException) {
        try {
            FireBackgroundError(e, canAbort);
        } catch (...) {
        }
    }
    if (canAbort) {
        try {
            AbortWork();
        } catch (...) {
        }
    }
}

void THiddenWndControl::FireBackgroundError(const std::exception& e, bool& canAbort)
{
    if (OnBgException)
        OnBgException(this, e, canAbort);
}

void THiddenWndControl::MessageLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    FTerminated = true;
}

bool THiddenWndControl::ProcessMessage()
{
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        FTerminated = true;
    } else {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void THiddenWndControl::ProcessMessages()
{
    while (ProcessMessage()) {
    }
}

void THiddenWndControl::MessagePump()
{
    if (OnMessagePump)
        OnMessagePump(this);
    else
        ProcessMessages();  // the application's own processing is the same loop on this thread
}

} // namespace support
