// Request handling apart from sockets: every endpoint, the scenario and the log.
#include "sim/service/service.h"

#include "sim/service/text936.h"

#include <gtest/gtest.h>

namespace sim::service {
namespace {

const char* const kData =
    "[account demo]\npassword=demo123\ninfo=包月用户\ndial=issued\ndial_user=vu\ndial_password=vp\n"
    "[account own]\npassword=own&1\ndial=own\n"
    "[account 张三]\npassword=密码\n"
    "[account old]\npassword=x\nstate=expire\n"
    "[account spent]\npassword=x\nstate=useup\n"
    "[area 华东]\n节点1=1.2.3.4,98%,1\n节点2=5.6.7.8,95%,0\n"
    "[page about.htm]\n<p>自定义</p>\n";

class ServiceTest : public testing::Test {
protected:
    ServiceTest() : service(ServiceData::Parse(kData), [this] { return now; }) {}

    Reply Get(const std::string& path, Port port = Port::App, const std::string& host = "127.0.0.1") {
        return Send("GET", path, "", port, host);
    }
    Reply Post(const std::string& path, const std::string& body, const std::string& host = "127.0.0.1") {
        return Send("POST", path, body, Port::App, host);
    }
    Reply Send(const std::string& method, const std::string& path, const std::string& body, Port port,
               const std::string& host) {
        Request r;
        r.host = host;
        r.port_number = port == Port::App ? 8000 : 8001;
        r.port = port;
        r.method = method;
        r.path = path;
        r.body = body;
        r.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
        return service.Handle(r);
    }
    static std::string Report(const std::string& id, const std::string& user, const std::string& sent = "10") {
        return "serverip=1.2.3.4&clientip=10.0.0.2&uniqueid=" + id + "&username=" + user + "&xmitdata=" + sent +
               "&recvdata=20&onlinetime=4000";
    }

    int64_t now = 1000;
    Service service;
};

TEST_F(ServiceTest, HostProbeAnswersExactlyOne) {
    Reply r = Get("/zirovadi/useradmin/netcheck.php");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "1");
}

TEST_F(ServiceTest, AccountCheckAnswersByAccountState) {
    struct Case {
        const char* body;
        std::string reply;
    } cases[] = {
        {"UserID=demo&Upassword=demo123", ToCodePage936(u"包月用户")},
        {"UserID=demo&Upassword=wrong", "error"},
        {"UserID=nobody&Upassword=demo123", "error"},
        {"UserID=DEMO&Upassword=demo123", "error"},
        {"UserID=old&Upassword=x", "expire"},
        {"UserID=spent&Upassword=x", "useup"},
        {"UserID=own&Upassword=own%261", ""},  // the escaped "&" of a mended client
        {"UserID=own&Upassword=own&1", "error"},  // an unescaped "&" cuts the password short
        {"UserID=%E5%BC%A0%E4%B8%89&Upassword=%E5%AF%86%E7%A0%81", ""},
    };
    for (const auto& c : cases) {
        Reply r = Post("/zirovadi/useradmin/usercheck.php", c.body);
        EXPECT_EQ(r.status, 200) << c.body;
        EXPECT_EQ(r.body, c.reply) << c.body;
    }
}

TEST_F(ServiceTest, NodeListIsTheDataFilesAreasInCodePage936) {
    Reply r = Get("/zirovadi/useradmin/vpnlist.php");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, ToCodePage936(u"[华东]\r\n节点1=1.2.3.4,98%,1\r\n节点2=5.6.7.8,95%,0\r\n"));
    EXPECT_EQ(r.content_type, kTextType);
}

TEST_F(ServiceTest, DialCredentialsFollowTheAccount) {
    std::string issued = "vu" + std::string(kCredentialSeparator) + "vp";
    struct Case {
        const char* body;
        std::string reply;
    } cases[] = {
        {"serverip=1.2.3.4&username=demo", issued},
        {"serverip=1.2.3.4&username=%20demo%20", issued},  // sent untrimmed, as typed
        {"serverip=1.2.3.4&username=own", std::string(kDialWithLoginMarker)},
        {"serverip=1.2.3.4&username=nobody", "error"},
        {"serverip=1.2.3.4&username=old", "error"},
    };
    for (const auto& c : cases) EXPECT_EQ(Post("/zirovadi/useradmin/ipcheck2.php", c.body).body, c.reply) << c.body;
}

