// The monitor's byte stream read back by an independent decoder over a loopback listener, the
// packer's connect rules over a scripted port, and the receiver-side classes.
#include "data/access/monitormessages.h"
#include "data/access/socketpacker.h"
#include "data/access/test/loopback.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

#include <deque>

using namespace data;
using monitortest::Decode;
using monitortest::Decoded;
using monitortest::LoopbackListener;

namespace {

// The system's sockets, with every call counted and a few outcomes scripted.
class TCountingPort : public TSocketPort {
public:
    int Startup(uint16_t& Version) override
    {
        ++startups;
        if (startupResult != 0)
            return startupResult;
        return System().Startup(Version);
    }
    Handle Create() override { return System().Create(); }
    bool Resolve(const std::string& Host, uint32_t& Address) override
    {
        resolved.push_back(Host);
        return System().Resolve(Host, Address);
    }
    bool Connect(Handle Socket, uint32_t Address, uint16_t Port) override
    {
        ports.push_back(Port);
        return System().Connect(Socket, Address, Port);
    }
    bool SetSendTimeout(Handle Socket, uint32_t Milliseconds) override
    {
        sendTimeout = Milliseconds;
        return System().SetSendTimeout(Socket, Milliseconds);
    }
    int Send(Handle Socket, const char* Data, int Size) override
    {
        if (failSendAfter >= 0 && sends++ >= failSendAfter)
            return -1;
        return System().Send(Socket, Data, Size);
    }
    void Close(Handle Socket) override
    {
        ++closes;
        System().Close(Socket);
    }
    int LastError() override { return System().LastError(); }

