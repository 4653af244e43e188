// The COM output under Wine: the external monitor's class is not registered there, so activation
// completes, registers nothing and leaves COM as it found it; the other outputs are unaffected.
#include "data/access/sqlmonitor.h"

#include "core/win32.h"
#include "data/access/access.h"
#include "data/access/testing/testmonitor.h"

#include <objbase.h>

#include <gtest/gtest.h>

using namespace data;
using data::testing::TTestSQLMonitor;

TEST(SQLMonitorOnWindows, WithoutTheCOMMonitorActivationRegistersNothing)
{
    InitAccessUnits();
    {
        core::Component reader;
        reader.SetReading(true);
        auto* monitor = new TTestSQLMonitor(&reader);
        monitor->BeginLoad();
        monitor->SetOptions(MonitorOption(moSQLMonitor));
        monitor->Loaded();
        ASSERT_TRUE(monitor->Active());
        EXPECT_EQ(TTestSQLMonitor::Class().GetMonitor(), monitor);
        EXPECT_FALSE(monitor->Registered());

        // The failed creation undid its COM initialisation: this thread starts afresh.
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        CoUninitialize();

        // Registering again (now as the class's active object) fails as quietly.
        monitor->UnregisterSQLMonitorClient();
        monitor->RegisterSQLMonitorClient();
        EXPECT_FALSE(monitor->Registered());

        int reports = 0;
        monitor->OnSQL = [&](core::Object*, const core::String& text, TDATraceFlag) {
            EXPECT_EQ(text, u"Connect: ");
            ++reports;
        };
        uint32_t id = 0;
        core::Component plain;
        TTestSQLMonitor::Class().DBConnect(&plain, id, true);
        EXPECT_EQ(reports, 1);
        monitor->SetActive(false);
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        CoUninitialize();
    }
    DoneAccessUnits();
}
