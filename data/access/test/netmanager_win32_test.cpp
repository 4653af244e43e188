// The network services against the prefix's own service control manager and network API, bound the
// way the unit binds them. Nothing is started or stopped here.
#include "data/access/access.h"
#include "data/access/netmanager.h"

#include "core/exception.h"
#include "core/stringlist.h"

#include <gtest/gtest.h>

using namespace data;

namespace {

class NetManagerWine : public ::testing::Test {
protected:
    NetManagerWine() { InitAccessUnits(); }
    ~NetManagerWine() override { DoneAccessUnits(); }
};

TEST_F(NetManagerWine, LocalServiceManagerAnswersStatesAndTheList)
{
    for (const char16_t* server : {u"  LocalHost  ", u"", u"localhost"})
        EXPECT_EQ(TCRNetManager::GetServiceStatus(server, u"RpcSs"), ssRunning) << core::ToUtf8(server);

    const TCRServicesInfo services = TCRNetManager::GetServiceNames(u"localhost");
    bool spooler = false;
    for (const TCRServiceInfo& info : services) {
        if (core::SameText(info.ServiceName, u"Spooler")) {
            spooler = true;
            EXPECT_EQ(info.Status, ssStopped);
            EXPECT_FALSE(info.DisplayName.empty());
        }
    }
    EXPECT_TRUE(spooler) << services.size();

    try {
        TCRNetManager::GetServiceStatus(u"", u"NoSuchServiceHere");
        ADD_FAILURE();
    } catch (const core::EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), 1060u);  // the service does not exist
    }
}

TEST_F(NetManagerWine, NetworkListRefusedButTheKeywordSearchFindsTheLocalComputer)
{
    core::StringList list;
    try {
        TCRNetManager::GetServerList(list);
        ADD_FAILURE();
    } catch (const core::Exception& e) {
        EXPECT_EQ(e.Message(), u"NetServerEnum error 6118");
    }
    ASSERT_NE(CRNetManager(), nullptr);
    CRNetManager()->GetServerList(list, u"Remote Procedure", 10, 60);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], u"localhost");
}

} // namespace
