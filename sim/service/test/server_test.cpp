// The service over loopback with a real HTTP client: both hosts, both ports, the control port's
// scenarios, log and sessions, bad input and a clean stop.
#include "sim/service/server.h"

#include "sim/service/httplib_include.h"
#include "sim/service/text936.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace sim::service {
namespace {

const char* const kHost = "127.0.0.1";
const char* const kFallback = "127.0.0.2";

const char* const kData =
    "[account demo]\npassword=demo123\ninfo=包月用户\ndial=issued\ndial_user=vu\ndial_password=vp\n"
    "[account own]\npassword=own123\n"
    "[area 华东]\n节点1=127.0.0.11,98%,1\n";

class ServerTest : public testing::Test {
protected:
    void SetUp() override {
        ServerOptions options;
        options.host = kHost;
        options.fallback_host = kFallback;
        options.app_port = 0;
        options.content_port = 0;
        options.control_port = 0;
        server = std::make_unique<Server>(service, options);
        server->Start();
        ASSERT_GT(server->AppPort(), 0);
        ASSERT_NE(server->AppPort(), server->ContentPort());
    }
    void TearDown() override { server->Stop(); }

    std::unique_ptr<httplib::Client> Client(const char* host, int port, int read_timeout_ms = 5000) {
        auto client = std::make_unique<httplib::Client>(host, port);
        client->set_connection_timeout(2, 0);
        client->set_read_timeout(read_timeout_ms / 1000, (read_timeout_ms % 1000) * 1000);
        return client;
    }
    httplib::Result App(const char* path, const char* host = kHost) { return Client(host, server->AppPort())->Get(path); }
    httplib::Result AppPost(const char* path, const std::string& body, const char* host = kHost) {
        return Client(host, server->AppPort())->Post(path, body, "application/x-www-form-urlencoded");
    }
    httplib::Result Control(const char* method, const char* path, const std::string& body = {}) {
        auto client = Client(kHost, server->ControlPort());
        std::string m = method;
        if (m == "GET") return client->Get(path);
        if (m == "DELETE") return client->Delete(path);
        return client->Post(path, body, "text/plain");
    }
    std::string Log(bool clear = false) {
        auto res = Control("GET", clear ? "/log?clear=1" : "/log");
        return res ? res->body : "<no answer>";
    }

