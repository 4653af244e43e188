// The worker thread component: each Execute runs the OnExecute handler in a new worker thread; the
// component lists its threads, reports their end on the GUI (main) thread and stops them
// cooperatively. CallUnderThreadMutex runs a routine while holding the process-wide (and, on
// Windows, system-wide) named mutex "ThreadComponentMutex".
//
// Threads cannot be suspended or killed from outside in this system: "suspending" and "pausing" a
// worker are cooperative, the worker blocks only where it calls WaitWhilePaused(), and a forced end
// is handled like Terminate. A worker terminated before its thread begins does not run OnExecute at
// all (its end is reported as usual). End events need the GUI thread to run queued calls (core::
// CheckSynchronize, which the application loop does); Destroy and WaitFor do so themselves.
#pragma once
#include "core/string.h"
#include "core/sync.h"
#include "core/thread.h"
#include "support/extcomponent.h"

#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <condition_variable>
#include <vector>

namespace support {

// Runs method (with a null sender) in the calling thread while holding "ThreadComponentMutex";
// the mutex is released also when method raises (the error passes on).
void CallUnderThreadMutex(const std::function<void(core::Object* sender)>& method);

// A thread that can be paused and resumed from any thread. Pausing is cooperative: the thread's
// Execute blocks in WaitWhilePaused() while paused.
class TPausableThread : public core::Thread {
public:
    explicit TPausableThread(bool createSuspended) : core::Thread(createSuspended) {}
    ~TPausableThread() override;
    bool Paused() const;
    void SetPaused(bool value);
    // Blocks the calling worker while the thread is paused; returns at once when it is terminated.
    void WaitWhilePaused();

protected:
    void TerminatedSet() override;

private:
    mutable std::mutex m_pauseLock;
    std::condition_variable m_pauseChanged;
    bool FPaused = false;  // guarded by m_pauseLock
};

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8, mbAbort = 16, mbRetry = 32, mbIgnore = 64 };
using TMsgDlgButtons = unsigned;
using TShowMessageDlgEvent = std::function<void(const core::String& msg, TMsgDlgType type, TMsgDlgButtons buttons,
                                                int helpCtx, uint16_t& dlgResult)>;

class TComponentBaseThread;
using TThreadExecuteEvent = std::function<void(TComponentBaseThread* sender, void* params)>;

// One worker of a TThreadComponent; always made suspended.
class TComponentBaseThread : public TPausableThread {
public:
    TComponentBaseThread(core::Object* sender, TThreadExecuteEvent event, void* params);

    // First call: BeforeResume of the component (an error makes the thread start terminated),
    // then the thread runs. Later calls un-pause it.
    void ResumeThread();
    // Runs method on the GUI thread while this thread waits.
    void SynchronizeCall(std::function<void()> method) { Synchronize(std::move(method)); }
    uint16_t SynchMessageDlg(const core::String& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx);

    bool ExecuteIsActive() const { return FExecuteIsActive.load(); }
    // The end has been reported to the component.
    bool Finished() const { return FFinished.load(); }
    void* Params() const { return FParams; }
    bool OnResumeDone() const { return FOnResumeDone; }
    bool InternalTerminate() const { return FInternalTerminate.load(); }
    // The error that ended OnExecute, if any.
    std::exception_ptr ExceptionObject() const;
    TShowMessageDlgEvent OnShowMessageDlgEvent;

protected:
    void Execute() override;

private:
    friend class TThreadComponent;
    mutable std::mutex m_exceptionLock;
    std::exception_ptr FException;
    std::atomic<bool> FInternalTerminate = false;
    TThreadExecuteEvent FExecuteEvent;
    bool FOnResumeDone = false;
    std::atomic<bool> FExecuteIsActive = false;
    std::atomic<bool> FFinished = false;
    void* FParams;
    core::Object* FSender;
};

class TThreadComponent : public TExtComponent {
public:
    explicit TThreadComponent(core::Component* owner = nullptr);
    ~TThreadComponent() override;