    int startups = 0;
    int startupResult = 0;
    std::vector<std::string> resolved;
    std::vector<uint16_t> ports;
    uint32_t sendTimeout = 0;
    int failSendAfter = -1;  // sends that succeed before every later one fails (-1: none fails)
    int sends = 0;
    int closes = 0;
};

std::string Be(uint32_t v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

// A port nobody listens on: one the listener had, freed again.
uint16_t FreePort()
{
    LoopbackListener listener;
    return listener.Port();
}

void FillStart(TEventStartMessage& m)
{
    m.ProcessId = 77;
    m.EventType = 3;
    m.Description = u"执行";
    m.EventID = 1;
    m.StartTime = -2;  // ticks past 2^31 are negative on the wire
    m.ObjectID = 10;
    m.ObjectName = u"Query1";
    m.ObjectType = 4;
    m.ObjectTypeName = u"TQuery";
    m.ParentID = 11;
    m.ParentName = u"";
    m.ParentType = 5;
    m.ParentTypeName = u"TConnection";
    m.SQL = u"SELECT 'é'";
}

} // namespace

TEST(MonitorWire, MessagesReachTheToolInTheTableLayout)
{
    LoopbackListener tool;
    TSocketMessagePacker packer;
    packer.SetHost("127.0.0.1");
    packer.SetPort(tool.Port());
    ASSERT_TRUE(packer.Open());
    EXPECT_TRUE(packer.IsActive());

    TEventMessage event;
    event.ProcessId = 0x01020304;
    event.EventType = 1;
    event.Description = u"é";  // two UTF-8 bytes: the count is 2, not 1
    packer.WriteMessage(event);

    TStartupMessage startup;
    startup.ProcessId = 77;
    startup.Description = u"数据 monitoring is started";
    startup.ExeName = u"C:\\程序\\client.exe";
    packer.WriteMessage(startup);

    TEventStartMessage empty;
    FillStart(empty);
    packer.WriteMessage(empty);
    EXPECT_TRUE(packer.CheckActive());  // a probe between messages

    TEventStartMessage full;
    FillStart(full);
    full.Params = {{u"p1", u"Integer", u"IN", u"5"}, {u"名", u"", u"OUT", u""}};
    full.CallStack = {u"Form1.Button1Click", u"Query1.Open"};
    packer.WriteMessage(full);

    TEventEndMessage end;
    end.ProcessId = 77;
    end.EventType = 3;
    end.EventID = 1;
    end.EndTime = 123456;
    end.Failed = 1;
    end.ErrorText = u"错误";
    end.RowsAffected = -1;
    packer.WriteMessage(end);
    packer.Close();
    EXPECT_FALSE(packer.IsActive());

    std::string eventBytes = Be(1) + Be(0x01020304) + Be(1) + Be(2) + "\xC3\xA9";
    std::string emptyTail = Be(11) + "SELECT '\xC3\xA9'" + Be(0) + Be(0);
    std::string bytes;
    ASSERT_TRUE(tool.WaitFor([&](const auto& c) {
        if (c.size() != 1)
            return false;
        bytes = c[0];
        bool complete = false;
        return Decode(bytes, &complete).size() == 5 && complete;
    }));
    EXPECT_EQ(bytes.substr(0, eventBytes.size()), eventBytes);
    // The empty start message ends with the two zero counts, then the probe follows.
    EXPECT_NE(bytes.find(emptyTail + Be(6) + Be(4)), std::string::npos);

    std::vector<Decoded> messages = Decode(bytes);
    const std::vector<std::vector<std::string>> expected = {
        {"16909060", "1", "'\xC3\xA9'"},
        {"77", "0", "'\xE6\x95\xB0\xE6\x8D\xAE monitoring is started'", "'C:\\\xE7\xA8\x8B\xE5\xBA\x8F\\client.exe'"},
        {"77", "3", "'\xE6\x89\xA7\xE8\xA1\x8C'", "1", "-2", "10", "'Query1'", "4", "'TQuery'", "11", "''", "5",
         "'TConnection'", "'SELECT '\xC3\xA9''", "0", "0"},
        {"77", "3", "'\xE6\x89\xA7\xE8\xA1\x8C'", "1", "-2", "10", "'Query1'", "4", "'TQuery'", "11", "''", "5",
         "'TConnection'", "'SELECT '\xC3\xA9''", "2", "'p1'", "'Integer'", "'IN'", "'5'", "'\xE5\x90\x8D'", "''",
         "'OUT'", "''", "2", "'Form1.Button1Click'", "'Query1.Open'"},
        {"77", "3", "''", "1", "123456", "1", "'\xE9\x94\x99\xE8\xAF\xAF'", "0", "-1"},
    };
    const int32_t types[] = {1, 2, 4, 4, 5};
    ASSERT_EQ(messages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(messages[i].type, types[i]) << i;
        EXPECT_EQ(messages[i].fields, expected[i]) << i;
    }
}

TEST(MonitorWire, OpenRules)
{
    core::ManualClock clock(1000);
    TCountingPort port;
    TSocketMessagePacker packer(port, clock);
    EXPECT_EQ(packer.ReconnectTimeout(), 5000u);
    EXPECT_EQ(packer.SendTimeout(), 1000u);

    // Nothing listening: a failed connect, then none within the reconnect time-out.
    packer.SetHost("127.0.0.1");
    packer.SetPort(FreePort());
    EXPECT_FALSE(packer.Open());
    EXPECT_FALSE(packer.IsActive());
    EXPECT_EQ(port.ports.size(), 1u);
    clock.Advance(4999);
    EXPECT_FALSE(packer.Open());
    EXPECT_EQ(port.ports.size(), 1u);
    clock.Advance(1);
    EXPECT_FALSE(packer.Open());
    EXPECT_EQ(port.ports.size(), 2u);
    EXPECT_EQ(port.closes, 2);  // no socket is left behind

    // A listener: connected with the send time-out set; the socket library started once.
    LoopbackListener tool;
    packer.SetPort(tool.Port());
    packer.SetSendTimeout(250);
    clock.Advance(5000);
    EXPECT_TRUE(packer.Open());
    EXPECT_EQ(port.sendTimeout, 250u);
    EXPECT_EQ(port.startups, 1);

    // Defaults: an empty host is "localhost", port 0 is 1000.
    TCountingPort other;
    TSocketMessagePacker defaults(other, clock);
    defaults.Open();
    EXPECT_EQ(defaults.Host(), "localhost");
    EXPECT_EQ(defaults.Port(), 1000);
    ASSERT_EQ(other.resolved.size(), 1u);
    EXPECT_EQ(other.resolved[0], "localhost");
    if (!other.ports.empty()) {
        EXPECT_EQ(other.ports[0], 1000);
    }

    // A failed start of the socket library is a failed open; nothing is created.
    TCountingPort failing;
    failing.startupResult = 10091;
    TSocketMessagePacker refused(failing, clock);
    EXPECT_FALSE(refused.Open());
    EXPECT_TRUE(failing.resolved.empty());
    EXPECT_EQ(ErrorOf<core::EAbort>([] { throw ESocketError(u"Socket error 5"); }), u"Socket error 5");
}

TEST(MonitorWire, AFailedWriteDropsTheConnectionAndCutsTheMessage)
{
    LoopbackListener tool;
    TCountingPort port;
    TSocketMessagePacker packer(port);
    packer.SetHost("127.0.0.1");
    packer.SetPort(tool.Port());
    ASSERT_TRUE(packer.Open());
    port.failSendAfter = 3;  // type, ProcessId, EventType go out; the description fails
    TEventMessage event;
    event.Description = u"cut";
    packer.WriteMessage(event);
    EXPECT_FALSE(packer.IsActive());
    EXPECT_FALSE(packer.CheckActive());
    ASSERT_TRUE(tool.WaitFor([](const auto& c) { return c.size() == 1 && c[0].size() == 12; }));
    bool complete = true;
    EXPECT_TRUE(Decode(tool.Connections()[0], &complete).empty());
    EXPECT_FALSE(complete);

    // A probe that fails closes the connection too.
    port.failSendAfter = -1;
    ASSERT_TRUE(packer.Open());
    port.sends = 0;
    port.failSendAfter = 0;
    EXPECT_FALSE(packer.CheckActive());
    EXPECT_FALSE(packer.IsActive());
}

// ---- the library's own readers ------------------------------------------------------------------

namespace {

// Integers and texts in a queue: the packer and unpacker of a round trip.
class TMemoryPacker : public TMessagePacker, public TMessageUnPacker {
public:
    void WriteByte(uint8_t Value) override { ints.push_back(Value); }
    void WriteInteger(int32_t Value) override { ints.push_back(Value); }
    void WriteString(const String& Value) override
    {
        ints.push_back(-1000);  // marks a text
        texts.push_back(Value);
    }
    void ReadByte(uint8_t& Value) override { Value = uint8_t(Pop()); }
    void ReadInteger(int32_t& Value) override { Value = Pop(); }
    void ReadString(String& Value) override
    {
        EXPECT_EQ(Pop(), -1000);
        Value = texts.front();
        texts.pop_front();
    }
    int32_t Pop()
    {
        if (ints.empty())
            throw core::EReadError(u"end of stream");
        int32_t v = ints.front();
        ints.pop_front();
        return v;
    }

