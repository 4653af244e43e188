// Tests of the batch latency test's core: latency texts, order and colour bands, and the test itself
// over a stand-in target with scripted echoes: passes, hand-over to the main thread, stop and drop,
// restart within a pass.
#include "client/batchtest.h"
#include "client/test/pumpuntil.h"

#include "core/thread.h"
#include "core/tick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

using namespace client;
using client::test::PumpUntil;

TEST(BatchTexts, LatencyTextIsTheMeasuredRoundTrip)
{
    struct Case {
        EchoOutcome outcome;
        const char16_t* text;
    } cases[] = {
        {{true, 50}, u"50"}, {{true, 1}, u"1"}, {{true, 0}, u"0"}, {{true, 4000}, u"4000"}, {{false, 0}, u"禁ping"},
        {{false, 35}, u"禁ping"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LatencyText(c.outcome), c.text) << c.outcome.rtt;
}

TEST(BatchTexts, BandsByLatencyAndNoneWithoutAMeasuredTime)
{
    struct Case {
        const char16_t* delay;
        std::optional<uint32_t> color;  // $00BBGGRR
    } cases[] = {
        {u"0", 0x9BFFB4},   {u"150", 0x9BFFB4}, {u"151", 0x8CFFED}, {u"200", 0x8CFFED}, {u"201", 0x7BC8FC},
        {u"300", 0x7BC8FC}, {u"301", 0x525DFF}, {u"4000", 0x525DFF}, {u"NA", std::nullopt},
        {u"禁ping", std::nullopt}, {u"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LatencyBandColor(c.delay), c.color) << core::ToUtf8(c.delay);
}

TEST(BatchTexts, PoolLoadLabel)
{
    EXPECT_EQ(PoolLoadText(3, 10), u"3/10");
    EXPECT_EQ(PoolLoadText(0, -1), u"0/-1");
    EXPECT_EQ(String(kPoolLoadIdle), u"PNA/PNA");
}

TEST(BatchOrder, CompareIsAStrictWeakOrderOverSortKeys)
{
    const char16_t* values[] = {u"45", u"NA", u"12", u"禁ping", u"12", u"0", u"x", u"300"};
    for (const char16_t* a : values) {
        EXPECT_EQ(CompareLatency(a, a), 0) << "irreflexive";
        for (const char16_t* b : values) {
            EXPECT_EQ(CompareLatency(a, b), -CompareLatency(b, a)) << "antisymmetric";
            EXPECT_EQ(CompareLatency(a, b, false), -CompareLatency(a, b, true));
            for (const char16_t* c : values) {
                if (CompareLatency(a, b) < 0 && CompareLatency(b, c) < 0) {
                    EXPECT_LT(CompareLatency(a, c), 0) << "transitive";
                }
                if (CompareLatency(a, b) == 0 && CompareLatency(b, c) == 0) {
                    EXPECT_EQ(CompareLatency(a, c), 0) << "equivalence is transitive";
                }
            }
        }
    }
    EXPECT_EQ(LatencySortKey(u"NA"), 37000000);
    EXPECT_EQ(CompareLatency(u"NA", u"禁ping"), 0);
}

TEST(BatchOrder, StableSortKeepsTheFormerOrderOfEqualRows)
{
    // 45, NA, 12, 禁ping sorts to 12, 45, NA, 禁ping: rows without a number keep their order.
    std::vector<std::u16string> rows = {u"45", u"NA", u"12", u"禁ping", u"12", u"禁ping", u"NA"};
    std::vector<size_t> order(rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return CompareLatency(rows[a], rows[b]) < 0; });
    EXPECT_EQ(order, (std::vector<size_t>{2, 4, 0, 1, 3, 5, 6}));
}

namespace {

// Rows with a latency and a failure count, as the tree keeps them; checks that every call comes on
// the main thread.
class FakeTarget : public BatchTarget {
public:
    struct Row {
        String ip;
        String delay = kDelayNotMeasured;
        int32_t losttimes = 0;
    };

    explicit FakeTarget(std::vector<String> ips)
    {
        for (auto& ip : ips)
            m_rows.push_back(std::make_unique<Row>(Row{ip}));
    }
    std::vector<BatchRow> BatchRows() override
    {
        CheckThread();
        std::vector<BatchRow> rows;
        for (auto& row : m_rows)
            rows.push_back({row.get(), row->ip});
        return rows;
    }
    void ApplyEcho(const void* handle, const EchoOutcome& outcome) override
    {
        CheckThread();
        auto it = std::find_if(m_rows.begin(), m_rows.end(), [&](auto& row) { return row.get() == handle; });
        ASSERT_NE(it, m_rows.end()) << "a result for a row that is gone";
        (*it)->delay = LatencyText(outcome);
        if (!outcome.answered)
            ++(*it)->losttimes;
        ++applied;
    }
    void BatchPassDone() override
    {
        CheckThread();
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [](auto& a, auto& b) { return CompareLatency(a->delay, b->delay) < 0; });
        ++passes;
    }
    void BatchEnded() override
    {
        CheckThread();
        ++ended;
    }
    // Refilling the rows, as an area change does once the test is off.
    void Refill(std::vector<String> ips)
    {
        m_rows.clear();
        for (auto& ip : ips)
            m_rows.push_back(std::make_unique<Row>(Row{ip}));
    }
    std::vector<String> Order() const
    {
        std::vector<String> order;
        for (auto& row : m_rows)
            order.push_back(row->ip + u"=" + row->delay);
        return order;
    }
    const Row& ByIp(const String& ip) const
    {
        return **std::find_if(m_rows.begin(), m_rows.end(), [&](auto& row) { return row->ip == ip; });
    }

    int applied = 0;
    int passes = 0;
    int ended = 0;
    bool offThread = false;

private:
    void CheckThread()
    {
        if (core::CurrentThreadId() != core::MainThreadId())
            offThread = true;
    }
    std::vector<std::unique_ptr<Row>> m_rows;
};

// Echo outcomes by address, each after a delay.
class ScriptedEchoes {
public:
    struct Script {
        EchoOutcome outcome;
        uint32_t delayMs = 0;
    };
    void Set(const String& ip, Script script)
    {
        std::lock_guard guard(m_lock);
        m_scripts[ip] = script;
    }
    BatchEchoFunction Function()
    {
        return [this](const String& ip) -> std::optional<EchoOutcome> {
            Script script;
            {
                std::lock_guard guard(m_lock);
                script = m_scripts[ip];
            }
            if (script.delayMs)
                core::Sleep(script.delayMs);
            return script.outcome;
        };
    }

private:
    std::mutex m_lock;
    std::map<String, Script> m_scripts;
};

class BatchTestTest : public ::testing::Test {
protected:
    void SetUp() override { core::SetMainThread(); }
};

} // namespace

TEST_F(BatchTestTest, PassMeasuresEveryRowAndSortsByLatency)
{
    ScriptedEchoes echoes;
    echoes.Set(u"a", {{true, 45}});
    echoes.Set(u"b", {{false, 0}, 20});  // never answers
    echoes.Set(u"c", {{true, 12}});
    echoes.Set(u"d", {{true, 0}});
    FakeTarget target({u"a", u"b", u"c", u"d"});
    support::TThreadPool pool;
    support::TThreadComponent thread;
    {
        BatchLatencyTest test(pool, thread, target, echoes.Function());
        test.Configure();
        test.SetPaceMs(5);
        EXPECT_EQ(pool.ThreadsMinCount(), 10);
        EXPECT_EQ(pool.ThreadsMaxCount(), 40);
        EXPECT_TRUE(pool.MinAtLeast());
        EXPECT_EQ(pool.AdjustInterval(), 2000u);
        EXPECT_FALSE(pool.DeadTaskAsNew());
        EXPECT_TRUE(thread.Exclusive());

        test.Start();
        EXPECT_TRUE(test.Running());
        // Two passes with every result in: the second pass's sort sees all of the first's.
        ASSERT_TRUE(PumpUntil([&] { return target.applied >= 8 && target.passes >= 2; }));
        test.Stop();
        EXPECT_FALSE(test.Running());
        ASSERT_TRUE(PumpUntil([&] { return target.ended == 1; }));
        test.Shutdown();
    }
    EXPECT_FALSE(target.offThread) << "rows are touched on the main thread only";
    target.BatchPassDone();
    EXPECT_EQ(target.Order(), (std::vector<String>{u"d=0", u"c=12", u"a=45", u"b=禁ping"}));
    EXPECT_GE(target.ByIp(u"b").losttimes, 1);
    EXPECT_EQ(target.ByIp(u"a").losttimes, 0);
}

TEST_F(BatchTestTest, MissingEchoLibraryLeavesRowsAsTheyWere)
{
    FakeTarget target({u"a", u"b"});
    support::TThreadPool pool;
    support::TThreadComponent thread;
    BatchLatencyTest test(pool, thread, target, [](const String&) -> std::optional<EchoOutcome> {
        throw std::runtime_error("no echo library");
    });
    test.Configure();
    test.SetPaceMs(2);
    test.Start();
    ASSERT_TRUE(PumpUntil([&] { return test.EchoesSent() >= 4 && target.passes >= 2; }));
    test.Shutdown();
    EXPECT_EQ(target.applied, 0);
    EXPECT_EQ(target.ByIp(u"a").delay, u"NA");
    EXPECT_EQ(target.ended, 1);
}

namespace {

// Echoes that stay under way until the test opens their gate: a pool thread inside one cannot take
// another request, so what waits in the queue does not depend on the machine's speed.
class GatedEchoes {
public:
    BatchEchoFunction Function()
    {
        return [this](const String&) -> std::optional<EchoOutcome> {
            std::unique_lock lock(m_lock);
            ++m_started;
            m_changed.notify_all();
            m_changed.wait(lock, [&] { return m_open; });
            --m_underWay;
            m_changed.notify_all();
            return EchoOutcome{true, 7};
        };
    }
    int Started()
    {
        std::lock_guard guard(m_lock);
        return m_started;
    }
    // Opens the gate and waits until every echo under way has returned.
    bool OpenAndWait()
    {
        std::unique_lock lock(m_lock);
        m_open = true;
        m_underWay += m_started;
        m_changed.notify_all();
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_underWay == 0; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
    int m_started = 0;
    int m_underWay = 0;
};

} // namespace

TEST_F(BatchTestTest, StopDropsQueuedRequestsAndARefillNeverSeesLateResults)
{
    // Echoes held under way, fast pace: requests pile up in the pool behind its threads.
    GatedEchoes echoes;
    std::vector<String> ips;
    for (int i = 0; i < 60; ++i)
        ips.push_back(u"n" + core::IntToStr(i));
    FakeTarget target(ips);
    support::TThreadPool pool;
    support::TThreadComponent thread;
    BatchLatencyTest test(pool, thread, target, echoes.Function());
    test.Configure();
    // No idle thread is retired while the test counts the pool's threads, and the pool has a fixed
    // few: once more than that many requests wait, threads still to be made cannot absorb the queue
    // between the look and the stop, however slow the machine.
    pool.SetAdjustInterval(3600000);
    pool.SetThreadsMinCount(4);
    pool.SetThreadsMaxCount(4);
    test.SetPaceMs(1);
    test.Start();
    ASSERT_TRUE(PumpUntil([&] { return pool.TaskCount() > 5; })) << "requests wait in the queue";
    test.Stop();
    EXPECT_GT(test.RequestsDropped(), 0) << "the stop takes back what is queued";
    // The area changes at once: rows are freed while echoes are still under way.
    target.Refill({u"fresh"});
    // Once the worker has ended no request comes any more, and no pool thread is added. The stop
    // took back everything queued but the one request the worker may have been handing over
    // meanwhile, which is dropped when a thread takes it.
    ASSERT_TRUE(PumpUntil([&] { return target.ended == 1; }));
    EXPECT_LE(pool.TaskCount(), 1) << "the stop takes back what is queued";
    // Every pool thread is now inside an echo or idle: none is between taking a request and
    // sending its echo.
    ASSERT_TRUE(PumpUntil([&] { return echoes.Started() + pool.IdleThreadCount() == pool.ThreadCount(); }));
    const int startedAtStop = echoes.Started();
    ASSERT_TRUE(echoes.OpenAndWait());
    // The threads the gate lets go find nothing left to do but drop: no echo is sent for a
    // request of the stopped test.
    ASSERT_TRUE(PumpUntil([&] { return pool.TaskCount() == 0 && pool.IdleThreadCount() == pool.ThreadCount(); }));
    core::CheckSynchronize(0);
    test.Shutdown();
    EXPECT_EQ(echoes.Started(), startedAtStop) << "dropped requests send no echo";
    EXPECT_EQ(test.EchoesSent(), startedAtStop);
    EXPECT_EQ(target.applied, 0) << "no result reaches a row after the stop";
    EXPECT_EQ(target.ByIp(u"fresh").delay, u"NA");
}

TEST_F(BatchTestTest, RestartWithinAPassKeepsOneWorker)
{
    ScriptedEchoes echoes;
    FakeTarget target({u"a", u"b", u"c"});
    echoes.Set(u"a", {{true, 5}});
    echoes.Set(u"b", {{true, 6}});
    echoes.Set(u"c", {{true, 7}});
    support::TThreadPool pool;
    support::TThreadComponent thread;
    BatchLatencyTest test(pool, thread, target, echoes.Function());
    test.Configure();
    test.SetPaceMs(30);
    int begun = 0;
    thread.OnBegin = [&](support::TThreadComponent*) { ++begun; };
    test.Start();
    core::Sleep(40);
    test.Stop();
    test.Start();
    EXPECT_EQ(begun, 1) << "the worker still inside its pass carries on";
    EXPECT_EQ(thread.Count(), 1);
    ASSERT_TRUE(PumpUntil([&] { return target.applied >= 3 && target.passes >= 1; }));
    EXPECT_EQ(target.ended, 0);
    test.Stop();
    ASSERT_TRUE(PumpUntil([&] { return target.ended == 1; }));
    // Started again once the worker is gone: a new one.
    test.Start();
    ASSERT_TRUE(PumpUntil([&] { return begun == 2 && target.passes >= 2; }));
    test.Shutdown();
    EXPECT_EQ(target.ended, 2);
    EXPECT_FALSE(target.offThread);
}

TEST_F(BatchTestTest, EmptyTreeGivesPassesThatQueueNothing)
{
    FakeTarget target({});
    support::TThreadPool pool;
    support::TThreadComponent thread;
    BatchLatencyTest test(pool, thread, target, [](const String&) { return std::optional<EchoOutcome>(); });
    test.Configure();
    test.SetPaceMs(5);
    test.Start();
    ASSERT_TRUE(PumpUntil([&] { return target.passes >= 3; }));
    test.Shutdown();
    EXPECT_EQ(test.EchoesSent(), 0);
    EXPECT_EQ(pool.ThreadCount(), 0) << "no request, no pool thread";
}
