// Thread pool: the queue with its read index, growth and reduction of the workers, dead-thread
// handling, the workers' loop and the info texts.
#include "support/threadpool.h"

#include "core/exception.h"

#include <algorithm>
#include <utility>

namespace support {

namespace {
const char16_t kPoolAbout[] = u"线程池组件";
constexpr uint32_t kManualClockPollMs = 5;
} // namespace

int32_t RunningAverage(int32_t average, int32_t sample, int64_t samples)
{
    if (samples > 7)
        return int32_t((int64_t(sample) + 7 * int64_t(average)) / 8);
    if (samples <= 0)
        return sample;
    return int32_t((int64_t(average) * samples + sample) / (samples + 1));
}

// --- TLibComponent ----------------------------------------------------------------------------------

TLibComponent::TLibComponent(core::Component* owner) : core::Component(owner), FAbout(kPoolAbout) {}

// --- TTaskDataObject --------------------------------------------------------------------------------

bool TTaskDataObject::Duplicate(const TTaskDataObject&, bool) const { return false; }

String TTaskDataObject::Info() const
{
    return core::IntToHex(reinterpret_cast<uintptr_t>(this), int(sizeof(void*) * 2));
}

String PoolThreadStateName(TPoolThreadState state)
{
    switch (state) {
    case ctsInitializing: return u"ctsInitializing";
    case ctsWaiting: return u"ctsWaiting";
    case ctsGetting: return u"ctsGetting";
    case ctsProcessing: return u"ctsProcessing";
    case ctsProcessed: return u"ctsProcessed";
    case ctsTerminating: return u"ctsTerminating";
    case ctsForReduce: return u"ctsForReduce";
    }
    return {};
}

// --- the reduce timer -------------------------------------------------------------------------------

// Signals the pool's auto-reset reduce event at once and then every AdjustInterval ms of the pool's
// clock; re-armed (signal at once, period from then) when the interval changes.
class TThreadPool::ReduceTimer final : public core::Thread {
public:
    explicit ReduceTimer(TThreadPool& pool) : core::Thread(true), m_pool(pool) {}
    void Rearm()
    {
        m_rearm.store(true);
        m_wake.SetEvent();
    }

protected:
    void Execute() override
    {
        core::Clock& clock = m_pool.m_clock;
        const bool systemClock = &clock == &core::SystemClock::Instance();
        uint32_t last = clock.Ticks();
        m_pool.hTimReduce.SetEvent();
        while (!Terminated()) {
            const uint32_t interval = std::max<uint32_t>(m_pool.FAdjustInterval.load(), 1);
            const uint32_t elapsed = clock.Ticks() - last;
            uint32_t wait = elapsed >= interval ? 0 : interval - elapsed;
            if (!systemClock)
                wait = std::min(wait, kManualClockPollMs);  // a hand-driven clock gives no signal when it moves
            if (wait > 0)
                m_wake.WaitFor(wait);
            if (Terminated())
                break;
            if (m_rearm.exchange(false)) {
                last = clock.Ticks();
                m_pool.hTimReduce.SetEvent();
                continue;
            }
            if (clock.Ticks() - last >= std::max<uint32_t>(m_pool.FAdjustInterval.load(), 1)) {
                last += std::max<uint32_t>(m_pool.FAdjustInterval.load(), 1);
                // A clock that jumped far ahead gives one tick, not a burst.
                if (clock.Ticks() - last >= m_pool.FAdjustInterval.load())
                    last = clock.Ticks();
                m_pool.hTimReduce.SetEvent();
            }
        }
    }
    void TerminatedSet() override { m_wake.SetEvent(); }

private:
    TThreadPool& m_pool;
    core::Event m_wake{false, false};
    std::atomic<bool> m_rearm = false;
};

// --- TPoolingThread ---------------------------------------------------------------------------------

TPoolingThread::TPoolingThread(TThreadPool& pool) : core::Thread(true), FPool(pool) {}

TPoolingThread::~TPoolingThread()
{
    // core::Thread's deletion has stopped the thread before any destructor runs, so the request it
    // may still hold is no longer in use.
    FProcessingDataObject.reset();
}

uint32_t TPoolingThread::Now() const { return FPool.m_clock.Ticks(); }

void TPoolingThread::StartAndWaitInit()
{
    Start();
    hInitFinished.WaitFor(core::INFINITE);
    if (!sInitError.empty())
        throw core::Exception(sInitError);
}

void TPoolingThread::StillWorking() { uStillWorking.store(Now()); }

void TPoolingThread::TerminateThread(bool /*force*/) { Terminate(); }

void TPoolingThread::SetState(TPoolThreadState state)
{
    const TPoolThreadState old = FCurState.exchange(state);
    const bool wasIdle = old == ctsWaiting || old == ctsForReduce;
    const bool isIdle = state == ctsWaiting || state == ctsForReduce;
    if (!wasIdle && isIdle)
        FPool.FIdleThreadCount.fetch_add(1);
    else if (wasIdle && !isIdle)
        FPool.FIdleThreadCount.fetch_sub(1);
}

int32_t TPoolingThread::NewAverage(int32_t oldAverage, int32_t sample, int64_t samples)
{
    return RunningAverage(oldAverage, sample, samples);
}

int32_t TPoolingThread::CurrentAverageWaitingTime()
{
    const TPoolThreadState state = FCurState.load();
    if (state == ctsWaiting || state == ctsForReduce)
        return NewAverage(FAverageWaitingTime.load(), int32_t(PoolTickDiff(uWaitingStart.load(), Now())), FWorkCount.load());
    return FAverageWaitingTime.load();
}

int32_t TPoolingThread::CurrentAverageProcessingTime()
{
    if (FCurState.load() == ctsProcessing)
        return NewAverage(FAverageProcessing.load(), int32_t(PoolTickDiff(uProcessingStart.load(), Now())), FWorkCount.load() - 1);
    return FAverageProcessing.load();
}

bool TPoolingThread::IsProcessingDuplicate(const TTaskDataObject& dataObj)
{
    csProcessingDataObject.Enter();
    const bool duplicate = FProcessingDataObject && dataObj.Duplicate(*FProcessingDataObject, true);
    csProcessingDataObject.Leave();
    return duplicate;
}

String TPoolingThread::GetInfoText()
{
    String text = u"AverageWaitingTime=" + core::IntToStr(CurrentAverageWaitingTime()) +
                  u"; AverageProcessingTime=" + core::IntToStr(CurrentAverageProcessingTime()) +
                  u"; FCurState=" + PoolThreadStateName(FCurState.load()) +
                  u"; FWorkCount=" + core::IntToStr(FWorkCount.load());
    if (csProcessingDataObject.TryEnter()) {
        text += u"; FProcessingDataObject=";
        text += FProcessingDataObject ? FProcessingDataObject->Info() : String(u"nil");
        csProcessingDataObject.Leave();
    }
    return text;
}

bool TPoolingThread::IsDead()
{
    if (Terminated())
        return true;
    const uint32_t timeout = FPool.FThreadDeadTimeout.load();
    if (timeout != 0 && FCurState.load() == ctsProcessing)
        return PoolTickDiff(uStillWorking.load(), Now()) > timeout;
    return false;
}

bool TPoolingThread::CanBeReduced()
{
    const TPoolThreadState state = FCurState.load();
    if (state != ctsWaiting && state != ctsForReduce)
        return false;
    const int32_t waiting = CurrentAverageWaitingTime();
    return waiting > 200 && int64_t(CurrentAverageProcessingTime()) < 2 * int64_t(waiting);
}

void TPoolingThread::Execute()
{
    SetState(ctsInitializing);
    try {
        FPool.DoThreadInitializing(this);
    } catch (const core::Exception& e) {
        sInitError = e.Message().empty() ? String(u"Thread initialization failed") : e.Message();
    } catch (const std::exception& e) {
        sInitError = core::FromUtf8(e.what());
        if (sInitError.empty())
            sInitError = u"Thread initialization failed";
    } catch (...) {
        sInitError = u"Thread initialization failed";
    }
    const bool failed = !sInitError.empty();
    hInitFinished.SetEvent();
    if (failed)
        return;  // the pool does not take this thread and frees it

    uWaitingStart.store(Now());
    while (!Terminated()) {
        SetState(ctsWaiting);
        const core::WaitAnyResult result =
            core::WaitForAny({&FPool.hSemRequestCount, &FPool.hTimReduce, &hThreadTerminated}, core::INFINITE);
        if (result.result != core::WaitResult::Signaled)
            continue;
        if (result.index == 1) {
            SetState(ctsForReduce);
            FPool.DecreaseThreads();
            continue;
        }
        if (result.index == 2) {
            SetState(ctsTerminating);
            break;
        }
        FAverageWaitingTime.store(NewAverage(FAverageWaitingTime.load(), int32_t(PoolTickDiff(uWaitingStart.load(), Now())), FWorkCount.load()));
        SetState(ctsGetting);
        if (FPool.GetRequest(this)) {
            if (FWorkCount.load() < INT64_MAX)
                FWorkCount.fetch_add(1);
            const uint32_t now = Now();
            uProcessingStart.store(now);
            uStillWorking.store(now);
            SetState(ctsProcessing);
            TTaskDataObject* request;
            csProcessingDataObject.Enter();
            request = FProcessingDataObject.get();
            csProcessingDataObject.Leave();
            try {
                FPool.DoProcessRequest(request, this);
            } catch (...) {
                // A handler's error ends only its own request.
            }
            std::unique_ptr<TTaskDataObject> done;
            csProcessingDataObject.Enter();
            done = std::move(FProcessingDataObject);
            csProcessingDataObject.Leave();
            done.reset();
            FAverageProcessing.store(NewAverage(FAverageProcessing.load(), int32_t(PoolTickDiff(uProcessingStart.load(), Now())), FWorkCount.load() - 1));
            SetState(ctsProcessed);
            FPool.CheckTaskEmpty();
        }
        uWaitingStart.store(Now());
    }
    SetState(ctsTerminating);
    try {
        FPool.DoThreadFinalizing(this);
    } catch (...) {
    }
}

// --- TThreadPool ------------------------------------------------------------------------------------

TThreadPool::TThreadPool(core::Component* owner, core::Clock& clock)
    : TThreadPool(owner, TPoolingThreadClass{}, clock)
{
}

TThreadPool::TThreadPool(core::Component* owner, TPoolingThreadClass threadClass, core::Clock& clock)
    : TLibComponent(owner), m_clock(clock), FThreadClass(std::move(threadClass))
{
    if (!FThreadClass)
        FThreadClass = [](TThreadPool& pool) { return new TPoolingThread(pool); };
    try {
        m_reduceTimer.reset(new ReduceTimer(*this));
        m_reduceTimer->Start();
    } catch (const core::Exception&) {
        // Without a timer the pool never reduces its threads.
        m_reduceTimer.reset();
    }
}

TThreadPool::~TThreadPool()
{
    StopThreads();
    csQueueManagment.Enter();
    while (!FQueue.empty())
        FQueue.pop_back();
    FTaskCount.store(0);
    csQueueManagment.Leave();
}

void TThreadPool::StopThreads()
{
    // The timer goes first: nothing signals the reduce event from now on.
    m_reduceTimer.reset();

    // The threads are taken off the lists before anyone waits for them, so that no finishing
    // worker can block on a lock that destruction holds.
    std::vector<std::unique_ptr<TPoolingThread>> threads;
    std::vector<std::unique_ptr<TPoolingThread>> killing;
    csThreadManagment.Enter();
    threads.swap(FThreads);
    killing.swap(FThreadsKilling);
    csThreadManagment.Leave();

    for (auto& thread : threads)
        thread->TerminateThread(false);
    for (auto& thread : killing)
        thread->TerminateThread(false);
    const uint32_t start = core::GetTickCount();
    for (auto& thread : threads) {
        while (!thread->IsFinished() && PoolTickDiff(start, core::GetTickCount()) < uTerminateWaitTime)
            core::Sleep(1);
    }
    // Deleting a thread waits for its end however long its request takes.
    threads.clear();
    killing.clear();
}

void TThreadPool::GetComponentInfo(String& name, String& author, String& email, String& comment)
{
    name = u"线程池组件";
    author = u"Client developers";
    email = {};
    comment = u"实现线程池的组件";
}

void TThreadPool::SetAdjustInterval(uint32_t value)
{
    FAdjustInterval.store(value);
    if (m_reduceTimer)
        m_reduceTimer->Rearm();
}

bool TThreadPool::AddRequest(std::unique_ptr<TTaskDataObject> dataObject, TCheckDuplicates checkDuplicate)
{
    if (!dataObject)
        return false;
    csQueueManagment.Enter();
    bool queued = false;
    try {
        queued = AddRequestLocked(std::move(dataObject), checkDuplicate);
    } catch (...) {
        csQueueManagment.Leave();
        throw;
    }
    csQueueManagment.Leave();
    return queued;
}

bool TThreadPool::AddRequestLocked(std::unique_ptr<TTaskDataObject> dataObject, TCheckDuplicates checkDuplicate)
{
    if (checkDuplicate & cdQueue) {
        for (size_t i = FLastGetPoint; i < FQueue.size(); ++i) {
            if (FQueue[i] && dataObject->Duplicate(*FQueue[i], false))
                return false;  // freed on return
        }
    }
    Clones clones;
    csThreadManagment.Enter();
    IncreaseThreads(clones);
    bool duplicate = false;
    if (checkDuplicate & cdProcessing) {
        for (auto& thread : FThreads) {
            if (thread->IsProcessingDuplicate(*dataObject)) {
                duplicate = true;
                break;
            }
        }
    }
    csThreadManagment.Leave();
    if (!duplicate) {
        FQueue.push_back(std::move(dataObject));
        FTaskCount.fetch_add(1);
        hSemRequestCount.Release(1);
    }
    for (auto& clone : clones)
        AddRequestLocked(std::move(clone), 0);
    return !duplicate;
}

void TThreadPool::AddRequests(std::vector<std::unique_ptr<TTaskDataObject>> dataObjects, TCheckDuplicates checkDuplicate)
{
    for (auto& dataObject : dataObjects)
        AddRequest(std::move(dataObject), checkDuplicate);
}

bool TThreadPool::RemoveRequest(const TTaskDataObject* dataObject)
{
    std::unique_ptr<TTaskDataObject> removed;
    csQueueManagment.Enter();
    for (size_t i = FLastGetPoint; i < FQueue.size(); ++i) {
        if (FQueue[i].get() == dataObject) {
            removed = std::move(FQueue[i]);
            FTaskCount.fetch_sub(1);
            break;
        }
    }
    csQueueManagment.Leave();
    return removed != nullptr;
}

void TThreadPool::CreateThread()
{
    try {
        std::unique_ptr<TPoolingThread> thread(FThreadClass(*this));
        if (!thread)
            return;
        thread->StartAndWaitInit();
        FThreads.push_back(std::move(thread));
    } catch (...) {
        // A thread that cannot be made leaves the request queued for the existing ones.
    }
}

void TThreadPool::IncreaseThreads(Clones& clones)
{
    KillDeadThreads(clones);
    FreeFinishedThreads();
    const int32_t n = int32_t(FThreads.size());
    const int32_t minCount = FThreadsMinCount.load();
    if (n == 0) {
        CreateThread();
    } else if (FMinAtLeast.load() && n < minCount) {
        for (int32_t i = n; i < minCount; ++i)
            CreateThread();
    } else if (n < FThreadsMaxCount.load() && FTaskCount.load() > 0 && FIdleThreadCount.load() - FTaskCount.load() <= 0) {
        // A waiting thread counts as idle only while no queued request is already owed to it: in a
        // burst of requests the woken threads have not taken theirs yet, and are not free for more.
        const int32_t w = std::max(AverageWaitingTime(), 1);
        if (w <= 100) {
            const int64_t p = std::max(AverageProcessingTime(), 2);
            if (int64_t(FTaskCount.load()) * (w + p) > p * n)
                CreateThread();
        }
    }
}

void TThreadPool::DecreaseThreads()
{
    if (!csThreadManagment.TryEnter())
        return;
    Clones clones;
    KillDeadThreads(clones);
    FreeFinishedThreads();
    const int32_t minCount = std::max(FThreadsMinCount.load(), 0);
    for (int32_t i = int32_t(FThreads.size()) - 1; i >= minCount; --i) {
        if (FThreads[size_t(i)]->CanBeReduced()) {
            FThreads[size_t(i)]->TerminateThread(false);
            FThreadsKilling.push_back(std::move(FThreads[size_t(i)]));
            FThreads.erase(FThreads.begin() + i);
            break;
        }
    }
    csThreadManagment.Leave();
    // Copies of dead requests are queued with the thread lock released: the queue lock comes first.
    for (auto& clone : clones)
        AddRequest(std::move(clone), 0);
}

bool TThreadPool::TooManyKilling()
{
    csThreadManagment.Enter();
    const int32_t maxCount = FThreadsMaxCount.load();
    const size_t killing = FThreadsKilling.size();
    csThreadManagment.Leave();
    if (maxCount <= 0)
        return killing >= 50;
    return killing >= size_t(maxCount / 2);
}

void TThreadPool::KillDeadThreads(Clones& clones)
{
    if (!csThreadManagment.TryEnter())
        return;
    if (!TooManyKilling()) {
        for (size_t i = FThreads.size(); i-- > 0;) {
            TPoolingThread* thread = FThreads[i].get();
            if (!thread->IsDead())
                continue;
            thread->TerminateThread(false);
            if (FDeadTaskAsNew.load()) {
                thread->csProcessingDataObject.Enter();
                if (thread->FProcessingDataObject) {
                    try {
                        if (auto clone = thread->FProcessingDataObject->Clone())
                            clones.push_back(std::move(clone));
                    } catch (...) {
                    }
                }
                thread->csProcessingDataObject.Leave();
            }
            FThreadsKilling.push_back(std::move(FThreads[i]));
            FThreads.erase(FThreads.begin() + std::ptrdiff_t(i));
        }
    }
    csThreadManagment.Leave();
}

void TThreadPool::FreeFinishedThreads()
{
    if (!csThreadManagment.TryEnter())
        return;
    for (size_t i = FThreadsKilling.size(); i-- > 0;) {
        if (FThreadsKilling[i]->IsFinished())
            FThreadsKilling.erase(FThreadsKilling.begin() + std::ptrdiff_t(i));
    }
    csThreadManagment.Leave();
}

bool TThreadPool::GetRequest(TPoolingThread* thread)
{
    csQueueManagment.Enter();
    bool taken = false;
    try {
        while (FLastGetPoint < FQueue.size() && !FQueue[FLastGetPoint])
            ++FLastGetPoint;
        if (int64_t(FQueue.size()) > QueuePackCount && FLastGetPoint >= FQueue.size() * 3 / 4) {
            std::erase_if(FQueue, [](const auto& entry) { return !entry; });
            FTaskCount.store(int32_t(FQueue.size()));
            FLastGetPoint = 0;
        }
        if (FLastGetPoint < FQueue.size()) {
            thread->csProcessingDataObject.Enter();
            thread->FProcessingDataObject = std::move(FQueue[FLastGetPoint]);
            thread->csProcessingDataObject.Leave();
            FTaskCount.fetch_sub(1);
            ++FLastGetPoint;
            taken = true;
            while (FLastGetPoint < FQueue.size() && !FQueue[FLastGetPoint])
                ++FLastGetPoint;
        }
        if (!FQueue.empty() && FLastGetPoint >= FQueue.size()) {
            if (taken) {
                try {
                    DoQueueEmpty(ekQueueEmpty);
                } catch (...) {
                }
            }
            FQueue.clear();
            FTaskCount.store(0);
            FLastGetPoint = 0;
        }
    } catch (...) {
    }
    csQueueManagment.Leave();
    return taken;
}

void TThreadPool::CheckTaskEmpty()
{
    csQueueManagment.Enter();
    bool queued = false;
    for (size_t i = FLastGetPoint; i < FQueue.size() && !queued; ++i)
        queued = FQueue[i] != nullptr;
    if (!queued) {
        bool processing = false;
        csThreadManagment.Enter();
        for (auto& thread : FThreads)
            processing = processing || thread->CurState() == ctsProcessing;
        csThreadManagment.Leave();
        if (!processing) {
            try {
                DoQueueEmpty(ekTaskEmpty);
            } catch (...) {
            }
        }
    }
    csQueueManagment.Leave();
}

int32_t TThreadPool::ThreadCount()
{
    if (!csThreadManagment.TryEnter())
        return -1;
    const int32_t count = int32_t(FThreads.size());
    csThreadManagment.Leave();
    return count;
}

int32_t TThreadPool::ThreadKillingCount()
{
    if (!csThreadManagment.TryEnter())
        return -1;
    const int32_t count = int32_t(FThreadsKilling.size());
    csThreadManagment.Leave();
    return count;
}

String TThreadPool::ThreadInfo(int index)
{
    if (!csThreadManagment.TryEnter())
        return {};
    String text;
    if (index >= 0 && size_t(index) < FThreads.size())
        text = FThreads[size_t(index)]->GetInfoText();
    csThreadManagment.Leave();
    return text;
}

String TThreadPool::ThreadKillingInfo(int index)
{
    if (!csThreadManagment.TryEnter())
        return {};
    String text;
    if (index >= 0 && size_t(index) < FThreadsKilling.size())
        text = FThreadsKilling[size_t(index)]->GetInfoText();
    csThreadManagment.Leave();
    return text;
}

int32_t TThreadPool::AverageWaitingTime()
{
    csThreadManagment.Enter();
    int64_t sum = 0;
    for (auto& thread : FThreads)
        sum += thread->CurrentAverageWaitingTime();
    const size_t n = FThreads.size();
    csThreadManagment.Leave();
    return n == 0 ? 10 : int32_t(sum / int64_t(n));
}

int32_t TThreadPool::AverageProcessingTime()
{
    csThreadManagment.Enter();
    int64_t sum = 0;
    for (auto& thread : FThreads)
        sum += thread->CurrentAverageProcessingTime();
    const size_t n = FThreads.size();
    csThreadManagment.Leave();
    return n == 0 ? 20 : int32_t(sum / int64_t(n));
}

String TThreadPool::Info()
{
    if (!csThreadManagment.TryEnter())
        return u"Too busy to get info.";
    String text;
    try {
        if (OnGetInfo)
            OnGetInfo(this, text);
        else
            DefaultGetInfo(this, text);
    } catch (...) {
        csThreadManagment.Leave();
        throw;
    }
    csThreadManagment.Leave();
    return text;
}

void TThreadPool::DefaultGetInfo(TThreadPool* sender, String& infoText)
{
    TThreadPool& pool = sender ? *sender : *this;
    pool.FreeFinishedThreads();
    pool.csThreadManagment.Enter();
    String text = u"MinCount=" + core::IntToStr(pool.FThreadsMinCount.load()) +
                  u"; MaxCount=" + core::IntToStr(pool.FThreadsMaxCount.load()) +
                  u"; AdjustInterval=" + core::UIntToStr(pool.FAdjustInterval.load()) +
                  u"; DeadTimeOut=" + core::UIntToStr(pool.FThreadDeadTimeout.load()) + u"\r\n";
    text += u"ThreadCount=" + core::IntToStr(pool.ThreadCount()) +
            u"; KillingCount=" + core::IntToStr(pool.ThreadKillingCount()) +
            u"; SpareThreadCount=" + core::IntToStr(pool.FIdleThreadCount.load()) +
            u"; TaskCount=" + core::IntToStr(pool.TaskCount()) + u"\r\n";
    text += u"AverageWaitingTime=" + core::IntToStr(pool.AverageWaitingTime()) +
            u"; AverageProcessingTime=" + core::IntToStr(pool.AverageProcessingTime()) + u"\r\n";
    text += u"Working Threads Info===============";
    for (auto& thread : pool.FThreads)
        text += u"\r\n" + thread->GetInfoText();
    text += u"\r\nKilling Threads Info===============";
    for (auto& thread : pool.FThreadsKilling)
        text += u"\r\n" + thread->GetInfoText();
    pool.csThreadManagment.Leave();
    infoText = std::move(text);
}

void TThreadPool::DoProcessRequest(TTaskDataObject* dataObj, TPoolingThread* thread)
{
    if (OnProcessRequest)
        OnProcessRequest(this, dataObj, thread);
}

void TThreadPool::DoQueueEmpty(TEmptyKind emptyKind)
{
    if (OnQueueEmpty)
        OnQueueEmpty(this, emptyKind);
}

void TThreadPool::DoThreadInitializing(TPoolingThread* thread)
{
    if (OnThreadInitializing)
        OnThreadInitializing(this, thread);
}

void TThreadPool::DoThreadFinalizing(TPoolingThread* thread)
{
    if (OnThreadFinalizing)
        OnThreadFinalizing(this, thread);
}

} // namespace support
