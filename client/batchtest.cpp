// The batch latency test: pacing, requests, result hand-over to the GUI thread, stop and drop.
#include "client/batchtest.h"

#include "core/convert.h"
#include "core/thread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <unordered_set>

namespace client {

// ---- Texts, colour bands and order ----

String LatencyText(const EchoOutcome& outcome)
{
    return outcome.answered ? core::UIntToStr(outcome.rtt) : String(kDelayNoAnswer);
}

int64_t LatencySortKey(StringView delay)
{
    int32_t value = 0;
    return core::TryStrToInt(delay, value) ? value : 37000000;
}

int CompareLatency(StringView delay1, StringView delay2, bool ascending)
{
    const int64_t a = LatencySortKey(delay1);
    const int64_t b = LatencySortKey(delay2);
    const int order = a < b ? -1 : (a > b ? 1 : 0);
    return ascending ? order : -order;
}

std::optional<uint32_t> LatencyBandColor(StringView delay)
{
    int32_t ms = 0;
    if (!core::TryStrToInt(delay, ms))
        return std::nullopt;  // "NA", "禁ping": nothing was measured
    auto rgb = [](uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); };
    if (ms <= 150)
        return rgb(180, 255, 155);
    if (ms <= 200)
        return rgb(237, 255, 140);
    if (ms <= 300)
        return rgb(252, 200, 123);
    return rgb(255, 93, 82);
}

String PoolLoadText(int32_t tasks, int32_t threads)
{
    return core::IntToStr(tasks) + u"/" + core::IntToStr(threads);
}

// ---- Shared state ----

namespace {
struct BatchResult {
    const void* row;
    uint32_t generation;
    EchoOutcome outcome;
};
} // namespace

class MythreadData;

// What the worker thread, the pool threads and the GUI thread share. Requests and queued calls hold
// it by shared pointer, so that it outlives any of them; owner is the test while it exists and is
// read and written on the GUI thread only.
struct BatchLatencyTest::Shared {
    std::atomic<bool> running{false};
    // Raised by every stop: requests and results of an older generation are dropped.
    std::atomic<uint32_t> generation{0};
    std::atomic<uint32_t> paceMs{50};
    BatchEchoFunction echo;

    // Wakes the worker from its pace at a stop.
    std::mutex paceLock;
    std::condition_variable paceChanged;
    uint32_t stops = 0;  // guarded by paceLock

    // Requests handed to the pool and not yet taken by a pool thread. Recursive: a request removed
    // from the pool's queue is freed (and leaves this set) while the stop still holds the lock. The
    // lock is taken after the pool's own locks are released, never before them, except by the stop,
    // which then takes only the queue lock (RemoveRequest).
    std::recursive_mutex queuedLock;
    std::unordered_set<const MythreadData*> queued;

    std::mutex inboxLock;
    std::deque<BatchResult> inbox;  // guarded by inboxLock
    bool drainQueued = false;        // guarded by inboxLock

    // One worker at a time: it leaves only when it finds the test stopped under this lock, so that a
    // start either finds it still working or starts the next one.
    std::mutex workerLock;
    bool workerActive = false;  // guarded by workerLock

    BatchLatencyTest* owner = nullptr;  // GUI thread only
    BatchTarget* target = nullptr;      // GUI thread only

    std::atomic<int32_t> echoesSent{0};
    std::atomic<int32_t> requestsDropped{0};
    std::atomic<int32_t> resultsDiscarded{0};
    std::atomic<int32_t> passesDone{0};

    bool Current(uint32_t gen) const { return running.load() && generation.load() == gen; }
    void Post(const BatchResult& result, const std::shared_ptr<Shared>& self);
    void Drain();
};

// One thread-pool request: the echo of one row of the tree.
class MythreadData : public support::TTaskDataObject {
public:
    MythreadData(std::shared_ptr<BatchLatencyTest::Shared> shared, const BatchRow& row, uint32_t generation)
        : m_shared(std::move(shared)), m_row(row), m_generation(generation)
    {
    }
    ~MythreadData() override
    {
        std::lock_guard guard(m_shared->queuedLock);
        m_shared->queued.erase(this);
    }
    const std::shared_ptr<BatchLatencyTest::Shared>& Shared() const { return m_shared; }
    const BatchRow& Row() const { return m_row; }
    uint32_t Generation() const { return m_generation; }

private:
    std::shared_ptr<BatchLatencyTest::Shared> m_shared;
    BatchRow m_row;
    uint32_t m_generation;
};

