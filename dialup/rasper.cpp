// Traffic statistics over the three kinds of source.
#include "dialup/rasper.h"

#include "dialup/perfdata.h"

#include <algorithm>

namespace dialup {

namespace {

constexpr int kMoreData = 234;
constexpr uint32_t kPerfBufferStep = 1024;
constexpr uint32_t kPerfBufferLimit = 16u << 20;
constexpr const char16_t* kStatData = u"PerfStats\\StatData";
constexpr const char16_t* kPdhReceived = u"\\RAS Total\\Bytes Received";
constexpr const char16_t* kPdhTransmitted = u"\\RAS Total\\Bytes Transmitted";

void Grow(uint32_t& stored, uint32_t value)
{
    if (value > stored)
        stored = value;
}

String Hex(uint32_t value)
{
    static const char16_t digits[] = u"0123456789abcdef";
    String out;
    do {
        out.insert(out.begin(), digits[value & 15]);
        value >>= 4;
    } while (value);
    return out;
}

} // namespace

TRasPer::TRasPer(std::shared_ptr<TRasPerSystem> system) : m_system(system ? std::move(system) : LiveRasPerSystem())
{
    ResetPerfStats();
}

TRasPer::~TRasPer()
{
    if (m_system->Kind() == OSNT4)
        m_system->ClosePerfKey();
    ClosePdhQuery();
}

void TRasPer::ClosePdhQuery()
{
    if (m_query && m_system->PdhLoaded())
        m_system->CloseQuery(m_query);
    m_query = 0;
}

void TRasPer::SetUsePDH(bool value)
{
    m_use_pdh = value;
    if (!value)
        ClosePdhQuery();
}

void TRasPer::SetRasConn(int index, uint64_t handle, int subEntry)
{
    if (index < 0 || index >= kItems)
        return;
    if (m_items[size_t(index)].handle != handle)
        m_items[size_t(index)].handle = handle;
    m_items[size_t(index)].subEntry = subEntry;
}

uint64_t TRasPer::RasConn(int index) const { return index >= 0 && index < kItems ? m_items[size_t(index)].handle : 0; }
uint32_t TRasPer::GetXmitCur(int index) const { return index >= 0 && index < kItems ? m_items[size_t(index)].xmit : 0; }
uint32_t TRasPer::GetRecvCur(int index) const { return index >= 0 && index < kItems ? m_items[size_t(index)].recv : 0; }
uint32_t TRasPer::GetConnSpd(int index) const
{
    return index >= 0 && index < kItems ? m_items[size_t(index)].speed : 0;
}
String TRasPer::GetPortName(int index) const
{
    return index >= 0 && index < kItems ? m_items[size_t(index)].port : String();
}

String TRasPer::GetErrorString(int code)
{
    if (!m_system->RasLoaded()) {
        m_last_error = 1157;
        return u"RASAPI32.DLL Not Available";
    }
    return code < 0 ? String() : m_system->ErrorText(code);
}

bool TRasPer::GetPerfStats()
{
    if (m_system->PlatformId() == 0)
        return false;
    switch (m_system->Kind()) {
    case OSW9x: return Stats9x();
    case OSNT4: return StatsNT4();
    default: return StatsRas();
    }
}

bool TRasPer::StatsRas()
{
    for (Item& item : m_items)
        item.port.clear();
    Item& total = m_items[0];
    total.speed = total.xmit = total.recv = 0;
    total.port = u"all";
    m_last_error = 1157;
    if (!m_system->RasLoaded() || !m_system->HasStatistics())
        return false;
    for (int i = 1; i < kItems; ++i) {
        Item& item = m_items[size_t(i)];
        if (!item.handle)
            continue;
        RasStatsRecord stats;
        m_last_error = item.subEntry ? m_system->LinkStatistics(item.handle, item.subEntry, stats)
                                     : m_system->ConnectionStatistics(item.handle, stats);
        if (m_last_error) {
            m_err_info = m_system->ErrorText(m_last_error);
            continue;
        }
        // Counters only grow until the item is reset.
        Grow(item.speed, stats.bps);
        Grow(item.xmit, stats.bytesXmited);
        Grow(item.recv, stats.bytesRcved);
        item.port = u"x" + core::IntToStr(i);
        m_tot_ports = std::max(m_tot_ports, i);
        total.speed += item.speed;
        total.xmit += item.xmit;
        total.recv += item.recv;
    }
    return true;
}

bool TRasPer::StatsNT4()
{
    if (m_use_pdh && m_query)
        return StatsPdh();
    for (Item& item : m_items)
        item.port.clear();
    bool result = ReadPerfObject(u"906", 0);
    if (result) {
        m_tot_ports = 0;
        result = ReadPerfObject(u"870", 1);
    }
    return result;
}

bool TRasPer::StatsPdh()
{
    if (!m_system->PdhLoaded())
        return false;
    if (m_system->CollectQuery(m_query) != 0)
        return false;
    Item& total = m_items[0];
    // A raw value replaces the stored one when its status is valid and it moved forward.
    auto take = [&](uint64_t counter, uint32_t& stored) {
        uint32_t status = 0;
        int64_t value = 0;
        if (m_system->RawCounterValue(counter, status, value) != 0 || status > 1)
            return false;
        const auto high = static_cast<int32_t>(static_cast<uint64_t>(value) >> 32);
        const auto low = static_cast<uint32_t>(value);
        if (high > 0 || (high == 0 && low > stored))
            stored = low;
        return true;
    };
    if (take(total.pdhXmit, total.xmit))
        take(total.pdhRecv, total.recv);
    return true;
}

bool TRasPer::ReadPerfObject(const String& object, int firstItem)
{
    std::vector<uint8_t> buffer;
    int status = m_system->ReadPerfObject(object, m_perf_buffer_size, buffer);
    while (status == kMoreData && m_perf_buffer_size < kPerfBufferLimit) {
        m_perf_buffer_size += kPerfBufferStep;
        status = m_system->ReadPerfObject(object, m_perf_buffer_size, buffer);
    }
    if (status != 0 || buffer.size() < 100) {
        m_err_info = u"No Performance Data Returned for Object - " + object;
        return false;
    }
    std::vector<PerfInstance> instances;
    const PerfParse parsed = ParsePerfData(buffer.data(), buffer.size(), 872, 874, instances);
    if (parsed != PerfParse::Ok || instances.empty()) {
        m_err_info = u"No Performance Object Blocks Found for - " + object;
        return false;
    }
    int index = firstItem;
    for (const PerfInstance& instance : instances) {
        if (index >= kItems)
            break;
        Item& item = m_items[size_t(index)];
        item.port = instance.named ? instance.name : String(u"all");
        if (instance.hasXmit)
            Grow(item.xmit, instance.xmit);
        if (instance.hasRecv)
            Grow(item.recv, instance.recv);
        if (instance.named) {
            ++m_tot_ports;
            ++index;
        }
    }
    return true;
}

bool TRasPer::Stats9x()
{
    m_tot_ports = 0;
    Item& total = m_items[0];
    total.speed = total.xmit = total.recv = 0;
    total.port = u"all";
    String error;
    if (!m_system->OpenDynKey(kStatData, false, error)) {
        m_err_info = String(u"Unable to Open Registry Key - ") + kStatData;
        return false;
    }
    bool result = false;
    // The baselines exist for four adapters; further adapters are not counted.
    const int adapters = std::min(TotAdaptors(), kAdapters);
    for (int i = 1; i <= adapters; ++i) {
        const String prefix = m_adaptors[size_t(i - 1)] + u"\\";
        uint32_t speed = 0;
        result = m_system->ReadDynValue(prefix + m_key_xmit, m_xmit_tot[size_t(i)]) &&
                 m_system->ReadDynValue(prefix + m_key_recv, m_recv_tot[size_t(i)]) &&
                 m_system->ReadDynValue(prefix + m_key_conn, speed);
        if (!result) {
            m_err_info = String(u"Unable to Read Registry Key - ") + kStatData + u"/" + m_key_conn;
            continue;
        }
        Item& item = m_items[size_t(i)];
        item.speed = speed;
        // A total below its baseline has wrapped: counted from the baseline through 2^32 - 1.
        auto since = [](uint32_t now, uint32_t base) {
            return now >= base ? now - base : static_cast<uint32_t>(4294967295u + now - base);
        };
        item.xmit = since(m_xmit_tot[size_t(i)], m_xmit_con[size_t(i)]);
        item.recv = since(m_recv_tot[size_t(i)], m_recv_con[size_t(i)]);
        if (m_recv_tot[size_t(i)])
            total.speed += speed;
        total.xmit += item.xmit;
        total.recv += item.recv;
        ++m_tot_ports;
    }
    m_system->CloseDynKey();
    return result;
}

void TRasPer::ResetPerfStat(int item)
{
    if (item >= 1 && item <= kAdapters) {
        m_xmit_con[size_t(item)] = m_xmit_tot[size_t(item)];
        m_recv_con[size_t(item)] = m_recv_tot[size_t(item)];
    }
    if (item < 0 || item >= kItems)
        return;
    Item& it = m_items[size_t(item)];
    it.xmit = it.recv = it.speed = 0;
    if (m_system->Kind() >= OSW2K) {
        m_last_error = 1157;
        if (m_system->RasLoaded() && m_system->HasClearStatistics() && it.handle)
            m_last_error = m_system->ClearConnectionStatistics(it.handle);
    }
}

void TRasPer::ResetPerfStats()
{
    for (int i = 0; i < kItems; ++i) {
        ResetPerfStat(i);
        Item& item = m_items[size_t(i)];
        item.handle = 0;
        item.subEntry = 0;
        if (!m_query)
            item.port.clear();
    }
    GetPerfStats();
}

bool TRasPer::SearchDUA()
{
    if (m_system->Kind() != OSW9x)
        return false;
    m_adaptors.clear();
    std::vector<String> found;
    const bool opened = m_system->ListDialUpAdapters(m_key_conn, found);
    for (String& name : found)
        m_adaptors.push_back(name.substr(0, 32));
    std::sort(m_adaptors.begin(), m_adaptors.end(),
              [](const String& a, const String& b) { return core::CompareText(a, b) < 0; });
    return opened;
}

bool TRasPer::EnablePerfStats(bool start, bool search)
{
    m_err_info.clear();
    if (m_system->PlatformId() == 0)
        return false;
    bool result = true;
    switch (m_system->Kind()) {
    case OSNT4:
        m_tot_ports = 0;
        for (int i = 0; i <= 8; ++i)
            m_items[size_t(i)].pdhXmit = m_items[size_t(i)].pdhRecv = 0;
        if (m_use_pdh && !m_query) {
            if (!m_system->PdhLoaded()) {
                m_err_info = u"Unable to Find Performance Data Helper Library (PDH.DLL)";
                return false;
            }
            int code = m_system->OpenQuery(m_query);
            if (!code)
                code = m_system->AddCounter(m_query, kPdhReceived, m_items[0].pdhRecv);
            if (!code)
                code = m_system->AddCounter(m_query, kPdhTransmitted, m_items[0].pdhXmit);
            if (code) {
                m_err_info = u"Unable to Initialise Performance Data Helper Library (PDH.DLL), ErrCode 0" +
                             Hex(static_cast<uint32_t>(code));
                ClosePdhQuery();
                return false;
            }
        }
        break;
    case OSW9x: {
        if (search && (SearchDUA(), TotAdaptors() == 0)) {
            m_err_info = u"Unable to Locate Win9x Dial-Up Adapter";
            return false;
        }
        const String key = start ? u"PerfStats\\StartStat" : u"PerfStats\\StopStat";
        String error;
        if (!m_system->OpenDynKey(key, true, error)) {
            m_err_info = u"Unable to Read Registry Key - " + key + u"/" + error;
            return false;
        }
        // Reading the values is what starts or stops the counting.
        for (const String& adapter : m_adaptors) {
            uint32_t value = 0;
            const String prefix = adapter + u"\\";
            if (!m_system->ReadDynValue(prefix + m_key_xmit, value) || !m_system->ReadDynValue(prefix + m_key_recv, value) ||
                !m_system->ReadDynValue(prefix + m_key_conn, value)) {
                m_err_info = u"Unable to Read Registry Key - " + key + u"/" + m_key_conn;
                m_system->CloseDynKey();
                return false;
            }
        }
        m_system->CloseDynKey();
        break;
    }
    default:
        break;
    }
    if (start)
        result = GetPerfStats();
    ResetPerfStats();
    return result;
}

} // namespace dialup