TEST_F(ServiceTest, ReportsTrackSessionsAndTellTheOlderLoginOfTheNewerOne) {
    EXPECT_EQ(Post("/zirovadi/useradmin/statuscheck2.php", Report("A", "demo")).body, "ok");
    now = 5000;
    EXPECT_EQ(Post("/zirovadi/useradmin/statuscheck2.php", Report("B", "demo"), "127.0.0.2").body, "ok");
    EXPECT_EQ(Post("/zirovadi/useradmin/statuscheck2.php", Report("A", "demo", "99")).body,
              kLoggedInElsewhereMarker);
    EXPECT_EQ(Post("/zirovadi/useradmin/stopcheck.php", Report("B", "demo", "77"), "127.0.0.2").body, "ok");
    EXPECT_EQ(Post("/zirovadi/useradmin/statuscheck2.php", Report("C", "nobody")).body, "error");

    auto sessions = service.Sessions().Snapshot();
    ASSERT_EQ(sessions.size(), 2u);
    EXPECT_EQ(sessions[0].unique_id, u"A");
    EXPECT_EQ(sessions[0].state, SessionState::Superseded);
    EXPECT_EQ(sessions[0].sent, 99u);
    EXPECT_EQ(sessions[0].started_ms, 0);
    EXPECT_EQ(sessions[1].state, SessionState::Stopped);
    EXPECT_EQ(sessions[1].sent, 77u);
    EXPECT_EQ(sessions[1].host, "127.0.0.2");
    EXPECT_EQ(sessions[1].started_ms, 4000);
}

TEST_F(ServiceTest, PagesOfBothPorts) {
    struct Case {
        Port port;
        const char* path;
        int status;
        const char* contains;  // UTF-8, compared after conversion
    } cases[] = {
        {Port::Content, "/divezevor2011/top.htm", 200, "<html>"},
        {Port::Content, "/divezevor2011/news.htm", 200, "公告"},
        {Port::Content, "/divezevor2011/help.htm", 200, "帮助中心"},
        {Port::Content, "/divezevor2011/about.htm", 200, "自定义"},  // the data file's page
        {Port::App, "/zirovadi/useradmin/user_self_new.php", 200, "注册帐户"},
        {Port::App, "/zirovadi/useradmin/", 200, "帐户管理"},
        {Port::App, "/zirovadi/useradmin", 301, "moved"},
        {Port::App, "/divezevor2011/news.htm", 404, "not found"},      // content on the wrong port
        {Port::Content, "/zirovadi/useradmin/netcheck.php", 404, "not found"},
        {Port::Content, "/divezevor2011/", 404, "not found"},
        {Port::Content, "/divezevor2011/../etc/passwd", 404, "not found"},
    };
    for (const auto& c : cases) {
        Reply r = Get(c.path, c.port);
        EXPECT_EQ(r.status, c.status) << c.path;
        EXPECT_NE(r.body.find(ToCodePage936(core::FromUtf8(c.contains))), std::string::npos) << c.path;
    }
    EXPECT_EQ(Get("/zirovadi/useradmin").headers, (HeaderList{{"Location", "/zirovadi/useradmin/"}}));
    EXPECT_EQ(Get("/divezevor2011/news.htm", Port::Content).content_type, kHtmlType);
}

