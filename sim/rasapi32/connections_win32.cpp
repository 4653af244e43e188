// Exported connection entry points of the simulated remote-access library: dialling, hang-up,
// status, the connection list, projection, statistics and connection notifications.
#include "sim/rasapi32/glue_win32.h"

#include "sim/rasapi32/codes.h"

namespace sim::rasapi32 {

namespace {

// A synchronous dial (no notifier) waits at most this long for its outcome.
constexpr int64_t kSynchronousDialMs = 10 * 60 * 1000;

template <class Ch>
DWORD Dial(RASDIALEXTENSIONS* extensions, const Ch* phonebook, typename Records<Ch>::DialParams* params,
           DWORD notifierKind, LPVOID notifier, HRASCONN* handleOut)
{
    Runtime& rt = Runtime::Get();
    const String path = rt.Resolve(FromArg(phonebook));
    Call call("RasDial", Records<Ch>::kSuffix);
    call.Text("phonebook", path).Number("dwSize", params ? params->dwSize : 0).Number("notifier_kind", notifierKind);
    if (!params || !handleOut)
        return call.Done(code::kInvalidParameter);
    if (!Accepts(Sizes<Ch>::kDialParams, params->dwSize))
        return call.Done(code::kInvalidSize);
    if (extensions && !Accepts(kDialExtensionSizes, extensions->dwSize))
        return call.Number("extensions_size", extensions->dwSize).Done(code::kInvalidSize);
    // Paused dials are not simulated: a handle on input can only be a caller's stale value.
    if (*handleOut)
        return call.Handle("handle_in", HandleValue(*handleOut)).Done(code::kInvalidHandle);
    if (notifier && notifierKind > 2 && notifierKind != 0xFFFFFFFF)
        return call.Done(code::kInvalidParameter);

    DialRequest request;
    request.entryName = FromField(params->szEntryName);
    request.phonebook = path;
    request.allUsers = rt.IsAllUsers(path);
    request.userName = FromField(params->szUserName);
    const String password = FromField(params->szPassword);
    if (params->dwSize >= Sizes<Ch>::kDialParamsV401) {
        request.subEntry = params->dwSubEntry ? params->dwSubEntry : 1;
        request.callbackId = params->dwCallbackId;
    }
    request.notifierKind = notifier ? notifierKind : 0;
    request.notifier = reinterpret_cast<uintptr_t>(notifier);
    const String number = FromField(params->szPhoneNumber);
    call.Text("entry", request.entryName).Text("user", request.userName);

    const Scenario scenario = rt.CurrentScenario();
    String passwordSource = password.empty() ? u"empty" : u"given";
    if (request.entryName.empty()) {
        // A dial without an entry uses the first device and the number given.
        request.server = number;
        if (!scenario.Devices().empty()) {
            request.deviceName = scenario.Devices().front().name;
            request.deviceType = scenario.Devices().front().type;
        }
        request.password = password;
    } else {
        Phonebook book = Phonebook::Parse("");
        if (const uint32_t r = rt.ReadPhonebook(path, book))
            return call.Done(r);
        const IniSection* entry = book.Entry(request.entryName);
        if (!entry)
            return call.Done(code::kCannotFindEntry);
        request.server = number.empty() ? entry->Value(key::kLocalPhoneNumber) : number;
        request.deviceName = entry->Value(key::kDeviceName);
        request.deviceType = entry->Value(key::kDeviceType);
        request.entryGuid = entry->Value(key::kGuid);
        request.password = password;
        if (password == kPasswordHandle) {
            // The password handle of the stored credentials: the user's own, else the default set.
            request.password = entry->Has(key::kPassword) ? book.StoredPassword(request.entryName, false)
                                                          : book.StoredPassword(request.entryName, true);
            passwordSource = u"stored";
        }
    }
    call.Text("server", request.server).Text("device", request.deviceName).Text("password", passwordSource);

    uint64_t handle = 0;
    const uint32_t result =
        rt.Connections().With([&](Engine& engine, int64_t now) { return engine.Dial(now, request, handle); });
    if (result)
        return call.Done(result);
    *handleOut = ToHandle(handle);
    call.Handle("handle", handle);
    if (!notifier)
        return call.Done(rt.Connections().WaitForOutcome(handle, kSynchronousDialMs));
    return call.Done(code::kSuccess);
}

DWORD HangUp(HRASCONN handle, const char* suffix)
{
    Call call("RasHangUp", suffix);
    call.Handle("handle", HandleValue(handle));
    return call.Done(Runtime::Get().Connections().HangUp(HandleValue(handle)));
}

template <class Ch>
DWORD GetConnectStatus(HRASCONN handle, typename Records<Ch>::ConnStatus* status)
{
    Call call("RasGetConnectStatus", Records<Ch>::kSuffix);
    call.Handle("handle", HandleValue(handle)).Number("dwSize", status ? status->dwSize : 0);
    if (!status)
        return call.Done(code::kInvalidParameter);
    if (!Accepts(Sizes<Ch>::kStatus, status->dwSize))
        return call.Done(code::kInvalidSize);
    struct Snapshot {
        uint32_t state = 0, error = 0;
        String deviceType, deviceName, number;
    } snapshot;
    const bool found = Runtime::Get().Connections().With([&](Engine& engine, int64_t) {
        const Connection* c = engine.Find(HandleValue(handle));
        if (!c)
            return false;
        snapshot = {c->state, c->error, c->request.deviceType, c->request.deviceName, c->request.server};
        return true;
    });
    if (!found)
        return call.Done(code::kInvalidHandle);
    const DWORD size = status->dwSize;
    std::memset(reinterpret_cast<BYTE*>(status) + 4, 0, size - 4);
    status->rasconnstate = static_cast<RASCONNSTATE>(snapshot.state);
    status->dwError = snapshot.error;
    ToField(status->szDeviceType, snapshot.deviceType);
    ToField(status->szDeviceName, snapshot.deviceName);
    if (size >= Sizes<Ch>::kStatusV401)
        ToField(status->szPhoneNumber, snapshot.number);
    call.Number("state", snapshot.state).Number("error", snapshot.error);
    return call.Done(code::kSuccess);
}

template <class Ch>
DWORD EnumConnections(typename Records<Ch>::Conn* conns, LPDWORD bytes, LPDWORD count)
{
    using C = typename Records<Ch>::Conn;
    Call call("RasEnumConnections", Records<Ch>::kSuffix);
    call.Number("dwSize", conns ? conns->dwSize : 0);
    if (!bytes || !count)
        return call.Done(code::kInvalidParameter);
    if (conns && !Accepts(Sizes<Ch>::kConn, conns->dwSize))
        return call.Done(code::kInvalidSize);
    struct Snapshot {
        uint64_t handle;
        DialRequest request;
    };
    const std::vector<Snapshot> live = Runtime::Get().Connections().With([&](Engine& engine, int64_t) {
        std::vector<Snapshot> out;
        for (const Connection* c : engine.Live())
            out.push_back({c->handle, c->request});
        return out;
    });
    const DWORD recordSize = conns ? conns->dwSize : sizeof(C);
    const DWORD needed = static_cast<DWORD>(live.size()) * recordSize;
    call.Number("connections", static_cast<int64_t>(live.size()));
    if (needed && (!conns || *bytes < needed)) {
        *bytes = needed;
        *count = static_cast<DWORD>(live.size());
        return call.Done(code::kBufferTooSmall);
    }
    auto* out = reinterpret_cast<BYTE*>(conns);
    for (size_t i = 0; i < live.size(); ++i) {
        C record{};
        record.dwSize = recordSize;
        record.hrasconn = ToHandle(live[i].handle);
        ToField(record.szEntryName, live[i].request.entryName);
        ToField(record.szDeviceType, live[i].request.deviceType);
        ToField(record.szDeviceName, live[i].request.deviceName);
        ToField(record.szPhonebook, live[i].request.phonebook);
        record.dwSubEntry = live[i].request.subEntry;
        record.guidEntry = ParseGuid(live[i].request.entryGuid);
        record.dwFlags = live[i].request.allUsers ? RASCF_AllUsers : 0;
        std::memcpy(out + i * recordSize, &record, recordSize);
    }
    *bytes = needed;
    *count = static_cast<DWORD>(live.size());
    return call.Done(code::kSuccess);
}

template <class Ch>
DWORD GetProjectionInfo(HRASCONN handle, RASPROJECTION projection, LPVOID buffer, LPDWORD bytes)
{
    using Ip = typename Records<Ch>::PppIp;
    using Lcp = typename Records<Ch>::PppLcp;
    Call call("RasGetProjectionInfo", Records<Ch>::kSuffix);
    call.Handle("handle", HandleValue(handle)).Number("projection", projection);
    if (!buffer || !bytes)
        return call.Done(code::kInvalidParameter);
    const DWORD size = *static_cast<const DWORD*>(buffer);
    call.Number("dwSize", size);
    IpProjection ip;
    const uint32_t state = Runtime::Get().Connections().With([&](Engine& engine, int64_t) {
        return engine.GetIpProjection(HandleValue(handle), ip);
    });
    if (state == code::kInvalidHandle)
        return call.Done(state);
    if (projection == RASP_PppIp) {
        if (!Accepts(Sizes<Ch>::kPppIp, size))
            return call.Done(code::kInvalidSize);
        if (*bytes < size) {
            *bytes = size;
            return call.Done(code::kBufferTooSmall);
        }
        if (state)
            return call.Done(state);
        auto* record = static_cast<Ip*>(buffer);
        std::memset(static_cast<BYTE*>(buffer) + 4, 0, size - 4);
        record->dwError = ip.error;
        ToField(record->szIpAddress, ip.clientIp);
        ToField(record->szServerIpAddress, ip.serverIp);
        call.Text("client_ip", ip.clientIp).Text("server_ip", ip.serverIp).Number("ip_error", ip.error);
        return call.Done(code::kSuccess);
    }
    if (projection == RASP_PppLcp) {
        if (!Accepts(Sizes<Ch>::kPppLcp, size))
            return call.Done(code::kInvalidSize);
        if (*bytes < size) {
            *bytes = size;
            return call.Done(code::kBufferTooSmall);
        }
        if (state)
            return call.Done(state);
        auto* record = static_cast<Lcp*>(buffer);
        std::memset(static_cast<BYTE*>(buffer) + 4, 0, size - 4);
        if (size >= Sizes<Ch>::kPppLcpV500) {
            // The miniports authenticate with MS-CHAP v2 both ways.
            record->dwAuthenticationProtocol = RASLCPAP_CHAP;
            record->dwAuthenticationData = RASLCPAD_CHAP_MSV2;
            record->dwServerAuthenticationProtocol = RASLCPAP_CHAP;
            record->dwServerAuthenticationData = RASLCPAD_CHAP_MSV2;
        }
        return call.Done(code::kSuccess);
    }
    return call.Done(code::kProtocolNotConfigured);
}

DWORD GetStatistics(const char* name, HRASCONN handle, DWORD subEntry, RAS_STATS* stats)
{
    Call call(name, "");
    call.Handle("handle", HandleValue(handle)).Number("dwSize", stats ? stats->dwSize : 0);
    if (!stats)
        return call.Done(code::kInvalidParameter);
    if (!Accepts(kStatsSizes, stats->dwSize))
        return call.Done(code::kInvalidSize);
    if (subEntry != 1)
        return call.Number("sub_entry", subEntry).Done(code::kInvalidParameter);
    Statistics values;
    const uint32_t result = Runtime::Get().Connections().With([&](Engine& engine, int64_t now) {
        return engine.GetStatistics(now, HandleValue(handle), values);
    });
    if (result)
        return call.Done(result);
    std::memset(reinterpret_cast<BYTE*>(stats) + 4, 0, sizeof(RAS_STATS) - 4);
    stats->dwBytesXmited = values.bytesSent;
    stats->dwBytesRcved = values.bytesReceived;
    stats->dwFramesXmited = values.framesSent;
    stats->dwFramesRcved = values.framesReceived;
    stats->dwBps = values.bps;
    stats->dwConnectDuration = values.durationMs;
    stats->dwCompressionRatioIn = 100;
    stats->dwCompressionRatioOut = 100;
    call.Number("sent", values.bytesSent).Number("received", values.bytesReceived);
    return call.Done(code::kSuccess);
}

DWORD ClearStatistics(const char* name, HRASCONN handle, DWORD subEntry)
{
    Call call(name, "");
    call.Handle("handle", HandleValue(handle));
    if (subEntry != 1)
        return call.Number("sub_entry", subEntry).Done(code::kInvalidParameter);
    return call.Done(Runtime::Get().Connections().With(
        [&](Engine& engine, int64_t now) { return engine.ClearStatistics(now, HandleValue(handle)); }));
}

DWORD GetSubEntryHandle(HRASCONN handle, DWORD subEntry, HRASCONN* out, const char* suffix)
{
    Call call("RasGetSubEntryHandle", suffix);
    call.Handle("handle", HandleValue(handle)).Number("sub_entry", subEntry);
    if (!out)
        return call.Done(code::kInvalidParameter);
    uint64_t sub = 0;
    const uint32_t result = Runtime::Get().Connections().With(
        [&](Engine& engine, int64_t) { return engine.SubEntryHandle(HandleValue(handle), subEntry, sub); });
    *out = ToHandle(sub);
    return call.Done(result);
}

DWORD ConnectionNotification(HRASCONN handle, HANDLE event, DWORD flags, const char* suffix)
{
    Call call("RasConnectionNotification", suffix);
    call.Handle("handle", HandleValue(handle)).Number("flags", flags);
    if (!event || !(flags & (RASCN_Connection | RASCN_Disconnection | RASCN_BandwidthAdded | RASCN_BandwidthRemoved)))
        return call.Done(code::kInvalidParameter);
    Runtime& rt = Runtime::Get();
    uint64_t target = 0;
    if (handle != INVALID_HANDLE_VALUE) {
        const bool known = rt.Connections().With(
            [&](Engine& engine, int64_t) { return engine.Find(HandleValue(handle)) != nullptr; });
        if (!known)
            return call.Done(code::kInvalidHandle);
        target = HandleValue(handle);
    }
    rt.AddNotification(target, event, flags);
    return call.Done(code::kSuccess);
}

} // namespace

} // namespace sim::rasapi32

