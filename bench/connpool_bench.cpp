// Pooled connections taken and returned through the pool manager and the test providers' pool,
// against a plain pool (a std::mutex and a std::vector of connections) measured in the same run, on
// 1 and 8 threads sharing one key. Prints pairs per second (medians over the rounds) and the ratio of
// the time per pair to the plain pool's, with a verdict per target (5x at 1 thread, 3x at 8).
#include "data/access/connectionpool.h"
#include "data/access/testing/refpool.h"

#include "bench/timing.h"

#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

using namespace data;
using namespace data::testing;

namespace {

constexpr int kPairsPerThread = 1000000;
constexpr int kRounds = 5;

class TBenchConnection : public TCRConnection {
public:
    void Disconnect() override { FConnected = false; }
    bool CheckIsValid() override { return true; }
};

class TBenchManager : public TCRConnectionPoolManager {
public:
    ~TBenchManager() override { StopValidator(); }
    std::unique_ptr<TCRConnectionPool> CreateConnectionPool(const TCRConnectionParameters& Key) override
    {
        return std::make_unique<TRefConnectionPool>(
            this, Key, [](const TCRConnectionParameters&) { return std::make_unique<TBenchConnection>(); },
            core::SystemClock::Instance());
    }
};

// The yardstick: what a pool is at least.
class PlainPool {
public:
    ~PlainPool()
    {
        for (TCRConnection* c : m_idle)
            delete c;
    }
    TCRConnection* Take()
    {
        std::lock_guard lock(m_lock);
        if (m_idle.empty())
            return new TBenchConnection;
        TCRConnection* c = m_idle.back();
        m_idle.pop_back();
        return c;
    }
    void Give(TCRConnection* c)
    {
        std::lock_guard lock(m_lock);
        m_idle.push_back(c);
    }

private:
    std::mutex m_lock;
    std::vector<TCRConnection*> m_idle;
};

double OnThreads(int threads, const std::function<void()>& perThread)
{
    return bench::Seconds([&] {
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back(perThread);
        for (auto& w : workers)
            w.join();
    });
}

} // namespace

int main()
{
    TCRConnectionParameters key;
    key.Username = u"bench";
    key.Server = u"server";
    key.Password = u"secret";
    bool allMet = true;
    for (int threads : {1, 8}) {
        std::vector<double> plain, pooled;
        for (int round = 0; round < kRounds; ++round) {
            {
                PlainPool pool;
                plain.push_back(OnThreads(threads, [&] {
                    for (int i = 0; i < kPairsPerThread; ++i)
                        pool.Give(pool.Take());
                }));
            }
            {
                TBenchManager manager;
                pooled.push_back(OnThreads(threads, [&] {
                    for (int i = 0; i < kPairsPerThread; ++i)
                        manager.InternalGetConnection(key)->ReturnToPool();
                }));
            }
        }
        const double pairs = double(threads) * kPairsPerThread;
        const double plainSeconds = bench::Median(plain), pooledSeconds = bench::Median(pooled);
        const double ratio = pooledSeconds / plainSeconds;
        const double target = threads == 1 ? 5.0 : 3.0;
        const bool met = ratio <= target;
        allMet = allMet && met;
        std::printf("%d thread%s: plain pool %.1f M pairs/s, manager and pool %.1f M pairs/s, ratio %.2fx "
                    "(target %.0fx): %s\n",
                    threads, threads == 1 ? "" : "s", pairs / plainSeconds / 1e6, pairs / pooledSeconds / 1e6, ratio,
                    target, met ? "met" : "MISSED");
    }
    return allMet ? 0 : 1;
}
