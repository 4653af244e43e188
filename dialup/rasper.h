// TRasPer: bytes sent and received, and speed, of dial-up connections. Items 1 to 30 are
// connections (2000 and later), ports (NT 4) or dial-up adapters (Windows 9x); item 0 is their
// total. Where the counters come from depends on the kind and goes through TRasPerSystem, so that
// every path runs against a fake in tests; the live system is the process's own.
#pragma once

#include "dialup/dialsubs.h"

#include <array>
#include <memory>
#include <vector>

namespace dialup {

struct RasStatsRecord {
    uint32_t bytesXmited = 0;
    uint32_t bytesRcved = 0;
    uint32_t bps = 0;
};

class TRasPerSystem {
public:
    virtual ~TRasPerSystem() = default;
    virtual uint32_t PlatformId() { return 2; }  // 0 is Win32s, which has no statistics
    virtual OSKind Kind() { return RasOSKind(); }

    // 2000 and later: the remote-access statistics calls.
    virtual bool RasLoaded() = 0;
    virtual bool HasStatistics() = 0;
    virtual bool HasClearStatistics() = 0;
    virtual int ConnectionStatistics(uint64_t handle, RasStatsRecord& out) = 0;
    virtual int LinkStatistics(uint64_t handle, int subEntry, RasStatsRecord& out) = 0;
    virtual int ClearConnectionStatistics(uint64_t handle) = 0;
    virtual String ErrorText(int code) = 0;

    // NT 4: a performance object read from the performance-data registry root into `buffer` of
    // `size` bytes; 0, 234 (more data) or another error.
    virtual int ReadPerfObject(const String& object, uint32_t size, std::vector<uint8_t>& buffer) = 0;
    virtual void ClosePerfKey() = 0;
    // NT 4: pdh.dll.
    virtual bool PdhLoaded() = 0;
    virtual int OpenQuery(uint64_t& query) = 0;
    virtual int AddCounter(uint64_t query, const String& path, uint64_t& counter) = 0;
    virtual int CollectQuery(uint64_t query) = 0;
    virtual int RawCounterValue(uint64_t counter, uint32_t& status, int64_t& value) = 0;
    virtual void CloseQuery(uint64_t query) = 0;

    // Windows 9x: the dynamic-data registry root. One key open at a time.
    virtual bool OpenDynKey(const String& name, bool fullAccess, String& errorText) = 0;
    virtual bool ReadDynValue(const String& name, uint32_t& value) = 0;
    virtual void CloseDynKey() = 0;
    // Sub-keys of the local machine's PerfStats\Enum that StartStat has a "<key>\<conn>" value
    // for; false when either key cannot be opened.
    virtual bool ListDialUpAdapters(const String& keyDUNConn, std::vector<String>& out) = 0;
};

// The process's own system (Windows); on the host one with nothing present.
std::shared_ptr<TRasPerSystem> LiveRasPerSystem();

class TRasPer {
public:
    static constexpr int kItems = 31;
    static constexpr int kAdapters = 4;

    explicit TRasPer(std::shared_ptr<TRasPerSystem> system = nullptr);
    ~TRasPer();
    TRasPer(const TRasPer&) = delete;
    TRasPer& operator=(const TRasPer&) = delete;

    // ---- Properties ----
    String KeyDUNConn() const { return m_key_conn; }
    void SetKeyDUNConn(const String& v) { m_key_conn = v; }
    String KeyDUNXmit() const { return m_key_xmit; }
    void SetKeyDUNXmit(const String& v) { m_key_xmit = v; }
    String KeyDUNRecv() const { return m_key_recv; }
    void SetKeyDUNRecv(const String& v) { m_key_recv = v; }
    String ErrInfo() const { return m_err_info; }
    bool UsePDH() const { return m_use_pdh; }
    void SetUsePDH(bool value);
    int TotPorts() const { return m_tot_ports; }
    const std::vector<String>& DialUpAdaptors() const { return m_adaptors; }
    int TotAdaptors() const { return static_cast<int>(m_adaptors.size()); }
    uint32_t StatsXmit() const { return m_items[0].xmit; }
    uint32_t StatsRecv() const { return m_items[0].recv; }
    uint32_t StatsConn() const { return m_items[0].speed; }
    int LastError() const { return m_last_error; }

    // ---- Items (an index outside 0 to 30 reads 0 and stores nothing) ----
    void SetRasConn(int index, uint64_t handle, int subEntry = 0);
    uint64_t RasConn(int index) const;
    uint32_t GetXmitCur(int index) const;
    uint32_t GetRecvCur(int index) const;
    uint32_t GetConnSpd(int index) const;
    String GetPortName(int index) const;

    // ---- Operations ----
    bool GetPerfStats();
    void ResetPerfStat(int item);
    void ResetPerfStats();
    bool EnablePerfStats(bool start, bool search);
    bool SearchDUA();
    String GetErrorString(int code);

private:
    struct Item {
        uint64_t handle = 0;
        int subEntry = 0;
        uint32_t xmit = 0, recv = 0, speed = 0;
        String port;
        uint64_t pdhXmit = 0, pdhRecv = 0;
    };
    bool StatsRas();
    bool StatsNT4();
    bool StatsPdh();
    bool ReadPerfObject(const String& object, int firstItem);
    bool Stats9x();
    void ClosePdhQuery();

    std::shared_ptr<TRasPerSystem> m_system;
    std::array<Item, kItems> m_items{};
    std::array<uint32_t, kAdapters + 1> m_xmit_tot{}, m_recv_tot{}, m_xmit_con{}, m_recv_con{};
    String m_key_conn = u"ConnectSpeed";
    String m_key_xmit = u"TotalBytesXmit";
    String m_key_recv = u"TotalBytesRecvd";
    String m_err_info;
    bool m_use_pdh = false;
    uint64_t m_query = 0;
    int m_tot_ports = 0;
    int m_last_error = 0;
    uint32_t m_perf_buffer_size = 8192;
    std::vector<String> m_adaptors;
};

} // namespace dialup
