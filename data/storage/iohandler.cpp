// The transport base and its option objects.
#include "data/storage/iohandler.h"

#include "core/exception.h"

namespace data {

namespace {

[[noreturn]] void NotOverridden()
{
    core::AssertFailed(u"Not overriden in an inherited class", __FILE__, __LINE__);
}

} // namespace

core::Object* TCRIOHandler::Connect(StringView, int, StringView, StringView, StringView)
{
    throw core::EAbstractError(u"Abstract Error");
}

void TCRIOHandler::Disconnect(core::Object*) { NotOverridden(); }
int TCRIOHandler::ReadNoWait(core::Object*, char*, int, int) { NotOverridden(); }
int TCRIOHandler::Read(core::Object*, char*, int, int) { NotOverridden(); }
int TCRIOHandler::Write(core::Object*, const char*, int, int) { NotOverridden(); }
int TCRIOHandler::GetTimeout(core::Object*) { NotOverridden(); }
void TCRIOHandler::SetTimeout(core::Object*, int) { NotOverridden(); }

void TProxyOptions::AssignTo(core::Persistent& Dest) const
{
    auto* proxy = dynamic_cast<TProxyOptions*>(&Dest);
    if (!proxy) {
        core::Persistent::AssignTo(Dest);
        return;
    }
    proxy->FHostname = FHostname;
    proxy->FPort = FPort;
    proxy->FUsername = FUsername;
    proxy->FPassword = FPassword;
}

void THttpOptions::AssignTo(core::Persistent& Dest) const
{
    auto* http = dynamic_cast<THttpOptions*>(&Dest);
    if (!http) {
        core::Persistent::AssignTo(Dest);
        return;
    }
    http->FUrl = FUrl;
    http->FUsername = FUsername;
    http->FPassword = FPassword;
    http->FProxyOptions->Assign(*FProxyOptions);
}

bool THttpOptions::Equals(const THttpOptions* HttpOptions) const
{
    if (!HttpOptions)
        return false;
    const TProxyOptions& a = *FProxyOptions;
    const TProxyOptions& b = *HttpOptions->FProxyOptions;
    return FUrl == HttpOptions->FUrl && FUsername == HttpOptions->FUsername && FPassword == HttpOptions->FPassword &&
        a.Hostname() == b.Hostname() && a.Port() == b.Port() && a.Username() == b.Username() &&
        a.Password() == b.Password();
}

} // namespace data
