// The monitor client over a loopback tool: event ids, the startup message at the head of every
// connection, the finish message, dropping while the tool is away or the ring is full, and the
// process's client freed by the access units.
#include "data/access/access.h"
#include "data/access/monitorclient.h"
#include "data/access/test/eventually.h"
#include "data/access/test/loopback.h"
#include "data/access/test/scriptport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace data;
using accesstest::Eventually;
using monitortest::Decode;
using monitortest::Decoded;
using monitortest::LoopbackListener;
using monitortest::TScriptPort;

namespace {

// The decoded messages of each connection.
std::vector<std::vector<Decoded>> Received(LoopbackListener& tool)
{
    std::vector<std::vector<Decoded>> out;
    for (const std::string& bytes : tool.Connections())
        out.push_back(Decode(bytes));
    return out;
}

std::vector<int32_t> Types(const std::vector<Decoded>& messages)
{
    std::vector<int32_t> types;
    for (const Decoded& m : messages)
        types.push_back(m.type);
    return types;
}

void Point(TDBMonitor& monitor, LoopbackListener& tool)
{
    monitor.SetHost("127.0.0.1");
    monitor.SetPort(tool.Port());
}

TMonitorEvent MakeEvent(const char16_t* description)
{
    TMonitorEvent event;
    event.EventType = 3;
    event.Description = description;
    return event;
}

} // namespace

TEST(MonitorClient, EventIdsAndTheStartupMessageAtTheHeadOfEveryConnection)
{
    LoopbackListener tool;
    TDBMonitor monitor;
    Point(monitor, tool);
    monitor.SetCaption(u"测试");

    TMonitorEvent first = MakeEvent(u"a"), second = MakeEvent(u"b"), end = MakeEvent(u"c"), both = MakeEvent(u"d");
    monitor.SendEventStart(first);
    monitor.SendEventStart(second);
    monitor.SendEventEnd(end);  // no id of its own: the latest start's
    monitor.SendEvent(both);
    EXPECT_EQ(first.EventID, 1u);
    EXPECT_EQ(second.EventID, 2u);
    EXPECT_EQ(end.EventID, 0u);
    EXPECT_EQ(both.EventID, 3u);

    ASSERT_TRUE(Eventually([&] { auto r = Received(tool); return r.size() == 1 && r[0].size() == 6; }));
    std::vector<Decoded> messages = Received(tool)[0];
    EXPECT_EQ(Types(messages), (std::vector<int32_t>{2, 4, 4, 5, 4, 5}));
    ASSERT_EQ(messages[0].fields.size(), 4u);
    EXPECT_EQ(messages[0].fields[1], "0");
    EXPECT_EQ(messages[0].fields[2], "'\xE6\xB5\x8B\xE8\xAF\x95 monitoring is started'");
#ifdef _WIN32
    EXPECT_GT(messages[0].fields[3].size(), 2u);  // the program's path (the host build has none)
#endif
    const char* ids[] = {nullptr, "1", "2", "2", "3", "3"};
    for (size_t i = 1; i < messages.size(); ++i)
        EXPECT_EQ(messages[i].fields[3], ids[i]) << i;

    // The tool goes away: the connection drops with the next writes, the one after reconnects and
    // starts with the startup message again.
    tool.DropConnections();
    ASSERT_TRUE(Eventually([&] {
        TMonitorEvent more = MakeEvent(u"more");
        monitor.SendEvent(more);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        auto r = Received(tool);
        return r.size() == 2 && !r[1].empty();
    }));
    EXPECT_EQ(Received(tool)[1][0].type, 2);

    // The finish message goes over the existing connection and closes it.
    monitor.Finish();
    ASSERT_TRUE(Eventually([&] { auto r = Received(tool); return !r[1].empty() && r[1].back().type == 1; }));
    const Decoded finish = Received(tool)[1].back();
    EXPECT_EQ(finish.type, 1);
    EXPECT_EQ(finish.fields[1], "1");
    EXPECT_EQ(finish.fields[2], "'\xE6\xB5\x8B\xE8\xAF\x95 monitoring is finished'");
    TMonitorEvent after = MakeEvent(u"after");
    monitor.SendEvent(after);
    ASSERT_TRUE(Eventually([&] { auto r = Received(tool); return r.size() == 3 && r[2].size() == 3; }));
    EXPECT_EQ(Types(Received(tool)[2]), (std::vector<int32_t>{2, 4, 5}));
}

