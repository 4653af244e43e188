// The service protocol: the form encoding of posts, the reply markers and what each reply means,
// the host choice and every exchange as one call, and the text forms of the identifiers sent.
//
// Wire format: every URL is "http://" host ":" port path. Posts carry "name=value" pairs joined by
// "&"; each value is the UTF-8 bytes of its text with every byte outside letters, digits and
// "-", "_", ".", "~" written as "%XX" (upper-case hex). Replies are text in the system ANSI code
// page and are compared as whole texts.
#pragma once

#include "core/string.h"
#include "client/httptransport.h"

#include <string>
#include <utility>
#include <vector>

namespace client {

// ---- Paths ----
inline constexpr char16_t kNetCheckPath[] = u"/zirovadi/useradmin/netcheck.php";
inline constexpr char16_t kUserCheckPath[] = u"/zirovadi/useradmin/usercheck.php";
inline constexpr char16_t kVpnListPath[] = u"/zirovadi/useradmin/vpnlist.php";
inline constexpr char16_t kIpCheckPath[] = u"/zirovadi/useradmin/ipcheck2.php";
inline constexpr char16_t kStatusCheckPath[] = u"/zirovadi/useradmin/statuscheck2.php";
inline constexpr char16_t kStopCheckPath[] = u"/zirovadi/useradmin/stopcheck.php";
inline constexpr char16_t kRegisterPath[] = u"/zirovadi/useradmin/user_self_new.php";
inline constexpr char16_t kAccountPath[] = u"/zirovadi/useradmin/";
inline constexpr char16_t kRechargePath[] = u"/zirovadi/useradmin";
inline constexpr char16_t kBannerPath[] = u"/divezevor2011/top.htm";
inline constexpr char16_t kNewsPath[] = u"/divezevor2011/news.htm";
inline constexpr char16_t kAboutPath[] = u"/divezevor2011/about.htm";
inline constexpr char16_t kHelpPath[] = u"/divezevor2011/help.htm";

// ---- Markers ----
inline constexpr char16_t kDialWithLoginMarker[] = u"8b2e4d6f1a3c5e7b9d0f2a4c6e8b1d37";
inline constexpr char16_t kCredentialSeparator[] = u"3f7a9c1e5b2d8f4a0c6e9b1d3f5a7c49";
inline constexpr char16_t kLoggedInElsewhereMarker[] = u"5e1f0a9c7b3d2e8f4a6c1b0d9e7f3a25";

// ---- Fixed texts ----
inline constexpr char16_t kNetworkMessage[] = u"网络DNS问题，稍候会自行恢复或联系商家索取6.0版本客户端暂用";
inline constexpr char16_t kLoggedInElsewhereMessage[] = u"你的帐户在其它电脑已经登录，如果不是你本人所为，建议修改密码";

// ---- Form encoding ----
core::String PercentEncode(core::StringView value);
using FormFields = std::vector<std::pair<core::String, core::String>>;
// name=value&... with the values encoded and the names as they are.
std::string FormBody(const FormFields& fields);

// ---- Replies ----
enum class AccountReply { Success, Error, Expired, UsedUp, Failed };
struct AccountCheck {
    AccountReply reply = AccountReply::Failed;
    core::String info;  // the reply text on success
};
// A failed post and an empty reply are both failures (an empty reply is no account information).
AccountCheck ClassifyAccountReply(const HttpReply& reply);
// The message a refusal shows; empty for success.
core::String AccountReplyMessage(AccountReply reply);

struct DialCredentials {
    bool own_account = true;
    core::String user;
    core::String password;
};
// The dial-with-login marker, else the reply cut at the separator (user, password).
DialCredentials ParseDialCredentials(const core::String& reply, const core::String& loginUser,
                                     const core::String& loginPassword);

// ---- Reports ----
struct ReportFields {
    core::String serverip, clientip, uniqueid, username;
    uint32_t xmitdata = 0, recvdata = 0;
    int64_t onlinetime = 0;
};
FormFields ReportForm(const ReportFields& fields);

// ---- Identifiers ----
// "yyyymmddhnszz": four-digit year, two-digit month and day, hour, minute and second without a
// leading zero, milliseconds with at least two digits.
core::String FormatUniqueTime(double when);
// "mmddhnszz" with the same rules.
core::String FormatEntryName(double when);
// FormatUniqueTime + eight digits drawn one by one from digit().
template <class DigitSource>
core::String MakeUniqueId(double when, DigitSource&& digit)
{
    core::String id = FormatUniqueTime(when);
    for (int i = 0; i < 8; ++i)
        id += char16_t(u'0' + digit() % 10);
    return id;
}

// ---- Exchanges ----
class ServiceClient {
public:
    ServiceClient(HttpTransport& transport, core::String defaultHost, core::String fallbackHost,
                  int appPort = 8000);

    // The host whose probe answers exactly "1": the default first, then the fallback; empty when
    // neither does.
    core::String ChooseHost();
    // user and password are trimmed here.
    AccountCheck CheckAccount(const core::String& host, const core::String& user, const core::String& password);
    HttpReply FetchNodeList(const core::String& host);
    // ok false when the post failed.
    bool RequestDialCredentials(const core::String& host, const core::String& serverip, const core::String& user,
                                const core::String& loginPassword, DialCredentials& out);
    // The post's reply; elsewhere is set when it is the logged-in-elsewhere marker.
    HttpReply PostStatusReport(const core::String& host, const ReportFields& fields, bool* elsewhere = nullptr);
    HttpReply PostStopReport(const core::String& host, const ReportFields& fields);

private:
    core::String Url(const core::String& host, core::StringView path) const;

    HttpTransport& m_transport;
    core::String m_default;
    core::String m_fallback;
    int m_port;
};

} // namespace client