    Service service{ServiceData::Parse(kData)};
    std::unique_ptr<Server> server;
};

TEST_F(ServerTest, EveryEndpointAnswersOnBothHosts) {
    for (const char* host : {kHost, kFallback}) {
        SCOPED_TRACE(host);
        auto probe = App("/zirovadi/useradmin/netcheck.php", host);
        ASSERT_TRUE(probe);
        EXPECT_EQ(probe->body, "1");

        auto login = AppPost("/zirovadi/useradmin/usercheck.php", "UserID=demo&Upassword=demo123", host);
        ASSERT_TRUE(login);
        EXPECT_EQ(login->body, ToCodePage936(u"包月用户"));
        EXPECT_EQ(login->get_header_value("Content-Type"), kTextType);
        EXPECT_EQ(AppPost("/zirovadi/useradmin/usercheck.php", "UserID=demo&Upassword=x", host)->body, "error");

        auto list = App("/zirovadi/useradmin/vpnlist.php", host);
        ASSERT_TRUE(list);
        EXPECT_EQ(list->body, ToCodePage936(u"[华东]\r\n节点1=127.0.0.11,98%,1\r\n"));

        EXPECT_EQ(AppPost("/zirovadi/useradmin/ipcheck2.php", "serverip=127.0.0.11&username=demo", host)->body,
                  "vu" + std::string(kCredentialSeparator) + "vp");
        EXPECT_EQ(AppPost("/zirovadi/useradmin/ipcheck2.php", "serverip=127.0.0.11&username=own", host)->body,
                  kDialWithLoginMarker);

        std::string report = std::string("serverip=127.0.0.11&clientip=10.0.0.2&uniqueid=U-") + host +
                             "&username=own&xmitdata=1&recvdata=2&onlinetime=3";
        EXPECT_EQ(AppPost("/zirovadi/useradmin/statuscheck2.php", report, host)->body, "ok");
        EXPECT_EQ(AppPost("/zirovadi/useradmin/stopcheck.php", report, host)->body, "ok");

        EXPECT_EQ(App("/zirovadi/useradmin/user_self_new.php", host)->status, 200);
        EXPECT_EQ(App("/zirovadi/useradmin/", host)->status, 200);
        auto folder = App("/zirovadi/useradmin", host);
        ASSERT_TRUE(folder);
        EXPECT_EQ(folder->status, 301);
        EXPECT_EQ(folder->get_header_value("Location"), "/zirovadi/useradmin/");

        for (const char* page : {"/divezevor2011/top.htm", "/divezevor2011/news.htm", "/divezevor2011/about.htm",
                                 "/divezevor2011/help.htm"}) {
            auto res = Client(host, server->ContentPort())->Get(page);
            ASSERT_TRUE(res) << page;
            EXPECT_EQ(res->status, 200) << page;
            EXPECT_EQ(res->get_header_value("Content-Type"), kHtmlType);
            EXPECT_NE(res->body.find("charset=gb2312"), std::string::npos);
        }
    }
}

TEST_F(ServerTest, ASecondLoginElsewhereGetsTheOlderSessionTheMarker) {
    auto report = [](const char* id) {
        return std::string("serverip=127.0.0.11&clientip=&uniqueid=") + id +
               "&username=demo&xmitdata=10&recvdata=20&onlinetime=4000";
    };
    EXPECT_EQ(AppPost("/zirovadi/useradmin/statuscheck2.php", report("first"))->body, "ok");
    EXPECT_EQ(AppPost("/zirovadi/useradmin/statuscheck2.php", report("second"), kFallback)->body, "ok");
    EXPECT_EQ(AppPost("/zirovadi/useradmin/statuscheck2.php", report("first"))->body, kLoggedInElsewhereMarker);

    auto sessions = Control("GET", "/sessions");
    ASSERT_TRUE(sessions);
    EXPECT_NE(sessions->body.find("\"uniqueid\":\"first\",\"username\":\"demo\",\"serverip\":\"127.0.0.11\","
                                  "\"clientip\":\"\",\"host\":\"127.0.0.1\",\"state\":\"superseded\","
                                  "\"xmitdata\":10,\"recvdata\":20,\"onlinetime\":4000,\"reports\":2"),
              std::string::npos)
        << sessions->body;
    EXPECT_NE(sessions->body.find("\"uniqueid\":\"second\""), std::string::npos);
    EXPECT_EQ(Control("DELETE", "/sessions")->status, 200);
    EXPECT_EQ(Control("GET", "/sessions")->body, "");
}

TEST_F(ServerTest, LogRecordsRequestsBeforeTheyAreAnsweredAndClearsOnRequest) {
    AppPost("/zirovadi/useradmin/usercheck.php", "UserID=%E5%BC%A0&Upassword=a%26b", kFallback);
    std::string log = Log(true);
    EXPECT_NE(log.find("\"host\":\"127.0.0.2\",\"port\":" + std::to_string(server->AppPort()) +
                       ",\"method\":\"POST\",\"path\":\"/zirovadi/useradmin/usercheck.php\""),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("[\"Content-Type\",\"application/x-www-form-urlencoded\"]"), std::string::npos);
    EXPECT_NE(log.find("\"body\":\"UserID=%E5%BC%A0&Upassword=a%26b\""), std::string::npos);
    EXPECT_NE(log.find("\"fields\":[[\"UserID\",\"张\"],[\"Upassword\",\"a&b\"]]"), std::string::npos);
    EXPECT_EQ(log.find("LOCAL_ADDR"), std::string::npos);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
    EXPECT_EQ(Log(), "");

    App("/zirovadi/useradmin/netcheck.php");
    EXPECT_EQ(Control("DELETE", "/log")->status, 200);
    EXPECT_EQ(Log(), "");
}

TEST_F(ServerTest, ScenarioReplacesAnswersByHostAndCall) {
    auto loaded = Control("POST", "/scenario",
                          "# the default host's probe answers with a line break once\n"
                          "host=127.0.0.1 path=netcheck.php call=1 body=1%0D%0A\n"
                          "path=usercheck.php status=503 text=%E7%BB%B4%E6%8A%A4\n");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->status, 200);
    EXPECT_EQ(Control("GET", "/scenario")->body.find("# the default host"), 0u);

