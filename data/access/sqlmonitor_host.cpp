// The host build has no COM: the monitor never registers and the COM output is silent.
#include "data/access/sqlmonitor.h"

namespace data {

void TCustomDASQLMonitor::RegisterSQLMonitorClient() {}

void TCustomDASQLMonitor::UnregisterSQLMonitorClient() { FRegistered = false; }

void TCustomDASQLMonitor::SendToSQLMonitor(const String&) {}

} // namespace data