using namespace sim::rasapi32;

extern "C" {

DWORD WINAPI RasDialA(LPRASDIALEXTENSIONS ext, LPCSTR pbk, LPRASDIALPARAMSA params, DWORD kind, LPVOID notifier,
                      LPHRASCONN handle)
{
    return Dial<char>(ext, pbk, params, kind, notifier, handle);
}
DWORD WINAPI RasDialW(LPRASDIALEXTENSIONS ext, LPCWSTR pbk, LPRASDIALPARAMSW params, DWORD kind, LPVOID notifier,
                      LPHRASCONN handle)
{
    return Dial<wchar_t>(ext, pbk, params, kind, notifier, handle);
}
DWORD WINAPI RasHangUpA(HRASCONN handle) { return HangUp(handle, "A"); }
DWORD WINAPI RasHangUpW(HRASCONN handle) { return HangUp(handle, "W"); }
DWORD WINAPI RasGetConnectStatusA(HRASCONN handle, LPRASCONNSTATUSA status)
{
    return GetConnectStatus<char>(handle, status);
}
DWORD WINAPI RasGetConnectStatusW(HRASCONN handle, LPRASCONNSTATUSW status)
{
    return GetConnectStatus<wchar_t>(handle, status);
}
DWORD WINAPI RasEnumConnectionsA(LPRASCONNA conns, LPDWORD bytes, LPDWORD count)
{
    return EnumConnections<char>(conns, bytes, count);
}
DWORD WINAPI RasEnumConnectionsW(LPRASCONNW conns, LPDWORD bytes, LPDWORD count)
{
    return EnumConnections<wchar_t>(conns, bytes, count);
}
DWORD WINAPI RasGetProjectionInfoA(HRASCONN handle, RASPROJECTION projection, LPVOID buffer, LPDWORD bytes)
{
    return GetProjectionInfo<char>(handle, projection, buffer, bytes);
}
DWORD WINAPI RasGetProjectionInfoW(HRASCONN handle, RASPROJECTION projection, LPVOID buffer, LPDWORD bytes)
{
    return GetProjectionInfo<wchar_t>(handle, projection, buffer, bytes);
}
DWORD WINAPI RasGetConnectionStatistics(HRASCONN handle, RAS_STATS* stats)
{
    return GetStatistics("RasGetConnectionStatistics", handle, 1, stats);
}
DWORD WINAPI RasGetLinkStatistics(HRASCONN handle, DWORD subEntry, RAS_STATS* stats)
{
    return GetStatistics("RasGetLinkStatistics", handle, subEntry, stats);
}
DWORD WINAPI RasClearConnectionStatistics(HRASCONN handle)
{
    return ClearStatistics("RasClearConnectionStatistics", handle, 1);
}
DWORD WINAPI RasClearLinkStatistics(HRASCONN handle, DWORD subEntry)
{
    return ClearStatistics("RasClearLinkStatistics", handle, subEntry);
}
DWORD WINAPI RasGetSubEntryHandleA(HRASCONN handle, DWORD subEntry, LPHRASCONN out)
{
    return GetSubEntryHandle(handle, subEntry, out, "A");
}
DWORD WINAPI RasGetSubEntryHandleW(HRASCONN handle, DWORD subEntry, LPHRASCONN out)
{
    return GetSubEntryHandle(handle, subEntry, out, "W");
}
DWORD WINAPI RasConnectionNotificationA(HRASCONN handle, HANDLE event, DWORD flags)
{
    return ConnectionNotification(handle, event, flags, "A");
}
DWORD WINAPI RasConnectionNotificationW(HRASCONN handle, HANDLE event, DWORD flags)
{
    return ConnectionNotification(handle, event, flags, "W");
}

} // extern "C"
