// Every exchange of the protocol through the system's transport against the substitute service on
// loopback (any free port).
#include "client/protocol.h"

#include "sim/service/server.h"
#include "sim/service/service.h"

#include <gtest/gtest.h>

namespace client {
namespace {

using core::String;

class Exchanges : public testing::Test {
protected:
    Exchanges()
        : service(sim::service::ServiceData::Parse(
              "[account demo]\npassword=demo123\ninfo=包月用户\ndial=issued\ndial_user=vu\ndial_password=vp\n"
              "[account own]\npassword=own123\n"
              "[area 华东]\n节点1=1.2.3.4,98%,1\n"))
    {
        sim::service::ServerOptions options = sim::service::LoopbackOptions();
        server = std::make_unique<sim::service::Server>(service, options);
        server->Start();
    }
    ~Exchanges() override { server->Stop(); }

    ServiceClient Client() { return ServiceClient(SystemTransport(), u"127.0.0.1", u"127.0.0.2", server->AppPort()); }
    void Scenario(const std::string& text) { service.LoadScenario(sim::service::Scenario::Parse(text), text); }

    sim::service::Service service;
    std::unique_ptr<sim::service::Server> server;
};

TEST_F(Exchanges, LoginRoad)
{
    ServiceClient client = Client();
    EXPECT_EQ(client.ChooseHost(), u"127.0.0.1");
    Scenario("host=127.0.0.1 path=netcheck.php status=404");
    EXPECT_EQ(client.ChooseHost(), u"127.0.0.2");
    Scenario("");
    const AccountCheck check = client.CheckAccount(u"127.0.0.1", u"demo", u"demo123");
    EXPECT_EQ(check.reply, AccountReply::Success);
    EXPECT_EQ(check.info, u"包月用户");  // code page 936 on the wire
    EXPECT_EQ(client.CheckAccount(u"127.0.0.1", u"demo", u"bad").reply, AccountReply::Error);
    const HttpReply list = client.FetchNodeList(u"127.0.0.1");
    ASSERT_TRUE(list.ok);
    EXPECT_NE(list.text.find(u"节点1=1.2.3.4,98%,1"), String::npos);
}

TEST_F(Exchanges, DialCredentialsAndReports)
{
    ServiceClient client = Client();
    DialCredentials issued;
    ASSERT_TRUE(client.RequestDialCredentials(u"127.0.0.1", u"1.2.3.4", u"demo", u"demo123", issued));
    EXPECT_FALSE(issued.own_account);
    EXPECT_EQ(issued.user, u"vu");
    EXPECT_EQ(issued.password, u"vp");
    DialCredentials own;
    ASSERT_TRUE(client.RequestDialCredentials(u"127.0.0.1", u"1.2.3.4", u"own", u"own123", own));
    EXPECT_TRUE(own.own_account);
    EXPECT_EQ(own.user, u"own");
    EXPECT_EQ(own.password, u"own123");

    ReportFields fields;
    fields.serverip = u"1.2.3.4";
    fields.uniqueid = u"u1";
    fields.username = u"demo";
    EXPECT_TRUE(client.PostStatusReport(u"127.0.0.1", fields).ok);
    EXPECT_TRUE(client.PostStopReport(u"127.0.0.1", fields).ok);
}

TEST_F(Exchanges, FailuresAreFailures)
{
    ServiceClient client = Client();
    Scenario("path=usercheck.php delay=3000\npath=ipcheck2.php status=503\npath=vpnlist.php drop");
    EXPECT_EQ(client.CheckAccount(u"127.0.0.1", u"demo", u"demo123").reply, AccountReply::Failed);  // past 2000 ms
    DialCredentials creds;
    EXPECT_FALSE(client.RequestDialCredentials(u"127.0.0.1", u"1.2.3.4", u"demo", u"demo123", creds));
    EXPECT_FALSE(client.FetchNodeList(u"127.0.0.1").ok);
    ServiceClient nowhere(SystemTransport(), u"127.0.0.3", u"", server->AppPort());
    EXPECT_EQ(nowhere.ChooseHost(), u"");
}

} // namespace
} // namespace client