TEST_F(ServiceTest, BadRequestsGetAStatusAndAReason) {
    struct Case {
        const char* method;
        const char* path;
        const char* body;
        int status;
        const char* reply;
    } cases[] = {
        {"GET", "/nowhere", "", 404, "not found: /nowhere\n"},
        {"GET", "/zirovadi/useradmin/usercheck.php", "", 405, "method not allowed; use POST\n"},
        {"POST", "/zirovadi/useradmin/netcheck.php", "", 405, "method not allowed; use GET\n"},
        {"POST", "/zirovadi/useradmin/usercheck.php", "UserID=demo", 400, "bad request: missing field Upassword\n"},
        {"POST", "/zirovadi/useradmin/usercheck.php", "\x01\x02%%%", 400,
         "bad request: body is not a form: malformed percent escape at byte 2\n"},
        {"POST", "/zirovadi/useradmin/ipcheck2.php", "serverip=1", 400, "bad request: missing field username\n"},
        {"POST", "/zirovadi/useradmin/statuscheck2.php",
         "serverip=&clientip=&uniqueid=&username=demo&xmitdata=1&recvdata=1&onlinetime=1", 400,
         "bad request: uniqueid is empty\n"},
        {"POST", "/zirovadi/useradmin/statuscheck2.php",
         "serverip=&clientip=&uniqueid=A&username=demo&xmitdata=4294967296&recvdata=1&onlinetime=1", 400,
         "bad request: xmitdata is not an unsigned 32-bit number\n"},
        {"POST", "/zirovadi/useradmin/stopcheck.php",
         "serverip=&clientip=&uniqueid=A&username=demo&xmitdata=1&recvdata=-1&onlinetime=1", 400,
         "bad request: recvdata is not an unsigned 32-bit number\n"},
        {"POST", "/zirovadi/useradmin/stopcheck.php",
         "serverip=&clientip=&uniqueid=A&username=demo&xmitdata=1&recvdata=1&onlinetime=1.5", 400,
         "bad request: onlinetime is not a number of milliseconds\n"},
        {"POST", "/zirovadi/useradmin/stopcheck.php", "uniqueid=A", 400, "bad request: missing field serverip\n"},
    };
    for (const auto& c : cases) {
        Reply r = Send(c.method, c.path, c.body, Port::App, "127.0.0.1");
        EXPECT_EQ(r.status, c.status) << c.path << " " << c.body;
        EXPECT_EQ(r.body, c.reply) << c.path << " " << c.body;
    }
    EXPECT_TRUE(service.Sessions().Snapshot().empty());
}

TEST_F(ServiceTest, ScenarioRulesCountCallsPerPathAndHost) {
    service.LoadScenario(Scenario::Parse("host=127.0.0.1 path=netcheck.php call=2 body=1%0D%0A\n"
                                         "path=vpnlist.php call=1 status=500 delay=3000\n"
                                         "path=usercheck.php drop delay=10\n"));
    EXPECT_EQ(Get("/zirovadi/useradmin/netcheck.php").body, "1");
    EXPECT_EQ(Get("/zirovadi/useradmin/netcheck.php", Port::App, "127.0.0.2").body, "1");  // its own count
    EXPECT_EQ(Get("/zirovadi/useradmin/netcheck.php").body, "1\r\n");
    EXPECT_EQ(Get("/zirovadi/useradmin/netcheck.php").body, "1");

    Reply failed = Get("/zirovadi/useradmin/vpnlist.php");
    EXPECT_EQ(failed.status, 500);
    EXPECT_EQ(failed.body, "");
    EXPECT_EQ(failed.delay_ms, 3000);
    EXPECT_EQ(Get("/zirovadi/useradmin/vpnlist.php").status, 200);

    // Drop and delay alone keep the normal answer, which the log still shows.
    Reply dropped = Post("/zirovadi/useradmin/usercheck.php", "UserID=old&Upassword=x");
    EXPECT_TRUE(dropped.drop);
    EXPECT_EQ(dropped.delay_ms, 10);
    EXPECT_EQ(dropped.body, "expire");

    // Loading a scenario starts the counts again.
    service.LoadScenario(Scenario::Parse("path=netcheck.php call=1 status=503\n"));
    EXPECT_EQ(Get("/zirovadi/useradmin/netcheck.php").status, 503);
}

