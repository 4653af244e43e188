// Traffic statistics on every kind, against a scripted system.
#include "dialup/perfdata.h"
#include "dialup/rasper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace dialup {
namespace {

class FakeSystem : public TRasPerSystem {
public:
    OSKind kind = OSVista;
    bool ras = true;
    std::map<uint64_t, RasStatsRecord> stats;
    std::map<uint64_t, int> failures;
    std::vector<uint64_t> cleared;
    std::map<String, std::vector<uint8_t>> perf;
    bool pdh = true;
    int pdhOpenError = 0;
    int64_t pdhXmit = 0, pdhRecv = 0;
    std::map<String, uint32_t> dyn;
    bool dynOpens = true;
    std::vector<String> adapters;

    OSKind Kind() override { return kind; }
    bool RasLoaded() override { return ras; }
    bool HasStatistics() override { return true; }
    bool HasClearStatistics() override { return true; }
    int ConnectionStatistics(uint64_t h, RasStatsRecord& out) override
    {
        if (failures.count(h))
            return failures[h];
        out = stats[h];
        return 0;
    }
    int LinkStatistics(uint64_t h, int, RasStatsRecord& out) override { return ConnectionStatistics(h, out); }
    int ClearConnectionStatistics(uint64_t h) override
    {
        cleared.push_back(h);
        return 0;
    }
    String ErrorText(int code) override { return u"error " + core::IntToStr(code); }
    int ReadPerfObject(const String& object, uint32_t size, std::vector<uint8_t>& buffer) override
    {
        const auto& data = perf[object];
        if (data.size() > size)
            return 234;
        buffer = data;
        return 0;
    }
    void ClosePerfKey() override {}
    bool PdhLoaded() override { return pdh; }
    int OpenQuery(uint64_t& q) override
    {
        q = 1;
        return pdhOpenError;
    }
    int AddCounter(uint64_t, const String& path, uint64_t& c) override
    {
        c = path.find(u"Transmitted") != String::npos ? 10 : 11;
        return 0;
    }
    int CollectQuery(uint64_t) override { return 0; }
    int RawCounterValue(uint64_t c, uint32_t& status, int64_t& value) override
    {
        status = 0;
        value = c == 10 ? pdhXmit : pdhRecv;
        return 0;
    }
    void CloseQuery(uint64_t) override {}
    bool OpenDynKey(const String&, bool, String& error) override
    {
        error = u"denied";
        return dynOpens;
    }
    bool ReadDynValue(const String& name, uint32_t& value) override
    {
        auto it = dyn.find(name);
        if (it == dyn.end())
            return false;
        value = it->second;
        return true;
    }
    void CloseDynKey() override {}
    bool ListDialUpAdapters(const String&, std::vector<String>& out) override
    {
        out = adapters;
        return true;
    }
};

TEST(RasPer, ItemZeroIsTheSumOfBoundItems)
{
    auto system = std::make_shared<FakeSystem>();
    TRasPer per(system);
    per.SetRasConn(1, 0x100);
    system->stats[0x100] = {500, 1500, 1000000};
    ASSERT_TRUE(per.GetPerfStats());
    EXPECT_EQ(per.GetXmitCur(0), 500u);
    EXPECT_EQ(per.GetRecvCur(0), 1500u);
    EXPECT_EQ(per.GetXmitCur(0), per.GetXmitCur(1));
    EXPECT_EQ(per.GetPortName(1), u"x1");
    EXPECT_EQ(per.TotPorts(), 1);

    per.SetRasConn(2, 0x200);
    system->stats[0x200] = {1, 2, 3};
    ASSERT_TRUE(per.GetPerfStats());
    EXPECT_EQ(per.StatsXmit(), 501u);
    EXPECT_EQ(per.StatsConn(), 1000003u);
}

TEST(RasPer, FailedReadKeepsTheItemAndLeavesTheTotalAtZero)
{
    auto system = std::make_shared<FakeSystem>();
    TRasPer per(system);
    per.SetRasConn(1, 0x100);
    system->stats[0x100] = {700, 900, 1};
    ASSERT_TRUE(per.GetPerfStats());
    system->failures[0x100] = 6;
    EXPECT_TRUE(per.GetPerfStats());
    EXPECT_EQ(per.GetXmitCur(1), 700u);
    EXPECT_EQ(per.GetXmitCur(0), 0u);
    EXPECT_EQ(per.ErrInfo(), u"error 6");
    EXPECT_EQ(per.LastError(), 6);
}

TEST(RasPer, CountersNeverGoDownUntilReset)
{
    auto system = std::make_shared<FakeSystem>();
    TRasPer per(system);
    per.SetRasConn(1, 0x100);
    system->stats[0x100] = {900, 900, 1};
    per.GetPerfStats();
    system->stats[0x100] = {10, 2000, 1};
    per.GetPerfStats();
    EXPECT_EQ(per.GetXmitCur(1), 900u);
    EXPECT_EQ(per.GetRecvCur(1), 2000u);

    per.ResetPerfStats();
    EXPECT_EQ(system->cleared, std::vector<uint64_t>{0x100});
    EXPECT_EQ(per.RasConn(1), 0u);
    EXPECT_TRUE(per.GetPerfStats());
    EXPECT_EQ(per.GetXmitCur(0), 0u);
    EXPECT_EQ(per.GetXmitCur(1), 0u);
}

TEST(RasPer, WithoutTheLibraryNothingIsRead)
{
    auto system = std::make_shared<FakeSystem>();
    system->ras = false;
    TRasPer per(system);
    per.SetRasConn(1, 0x100);
    EXPECT_FALSE(per.GetPerfStats());
    EXPECT_EQ(per.LastError(), 1157);
    EXPECT_EQ(per.GetErrorString(5), u"RASAPI32.DLL Not Available");
}

TEST(RasPer, IndexesOutsideTheItemsAreIgnored)
{
    TRasPer per(std::make_shared<FakeSystem>());
    per.SetRasConn(31, 1);
    per.SetRasConn(-1, 1);
    EXPECT_EQ(per.GetXmitCur(31), 0u);
    EXPECT_EQ(per.GetRecvCur(-5), 0u);
}

TEST(RasPer9x, WrappedTotalCountsFromTheBaseline)
{
    auto system = std::make_shared<FakeSystem>();
    system->kind = OSW9x;
    system->adapters = {u"0001"};
    system->dyn = {{u"0001\\TotalBytesXmit", 4000000000u}, {u"0001\\TotalBytesRecvd", 100},
                   {u"0001\\ConnectSpeed", 28800}};
    TRasPer per(system);
    ASSERT_TRUE(per.EnablePerfStats(true, true));
    EXPECT_EQ(per.TotAdaptors(), 1);
    // The reset took the current totals as baseline.
    system->dyn[u"0001\\TotalBytesXmit"] = 100;
    system->dyn[u"0001\\TotalBytesRecvd"] = 400;
    ASSERT_TRUE(per.GetPerfStats());
    EXPECT_EQ(per.GetXmitCur(1), static_cast<uint32_t>(4294967295u + 100u - 4000000000u));
    EXPECT_EQ(per.GetRecvCur(1), 300u);
    EXPECT_EQ(per.StatsConn(), 28800u);
    EXPECT_EQ(per.TotPorts(), 1);
}

TEST(RasPer9x, FailuresNameTheKey)
{
    auto system = std::make_shared<FakeSystem>();
    system->kind = OSW9x;
    TRasPer per(system);
    EXPECT_FALSE(per.EnablePerfStats(true, true));
    EXPECT_EQ(per.ErrInfo(), u"Unable to Locate Win9x Dial-Up Adapter");
    system->adapters = {u"0001"};
    system->dynOpens = false;
    EXPECT_FALSE(per.EnablePerfStats(true, true));
    EXPECT_EQ(per.ErrInfo(), u"Unable to Read Registry Key - PerfStats\\StartStat/denied");
    EXPECT_FALSE(per.GetPerfStats());
    EXPECT_EQ(per.ErrInfo(), u"Unable to Open Registry Key - PerfStats\\StatData");
}

TEST(RasPer9x, AtMostFourAdaptersAreCounted)
{
    auto system = std::make_shared<FakeSystem>();
    system->kind = OSW9x;
    for (int i = 1; i <= 6; ++i) {
        const String key = u"000" + core::IntToStr(i);
        system->adapters.push_back(key);
        system->dyn[key + u"\\TotalBytesXmit"] = 10;
        system->dyn[key + u"\\TotalBytesRecvd"] = 10;
        system->dyn[key + u"\\ConnectSpeed"] = 1;
    }
    TRasPer per(system);
    ASSERT_TRUE(per.SearchDUA());
    EXPECT_EQ(per.TotAdaptors(), 6);
    EXPECT_TRUE(per.GetPerfStats());
    EXPECT_EQ(per.TotPorts(), 4);
}

// A performance data block: one object of `instances` named ports (or none: -1) with counters
// 872 (bytes sent) and 874 (bytes received).
std::vector<uint8_t> PerfBlock(const std::vector<std::pair<std::u16string, std::pair<uint32_t, uint32_t>>>& ports)
{
    std::vector<uint8_t> out(64, 0);
    auto put = [&](size_t at, uint32_t v) {
        if (out.size() < at + 4)
            out.resize(at + 4);
        std::memcpy(out.data() + at, &v, 4);
    };
    put(24, 64);  // header length
    put(28, 1);   // one object
    const size_t object = 64;
    const size_t header = 64, counters = 2, definition = header + counters * 40;
    out.resize(object + definition, 0);
    put(object + 4, uint32_t(definition));
    put(object + 8, uint32_t(header));
    put(object + 32, uint32_t(counters));
    put(object + 40, ports.empty() ? 0xFFFFFFFFu : uint32_t(ports.size()));
    for (size_t c = 0; c < counters; ++c) {
        const size_t d = object + header + c * 40;
        put(d, 40);
        put(d + 4, c == 0 ? 872 : 874);
        put(d + 36, uint32_t(4 + c * 4));
    }
    size_t at = object + definition;
    auto block = [&](uint32_t xmit, uint32_t recv) {
        put(at, 12);
        put(at + 4, xmit);
        put(at + 8, recv);
        at += 12;
    };
    if (ports.empty()) {
        block(1234, 5678);
    } else {
        for (const auto& [name, values] : ports) {
            const size_t nameBytes = (name.size() + 1) * 2;
            const size_t length = 24 + ((nameBytes + 3) & ~size_t(3));
            out.resize(at + length, 0);
            put(at, uint32_t(length));
            put(at + 16, 24);
            put(at + 20, uint32_t(nameBytes));
            std::memcpy(out.data() + at + 24, name.c_str(), nameBytes);
            at += length;
            block(values.first, values.second);
        }
    }
    put(object, uint32_t(at - object));
    out.resize(std::max<size_t>(out.size(), 128), 0);
    return out;
}

TEST(RasPerNT4, PerformanceObjectsFillTotalAndPorts)
{
    auto system = std::make_shared<FakeSystem>();
    system->kind = OSNT4;
    system->perf[u"906"] = PerfBlock({});
    system->perf[u"870"] = PerfBlock({{u"COM1", {10, 20}}, {u"VPN2-0", {30, 40}}});
    TRasPer per(system);
    ASSERT_TRUE(per.GetPerfStats());
    EXPECT_EQ(per.GetXmitCur(0), 1234u);
    EXPECT_EQ(per.GetRecvCur(0), 5678u);
    EXPECT_EQ(per.GetPortName(0), u"all");
    EXPECT_EQ(per.GetPortName(1), u"com1");
    EXPECT_EQ(per.GetRecvCur(2), 40u);
    EXPECT_EQ(per.TotPorts(), 2);
}

TEST(RasPerNT4, MissingOrEmptyData)
{
    auto system = std::make_shared<FakeSystem>();
    system->kind = OSNT4;
    TRasPer per(system);
    EXPECT_FALSE(per.GetPerfStats());
    EXPECT_EQ(per.ErrInfo(), u"No Performance Data Returned for Object - 906");
    system->perf[u"906"] = std::vector<uint8_t>(200, 0);
    EXPECT_FALSE(per.GetPerfStats());
    EXPECT_EQ(per.ErrInfo(), u"No Performance Object Blocks Found for - 906");
}

TEST(RasPerNT4, PdhCountersReplaceTheTotal)
{
    auto system = std::make_shared<FakeSystem>();
    system->kind = OSNT4;
    TRasPer per(system);
    per.SetUsePDH(true);
    system->pdhOpenError = 0x800007D0;
    EXPECT_FALSE(per.EnablePerfStats(false, false));
    EXPECT_EQ(per.ErrInfo(), u"Unable to Initialise Performance Data Helper Library (PDH.DLL), ErrCode 0800007d0");
    system->pdhOpenError = 0;
    system->pdh = false;
    EXPECT_FALSE(per.EnablePerfStats(false, false));
    EXPECT_EQ(per.ErrInfo(), u"Unable to Find Performance Data Helper Library (PDH.DLL)");
    system->pdh = true;
    system->pdhXmit = 5000;
    system->pdhRecv = 7000;
    per.EnablePerfStats(false, false);
    ASSERT_TRUE(per.GetPerfStats());
    EXPECT_EQ(per.StatsXmit(), 5000u);
    EXPECT_EQ(per.StatsRecv(), 7000u);
    system->pdhXmit = 4000;  // not forward: kept
    per.GetPerfStats();
    EXPECT_EQ(per.StatsXmit(), 5000u);
}

TEST(PerfData, TruncatedBlocksStayInside)
{
    const std::vector<uint8_t> full = PerfBlock({{u"COM1", {10, 20}}, {u"COM2", {30, 40}}});
    for (size_t size = 0; size < full.size(); ++size) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
        std::vector<PerfInstance> out;
        ParsePerfData(cut.data(), cut.size(), 872, 874, out);
        EXPECT_LE(out.size(), 2u);
    }
}

} // namespace
} // namespace dialup
