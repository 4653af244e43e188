// The live statistics system: the remote-access statistics calls, the performance-data registry
// root and pdh.dll (NT 4), and the dynamic-data registry root (Windows 9x).
#include "dialup/rasapi_win32.h"
#include "dialup/rasper.h"

#include <pdh.h>

namespace dialup {

namespace {

const wchar_t* W(const String& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
HRASCONN H(uint64_t h) { return reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(h)); }

class LiveSystem final : public TRasPerSystem {
public:
    ~LiveSystem() override { CloseDynKey(); }

    bool RasLoaded() override { return Ras().Load(); }
    bool HasStatistics() override
    {
        return DIALUP_RASFN(Ras(), RasGetConnectionStatistics) && DIALUP_RASFN(Ras(), RasGetLinkStatistics);
    }
    bool HasClearStatistics() override { return DIALUP_RASFN(Ras(), RasClearConnectionStatistics) != nullptr; }
    int ConnectionStatistics(uint64_t handle, RasStatsRecord& out) override
    {
        RAS_STATS stats{};
        stats.dwSize = sizeof stats;
        const int r = static_cast<int>(DIALUP_RASFN(Ras(), RasGetConnectionStatistics)(H(handle), &stats));
        Take(stats, out);
        return r;
    }
    int LinkStatistics(uint64_t handle, int subEntry, RasStatsRecord& out) override
    {
        RAS_STATS stats{};
        stats.dwSize = sizeof stats;
        const int r = static_cast<int>(
            DIALUP_RASFN(Ras(), RasGetLinkStatistics)(H(handle), static_cast<DWORD>(subEntry), &stats));
        Take(stats, out);
        return r;
    }
    int ClearConnectionStatistics(uint64_t handle) override
    {
        return static_cast<int>(DIALUP_RASFN(Ras(), RasClearConnectionStatistics)(H(handle)));
    }
    String ErrorText(int code) override { return RasErrorText(code); }

    int ReadPerfObject(const String& object, uint32_t size, std::vector<uint8_t>& buffer) override
    {
        buffer.assign(size, 0);
        DWORD bytes = size;
        const LONG r = RegQueryValueExW(HKEY_PERFORMANCE_DATA, W(object), nullptr, nullptr, buffer.data(), &bytes);
        buffer.resize(r == ERROR_SUCCESS ? std::min<DWORD>(bytes, size) : 0);
        return static_cast<int>(r);
    }
    void ClosePerfKey() override { RegCloseKey(HKEY_PERFORMANCE_DATA); }

    bool PdhLoaded() override { return Pdh().Load(); }
    int OpenQuery(uint64_t& query) override
    {
        auto open = reinterpret_cast<decltype(&::PdhOpenQueryW)>(reinterpret_cast<void*>(Pdh().Slot(0)));
        PDH_HQUERY q = nullptr;
        const int r = open ? static_cast<int>(open(nullptr, 0, &q)) : kErrorLibraryMissing;
        query = reinterpret_cast<uintptr_t>(q);
        return r;
    }
    int AddCounter(uint64_t query, const String& path, uint64_t& counter) override
    {
        auto add = reinterpret_cast<decltype(&::PdhAddCounterA)>(reinterpret_cast<void*>(Pdh().Slot(1)));
        PDH_HCOUNTER c = nullptr;
        const std::string text(path.begin(), path.end());  // the counter paths are ASCII
        const int r = add ? static_cast<int>(add(reinterpret_cast<PDH_HQUERY>(static_cast<uintptr_t>(query)),
                                                 text.c_str(), 0, &c))
                          : kErrorLibraryMissing;
        counter = reinterpret_cast<uintptr_t>(c);
        return r;
    }
    int CollectQuery(uint64_t query) override
    {
        auto collect = reinterpret_cast<decltype(&::PdhCollectQueryData)>(reinterpret_cast<void*>(Pdh().Slot(7)));
        return collect ? static_cast<int>(collect(reinterpret_cast<PDH_HQUERY>(static_cast<uintptr_t>(query))))
                       : kErrorLibraryMissing;
    }
    int RawCounterValue(uint64_t counter, uint32_t& status, int64_t& value) override
    {
        auto raw = reinterpret_cast<decltype(&::PdhGetRawCounterValue)>(reinterpret_cast<void*>(Pdh().Slot(5)));
        PDH_RAW_COUNTER data{};
        DWORD type = 0;
        const int r = raw ? static_cast<int>(raw(reinterpret_cast<PDH_HCOUNTER>(static_cast<uintptr_t>(counter)),
                                                 &type, &data))
                          : kErrorLibraryMissing;
        status = data.CStatus;
        value = data.FirstValue;
        return r;
    }
    void CloseQuery(uint64_t query) override
    {
        if (auto close = reinterpret_cast<decltype(&::PdhCloseQuery)>(reinterpret_cast<void*>(Pdh().Slot(8))))
            close(reinterpret_cast<PDH_HQUERY>(static_cast<uintptr_t>(query)));
    }

    bool OpenDynKey(const String& name, bool fullAccess, String& errorText) override
    {
        CloseDynKey();
        const LONG r = RegOpenKeyExW(HKEY_DYN_DATA, W(name), 0, fullAccess ? KEY_ALL_ACCESS : KEY_READ, &m_dyn);
        if (r != ERROR_SUCCESS) {
            m_dyn = nullptr;
            errorText = RasErrorText(static_cast<int>(r));
            return false;
        }
        return true;
    }
    bool ReadDynValue(const String& name, uint32_t& value) override
    {
        DWORD data = 0, bytes = sizeof data, type = 0;
        if (!m_dyn || RegQueryValueExW(m_dyn, W(name), nullptr, &type, reinterpret_cast<BYTE*>(&data), &bytes) !=
                          ERROR_SUCCESS ||
            bytes != 4)
            return false;
        value = data;
        return true;
    }
    void CloseDynKey() override
    {
        if (m_dyn)
            RegCloseKey(m_dyn);
        m_dyn = nullptr;
    }
    bool ListDialUpAdapters(const String& keyDUNConn, std::vector<String>& out) override
    {
        HKEY list = nullptr, start = nullptr;
        const bool a = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\PerfStats\\Enum", 0,
                                     KEY_READ, &list) == ERROR_SUCCESS;
        const bool b = RegOpenKeyExW(HKEY_DYN_DATA, L"PerfStats\\StartStat", 0, KEY_READ, &start) == ERROR_SUCCESS;
        if (a && b) {
            wchar_t name[33];
            for (DWORD i = 0; i < 1024; ++i) {
                DWORD length = 33;
                if (RegEnumKeyExW(list, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    break;
                const String key(reinterpret_cast<const char16_t*>(name), length);
                const String value = key + u"\\" + keyDUNConn;
                if (RegQueryValueExW(start, W(value), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
                    out.push_back(key);
            }
        }
        if (list)
            RegCloseKey(list);
        if (start)
            RegCloseKey(start);
        return a && b;
    }

private:
    static void Take(const RAS_STATS& stats, RasStatsRecord& out)
    {
        out.bytesXmited = stats.dwBytesXmited;
        out.bytesRcved = stats.dwBytesRcved;
        out.bps = stats.dwBps;
    }
    HKEY m_dyn = nullptr;
};

} // namespace

std::shared_ptr<TRasPerSystem> LiveRasPerSystem() { return std::make_shared<LiveSystem>(); }

} // namespace dialup
