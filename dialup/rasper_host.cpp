// The host has no remote-access service: a statistics system where nothing is present.
#include "dialup/rasper.h"

namespace dialup {

namespace {

class AbsentSystem final : public TRasPerSystem {
public:
    bool RasLoaded() override { return false; }
    bool HasStatistics() override { return false; }
    bool HasClearStatistics() override { return false; }
    int ConnectionStatistics(uint64_t, RasStatsRecord&) override { return 1157; }
    int LinkStatistics(uint64_t, int, RasStatsRecord&) override { return 1157; }
    int ClearConnectionStatistics(uint64_t) override { return 1157; }
    String ErrorText(int) override { return {}; }
    int ReadPerfObject(const String&, uint32_t, std::vector<uint8_t>&) override { return 2; }
    void ClosePerfKey() override {}
    bool PdhLoaded() override { return false; }
    int OpenQuery(uint64_t&) override { return 1157; }
    int AddCounter(uint64_t, const String&, uint64_t&) override { return 1157; }
    int CollectQuery(uint64_t) override { return 1157; }
    int RawCounterValue(uint64_t, uint32_t&, int64_t&) override { return 1157; }
    void CloseQuery(uint64_t) override {}
    bool OpenDynKey(const String&, bool, String& error) override
    {
        error = u"not present";
        return false;
    }
    bool ReadDynValue(const String&, uint32_t&) override { return false; }
    void CloseDynKey() override {}
    bool ListDialUpAdapters(const String&, std::vector<String>&) override { return false; }
};

} // namespace

std::shared_ptr<TRasPerSystem> LiveRasPerSystem() { return std::make_shared<AbsentSystem>(); }

} // namespace dialup
