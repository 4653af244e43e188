// Scripted stand-in of icmp.dll's entry points with outcomes per destination address, for the batch
// test's tests and its benchmark: a reply with a round-trip time, a time-out or an ICMP error reply,
// each after a delay. Addresses without a script answer at once with 1 ms.
#pragma once
#include "support/icmpecho.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

namespace client::test {

enum class Echo { Reply, Timeout, ErrorReply };

struct EchoScript {
    Echo outcome = Echo::Reply;
    ULONG rtt = 1;
    DWORD delayMs = 0;
};

class ScriptedEchoes {
public:
    static ScriptedEchoes& Instance()
    {
        static ScriptedEchoes echoes;
        return echoes;
    }
    void Set(const char* address, const EchoScript& script)
    {
        std::lock_guard guard(m_lock);
        m_scripts[inet_addr(address)] = script;
    }
    void Clear()
    {
        std::lock_guard guard(m_lock);
        m_scripts.clear();
        m_sent.store(0);
        m_inFlight.store(0);
        m_peakInFlight.store(0);
    }
    int Sent() const { return m_sent.load(); }
    int OpenHandles() const { return m_open.load(); }
    int PeakInFlight() const { return m_peakInFlight.load(); }
    const support::TIcmpApi& Api() const { return m_api; }

private:
    static HANDLE WINAPI Create()
    {
        Instance().m_open.fetch_add(1);
        return reinterpret_cast<HANDLE>(uintptr_t(0x1C4));
    }
    static BOOL WINAPI Close(HANDLE)
    {
        Instance().m_open.fetch_sub(1);
        return TRUE;
    }
    static DWORD WINAPI Send(HANDLE, IPAddr address, LPVOID data, WORD size, PIP_OPTION_INFORMATION,
                             LPVOID reply, DWORD replySize, DWORD timeout)
    {
        ScriptedEchoes& self = Instance();
        EchoScript script;
        {
            std::lock_guard guard(self.m_lock);
            auto it = self.m_scripts.find(address);
            if (it != self.m_scripts.end())
                script = it->second;
        }
        self.m_sent.fetch_add(1);
        const int inFlight = self.m_inFlight.fetch_add(1) + 1;
        int peak = self.m_peakInFlight.load();
        while (inFlight > peak && !self.m_peakInFlight.compare_exchange_weak(peak, inFlight)) {
        }
        if (script.delayMs)
            Sleep(script.outcome == Echo::Timeout ? std::min<DWORD>(script.delayMs, timeout) : script.delayMs);
        self.m_inFlight.fetch_sub(1);
        if (script.outcome == Echo::Timeout) {
            SetLastError(IP_REQ_TIMED_OUT);
            return 0;
        }
        auto* record = static_cast<ICMP_ECHO_REPLY*>(reply);
        if (replySize < sizeof(ICMP_ECHO_REPLY) + size) {
            SetLastError(IP_BUF_TOO_SMALL);
            return 0;
        }
        record->Address = address;
        record->Status = script.outcome == Echo::Reply ? IP_SUCCESS : IP_DEST_HOST_UNREACHABLE;
        record->RoundTripTime = script.rtt;
        record->DataSize = size;
        record->Data = static_cast<char*>(reply) + sizeof(ICMP_ECHO_REPLY);
        std::memcpy(record->Data, data, size);
        SetLastError(0);
        return 1;
    }

    std::mutex m_lock;
    std::map<IPAddr, EchoScript> m_scripts;
    std::atomic<int> m_sent{0};
    std::atomic<int> m_open{0};
    std::atomic<int> m_inFlight{0};
    std::atomic<int> m_peakInFlight{0};
    support::TIcmpApi m_api{&Create, &Close, &Send};
};

// Installs the scripted entry points for a scope.
class ScriptedEchoesScope {
public:
    ScriptedEchoesScope()
    {
        ScriptedEchoes::Instance().Clear();
        support::SetIcmpApiOverride(&ScriptedEchoes::Instance().Api());
    }
    ~ScriptedEchoesScope() { support::SetIcmpApiOverride(nullptr); }
    ScriptedEchoesScope(const ScriptedEchoesScope&) = delete;
    ScriptedEchoesScope& operator=(const ScriptedEchoesScope&) = delete;
};

} // namespace client::test