TEST_F(ServiceTest, LogHoldsEveryRequestWithItsFieldsAndAnswer) {
    now = 1250;
    Post("/zirovadi/useradmin/usercheck.php", "UserID=%E5%BC%A0%E4%B8%89&Upassword=%E5%AF%86%E7%A0%81");
    Post("/zirovadi/useradmin/ipcheck2.php", "a=%zz");
    Get("/nowhere");
    auto entries = service.Log().Entries(true);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(service.Log().Entries().empty());

    const LoggedRequest& e = entries[0];
    EXPECT_EQ(e.seq, 1u);
    EXPECT_EQ(e.time_ms, 250);
    EXPECT_EQ(e.host, "127.0.0.1");
    EXPECT_EQ(e.port, 8000);
    EXPECT_EQ(e.method, "POST");
    EXPECT_EQ(e.path, "/zirovadi/useradmin/usercheck.php");
    ASSERT_TRUE(e.fields.has_value());
    EXPECT_EQ(e.fields->Value(u"UserID"), u"张三");
    EXPECT_EQ(e.status, 200);
    EXPECT_EQ(e.reply, "");
    EXPECT_EQ(e.ToJson(),
              "{\"seq\":1,\"time_ms\":250,\"host\":\"127.0.0.1\",\"port\":8000,\"method\":\"POST\","
              "\"path\":\"/zirovadi/useradmin/usercheck.php\",\"query\":\"\","
              "\"headers\":[[\"Content-Type\",\"application/x-www-form-urlencoded\"]],"
              "\"body\":\"UserID=%E5%BC%A0%E4%B8%89&Upassword=%E5%AF%86%E7%A0%81\","
              "\"fields\":[[\"UserID\",\"张三\"],[\"Upassword\",\"密码\"]],\"form_error\":\"\",\"status\":200,"
              "\"reply\":\"\",\"rule\":0,\"delay_ms\":0,\"dropped\":false}");

    EXPECT_FALSE(entries[1].fields.has_value());
    EXPECT_EQ(entries[1].form_error, "malformed percent escape at byte 2");
    EXPECT_EQ(entries[1].status, 400);
    EXPECT_EQ(entries[2].status, 404);
    EXPECT_EQ(entries[2].seq, 3u);
}

TEST_F(ServiceTest, LogShowsRawBytesOneCharacterPerByte) {
    Request r;
    r.host = "127.0.0.1";
    r.method = "POST";
    r.path = "/x";
    r.body = std::string("a\"\\\x01\xB0", 5);
    service.Handle(r);
    std::string json = service.Log().Entries()[0].ToJson();
    EXPECT_NE(json.find("\"body\":\"a\\\"\\\\\\u0001\\u00b0\""), std::string::npos) << json;
}

TEST_F(ServiceTest, LogKeepsTheNewestEntriesWhenFull) {
    for (size_t i = 0; i < RequestLog::kMaxEntries + 5; ++i) Get("/zirovadi/useradmin/netcheck.php");
    auto entries = service.Log().Entries();
    EXPECT_EQ(entries.size(), RequestLog::kMaxEntries);
    EXPECT_EQ(entries.front().seq, 6u);
    EXPECT_EQ(service.Log().Dropped(), 5u);
}

TEST(RequestLogLimits, LargeBodiesPushTheOldestEntriesOut) {
    RequestLog log;
    for (int i = 0; i < 40; ++i) {
        LoggedRequest entry;
        entry.body.assign(1u << 20, 'x');
        log.Add(std::move(entry));
    }
    auto entries = log.Entries();
    EXPECT_EQ(entries.size(), RequestLog::kMaxBytes / (1u << 20));
    EXPECT_EQ(entries.back().seq, 40u);
    EXPECT_EQ(log.Dropped(), 40u - entries.size());
}

TEST_F(ServiceTest, ReplacedDataTakesEffectAtTheNextRequest) {
    service.SetData(ServiceData::Parse("[account new]\npassword=p\ninfo=i\n[area A]\nn=1.1.1.1,1%,0\n"));
    EXPECT_EQ(Post("/zirovadi/useradmin/usercheck.php", "UserID=demo&Upassword=demo123").body, "error");
    EXPECT_EQ(Post("/zirovadi/useradmin/usercheck.php", "UserID=new&Upassword=p").body, "i");
    EXPECT_EQ(Get("/zirovadi/useradmin/vpnlist.php").body, "[A]\r\nn=1.1.1.1,1%,0\r\n");
}

} // namespace
} // namespace sim::service