    EXPECT_EQ(App("/zirovadi/useradmin/netcheck.php")->body, "1\r\n");
    EXPECT_EQ(App("/zirovadi/useradmin/netcheck.php", kFallback)->body, "1");
    EXPECT_EQ(App("/zirovadi/useradmin/netcheck.php")->body, "1");
    auto busy = AppPost("/zirovadi/useradmin/usercheck.php", "UserID=demo&Upassword=demo123");
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->status, 503);
    EXPECT_EQ(busy->body, ToCodePage936(u"维护"));
    EXPECT_NE(Log().find("\"status\":503,\"reply\":\"\\u00ce\\u00ac\\u00bb\\u00a4\",\"rule\":3"), std::string::npos);

    EXPECT_EQ(Control("DELETE", "/scenario")->status, 200);
    EXPECT_EQ(AppPost("/zirovadi/useradmin/usercheck.php", "UserID=demo&Upassword=demo123")->status, 200);
}

TEST_F(ServerTest, AMalformedScenarioIsRefusedWithItsLineAndTheOldOneStays) {
    ASSERT_EQ(Control("POST", "/scenario", "path=netcheck.php status=500\n")->status, 200);
    auto refused = Control("POST", "/scenario", "path=netcheck.php status=500\npath=x status=abc\n");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 400);
    EXPECT_EQ(refused->body, "line 2: status must be 100 to 599\n");
    EXPECT_EQ(App("/zirovadi/useradmin/netcheck.php")->status, 500);
}

TEST_F(ServerTest, DelayBeyondTheClientsReadTimeoutFailsThatCallOnly) {
    ASSERT_EQ(Control("POST", "/scenario", "path=ipcheck2.php call=1 delay=1500\n")->status, 200);
    auto client = Client(kHost, server->AppPort(), 500);
    auto timed_out = client->Post("/zirovadi/useradmin/ipcheck2.php", "serverip=1&username=own",
                                  "application/x-www-form-urlencoded");
    EXPECT_FALSE(timed_out);
    auto second = AppPost("/zirovadi/useradmin/ipcheck2.php", "serverip=1&username=own");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->body, kDialWithLoginMarker);
}

TEST_F(ServerTest, DropClosesTheConnectionBeforeTheReplyIsComplete) {
    ASSERT_EQ(Control("POST", "/scenario", "path=vpnlist.php call=1 drop\n")->status, 200);
    EXPECT_FALSE(App("/zirovadi/useradmin/vpnlist.php"));
    EXPECT_TRUE(App("/zirovadi/useradmin/vpnlist.php"));
    EXPECT_NE(Log().find("\"dropped\":true"), std::string::npos);
}

TEST_F(ServerTest, RefusedHostStopsListeningUntilTheScenarioGoes) {
    ASSERT_EQ(Control("POST", "/scenario", "host=127.0.0.1 port=app refuse\n")->status, 200);
    auto refused = App("/zirovadi/useradmin/netcheck.php");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), httplib::Error::Connection);
    EXPECT_TRUE(App("/zirovadi/useradmin/netcheck.php", kFallback));
    EXPECT_TRUE(Client(kHost, server->ContentPort())->Get("/divezevor2011/news.htm"));
    EXPECT_NE(Control("GET", "/")->body.find("app http://127.0.0.1:" + std::to_string(server->AppPort()) +
                                             " (refusing)"),
              std::string::npos);

    ASSERT_EQ(Control("DELETE", "/scenario")->status, 200);
    auto back = App("/zirovadi/useradmin/netcheck.php");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->body, "1");
}

