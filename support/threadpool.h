// Thread pool component: requests (TTaskDataObject descendants) queued with AddRequest are run by
// worker threads (TPoolingThread) through OnProcessRequest. The pool grows while requests wait and no
// worker is free for them (a waiting worker already owed a queued request is not), between a minimum
// and a maximum count, and a periodic reduce tick retires at most one idle worker at a time. Workers that have worked too long on one request can be retired as "dead"
// and their request queued again as a copy.
//
// Lock order: the queue lock before the thread lock before a worker's own lock. The pool's own
// housekeeping (reduction, dead and finished threads, statistics) only tries the thread lock.
// Event handlers must be assigned before the first request; they run in worker threads. A class
// derived from the pool that overrides the Do* operations calls StopThreads() in its own destructor:
// the base destructor ends the threads only after the derived part is gone.
#pragma once
#include "core/component.h"
#include "core/string.h"
#include "core/sync.h"
#include "core/thread.h"
#include "core/tick.h"
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace support {

using core::String;

// The average after one more sample, when average already holds `samples` of them: the mean of the
// first eight samples, then a moving average that gives the newest sample an eighth.
int32_t RunningAverage(int32_t average, int32_t sample, int64_t samples);

// Elapsed milliseconds from the earlier tick to the later one. Across a wrap of the counter the pool
// counts one millisecond less than the modular difference, as it always has.
constexpr uint32_t PoolTickDiff(uint32_t earlier, uint32_t later)
{
    return later >= earlier ? later - earlier : 4294967295u - earlier + later;
}

// Base component of the library's components: a fixed About text and a component description.
class TLibComponent : public core::Component {
public:
    explicit TLibComponent(core::Component* owner = nullptr);
    const String& About() const { return FAbout; }
    // Assignments are ignored: the text is fixed.
    void SetAbout(core::StringView) {}
    virtual void GetComponentInfo(String& name, String& author, String& email, String& comment) = 0;

protected:
    String FAbout;
};

// The recursive lock of the pool.
class TPoolCriticalSection {
public:
    void Enter() { FSection.Enter(); }
    void Leave() { FSection.Leave(); }
    bool TryEnter() { return FSection.TryEnter(); }
    // Every platform we run on has a try-enter.
    bool TryEnterEx() { return FSection.TryEnter(); }

private:
    core::CriticalSection FSection;
};

// One request. The pool owns it from AddRequest on and frees it after processing, on rejection as a
// duplicate, on RemoveRequest or when the pool is destroyed.
class TTaskDataObject {
public:
    virtual ~TTaskDataObject() = default;
    // A new copy, used to queue a dead thread's request again. The base has none to give (null), so
    // such a request is not queued again.
    virtual std::unique_ptr<TTaskDataObject> Clone() const { return nullptr; }
    // Whether this request duplicates dataObj; processing tells whether dataObj is being processed
    // rather than queued.
    virtual bool Duplicate(const TTaskDataObject& dataObj, bool processing) const;
    // The object's address in hexadecimal.
    virtual String Info() const;
};

enum TPoolThreadState {
    ctsInitializing, ctsWaiting, ctsGetting, ctsProcessing, ctsProcessed, ctsTerminating, ctsForReduce
};
String PoolThreadStateName(TPoolThreadState state);

enum TCheckDuplicate : unsigned { cdQueue = 1u << 0, cdProcessing = 1u << 1 };
using TCheckDuplicates = unsigned;  // a set of TCheckDuplicate

enum TEmptyKind { ekQueueEmpty, ekTaskEmpty };

class TThreadPool;

// A worker thread of the pool.
class TPoolingThread : public core::Thread {
public:
    // Made suspended; the pool starts it and waits for its initialisation (StartAndWaitInit).
    explicit TPoolingThread(TThreadPool& pool);
    ~TPoolingThread() override;

    // Starts the thread and waits until OnThreadInitializing has run in it; raises core::Exception
    // with the initialisation error's message when that failed.
    void StartAndWaitInit();

    // Tells the pool that a long request is still making progress.
    void StillWorking();
    // Asks the thread to end after its current request. A forced end is not possible with portable
    // threads: force is handled like a cooperative request.
    void TerminateThread(bool force);

    virtual bool IsProcessingDuplicate(const TTaskDataObject& dataObj);
    virtual String GetInfoText();
    virtual bool IsDead();
    virtual bool IsFinished() { return Finished(); }
    virtual bool CanBeReduced();
    // RunningAverage, for the waiting and processing times of this thread.
    virtual int32_t NewAverage(int32_t oldAverage, int32_t sample, int64_t samples);

    TPoolThreadState CurState() const { return FCurState.load(); }
    int64_t WorkCount() const { return FWorkCount.load(); }
    TThreadPool& Pool() const { return FPool; }
    // The current averages, the running wait or request counted in.
    int32_t CurrentAverageWaitingTime();
    int32_t CurrentAverageProcessingTime();

protected:
    void Execute() override;
    void TerminatedSet() override { hThreadTerminated.SetEvent(); }

private:
    friend class TThreadPool;
    void SetState(TPoolThreadState state);
    uint32_t Now() const;

    core::Event hInitFinished{true, false};
    String sInitError;  // written before hInitFinished is set, read after
    std::atomic<int32_t> FAverageWaitingTime = 0;
    std::atomic<int32_t> FAverageProcessing = 0;
    std::atomic<uint32_t> uWaitingStart = 0;
    std::atomic<uint32_t> uProcessingStart = 0;
    std::atomic<uint32_t> uStillWorking = 0;
    std::atomic<int64_t> FWorkCount = 0;
    std::atomic<TPoolThreadState> FCurState = ctsInitializing;
    core::Event hThreadTerminated{true, false};
    TThreadPool& FPool;
    std::unique_ptr<TTaskDataObject> FProcessingDataObject;  // guarded by csProcessingDataObject
    TPoolCriticalSection csProcessingDataObject;
};

// Makes a (suspended) worker of a class of the caller's choice.
using TPoolingThreadClass = std::function<TPoolingThread*(TThreadPool& pool)>;

class TThreadPool : public TLibComponent {
public:
    // clock: the tick source of the averages, dead-thread test and reduce tick (tests pass a
    // ManualClock).
    explicit TThreadPool(core::Component* owner = nullptr, core::Clock& clock = core::SystemClock::Instance());
    TThreadPool(core::Component* owner, TPoolingThreadClass threadClass,
                core::Clock& clock = core::SystemClock::Instance());
    ~TThreadPool() override;

    // Queues the request; false when it was rejected as a duplicate (and then freed).
    bool AddRequest(std::unique_ptr<TTaskDataObject> dataObject, TCheckDuplicates checkDuplicate = cdQueue | cdProcessing);
    void AddRequests(std::vector<std::unique_ptr<TTaskDataObject>> dataObjects, TCheckDuplicates checkDuplicate);
    // Takes a queued request out and frees it; a request that is not queued is left alone.
    // Returns whether it was queued.
    bool RemoveRequest(const TTaskDataObject* dataObject);

    int32_t TaskCount() const { return FTaskCount.load(); }
    // -1 when another thread holds the thread lock at that moment.
    int32_t ThreadCount();
    int32_t ThreadKillingCount();
    String ThreadInfo(int index);
    String ThreadKillingInfo(int index);
    int32_t AverageWaitingTime();
    int32_t AverageProcessingTime();
    int32_t IdleThreadCount() const { return FIdleThreadCount.load(); }
    String Info();
    void DefaultGetInfo(TThreadPool* sender, String& infoText);
    static bool OSIsWin9x() { return false; }

    void GetComponentInfo(String& name, String& author, String& email, String& comment) override;

    // Properties.
    uint32_t AdjustInterval() const { return FAdjustInterval.load(); }
    void SetAdjustInterval(uint32_t value);
    bool DeadTaskAsNew() const { return FDeadTaskAsNew; }
    void SetDeadTaskAsNew(bool value) { FDeadTaskAsNew = value; }
    bool MinAtLeast() const { return FMinAtLeast; }
    void SetMinAtLeast(bool value) { FMinAtLeast = value; }
    uint32_t ThreadDeadTimeout() const { return FThreadDeadTimeout.load(); }
    void SetThreadDeadTimeout(uint32_t value) { FThreadDeadTimeout = value; }
    int32_t ThreadsMinCount() const { return FThreadsMinCount.load(); }
    void SetThreadsMinCount(int32_t value) { FThreadsMinCount = value; }
    int32_t ThreadsMaxCount() const { return FThreadsMaxCount.load(); }
    void SetThreadsMaxCount(int32_t value) { FThreadsMaxCount = value; }
    core::Clock& Clock() const { return m_clock; }

    // Events (assign before the first request).
    std::function<void(TThreadPool* sender, TTaskDataObject* dataObj, TPoolingThread* thread)> OnProcessRequest;
    std::function<void(TThreadPool* sender, TEmptyKind emptyKind)> OnQueueEmpty;
    std::function<void(TThreadPool* sender, TPoolingThread* thread)> OnThreadInitializing;
    std::function<void(TThreadPool* sender, TPoolingThread* thread)> OnThreadFinalizing;
    std::function<void(TThreadPool* sender, String& infoText)> OnGetInfo;

    // How long destruction waits for the threads together before it waits for each in turn.
    uint32_t uTerminateWaitTime = 10000;
    // Queue length above which a mostly consumed queue is packed.
    int32_t QueuePackCount = 127;

protected:
    // Ends and frees every worker (waiting for running requests) and stops the reduce tick.
    void StopThreads();
    virtual bool TooManyKilling();
    virtual void DoProcessRequest(TTaskDataObject* dataObj, TPoolingThread* thread);
    virtual void DoQueueEmpty(TEmptyKind emptyKind);
    virtual void DoThreadInitializing(TPoolingThread* thread);
    virtual void DoThreadFinalizing(TPoolingThread* thread);

private:
    friend class TPoolingThread;
    class ReduceTimer;
    using Clones = std::vector<std::unique_ptr<TTaskDataObject>>;

    bool AddRequestLocked(std::unique_ptr<TTaskDataObject> dataObject, TCheckDuplicates checkDuplicate);
    void IncreaseThreads(Clones& clones);
    void DecreaseThreads();
    void KillDeadThreads(Clones& clones);
    void FreeFinishedThreads();
    void CreateThread();
    // Worker side: takes the next request (null when none is left behind the read point).
    bool GetRequest(TPoolingThread* thread);
    void CheckTaskEmpty();

    core::Clock& m_clock;
    TPoolCriticalSection csQueueManagment;
    TPoolCriticalSection csThreadManagment;
    std::vector<std::unique_ptr<TTaskDataObject>> FQueue;  // guarded by csQueueManagment
    std::vector<std::unique_ptr<TPoolingThread>> FThreads;         // guarded by csThreadManagment
    std::vector<std::unique_ptr<TPoolingThread>> FThreadsKilling;  // guarded by csThreadManagment
    std::atomic<int32_t> FThreadsMinCount = 0;
    std::atomic<int32_t> FThreadsMaxCount = 1;
    std::atomic<uint32_t> FThreadDeadTimeout = 0;
    TPoolingThreadClass FThreadClass;
    std::atomic<uint32_t> FAdjustInterval = 10000;
    std::atomic<bool> FDeadTaskAsNew = true;
    std::atomic<bool> FMinAtLeast = false;
    std::atomic<int32_t> FIdleThreadCount = 0;
    std::atomic<int32_t> FTaskCount = 0;
    size_t FLastGetPoint = 0;  // guarded by csQueueManagment
    core::Semaphore hSemRequestCount{0, 2147483647};
    core::Event hTimReduce{false, false};  // auto reset: one tick releases one waiting worker
    std::unique_ptr<ReduceTimer> m_reduceTimer;
};

} // namespace support
