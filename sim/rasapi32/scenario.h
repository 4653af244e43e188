// The scenario of the simulated remote-access library: how each server answers a dial, which
// devices exist and which phonebook writes are refused. Read from the file named by the
// environment variable RASSIM_SCENARIO; without one every dial connects.
#pragma once

#include "sim/rasapi32/ini.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace sim::rasapi32 {

enum class Outcome { Connect, Refuse, Hold };

// How one server answers.
struct ServerPlan {
    Outcome outcome = Outcome::Connect;
    uint32_t afterMs = 500;       // from the dial to the outcome
    uint32_t error = 678;         // refuse: the error reported
    int failState = -1;           // refuse: the state the error comes with; -1 by error
    uint32_t holdState = 5;       // hold: the state the dial stays in until told
    bool checkCredentials = false;
    String userName;              // accepted credentials when checkCredentials
    String password;
    uint32_t dropAfterMs = 0;     // 0: never dropped by itself
    uint32_t dropError = 619;
    String clientIp;              // empty: one made per connection
    String serverIp = u"10.64.0.1";
    uint32_t ipError = 0;         // error of the IP projection
    uint32_t sendRate = 2000;     // bytes per second while connected
    uint32_t recvRate = 8000;
    uint32_t speed = 100000000;   // bits per second
};

struct Device {
    String name;
    String type;
};

class Scenario {
public:
    // The built-in scenario: every server connects after 500 ms; the VPN miniports exist.
    Scenario();
    static Scenario Parse(std::string_view utf8);

    const ServerPlan& PlanFor(StringView server) const;
    const std::vector<Device>& Devices() const { return m_devices; }
    const Device* FindDevice(StringView name) const;
    bool RefuseEntryWrites() const { return m_refuse_entry_writes; }
    bool RefuseCredentialWrites() const { return m_refuse_credential_writes; }
    uint32_t HangUpMs() const { return m_hangup_ms; }
    // Lines that could not be used, for the log.
    const std::vector<String>& Warnings() const { return m_warnings; }

private:
    ServerPlan m_default;
    std::vector<std::pair<String, ServerPlan>> m_servers;
    std::vector<Device> m_devices;
    bool m_refuse_entry_writes = false;
    bool m_refuse_credential_writes = false;
    uint32_t m_hangup_ms = 200;
    std::vector<String> m_warnings;
};

// The states a dial walks through on its way to connected, in order.
const std::vector<uint32_t>& DialStates();
// The state an error is reported with when the scenario names none: authentication errors come
// after the authentication step, the others while the device connects.
uint32_t DefaultFailState(uint32_t error);

} // namespace sim::rasapi32