    std::deque<int32_t> ints;
    std::deque<String> texts;
};

} // namespace

TEST(MonitorWire, ReadersSelectTheClassByTypeAndSkipProbes)
{
    TMemoryPacker stream;
    TEventStartMessage start;
    FillStart(start);
    start.Params = {{u"a", u"b", u"c", u"d"}};
    start.CallStack = {u"x"};
    stream.WriteInteger(mtProbe);
    stream.WriteInteger(start.MessageType);
    start.Write(stream);
    TEventEndMessage end;
    end.RowsAffected = 9;
    end.Params = start.Params;
    stream.WriteInteger(end.MessageType);
    end.Write(stream);

    auto first = ReadMonitorMessage(stream);
    auto* readStart = dynamic_cast<TEventStartMessage*>(first.get());
    ASSERT_NE(readStart, nullptr);
    EXPECT_EQ(readStart->SQL, start.SQL);
    EXPECT_EQ(readStart->Params, start.Params);
    EXPECT_EQ(readStart->CallStack, start.CallStack);
    EXPECT_EQ(readStart->StartTime, -2);
    auto second = ReadMonitorMessage(stream);
    auto* readEnd = dynamic_cast<TEventEndMessage*>(second.get());
    ASSERT_NE(readEnd, nullptr);
    EXPECT_EQ(readEnd->RowsAffected, 9);
    EXPECT_EQ(readEnd->Params, start.Params);

    struct Case {
        std::vector<int32_t> ints;
        const char16_t* error;
    };
    const Case broken[] = {
        {{3}, u"Unknown monitor message type 3"},
        {{5, 0, 0, -1000, 1, 2, 0, -1000, -1}, u"Invalid count -1 in monitor message"},
    };
    for (const Case& c : broken) {
        TMemoryPacker bad;
        bad.ints.assign(c.ints.begin(), c.ints.end());
        bad.texts.assign(2, u"");
        EXPECT_EQ(ErrorOf<core::Exception>([&] { ReadMonitorMessage(bad); }), c.error);
    }
}

TEST(MonitorWire, CallStackTree)
{
    auto root = std::make_unique<TCallStackItem>();
    auto* middle = new TCallStackItem;
    auto* leaf = new TCallStackItem;
    middle->SetParent(root.get());
    middle->SetParent(root.get());  // unchanged: nothing happens
    leaf->SetParent(middle);
    ASSERT_EQ(root->Childs.size(), 1u);
    EXPECT_EQ(root->Childs[0].get(), middle);
    EXPECT_EQ(leaf->Parent(), middle);

    struct Case {
        bool excluded, shortened;
        bool fromTree;
        TCallStackItem* notExcluded;
        TCallStackItem* notExcludedFromTree;
    };
    const Case cases[] = {
        {false, false, false, middle, middle},
        {true, false, true, root.get(), root.get()},
        {false, true, true, middle, root.get()},
    };
    for (const Case& c : cases) {
        middle->Excluded = c.excluded;
        middle->Shortened = c.shortened;
        EXPECT_EQ(middle->ExcludedFromTree(), c.fromTree);
        EXPECT_EQ(leaf->ParentNotExcluded(), c.notExcluded);
        EXPECT_EQ(leaf->ParentNotExcludedFromTree(), c.notExcludedFromTree);
    }
    root->Excluded = true;
    middle->Excluded = true;
    EXPECT_EQ(leaf->ParentNotExcluded(), nullptr);

    TCallStackItem other;
    EXPECT_NE(ErrorOf<core::EAssertionFailed>([&] { leaf->SetParent(&other); }), u"no exception");
}