    // Starts a worker; null when refused (exclusive and running, limit reached, no handler) or when
    // the thread could not be made. Never raises.
    TComponentBaseThread* Execute(void* p = nullptr);
    void ExecuteAndWait(void* p = nullptr);
    void ExecuteThreadAndWait(void* p = nullptr);
    void ExecuteWithDialog(void* p = nullptr);
    // Sets the terminated flag of every listed thread and resumes them; does not wait.
    void Terminate();
    virtual void CancelExecute();
    void TerminateWaitFor(bool removeZombies);
    // Handles GUI messages and queued calls until no listed thread runs.
    void WaitFor();
    // Null: resumes every listed thread.
    void Resume(TComponentBaseThread* baseThread = nullptr);
    // Cooperative: pauses the calling worker, or every listed unfinished thread.
    void Suspend();
    // Null: frees every finished thread that does not free itself.
    void RemoveZombie(TComponentBaseThread* baseThread = nullptr);
    void Synchronize(std::function<void()> method);
    uint16_t SynchMessageDlg(const core::String& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx);
    void SetPriority(core::ThreadPriority priority);
    // Holds the list (recursive) for walking it with Threads().
    void Lock();
    void Unlock();
    const std::vector<TComponentBaseThread*>& LockedList() const { return FThreads; }
    void DisableDialogShowDelay() { ++FDisalbeDialogShowDelayCounter; }
    void EnableDialogShowDelay() { --FDisalbeDialogShowDelayCounter; }
    bool IsDialogShowDelayDisabled() const { return FDisalbeDialogShowDelayCounter.load() > 0; }
    void Notification(core::Component* component, core::Operation operation) override;

    // Properties.
    bool Exclusive() const { return FExclusive; }
    void SetExclusive(bool value) { FExclusive = value; }
    int MaxCount() const { return FMaxCount; }
    void SetMaxCount(int value) { FMaxCount = value; }
    bool RunOnCreate() const { return FRunOnCreate; }
    void SetRunOnCreate(bool value) { FRunOnCreate = value; }
    bool FreeOnTerminate() const { return FFreeOnTerminate; }
    void SetFreeOnTerminate(bool value) { FFreeOnTerminate = value; }
    core::ThreadPriority Priority() const { return FPriority; }
    TCustomThreadDialog* ThreadDialog() const { return FThreadDialog; }
    void SetThreadDialog(TCustomThreadDialog* value);
    TThreadDialogFormLink* ThreadDialogForm() const { return FThreadDialogForm; }
    bool ThreadDialogAllowed() const { return FThreadDialogAllowed; }
    void SetThreadDialogAllowed(bool value) { FThreadDialogAllowed = value; }
    core::Object* ConnectedDataObject() const { return FConnectedDataObject; }
    void SetConnectedDataObject(core::Object* value);
    void SetConnectedDataComponent(core::Component* value);
    int Count();
    bool OneThreadIsRunning();
    TComponentBaseThread* LastThread();
    bool Terminated();
    int ReturnValue();
    void SetReturnValue(int value);

    // Events.
    std::function<void(TThreadComponent* sender)> OnBegin;
    TThreadExecuteEvent OnExecute;
    std::function<void(TComponentBaseThread* thread)> OnFinish;
    std::function<void(TThreadComponent* sender)> OnFinishAll;
    std::function<void(TThreadComponent* sender)> OnCancelExecute;
    TShowMessageDlgEvent OnShowMessageDlgEvent;
    std::function<void(TComponentBaseThread* thread)> BeforeResume;
    std::function<void(TThreadDialogFormLink* form)> AfterCreateDialogForm;

protected:
    virtual void DoAfterCreateDialogForm();

private:
    friend class TComponentBaseThread;
    void ThreadEnded(TComponentBaseThread* thread);
    bool IsListed(const core::Thread* thread);
    void CloseDialogForm();

    core::CriticalSection FListLocker;
    std::vector<TComponentBaseThread*> FThreads;  // guarded by FListLocker
    bool FExclusive = true;
    int FMaxCount = 0;
    bool FRunOnCreate = true;
    bool FFreeOnTerminate = true;
    core::ThreadPriority FPriority = core::ThreadPriority::Normal;
    TCustomThreadDialog* FThreadDialog = nullptr;
    TThreadDialogFormLink* FThreadDialogForm = nullptr;
    bool FThreadDialogAllowed = true;
    std::atomic<int> FDisalbeDialogShowDelayCounter = 0;
    core::Object* FConnectedDataObject = nullptr;
    core::Component* FConnectedDataComponent = nullptr;
};

namespace detail {
// Platform halves: the named mutex, and servicing the GUI thread while waiting.
void AcquireThreadComponentMutex();
void ReleaseThreadComponentMutex();
// Dispatches messages other threads sent to the calling thread (cross-thread SendMessage).
void ServiceSentMessages();
// Waits up to timeoutMs for and handles one GUI message or queued call.
void HandleOneMessage(uint32_t timeoutMs);
} // namespace detail

} // namespace support