void BatchLatencyTest::Shared::Post(const BatchResult& result, const std::shared_ptr<Shared>& self)
{
    bool queueDrain = false;
    {
        std::lock_guard guard(inboxLock);
        inbox.push_back(result);
        if (!drainQueued)
            queueDrain = drainQueued = true;
    }
    if (queueDrain) {
        std::weak_ptr<Shared> weak = self;
        core::Thread::Queue(nullptr, [weak] {
            if (auto shared = weak.lock())
                shared->Drain();
        });
    }
}

void BatchLatencyTest::Shared::Drain()
{
    std::deque<BatchResult> results;
    {
        std::lock_guard guard(inboxLock);
        results.swap(inbox);
        drainQueued = false;
    }
    for (const BatchResult& result : results) {
        if (target && Current(result.generation))
            target->ApplyEcho(result.row, result.outcome);
        else
            resultsDiscarded.fetch_add(1);
    }
}

// ---- The test ----

BatchLatencyTest::BatchLatencyTest(support::TThreadPool& pool, support::TThreadComponent& thread,
                                   BatchTarget& target, BatchEchoFunction echo)
    : m_pool(pool), m_thread(thread), m_shared(std::make_shared<Shared>())
{
    m_shared->echo = std::move(echo);
    m_shared->owner = this;
    m_shared->target = &target;
}

BatchLatencyTest::~BatchLatencyTest()
{
    try {
        Shutdown();
    } catch (...) {
    }
    m_shared->owner = nullptr;
    m_shared->target = nullptr;
    m_thread.OnFinishAll = nullptr;
}

void BatchLatencyTest::Configure()
{
    m_pool.SetThreadsMinCount(10);
    m_pool.SetThreadsMaxCount(40);
    m_pool.SetMinAtLeast(true);
    m_pool.SetAdjustInterval(2000);
    m_pool.SetDeadTaskAsNew(false);
    m_pool.OnProcessRequest = &BatchLatencyTest::tp1ProcessRequest;
    m_thread.SetExclusive(true);
    m_thread.SetMaxCount(0);
    m_thread.SetRunOnCreate(true);
    m_thread.SetFreeOnTerminate(true);
    m_thread.OnExecute = [this](support::TComponentBaseThread* sender, void* params) {
        pingthreadExecute(sender, params);
    };
    // A restart that came while the previous worker was on its way out: start the next one as soon
    // as the component has handled that end.
    m_thread.OnFinishAll = [this](support::TThreadComponent*) {
        if (m_shared->running.load())
            EnsureWorker();
    };
}

void BatchLatencyTest::EnsureWorker()
{
    std::lock_guard guard(m_shared->workerLock);
    if (!m_shared->workerActive)
        m_shared->workerActive = m_thread.Execute(nullptr) != nullptr;
}

bool BatchLatencyTest::Running() const { return m_shared->running.load(); }

void BatchLatencyTest::Start()
{
    m_shared->running.store(true);
    EnsureWorker();  // a worker still inside its pass carries on
}

void BatchLatencyTest::Stop()
{
    m_shared->running.store(false);
    m_shared->generation.fetch_add(1);
    {
        std::lock_guard guard(m_shared->paceLock);
        ++m_shared->stops;
    }
    m_shared->paceChanged.notify_all();
    // Take back what is still queued. While the lock is held no listed request can be freed, so
    // every address handed to RemoveRequest is that of a live request.
    std::lock_guard guard(m_shared->queuedLock);
    std::vector<const MythreadData*> queued(m_shared->queued.begin(), m_shared->queued.end());
    for (const MythreadData* request : queued) {
        if (m_pool.RemoveRequest(request))
            m_shared->requestsDropped.fetch_add(1);
    }
    m_thread.Terminate();
}

void BatchLatencyTest::Shutdown()
{
    if (m_shared->running.load())
        Stop();
    m_thread.WaitFor();
    m_shared->Drain();
}