TEST_F(ServerTest, BadInputGetsAClearErrorAndTheServiceGoesOn) {
    struct Case {
        const char* path;
        std::string body;
        int status;
        const char* reply;
    } cases[] = {
        {"/zirovadi/useradmin/usercheck.php", std::string("\x00\xFF%", 3), 400,
         "bad request: body is not a form: malformed percent escape at byte 2\n"},
        {"/zirovadi/useradmin/usercheck.php", "UserID=%FF&Upassword=x", 400,
         "bad request: body is not a form: field at byte 0 is not UTF-8 once unescaped\n"},
        {"/zirovadi/useradmin/statuscheck2.php", "garbage", 400, "bad request: missing field serverip\n"},
        {"/no/such/page.php", "", 404, "not found: /no/such/page.php\n"},
        {"/zirovadi/useradmin/usercheck.php", std::string(200 * 1024, 'x'), 413, "request body too large\n"},
    };
    for (const auto& c : cases) {
        auto res = AppPost(c.path, c.body);
        ASSERT_TRUE(res) << c.path;
        EXPECT_EQ(res->status, c.status) << c.path;
        EXPECT_EQ(res->body, c.reply) << c.path;
    }
    std::string log = Log();
    EXPECT_NE(log.find("\"status\":413"), std::string::npos) << log;
    EXPECT_NE(log.find("\"form_error\":\"malformed percent escape at byte 2\""), std::string::npos);

    auto fine = App("/zirovadi/useradmin/netcheck.php");
    ASSERT_TRUE(fine);
    EXPECT_EQ(fine->body, "1");
}

TEST_F(ServerTest, ControlReplacesTheDataAndRefusesABadFile) {
    auto bad = Control("POST", "/data", "[account x]\nstate=ok\n");
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 400);
    EXPECT_EQ(bad->body, "account \"x\" has no password\n");
    ASSERT_EQ(Control("POST", "/data", "[account x]\npassword=y\ninfo=z\n")->status, 200);
    EXPECT_EQ(AppPost("/zirovadi/useradmin/usercheck.php", "UserID=x&Upassword=y")->body, "z");
    EXPECT_EQ(App("/zirovadi/useradmin/vpnlist.php")->body, "");
}

TEST_F(ServerTest, StopCutsAPendingDelayShort) {
    ASSERT_EQ(Control("POST", "/scenario", "path=netcheck.php delay=60000\n")->status, 200);
    std::thread waiting([this] { Client(kHost, server->AppPort(), 30000)->Get("/zirovadi/useradmin/netcheck.php"); });
    // Wait until the request is in (it is logged before its delay).
    for (int i = 0; i < 200 && Log().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    auto start = std::chrono::steady_clock::now();
    server->Stop();
    waiting.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(ServerStart, APortInUseIsNamedInTheError) {
    Service service;
    ServerOptions options;
    options.host = kHost;
    options.app_port = 0;
    options.content_port = 0;
    options.control_port = 0;
    Server first(service, options);
    first.Start();

    options.app_port = first.AppPort();
    Server second(service, options);
    try {
        second.Start();
        ADD_FAILURE() << "bound a port in use";
    } catch (const EServer& e) {
        EXPECT_EQ(std::string(e.what()), "cannot listen on 127.0.0.1:" + std::to_string(first.AppPort()));
    }
    // The failed start left nothing listening; the first server still answers.
    httplib::Client client(kHost, first.AppPort());
    client.set_read_timeout(5, 0);
    EXPECT_TRUE(client.Get("/zirovadi/useradmin/netcheck.php"));
}

TEST(ServerStart, ShutdownRequestWakesTheWaiter) {
    Service service;
    ServerOptions options;
    options.host = kHost;
    options.app_port = 0;
    options.content_port = 0;
    options.control_port = 0;
    Server server(service, options);
    server.Start();
    EXPECT_FALSE(server.WaitForShutdownRequest(std::chrono::milliseconds(10)));
    httplib::Client control(kHost, server.ControlPort());
    control.set_read_timeout(5, 0);
    auto res = control.Post("/shutdown", "", "text/plain");
    ASSERT_TRUE(res);
    EXPECT_TRUE(server.WaitForShutdownRequest(std::chrono::seconds(5)));
}

} // namespace
} // namespace sim::service
