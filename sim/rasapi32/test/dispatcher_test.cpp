// The library thread of the simulated remote-access library: delivery order, commands, hang-up
// from inside a notifier and the wait of a hang-up for a running notifier.
#include "sim/rasapi32/dispatcher.h"

#include "sim/rasapi32/codes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>

namespace sim::rasapi32 {
namespace {

int64_t Now()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

DialRequest Request(StringView entry, StringView server)
{
    DialRequest r;
    r.entryName = String(entry);
    r.server = String(server);
    return r;
}

// Collects what the hooks see; safe to read from the test thread.
struct Recorder {
    std::mutex mutex;
    std::vector<Event> observed;
    std::vector<Event> delivered;
    std::vector<String> commands;
    std::function<bool(const Event&)> onDeliver;

    Dispatcher::Hooks Hooks()
    {
        return {Now,
                [this](const Event& e) {
                    std::lock_guard lock(mutex);
                    observed.push_back(e);
                },
                [this](const Event& e) {
                    {
                        std::lock_guard lock(mutex);
                        delivered.push_back(e);
                    }
                    return onDeliver ? onDeliver(e) : true;
                },
                [this] {
                    std::lock_guard lock(mutex);
                    std::vector<String> out;
                    out.swap(commands);
                    return out;
                }};
    }
    size_t Delivered()
    {
        std::lock_guard lock(mutex);
        return delivered.size();
    }
};

bool WaitFor(const std::function<bool()>& done, int ms = 5000)
{
    const int64_t end = Now() + ms;
    while (Now() < end) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

void Install(Dispatcher& d, const char* scenario)
{
    d.With([&](Engine& e, int64_t) {
        e.SetScenario(Scenario::Parse(scenario));
        return 0;
    });
}

uint64_t Dial(Dispatcher& d, StringView entry, StringView server)
{
    uint64_t handle = 0;
    EXPECT_EQ(d.With([&](Engine& e, int64_t now) { return e.Dial(now, Request(entry, server), handle); }),
              code::kSuccess);
    return handle;
}

TEST(Dispatcher, DeliversEveryStateInOrderOnItsOwnThread)
{
    Recorder recorder;
    std::thread::id deliveryThread;
    recorder.onDeliver = [&](const Event&) {
        deliveryThread = std::this_thread::get_id();
        return true;
    };
    Dispatcher dispatcher(recorder.Hooks());
    Install(dispatcher, "[default]\nafter=60\n");
    const uint64_t handle = Dial(dispatcher, u"e", u"10.0.0.1");
    ASSERT_TRUE(WaitFor([&] { return recorder.Delivered() == DialStates().size(); }));
    std::lock_guard lock(recorder.mutex);
    for (size_t i = 0; i < DialStates().size(); ++i) {
        EXPECT_EQ(recorder.delivered[i].state, DialStates()[i]);
        EXPECT_EQ(recorder.delivered[i].handle, handle);
    }
    EXPECT_NE(deliveryThread, std::this_thread::get_id());
    EXPECT_EQ(recorder.observed.size(), recorder.delivered.size());
}

TEST(Dispatcher, CommandsCompleteAHeldDial)
{
    Recorder recorder;
    Dispatcher dispatcher(recorder.Hooks());
    Install(dispatcher, "[default]\noutcome=hold\nafter=10\n");
    const uint64_t handle = Dial(dispatcher, u"e", u"10.0.0.4");
    const uint64_t other = Dial(dispatcher, u"f", u"10.0.0.5");
    ASSERT_TRUE(WaitFor([&] {
        return dispatcher.With([&](Engine& e, int64_t) { return e.Find(handle)->phase == Phase::Held; });
    }));
    {
        std::lock_guard lock(recorder.mutex);
        recorder.commands = {u"complete 10.0.0.4", u"nonsense", u"fail f 868"};
    }
    EXPECT_EQ(dispatcher.WaitForOutcome(handle, 5000), code::kSuccess);
    EXPECT_EQ(dispatcher.WaitForOutcome(other, 5000), code::kDnsNameNotResolvable);
}

TEST(Dispatcher, NotifierMayHangUpItsOwnDial)
{
    Recorder recorder;
    Dispatcher* self = nullptr;
    std::atomic<uint32_t> hangUpResult{99};
    recorder.onDeliver = [&](const Event& e) {
        if (e.state == state::kConnectDevice)
            hangUpResult = self->HangUp(e.handle);
        return true;
    };
    Dispatcher dispatcher(recorder.Hooks());
    self = &dispatcher;
    Install(dispatcher, "[default]\nafter=50\n");
    const uint64_t handle = Dial(dispatcher, u"e", u"10.0.0.1");
    ASSERT_TRUE(WaitFor([&] { return hangUpResult.load() != 99; }));
    EXPECT_EQ(hangUpResult.load(), code::kSuccess);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::lock_guard lock(recorder.mutex);
    EXPECT_EQ(recorder.delivered.back().state, state::kConnectDevice);
    EXPECT_EQ(recorder.observed.back().state, state::kDisconnected);
    EXPECT_EQ(recorder.observed.back().handle, handle);
}

TEST(Dispatcher, HangUpWaitsForARunningNotifierAndSilencesTheRest)
{
    Recorder recorder;
    std::promise<void> entered;
    std::atomic<bool> release{false};
    std::atomic<bool> finished{false};
    recorder.onDeliver = [&](const Event& e) {
        if (e.state == state::kOpenPort) {
            entered.set_value();
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            finished = true;
        }
        return true;
    };
    Dispatcher dispatcher(recorder.Hooks());
    Install(dispatcher, "[default]\nafter=100\n");
    const uint64_t handle = Dial(dispatcher, u"e", u"10.0.0.1");
    entered.get_future().wait();
    release = true;
    EXPECT_EQ(dispatcher.HangUp(handle), code::kSuccess);
    EXPECT_TRUE(finished.load());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(recorder.Delivered(), 1u);
}

TEST(Dispatcher, ANotifierThatAnswersFalseHearsNoMore)
{
    Recorder recorder;
    recorder.onDeliver = [](const Event& e) { return e.state != state::kPortOpened; };
    Dispatcher dispatcher(recorder.Hooks());
    Install(dispatcher, "[default]\nafter=40\n");
    const uint64_t handle = Dial(dispatcher, u"e", u"10.0.0.1");
    EXPECT_EQ(dispatcher.WaitForOutcome(handle, 5000), code::kSuccess);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(recorder.Delivered(), 2u);
    std::lock_guard lock(recorder.mutex);
    EXPECT_EQ(recorder.observed.size(), DialStates().size());
}

} // namespace
} // namespace sim::rasapi32
