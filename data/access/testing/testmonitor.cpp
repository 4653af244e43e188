// The test monitor class.
#include "data/access/testing/testmonitor.h"

#include <atomic>

namespace data::testing {

namespace {

class TTestSQLMonitorClass : public TCustomDASQLMonitorClass {
public:
    TCustomDASQLMonitor* GetMonitor() const override { return m_active.load(); }

protected:
    void MonitorActiveChanged(TCustomDASQLMonitor& Monitor, bool Active) const override
    {
        if (Active) {
            m_active.store(&Monitor);
        } else {
            TCustomDASQLMonitor* expected = &Monitor;
            m_active.compare_exchange_strong(expected, nullptr);
        }
    }

private:
    mutable std::atomic<TCustomDASQLMonitor*> m_active = nullptr;
};

} // namespace

const TCustomDASQLMonitorClass& TTestSQLMonitor::Class()
{
    static const TTestSQLMonitorClass test;
    return test;
}

TTestSQLMonitor::TTestSQLMonitor(core::Component* AOwner) : TCustomDASQLMonitor(AOwner, Class()) {}

} // namespace data::testing
