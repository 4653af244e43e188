// A monitor class whose active object is the one most recently activated, so that the outputs of
// the SQL monitor run in tests. Reports may come from any thread; an object must not be freed while
// another thread reports through it.
#pragma once

#include "data/access/sqlmonitor.h"

namespace data::testing {

class TTestSQLMonitor : public TCustomDASQLMonitor {
public:
    explicit TTestSQLMonitor(core::Component* AOwner = nullptr);

    static const TCustomDASQLMonitorClass& Class();

    // The protected names and outputs, for the tests that check them directly.
    using TCustomDASQLMonitor::GetObjectConnection;
    using TCustomDASQLMonitor::GetObjectName;
    using TCustomDASQLMonitor::GetObjectSuffix;
    using TCustomDASQLMonitor::GetObjectType;
    using TCustomDASQLMonitor::InternalCustomMessage;
    using TCustomDASQLMonitor::RegisterSQLMonitorClient;
    using TCustomDASQLMonitor::UnregisterSQLMonitorClient;
};

} // namespace data::testing
