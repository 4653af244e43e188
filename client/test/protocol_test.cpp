// The service protocol's portable pieces: form encoding, reply meanings, credential splitting,
// identifier texts and the exchanges over a scripted transport.
#include "client/protocol.h"

#include "core/datetime.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace client {
namespace {

using core::String;

TEST(PercentEncode, KeepsOnlyUnreservedBytes)
{
    const struct {
        const char16_t* value;
        const char16_t* encoded;
    } cases[] = {
        {u"abcXYZ019-_.~", u"abcXYZ019-_.~"},
        {u"a&b=c+d", u"a%26b%3Dc%2Bd"},
        {u"p a%ss*#", u"p%20a%25ss%2A%23"},
        {u"用户", u"%E7%94%A8%E6%88%B7"},
        {u"", u""},
        {u"\U0001F600", u"%F0%9F%98%80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PercentEncode(c.value), String(c.encoded)) << core::ToUtf8(c.value);
}

TEST(FormBody, JoinsFieldsInOrderWithEncodedValues)
{
    EXPECT_EQ(FormBody({{u"UserID", u"张三"}, {u"Upassword", u"a&b=c"}}),
              "UserID=%E5%BC%A0%E4%B8%89&Upassword=a%26b%3Dc");
    EXPECT_EQ(FormBody({}), "");
}

TEST(AccountReply, EachReplyHasItsMeaning)
{
    const struct {
        bool ok;
        const char16_t* text;
        AccountReply reply;
    } cases[] = {
        {true, u"error", AccountReply::Error},
        {true, u"expire", AccountReply::Expired},
        {true, u"useup", AccountReply::UsedUp},
        {true, u"Error", AccountReply::Success},
        {true, u"包月用户", AccountReply::Success},
        {true, u"", AccountReply::Failed},
        {false, u"", AccountReply::Failed},
        {false, u"error", AccountReply::Failed},
    };
    for (const auto& c : cases) {
        const AccountCheck check = ClassifyAccountReply({c.ok, c.text});
        EXPECT_EQ(check.reply, c.reply) << core::ToUtf8(c.text);
        EXPECT_EQ(check.info, c.reply == AccountReply::Success ? String(c.text) : String());
    }
    EXPECT_EQ(AccountReplyMessage(AccountReply::Error), u"用户名或密码错误");
    EXPECT_EQ(AccountReplyMessage(AccountReply::Expired), u"此帐户已过期，请及时充值后才能使用此功能");
    EXPECT_EQ(AccountReplyMessage(AccountReply::UsedUp), u"此帐户免费测试时间已经用完，请注册正式帐户");
    EXPECT_EQ(AccountReplyMessage(AccountReply::Failed), String(kNetworkMessage));
    EXPECT_EQ(AccountReplyMessage(AccountReply::Success), u"");
}

TEST(DialCredentials, MarkerOrSplitAtTheSeparator)
{
    const String sep = kCredentialSeparator;
    const struct {
        String reply;
        bool own;
        String user, password;
    } cases[] = {
        {kDialWithLoginMarker, true, u"me", u"pw"},
        {u"vu" + sep + u"vp", false, u"vu", u"vp"},
        {u"whole", false, u"whole", u""},
        {sep + u"vp", false, u"vp", u""},
        {u"vu" + sep, false, u"vu", u""},
        {u"a" + sep + u"b" + sep + u"c", false, u"a", u"b"},
        {u"", false, u"", u""},
    };
    for (const auto& c : cases) {
        const DialCredentials got = ParseDialCredentials(c.reply, u"me", u"pw");
        EXPECT_EQ(got.own_account, c.own) << core::ToUtf8(c.reply);
        EXPECT_EQ(got.user, c.user);
        EXPECT_EQ(got.password, c.password);
    }
}

TEST(Identifiers, TimePatternsDropLeadingZerosOfTheTime)
{
    const double early = core::EncodeDateTime(2026, 3, 7, 4, 5, 6, 7);
    EXPECT_EQ(FormatEntryName(early), u"030745607");
    EXPECT_EQ(FormatUniqueTime(early), u"20260307" u"45607");
    const double late = core::EncodeDateTime(2026, 12, 31, 23, 59, 58, 999);
    EXPECT_EQ(FormatEntryName(late), u"1231235958999");
    int next = 0;
    const String id = MakeUniqueId(late, [&] { return next++; });
    EXPECT_EQ(id, u"20261231235958999" u"01234567");
}

TEST(ReportForm, SevenFieldsInOrder)
{
    ReportFields f;
    f.serverip = u"1.2.3.4";
    f.clientip = u"10.0.0.2";
    f.uniqueid = u"u1";
    f.username = u"用户";
    f.xmitdata = 4294967295u;
    f.recvdata = 7;
    f.onlinetime = 123456;
    EXPECT_EQ(FormBody(ReportForm(f)), "serverip=1.2.3.4&clientip=10.0.0.2&uniqueid=u1&username=%E7%94%A8%E6%88%B7"
                                       "&xmitdata=4294967295&recvdata=7&onlinetime=123456");
}

// A transport that answers from a table by URL and records every call.
class TableTransport : public HttpTransport {
public:
    std::map<String, HttpReply> replies;
    std::vector<std::pair<String, std::string>> calls;
    std::vector<unsigned> timeouts;

    HttpReply Get(const String& url, unsigned timeout) override { return Answer(url, {}, timeout); }
    HttpReply Post(const String& url, const std::string& body, unsigned timeout) override { return Answer(url, body, timeout); }

private:
    HttpReply Answer(const String& url, const std::string& body, unsigned timeout)
    {
        calls.emplace_back(url, body);
        timeouts.push_back(timeout);
        auto it = replies.find(url);
        return it == replies.end() ? HttpReply{} : it->second;
    }
};

const String kProbeA = u"http://a:8000/zirovadi/useradmin/netcheck.php";
const String kProbeB = u"http://b:8000/zirovadi/useradmin/netcheck.php";

TEST(ServiceClient, HostChoiceNeedsExactlyOne)
{
    const struct {
        HttpReply a, b;
        const char16_t* chosen;
        size_t probes;
    } cases[] = {
        {{true, u"1"}, {true, u"1"}, u"a", 1},
        {{true, u"1\r\n"}, {true, u"1"}, u"b", 2},
        {{false, u""}, {true, u"1"}, u"b", 2},
        {{true, u" 1"}, {true, u"1\n"}, u"", 2},
        {{false, u""}, {false, u""}, u"", 2},
    };
    for (const auto& c : cases) {
        TableTransport transport;
        transport.replies[kProbeA] = c.a;
        transport.replies[kProbeB] = c.b;
        ServiceClient client(transport, u"a", u"b");
        EXPECT_EQ(client.ChooseHost(), String(c.chosen));
        EXPECT_EQ(transport.calls.size(), c.probes);
        EXPECT_EQ(transport.timeouts.front(), kFetchReadTimeoutMs);
    }
}

TEST(ServiceClient, AccountCheckPostsTrimmedFields)
{
    TableTransport transport;
    transport.replies[u"http://h:9000/zirovadi/useradmin/usercheck.php"] = {true, u"info"};
    ServiceClient client(transport, u"a", u"b", 9000);
    const AccountCheck check = client.CheckAccount(u"h", u"  us er ", u" p&w ");
    EXPECT_EQ(check.reply, AccountReply::Success);
    EXPECT_EQ(check.info, u"info");
    ASSERT_EQ(transport.calls.size(), 1u);
    EXPECT_EQ(transport.calls[0].second, "UserID=us%20er&Upassword=p%26w");
    EXPECT_EQ(transport.timeouts[0], kPostReadTimeoutMs);
}

TEST(ServiceClient, DialCredentialsAndReports)
{
    TableTransport transport;
    transport.replies[u"http://h:8000/zirovadi/useradmin/ipcheck2.php"] = {true, String(u"x") + kCredentialSeparator + u"y"};
    transport.replies[u"http://h:8000/zirovadi/useradmin/statuscheck2.php"] = {true, kLoggedInElsewhereMarker};
    ServiceClient client(transport, u"a", u"b");
    DialCredentials creds;
    ASSERT_TRUE(client.RequestDialCredentials(u"h", u"1.2.3.4", u"me", u"pw", creds));
    EXPECT_FALSE(creds.own_account);
    EXPECT_EQ(creds.user, u"x");
    EXPECT_EQ(creds.password, u"y");
    EXPECT_EQ(transport.calls.back().second, "serverip=1.2.3.4&username=me");
    EXPECT_FALSE(client.RequestDialCredentials(u"nohost", u"1.2.3.4", u"me", u"pw", creds));

    bool elsewhere = false;
    client.PostStatusReport(u"h", {}, &elsewhere);
    EXPECT_TRUE(elsewhere);
    EXPECT_FALSE(client.PostStopReport(u"h", {}).ok);
    EXPECT_EQ(transport.calls.back().first, u"http://h:8000/zirovadi/useradmin/stopcheck.php");
}

} // namespace
} // namespace client
