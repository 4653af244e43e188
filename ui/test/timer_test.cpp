// Timers on the manual clock: periods, enabling, handler rules and errors of handlers.
#include "core/exception.h"
#include "ui/timer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

struct ClockFixture : ::testing::Test {
    ManualTimerClock clock;
    TimerClockGuard guard{clock};
};

using Timers = ClockFixture;

TEST_F(Timers, TickAfterEachFullIntervalOnly)
{
    Timer timer;
    timer.SetInterval(3000);
    int ticks = 0;
    timer.SetOnTimer([&](core::Object* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    });
    clock.Advance(2999);
    EXPECT_EQ(ticks, 0);
    clock.Advance(1);
    EXPECT_EQ(ticks, 1);
    clock.Advance(9000);
    EXPECT_EQ(ticks, 4);
}

TEST_F(Timers, RunOnlyWithIntervalEnabledAndHandler)
{
    struct Case {
        unsigned interval;
        bool enabled;
        bool handler;
        bool running;
    };
    for (const Case& c : {Case{1000, true, true, true}, Case{0, true, true, false}, Case{1000, false, true, false},
                          Case{10000, true, false, false}}) {
        Timer timer;
        timer.SetInterval(c.interval);
        timer.SetEnabled(c.enabled);
        if (c.handler)
            timer.SetOnTimer([](core::Object*) {});
        EXPECT_EQ(timer.Running(), c.running) << c.interval << " " << c.enabled << " " << c.handler;
        EXPECT_EQ(clock.IsScheduled(timer), c.running);
    }
    EXPECT_EQ(clock.ScheduledCount(), 0); // freed timers leave the clock
}

TEST_F(Timers, OneShotTimerThatDisablesItselfTicksOnce)
{
    Timer first, report;
    std::vector<std::string> order;
    first.SetInterval(4000);
    first.SetOnTimer([&](core::Object*) {
        order.push_back("first");
        first.SetEnabled(false);
    });
    report.SetInterval(3000);
    report.SetOnTimer([&](core::Object*) { order.push_back("report"); });
    clock.Advance(12000);
    EXPECT_EQ(order, (std::vector<std::string>{"report", "first", "report", "report", "report"}));
}

TEST_F(Timers, ChangingTheIntervalRestartsThePeriod)
{
    Timer timer;
    int ticks = 0;
    timer.SetOnTimer([&](core::Object*) { ++ticks; });
    clock.Advance(900);
    timer.SetInterval(500);
    clock.Advance(499);
    EXPECT_EQ(ticks, 0);
    clock.Advance(1);
    EXPECT_EQ(ticks, 1);
}

TEST_F(Timers, ErrorOfAHandlerGoesToTheApplicationHandlerAndTheTimerKeepsRunning)
{
    std::vector<std::string> errors;
    core::SetApplicationExceptionHandler([&](const std::exception& e) { errors.push_back(e.what()); });
    Timer timer;
    timer.SetInterval(100);
    timer.SetOnTimer([](core::Object*) { throw core::Exception(u"bad"); });
    clock.Advance(200);
    core::SetApplicationExceptionHandler(nullptr);
    EXPECT_EQ(errors, (std::vector<std::string>{"bad", "bad"}));
    EXPECT_TRUE(timer.Running());
}

TEST_F(Timers, HandlerMayFreeAnotherTimer)
{
    auto* victim = new Timer();
    int victimTicks = 0;
    victim->SetInterval(100);
    victim->SetOnTimer([&](core::Object*) { ++victimTicks; });
    Timer killer;
    killer.SetInterval(100);
    killer.SetOnTimer([&](core::Object*) {
        delete victim;
        victim = nullptr;
        killer.SetEnabled(false);
    });
    clock.Advance(1000);
    EXPECT_EQ(victim, nullptr);
    EXPECT_EQ(victimTicks, 1); // it ticked first at 100 ms, scheduled before the killer
}

} // namespace
} // namespace ui
