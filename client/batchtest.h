// The batch latency test of the node list: a worker thread walks the rows at a fixed pace and queues
// one echo request per row into a thread pool; pool threads send the echoes and hand each result to
// the GUI thread, which alone writes the rows, sorts them after every pass and repaints.
//
// Threads: Start, Stop and Shutdown are called on the GUI thread, and every BatchTarget call is made
// there too. Pool threads and the worker thread touch only the shared state (atomics, and lists
// under their own locks); a row handle crosses threads as an opaque value and is looked up again
// on the GUI thread before a result is written. A stop drops the requests still queued, and results
// of requests that were already under way are discarded, so a tree refilled after a stop never sees
// them.
#pragma once
#include "core/string.h"
#include "support/threadcomponent.h"
#include "support/threadpool.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace client {

using core::String;
using core::StringView;

// ---- Texts, colour bands and order of the latency column ----

inline constexpr char16_t kDelayNotMeasured[] = u"NA";
inline constexpr char16_t kDelayNoAnswer[] = u"禁ping";
inline constexpr char16_t kBatchStartCaption[] = u"批量测速";
inline constexpr char16_t kBatchStopCaption[] = u"暂停测速";
inline constexpr char16_t kPoolLoadIdle[] = u"PNA/PNA";

// What one echo of a row gave: a successful answer with its round-trip time, or none (time-out,
// ICMP error reply, unresolvable address).
struct EchoOutcome {
    bool answered = false;
    uint32_t rtt = 0;
};

// The latency text of a row after an echo: the measured round-trip time in milliseconds, or "禁ping".
String LatencyText(const EchoOutcome& outcome);
// The number a latency text sorts by: the milliseconds, or 37000000 for "NA", "禁ping" and anything
// else that is not a number, so that such rows sort after every measured one.
int64_t LatencySortKey(StringView delay);
// Latency order of two rows: below 0, 0 (equal keys) or above 0. A strict weak order; with the
// tree's stable sort, rows of equal latency keep their order as before. Descending inverts it.
int CompareLatency(StringView delay1, StringView delay2, bool ascending = true);
// The band colour ($00BBGGRR) of a row's cells: none for "NA" and "禁ping" (no measured time),
// else by milliseconds: up to 150, up to 200, up to 300, above.
std::optional<uint32_t> LatencyBandColor(StringView delay);
// The pool-load label: queued tasks "/" threads.
String PoolLoadText(int32_t tasks, int32_t threads);

// ---- The test ----

// A row as the worker thread sees it: the tree row as an opaque handle (never dereferenced outside
// the GUI thread) and the address to echo.
struct BatchRow {
    const void* row = nullptr;
    String ip;
};

// The GUI side of the test (the main window, or a test's stand-in). Every call comes on the GUI
// thread.
class BatchTarget {
public:
    virtual ~BatchTarget() = default;
    // The rows to measure, in tree order.
    virtual std::vector<BatchRow> BatchRows() = 0;
    // Writes one echo's outcome into its row, when the row is still in the tree.
    virtual void ApplyEcho(const void* row, const EchoOutcome& outcome) = 0;
    // After each pass: sort the rows, repaint, show the pool load.
    virtual void BatchPassDone() = 0;
    // The worker thread has left its loop.
    virtual void BatchEnded() = 0;
};

// One echo to an address, in a pool thread: the outcome, or none when no echo could be made (the
// echo library is missing); may raise, which counts as none.
using BatchEchoFunction = std::function<std::optional<EchoOutcome>(const String& ip)>;

class BatchLatencyTest {
public:
    // pool and thread are the window's components; they must outlive Shutdown().
    BatchLatencyTest(support::TThreadPool& pool, support::TThreadComponent& thread, BatchTarget& target,
                     BatchEchoFunction echo);
    ~BatchLatencyTest();
    BatchLatencyTest(const BatchLatencyTest&) = delete;
    BatchLatencyTest& operator=(const BatchLatencyTest&) = delete;

    // Gives the pool and the thread component the test's settings and handlers: pool minimum 10,
    // maximum 40, filled to the minimum at once, reduce tick 2000 ms, no re-queueing of dead
    // requests; one exclusive worker thread at a time that frees itself.
    void Configure();

    bool Running() const;
    // Starts the test; a worker thread still running from before (stopped and restarted within one
    // pass) carries on, and no second one is started.
    void Start();
    // Stops the test: queued requests are dropped and results still to come are discarded. The
    // worker thread ends at its next look (it does not wait out its pace).
    void Stop();
    // Stop, then wait (handling queued calls) until the worker thread has ended. Called before the
    // pool or the thread component go.
    void Shutdown();

    // Milliseconds between two queued rows (tests shorten it).
    uint32_t PaceMs() const;
    void SetPaceMs(uint32_t ms);

    // Figures for tests and the benchmark.
    int32_t EchoesSent() const;
    int32_t RequestsDropped() const;
    int32_t ResultsDiscarded() const;
    int32_t PassesDone() const;

    // The worker thread's body (the thread component's OnExecute).
    void pingthreadExecute(support::TComponentBaseThread* sender, void* params);
    // One request, in a pool thread (the pool's OnProcessRequest). Static: it needs nothing of the test
    // object, which may be gone while an echo is still under way.
    static void tp1ProcessRequest(support::TThreadPool* sender, support::TTaskDataObject* dataObj,
                           support::TPoolingThread* thread);

    struct Shared;

private:
    // Starts a worker unless one is active; called on the GUI thread.
    void EnsureWorker();

    support::TThreadPool& m_pool;
    support::TThreadComponent& m_thread;
    std::shared_ptr<Shared> m_shared;
};

} // namespace client
