// The test world without the client: the service as a child process (start, scenario, request log,
// data, sudden end), the JSON lines of both logs, the saved-login guard and the phonebook reader.
#include "tests/e2e/driver.h"
#include "tests/e2e/world.h"

#include <httplib.h>

#include <gtest/gtest.h>

namespace e2e {
namespace {

using namespace std::chrono_literals;

struct Fetched {
    int status = 0;  // 0: no answer
    std::string body;
};

Fetched Get(const std::string& host, int port, const std::string& path)
{
    httplib::Client client(host, port);
    client.set_connection_timeout(2, 0);
    client.set_read_timeout(5, 0);
    auto result = client.Get(path);
    return result ? Fetched{result->status, result->body} : Fetched{};
}

TEST(World, JsonLinesOfBothLogs)
{
    const std::string text =
        "{\"seq\":1,\"path\":\"/a\",\"fields\":[[\"UserID\",\"\xE6\xBC\x94\xE7\xA4\xBA\"]],\"reply\":\"\\u00b2\\u00e2\","
        "\"dropped\":false,\"n\":-2.5}\r\n"
        "{\"call\":\"RasDialA\",\"entry\":\"a\\\"b\\\\c\\u4e2d\",\"ok\":true,\"x\":null,\"list\":[]}\n"
        "{\"half\":";  // a line still being written
    const auto lines = ParseJsonLines(text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Str("path"), "/a");
    EXPECT_EQ(lines[0].Find("fields")->items[0].items[1].text, "\xE6\xBC\x94\xE7\xA4\xBA");
    EXPECT_EQ(lines[0].Str("reply"), "\xB2\xE2") << "escaped bytes stay bytes";
    EXPECT_EQ(lines[0].Num("n"), -2.5);
    EXPECT_FALSE(lines[0].Find("dropped")->boolean);
    EXPECT_EQ(lines[1].Str("entry"), "a\"b\\c\xE4\xB8\xAD");
    EXPECT_TRUE(lines[1].Find("ok")->boolean);
    EXPECT_EQ(lines[1].Str("missing"), "");

    for (const char* bad : {"{", "{\"a\" 1}", "[1,]", "\"open", "{\"a\":1} x", "{\"a\":\"\\u12\"}"})
        EXPECT_THROW(Json::Parse(bad), std::runtime_error) << bad;
}

TEST(World, ServiceAnswersLogsFollowsScenariosAndGoesAway)
{
    ScratchFolder scratch;
    Service service(FromBuildPath(E2E_SERVICE_PROGRAM), scratch.Path(), FromBuildPath(E2E_DEMO_DATA));

    const std::string host = service.Host();
    const std::string fallback = service.FallbackHost();
    EXPECT_NE(host, fallback);
    EXPECT_EQ(host.rfind("127.", 0), 0u);
    EXPECT_EQ(Get(host, 8000, "/zirovadi/useradmin/netcheck.php").body, "1");
    EXPECT_EQ(Get(fallback, 8000, "/zirovadi/useradmin/netcheck.php").body, "1");

    ASSERT_EQ(service.LoadScenario("host=" + host + " path=netcheck.php text=%E6%B5%8B\n"), 200);
    EXPECT_EQ(Get(host, 8000, "/zirovadi/useradmin/netcheck.php").body, "\xB2\xE2") << "text in code page 936";
    EXPECT_EQ(service.LoadScenario("path=netcheck.php nonsense=1\n"), 400);
    ASSERT_EQ(service.ClearScenario(), 200);

    const auto requests = service.Requests("netcheck.php");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].host, host);
    EXPECT_EQ(requests[1].host, fallback);
    EXPECT_EQ(requests[2].reply, "\xB2\xE2");
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].port, 8000);

    ASSERT_EQ(service.LoadData("[area 华北]\n北京 = 127.0.0.41,99%,1\n"), 200);
    const std::string list = Get(host, 8000, "/zirovadi/useradmin/vpnlist.php").body;
    EXPECT_NE(list.find("127.0.0.41,99%,1"), std::string::npos) << list;
    EXPECT_TRUE(service.Sessions().empty());

    service.Kill();
    EXPECT_FALSE(service.Running());
    EXPECT_EQ(Get(host, 8000, "/zirovadi/useradmin/netcheck.php").status, 0) << "nobody listens any more";
}

TEST(World, SavedLoginComesBackAsItWas)
{
    const SavedLogin before = ReadSavedLogin();
    {
        SavedLoginGuard guard;
        SavedLogin changed;
        changed.key_exists = true;
        changed.save_password = 1;
        changed.user_name = L"演示";
        changed.password = L"p&ss";
        WriteSavedLogin(changed);
        const SavedLogin read = ReadSavedLogin();
        EXPECT_TRUE(read.key_exists);
        EXPECT_EQ(read.save_password, std::optional<DWORD>(1));
        EXPECT_EQ(read.user_name, std::optional<std::wstring>(L"演示"));
        EXPECT_EQ(read.password, std::optional<std::wstring>(L"p&ss"));
    }
    const SavedLogin after = ReadSavedLogin();
    EXPECT_EQ(after.key_exists, before.key_exists);
    EXPECT_EQ(after.save_password, before.save_password);
    EXPECT_EQ(after.user_name, before.user_name);
    EXPECT_EQ(after.password, before.password);
}

} // namespace
} // namespace e2e
