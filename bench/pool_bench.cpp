// Benchmark of the batch latency pattern: 200 hosts whose echoes answer after 100 ms (scripted
// replies), measured through a thread pool (minimum 10, maximum 40 threads, one echo object per
// request) and one by one. Prints both times and their ratio.
#include "support/ping.h"
#include "support/test/scriptedicmp.h"
#include "support/threadpool.h"

#include "core/sync.h"
#include "core/thread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr int kHosts = 200;
constexpr DWORD kReplyMs = 100;

class HostRequest : public support::TTaskDataObject {
public:
    explicit HostRequest(int index) : m_index(index) {}
    int Index() const { return m_index; }

private:
    int m_index;
};

core::String HostAddress(int index)
{
    return u"127.0." + core::IntToStr(1 + index / 250) + u"." + core::IntToStr(1 + index % 250);
}

bool g_bare = false;  // --bare: the scripted echo without the echo object around it

int PingOnce(int index)
{
    if (g_bare) {
        Sleep(kReplyMs);
        return 1;
    }
    support::TPing ping;
    ping.SetAddress(HostAddress(index));
    return ping.Ping();
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    g_bare = argc > 1 && std::string(argv[1]) == "--bare";
    core::SetMainThread();
    support::PingComponentInitialize();  // as the program's start-up does
    support::test::ScriptedIcmpScope scope({support::test::EchoOutcome::Reply, 100, 0, kReplyMs});

    std::atomic<int> answered{0};
    std::atomic<int> done{0};
    core::Event allDone(true, false);
    double pooled = 0;
    double addsDone = 0;
    int peakThreads = 0;
    {
        support::TThreadPool pool;
        pool.SetThreadsMinCount(10);
        pool.SetThreadsMaxCount(40);
        pool.SetMinAtLeast(true);
        pool.SetAdjustInterval(2000);
        pool.SetDeadTaskAsNew(false);
        pool.OnProcessRequest = [&](support::TThreadPool*, support::TTaskDataObject* data, support::TPoolingThread*) {
            if (PingOnce(static_cast<HostRequest*>(data)->Index()) == 1)
                answered.fetch_add(1);
            if (done.fetch_add(1) + 1 == kHosts)
                allDone.SetEvent();
        };
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kHosts; ++i) {
            pool.AddRequest(std::make_unique<HostRequest>(i), support::cdProcessing);
            peakThreads = std::max(peakThreads, pool.ThreadCount());
        }
        addsDone = Seconds(start);
        allDone.WaitFor(120000);
        pooled = Seconds(start);
        peakThreads = std::max(peakThreads, pool.ThreadCount());
    }
    const int pooledAnswers = answered.load();

    answered.store(0);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kHosts; ++i) {
        if (PingOnce(i) == 1)
            answered.fetch_add(1);
    }
    const double sequential = Seconds(start);

    // The cost of one echo object alone (hidden window, socket library, ICMP handle).
    const auto objects = std::chrono::steady_clock::now();
    for (int i = 0; i < kHosts; ++i)
        support::TPing ping;
    const double objectMs = Seconds(objects) * 1000.0 / kHosts;

    std::printf("hosts: %d, scripted reply after %lu ms\n", kHosts, static_cast<unsigned long>(kReplyMs));
    std::printf("pooled (min 10, max 40; peak %d threads): %.3f s, %d answers\n", peakThreads, pooled, pooledAnswers);
    std::printf("  requests queued after %.3f s\n", addsDone);
    std::printf("one by one: %.3f s, %d answers\n", sequential, answered.load());
    std::printf("making and freeing one echo object: %.2f ms\n", objectMs);
    const double ratio = pooled > 0 ? sequential / pooled : 0;
    std::printf("speed-up: %.1fx (target >= 25x)\n", ratio);
    support::PingComponentFinalize();
    return pooledAnswers == kHosts && answered.load() == kHosts ? 0 : 1;
}