uint32_t BatchLatencyTest::PaceMs() const { return m_shared->paceMs.load(); }
void BatchLatencyTest::SetPaceMs(uint32_t ms) { m_shared->paceMs.store(ms); }
int32_t BatchLatencyTest::EchoesSent() const { return m_shared->echoesSent.load(); }
int32_t BatchLatencyTest::RequestsDropped() const { return m_shared->requestsDropped.load(); }
int32_t BatchLatencyTest::ResultsDiscarded() const { return m_shared->resultsDiscarded.load(); }
int32_t BatchLatencyTest::PassesDone() const { return m_shared->passesDone.load(); }

namespace {
// The rows of the next pass, taken on the GUI thread; after a pass, the pass's end (sort, repaint,
// pool load) runs there first. Empty when the test was stopped meanwhile.
std::vector<BatchRow> TakeRows(support::TComponentBaseThread* thread,
                               const std::shared_ptr<BatchLatencyTest::Shared>& shared, bool passEnd)
{
    std::vector<BatchRow> rows;
    thread->SynchronizeCall([&] {
        if (!shared->target || !shared->running.load())
            return;
        if (passEnd) {
            shared->passesDone.fetch_add(1);
            shared->target->BatchPassDone();
        }
        rows = shared->target->BatchRows();
    });
    return rows;
}
} // namespace

void BatchLatencyTest::pingthreadExecute(support::TComponentBaseThread* sender, void*)
{
    // The thread holds its own references: the test may be stopped and restarted meanwhile.
    std::shared_ptr<Shared> shared = m_shared;
    support::TThreadPool& pool = m_pool;
    using Clock = std::chrono::steady_clock;

    std::vector<BatchRow> rows = TakeRows(sender, shared, false);
    for (;;) {
        // The pace runs from the pass's start, so that waits do not add up their overshoot.
        const Clock::time_point passStart = Clock::now();
        size_t step = 0;
        auto waitPace = [&] {
            const auto due = passStart + std::chrono::milliseconds(uint64_t(shared->paceMs.load()) * ++step);
            std::unique_lock lock(shared->paceLock);
            const uint32_t stops = shared->stops;
            shared->paceChanged.wait_until(lock, due, [&] { return shared->stops != stops; });
        };
        bool complete = shared->running.load();
        for (const BatchRow& row : rows) {
            if (!complete)
                break;
            waitPace();
            const uint32_t generation = shared->generation.load();
            if (!shared->running.load()) {
                complete = false;
                break;
            }
            auto request = std::make_unique<MythreadData>(shared, row, generation);
            {
                std::lock_guard guard(shared->queuedLock);
                shared->queued.insert(request.get());
            }
            pool.AddRequest(std::move(request), support::cdQueue | support::cdProcessing);
        }
        if (complete && rows.empty())
            waitPace();
        if (!shared->running.load()) {
            std::lock_guard guard(shared->workerLock);
            if (!shared->running.load()) {
                shared->workerActive = false;
                break;
            }
            complete = false;  // restarted meanwhile: this thread goes on
        }
        rows = TakeRows(sender, shared, complete);
    }
    core::Thread::Queue(nullptr, [weak = std::weak_ptr<Shared>(shared)] {
        if (auto shared = weak.lock(); shared && shared->target)
            shared->target->BatchEnded();
    });
}

void BatchLatencyTest::tp1ProcessRequest(support::TThreadPool*, support::TTaskDataObject* dataObj,
                                         support::TPoolingThread*)
{
    auto* request = static_cast<MythreadData*>(dataObj);
    const std::shared_ptr<Shared>& shared = request->Shared();
    {
        std::lock_guard guard(shared->queuedLock);
        shared->queued.erase(request);
    }
    if (!shared->Current(request->Generation())) {
        shared->requestsDropped.fetch_add(1);
        return;
    }
    std::optional<EchoOutcome> outcome;
    try {
        shared->echoesSent.fetch_add(1);
        outcome = shared->echo(request->Row().ip);
    } catch (...) {
        // No echo object: the row keeps what it shows.
    }
    if (!outcome)
        return;
    if (!shared->Current(request->Generation())) {
        shared->resultsDiscarded.fetch_add(1);
        return;
    }
    shared->Post({request->Row().row, request->Generation(), *outcome}, shared);
}

} // namespace client
