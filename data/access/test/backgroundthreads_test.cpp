// The layer's background threads under load: callers on eight threads taking and returning pooled
// connections while the validator runs every 10 ms and pools come and go, and four producers
// queuing monitor events to a slow tool. Run under ThreadSanitizer as well.
#include "data/access/connectionpool.h"
#include "data/access/monitorclient.h"
#include "data/access/test/loopback.h"
#include "data/access/testing/refpool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace data;
using namespace data::testing;

namespace {

class TQuietConnection : public TCRConnection {
public:
    void Disconnect() override { FConnected = false; }
    bool CheckIsValid() override { return true; }
};

class TStressManager : public TCRConnectionPoolManager {
public:
    TStressManager() : TCRConnectionPoolManager(core::SystemClock::Instance(), 10) {}
    ~TStressManager() override { StopValidator(); }

    std::unique_ptr<TCRConnectionPool> CreateConnectionPool(const TCRConnectionParameters& Key) override
    {
        return std::make_unique<TRefConnectionPool>(
            this, Key, [](const TCRConnectionParameters&) { return std::make_unique<TQuietConnection>(); },
            core::SystemClock::Instance());
    }
};

} // namespace

TEST(BackgroundThreads, CallersAndTheValidatorShareThePools)
{
    TStressManager manager;
    std::atomic<int> taken = 0;
    std::vector<std::thread> callers;
    for (int t = 0; t < 8; ++t) {
        callers.emplace_back([&, t] {
            TCRConnectionParameters key;
            key.Validate = true;
            for (int i = 0; i < 400; ++i) {
                // Eight keys over the threads: pools are shared, made and, once empty, freed.
                key.Username = core::IntToStr((t + i) % 8);
                TCRConnection* connection = manager.InternalGetConnection(key);
                ++taken;
                // Now and then a connection fails: its pool may become empty and go at a pass.
                if (i % 7 == 0)
                    connection->SetIsValid(false);
                if (i % 50 == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(3));
                connection->ReturnToPool();
            }
        });
    }
    for (auto& caller : callers)
        caller.join();
    EXPECT_EQ(taken, 8 * 400);
    EXPECT_LE(manager.PoolCount(), 8);
}

TEST(BackgroundThreads, ProducersQueueEventsToASlowTool)
{
    monitortest::LoopbackListener tool;
    tool.SetReadDelay(1);
    {
        TDBMonitor monitor;
        monitor.SetHost("127.0.0.1");
        monitor.SetPort(tool.Port());
        monitor.SetCaption(u"stress");
        monitor.Startup();
        std::vector<std::thread> producers;
        for (int t = 0; t < 4; ++t) {
            producers.emplace_back([&] {
                for (int i = 0; i < 300; ++i) {
                    TMonitorEvent event;
                    event.EventType = 3;
                    event.SQL = u"SELECT 1";
                    event.Params = {{u"p", u"Integer", u"IN", u"1"}};
                    monitor.SendEvent(event);
                    if (i % 100 == 0)
                        monitor.IsMonitorActive();
                }
            });
        }
        for (auto& producer : producers)
            producer.join();
        monitor.Finish();
    }
    // Everything that reached the tool is whole messages, the startup message first.
    std::vector<std::string> received = tool.Connections();
    ASSERT_FALSE(received.empty());
    std::vector<monitortest::Decoded> messages = monitortest::Decode(received[0]);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].type, 2);
}
