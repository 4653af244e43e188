// A scripted stand-in of icmp.dll's entry points for tests and the benchmark: every echo answers
// after a delay with a round-trip time, times out, or reports an ICMP error, as set in the script.
#pragma once
#include "support/icmpecho.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

namespace support::test {

enum class EchoOutcome { Reply, Timeout, ErrorReply };

struct EchoScript {
    EchoOutcome outcome = EchoOutcome::Reply;
    ULONG rtt = 0;
    ULONG errorStatus = IP_DEST_HOST_UNREACHABLE;
    DWORD delayMs = 0;
};

struct EchoRecord {
    IPAddr address = 0;
    std::string data;
    UCHAR ttl = 0;
    UCHAR flags = 0;
    DWORD replySize = 0;
    DWORD timeout = 0;
};

class ScriptedIcmp {
public:
    static ScriptedIcmp& Instance()
    {
        static ScriptedIcmp icmp;
        return icmp;
    }
    void SetScript(const EchoScript& script)
    {
        std::lock_guard guard(m_lock);
        m_script = script;
    }
    EchoRecord Last()
    {
        std::lock_guard guard(m_lock);
        return m_last;
    }
    int Sent() const { return m_sent.load(); }
    int OpenHandles() const { return m_open.load(); }
    const TIcmpApi& Api() const { return m_api; }

private:
    static HANDLE WINAPI Create()
    {
        Instance().m_open.fetch_add(1);
        return reinterpret_cast<HANDLE>(uintptr_t(0x1C3));
    }
    static BOOL WINAPI Close(HANDLE)
    {
        Instance().m_open.fetch_sub(1);
        return TRUE;
    }
    static DWORD WINAPI Send(HANDLE, IPAddr address, LPVOID data, WORD size, PIP_OPTION_INFORMATION options,
                             LPVOID reply, DWORD replySize, DWORD timeout)
    {
        ScriptedIcmp& self = Instance();
        EchoScript script;
        {
            std::lock_guard guard(self.m_lock);
            script = self.m_script;
            self.m_last.address = address;
            self.m_last.data.assign(static_cast<const char*>(data), size);
            self.m_last.ttl = options ? options->Ttl : 0;
            self.m_last.flags = options ? options->Flags : 0;
            self.m_last.replySize = replySize;
            self.m_last.timeout = timeout;
        }
        self.m_sent.fetch_add(1);
        if (script.delayMs)
            Sleep(script.delayMs);
        if (script.outcome == EchoOutcome::Timeout) {
            SetLastError(IP_REQ_TIMED_OUT);
            return 0;
        }
        if (replySize < sizeof(ICMP_ECHO_REPLY) + size + 8) {
            SetLastError(IP_BUF_TOO_SMALL);
            return 0;
        }
        auto* record = static_cast<ICMP_ECHO_REPLY*>(reply);
        record->Address = address;
        record->Status = script.outcome == EchoOutcome::Reply ? IP_SUCCESS : script.errorStatus;
        record->RoundTripTime = script.rtt;
        record->DataSize = size;
        record->Data = static_cast<char*>(reply) + sizeof(ICMP_ECHO_REPLY);
        std::memcpy(record->Data, data, size);
        SetLastError(0);
        return 1;
    }

    std::mutex m_lock;
    EchoScript m_script;
    EchoRecord m_last;
    std::atomic<int> m_sent{0};
    std::atomic<int> m_open{0};
    TIcmpApi m_api{&Create, &Close, &Send};
};

// Installs the scripted entry points for a scope.
class ScriptedIcmpScope {
public:
    explicit ScriptedIcmpScope(const EchoScript& script = {})
    {
        ScriptedIcmp::Instance().SetScript(script);
        SetIcmpApiOverride(&ScriptedIcmp::Instance().Api());
    }
    ~ScriptedIcmpScope() { SetIcmpApiOverride(nullptr); }
    ScriptedIcmpScope(const ScriptedIcmpScope&) = delete;
    ScriptedIcmpScope& operator=(const ScriptedIcmpScope&) = delete;
};

} // namespace support::test