TEST(MonitorClient, WithoutAToolMessagesAreDroppedUntilTheReconnectTimeOut)
{
    LoopbackListener tool;
    core::ManualClock clock(100);
    TScriptPort port;
    port.refuse = true;
    TDBMonitor monitor(port, clock);
    Point(monitor, tool);

    TMonitorEvent event = MakeEvent(u"lost");
    monitor.SendEvent(event);
    ASSERT_TRUE(Eventually([&] { return monitor.CachedCount() == 0; }));
    EXPECT_EQ(port.connects, 1);  // the start tried; the end fell within the time-out
    monitor.SendEvent(event);
    monitor.Finish();  // no connection: freed without an attempt
    ASSERT_TRUE(Eventually([&] { return monitor.CachedCount() == 0; }));
    EXPECT_EQ(port.connects, 1);
    EXPECT_FALSE(monitor.IsMonitorActive());

    port.refuse = false;
    clock.Advance(4999);
    EXPECT_FALSE(monitor.IsMonitorActive());
    EXPECT_EQ(port.connects, 1);
    clock.Advance(1);
    TMonitorEvent later = MakeEvent(u"later");
    monitor.SendEventStart(later);
    ASSERT_TRUE(Eventually([&] { auto r = Received(tool); return r.size() == 1 && r[0].size() == 2; }));
    EXPECT_EQ(Types(Received(tool)[0]), (std::vector<int32_t>{2, 4}));
    EXPECT_EQ(Received(tool)[0][1].fields[3], "3");
    EXPECT_TRUE(monitor.IsMonitorActive());
    EXPECT_TRUE(tool.Connections().size() == 1);
}

TEST(MonitorClient, AFullRingDropsNewMessagesWhileTheSenderIsHeld)
{
    LoopbackListener tool;
    TScriptPort port;
    port.CloseGate();
    {
        TDBMonitor monitor(port);
        Point(monitor, tool);
        TMonitorEvent event = MakeEvent(u"held");
        monitor.SendEventStart(event);
        ASSERT_TRUE(Eventually([&] { return port.waiting.load(); }));
        for (int i = 0; i < 1000; ++i)
            monitor.SendEventStart(event);
        EXPECT_EQ(monitor.CachedCount(), 1000);
        EXPECT_EQ(event.EventID, 1001u);  // ids are handed out also to dropped messages
        port.OpenGate();
        // A thousand messages of many small writes each: slow under an emulator, hence the long bound.
        ASSERT_TRUE(Eventually([&] { return monitor.CachedCount() == 0; }, 60));
        ASSERT_TRUE(Eventually([&] { auto r = Received(tool); return r.size() == 1 && r[0].size() == 1001; }, 60));
        // The last one queued was dropped: the ids sent end at 1000.
        EXPECT_EQ(Received(tool)[0].back().fields[3], "1000");
        // Held again with messages queued: destruction frees what is left unsent.
        port.CloseGate();
        monitor.SendEventStart(event);
        ASSERT_TRUE(Eventually([&] { return monitor.CachedCount() == 1; }));
        for (int i = 0; i < 10; ++i)
            monitor.SendEventStart(event);
        port.OpenGate();
    }
    SUCCEED();
}

TEST(MonitorClient, TheProcessClientComesAndGoesWithTheAccessUnits)
{
    {
        TDBMonitor idle;  // no message ever queued: no sender thread to wait for
    }
    InitAccessUnits();
    TDBMonitor& monitor = GetDBMonitor();
    EXPECT_EQ(&GetDBMonitor(), &monitor);
    monitor.SetCaption(u"first");
    DoneAccessUnits();
    InitAccessUnits();
    EXPECT_EQ(GetDBMonitor().Caption(), u"");
    DoneAccessUnits();
}
