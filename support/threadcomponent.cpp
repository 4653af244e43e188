// The worker thread component: starting, listing, ending and stopping its workers, and the
// cooperative pause of a worker.
#include "support/threadcomponent.h"

#include "core/exception.h"
#include "core/tick.h"
#include "ui/messagebox.h"

#include <algorithm>

namespace support {

void CallUnderThreadMutex(const std::function<void(core::Object* sender)>& method)
{
    detail::AcquireThreadComponentMutex();
    try {
        if (method)
            method(nullptr);
    } catch (...) {
        detail::ReleaseThreadComponentMutex();
        throw;
    }
    detail::ReleaseThreadComponentMutex();
}

// --- TPausableThread --------------------------------------------------------------------------------

TPausableThread::~TPausableThread()
{
    // A paused worker is let go so that the deletion's wait can end.
    Terminate();
}

bool TPausableThread::Paused() const
{
    std::lock_guard guard(m_pauseLock);
    return FPaused;
}

void TPausableThread::SetPaused(bool value)
{
    {
        std::lock_guard guard(m_pauseLock);
        FPaused = value;
    }
    m_pauseChanged.notify_all();
    if (!value && !Started())
        Start();
}

void TPausableThread::WaitWhilePaused()
{
    std::unique_lock guard(m_pauseLock);
    m_pauseChanged.wait(guard, [this] { return !FPaused || Terminated(); });
}

void TPausableThread::TerminatedSet()
{
    std::lock_guard guard(m_pauseLock);
    m_pauseChanged.notify_all();
}

// --- TComponentBaseThread ---------------------------------------------------------------------------

TComponentBaseThread::TComponentBaseThread(core::Object* sender, TThreadExecuteEvent event, void* params)
    : TPausableThread(true), FExecuteEvent(std::move(event)), FParams(params), FSender(sender)
{
}

std::exception_ptr TComponentBaseThread::ExceptionObject() const
{
    std::lock_guard guard(m_exceptionLock);
    return FException;
}

void TComponentBaseThread::ResumeThread()
{
    if (!FOnResumeDone) {
        FOnResumeDone = true;
        if (auto* component = dynamic_cast<TThreadComponent*>(FSender); component && component->BeforeResume) {
            try {
                component->BeforeResume(this);
            } catch (...) {
                FInternalTerminate.store(true);
            }
        }
        FExecuteIsActive.store(true);
    }
    if (!Started())
        Start();
    else
        SetPaused(false);
}

void TComponentBaseThread::Execute()
{
    FExecuteIsActive.store(true);
    if (FInternalTerminate.load())
        Terminate();  // the handler still runs and is expected to look at the flag
    try {
        if (FExecuteEvent)
            FExecuteEvent(this, FParams);
    } catch (const core::Exception&) {
        {
            std::lock_guard guard(m_exceptionLock);
            FException = std::current_exception();
        }
        const std::exception_ptr error = ExceptionObject();
        Synchronize([error] {
            try {
                std::rethrow_exception(error);
            } catch (...) {
                core::HandleException();
            }
        });
    }
}

namespace {
// The message dialog step: the handler when one is assigned, else the system's message box.
uint16_t RunMessageDlg(const TShowMessageDlgEvent& event, const core::String& msg, TMsgDlgType type,
                       TMsgDlgButtons buttons, int helpCtx)
{
    uint16_t result = 0;
    if (event) {
        event(msg, type, buttons, helpCtx, result);
        return result;
    }
    unsigned flags = ui::mbOK;
    if ((buttons & (mbYes | mbNo)) == (mbYes | mbNo))
        flags = (buttons & mbCancel) ? ui::mbYesNoCancel : ui::mbYesNo;
    else if (buttons & mbAbort)
        flags = ui::mbAbortRetryIgnore;
    else if (buttons & mbRetry)
        flags = ui::mbRetryCancel;
    else if (buttons & mbCancel)
        flags = ui::mbOKCancel;
    switch (type) {
    case mtWarning: flags |= ui::mbIconWarning; break;
    case mtError: flags |= ui::mbIconError; break;
    case mtInformation: flags |= ui::mbIconInformation; break;
    case mtConfirmation: flags |= ui::mbIconQuestion; break;
    case mtCustom: break;
    }
    return uint16_t(ui::MessageBox(msg, u"", flags));
}
} // namespace

uint16_t TComponentBaseThread::SynchMessageDlg(const core::String& msg, TMsgDlgType type, TMsgDlgButtons buttons,
                                               int helpCtx)
{
    uint16_t result = 0;
    Synchronize([&] { result = RunMessageDlg(OnShowMessageDlgEvent, msg, type, buttons, helpCtx); });
    return result;
}

// --- TThreadComponent -------------------------------------------------------------------------------

TThreadComponent::TThreadComponent(core::Component* owner) : TExtComponent(owner) {}

TThreadComponent::~TThreadComponent()
{
    Terminate();
    while (OneThreadIsRunning()) {
        core::Sleep(1);
        // A worker may be blocked sending this thread a message, or waiting in Synchronize.
        detail::ServiceSentMessages();
        if (core::CurrentThreadId() == core::MainThreadId())
            core::CheckSynchronize(0);
    }
    std::vector<TComponentBaseThread*> threads;
    FListLocker.Enter();
    threads.swap(FThreads);
    FListLocker.Leave();
    for (TComponentBaseThread* thread : threads) {
        // Listed threads that free themselves have not ended yet only if they never started.
        if (!thread->core::Thread::FreeOnTerminate() || !thread->Started()) {
            core::Thread::RemoveQueuedEvents(thread);
            delete thread;
        }
    }
}

TComponentBaseThread* TThreadComponent::Execute(void* p)
{
    if (FExclusive && OneThreadIsRunning())
        return nullptr;
    if (FMaxCount > 0 && Count() >= FMaxCount)
        return nullptr;
    if (!OnExecute)
        return nullptr;
    TComponentBaseThread* thread = nullptr;
    try {
        thread = new TComponentBaseThread(this, OnExecute, p);
        thread->SetFreeOnTerminate(FFreeOnTerminate);
        thread->OnShowMessageDlgEvent = OnShowMessageDlgEvent;
        thread->SetPriority(FPriority);
        thread->OnTerminate = [this](core::Thread* sender) { ThreadEnded(static_cast<TComponentBaseThread*>(sender)); };
        FListLocker.Enter();
        FThreads.push_back(thread);
        FListLocker.Leave();
        if (OnBegin)
            OnBegin(this);
    } catch (...) {
        if (thread)
            thread->FInternalTerminate.store(true);
    }
    if (thread && FRunOnCreate) {
        try {
            Resume(thread);
        } catch (...) {
            // The thread could not be started: it stays listed as not running.
            thread->FFinished.store(true);
        }
    }
    return thread;
}

void TThreadComponent::ExecuteAndWait(void* p)
{
    const bool saved = FRunOnCreate;
    FRunOnCreate = true;
    TComponentBaseThread* thread = nullptr;
    try {
        thread = Execute(p);
    } catch (...) {
        FRunOnCreate = saved;
        throw;
    }
    FRunOnCreate = saved;
    if (thread)
        WaitFor();
}

void TThreadComponent::ExecuteThreadAndWait(void* p)
{
    const bool saved = FRunOnCreate;
    FRunOnCreate = true;
    TComponentBaseThread* thread = Execute(p);
    FRunOnCreate = saved;
    if (!thread)
        return;
    // The thread may free itself: watch the list rather than the object.
    while (IsListed(thread) && !thread->Finished())
        detail::HandleOneMessage(10);
}

void TThreadComponent::ExecuteWithDialog(void* p)
{
    if (FThreadDialog && FThreadDialog->DialogOptions().ShowDialog() && FThreadDialog->DialogOptions().ShowModal())
        ExecuteAndWait(p);
    else
        Execute(p);
}

void TThreadComponent::Terminate()
{
    FListLocker.Enter();
    for (TComponentBaseThread* thread : FThreads)
        thread->core::Thread::Terminate();
    FListLocker.Leave();
    Resume();
}

void TThreadComponent::CancelExecute()
{
    if (OnCancelExecute)
        OnCancelExecute(this);
    else
        Terminate();
}

void TThreadComponent::TerminateWaitFor(bool removeZombies)
{
    Terminate();
    WaitFor();
    if (removeZombies)
        RemoveZombie();
}

void TThreadComponent::WaitFor()
{
    while (OneThreadIsRunning())
        detail::HandleOneMessage(10);
}

void TThreadComponent::Resume(TComponentBaseThread* baseThread)
{
    if (!baseThread) {
        FListLocker.Enter();
        const std::vector<TComponentBaseThread*> threads = FThreads;
        FListLocker.Leave();
        for (TComponentBaseThread* thread : threads) {
            try {
                if (!thread->Started())
                    thread->Start();  // a thread made suspended: the platform's plain resume
                else if (thread->Paused())
                    thread->SetPaused(false);
            } catch (const core::Exception&) {
                // Started meanwhile, or the system refused: nothing to resume.
            }
        }
        return;
    }
    if (FThreadDialog && !FThreadDialogForm) {
        FThreadDialogForm = FThreadDialog->CreateThreadDialogForm(this);
        if (FThreadDialogForm) {
            FThreadDialogForm->FormComponent()->FreeNotification(this);
            FThreadDialogForm->SetConnectedDataObject(FConnectedDataObject);
            FThreadDialogForm->LoadShowDelay();
            DoAfterCreateDialogForm();
        }
    }
    const bool first = !baseThread->FOnResumeDone;
    baseThread->ResumeThread();
    if (first && !baseThread->InternalTerminate() && !baseThread->Finished() && FThreadDialogForm && FThreadDialog &&
        FThreadDialog->DialogOptions().ShowDelay() <= 0)
        FThreadDialogForm->ShowDialogForm(FThreadDialog->DialogOptions().ShowModal());
}

void TThreadComponent::Suspend()
{
    FListLocker.Enter();
    const std::vector<TComponentBaseThread*> threads = FThreads;
    FListLocker.Leave();
    if (TComponentBaseThread* self = LastThread()) {
        self->SetPaused(true);
        self->WaitWhilePaused();
        return;
    }
    for (TComponentBaseThread* thread : threads) {
        if (!thread->Finished())
            thread->SetPaused(true);
    }
}

void TThreadComponent::RemoveZombie(TComponentBaseThread* baseThread)
{
    std::vector<TComponentBaseThread*> zombies;
    FListLocker.Enter();
    for (auto it = FThreads.begin(); it != FThreads.end();) {
        TComponentBaseThread* thread = *it;
        if ((!baseThread || thread == baseThread) && thread->Finished() && !thread->core::Thread::FreeOnTerminate()) {
            zombies.push_back(thread);
            it = FThreads.erase(it);
        } else {
            ++it;
        }
    }
    FListLocker.Leave();
    for (TComponentBaseThread* thread : zombies)
        delete thread;
}

void TThreadComponent::Synchronize(std::function<void()> method)
{
    DisableDialogShowDelay();
    try {
        if (TComponentBaseThread* self = LastThread())
            self->SynchronizeCall(std::move(method));
        else if (method)
            method();
    } catch (...) {
        EnableDialogShowDelay();
        throw;
    }
    EnableDialogShowDelay();
}

uint16_t TThreadComponent::SynchMessageDlg(const core::String& msg, TMsgDlgType type, TMsgDlgButtons buttons,
                                           int helpCtx)
{
    DisableDialogShowDelay();
    uint16_t result = 0;
    try {
        if (TComponentBaseThread* self = LastThread()) {
            result = self->SynchMessageDlg(msg, type, buttons, helpCtx);
        } else {
            result = RunMessageDlg(OnShowMessageDlgEvent, msg, type, buttons, helpCtx);
        }
    } catch (...) {
        EnableDialogShowDelay();
        throw;
    }
    EnableDialogShowDelay();
    return result;
}

void TThreadComponent::SetPriority(core::ThreadPriority priority)
{
    FListLocker.Enter();
    if (TComponentBaseThread* self = LastThread()) {
        self->core::Thread::SetPriority(priority);
    } else {
        for (TComponentBaseThread* thread : FThreads)
            thread->core::Thread::SetPriority(priority);
        FPriority = priority;
    }
    FListLocker.Leave();
}

void TThreadComponent::Lock() { FListLocker.Enter(); }
void TThreadComponent::Unlock() { FListLocker.Leave(); }

int TThreadComponent::Count()
{
    core::CriticalSection::Lock guard(FListLocker);
    return int(FThreads.size());
}

bool TThreadComponent::OneThreadIsRunning()
{
    core::CriticalSection::Lock guard(FListLocker);
    return std::any_of(FThreads.begin(), FThreads.end(), [](TComponentBaseThread* t) { return !t->Finished(); });
}

bool TThreadComponent::IsListed(const core::Thread* thread)
{
    core::CriticalSection::Lock guard(FListLocker);
    return std::find(FThreads.begin(), FThreads.end(), thread) != FThreads.end();
}

TComponentBaseThread* TThreadComponent::LastThread()
{
    core::Thread* current = core::Thread::CurrentThread();
    if (!current)
        return nullptr;
    core::CriticalSection::Lock guard(FListLocker);
    for (TComponentBaseThread* thread : FThreads) {
        if (thread == current)
            return thread;
    }
    return nullptr;
}

bool TThreadComponent::Terminated()
{
    core::CriticalSection::Lock guard(FListLocker);
    if (FThreads.empty())
        return true;
    if (TComponentBaseThread* self = LastThread())
        return self->core::Thread::Terminated();
    return std::all_of(FThreads.begin(), FThreads.end(), [](TComponentBaseThread* t) { return t->core::Thread::Terminated(); });
}

int TThreadComponent::ReturnValue()
{
    TComponentBaseThread* self = LastThread();
    return self ? self->core::Thread::ReturnValue() : 0;
}

void TThreadComponent::SetReturnValue(int value)
{
    if (TComponentBaseThread* self = LastThread())
        self->core::Thread::SetReturnValue(value);
}

void TThreadComponent::ThreadEnded(TComponentBaseThread* thread)
{
    thread->FExecuteIsActive.store(false);
    if (OnFinish) {
        try {
            OnFinish(thread);
        } catch (...) {
        }
    }
    bool empty;
    FListLocker.Enter();
    if (thread->core::Thread::FreeOnTerminate())
        FThreads.erase(std::remove(FThreads.begin(), FThreads.end(), thread), FThreads.end());
    thread->FFinished.store(true);
    empty = FThreads.empty() || std::all_of(FThreads.begin(), FThreads.end(), [](TComponentBaseThread* t) { return t->Finished(); });
    FListLocker.Leave();
    if (empty) {
        CloseDialogForm();
        if (OnFinishAll) {
            try {
                OnFinishAll(this);
            } catch (...) {
            }
        }
    }
}

void TThreadComponent::CloseDialogForm()
{
    if (!FThreadDialogForm)
        return;
    // Hidden repeatedly until it is no longer visible, messages handled meanwhile.
    for (int i = 0; i < 100 && FThreadDialogForm && FThreadDialogForm->DialogFormVisible(); ++i) {
        FThreadDialogForm->HideDialogForm();
        detail::HandleOneMessage(0);
    }
}

void TThreadComponent::DoAfterCreateDialogForm()
{
    if (AfterCreateDialogForm && FThreadDialogForm)
        AfterCreateDialogForm(FThreadDialogForm);
}

void TThreadComponent::SetThreadDialog(TCustomThreadDialog* value)
{
    if (FThreadDialog == value)
        return;
    if (FThreadDialog)
        FThreadDialog->RemoveFreeNotification(this);
    FThreadDialog = value;
    if (FThreadDialog)
        FThreadDialog->FreeNotification(this);
}

void TThreadComponent::SetConnectedDataObject(core::Object* value)
{
    FConnectedDataObject = value;
    if (FThreadDialogForm)
        FThreadDialogForm->SetConnectedDataObject(value);
}

void TThreadComponent::SetConnectedDataComponent(core::Component* value)
{
    if (FConnectedDataComponent)
        FConnectedDataComponent->RemoveFreeNotification(this);
    FConnectedDataComponent = value;
    if (value)
        value->FreeNotification(this);
    SetConnectedDataObject(value);
}

void TThreadComponent::Notification(core::Component* component, core::Operation operation)
{
    TExtComponent::Notification(component, operation);
    if (operation != core::opRemove)
        return;
    if (component == FThreadDialog)
        FThreadDialog = nullptr;
    if (FThreadDialogForm && component == FThreadDialogForm->FormComponent())
        FThreadDialogForm = nullptr;
    if (component == FConnectedDataComponent) {
        FConnectedDataComponent = nullptr;
        FConnectedDataObject = nullptr;
    }
}

} // namespace support
