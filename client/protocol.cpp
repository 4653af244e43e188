// The service protocol: encoding, reply meanings, identifiers and the exchanges.
#include "client/protocol.h"

#include "core/datetime.h"
#include "support/mystring.h"

namespace client {

using core::String;

String PercentEncode(core::StringView value)
{
    static const char16_t hex[] = u"0123456789ABCDEF";
    String out;
    for (unsigned char byte : core::ToUtf8(value)) {
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9')
                           || byte == '-' || byte == '_' || byte == '.' || byte == '~';
        if (plain) {
            out += char16_t(byte);
        } else {
            out += u'%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    }
    return out;
}

std::string FormBody(const FormFields& fields)
{
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty())
            body += '&';
        body += core::ToUtf8(name);
        body += '=';
        body += core::ToUtf8(PercentEncode(value));  // ASCII only after encoding
    }
    return body;
}

AccountCheck ClassifyAccountReply(const HttpReply& reply)
{
    AccountCheck check;
    if (!reply.ok || reply.text.empty())
        check.reply = AccountReply::Failed;
    else if (reply.text == u"error")
        check.reply = AccountReply::Error;
    else if (reply.text == u"expire")
        check.reply = AccountReply::Expired;
    else if (reply.text == u"useup")
        check.reply = AccountReply::UsedUp;
    else {
        check.reply = AccountReply::Success;
        check.info = reply.text;
    }
    return check;
}

String AccountReplyMessage(AccountReply reply)
{
    switch (reply) {
    case AccountReply::Error: return u"用户名或密码错误";
    case AccountReply::Expired: return u"此帐户已过期，请及时充值后才能使用此功能";
    case AccountReply::UsedUp: return u"此帐户免费测试时间已经用完，请注册正式帐户";
    case AccountReply::Failed: return kNetworkMessage;
    case AccountReply::Success: break;
    }
    return {};
}

DialCredentials ParseDialCredentials(const String& reply, const String& loginUser, const String& loginPassword)
{
    DialCredentials out;
    if (reply == kDialWithLoginMarker) {
        out.own_account = true;
        out.user = loginUser;
        out.password = loginPassword;
        return out;
    }
    const auto pieces = support::SplitText(reply, kCredentialSeparator);
    out.own_account = false;
    out.user = pieces.size() > 0 ? pieces[0] : String();
    out.password = pieces.size() > 1 ? pieces[1] : String();
    return out;
}

FormFields ReportForm(const ReportFields& f)
{
    return {{u"serverip", f.serverip},
            {u"clientip", f.clientip},
            {u"uniqueid", f.uniqueid},
            {u"username", f.username},
            {u"xmitdata", core::UIntToStr(f.xmitdata)},
            {u"recvdata", core::UIntToStr(f.recvdata)},
            {u"onlinetime", core::IntToStr(f.onlinetime)}};
}

namespace {

String Pad(int value, int digits)
{
    String text = core::IntToStr(value);
    while (int(text.size()) < digits)
        text.insert(text.begin(), u'0');
    return text;
}

} // namespace

String FormatUniqueTime(double when)
{
    int year, month, day, hour, minute, second, msec;
    core::DecodeDateTime(when, year, month, day, hour, minute, second, msec);
    return Pad(year, 4) + FormatEntryName(when);
}

String FormatEntryName(double when)
{
    int year, month, day, hour, minute, second, msec;
    core::DecodeDateTime(when, year, month, day, hour, minute, second, msec);
    return Pad(month, 2) + Pad(day, 2) + core::IntToStr(hour) + core::IntToStr(minute) + core::IntToStr(second)
           + Pad(msec, 2);
}

ServiceClient::ServiceClient(HttpTransport& transport, String defaultHost, String fallbackHost, int appPort)
    : m_transport(transport), m_default(std::move(defaultHost)), m_fallback(std::move(fallbackHost)), m_port(appPort)
{
}

String ServiceClient::Url(const String& host, core::StringView path) const
{
    return u"http://" + host + u":" + core::IntToStr(m_port) + String(path);
}

String ServiceClient::ChooseHost()
{
    for (const String* host : {&m_default, &m_fallback}) {
        if (host->empty())
            continue;
        const HttpReply probe = m_transport.Get(Url(*host, kNetCheckPath), kFetchReadTimeoutMs);
        if (probe.ok && probe.text == u"1")
            return *host;
    }
    return {};
}

AccountCheck ServiceClient::CheckAccount(const String& host, const String& user, const String& password)
{
    const std::string body = FormBody({{u"UserID", core::Trim(user)}, {u"Upassword", core::Trim(password)}});
    return ClassifyAccountReply(m_transport.Post(Url(host, kUserCheckPath), body, kPostReadTimeoutMs));
}

HttpReply ServiceClient::FetchNodeList(const String& host)
{
    return m_transport.Get(Url(host, kVpnListPath), kFetchReadTimeoutMs);
}

bool ServiceClient::RequestDialCredentials(const String& host, const String& serverip, const String& user,
                                           const String& loginPassword, DialCredentials& out)
{
    const HttpReply reply = m_transport.Post(Url(host, kIpCheckPath), FormBody({{u"serverip", serverip}, {u"username", user}}),
                                             kPostReadTimeoutMs);
    if (!reply.ok)
        return false;
    out = ParseDialCredentials(reply.text, user, loginPassword);
    return true;
}

HttpReply ServiceClient::PostStatusReport(const String& host, const ReportFields& fields, bool* elsewhere)
{
    HttpReply reply = m_transport.Post(Url(host, kStatusCheckPath), FormBody(ReportForm(fields)), kPostReadTimeoutMs);
    if (elsewhere)
        *elsewhere = reply.ok && reply.text == kLoggedInElsewhereMarker;
    return reply;
}

HttpReply ServiceClient::PostStopReport(const String& host, const ReportFields& fields)
{
    return m_transport.Post(Url(host, kStopCheckPath), FormBody(ReportForm(fields)), kPostReadTimeoutMs);
}

} // namespace client
